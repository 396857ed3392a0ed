#include "gis/BuildingLayer.h"

#include "compliance/Buildings.h"
#include "compliance/Limits.h"
#include "geo/Geo.h"
#include "gis/NodeRaster.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"

#include <ogrsf_frmts.h>

namespace brenvik::gis {

namespace {

OGRLayer* LayerWithFields(GDALDataset& ds, const char* name, OGRwkbGeometryType type,
                          std::initializer_list<std::pair<const char*, OGRFieldType>> fields) {
    OGRSpatialReference srs = LonLatCrs();
    OGRLayer* layer = ds.CreateLayer(name, &srs, type, nullptr);
    if (!layer) return nullptr;
    for (auto [field, kind] : fields) {
        OGRFieldDefn d(field, kind);
        if (layer->CreateField(&d) != OGRERR_NONE) return nullptr;
    }
    return layer;
}

// A % of the limit is stated only when the standard gave every antenna its
// limit; otherwise the field stays empty rather than a false 0.
void SetPercent(OGRFeature& f, const SiteValues& v, double percent) {
    if (v.limited) f.SetField("percent_of_limit", percent);
}

} // namespace

SiteValues EvaluateSite(const Project& p, const Feedback* feedback) {
    SiteValues v;
    if (p.Buildings.empty() && p.Places.empty()) return v;
    const auto inv = compliance::InverseLimits(p, compliance::LoadLibrary().library,
                                               p.Compliance.Standard, p.Compliance.Group);
    v.limited = !inv.refusal;
    // A fine grid gives a building many points: a cancel is seen between
    // buildings.
    for (const Building& b : p.Buildings) {
        if (feedback && feedback->isCanceled()) throw GisFailure{{}, true};
        v.buildings.push_back(compliance::EvaluateBuilding(p, b, inv.inverse));
    }
    v.places = compliance::EvaluatePlaces(p, inv.inverse);
    for (const BuildingValue& b : v.buildings)
        v.fill.push_back(v.limited ? compliance::PercentRgb(p, b.worstFloor().percent)
                                   : render::Rgb{128, 128, 128});
    return v;
}

bool AddBuildingLayers(GDALDataset& ds, const Project& p, const SiteValues& v, bool floors) {
    OGRLayer* b = LayerWithFields(ds, "buildings", wkbPolygon,
                                  {{"id", OFTString},
                                   {"name", OFTString},
                                   {"floors", OFTInteger},
                                   {"worst_floor", OFTInteger},
                                   {"s_uw_cm2", OFTReal},
                                   {"e_v_m", OFTReal},
                                   {"percent_of_limit", OFTReal},
                                   {"fill", OFTString}});
    OGRLayer* f = !floors ? nullptr
                          : LayerWithFields(ds, "floors", wkbPoint,
                                            {{"id", OFTString},
                                             {"floor", OFTInteger},
                                             {"base_m", OFTReal},
                                             {"s_uw_cm2", OFTReal},
                                             {"e_v_m", OFTReal},
                                             {"percent_of_limit", OFTReal}});
    if (!b || (floors && !f)) return false;
    for (std::size_t k = 0; k < v.buildings.size() && k < p.Buildings.size(); ++k) {
        const BuildingValue& bv = v.buildings[k];
        const FloorValue& w = bv.worstFloor();
        OGRFeature feat(b->GetLayerDefn());
        feat.SetField("id", bv.id.c_str());
        feat.SetField("name", bv.name.c_str());
        feat.SetField("floors", static_cast<int>(bv.floors.size()));
        feat.SetField("worst_floor", w.floor);
        feat.SetField("s_uw_cm2", w.sUw);
        feat.SetField("e_v_m", w.eVm);
        SetPercent(feat, v, w.percent);
        const render::Rgb rgb = k < v.fill.size() ? v.fill[k] : render::Rgb{128, 128, 128};
        const std::string colour = hexColour({rgb.r, rgb.g, rgb.b});
        feat.SetField("fill", colour.c_str());
        feat.SetStyleString(("BRUSH(fc:" + colour + ");PEN(c:#000000)").c_str());
        OGRPolygon poly;
        for (const compliance::LonLatRing& r : compliance::FootprintLonLat(p, p.Buildings[k])) {
            OGRLinearRing ring;
            for (const auto& [lon, lat] : r)
                ring.addPoint(lon, lat);
            poly.addRing(&ring);
        }
        feat.SetGeometry(&poly);
        if (b->CreateFeature(&feat) != OGRERR_NONE) return false;
        if (!f) continue;
        for (const FloorValue& fl : bv.floors) {
            OGRFeature pt(f->GetLayerDefn());
            pt.SetField("id", bv.id.c_str());
            pt.SetField("floor", fl.floor);
            pt.SetField("base_m", fl.baseM);
            pt.SetField("s_uw_cm2", fl.sUw);
            pt.SetField("e_v_m", fl.eVm);
            SetPercent(pt, v, fl.percent);
            OGRPoint at(fl.lon, fl.lat);
            pt.SetGeometry(&at);
            if (f->CreateFeature(&pt) != OGRERR_NONE) return false;
        }
    }
    return true;
}

bool AddPlaceLayer(GDALDataset& ds, const SiteValues& v) {
    OGRLayer* l = LayerWithFields(ds, "places", wkbPoint,
                                  {{"name", OFTString},
                                   {"kind", OFTString},
                                   {"ground_m", OFTReal},
                                   {"height_m", OFTReal},
                                   {"s_uw_cm2", OFTReal},
                                   {"e_v_m", OFTReal},
                                   {"percent_of_limit", OFTReal},
                                   {"main_antenna", OFTString}});
    if (!l) return false;
    for (const compliance::PlaceValue& pv : v.places) {
        OGRFeature f(l->GetLayerDefn());
        f.SetField("name", pv.name.c_str());
        f.SetField("kind", pv.kind.c_str());
        f.SetField("ground_m", pv.groundM);
        f.SetField("height_m", pv.heightM);
        f.SetField("s_uw_cm2", pv.sUw);
        f.SetField("e_v_m", pv.eVm);
        SetPercent(f, v, pv.percent);
        if (!pv.antennas.empty()) f.SetField("main_antenna", pv.antennas.front().label.c_str());
        OGRPoint at(pv.lon, pv.lat);
        f.SetGeometry(&at);
        if (l->CreateFeature(&f) != OGRERR_NONE) return false;
    }
    return true;
}

std::optional<std::string> WriteBuildingsGpkg(const Project& p,
                                              const std::vector<BuildingValue>& values,
                                              const std::string& path) {
    ensureGdal();
    MemFile file("buildings.gpkg");
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName("GPKG");
    if (!drv) return std::string(msg::FileError);
    {
        GDALDatasetUniquePtr ds(drv->Create(file.path().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds) return std::string(msg::FileError);
        SiteValues v;
        v.buildings = values;
        for (const BuildingValue& b : values)
            v.fill.push_back(compliance::PercentRgb(p, b.worstFloor().percent));
        if (!AddBuildingLayers(*ds, p, v, true)) return std::string(msg::FileError);
    }
    const auto bytes = file.bytes();
    if (!bytes || !WriteFileAtomically(path, *bytes)) return std::string(msg::FileError);
    return std::nullopt;
}

std::vector<compliance::BoundaryOutline> LayerOutlines(const Project& p) {
    if (p.Exposure.Model != ExposureModel::FarField) return {};
    const compliance::LimitsResult limits =
        compliance::AntennaLimits(p, compliance::LoadLibrary().library);
    if (limits.refusal) return {};
    return compliance::BoundaryOutlines(p, limits.limitWm2);
}

bool AddBoundaryLayer(GDALDataset& ds, const Project& p,
                      const std::vector<compliance::BoundaryOutline>& outlines) {
    OGRLayer* layer = LayerWithFields(ds, "boundaries", wkbPolygon,
                                      {{"antenna", OFTString},
                                       {"site", OFTString},
                                       {"front_m", OFTReal},
                                       {"back_m", OFTReal},
                                       {"side_m", OFTReal},
                                       {"above_m", OFTReal},
                                       {"below_m", OFTReal},
                                       {"low_m", OFTReal},
                                       {"high_m", OFTReal},
                                       {"limit_w_m2", OFTReal}});
    if (!layer) return false;
    for (const compliance::BoundaryOutline& o : outlines) {
        OGRFeature f(layer->GetLayerDefn());
        f.SetField("antenna", compliance::NameText(p, o.slot).c_str());
        const std::string& site = p.Antennas[static_cast<std::size_t>(o.slot)].AntSite;
        f.SetField("site", (site.empty() ? p.Compliance.SiteName : site).c_str());
        const auto& e = o.extent;
        for (auto [name, v] : {std::pair{"front_m", e.front},
                               {"back_m", e.back},
                               {"side_m", e.side},
                               {"above_m", e.above},
                               {"below_m", e.below},
                               {"low_m", o.lowM},
                               {"high_m", o.highM},
                               {"limit_w_m2", o.limitWm2}})
            f.SetField(name, v);
        OGRLinearRing ring;
        for (const auto& [x, y] : o.ring) {
            const geo::Geographic g = geo::PlanToGeographic(p, x, y);
            ring.addPoint(g.lon, g.lat);
        }
        ring.closeRings();
        OGRPolygon poly;
        poly.addRing(&ring);
        f.SetGeometry(&poly);
        if (layer->CreateFeature(&f) != OGRERR_NONE) return false;
    }
    return true;
}

} // namespace brenvik::gis
