#include "model/ExtensionBlock.h"

#include "model/ProjectFile.h"

#include <charconv>
#include <cmath>
#include <set>

namespace brenvik {

namespace {

const double DefaultFrequencyMHz = Antenna{}.AntFrequencyMHz;
constexpr std::string_view FrequencyKey = "frequency.";

std::string_view PopulationName(Population g) {
    return g == Population::Occupational ? "occupational" : "public";
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// A place of sensitive use: "place.<n>=x,y,height_m,kind,name" with the
// plan position in drawing units, n counting from 1 in the list's order and
// the name taking the rest of the line (it may hold commas).
constexpr std::string_view PlaceKey = "place.";

bool AppendPlaceLines(const Project& p, std::string& out) {
    int n = 0;
    for (const Place& pl : p.Places) {
        if (HasLineBreak(pl.Name) || HasLineBreak(pl.Kind) ||
            pl.Kind.find(',') != std::string::npos)
            return false;
        if (!std::isfinite(pl.X) || !std::isfinite(pl.Y) || !std::isfinite(pl.HeightM))
            return false;
        out += PlaceKey;
        out += std::to_string(++n);
        out += '=';
        // The shortest text that reads back to the very same position.
        for (double v : {pl.X, pl.Y, pl.HeightM}) {
            char buf[40];
            const auto r = std::to_chars(buf, buf + sizeof buf, v == 0.0 ? 0.0 : v);
            out.append(buf, r.ptr);
            out += ',';
        }
        out += pl.Kind + ',' + pl.Name + "\r\n";
    }
    return true;
}

// Places come in order: place.<n> must be the next one.
bool ReadPlaceLine(Project& p, std::string_view digits, std::string_view value) {
    if (digits != std::to_string(p.Places.size() + 1)) return false;
    Place pl;
    double* numbers[] = {&pl.X, &pl.Y, &pl.HeightM};
    for (double* v : numbers) {
        const std::size_t comma = value.find(',');
        if (comma == std::string_view::npos) return false;
        const auto d = ParseFileDouble(value.substr(0, comma));
        if (!d || !std::isfinite(*d)) return false;
        *v = *d;
        value = value.substr(comma + 1);
    }
    const std::size_t comma = value.find(',');
    if (comma == std::string_view::npos) return false;
    pl.Kind = std::string(value.substr(0, comma));
    pl.Name = std::string(value.substr(comma + 1));
    p.Places.push_back(std::move(pl));
    return true;
}

// A building: "building.<n>=height,base,x y x y ...,id,name": roof and
// lowest floor in metres above the ground, the footprint's corners in
// drawing units separated by blanks, the map's id (no comma) and the name
// taking the rest of the line.
constexpr std::string_view BuildingKey = "building.";

void AppendShortest(std::string& out, double v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v == 0.0 ? 0.0 : v);
    out.append(buf, r.ptr);
}

bool AppendBuildingLines(const Project& p, std::string& out) {
    int n = 0;
    for (const Building& b : p.Buildings) {
        if (HasLineBreak(b.Name) || HasLineBreak(b.Id) || b.Id.find(',') != std::string::npos ||
            b.Outline.size() < 3 || !std::isfinite(b.HeightM) || !std::isfinite(b.BaseM))
            return false;
        out += BuildingKey;
        out += std::to_string(++n);
        out += '=';
        AppendShortest(out, b.HeightM);
        out += ',';
        AppendShortest(out, b.BaseM);
        out += ',';
        for (std::size_t k = 0; k < b.Outline.size(); ++k) {
            if (!std::isfinite(b.Outline[k].x) || !std::isfinite(b.Outline[k].y)) return false;
            if (k) out += ' ';
            AppendShortest(out, b.Outline[k].x);
            out += ' ';
            AppendShortest(out, b.Outline[k].y);
        }
        out += ',' + b.Id + ',' + b.Name + "\r\n";
    }
    return true;
}

bool ReadBuildingLine(Project& p, std::string_view digits, std::string_view value) {
    if (digits != std::to_string(p.Buildings.size() + 1)) return false;
    Building b;
    std::string_view fields[4];
    for (std::string_view& f : fields) {
        const std::size_t comma = value.find(',');
        if (comma == std::string_view::npos) return false;
        f = value.substr(0, comma);
        value = value.substr(comma + 1);
    }
    const auto h = ParseFileDouble(fields[0]), base = ParseFileDouble(fields[1]);
    if (!h || !base || !std::isfinite(*h) || !std::isfinite(*base)) return false;
    b.HeightM = *h;
    b.BaseM = *base;
    std::vector<double> xy;
    std::string_view pts = fields[2];
    while (!pts.empty()) {
        const std::size_t blank = pts.find(' ');
        const auto v = ParseFileDouble(pts.substr(0, blank));
        if (!v || !std::isfinite(*v)) return false;
        xy.push_back(*v);
        pts = blank == std::string_view::npos ? std::string_view() : pts.substr(blank + 1);
    }
    if (xy.size() < 6 || xy.size() % 2) return false;
    for (std::size_t k = 0; k < xy.size(); k += 2)
        b.Outline.push_back({xy[k], xy[k + 1]});
    b.Id = std::string(fields[3]);
    b.Name = std::string(value);
    p.Buildings.push_back(std::move(b));
    return true;
}

} // namespace

bool NeedsExtensionBlock(const Project& p) {
    if (p.Compliance != ComplianceSettings{}) return true;
    if (!p.Places.empty() || p.TerrainDatumM || !p.Buildings.empty()) return true;
    for (int k = 1; k <= p.AntennaCount && k <= p.AntennaSlotBound(); ++k)
        if (p.Antennas[static_cast<std::size_t>(k)].AntFrequencyMHz != DefaultFrequencyMHz)
            return true;
    return false;
}

bool AppendExtensionBlock(const Project& p, std::string& out) {
    if (p.AntennaCount > p.AntennaSlotBound()) return false;
    const ComplianceSettings& c = p.Compliance;
    if (HasLineBreak(c.Standard) || HasLineBreak(c.SiteName)) return false;
    out += '"';
    out += ExtensionMarker;
    out += "\"\r\n";
    out += std::to_string(ExtensionVersion);
    out += "\r\n";
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const double f = p.Antennas[static_cast<std::size_t>(k)].AntFrequencyMHz;
        if (!std::isfinite(f) || !(f > 0.0)) return false;
        out += FrequencyKey;
        out += std::to_string(k);
        out += '=';
        AppendDouble(out, f);
        out += "\r\n";
    }
    out += "standard=" + c.Standard + "\r\n";
    out += "population=";
    out += PopulationName(c.Group);
    out += "\r\n";
    out += "site=" + c.SiteName + "\r\n";
    if (p.TerrainDatumM) {
        if (!std::isfinite(*p.TerrainDatumM)) return false;
        out += "terrain-datum=";
        AppendDouble(out, *p.TerrainDatumM);
        out += "\r\n";
    }
    return AppendPlaceLines(p, out) && AppendBuildingLines(p, out);
}

void ResetExtensionItems(Project& p) {
    for (Antenna& a : p.Antennas)
        a.AntFrequencyMHz = DefaultFrequencyMHz;
    p.Compliance = ComplianceSettings{};
    p.Places.clear();
    p.TerrainDatumM.reset();
    p.Buildings.clear();
}

bool ReadExtensionBlock(Project& p, const std::vector<std::string_view>& lines) {
    if (lines.empty() || ParseFileInt16(lines.front()) != ExtensionVersion) return false;
    std::set<std::string_view> seen;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return false;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (!seen.insert(key).second) return false;
        if (key.substr(0, FrequencyKey.size()) == FrequencyKey) {
            const std::string_view digits = key.substr(FrequencyKey.size());
            int slot = 0;
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), slot);
            if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
                slot < 1 || slot > p.AntennaCount || digits.front() == '0')
                return false;
            const auto f = ParseFileDouble(value);
            if (!f || !(*f > 0.0)) return false;
            p.Antennas[static_cast<std::size_t>(slot)].AntFrequencyMHz = *f;
        } else if (key == "standard") {
            if (value.empty()) return false;
            p.Compliance.Standard = std::string(value);
        } else if (key == "population") {
            if (value == "public")
                p.Compliance.Group = Population::Public;
            else if (value == "occupational")
                p.Compliance.Group = Population::Occupational;
            else
                return false;
        } else if (key == "site") {
            p.Compliance.SiteName = std::string(value);
        } else if (key == "terrain-datum") {
            const auto d = ParseFileDouble(value);
            if (!d || !std::isfinite(*d)) return false;
            p.TerrainDatumM = *d;
        } else if (key.substr(0, BuildingKey.size()) == BuildingKey) {
            if (!ReadBuildingLine(p, key.substr(BuildingKey.size()), value)) return false;
        } else if (key.substr(0, PlaceKey.size()) == PlaceKey) {
            if (!ReadPlaceLine(p, key.substr(PlaceKey.size()), value)) return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace brenvik
