#include "gis/BuildingImport.h"

#include "geo/Geo.h"
#include "gis/NodeRaster.h"
#include "gis/Terrain.h"
#include "model/InputFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <memory>
#include <ogrsf_frmts.h>

namespace brenvik::gis {

namespace {

struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* t) const {
        OGRCoordinateTransformation::DestroyCT(t);
    }
};

// A tag of the feature: its own field, else the "other_tags" list of a
// layer read from OpenStreetMap ("building:levels"=>"4","roof:shape"=>"flat").
// Nothing when the feature does not carry it or leaves it empty.
std::optional<std::string> Tag(OGRFeature& f, const char* key) {
    const int k = f.GetFieldIndex(key);
    if (k >= 0) {
        if (!f.IsFieldSetAndNotNull(k)) return std::nullopt;
        std::string v = f.GetFieldAsString(k);
        return v.empty() ? std::nullopt : std::optional<std::string>(v);
    }
    const int o = f.GetFieldIndex("other_tags");
    if (o < 0 || !f.IsFieldSetAndNotNull(o)) return std::nullopt;
    const std::string tags = f.GetFieldAsString(o);
    const std::string lead = "\"" + std::string(key) + "\"=>\"";
    for (std::size_t at = tags.find(lead); at != std::string::npos; at = tags.find(lead, at + 1)) {
        if (at > 0 && tags[at - 1] != ',') continue; // the end of another value
        std::string v;
        for (std::size_t c = at + lead.size(); c < tags.size() && tags[c] != '"'; ++c)
            v += tags[c] == '\\' && c + 1 < tags.size() ? tags[++c] : tags[c];
        return v.empty() ? std::nullopt : std::optional<std::string>(v);
    }
    return std::nullopt;
}

// A length attribute: a number, optionally followed by "m", read the same
// whatever the language the program runs in. Nothing when the feature has no
// such tag or leaves it empty; `bad` when it does not read.
std::optional<double> Metres(OGRFeature& f, const char* field, bool& bad) {
    const int k = f.GetFieldIndex(field);
    if (k >= 0 && f.IsFieldSetAndNotNull(k)) {
        const OGRFieldType t = f.GetFieldDefnRef(k)->GetType();
        if (t == OFTReal || t == OFTInteger || t == OFTInteger64) return f.GetFieldAsDouble(k);
    }
    std::string s = Tag(f, field).value_or("");
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    if (!s.empty() && s.back() == 'm') s.pop_back();
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    s = s.substr(b);
    if (s.empty()) return std::nullopt;
    double v = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) {
        bad = true;
        return std::nullopt;
    }
    return v;
}

std::string Text(OGRFeature& f, const char* field) {
    return Tag(f, field).value_or("");
}

// A layer of points or lines (the nodes and roads of a file made from
// OpenStreetMap) holds no footprint.
bool HoldsNoAreas(OGRLayer& layer) {
    const OGRwkbGeometryType t = wkbFlatten(layer.GetGeomType());
    return t == wkbPoint || t == wkbMultiPoint || t == wkbLineString || t == wkbMultiLineString;
}

// Where the layer tags its features with "building" (OpenStreetMap), only
// those tagged so, and not "no", are buildings; the others (parks, land use)
// are no part of the import.
bool NotABuilding(OGRLayer& layer, OGRFeature& f) {
    if (layer.GetLayerDefn()->GetFieldIndex("building") < 0) return false;
    const std::string b = Text(f, "building");
    return b.empty() || b == "no";
}

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// A number of the feature outside its sane range: nothing when every one
// read lies inside. Heights above the tallest towers and levels above the
// tallest buildings are faults of the file, and would make the evaluation
// run for hours.
// Every polygon in a geometry that MakeValid gave back (a polygon, several,
// or a collection that also holds the lines a footprint collapsed to).
void PolygonsOf(const OGRGeometry& g, std::vector<const OGRPolygon*>& out) {
    const auto flat = wkbFlatten(g.getGeometryType());
    if (flat == wkbPolygon) {
        out.push_back(g.toPolygon());
    } else if (flat == wkbMultiPolygon || flat == wkbGeometryCollection) {
        for (const OGRGeometry* part : *g.toGeometryCollection())
            PolygonsOf(*part, out);
    }
}

std::optional<std::string> OutOfRange(const char* field, const std::optional<double>& v,
                                      double most, const char* unit) {
    if (!v || (*v >= -most && *v <= most)) return std::nullopt;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", *v);
    return std::string(field) + " " + buf + " is beyond " + std::to_string(int(most)) + unit;
}

// A footprint's attributes: its heights from the tags, its id and name;
// none when a value is refused (the reason goes to `bad`).
std::optional<Building> Attributes(OGRFeature& f, double defaultHeightM, bool& guessed,
                                   const std::function<void(const std::string&)>& bad) {
    bool badNumber = false;
    const auto height = Metres(f, "height", badNumber);
    const auto levels = Metres(f, "building:levels", badNumber);
    const auto minHeight = Metres(f, "min_height", badNumber);
    const auto minLevel = Metres(f, "min_level", badNumber);
    if (badNumber) {
        bad("height, building:levels, min_height or min_level is not a number");
        return std::nullopt;
    }
    std::optional<std::string> range;
    for (auto r : {OutOfRange("height", height, MaxBuildingHeightM, " m"),
                   OutOfRange("min_height", minHeight, MaxBuildingHeightM, " m"),
                   OutOfRange("building:levels", levels, MaxBuildingLevels, " floors"),
                   OutOfRange("min_level", minLevel, MaxBuildingLevels, " floors")})
        if (r && !range) range = r;
    if (range) {
        bad(*range);
        return std::nullopt;
    }
    Building b;
    guessed = !height && !levels;
    b.BaseM = minHeight ? *minHeight : minLevel ? *minLevel * MetresPerFloor : 0.0;
    // Without a height, a part raised above the ground (a bridge, an
    // upper storey) stands the default height over its own base.
    b.HeightM = height   ? *height
                : levels ? *levels * MetresPerFloor
                         : (b.BaseM >= defaultHeightM ? b.BaseM : 0.0) + defaultHeightM;
    if (!(b.HeightM > b.BaseM) || b.BaseM < 0.0) {
        bad("its height is not above its base");
        return std::nullopt;
    }
    b.Id = Text(f, "id");
    if (b.Id.empty()) b.Id = Text(f, "@id");
    if (b.Id.empty() && !Text(f, "osm_way_id").empty()) b.Id = "way/" + Text(f, "osm_way_id");
    if (b.Id.empty()) b.Id = Text(f, "osm_id");
    if (b.Id.empty()) b.Id = std::to_string(f.GetFID());
    for (char& c : b.Id)
        if (c == ',' || IsControl(c)) c = ';';
    b.Name = Text(f, "name");
    if (std::any_of(b.Name.begin(), b.Name.end(), IsControl)) {
        bad("its name holds a control character");
        return std::nullopt;
    }
    return b;
}

// Twice the signed area of an outline and its centroid; the area is 0 for
// a degenerate one.
struct Centroid {
    double x = 0, y = 0, area2 = 0;
};

Centroid CentroidOf(const std::vector<PlanVertex>& outline) {
    Centroid c;
    const int n = static_cast<int>(outline.size());
    for (int k = 0; k < n; ++k) {
        const PlanVertex& a = outline[std::size_t(k)];
        const PlanVertex& b = outline[std::size_t((k + 1) % n)];
        const double cross = a.x * b.y - b.x * a.y;
        c.area2 += cross;
        c.x += (a.x + b.x) * cross;
        c.y += (a.y + b.y) * cross;
    }
    if (std::fabs(c.area2) > 1e-12) {
        c.x /= 3 * c.area2;
        c.y /= 3 * c.area2;
    }
    return c;
}

// "N buildings off the plan skipped: a, b, ..." with the first ten names.
std::string CountedNames(int count, const char* one, const char* many,
                         const std::vector<std::string>& names) {
    std::string text = std::to_string(count) + (count == 1 ? one : many);
    for (std::size_t k = 0; k < names.size(); ++k)
        text += (k ? ", " : "") + names[k];
    if (count > 10) text += ", ...";
    return text;
}

// One import's reading: each layer's features taken to the plan, the
// problems listed, the footprints found.
class BuildingReader {
  public:
    BuildingReader(const Project& p, double defaultHeightM, BuildingsImport& out)
        : p_(p), defaultHeightM_(defaultHeightM), out_(out), right_(double(p.GridNX) * p.CellSize),
          bottom_(double(p.GridNY) * p.CellSize) {}

    // False when cancelled.
    bool Layer(OGRLayer& layer, bool osm, const Feedback* feedback) {
        const std::string lname = QuoteCut(layer.GetName());
        const OGRSpatialReference* crs = layer.GetSpatialRef();
        if (!crs) {
            problems.push_back("layer " + lname + " has no coordinate reference system");
            return true;
        }
        OGRSpatialReference from(*crs), lonLat = LonLatCrs();
        from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        toLonLat_.reset(OGRCreateCoordinateTransformation(&from, &lonLat));
        if (!toLonLat_) {
            problems.push_back("layer " + lname +
                               ": its CRS cannot be taken to longitude/latitude");
            return true;
        }
        // An OpenStreetMap file's relations other than areas (routes,
        // restrictions) hold no footprint either.
        if (HoldsNoAreas(layer) || (osm && lname == "other_relations")) return true;
        layer.ResetReading();
        for (auto& f : layer) {
            // A country's extract holds millions of features.
            if (feedback && feedback->isCanceled()) return false;
            if (!NotABuilding(layer, *f)) Feature(lname, *f);
        }
        return true;
    }

    // The refusal when anything was refused or nothing found; else the
    // buildings and the notes of what was skipped or mended.
    void Finish(const std::string& head) {
        if (problems.empty() && found_.empty())
            problems.push_back(out_.skipped ? "every building lies off the plan"
                                            : "it holds no building");
        if (!problems.empty()) {
            out_.refusal = head.substr(0, head.size() - 1);
            for (std::size_t k = 0; k < problems.size() && k < 20; ++k)
                *out_.refusal += "\n" + problems[k];
            if (problems.size() > 20)
                *out_.refusal += "\n... and " + std::to_string(problems.size() - 20) + " more";
            return;
        }
        if (out_.skipped)
            out_.note = CountedNames(out_.skipped, " building off the plan skipped: ",
                                     " buildings off the plan skipped: ", skippedIds_);
        if (repaired_) {
            if (!out_.note.empty()) out_.note += "\n";
            out_.note +=
                CountedNames(repaired_, " footprint crossed itself and was repaired: ",
                             " footprints crossed themselves and were repaired: ", repairedIds_);
        }
        out_.buildings = std::move(found_);
    }

    std::vector<std::string> problems;

  private:
    void Feature(const std::string& lname, OGRFeature& f) {
        const std::string where = "layer " + lname + ", feature " + std::to_string(f.GetFID());
        const auto bad = [&](const std::string& why) { problems.push_back(where + ": " + why); };
        const OGRGeometry* g = f.GetGeometryRef();
        if (!g) return bad("it has no geometry");
        std::vector<const OGRPolygon*> polys;
        const auto flat = wkbFlatten(g->getGeometryType());
        if (flat == wkbPolygon) {
            polys.push_back(g->toPolygon());
        } else if (flat == wkbMultiPolygon) {
            for (const OGRPolygon* part : *g->toMultiPolygon())
                polys.push_back(part);
        } else {
            return bad(std::string("its geometry is a ") + g->getGeometryName() +
                       ", not a polygon");
        }
        bool guessed = false;
        const std::optional<Building> b = Attributes(f, defaultHeightM_, guessed, bad);
        if (!b) return;
        // A footprint that crosses itself (a figure eight, a courtyard
        // touching its wall) is mended into the polygons it outlines, and
        // the user told which; one that cannot be is refused. (Without GEOS,
        // GDAL calls every geometry invalid and mends none: the footprints
        // are then taken as the file gives them.)
        std::unique_ptr<OGRGeometry> mended;
        if (OGRGeometryFactory::haveGEOS() && !g->IsValid()) {
            mended.reset(g->MakeValid());
            polys.clear();
            if (mended) PolygonsOf(*mended, polys);
            if (polys.empty())
                return bad("building " + QuoteCut(b->Id) +
                           ": its footprint is not a valid polygon and "
                           "cannot be repaired");
            if (repairedIds_.size() < 10) repairedIds_.push_back(QuoteCut(b->Id));
            ++repaired_;
        }
        int part = 0;
        for (const OGRPolygon* poly : polys) {
            Building one = *b;
            if (polys.size() > 1) one.Id += "#" + std::to_string(++part);
            if (!Part(*poly, one, bad)) break;
            if (one.Outline.empty()) continue; // off the plan
            if (guessed) ++out_.defaultHeight;
            found_.push_back(std::move(one));
        }
    }

    // One polygon of a footprint on the plan; false when it is refused, an
    // empty outline when it lies off the plan.
    bool Part(const OGRPolygon& poly, Building& one,
              const std::function<void(const std::string&)>& bad) {
        const OGRLinearRing* ring = poly.getExteriorRing();
        if (!ring || ring->getNumPoints() < 4) {
            bad("a polygon has fewer than three corners");
            return false;
        }
        bool failed = !ToPlan(*ring, one.Outline);
        for (int h = 0; !failed && h < poly.getNumInteriorRings(); ++h) {
            const OGRLinearRing* inner = poly.getInteriorRing(h);
            if (!inner || inner->getNumPoints() < 4) continue;
            one.Holes.emplace_back();
            failed = !ToPlan(*inner, one.Holes.back());
        }
        if (failed) {
            bad("a corner cannot be taken to longitude/latitude");
            return false;
        }
        const Centroid c = CentroidOf(one.Outline);
        if (!(std::fabs(c.area2) > 1e-12)) {
            bad("a polygon has no area");
            return false;
        }
        if (!(c.x >= 0 && c.y >= 0 && c.x <= right_ && c.y <= bottom_)) {
            if (++out_.skipped <= 10) skippedIds_.push_back(QuoteCut(one.Id));
            one.Outline.clear();
            return true;
        }
        // A footprint kilometres wide is no building (a region's outline
        // tagged by mistake), and its floors would hold more points than
        // memory.
        if (const auto why = FootprintRefusal(p_, one)) {
            bad("building " + QuoteCut(one.Id) +
                (one.Name.empty() ? "" : " '" + QuoteCut(one.Name) + "'") + ": " + *why);
            return false;
        }
        return true;
    }

    // A ring's corners on the plan, the closing corner dropped.
    bool ToPlan(const OGRLinearRing& ring, std::vector<PlanVertex>& corners) {
        int n = ring.getNumPoints();
        if (n > 1 && ring.getX(0) == ring.getX(n - 1) && ring.getY(0) == ring.getY(n - 1)) --n;
        for (int k = 0; k < n; ++k) {
            double x = ring.getX(k), y = ring.getY(k);
            if (!toLonLat_->Transform(1, &x, &y) || !std::isfinite(x) || !std::isfinite(y))
                return false;
            const geo::Metres m = geo::FromGeographic(p_, {x, y});
            corners.push_back(
                {m.dx / p_.MetersPerUnit, geo::VisibleHeight - m.dy / p_.MetersPerUnit});
        }
        return true;
    }

    const Project& p_;
    double defaultHeightM_;
    BuildingsImport& out_;
    double right_, bottom_;
    std::unique_ptr<OGRCoordinateTransformation, TransformDeleter> toLonLat_;
    std::vector<Building> found_;
    std::vector<std::string> skippedIds_;  // the first ten
    std::vector<std::string> repairedIds_; // the first ten
    int repaired_ = 0;
};

} // namespace

BuildingsImport ReadBuildings(const Project& p, const std::string& path, double defaultHeightM,
                              const Feedback* feedback) {
    BuildingsImport out;
    const std::string head = "Buildings not imported from " + path + ": ";
    // GDAL would wait on a pipe, or read a device, without end.
    if (auto refused = InputFileRefusal(path)) {
        out.refusal = head + *refused;
        return out;
    }
    ensureGdal();
    const std::vector<std::string> drivers = InputDrivers(false);
    std::vector<const char*> allowed;
    for (const std::string& d : drivers)
        allowed.push_back(d.c_str());
    allowed.push_back(nullptr);
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                              allowed.data(), nullptr));
    if (!ds) {
        out.refusal = head + "OGR cannot read it as a vector file";
        return out;
    }
    BuildingReader reader(p, defaultHeightM, out);
    const bool osm = ds->GetDriver() && std::string(ds->GetDriver()->GetDescription()) == "OSM";
    for (OGRLayer* layer : ds->GetLayers())
        if (!reader.Layer(*layer, osm, feedback)) {
            out.refusal = head + "cancelled";
            return out;
        }
    reader.Finish(head);
    return out;
}

std::optional<std::string> FootprintRefusal(const Project& p, const Building& b) {
    if (b.Outline.empty()) return std::nullopt;
    double x0 = b.Outline[0].x, x1 = x0, y0 = b.Outline[0].y, y1 = y0;
    for (const PlanVertex& v : b.Outline) {
        x0 = std::min(x0, v.x);
        x1 = std::max(x1, v.x);
        y0 = std::min(y0, v.y);
        y1 = std::max(y1, v.y);
    }
    const double w = (x1 - x0) * p.MetersPerUnit, h = (y1 - y0) * p.MetersPerUnit;
    if (!(w <= MaxFootprintM && h <= MaxFootprintM))
        return "its footprint is wider than " + std::to_string(int(MaxFootprintM)) + " m";
    // The evaluation holds a floor's points at once: one point per metre of
    // outline and one per cell of the plan inside it.
    const double step = p.CellSize * p.MetersPerUnit;
    const double lattice = step > 0.0 ? (w / step + 1.0) * (h / step + 1.0) : 0.0;
    if (lattice + 4.0 * MaxFootprintM > MaxFloorPoints)
        return "its footprint holds too many points of the plan's grid";
    return std::nullopt;
}

BuildingHeightAnswer BuildingHeightAccept(const std::string& text,
                                          const compliance::NumberParse& parse) {
    const std::optional<double> h = parse ? parse(text) : std::nullopt;
    if (!h || !std::isfinite(*h) || *h < 1.0 || *h > 500.0)
        return {std::nullopt, "The building height must be a number of metres from 1 to 500."};
    return {*h, {}};
}

} // namespace brenvik::gis
