#include "gis/GisLayers.h"

#include "compliance/Summary.h"
#include "model/AntennaFields.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <gdal_alg.h>
#include <memory>

namespace brenvik::gis {

namespace {

std::string LevelsOption(double level) {
    return "FIXED_LEVELS=" + NumberText(level);
}

// A scratch vector layer for the Contour generator: field 0 the id, then
// the level (lines) or the band's bounds (polygons).
struct Scratch {
    GDALDatasetUniquePtr ds;
    OGRLayer* layer = nullptr;
};

Scratch ScratchLayer(OGRwkbGeometryType type) {
    Scratch s;
    s.ds.reset(GdalDriver("Memory").Create("", 0, 0, 0, GDT_Unknown, nullptr));
    if (!s.ds) FailWithGdalError("no scratch layer for the contours");
    s.layer = s.ds->CreateLayer("contour", nullptr, type, nullptr);
    if (!s.layer) FailWithGdalError("no scratch layer for the contours");
    OGRFieldDefn id("id", OFTInteger);
    s.layer->CreateField(&id);
    for (const char* name : {"a", "b"}) {
        OGRFieldDefn f(name, OFTReal);
        s.layer->CreateField(&f);
    }
    return s;
}

// Traces one level; a level that cannot be traced fails the whole export
// (a map silently missing a level would understate the exposure).
void Contour(const NodeRaster& r, GDALDataset& grid, OGRLayer* layer, double level,
             const std::vector<std::string>& options, ProgressSpan span, const char* label) {
    StopIfCancelled(r);
    std::vector<const char*> opts;
    for (const auto& o : options)
        opts.push_back(o.c_str());
    opts.push_back(nullptr);
    CPLErrorReset();
    GdalProgress progress(r.feedback, label, span);
    const CPLErr rc = GDALContourGenerateEx(
        GDALRasterBand::ToHandle(grid.GetRasterBand(1)), OGRLayer::ToHandle(layer),
        const_cast<char**>(opts.data()), progress.function(), progress.data());
    StopIfCancelled(r);
    if (rc != CE_None) FailWithGdalError("the contour at " + NumberText(level) + " failed");
}

// The polygons of a geometry, made valid, as one MultiPolygon.
// Slivers below `minArea` (a hundredth of a node's pixel) are left out: they
// carry no exposure worth mapping and would not survive the Coordinates'
// rounding in the files.
OGRGeometryUniquePtr ValidMultiPolygon(const OGRGeometry& g, double minArea) {
    OGRGeometryUniquePtr valid(OGRGeometryFactory::haveGEOS() ? g.MakeValid() : g.clone());
    if (!valid) return nullptr;
    auto multi = std::make_unique<OGRMultiPolygon>();
    auto take = [&multi, minArea](const OGRGeometry& part, auto& self) -> void {
        const auto type = wkbFlatten(part.getGeometryType());
        if (type == wkbPolygon) {
            if (part.toPolygon()->get_Area() >= minArea) multi->addGeometry(&part);
        } else if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
            for (const OGRGeometry* sub : *part.toGeometryCollection())
                self(*sub, self);
        }
    };
    take(*valid, take);
    if (multi->IsEmpty()) return nullptr;
    return OGRGeometryUniquePtr(multi.release());
}

OGRLayer* createLayer(GDALDataset& out, const char* name, OGRwkbGeometryType type,
                      CSLConstList options) {
    OGRSpatialReference srs = LonLatCrs();
    return out.CreateLayer(name, &srs, type, const_cast<char**>(options));
}

bool AddField(OGRLayer* layer, const char* name, OGRFieldType type) {
    OGRFieldDefn f(name, type);
    return layer->CreateField(&f) == OGRERR_NONE;
}

bool AddFeature(OGRLayer* layer, OGRFeature& f) {
    return layer->CreateFeature(&f) == OGRERR_NONE;
}

OGRPoint LonLatPoint(geo::Geographic g) {
    return OGRPoint(g.lon, g.lat);
}

} // namespace

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string NumberText(double v) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::vector<double> IsolineLevels(const Project& p, double maximum) {
    std::vector<double> out;
    const int count = std::min<int>(p.IsolineCount, static_cast<int>(p.XY.IsolineLevel.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        const double level = p.XY.IsolineLevel[static_cast<std::size_t>(k)];
        // An all-zero result has no levels to draw.
        // Nothing lies above the maximum itself: its level has neither a line
        // nor an area.
        if (!(level > 0.0) || !(level < maximum)) continue;
        if (std::find(out.begin(), out.end(), level) == out.end()) out.push_back(level);
    }
    return out;
}

std::vector<double> MapLevels(const Project& p, double maximum) {
    std::vector<double> out = IsolineLevels(p, maximum);
    for (const render::LegalNote& note : render::LegalNotes())
        if (note.limit > 0.0 && note.limit < maximum &&
            std::find(out.begin(), out.end(), note.limit) == out.end())
            out.push_back(note.limit);
    return out;
}

std::function<Colour(double)> levelColours(const Project& p, double maximum) {
    auto levels = std::make_shared<std::vector<double>>(MapLevels(p, maximum));
    auto colours = std::make_shared<std::vector<render::Rgb>>(render::LevelColours(*levels));
    return [levels, colours](double level) {
        const auto at = std::find(levels->begin(), levels->end(), level);
        if (at == levels->end()) return Colour{128, 128, 128};
        const render::Rgb c = (*colours)[static_cast<std::size_t>(at - levels->begin())];
        return Colour{c.r, c.g, c.b};
    };
}

std::vector<IsolineFeature> MakeIsolines(const Project& p, const NodeRaster& r, GDALDataset& grid,
                                         ProgressSpan span) {
    std::vector<IsolineFeature> out;
    const auto colourOf = levelColours(p, r.maximum);
    const std::vector<double> levels = IsolineLevels(p, r.maximum);
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const double level = levels[k];
        Scratch s = ScratchLayer(wkbLineString);
        Contour(r, grid, s.layer, level, {LevelsOption(level), "ID_FIELD=0", "ELEV_FIELD=1"},
                span.part(static_cast<int>(k), static_cast<int>(levels.size())), "isolines");
        for (auto& f : *s.layer) {
            const OGRGeometry* g = f->GetGeometryRef();
            if (!g || g->IsEmpty()) continue;
            out.push_back({level, colourOf(level), OGRGeometryUniquePtr(g->clone())});
        }
    }
    return out;
}

std::vector<ZoneFeature> MakeZones(const Project& p, const NodeRaster& r, GDALDataset& grid,
                                   ProgressSpan span) {
    struct Threshold {
        double value;
        std::string label;
    };
    std::vector<Threshold> thresholds;
    for (double level : IsolineLevels(p, r.maximum))
        thresholds.push_back({level, render::FormatDensity(level, 3)});
    for (const render::LegalNote& note : render::LegalNotes())
        thresholds.push_back({note.limit, note.text});

    std::vector<ZoneFeature> out;
    const auto colourOf = levelColours(p, r.maximum);
    const double minArea = std::fabs(r.affine[1] * r.affine[5]) / 100.0;
    const int parts = static_cast<int>(thresholds.size());
    for (int k = 0; k < parts; ++k) {
        const Threshold& t = thresholds[static_cast<std::size_t>(k)];
        if (!(t.value > 0.0) || !(t.value < r.maximum)) continue;
        Scratch s = ScratchLayer(wkbMultiPolygon);
        Contour(r, grid, s.layer, t.value,
                {LevelsOption(t.value), "ID_FIELD=0", "ELEV_FIELD_MIN=1", "ELEV_FIELD_MAX=2",
                 "POLYGONIZE=YES"},
                span.part(k, parts), "zones");
        // The band above the threshold; the one below starts lower.
        for (auto& f : *s.layer) {
            const OGRGeometry* g = f->GetGeometryRef();
            if (!g || f->GetFieldAsDouble(1) < t.value) continue;
            StopIfCancelled(r);
            OGRGeometryUniquePtr shape = ValidMultiPolygon(*g, minArea);
            if (!shape) continue;
            // The nodes above the threshold, as the compliance summary counts
            // them, so that a zone and its verdict give the same m^2.
            const double area = compliance::AreaAbove(p, p.XY.Density, t.value);
            out.push_back({t.value, r.maximum, t.label, area, colourOf(t.value), std::move(shape)});
        }
    }
    return out;
}

bool AddIsolineLayer(GDALDataset& out, const std::vector<IsolineFeature>& lines, bool simpleStyle,
                     CSLConstList options) {
    OGRLayer* layer = createLayer(out, "isolines", wkbLineString, options);
    if (!layer || !AddField(layer, "level", OFTReal) || !AddField(layer, "unit", OFTString))
        return false;
    if (simpleStyle && !AddField(layer, "stroke", OFTString)) return false;
    for (const IsolineFeature& l : lines) {
        OGRFeature f(layer->GetLayerDefn());
        f.SetField("level", l.level);
        f.SetField("unit", DensityUnit);
        if (simpleStyle) f.SetField("stroke", hexColour(l.colour).c_str());
        f.SetGeometry(l.line.get());
        if (!AddFeature(layer, f)) return false;
    }
    return true;
}

bool AddZoneLayer(GDALDataset& out, const std::vector<ZoneFeature>& zones, bool simpleStyle,
                  CSLConstList options) {
    OGRLayer* layer = createLayer(out, "zones", wkbMultiPolygon, options);
    if (!layer) return false;
    for (auto [name, type] :
         {std::pair{"min", OFTReal}, {"max", OFTReal}, {"label", OFTString}, {"area_m2", OFTReal}})
        if (!AddField(layer, name, type)) return false;
    if (simpleStyle &&
        (!AddField(layer, "stroke", OFTString) || !AddField(layer, "fill", OFTString) ||
         !AddField(layer, "fill-opacity", OFTReal)))
        return false;
    for (const ZoneFeature& z : zones) {
        OGRFeature f(layer->GetLayerDefn());
        f.SetField("min", z.min);
        f.SetField("max", z.max);
        f.SetField("label", z.label.c_str());
        f.SetField("area_m2", z.areaM2);
        if (simpleStyle) {
            const std::string c = hexColour(z.colour);
            f.SetField("stroke", c.c_str());
            f.SetField("fill", c.c_str());
            f.SetField("fill-opacity", 0.35);
        }
        f.SetGeometry(z.shape.get());
        if (!AddFeature(layer, f)) return false;
    }
    return true;
}

const char* AntennaTypeName(const Antenna& a) {
    switch (a.AntType) {
    case AntennaKind::Panel:
        return "BTS";
    case AntennaKind::Stick:
        return "DTS";
    case AntennaKind::None:
        break;
    }
    return "none"; // a type the program does not know: it radiates nothing
}

geo::Geographic AntennaLonLat(const Project& p, const Antenna& a) {
    // An antenna off its node is shown where it really stands.
    if (a.AntExact) return geo::ToGeographic(p, {a.AntExact->East, a.AntExact->North});
    return DrawingToLonLat(p, a.AntX * p.Zoom + p.ScrollOffsetX, a.AntY * p.Zoom + p.ScrollOffsetY);
}

geo::Geographic MaximumLonLat(const Project& p) {
    return DrawingToLonLat(p, p.XY.MaxPosX.toDouble(), p.XY.MaxPosY.toDouble());
}

bool AddAntennaLayer(GDALDataset& out, const Project& p, CSLConstList options) {
    OGRLayer* layer = createLayer(out, "antennas", wkbPoint, options);
    if (!layer) return false;
    for (auto [name, type] : {std::pair{"tower", OFTInteger},
                              {"antenna", OFTInteger},
                              {"type", OFTString},
                              {"erp_w", OFTReal},
                              {"direction", OFTReal},
                              {"tilt", OFTReal},
                              {"height_m", OFTReal},
                              {"label", OFTString},
                              {"frequency_mhz", OFTReal},
                              {"pattern", OFTString}})
        if (!AddField(layer, name, type)) return false;
    const int count = std::min<int>(p.AntennaCount, static_cast<int>(p.Antennas.size()) - 1);
    // The inventory's site and label, only when some antenna came with them,
    // so that a layer of hand-placed towers stays as it always was.
    bool named = false;
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        named = named || !a.AntSite.empty() || !a.AntLabel.empty();
    }
    if (named && (!AddField(layer, "site", OFTString) || !AddField(layer, "name", OFTString)))
        return false;
    // The antennas' names of their own (operator and the like), each only
    // when some antenna has one.
    std::vector<const AntennaFieldRow*> names;
    for (const AntennaFieldRow& r : AntennaFieldTable())
        if (r.inventory == InventoryPart::Own && r.text && AnyAntennaHas(p, r.id)) {
            if (!AddField(layer, r.column, OFTString)) return false;
            names.push_back(&r);
        }
    // The power factor and the ERP it leaves, only when some antenna is
    // assessed below its maximum.
    const bool reduced = AnyAntennaHas(p, AntennaField::PowerFactor);
    if (reduced &&
        (!AddField(layer, "power_factor", OFTReal) || !AddField(layer, "erp_reduced_w", OFTReal)))
        return false;
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        // Antennas are numbered on their tower, as the report names them.
        int onTower = 0;
        for (int m = 1; m <= k; ++m)
            if (p.Antennas[static_cast<std::size_t>(m)].AntTower == a.AntTower) ++onTower;
        OGRFeature f(layer->GetLayerDefn());
        f.SetField("tower", a.AntTower);
        f.SetField("antenna", onTower);
        const std::string label = "T" + std::to_string(a.AntTower) + " A" + std::to_string(onTower);
        f.SetField("label", label.c_str());
        if (named) {
            f.SetField("site", a.AntSite.c_str());
            f.SetField("name", a.AntLabel.c_str());
        }
        for (const AntennaFieldRow* r : names)
            f.SetField(r->column, FieldText(a, *r).c_str());
        f.SetField("frequency_mhz", a.AntFrequencyMHz);
        f.SetField("pattern", !a.AntPattern.empty() ? a.AntPattern.c_str()
                              : IsAdaptive(a)       ? "adaptive"
                                                    : "parametric");
        f.SetField("type", AntennaTypeName(a));
        f.SetField("erp_w", a.AntPower);
        if (reduced) {
            f.SetField("power_factor", AntennaPowerFactor(a));
            f.SetField("erp_reduced_w", AssessedPowerW(a));
        }
        f.SetField("direction", a.AntDirection);
        f.SetField("tilt", a.AntTilt);
        f.SetField("height_m", a.AntHeight);
        OGRPoint pt = LonLatPoint(AntennaLonLat(p, a));
        f.SetGeometry(&pt);
        if (!AddFeature(layer, f)) return false;
    }
    return true;
}

bool AddMaximumLayer(GDALDataset& out, const Project& p, CSLConstList options) {
    OGRLayer* layer = createLayer(out, "maximum", wkbPoint, options);
    if (!layer || !AddField(layer, "value", OFTReal) || !AddField(layer, "unit", OFTString))
        return false;
    OGRFeature f(layer->GetLayerDefn());
    f.SetField("value", p.XY.MaxDensity);
    f.SetField("unit", DensityUnit);
    OGRPoint pt = LonLatPoint(MaximumLonLat(p));
    f.SetGeometry(&pt);
    return AddFeature(layer, f);
}

} // namespace brenvik::gis
