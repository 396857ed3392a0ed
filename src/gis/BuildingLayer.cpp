#include "gis/BuildingLayer.h"

#include "geo/Geo.h"
#include "gis/NodeRaster.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"

#include <ogrsf_frmts.h>

namespace brenvik::gis {

std::optional<std::string> writeBuildingsGpkg(const Project& p,
                                              const std::vector<BuildingValue>& values,
                                              const std::vector<std::string>& fill,
                                              const std::string& path) {
    ensureGdal();
    MemFile file("buildings.gpkg");
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName("GPKG");
    if (!drv) return std::string(msg::FileError);
    {
        GDALDatasetUniquePtr ds(drv->Create(file.path().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds) return std::string(msg::FileError);
        OGRSpatialReference srs = lonLatCrs();
        OGRLayer* b = ds->CreateLayer("buildings", &srs, wkbPolygon, nullptr);
        OGRLayer* f = ds->CreateLayer("floors", &srs, wkbPoint, nullptr);
        if (!b || !f) return std::string(msg::FileError);
        for (auto [name, type] : {std::pair{"id", OFTString},
                                  {"name", OFTString},
                                  {"floors", OFTInteger},
                                  {"worst_floor", OFTInteger},
                                  {"s_uw_cm2", OFTReal},
                                  {"e_v_m", OFTReal},
                                  {"percent_of_limit", OFTReal},
                                  {"fill", OFTString}}) {
            OGRFieldDefn d(name, type);
            if (b->CreateField(&d) != OGRERR_NONE) return std::string(msg::FileError);
        }
        for (auto [name, type] : {std::pair{"id", OFTString},
                                  {"floor", OFTInteger},
                                  {"base_m", OFTReal},
                                  {"s_uw_cm2", OFTReal},
                                  {"e_v_m", OFTReal},
                                  {"percent_of_limit", OFTReal}}) {
            OGRFieldDefn d(name, type);
            if (f->CreateField(&d) != OGRERR_NONE) return std::string(msg::FileError);
        }
        if (ds->StartTransaction() != OGRERR_NONE) return std::string(msg::FileError);
        for (std::size_t k = 0; k < values.size() && k < p.Buildings.size(); ++k) {
            const BuildingValue& v = values[k];
            const FloorValue& w = v.worstFloor();
            OGRFeature feat(b->GetLayerDefn());
            feat.SetField("id", v.id.c_str());
            feat.SetField("name", v.name.c_str());
            feat.SetField("floors", static_cast<int>(v.floors.size()));
            feat.SetField("worst_floor", w.floor);
            feat.SetField("s_uw_cm2", w.sUw);
            feat.SetField("e_v_m", w.eVm);
            feat.SetField("percent_of_limit", w.percent);
            const std::string colour = k < fill.size() ? fill[k] : "#808080";
            feat.SetField("fill", colour.c_str());
            feat.SetStyleString(("BRUSH(fc:" + colour + ");PEN(c:#000000)").c_str());
            OGRLinearRing ring;
            for (const PlanVertex& c : p.Buildings[k].Outline) {
                const geo::Geographic g = geo::ToGeographic(
                    p, {c.x * p.MetersPerUnit, (geo::VisibleHeight - c.y) * p.MetersPerUnit});
                ring.addPoint(g.lon, g.lat);
            }
            ring.closeRings();
            OGRPolygon poly;
            poly.addRing(&ring);
            feat.SetGeometry(&poly);
            if (b->CreateFeature(&feat) != OGRERR_NONE) return std::string(msg::FileError);
            for (const FloorValue& fl : v.floors) {
                OGRFeature pt(f->GetLayerDefn());
                pt.SetField("id", v.id.c_str());
                pt.SetField("floor", fl.floor);
                pt.SetField("base_m", fl.baseM);
                pt.SetField("s_uw_cm2", fl.sUw);
                pt.SetField("e_v_m", fl.eVm);
                pt.SetField("percent_of_limit", fl.percent);
                OGRPoint at(fl.lon, fl.lat);
                pt.SetGeometry(&at);
                if (f->CreateFeature(&pt) != OGRERR_NONE) return std::string(msg::FileError);
            }
        }
        if (ds->CommitTransaction() != OGRERR_NONE) return std::string(msg::FileError);
    }
    const auto bytes = file.bytes();
    if (!bytes || !WriteFileAtomically(path, *bytes)) return std::string(msg::FileError);
    return std::nullopt;
}

} // namespace brenvik::gis
