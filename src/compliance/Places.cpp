#include "compliance/Places.h"

#include "antenna/Adaptive.h"
#include "calc/Exposure.h"
#include "calc/Ground.h"
#include "calc/PowerDensity.h"
#include "compliance/Csv.h"
#include "compliance/GeoJson.h"
#include "compliance/Limits.h"
#include "compliance/Units.h"
#include "geo/DemHeight.h"
#include "geo/Geo.h"
#include "model/AtomicFile.h"
#include "model/InputFile.h"
#include "model/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace brenvik::compliance {

namespace {

enum Column { Name, Lon, Lat, Xm, Ym, Height, Kind, Count };
constexpr std::array<const char*, Count> kHeader{"name", "lon",      "lat", "x_m",
                                                 "y_m",  "height_m", "kind"};

// A drawing position lies on the plan when the calculation's ground grid
// covers it.
bool OnPlan(const Project& p, double x, double y) {
    return x >= 0.0 && y >= 0.0 && x <= double(p.GridNX) * p.CellSize &&
           y <= double(p.GridNY) * p.CellSize && GroundCellAtUnits(p, x, y).has_value();
}

std::string Number17(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v == 0.0 ? 0.0 : v);
    return buf;
}

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;

// A places file is a table of a few thousand rows at most; anything larger
// is not one.
constexpr std::uintmax_t MaxPlacesFileBytes = 64u << 20;

// A tab, a carriage return or any other control character in a name would
// break the project file's lines and the exports' fields.
bool HasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

} // namespace

PlanPoint DrawingFromCartesian(const Project& p, double X, double Y) {
    const double dx = X - p.OriginX, dy = Y - p.OriginY;
    return {dx / p.MetersPerUnit, geo::VisibleHeight - dy / p.MetersPerUnit};
}

std::vector<PlaceRow> PlacesFormLoad(const Project& p, const NumberFormat& format) {
    std::vector<PlaceRow> rows;
    for (const Place& pl : p.Places) {
        const geo::Cartesian c = geo::ToCartesian(
            p, {pl.X * p.MetersPerUnit, (geo::VisibleHeight - pl.Y) * p.MetersPerUnit});
        rows.push_back({pl.Name, pl.Kind, format(c.X), format(c.Y), format(pl.HeightM)});
    }
    return rows;
}

std::optional<std::string> PlacesFormAccept(Project& p, const std::vector<PlaceRow>& rows,
                                            const NumberParse& parse) {
    std::vector<Place> places;
    std::vector<std::string> problems;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const PlaceRow& r = rows[k];
        const std::string at = "row " + std::to_string(k + 1) + ": ";
        const auto x = parse(r.x), y = parse(r.y), h = parse(r.height);
        Place pl;
        pl.Name = r.name;
        pl.Kind = r.kind;
        if (r.name.empty()) problems.push_back(at + "the name is missing");
        if (r.name.find_first_of("\r\n") != std::string::npos ||
            r.kind.find_first_of(",\r\n") != std::string::npos)
            problems.push_back(at + "the name or kind holds a line break, or the kind a comma");
        if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y)) {
            problems.push_back(at + "x or y is not a number");
        } else {
            const PlanPoint d = DrawingFromCartesian(p, *x, *y);
            if (!OnPlan(p, d.x, d.y)) problems.push_back(at + "the position is off the plan");
            pl.X = d.x;
            pl.Y = d.y;
        }
        if (!h || !std::isfinite(*h) || *h < 0.0)
            problems.push_back(at + "the height is not a number of metres from 0 up");
        else
            pl.HeightM = *h;
        places.push_back(std::move(pl));
    }
    if (!problems.empty()) {
        std::string m = "Places not changed:";
        for (const std::string& s : problems)
            m += "\n" + s;
        return m;
    }
    // A row left as loaded keeps its exact position, not the one its
    // rounded text gives back.
    for (std::size_t k = 0; k < places.size() && k < p.Places.size(); ++k)
        if (places[k].Name == p.Places[k].Name && std::fabs(places[k].X - p.Places[k].X) < 1e-3 &&
            std::fabs(places[k].Y - p.Places[k].Y) < 1e-3) {
            places[k].X = p.Places[k].X;
            places[k].Y = p.Places[k].Y;
        }
    p.Places = std::move(places);
    return std::nullopt;
}

namespace {

// Finds each known column in the header row; a column not there stays at -1.
std::array<int, Count> ReadPlacesHeader(const std::vector<std::string>& f) {
    std::array<int, Count> at{};
    at.fill(-1);
    for (std::size_t k = 0; k < f.size(); ++k)
        for (int c = 0; c < Count; ++c)
            if (f[k] == kHeader[static_cast<std::size_t>(c)])
                at[static_cast<std::size_t>(c)] = static_cast<int>(k);
    return at;
}

// Reads one row into `pl`, saying in `why` what is wrong with it; gives the
// row's position on the drawing when it has one.
std::optional<PlanPoint> ReadPlaceRow(const Project& p, const std::vector<std::string>& f,
                                      const std::array<int, Count>& at, Place& pl,
                                      std::vector<std::string>& why) {
    const auto text = [&](Column c) -> std::string {
        const int k = at[c];
        return k >= 0 && k < static_cast<int>(f.size()) ? f[static_cast<std::size_t>(k)] : "";
    };
    const auto num = [&](Column c) -> std::optional<double> {
        const std::string t = text(c);
        if (t.empty()) {
            why.push_back(std::string(kHeader[c]) + " is missing");
            return std::nullopt;
        }
        const auto v = ParseFileDouble(t);
        if (!v || !std::isfinite(*v)) {
            why.push_back(std::string(kHeader[c]) + " '" + QuoteCut(t) + "' is not a number");
            return std::nullopt;
        }
        return v;
    };
    pl.Name = text(Name);
    if (pl.Name.empty()) why.push_back("name is missing");
    if (HasControl(pl.Name)) why.push_back("name holds a control character");
    pl.Kind = text(Kind);
    if (pl.Kind.find(',') != std::string::npos) why.push_back("kind holds a comma");
    if (HasControl(pl.Kind)) why.push_back("kind holds a control character");
    if (const auto h = num(Height)) {
        if (*h < 0.0) why.push_back("height_m is negative");
        if (*h > MaxPlaceHeightM) why.push_back("height_m is above 1000 m");
        pl.HeightM = *h;
    }
    std::optional<PlanPoint> pos;
    if (!text(Xm).empty() || !text(Ym).empty()) {
        const auto x = num(Xm), y = num(Ym);
        if (x && y) pos = DrawingFromCartesian(p, *x, *y);
    } else if (!text(Lon).empty() || !text(Lat).empty()) {
        const auto lon = num(Lon), lat = num(Lat);
        if (lon && lat) {
            if (std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
                why.push_back("lon/lat is not a position on the earth");
            const geo::Metres m = geo::FromGeographic(p, {*lon, *lat});
            pos = PlanPoint{m.dx / p.MetersPerUnit, geo::VisibleHeight - m.dy / p.MetersPerUnit};
        }
    } else {
        why.push_back("no position (lon/lat or x_m/y_m)");
    }
    return pos;
}

// The refusal listing the file's problems.
std::string PlacesRefusal(const std::string& head, const std::vector<std::string>& problems) {
    // The first twenty say enough; a file of bad lines gives no endless message.
    std::string m = head;
    for (std::size_t k = 0; k < problems.size() && k < 20; ++k)
        m += "\n" + problems[k];
    if (problems.size() > 20) m += "\n... and " + std::to_string(problems.size() - 20) + " more";
    return m;
}

// The note naming the lines of places skipped for lying off the plan.
std::string OffPlanNote(const std::vector<int>& offPlan) {
    std::string note = std::to_string(offPlan.size()) +
                       (offPlan.size() == 1 ? " place" : " places") +
                       " off the plan skipped: line" + (offPlan.size() == 1 ? " " : "s ");
    for (std::size_t k = 0; k < offPlan.size() && k < 10; ++k)
        note += (k ? ", " : "") + std::to_string(offPlan[k]);
    if (offPlan.size() > 10) note += ", ...";
    return note;
}

} // namespace

PlacesImport ImportPlaces(Project& p, const std::string& csv, const std::string& fileName) {
    PlacesImport out;
    const std::string head = "Places not imported from " + fileName + ":";
    std::istringstream in(csv);
    std::string line;
    int number = 0;
    std::array<int, Count> at{};
    at.fill(-1);
    bool header = false;
    std::vector<Place> places;
    std::vector<std::string> problems;
    std::vector<int> offPlan;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A spreadsheet's UTF-8 mark before the header is no part of it.
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> f = SplitCsvLine(line);
        if (!header) {
            header = true;
            at = ReadPlacesHeader(f);
            for (Column c : {Name, Height})
                if (at[c] < 0) {
                    out.refusal = head + "\nline " + std::to_string(number) +
                                  ": the header has no " + kHeader[c] + " (expected " +
                                  PlacesHeader + ")";
                    return out;
                }
            continue;
        }
        std::vector<std::string> why;
        Place pl;
        const std::optional<PlanPoint> pos = ReadPlaceRow(p, f, at, pl, why);
        for (const std::string& w : why)
            problems.push_back("line " + std::to_string(number) + ": " + w);
        if (!why.empty() || !pos) continue;
        if (!OnPlan(p, pos->x, pos->y)) {
            offPlan.push_back(number);
            continue;
        }
        pl.X = pos->x;
        pl.Y = pos->y;
        places.push_back(std::move(pl));
    }
    if (!header)
        problems.push_back("the file is empty");
    else if (problems.empty() && places.empty())
        problems.push_back(offPlan.empty() ? "the file holds no place"
                                           : "every place lies off the plan");
    if (!problems.empty()) {
        out.refusal = PlacesRefusal(head, problems);
        return out;
    }
    out.imported = static_cast<int>(places.size());
    out.skipped = static_cast<int>(offPlan.size());
    if (!offPlan.empty()) out.note = OffPlanNote(offPlan);
    p.Places = std::move(places);
    return out;
}

PlacesImport ImportPlacesFile(Project& p, const std::string& path) {
    std::string text;
    if (auto refused = ReadInputFile(path, MaxPlacesFileBytes, text)) {
        PlacesImport out;
        out.refusal = "Places not imported: " + *refused;
        return out;
    }
    return ImportPlaces(p, text, path);
}

double GroundAtPoint(const Project& p, double xm, double ym, double stepped) {
    return geo::DemHeightAt(p, xm, ym).value_or(stepped);
}

double GroundAt(const Project& p, double xm, double ym) {
    return GroundAtPoint(p, xm, ym, GroundAtMetres(p, xm, ym).value_or(0.0));
}

double AntennaZ(const Project& p, int slot) {
    const Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    // On the ground where it really stands with the far-field model; the
    // beam model computes from the node, and so does its grid.
    const bool exact = p.Exposure.Model == ExposureModel::FarField;
    const double x = exact ? AntennaDrawingX(p, a) : a.AntX;
    const double y = exact ? AntennaDrawingY(p, a) : a.AntY;
    return a.AntHeight + GroundAtPoint(p, x * p.MetersPerUnit, y * p.MetersPerUnit,
                                       GroundAtUnits(p, x, y).value_or(0.0));
}

double AntennaDensity(const Project& p, int slot, double xm, double ym, double zAntenna,
                      double zReceptor, antenna::EnvelopeCache* envelopes) {
    return AntennaDensityAt(p, slot, xm, ym, zAntenna, zReceptor, envelopes);
}

std::string ShortName(const Project& p, int slot) {
    const AntennaName n = NameOf(p, slot);
    return "T" + std::to_string(n.tower) + " A" + std::to_string(n.number);
}

PlaceValue EvaluatePlace(const Project& p, const Place& place, const std::vector<double>& inverse,
                         antenna::EnvelopeCache* envelopes) {
    PlaceValue v;
    v.name = place.Name;
    v.kind = place.Kind;
    v.heightM = place.HeightM;
    const geo::Metres plan{place.X * p.MetersPerUnit,
                           (geo::VisibleHeight - place.Y) * p.MetersPerUnit};
    const geo::Cartesian c = geo::ToCartesian(p, plan);
    const geo::Geographic g = geo::ToGeographic(p, plan);
    v.X = c.X;
    v.Y = c.Y;
    v.lon = g.lon;
    v.lat = g.lat;
    const double xm = place.X * p.MetersPerUnit, ym = place.Y * p.MetersPerUnit;
    v.groundM = GroundAt(p, xm, ym);
    const double z = v.groundM + place.HeightM;
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    double ratio = 0.0;
    for (int s = 1; s <= count; ++s) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
        AntennaAtPlace e;
        e.slot = s;
        e.label = ShortName(p, s);
        const double zA = AntennaZ(p, s);
        e.sUw = AntennaDensity(p, s, xm, ym, zA, z, envelopes);
        const double inv = static_cast<std::size_t>(s) < inverse.size() ? inverse[s] : 0.0;
        e.percent = 100.0 * e.sUw * inv;
        // Plan metres of the calculation grow down the plan: north is -y.
        const double east = xm - AntennaDrawingX(p, a) * p.MetersPerUnit;
        const double north = AntennaDrawingY(p, a) * p.MetersPerUnit - ym;
        e.horizontalM = std::hypot(east, north);
        e.directM = std::hypot(e.horizontalM, z - zA);
        double az = std::atan2(east, north) * DegreesPerRadian;
        if (az < 0.0) az += 360.0;
        e.azimuthDeg = az;
        e.elevationDeg = std::atan2(z - zA, e.horizontalM) * DegreesPerRadian;
        v.sUw += e.sUw;
        ratio += e.sUw * inv;
        v.antennas.push_back(std::move(e));
    }
    v.percent = 100.0 * ratio;
    v.eVm = std::sqrt(v.sUw / 100.0 * FreeSpaceImpedance);
    std::stable_sort(v.antennas.begin(), v.antennas.end(),
                     [](const AntennaAtPlace& a, const AntennaAtPlace& b) {
                         return a.percent > b.percent || (a.percent == b.percent && a.sUw > b.sUw);
                     });
    return v;
}

std::vector<PlaceValue> EvaluatePlaces(const Project& p, const std::vector<double>& inverse) {
    std::vector<PlaceValue> out;
    out.reserve(p.Places.size());
    antenna::EnvelopeCache envelopes;
    for (const Place& pl : p.Places)
        out.push_back(EvaluatePlace(p, pl, inverse, &envelopes));
    return out;
}

std::string PlacesCsv(const std::vector<PlaceValue>& values) {
    std::size_t ranks = 0;
    for (const PlaceValue& v : values)
        ranks = std::max(ranks, v.antennas.size());
    std::string out = "name,lon,lat,x_m,y_m,ground_m,height_m,s_uw_cm2,e_v_m,percent_of_limit";
    for (std::size_t k = 1; k <= ranks; ++k) {
        const std::string n = std::to_string(k);
        for (const char* c : {"antenna_", "s_uw_cm2_", "percent_", "horizontal_m_", "direct_m_",
                              "azimuth_deg_", "elevation_deg_"})
            out += "," + std::string(c) + n;
    }
    out += "\r\n";
    for (const PlaceValue& v : values) {
        out += CsvQuoted(v.name);
        for (double d : {v.lon, v.lat, v.X, v.Y, v.groundM, v.heightM, v.sUw, v.eVm, v.percent})
            out += "," + Number17(d);
        for (const AntennaAtPlace& a : v.antennas) {
            out += "," + a.label;
            for (double d :
                 {a.sUw, a.percent, a.horizontalM, a.directM, a.azimuthDeg, a.elevationDeg})
                out += "," + Number17(d);
        }
        out += "\r\n";
    }
    return out;
}

std::string PlacesGeoJson(const std::vector<PlaceValue>& values) {
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (const PlaceValue& v : values) {
        nlohmann::ordered_json props;
        props["name"] = v.name;
        props["kind"] = v.kind;
        props["ground_m"] = v.groundM;
        props["height_m"] = v.heightM;
        props["s_uw_cm2"] = v.sUw;
        props["e_v_m"] = v.eVm;
        props["percent_of_limit"] = v.percent;
        props["worst_antenna"] = v.antennas.empty() ? "" : v.antennas.front().label;
        features.push_back(
            GeoJsonFeature(std::move(props), {{"type", "Point"}, {"coordinates", {v.lon, v.lat}}}));
    }
    return GeoJsonText("places", std::move(features));
}

bool SavePlacesFile(const std::vector<PlaceValue>& values, const std::string& path) {
    const auto ends = [&](const char* ext) {
        const std::string e(ext);
        if (path.size() < e.size()) return false;
        std::string tail = path.substr(path.size() - e.size());
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return tail == e;
    };
    const bool json = ends(".geojson") || ends(".json");
    return WriteFileAtomically(path, json ? PlacesGeoJson(values) : PlacesCsv(values));
}

} // namespace brenvik::compliance
