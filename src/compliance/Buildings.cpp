#include "compliance/Buildings.h"

#include "antenna/Adaptive.h"
#include "compliance/Csv.h"
#include "compliance/GeoJson.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/Units.h"
#include "geo/Geo.h"
#include "model/AtomicFile.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace brenvik::compliance {

namespace {

// Even-odd over every ring: a point in a courtyard crosses the outline and
// the courtyard's wall, and so lies outside.
bool Inside(const std::vector<std::vector<FloorPoint>>& rings, double x, double y) {
    bool in = false;
    for (const std::vector<FloorPoint>& ring : rings)
        for (std::size_t k = 0, j = ring.size() - 1; k < ring.size(); j = k++) {
            const FloorPoint &a = ring[k], &b = ring[j];
            if ((a.ym > y) != (b.ym > y) && x < (b.xm - a.xm) * (y - a.ym) / (b.ym - a.ym) + a.xm)
                in = !in;
        }
    return in;
}

std::string Number17(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v == 0.0 ? 0.0 : v);
    return buf;
}

} // namespace

render::Rgb PercentRgb(const Project&, double percent) {
    return render::RatioColour(percent);
}

render::RealPlaceMarks ExposureMarks(const Project& p, const std::vector<double>& inverse,
                                     Feedback* fb) {
    render::RealPlaceMarks m;
    Feedback never;
    const auto buildings = EvaluateBuildings(p, inverse, fb ? *fb : never);
    if (!buildings) return m;
    for (const BuildingValue& b : *buildings)
        m.buildingFill.push_back(PercentRgb(p, b.worstFloor().percent));
    for (const PlaceValue& v : EvaluatePlaces(p, inverse))
        m.placeLabel.push_back(FormatPercent(v.percent) + " %");
    return m;
}

std::string PercentColour(const Project& p, double percent) {
    return render::HexColour(PercentRgb(p, percent));
}

std::vector<FloorPoint> FloorPoints(const Project& p, const Building& b, const Feedback* cancel) {
    std::vector<std::vector<FloorPoint>> rings;
    const auto metres = [&](const std::vector<PlanVertex>& corners) {
        std::vector<FloorPoint> ring;
        for (const PlanVertex& v : corners)
            ring.push_back({v.x * p.MetersPerUnit, v.y * p.MetersPerUnit});
        return ring;
    };
    rings.push_back(metres(b.Outline));
    std::vector<FloorPoint> pts;
    if (rings[0].size() < 3) return pts;
    for (const auto& hole : b.Holes)
        if (hole.size() >= 3) rings.push_back(metres(hole));
    // A courtyard's walls are façades as much as the outline's.
    for (const std::vector<FloorPoint>& ring : rings)
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const FloorPoint &a = ring[k], &c = ring[(k + 1) % ring.size()];
            const double len = std::hypot(c.xm - a.xm, c.ym - a.ym);
            const int steps = std::max(1, static_cast<int>(std::ceil(len)));
            for (int s = 0; s < steps; ++s) {
                const double t = double(s) / steps;
                pts.push_back({a.xm + (c.xm - a.xm) * t, a.ym + (c.ym - a.ym) * t});
            }
        }
    const double step = p.CellSize * p.MetersPerUnit;
    if (step > 0.0) {
        const std::vector<FloorPoint>& outer = rings[0];
        double x0 = outer[0].xm, x1 = x0, y0 = outer[0].ym, y1 = y0;
        for (const FloorPoint& v : outer) {
            x0 = std::min(x0, v.xm);
            x1 = std::max(x1, v.xm);
            y0 = std::min(y0, v.ym);
            y1 = std::max(y1, v.ym);
        }
        for (double i = std::ceil(x0 / step); i * step <= x1; ++i) {
            if (cancel && cancel->isCanceled()) break;
            for (double j = std::ceil(y0 / step); j * step <= y1; ++j)
                if (Inside(rings, i * step, j * step)) pts.push_back({i * step, j * step});
        }
    }
    return pts;
}

BuildingValue EvaluateBuilding(const Project& p, const Building& b,
                               const std::vector<double>& inverse, const Feedback* cancel) {
    BuildingValue v;
    v.id = b.Id;
    v.name = b.Name;
    const std::vector<FloorPoint> pts = FloorPoints(p, b, cancel);
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    std::vector<double> zA(static_cast<std::size_t>(count) + 1);
    for (int s = 1; s <= count; ++s)
        zA[static_cast<std::size_t>(s)] = AntennaZ(p, s);
    antenna::EnvelopeCache envelopes; // one per array for every point
    std::vector<double> ground;
    ground.reserve(pts.size());
    for (const FloorPoint& q : pts)
        ground.push_back(GroundAt(p, q.xm, q.ym));
    for (int f = 0; f < b.floorCount(); ++f) {
        // A floor of a large footprint is many points times every antenna.
        if (cancel && cancel->isCanceled()) break;
        FloorValue fv;
        fv.floor = f;
        fv.baseM = b.BaseM + f * MetresPerFloor;
        fv.points = static_cast<int>(pts.size());
        double bestRatio = -1.0, bestS = -1.0;
        std::size_t at = 0;
        for (std::size_t k = 0; k < pts.size(); ++k) {
            const double z = ground[k] + fv.baseM + ReceptorAboveFloorM;
            double s = 0.0, r = 0.0;
            for (int a = 1; a <= count; ++a) {
                const double d = AntennaDensity(p, a, pts[k].xm, pts[k].ym,
                                                zA[static_cast<std::size_t>(a)], z, &envelopes);
                s += d;
                if (static_cast<std::size_t>(a) < inverse.size())
                    r += d * inverse[static_cast<std::size_t>(a)];
            }
            if (r > bestRatio || (r == bestRatio && s > bestS)) {
                bestRatio = r;
                bestS = s;
                at = k;
            }
        }
        if (!pts.empty()) {
            fv.sUw = bestS;
            fv.percent = 100.0 * bestRatio;
            fv.eVm = std::sqrt(bestS / 100.0 * FreeSpaceImpedance);
            const geo::Metres m{pts[at].xm, geo::VisibleHeight * p.MetersPerUnit - pts[at].ym};
            const geo::Cartesian c = geo::ToCartesian(p, m);
            const geo::Geographic g = geo::ToGeographic(p, m);
            fv.X = c.X;
            fv.Y = c.Y;
            fv.lon = g.lon;
            fv.lat = g.lat;
        }
        v.floors.push_back(fv);
    }
    for (std::size_t f = 1; f < v.floors.size(); ++f) {
        const FloorValue &w = v.floors[static_cast<std::size_t>(v.worst)], &c = v.floors[f];
        if (c.percent > w.percent || (c.percent == w.percent && c.sUw > w.sUw))
            v.worst = static_cast<int>(f);
    }
    return v;
}

std::optional<std::vector<BuildingValue>>
EvaluateBuildings(const Project& p, const std::vector<double>& inverse, Feedback& fb) {
    std::vector<BuildingValue> out;
    out.reserve(p.Buildings.size());
    const std::size_t n = p.Buildings.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (fb.isCanceled()) return std::nullopt;
        fb.setProgress(double(k) / double(n),
                       "building " + std::to_string(k + 1) + "/" + std::to_string(n));
        out.push_back(EvaluateBuilding(p, p.Buildings[k], inverse, &fb));
    }
    // The last building may have stopped part-way.
    if (fb.isCanceled()) return std::nullopt;
    return out;
}

std::string BuildingsCsv(const std::vector<BuildingValue>& values) {
    std::string out = "building,name,floor,base_m,s_uw_cm2,e_v_m,percent_of_limit,x_m,y_m,lon,lat,"
                      "worst\r\n";
    for (const BuildingValue& b : values)
        for (const FloorValue& f : b.floors) {
            out += CsvQuoted(b.id) + "," + CsvQuoted(b.name) + "," + std::to_string(f.floor);
            for (double d : {f.baseM, f.sUw, f.eVm, f.percent, f.X, f.Y, f.lon, f.lat})
                out += "," + Number17(d);
            out += f.floor == b.worst ? ",1\r\n" : ",0\r\n";
        }
    return out;
}

std::vector<LonLatRing> FootprintLonLat(const Project& p, const Building& b) {
    std::vector<LonLatRing> rings;
    const auto add = [&](const std::vector<PlanVertex>& corners) {
        LonLatRing out;
        for (const PlanVertex& v : corners) {
            const geo::Geographic g = geo::ToGeographic(
                p, {v.x * p.MetersPerUnit, (geo::VisibleHeight - v.y) * p.MetersPerUnit});
            out.emplace_back(g.lon, g.lat);
        }
        if (!out.empty()) out.push_back(out.front());
        rings.push_back(std::move(out));
    };
    add(b.Outline);
    for (const auto& hole : b.Holes)
        add(hole);
    return rings;
}

std::string BuildingsGeoJson(const Project& p, const std::vector<BuildingValue>& values) {
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < values.size() && k < p.Buildings.size(); ++k) {
        const BuildingValue& b = values[k];
        const FloorValue& w = b.worstFloor();
        nlohmann::ordered_json props;
        props["id"] = b.id;
        props["name"] = b.name;
        props["floors"] = b.floors.size();
        props["worst_floor"] = w.floor;
        props["s_uw_cm2"] = w.sUw;
        props["e_v_m"] = w.eVm;
        props["percent_of_limit"] = w.percent;
        props["fill"] = PercentColour(p, w.percent);
        nlohmann::ordered_json rings = nlohmann::ordered_json::array();
        for (const LonLatRing& r : FootprintLonLat(p, p.Buildings[k])) {
            nlohmann::ordered_json ring = nlohmann::ordered_json::array();
            for (const auto& [lon, lat] : r)
                ring.push_back({lon, lat});
            rings.push_back(std::move(ring));
        }
        features.push_back(
            GeoJsonFeature(std::move(props), {{"type", "Polygon"}, {"coordinates", rings}}));
    }
    return GeoJsonText("buildings", std::move(features));
}

bool SaveBuildingsFile(const Project& p, const std::vector<BuildingValue>& values,
                       const std::string& path) {
    std::string tail = path.size() >= 8 ? path.substr(path.size() - 8) : path;
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool json = tail == ".geojson" || tail.ends_with(".json");
    return WriteFileAtomically(path, json ? BuildingsGeoJson(p, values) : BuildingsCsv(values));
}

} // namespace brenvik::compliance
