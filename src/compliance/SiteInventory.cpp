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

// The largest inventory read: a country's sites fit many times over.
constexpr std::uintmax_t MaxInventoryBytes = 256u << 20;

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
            if (path.is_relative() && !folder_.empty())
                path = std::filesystem::path(folder_) / path;
            it = read_.emplace(name, antenna::ReadPatternFile(path.string())).first;
        }
        return it->second;
    }

  private:
    std::string folder_;
    std::map<std::string, antenna::PatternRead> read_;
};

// The project's own reading of a row: the shared fields, then where the row
// puts the antenna on the plan.
class RowReader {
  public:
    RowReader(const Project& p, const InventoryColumns& at) : p_(p), at_(at) {}

    // Reads one row; the reasons it is bad go into `why`.
    Row read(int line, const std::vector<std::string>& f, std::vector<std::string>& why) const {
        Row r;
        r.line = line;
        InventoryRow got = ReadInventoryRow(at_, f, why);
        r.a = std::move(got.a);
        r.pattern = std::move(got.pattern);
        r.site = r.a.AntSite;
        r.a.AntHeightUnit = HeightUnit::Metres;
        r.a.AntPowerMode = PowerMode::Other;
        if (const auto dxy = planOffset(f, why)) {
            const auto [x, y] = DrawingPosition(p_, dxy->East, dxy->North);
            // The node a placing click at this point chooses; a point that
            // lands on a grid line within rounding stays on it.
            const double cs = p_.CellSize;
            const double ix = std::floor(x / cs + 1e-6), iy = std::floor(y / cs + 1e-6);
            if (!(x >= 0.0 && x < area::ScaleWidth && y >= 0.0 && y < geo::VisibleHeight) ||
                ix > p_.GridNX || iy > p_.GridNY)
                why.push_back("the position is off the plan");
            r.xs = ix * cs;
            r.ys = iy * cs;
            r.at = *dxy;
        }
        return r;
    }

  private:
    // Plan metres from the origin: x_m/y_m when the row gives either, else
    // lon/lat.
    std::optional<PlanPosition> planOffset(const std::vector<std::string>& f,
                                           std::vector<std::string>& why) const {
        const auto text = [&](AntennaField c) { return InventoryText(at_, f, c); };
        if (!text(AntennaField::XMetres).empty() || !text(AntennaField::YMetres).empty()) {
            const auto x = ReadInventoryNumber(at_, f, AntennaField::XMetres, true, why);
            const auto y = ReadInventoryNumber(at_, f, AntennaField::YMetres, true, why);
            if (!x || !y) return std::nullopt;
            return PlanPosition{*x - p_.OriginX, *y - p_.OriginY};
        }
        if (!text(AntennaField::Longitude).empty() || !text(AntennaField::Latitude).empty()) {
            const auto ll = ReadLonLat(at_, f, why);
            if (!ll) return std::nullopt;
            const geo::DegreeLengths l = geo::MetresPerDegree(p_, p_.OriginLat);
            return PlanPosition{(ll->first - p_.OriginLon) * l.Lx,
                                (ll->second - p_.OriginLat) * l.Ly};
        }
        why.push_back("no position (lon/lat or x_m/y_m)");
        return std::nullopt;
    }

    const Project& p_;
    const InventoryColumns& at_;
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

// ---- One row of an inventory ------------------------------------------------------

bool InventoryColumns::has(AntennaField f) const {
    const auto table = AntennaFieldTable();
    for (std::size_t k = 0; k < table.size(); ++k)
        if (table[k].id == f) return at[k] >= 0;
    return false;
}

bool InventoryRow::gives(AntennaField f) const {
    return std::find(given.begin(), given.end(), f) != given.end();
}

InventoryColumns ReadInventoryHeader(const std::vector<std::string>& header) {
    const auto table = AntennaFieldTable();
    InventoryColumns c;
    c.at.assign(table.size(), -1);
    for (std::size_t k = 0; k < header.size(); ++k)
        for (std::size_t r = 0; r < table.size(); ++r)
            if (*table[r].column && header[k] == table[r].column) c.at[r] = static_cast<int>(k);
    return c;
}

std::optional<std::string> MissingColumn(const InventoryColumns& c,
                                         std::initializer_list<AntennaField> needed) {
    for (AntennaField f : needed)
        if (!c.has(f)) return std::string(FieldRow(f).column);
    return std::nullopt;
}

std::string InventoryText(const InventoryColumns& c, const std::vector<std::string>& row,
                          AntennaField f) {
    const auto table = AntennaFieldTable();
    for (std::size_t r = 0; r < table.size(); ++r) {
        if (table[r].id != f) continue;
        const int k = c.at[r];
        return k >= 0 && k < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(k)] : "";
    }
    return {};
}

std::optional<double> ReadInventoryNumber(const InventoryColumns& c,
                                          const std::vector<std::string>& row, AntennaField f,
                                          bool required, std::vector<std::string>& why) {
    const std::string t = InventoryText(c, row, f);
    const std::string name = FieldRow(f).column;
    if (t.empty()) {
        if (required) why.push_back(name + " is missing");
        return std::nullopt;
    }
    const auto v = ParseFileDouble(t);
    if (!v || !std::isfinite(*v)) {
        why.push_back(name + " " + Quoted(t) + " is not a number");
        return std::nullopt;
    }
    return v;
}

std::optional<std::pair<double, double>> ReadLonLat(const InventoryColumns& c,
                                                    const std::vector<std::string>& row,
                                                    std::vector<std::string>& why) {
    std::optional<double> v[2];
    bool onGlobe = true;
    for (int k = 0; k < 2; ++k) {
        const AntennaFieldRow& r = FieldRow(k ? AntennaField::Latitude : AntennaField::Longitude);
        v[k] = ReadInventoryNumber(c, row, r.id, true, why);
        if (v[k] && !FieldInRange(r, *v[k])) {
            why.push_back(std::string(r.column) + " is not within " + FieldRangeText(r));
            onGlobe = false;
        }
    }
    if (!v[0] || !v[1] || !onGlobe) return std::nullopt;
    return std::pair{*v[0], *v[1]};
}

namespace {

// A text field of a row: the site must be there, and no text may hold what
// would break the line of a file that keeps it.
void ReadTextField(const AntennaFieldRow& f, const std::string& t, InventoryRow& out,
                   std::vector<std::string>& why) {
    if (f.id == AntennaField::Site && t.empty()) why.push_back("site is missing");
    if (auto fault = FieldTextFault(f, t))
        why.push_back(std::string(f.column) + " " + Quoted(t) + " " + *fault);
    if (f.id == AntennaField::Pattern)
        out.pattern = t;
    else if (!(f.id == AntennaField::Label && IsGivenName(t)))
        out.a.*f.text = t;
}

// "none" is what the inventory writes for an antenna of a type the program
// does not know: it radiates nothing either way.
void ReadKindField(const std::string& t, InventoryRow& out, std::vector<std::string>& why) {
    if (t == "panel")
        out.a.AntType = AntennaKind::Panel;
    else if (t == "stick")
        out.a.AntType = AntennaKind::Stick;
    else if (t == "none")
        out.a.AntType = AntennaKind::None;
    else
        why.push_back("type " + Quoted(t) + " is neither panel nor stick");
}

} // namespace

InventoryRow ReadInventoryRow(const InventoryColumns& c, const std::vector<std::string>& row,
                              std::vector<std::string>& why) {
    InventoryRow out;
    for (const AntennaFieldRow& f : AntennaFieldTable()) {
        switch (f.kind) {
        case FieldKind::Position:
            break;
        case FieldKind::Text:
            ReadTextField(f, InventoryText(c, row, f.id), out, why);
            break;
        case FieldKind::Kind:
            ReadKindField(InventoryText(c, row, f.id), out, why);
            break;
        case FieldKind::Number:
            if (auto v = ReadInventoryNumber(c, row, f.id, f.required, why)) {
                if (!FieldInRange(f, *v))
                    why.push_back(std::string(f.column) + " is not within " + FieldRangeText(f));
                out.a.*f.number = *v;
                out.given.push_back(f.id);
            }
            break;
        }
    }
    return out;
}

namespace {

// Reads the file's rows, noting what is wrong with each; refuses a file
// without a header, or whose header lacks a column every row needs.
std::optional<std::string> ReadSiteRows(const Project& p, const std::string& csv,
                                        const std::string& head, std::vector<Row>& rows,
                                        Problems& problems) {
    std::istringstream in(csv);
    std::string line;
    int number = 0;
    InventoryColumns at;
    bool header = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> fields = SplitCsvLine(line);
        if (!header) {
            header = true;
            at = ReadInventoryHeader(fields);
            using F = AntennaField;
            if (auto missing =
                    MissingColumn(at, {F::Site, F::Height, F::Type, F::Power, F::FrequencyMHz}))
                return head + "\nline " + std::to_string(number) + ": the header has no " +
                       *missing + " (expected " + SitesHeader + ")";
            continue;
        }
        std::vector<std::string> why;
        Row r = RowReader(p, at).read(number, fields, why);
        for (const std::string& w : why)
            problems.add("line " + std::to_string(number) + ": " + w);
        if (why.empty()) rows.push_back(std::move(r));
    }
    if (!header) return head + "\nthe file is empty";
    return std::nullopt;
}

// Sites in the order they first appear, each with its rows; one position per site.
void GroupRowsBySite(const std::vector<Row>& rows, std::vector<std::string>& order,
                     std::map<std::string, std::vector<const Row*>>& sites, Problems& problems) {
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
}

// Each row's pattern, read once per file and kept once in the project.
void AddRowPatterns(Project& next, std::vector<Row>& rows, const std::string& folder,
                    Problems& problems) {
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
}

// Raises one site's tower with its antennas, unless another tower stands on
// its node or it has more antennas than a tower holds.
void RaiseSiteTower(Project& next, const std::string& name, const std::vector<const Row*>& group,
                    Problems& problems) {
    const Row& first = *group.front();
    if (SpotTaken(next, first.xs, first.ys)) {
        problems.add("line " + std::to_string(first.line) + ": site " + Cut(name) +
                     " stands where another tower stands");
        return;
    }
    const std::size_t size = group.size();
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
        problems.add("line " + std::to_string(first.line) + ": site " + Cut(name) + " has " +
                     std::to_string(size) + " antennas; a tower holds at most " +
                     std::to_string(std::numeric_limits<std::int16_t>::max()));
        return;
    }
    const int n = static_cast<int>(size);
    next.EnsureAntennaSlots(next.AntennaCount + n);
    for (int k = 0; k < n; ++k)
        next.Antennas[static_cast<std::size_t>(next.AntennaCount + 1 + k)] =
            group[static_cast<std::size_t>(k)]->a;
    next.TowerAntCount = CheckedInt16(n);
    const int firstSlot = next.AntennaCount + 1;
    PlaceTower(next, first.xs, first.ys, 1.0);
    // The tower stands on its node; each antenna keeps where its row
    // put it, and its names.
    for (int k = 0; k < n; ++k) {
        const Row& row = *group[static_cast<std::size_t>(k)];
        Antenna& a = next.Antennas[static_cast<std::size_t>(firstSlot + k)];
        SetExactPosition(next, a, row.at);
        for (const AntennaFieldRow& f : AntennaFieldTable())
            if (f.block == BlockPart::Names) a.*f.text = row.a.*f.text;
    }
}

} // namespace

std::optional<std::string> ImportSites(Project& p, const std::string& csv, ImportMode mode,
                                       const std::string& folder) {
    const std::string head = "Sites not imported:";
    std::vector<Row> rows;
    Problems problems;
    if (auto refusal = ReadSiteRows(p, csv, head, rows, problems)) return refusal;

    std::vector<std::string> order;
    std::map<std::string, std::vector<const Row*>> sites;
    GroupRowsBySite(rows, order, sites, problems);
    if (problems.empty() && rows.empty()) problems.add("the file holds no antenna");

    Project next = p;
    AddRowPatterns(next, rows, folder, problems);
    if (mode == ImportMode::Replace) {
        next.Antennas.resize(1);
        next.AntennaCount = 0;
        next.TowerCount = 0;
    }
    try {
        for (const std::string& name : order)
            RaiseSiteTower(next, name, sites[name], problems);
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

namespace {

// The shortest text that reads back to the same double.
void AppendNumber(std::string& out, double v) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v == 0.0 ? 0.0 : v);
    out.append(buf, r.ptr);
}

// The inventory columns an export writes: every inventory's, the beam's when
// an antenna has a beam other than the default, the adaptive array's when an
// antenna has an array value other than the default, and each field's own
// when an antenna has a value in it.
std::vector<const AntennaFieldRow*> ExportedColumns(const Project& p) {
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    bool beams = false, arrays = false;
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        for (const AntennaFieldRow& f : AntennaFieldTable()) {
            beams = beams || (f.inventory == InventoryPart::Beam && !FieldIsDefault(a, f));
            arrays = arrays || (f.inventory == InventoryPart::Adaptive && !FieldIsDefault(a, f));
        }
    }
    std::vector<const AntennaFieldRow*> columns;
    for (const AntennaFieldRow& f : AntennaFieldTable())
        if (f.inventory == InventoryPart::Always || (f.inventory == InventoryPart::Beam && beams) ||
            (f.inventory == InventoryPart::Adaptive && arrays) ||
            (f.inventory == InventoryPart::Own && AnyAntennaHas(p, f.id)))
            columns.push_back(&f);
    return columns;
}

// The pattern by the file it came from, else by its name.
std::string PatternFile(const Project& p, const Antenna& a) {
    std::string file;
    for (const AntennaPattern& q : p.Patterns)
        if (!a.AntPattern.empty() && q.Name == a.AntPattern)
            file = q.Source.empty() ? q.Name : q.Source;
    return file;
}

// One antenna's cell of a column; `where` its plan position in lon/lat and
// in the exports' Coordinates.
void AppendCell(const Project& p, int slot, const AntennaFieldRow& f, const double where[4],
                const std::string& site, std::string& out) {
    const Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    switch (f.id) {
    case AntennaField::Site:
        out += site;
        return;
    case AntennaField::Longitude:
        AppendNumber(out, where[0]);
        return;
    case AntennaField::Latitude:
        AppendNumber(out, where[1]);
        return;
    case AntennaField::XMetres:
        AppendNumber(out, where[2]);
        return;
    case AntennaField::YMetres:
        AppendNumber(out, where[3]);
        return;
    case AntennaField::Type:
        out += a.AntType == AntennaKind::Panel   ? "panel"
               : a.AntType == AntennaKind::Stick ? "stick"
                                                 : "none";
        return;
    case AntennaField::Label:
        out += CsvQuoted(a.AntLabel.empty() ? NameText(p, slot) : a.AntLabel);
        return;
    case AntennaField::Pattern:
        out += CsvQuoted(PatternFile(p, a));
        return;
    default:
        break;
    }
    if (f.text) {
        out += CsvQuoted(a.*f.text);
        return;
    }
    // A pattern is the whole beam: widths beside it would read back as a
    // second, contradicting description of it. A default that lies outside
    // the range (no vertical width: twice the open angle) stays empty.
    const bool beside = f.inventory == InventoryPart::Beam && !a.AntPattern.empty();
    const double v = a.*f.number;
    if (!beside && !(v == FieldDefault(f) && !FieldInRange(f, v))) AppendNumber(out, v);
}

} // namespace

std::string ExportSites(const Project& p) {
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    const std::vector<const AntennaFieldRow*> columns = ExportedColumns(p);
    std::string out;
    for (const AntennaFieldRow* f : columns)
        (out += out.empty() ? "" : ",") += f->column;
    out += "\r\n";
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
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const PlanPosition at = AntennaPosition(p, a);
        const double where[4] = {p.OriginLon + at.East / l.Lx, p.OriginLat + at.North / l.Ly,
                                 p.OriginX + at.East, p.OriginY + at.North};
        const std::string tower = std::to_string(a.AntTower);
        const std::string site = a.AntSite.empty()         ? tower
                                 : shared.count(a.AntSite) ? CsvQuoted(a.AntSite + " #" + tower)
                                                           : CsvQuoted(a.AntSite);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c) out += ',';
            AppendCell(p, k, *columns[c], where, site, out);
        }
        out += "\r\n";
    }
    return out;
}

bool SaveSitesFile(const Project& p, const std::string& path) {
    return WriteFileAtomically(path, ExportSites(p));
}

} // namespace brenvik::compliance
