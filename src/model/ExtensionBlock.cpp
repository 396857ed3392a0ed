#include "model/ExtensionBlock.h"

#include "model/AntennaFields.h"
#include "model/MeasurementItems.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <tuple>

namespace brenvik {

namespace {

const double DefaultFrequencyMHz = Antenna{}.AntFrequencyMHz;
const std::string_view FrequencyKey = FieldRow(AntennaField::FrequencyMHz).blockKey;

// The rules the site is judged by, numbered from 1.
constexpr std::string_view RuleKey = "rule.";

std::string_view PopulationName(Population g) {
    return g == Population::Occupational ? "occupational" : "public";
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// ---- The far-field model's items -----------------------------------------------

constexpr std::string_view PatternKey = "pattern.";

// The antenna's fields kept in one part of the block.
bool PartIsDefault(const Antenna& a, BlockPart part) {
    for (const AntennaFieldRow& r : AntennaFieldTable())
        if (r.block == part && !FieldIsDefault(a, r)) return false;
    return true;
}

void AppendLine(std::string& out, std::string_view key, std::string_view value) {
    out += key;
    out += '=';
    out += value;
    out += "\r\n";
}

void AppendNumberLine(std::string& out, std::string_view key, double v) {
    out += key;
    out += '=';
    AppendDouble(out, v);
    out += "\r\n";
}

// A cut as "angle:loss" pairs separated by spaces.
void AppendCut(std::string& out, std::string_view key, const PatternCut& c) {
    out += key;
    out += '=';
    for (std::size_t k = 0; k < c.Angle.size(); ++k) {
        if (k) out += ' ';
        AppendDouble(out, c.Angle[k]);
        out += ':';
        AppendDouble(out, c.Loss[k]);
    }
    out += "\r\n";
}

bool CutIsSound(const PatternCut& c) {
    if (c.Angle.empty() || c.Angle.size() != c.Loss.size()) return false;
    for (std::size_t k = 0; k < c.Angle.size(); ++k) {
        const double a = c.Angle[k], l = c.Loss[k];
        if (!(a >= 0.0 && a < 360.0) || !(l >= 0.0) || !std::isfinite(l)) return false;
        if (k && !(a > c.Angle[k - 1])) return false;
    }
    return true;
}

std::optional<PatternCut> ParseCut(std::string_view v) {
    PatternCut c;
    std::size_t at = 0;
    while (at < v.size()) {
        if (v[at] == ' ') {
            ++at;
            continue;
        }
        std::size_t end = v.find(' ', at);
        if (end == std::string_view::npos) end = v.size();
        const std::string_view pair = v.substr(at, end - at);
        const std::size_t colon = pair.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        const auto a = ParseFileDouble(pair.substr(0, colon));
        const auto l = ParseFileDouble(pair.substr(colon + 1));
        if (!a || !l) return std::nullopt;
        c.Angle.push_back(*a);
        c.Loss.push_back(*l);
        at = end;
    }
    if (!CutIsSound(c)) return std::nullopt;
    return c;
}

// A slot number "k" of "prefix.k" or "prefix.k.": 1..bound, no leading zero.
std::optional<int> SlotOf(std::string_view digits, int bound) {
    int slot = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), slot);
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
        slot < 1 || slot > bound || digits.front() == '0')
        return std::nullopt;
    return slot;
}

// Reads one "pattern.k.field=value" line into pattern k (made on first use).
bool ReadPatternItem(std::vector<AntennaPattern>& patterns, std::string_view rest,
                     std::string_view value) {
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) return false;
    const auto slot = SlotOf(rest.substr(0, dot), 1000000);
    if (!slot) return false;
    if (static_cast<std::size_t>(*slot) > patterns.size())
        patterns.resize(static_cast<std::size_t>(*slot));
    AntennaPattern& q = patterns[static_cast<std::size_t>(*slot) - 1];
    const std::string_view field = rest.substr(dot + 1);
    const auto number = [&](double& to) {
        const auto v = ParseFileDouble(value);
        if (!v) return false;
        to = *v;
        return true;
    };
    if (field == "name") {
        if (value.empty()) return false;
        q.Name = std::string(value);
    } else if (field == "source") {
        q.Source = std::string(value);
    } else if (field == "make") {
        q.Make = std::string(value);
    } else if (field == "comment") {
        q.Comment = std::string(value);
    } else if (field == "frequency") {
        return number(q.FrequencyMHz) && q.FrequencyMHz >= 0.0;
    } else if (field == "gain") {
        return number(q.GainDbi);
    } else if (field == "tilt") {
        return number(q.TiltDeg);
    } else if (field == "horizontal" || field == "vertical") {
        auto c = ParseCut(value);
        if (!c) return false;
        (field == "horizontal" ? q.Horizontal : q.Vertical) = std::move(*c);
    } else {
        return false;
    }
    return true;
}

// One "beam-....k=value" line of antenna k. A width is above 0; 0 is the
// vertical width's default (twice the open angle).
bool ReadBeamItem(Project& p, std::string_view key, std::string_view value) {
    const std::size_t dot = key.rfind('.');
    if (dot == std::string_view::npos) return false;
    const auto slot = SlotOf(key.substr(dot + 1), p.AntennaCount);
    const AntennaFieldRow* row = RowOfBlockKey(key.substr(0, dot + 1));
    if (!slot || !row || row->block != BlockPart::Beam) return false;
    Antenna& a = p.Antennas[static_cast<std::size_t>(*slot)];
    if (row->text) {
        if (value.empty()) return false;
        a.*row->text = std::string(value);
        return true;
    }
    const auto v = ParseFileDouble(value);
    if (!v || (row->aboveMin && !(*v > row->min) && *v != FieldDefault(*row))) return false;
    // The adaptive array and the power factor are held to their whole range
    // (a power factor above 1 would raise the power above the maximum).
    const bool ranged =
        row->inventory == InventoryPart::Adaptive || row->id == AntennaField::PowerFactor;
    if (ranged && !FieldInRange(*row, *v)) return false;
    a.*row->number = *v;
    return true;
}

// The beam of antenna `slot`: its pattern, which the block must hold (a name
// it does not hold would make the file unreadable), and its parametric
// widths and tilt, each only when it is not the default.
bool AppendBeamLines(const Project& p, const Antenna& a, const std::string& slot,
                     std::string& out) {
    for (const AntennaFieldRow& r : AntennaFieldTable()) {
        if (r.block != BlockPart::Beam || FieldIsDefault(a, r)) continue;
        const std::string key = r.blockKey + slot;
        if (r.text) {
            const std::string& name = a.*r.text;
            const bool held = std::any_of(p.Patterns.begin(), p.Patterns.end(),
                                          [&](const AntennaPattern& q) { return q.Name == name; });
            if (HasLineBreak(name) || !held) return false;
            AppendLine(out, key, name);
        } else {
            if (!std::isfinite(a.*r.number)) return false;
            AppendNumberLine(out, key, a.*r.number);
        }
    }
    return true;
}

// Every pattern whole (a name and both cuts), the names unique, and every
// antenna's pattern among them.
bool PatternsAreSound(const Project& p) {
    std::set<std::string_view> names;
    for (const AntennaPattern& q : p.Patterns)
        if (q.Name.empty() || q.Horizontal.Angle.empty() || q.Vertical.Angle.empty() ||
            !names.insert(q.Name).second)
            return false;
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const std::string& n = p.Antennas[static_cast<std::size_t>(k)].AntPattern;
        if (!n.empty() && !names.count(n)) return false;
    }
    return true;
}

// A plan result with a stamp that no longer matches. One that never had a
// stamp was not made by a calculation or a reading, and is written as before.
bool SavedOutOfDate(const Project& p) {
    return p.XY.Stamp.density != 0 && ResultStale(p, Plane::XY);
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
// Its courtyards, on the line after it when it has any:
// "building-holes.<n>=x y x y ...;x y x y ...", one ring per part.
constexpr std::string_view BuildingHolesKey = "building-holes.";

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
        if (b.Holes.empty()) continue;
        out += BuildingHolesKey;
        out += std::to_string(n);
        out += '=';
        for (std::size_t h = 0; h < b.Holes.size(); ++h) {
            if (b.Holes[h].size() < 3) return false;
            if (h) out += ';';
            for (std::size_t k = 0; k < b.Holes[h].size(); ++k) {
                const PlanVertex& v = b.Holes[h][k];
                if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
                if (k) out += ' ';
                AppendShortest(out, v.x);
                out += ' ';
                AppendShortest(out, v.y);
            }
        }
        out += "\r\n";
    }
    return true;
}

// Corners "x y x y ..." (at least three, all finite).
std::optional<std::vector<PlanVertex>> ReadRing(std::string_view pts) {
    std::vector<double> xy;
    while (!pts.empty()) {
        const std::size_t blank = pts.find(' ');
        const auto v = ParseFileDouble(pts.substr(0, blank));
        if (!v || !std::isfinite(*v)) return std::nullopt;
        xy.push_back(*v);
        pts = blank == std::string_view::npos ? std::string_view() : pts.substr(blank + 1);
    }
    if (xy.size() < 6 || xy.size() % 2) return std::nullopt;
    std::vector<PlanVertex> ring;
    for (std::size_t k = 0; k < xy.size(); k += 2)
        ring.push_back({xy[k], xy[k + 1]});
    return ring;
}

// The holes of the building just read.
bool ReadBuildingHoles(Project& p, std::string_view digits, std::string_view value) {
    if (p.Buildings.empty() || digits != std::to_string(p.Buildings.size())) return false;
    Building& b = p.Buildings.back();
    while (true) {
        const std::size_t semi = value.find(';');
        const auto ring = ReadRing(value.substr(0, semi));
        if (!ring) return false;
        b.Holes.push_back(*ring);
        if (semi == std::string_view::npos) return true;
        value = value.substr(semi + 1);
    }
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
    const auto outline = ReadRing(fields[2]);
    if (!outline) return false;
    b.Outline = *outline;
    b.Id = std::string(fields[3]);
    b.Name = std::string(value);
    p.Buildings.push_back(std::move(b));
    return true;
}

// The elevation model's window over the plan: "dem.size=W H",
// "dem.transform=T0 T1 T2 T3 T4 T5", "dem.crs=WKT", then one
// "dem.row.<n>=h h h ..." per row from the first, n counting from 1, with
// the heights above the datum. Numbers in the shortest text that reads back
// to the very same value, so that a saved project stands on the same ground.
constexpr std::string_view DemKey = "dem.";
constexpr std::string_view DemRowKey = "row.";

void AppendNumbers(std::string& out, const double* v, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
        if (k) out += ' ';
        AppendShortest(out, v[k]);
    }
}

bool AppendDemLines(const Project& p, std::string& out) {
    if (!p.Dem) return true;
    const DemWindow& w = *p.Dem;
    if (DemWindowFault(w)) return false;
    out += "dem.size=" + std::to_string(w.Width) + ' ' + std::to_string(w.Height) + "\r\n";
    out += "dem.transform=";
    AppendNumbers(out, w.Transform.data(), w.Transform.size());
    out += "\r\ndem.crs=" + w.CrsWkt + "\r\n";
    const std::size_t width = static_cast<std::size_t>(w.Width);
    for (int r = 0; r < w.Height; ++r) {
        out += "dem.row." + std::to_string(r + 1) + '=';
        AppendNumbers(out, w.Heights.data() + static_cast<std::size_t>(r) * width, width);
        out += "\r\n";
    }
    return true;
}

// Blank-separated finite numbers, exactly `count` of them.
bool ParseNumbers(std::string_view text, std::size_t count, std::vector<double>& to) {
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (std::size_t k = 0; k < count; ++k) {
        if (k) {
            if (at == end || *at != ' ') return false;
            ++at;
        }
        double v = 0.0;
        const auto r = std::from_chars(at, end, v, std::chars_format::general);
        if (r.ec != std::errc() || !std::isfinite(v)) return false;
        to.push_back(v);
        at = r.ptr;
    }
    return at == end;
}

// One "dem.<name>=value" line. The size comes first and bounds what follows;
// the rows come in order.
bool ReadDemItem(Project& p, std::string_view name, std::string_view value) {
    if (name == "size") {
        const std::size_t blank = value.find(' ');
        if (blank == std::string_view::npos) return false;
        int size[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const std::string_view digits = k ? value.substr(blank + 1) : value.substr(0, blank);
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), size[k]);
            if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
                size[k] < 1)
                return false;
        }
        if (static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]) >
            MaxDemWindowPixels)
            return false;
        p.Dem.emplace();
        p.Dem->Width = size[0];
        p.Dem->Height = size[1];
        p.Dem->Heights.reserve(static_cast<std::size_t>(size[0]) *
                               static_cast<std::size_t>(size[1]));
        return true;
    }
    if (!p.Dem) return false;
    DemWindow& w = *p.Dem;
    if (name == "transform") {
        std::vector<double> t;
        if (!ParseNumbers(value, w.Transform.size(), t)) return false;
        std::copy(t.begin(), t.end(), w.Transform.begin());
        return true;
    }
    if (name == "crs") {
        if (value.empty()) return false;
        w.CrsWkt = std::string(value);
        return true;
    }
    if (name.substr(0, DemRowKey.size()) != DemRowKey) return false;
    const std::size_t width = static_cast<std::size_t>(w.Width);
    const std::size_t rows = w.Heights.size() / width;
    if (name.substr(DemRowKey.size()) != std::to_string(rows + 1) ||
        rows >= static_cast<std::size_t>(w.Height))
        return false;
    const std::size_t before = w.Heights.size();
    if (!ParseNumbers(value, width, w.Heights)) return false;
    return std::all_of(w.Heights.begin() + static_cast<std::ptrdiff_t>(before), w.Heights.end(),
                       [](double v) { return std::fabs(v) <= MaxDemHeightM; });
}

// Where an antenna really stands and what it is called:
// "position.<k>=east,north" in plan metres, then one line per name of the
// antenna ("site-name.<k>=...", "label.<k>=..." and the like), the name
// taking the rest of the line. Each only when the antenna has it, so that a
// project of nodes without names reads and writes as before.
constexpr std::string_view PositionKey = "position.";

bool HasPlacement(const Antenna& a) {
    return a.AntExact || !PartIsDefault(a, BlockPart::Names);
}

bool AppendPlacementLines(const Project& p, std::string& out) {
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const std::string slot = std::to_string(k);
        if (a.AntExact) {
            if (!std::isfinite(a.AntExact->East) || !std::isfinite(a.AntExact->North)) return false;
            out += PositionKey;
            out += slot + '=';
            AppendShortest(out, a.AntExact->East);
            out += ',';
            AppendShortest(out, a.AntExact->North);
            out += "\r\n";
        }
        for (const AntennaFieldRow& r : AntennaFieldTable()) {
            if (r.block != BlockPart::Names || FieldIsDefault(a, r)) continue;
            if (HasLineBreak(a.*r.text)) return false;
            AppendLine(out, r.blockKey + slot, a.*r.text);
        }
    }
    return true;
}

// The name field whose key `key` starts with; none for another key.
const AntennaFieldRow* NameRowOf(std::string_view key) {
    for (const AntennaFieldRow& r : AntennaFieldTable())
        if (r.block == BlockPart::Names && key.starts_with(r.blockKey)) return &r;
    return nullptr;
}

bool IsPlacementKey(std::string_view key) {
    return key.substr(0, PositionKey.size()) == PositionKey || NameRowOf(key);
}

// One of the lines above; `key` is one of theirs.
bool ReadPlacementItem(Project& p, std::string_view key, std::string_view value) {
    const AntennaFieldRow* r = NameRowOf(key);
    const std::size_t prefix = r ? std::string_view(r->blockKey).size() : PositionKey.size();
    const auto slot = SlotOf(key.substr(prefix), p.AntennaCount);
    if (!slot) return false;
    Antenna& a = p.Antennas[static_cast<std::size_t>(*slot)];
    if (r) {
        a.*r->text = std::string(value);
        return !value.empty();
    }
    const std::size_t comma = value.find(',');
    if (comma == std::string_view::npos) return false;
    const auto east = ParseFileDouble(value.substr(0, comma));
    const auto north = ParseFileDouble(value.substr(comma + 1));
    if (!east || !north || !std::isfinite(*east) || !std::isfinite(*north)) return false;
    a.AntExact = PlanPosition{*east, *north};
    return true;
}

} // namespace

bool NeedsExtensionBlock(const Project& p) {
    if (p.Compliance != ComplianceSettings{} || !p.ExtensionExtra.empty()) return true;
    if (!p.Places.empty() || p.TerrainDatumM || !p.Buildings.empty() || p.Dem) return true;
    if (!p.Measurements.empty()) return true;
    if (p.Exposure != ExposureSettings{} || !p.Patterns.empty()) return true;
    for (int k = 1; k <= p.AntennaCount && k <= p.AntennaSlotBound(); ++k)
        if (!PartIsDefault(p.Antennas[static_cast<std::size_t>(k)], BlockPart::Beam)) return true;
    if (SavedOutOfDate(p)) return true;
    for (int k = 1; k <= p.AntennaCount && k <= p.AntennaSlotBound(); ++k)
        if (HasPlacement(p.Antennas[static_cast<std::size_t>(k)])) return true;
    for (int k = 1; k <= p.AntennaCount && k <= p.AntennaSlotBound(); ++k)
        if (p.Antennas[static_cast<std::size_t>(k)].AntFrequencyMHz != DefaultFrequencyMHz)
            return true;
    return false;
}

bool AppendExtensionBlock(const Project& p, std::string& out) {
    if (p.AntennaCount > p.AntennaSlotBound()) return false;
    const ComplianceSettings& c = p.Compliance;
    if (HasLineBreak(c.Standard) || HasLineBreak(c.SiteName) || HasLineBreak(c.Assessor))
        return false;
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
    // The far-field model's items, each only when it is not the default, so
    // that a block of a project without them reads as before.
    if (p.Exposure.Model == ExposureModel::FarField) AppendLine(out, "model", "far-field");
    if (p.Exposure.ReflectionFactor != ExposureSettings{}.ReflectionFactor) {
        if (!std::isfinite(p.Exposure.ReflectionFactor) || !(p.Exposure.ReflectionFactor > 0.0))
            return false;
        AppendNumberLine(out, "reflection", p.Exposure.ReflectionFactor);
    }
    for (std::size_t k = 0; k < p.Patterns.size(); ++k) {
        const AntennaPattern& q = p.Patterns[k];
        if (q.Name.empty() || HasLineBreak(q.Name) || HasLineBreak(q.Source) ||
            HasLineBreak(q.Make) || HasLineBreak(q.Comment) || !CutIsSound(q.Horizontal) ||
            !CutIsSound(q.Vertical) || !std::isfinite(q.FrequencyMHz) ||
            !std::isfinite(q.GainDbi) || !std::isfinite(q.TiltDeg))
            return false;
        const std::string key = std::string(PatternKey) + std::to_string(k + 1) + '.';
        AppendLine(out, key + "name", q.Name);
        if (!q.Source.empty()) AppendLine(out, key + "source", q.Source);
        if (!q.Make.empty()) AppendLine(out, key + "make", q.Make);
        if (q.FrequencyMHz != 0.0) AppendNumberLine(out, key + "frequency", q.FrequencyMHz);
        if (q.GainDbi != 0.0) AppendNumberLine(out, key + "gain", q.GainDbi);
        if (q.TiltDeg != 0.0) AppendNumberLine(out, key + "tilt", q.TiltDeg);
        if (!q.Comment.empty()) AppendLine(out, key + "comment", q.Comment);
        AppendCut(out, key + "horizontal", q.Horizontal);
        AppendCut(out, key + "vertical", q.Vertical);
    }
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        if (!AppendBeamLines(p, a, std::to_string(k), out)) return false;
    }
    if (!c.Assessor.empty()) out += "assessor=" + c.Assessor + "\r\n";
    if (SavedOutOfDate(p)) out += "result=out-of-date\r\n";
    if (p.TerrainDatumM) {
        if (!std::isfinite(*p.TerrainDatumM)) return false;
        out += "terrain-datum=";
        AppendDouble(out, *p.TerrainDatumM);
        out += "\r\n";
    }
    if (!AppendDemLines(p, out)) return false;
    if (!AppendPlaceLines(p, out) || !AppendBuildingLines(p, out)) return false;
    if (!AppendPlacementLines(p, out)) return false;
    if (!AppendMeasurementLines(p, out)) return false;
    for (std::size_t k = 0; k < c.Rules.size(); ++k) {
        if (c.Rules[k].empty() || HasLineBreak(c.Rules[k])) return false;
        AppendLine(out, std::string(RuleKey) + std::to_string(k + 1), c.Rules[k]);
    }
    for (const auto& [key, value] : p.ExtensionExtra) {
        if (HasLineBreak(key) || HasLineBreak(value)) return false;
        out += key + "=" + value + "\r\n";
    }
    return true;
}

void ResetExtensionItems(Project& p) {
    for (Antenna& a : p.Antennas)
        a.AntFrequencyMHz = DefaultFrequencyMHz;
    p.Compliance = ComplianceSettings{};
    p.Places.clear();
    p.TerrainDatumM.reset();
    p.Dem.reset();
    p.Buildings.clear();
    p.Measurements.clear();
    p.Exposure = ExposureSettings{};
    p.Patterns.clear();
    for (Antenna& a : p.Antennas) {
        for (const AntennaFieldRow& r : AntennaFieldTable()) {
            if (r.block != BlockPart::Beam && r.block != BlockPart::Names) continue;
            if (r.text) (a.*r.text).clear();
            if (r.number) a.*r.number = FieldDefault(r);
        }
        a.AntExact.reset();
    }
    p.ExtensionExtra.clear();
    p.ExtensionNewerVersion = 0;
}

std::optional<std::string> ExtensionSaveRefusal(const Project& p) {
    if (p.ExtensionNewerVersion == 0) return std::nullopt;
    return "The project holds data of a newer program (extension block version " +
           std::to_string(p.ExtensionNewerVersion) +
           ") that this version cannot keep; it is not saved.";
}

namespace {

// How one item of the block was taken: a damaged item is reported by its
// line; a refused one fails the read without saying more.
enum class ItemOutcome { Taken, Damaged, Refused };

// An antenna's frequency: the key names its slot, without leading zeros.
bool ReadFrequencyItem(Project& p, std::string_view digits, std::string_view value) {
    int slot = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), slot);
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
        slot < 1 || slot > p.AntennaCount || digits.front() == '0')
        return false;
    const auto f = ParseFileDouble(value);
    if (!f || !(*f > 0.0)) return false;
    p.Antennas[static_cast<std::size_t>(slot)].AntFrequencyMHz = *f;
    return true;
}

// A rule the site is judged by: the rules come numbered from 1 in the
// order they are applied, none left out.
bool ReadRuleItem(std::vector<std::string>& rules, std::string_view digits,
                  std::string_view value) {
    const std::string expected = std::to_string(rules.size() + 1);
    if (digits != expected || value.empty()) return false;
    rules.emplace_back(value);
    return true;
}

// Takes one key=value item of the block into the project.
ItemOutcome ReadExtensionItem(Project& p, std::string_view key, std::string_view value) {
    if (key.substr(0, FrequencyKey.size()) == FrequencyKey) {
        if (!ReadFrequencyItem(p, key.substr(FrequencyKey.size()), value))
            return ItemOutcome::Damaged;
    } else if (key == "standard") {
        if (value.empty()) return ItemOutcome::Damaged;
        p.Compliance.Standard = std::string(value);
    } else if (key == "population") {
        if (value == "public")
            p.Compliance.Group = Population::Public;
        else if (value == "occupational")
            p.Compliance.Group = Population::Occupational;
        else
            return ItemOutcome::Damaged;
    } else if (key == "site") {
        p.Compliance.SiteName = std::string(value);
    } else if (key == "assessor") {
        p.Compliance.Assessor = std::string(value);
    } else if (key == "model") {
        if (value != "far-field") return ItemOutcome::Refused;
        p.Exposure.Model = ExposureModel::FarField;
    } else if (key == "reflection") {
        const auto f = ParseFileDouble(value);
        if (!f || !(*f > 0.0)) return ItemOutcome::Refused;
        p.Exposure.ReflectionFactor = *f;
    } else if (key.substr(0, PatternKey.size()) == PatternKey) {
        if (!ReadPatternItem(p.Patterns, key.substr(PatternKey.size()), value))
            return ItemOutcome::Refused;
    } else if (key == "terrain-datum") {
        const auto d = ParseFileDouble(value);
        if (!d || !std::isfinite(*d)) return ItemOutcome::Refused;
        p.TerrainDatumM = *d;
    } else if (key.substr(0, BuildingHolesKey.size()) == BuildingHolesKey) {
        if (!ReadBuildingHoles(p, key.substr(BuildingHolesKey.size()), value))
            return ItemOutcome::Refused;
    } else if (key.substr(0, DemKey.size()) == DemKey) {
        if (!ReadDemItem(p, key.substr(DemKey.size()), value)) return ItemOutcome::Damaged;
    } else if (key.substr(0, BuildingKey.size()) == BuildingKey) {
        if (!ReadBuildingLine(p, key.substr(BuildingKey.size()), value))
            return ItemOutcome::Refused;
    } else if (key.substr(0, PlaceKey.size()) == PlaceKey) {
        if (!ReadPlaceLine(p, key.substr(PlaceKey.size()), value)) return ItemOutcome::Refused;
    } else if (key.substr(0, MeasurementKey.size()) == MeasurementKey) {
        if (!ReadMeasurementLine(p, key.substr(MeasurementKey.size()), value))
            return ItemOutcome::Refused;
    } else if (key.substr(0, RuleKey.size()) == RuleKey) {
        if (!ReadRuleItem(p.Compliance.Rules, key.substr(RuleKey.size()), value))
            return ItemOutcome::Damaged;
    } else if (key == "result") {
        if (value != "out-of-date") return ItemOutcome::Refused;
        p.XY.Stamp.density = OutOfDateStamp;
    } else if (IsPlacementKey(key)) {
        if (!ReadPlacementItem(p, key, value)) return ItemOutcome::Damaged;
    } else if (key.substr(0, 5) == "beam-") {
        if (!ReadBeamItem(p, key, value)) return ItemOutcome::Refused;
    } else {
        // A later program's item: kept as it stands.
        p.ExtensionExtra.emplace_back(key, value);
    }
    return ItemOutcome::Taken;
}

} // namespace

bool ReadExtensionBlock(Project& p, const std::vector<std::string_view>& lines, std::string* why) {
    // Says which line of the block is damaged.
    const auto damaged = [why](std::string_view what) {
        if (why) {
            std::string shown(what.substr(0, 60));
            for (char& c : shown)
                if (c == '\r') c = ' ';
            *why = "extension block: " + shown;
        }
        return false;
    };
    const auto version = lines.empty() ? std::nullopt : ParseFileInt16(lines.front());
    if (!version || *version < 1)
        return damaged(lines.empty() ? "no version" : "version " + std::string(lines.front()));
    if (*version > ExtensionVersion) {
        // Its keys may mean something else now: nothing of it is taken.
        p.ExtensionNewerVersion = *version;
        return true;
    }
    std::set<std::string_view> seen;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const std::size_t eq = line.find('=');
        // A carriage return left inside a line could never be written again.
        if (eq == std::string_view::npos || line.find('\r') != std::string_view::npos)
            return damaged(line);
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (!seen.insert(key).second) return damaged("key " + std::string(key) + " given twice");
        switch (ReadExtensionItem(p, key, value)) {
        case ItemOutcome::Taken:
            break;
        case ItemOutcome::Damaged:
            return damaged(line);
        case ItemOutcome::Refused:
            return false;
        }
    }
    if (p.Dem)
        if (auto fault = DemWindowFault(*p.Dem))
            return damaged("elevation model window: " + *fault);
    return PatternsAreSound(p);
}

} // namespace brenvik
