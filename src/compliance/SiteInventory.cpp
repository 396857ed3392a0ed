#include "compliance/SiteInventory.h"

#include "antenna/BeamForm.h"
#include "antenna/Pattern.h"
#include "calc/Towers.h"
#include "compliance/Csv.h"
#include "compliance/Limits.h"
#include "geo/Geo.h"
#include "model/AtomicFile.h"
#include "model/InputFile.h"
#include "model/Int16.h"
#include "model/Numbers.h"
#include "model/ProjectFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <vector>

namespace brenvik::compliance {

namespace {

struct Row {
    int line = 0;
    std::string site;
    double xs = 0.0, ys = 0.0; // the node a placing click there would choose
    PlanPosition at;           // where the row puts the antenna, plan metres
    Antenna a;
    std::string pattern; // the pattern file as the row gives it
};

// Drawing position of plan metres (dx right, dy up from the plan's zero
// point), at 100 % without scrolling: the inverse of geo::PlanMeters.
std::pair<double, double> DrawingPosition(const Project& p, double dx, double dy) {
    return {dx / p.MetersPerUnit, geo::VisibleHeight - dy / p.MetersPerUnit};
}

enum Column {
    Site,
    Lon,
    Lat,
    Xm,
    Ym,
    Height,
    Type,
    Erp,
    Azimuth,
    Tilt,
    Frequency,
    Label,
    PatternFile,
    HBeamwidth,
    VBeamwidth,
    ElectricalTilt,
    Count
};
constexpr std::array<const char*, Count> kNames{
    "site",    "lon",           "lat",   "x_m",
    "y_m",     "height_m",      "type",  "erp_w",
    "azimuth_deg", "tilt_deg",  "frequency_mhz", "label",
    "pattern", "h_beamwidth_deg", "v_beamwidth_deg", "electrical_tilt_deg"};

// Beyond these an antenna is a typing error, not a site.
constexpr double MaxHeightM = 10000.0;
constexpr double MaxErpW = 1e7;

// The largest inventory read: a country's sites fit many times over.
constexpr std::uintmax_t MaxInventoryBytes = 256u << 20;

// A text field's bytes that no name may hold: a line break would split the
// project file's line, and the other control characters show as nothing.
bool HasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// A field shown in a message, cut so that a huge field stays readable and
// its control characters shown as '?' (a CR would overwrite the message).
std::string Cut(const std::string& s) {
    std::string q = QuoteCut(s, 80);
    for (char& c : q)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return q;
}

std::string Quoted(const std::string& s) {
    return "'" + Cut(s) + "'";
}

// "tower 2, antenna 1": what the inventory writes for an antenna without a
// label of its own. Read back, it is no label: the numbers are the export's.
bool IsGivenName(const std::string& s) {
    const auto digits = [&](std::size_t& at) {
        const std::size_t from = at;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9')
            ++at;
        return at > from;
    };
    std::size_t at = 6;
    if (s.compare(0, 6, "tower ") != 0 || !digits(at)) return false;
    if (s.compare(at, 10, ", antenna ") != 0) return false;
    at += 10;
    return digits(at) && at == s.size();
}

// The pattern files of one import, each read once: the pattern, or the
// file's refusal.
class PatternFiles {
  public:
    explicit PatternFiles(std::string folder) : folder_(std::move(folder)) {}
    const antenna::PatternRead& read(const std::string& name) {
        auto it = read_.find(name);
        if (it == read_.end()) {
            std::filesystem::path path(name);
            if (path.is_relative() && !folder_.empty()) path = std::filesystem::path(folder_) / path;
            it = read_.emplace(name, antenna::ReadPatternFile(path.string())).first;
        }
        return it->second;
    }

  private:
    std::string folder_;
    std::map<std::string, antenna::PatternRead> read_;
};

class RowReader {
  public:
    RowReader(const Project& p, const std::vector<int>& at) : p_(p), at_(at) {}

    // Reads one row; the reasons it is bad go into `why`.
    Row read(int line, const std::vector<std::string>& f, std::vector<std::string>& why) const {
        Row r;
        r.line = line;
        const auto text = [&](Column c) -> std::string {
            const int k = at_[c];
            return k >= 0 && k < static_cast<int>(f.size()) ? f[static_cast<std::size_t>(k)] : "";
        };
        const auto number = [&](Column c, bool required) -> std::optional<double> {
            const std::string t = text(c);
            if (t.empty()) {
                if (required) why.push_back(std::string(kNames[c]) + " is missing");
                return std::nullopt;
            }
            const auto v = ParseFileDouble(t);
            if (!v || !std::isfinite(*v)) {
                why.push_back(std::string(kNames[c]) + " " + Quoted(t) + " is not a number");
                return std::nullopt;
            }
            return v;
        };
        r.site = text(Site);
        if (r.site.empty()) why.push_back("site is missing");
        if (HasControl(r.site))
            why.push_back("site " + Quoted(r.site) + " holds a control character");
        r.a.AntLabel = text(Label);
        if (IsGivenName(r.a.AntLabel)) r.a.AntLabel.clear();
        if (HasControl(r.a.AntLabel))
            why.push_back("label " + Quoted(r.a.AntLabel) + " holds a control character");
        r.a.AntSite = r.site;

        const std::string type = text(Type);
        // "none" is what the inventory writes for an antenna of a type the
        // program does not know: it radiates nothing either way.
        if (type == "panel")
            r.a.AntType = AntennaKind::Panel;
        else if (type == "stick")
            r.a.AntType = AntennaKind::Stick;
        else if (type == "none")
            r.a.AntType = AntennaKind::None;
        else
            why.push_back("type " + Quoted(type) + " is neither panel nor stick");

        if (auto h = number(Height, true)) {
            if (*h < 0.0 || *h > MaxHeightM) why.push_back("height_m is not within 0 to 10000");
            r.a.AntHeight = *h;
        }
        if (auto w = number(Erp, true)) {
            if (*w < 0.0 || *w > MaxErpW) why.push_back("erp_w is not within 0 to 10000000");
            r.a.AntPower = *w;
        }
        if (auto d = number(Azimuth, false)) {
            if (*d < 0.0 || *d > 360.0) why.push_back("azimuth_deg is not within 0 to 360");
            r.a.AntDirection = *d;
        }
        if (auto t = number(Tilt, false)) {
            if (std::fabs(*t) > 85.0) why.push_back("tilt_deg is not within -85 to 85");
            r.a.AntTilt = *t;
        }
        if (auto f = number(Frequency, true)) {
            if (FrequencyRefusal(*f)) why.push_back("frequency_mhz is not within 0.1 to 300000");
            r.a.AntFrequencyMHz = *f;
        }
        r.a.AntHeightUnit = HeightUnit::Metres;
        r.a.AntPowerMode = PowerMode::Other;
        r.pattern = text(PatternFile);
        if (auto w = number(HBeamwidth, false)) {
            if (!(*w > 0.0 && *w <= 360.0)) why.push_back("h_beamwidth_deg is not within 0 to 360");
            r.a.AntHBeamwidthDeg = *w;
        }
        if (auto w = number(VBeamwidth, false)) {
            if (!(*w > 0.0 && *w <= 180.0)) why.push_back("v_beamwidth_deg is not within 0 to 180");
            r.a.AntVBeamwidthDeg = *w;
        }
        if (auto t = number(ElectricalTilt, false)) {
            if (std::fabs(*t) > 90.0) why.push_back("electrical_tilt_deg is not within -90 to 90");
            r.a.AntElectricalTiltDeg = *t;
        }

        const bool cartesian = !text(Xm).empty() || !text(Ym).empty();
        std::optional<double> dx, dy;
        if (cartesian) {
            const auto x = number(Xm, true), y = number(Ym, true);
            if (x && y) {
                dx = *x - p_.OriginX;
                dy = *y - p_.OriginY;
            }
        } else if (!text(Lon).empty() || !text(Lat).empty()) {
            const auto lon = number(Lon, true), lat = number(Lat, true);
            if (lon && std::fabs(*lon) > 180.0) why.push_back("lon is not within -180 to 180");
            if (lat && std::fabs(*lat) > 90.0) why.push_back("lat is not within -90 to 90");
            if (lon && lat && std::fabs(*lon) <= 180.0 && std::fabs(*lat) <= 90.0) {
                const geo::DegreeLengths l = geo::MetresPerDegree(p_, p_.OriginLat);
                dx = (*lon - p_.OriginLon) * l.Lx;
                dy = (*lat - p_.OriginLat) * l.Ly;
            }
        } else {
            why.push_back("no position (lon/lat or x_m/y_m)");
        }
        if (dx && dy) {
            const auto [x, y] = DrawingPosition(p_, *dx, *dy);
            // The node a placing click at this point chooses; a point that
            // lands on a grid line within rounding stays on it.
            const double cs = p_.CellSize;
            const double ix = std::floor(x / cs + 1e-6), iy = std::floor(y / cs + 1e-6);
            if (!(x >= 0.0 && x < area::ScaleWidth && y >= 0.0 && y < geo::VisibleHeight) ||
                ix > p_.GridNX || iy > p_.GridNY)
                why.push_back("the position is off the plan");
            r.xs = ix * cs;
            r.ys = iy * cs;
            r.at = PlanPosition{*dx, *dy};
        }
        return r;
    }

  private:
    const Project& p_;
    const std::vector<int>& at_;
};

// The problems of an import: the first few are listed, the rest only
// counted, so a large file of bad rows gives a readable message and does not
// pile up one text per row.
class Problems {
  public:
    static constexpr std::size_t Listed = 20;
    void add(std::string text) {
        if (listed_.size() < Listed) listed_.push_back(std::move(text));
        ++count_;
    }
    bool empty() const { return count_ == 0; }
    std::string message(const std::string& head) const {
        std::string m = head;
        for (const std::string& s : listed_)
            m += "\n" + s;
        if (count_ > listed_.size())
            m += "\nand " + std::to_string(count_ - listed_.size()) + " more";
        return m;
    }

  private:
    std::vector<std::string> listed_;
    std::size_t count_ = 0;
};

} // namespace

std::optional<std::string> ImportSites(Project& p, const std::string& csv, ImportMode mode,
                                       const std::string& folder) {
    const std::string head = "Sites not imported:";
    std::istringstream in(csv);
    std::string line;
    int number = 0;
    std::vector<int> at(Count, -1);
    std::vector<Row> rows;
    Problems problems;
    bool header = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> fields = SplitCsvLine(line);
        if (!header) {
            header = true;
            for (std::size_t k = 0; k < fields.size(); ++k)
                for (int c = 0; c < Count; ++c)
                    if (fields[k] == kNames[static_cast<std::size_t>(c)])
                        at[static_cast<std::size_t>(c)] = static_cast<int>(k);
            for (Column c : {Site, Height, Type, Erp, Frequency})
                if (at[c] < 0)
                    return head + "\nline " + std::to_string(number) + ": the header has no " +
                           kNames[c] + " (expected " + SitesHeader + ")";
            continue;
        }
        std::vector<std::string> why;
        Row r = RowReader(p, at).read(number, fields, why);
        for (const std::string& w : why)
            problems.add("line " + std::to_string(number) + ": " + w);
        if (why.empty()) rows.push_back(std::move(r));
    }
    if (!header) return head + "\nthe file is empty";

    // Sites in the order they first appear; one position per site.
    std::vector<std::string> order;
    std::map<std::string, std::vector<const Row*>> sites;
    for (const Row& r : rows) {
        auto& group = sites[r.site];
        if (group.empty())
            order.push_back(r.site);
        else if (group.front()->xs != r.xs || group.front()->ys != r.ys)
            problems.add("line " + std::to_string(r.line) + ": site " + Cut(r.site) +
                         " stands on another grid node in line " +
                         std::to_string(group.front()->line));
        group.push_back(&r);
    }
    if (problems.empty() && rows.empty()) problems.add("the file holds no antenna");

    Project next = p;
    // Each row's pattern, read once per file and kept once in the project.
    PatternFiles files(folder);
    for (Row& r : rows) {
        if (r.pattern.empty()) continue;
        const antenna::PatternRead& got = files.read(r.pattern);
        if (!got.pattern) {
            problems.add("line " + std::to_string(r.line) + ": pattern " + Cut(r.pattern) + ": " +
                         got.error);
            continue;
        }
        r.a.AntPattern = antenna::AddPattern(next, *got.pattern);
    }
    if (mode == ImportMode::Replace) {
        next.Antennas.resize(1);
        next.AntennaCount = 0;
        next.TowerCount = 0;
    }
    try {
        for (const std::string& name : order) {
            const auto& group = sites[name];
            const Row& first = *group.front();
            if (SpotTaken(next, first.xs, first.ys)) {
                problems.add("line " + std::to_string(first.line) + ": site " + Cut(name) +
                             " stands where another tower stands");
                continue;
            }
            const std::size_t size = group.size();
            if (size > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
                problems.add("line " + std::to_string(first.line) + ": site " + Cut(name) +
                             " has " + std::to_string(size) + " antennas; a tower holds at most " +
                             std::to_string(std::numeric_limits<std::int16_t>::max()));
                continue;
            }
            const int n = static_cast<int>(size);
            next.EnsureAntennaSlots(next.AntennaCount + n);
            for (int k = 0; k < n; ++k)
                next.Antennas[static_cast<std::size_t>(next.AntennaCount + 1 + k)] =
                    group[static_cast<std::size_t>(k)]->a;
            next.TowerAntCount = checkedInt16(n);
            const int firstSlot = next.AntennaCount + 1;
            PlaceTower(next, first.xs, first.ys, 1.0);
            // The tower stands on its node; each antenna keeps where its row
            // put it, and its names.
            for (int k = 0; k < n; ++k) {
                const Row& row = *group[static_cast<std::size_t>(k)];
                Antenna& a = next.Antennas[static_cast<std::size_t>(firstSlot + k)];
                SetExactPosition(next, a, row.at);
                a.AntSite = row.a.AntSite;
                a.AntLabel = row.a.AntLabel;
            }
        }
    } catch (const std::exception&) {
        problems.add("too many antennas or towers for one project (at most " +
                     std::to_string(std::numeric_limits<std::int16_t>::max()) + " of each)");
    }
    if (!problems.empty()) return problems.message(head);
    next.TowerAntCount = 1;
    // The replaced antennas' patterns go with them.
    if (mode == ImportMode::Replace) antenna::DropUnusedPatterns(next);
    p = std::move(next);
    return std::nullopt;
}

std::optional<std::string> ImportSitesFile(Project& p, const std::string& path, ImportMode mode) {
    std::string text;
    if (auto why = ReadInputFile(path, MaxInventoryBytes, text))
        return "Sites not imported: " + *why;
    return ImportSites(p, text, mode, std::filesystem::path(path).parent_path().string());
}

std::string ExportSites(const Project& p) {
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    const Antenna plain{};
    bool beams = false;
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        beams = beams || !a.AntPattern.empty() || a.AntHBeamwidthDeg != plain.AntHBeamwidthDeg ||
                a.AntVBeamwidthDeg != plain.AntVBeamwidthDeg ||
                a.AntElectricalTiltDeg != plain.AntElectricalTiltDeg;
    }
    std::string out = std::string(SitesHeader) + (beams ? std::string(",") + SitesBeamColumns : "") +
                      "\r\n";
    const geo::DegreeLengths l = geo::MetresPerDegree(p, p.OriginLat);
    // A site name read back groups its rows into one tower: a name that
    // several towers carry gets the tower's number, so they stay apart.
    std::map<std::string, std::int16_t> towerOf;
    std::map<std::string, bool> shared;
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        if (a.AntSite.empty()) continue;
        const auto [it, fresh] = towerOf.emplace(a.AntSite, a.AntTower);
        if (!fresh && it->second != a.AntTower) shared[a.AntSite] = true;
    }
    // The shortest text that reads back to the same double.
    const auto num = [&out](double v) {
        char buf[40];
        auto r = std::to_chars(buf, buf + sizeof buf, v == 0.0 ? 0.0 : v);
        out += ',';
        out.append(buf, r.ptr);
    };
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const PlanPosition at = AntennaPosition(p, a);
        const geo::Metres m{at.East, at.North};
        const std::string tower = std::to_string(a.AntTower);
        out += a.AntSite.empty()         ? tower
               : shared.count(a.AntSite) ? CsvQuoted(a.AntSite + " #" + tower)
                                         : CsvQuoted(a.AntSite);
        num(p.OriginLon + m.dx / l.Lx);
        num(p.OriginLat + m.dy / l.Ly);
        num(p.OriginX + m.dx);
        num(p.OriginY + m.dy);
        num(a.AntHeight);
        out += a.AntType == AntennaKind::Panel   ? ",panel"
               : a.AntType == AntennaKind::Stick ? ",stick"
                                                 : ",none";
        num(a.AntPower);
        num(a.AntDirection);
        num(a.AntTilt);
        num(a.AntFrequencyMHz);
        out += "," + CsvQuoted(a.AntLabel.empty() ? NameText(p, k) : a.AntLabel);
        if (beams) {
            // The pattern by the file it came from, else by its name.
            std::string file;
            for (const AntennaPattern& q : p.Patterns)
                if (!a.AntPattern.empty() && q.Name == a.AntPattern)
                    file = q.Source.empty() ? q.Name : q.Source;
            out += "," + CsvQuoted(file);
            // A pattern is the whole beam: widths beside it would read back
            // as a second, contradicting description of it.
            if (!a.AntPattern.empty()) {
                out += ",,,";
            } else {
                num(a.AntHBeamwidthDeg);
                if (a.AntVBeamwidthDeg > 0.0)
                    num(a.AntVBeamwidthDeg);
                else
                    out += ',';
                num(a.AntElectricalTiltDeg);
            }
        }
        out += "\r\n";
    }
    return out;
}

bool SaveSitesFile(const Project& p, const std::string& path) {
    return WriteFileAtomically(path, ExportSites(p));
}

} // namespace brenvik::compliance
