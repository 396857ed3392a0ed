#include "gis/MeasurementLayer.h"

#include "gis/NodeRaster.h"

#include <cmath>
#include <ogrsf_frmts.h>

namespace brenvik::gis {

bool AddMeasurementLayer(GDALDataset& ds, const std::vector<measure::PairedPoint>& points) {
    OGRSpatialReference srs = LonLatCrs();
    OGRLayer* l = ds.CreateLayer("measurements", &srs, wkbPoint, nullptr);
    if (!l) return false;
    for (auto [field, kind] : {std::pair{"name", OFTString},
                               {"x_m", OFTReal},
                               {"y_m", OFTReal},
                               {"height_m", OFTReal},
                               {"measured", OFTReal},
                               {"extrapolated", OFTReal},
                               {"predicted", OFTReal},
                               {"difference_db", OFTReal},
                               {"flag", OFTInteger},
                               {"uncertainty_db", OFTReal},
                               {"band", OFTString},
                               {"timestamp", OFTString},
                               {"instrument", OFTString},
                               {"assessed", OFTReal},
                               {"assessed_source", OFTString},
                               {"reason", OFTString}}) {
        OGRFieldDefn d(field, kind);
        if (l->CreateField(&d) != OGRERR_NONE) return false;
    }
    for (const measure::PairedPoint& q : points) {
        OGRFeature f(l->GetLayerDefn());
        f.SetField("name", q.name.c_str());
        for (auto [field, v] : {std::pair{"x_m", q.X},
                                {"y_m", q.Y},
                                {"height_m", q.heightM},
                                {"measured", q.measured},
                                {"extrapolated", q.extrapolated},
                                {"predicted", q.predicted},
                                {"uncertainty_db", q.uncertaintyDb},
                                {"assessed", q.assessed}})
            f.SetField(field, v);
        // A difference against nothing has no number a map could class.
        if (std::isfinite(q.differenceDb)) f.SetField("difference_db", q.differenceDb);
        f.SetField("flag", q.flagged ? 1 : 0);
        f.SetField("band", q.band.c_str());
        f.SetField("timestamp", q.timestamp.c_str());
        f.SetField("instrument", q.instrument.c_str());
        f.SetField("assessed_source", measure::AssessedSource(q));
        f.SetField("reason", measure::FlagReason(q).c_str());
        OGRPoint at(q.lon, q.lat);
        f.SetGeometry(&at);
        if (l->CreateFeature(&f) != OGRERR_NONE) return false;
    }
    return true;
}

} // namespace brenvik::gis
