#include "measure/Import.h"

#include "calc/Ground.h"
#include "compliance/Csv.h"
#include "compliance/Places.h"
#include "geo/Geo.h"
#include "model/InputFile.h"
#include "model/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

namespace brenvik::measure {

namespace {

enum Column {
    Name,
    Lon,
    Lat,
    Xm,
    Ym,
    Height,
    Value,
    UnitColumn,
    Band,
    Timestamp,
    UncertaintyDb,
    Extrapolation,
    Instrument,
    UncertaintyPct,
    ColumnCount
};
constexpr std::array<const char*, ColumnCount> kColumns{"name",
                                                        "lon",
                                                        "lat",
                                                        "x_m",
                                                        "y_m",
                                                        "height_m",
                                                        "value",
                                                        "unit",
                                                        "band",
                                                        "timestamp",
                                                        "uncertainty_db",
                                                        "extrapolation",
                                                        "instrument",
                                                        "uncertainty_pct"};
// One row's fields by column, empty where the file gives nothing.
using Fields = std::array<std::string, ColumnCount>;

// A measurements file is a table of some thousands of rows at most.
constexpr std::uintmax_t MaxMeasurementsFileBytes = 64u << 20;
constexpr double MaxHeightM = 1000.0;

std::optional<int> ColumnOf(const std::string& name) {
    for (int c = 0; c < ColumnCount; ++c)
        if (name == kColumns[static_cast<std::size_t>(c)]) return c;
    return std::nullopt;
}

// The file's name of each column: the default unless the options rename it.
std::array<std::string, ColumnCount> FileNames(const ImportOptions& o) {
    std::array<std::string, ColumnCount> names;
    for (int c = 0; c < ColumnCount; ++c)
        names[static_cast<std::size_t>(c)] = kColumns[static_cast<std::size_t>(c)];
    for (const auto& [column, file] : o.columns)
        if (const auto c = ColumnOf(column)) names[static_cast<std::size_t>(*c)] = file;
    return names;
}

bool HasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// The pairs "a=b,c=d" of an option.
std::optional<std::string> SplitPairs(const std::string& text, const char* option,
                                      std::vector<std::pair<std::string, std::string>>& pairs) {
    for (const std::string& item : compliance::SplitCsvLine(text)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == item.size())
            return std::string(option) + " needs NAME=VALUE pairs, not '" + QuoteCut(item) + "'";
        pairs.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ParseColumnOption(const std::string& text, ImportOptions& into) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (auto bad = SplitPairs(text, "the columns", pairs)) return bad;
    for (const auto& [column, file] : pairs) {
        if (!ColumnOf(column)) return "'" + QuoteCut(column) + "' is no column of the measurements";
        into.columns.emplace_back(column, file);
    }
    return std::nullopt;
}

std::optional<std::string> ParseBandFactors(const std::string& text, ImportOptions& into) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (auto bad = SplitPairs(text, "the band factors", pairs)) return bad;
    for (const auto& [band, factor] : pairs) {
        const auto f = ParseFileDouble(factor);
        if (!f || !std::isfinite(*f) || !(*f > 0.0))
            return "the factor of band " + band + " is not a positive number: '" +
                   QuoteCut(factor) + "'";
        into.bandFactors.emplace_back(band, *f);
    }
    return std::nullopt;
}

namespace {

// A row read: the measurement and where it lies on the drawing.
struct ReadRow {
    Measurement m;
    compliance::PlanPoint at;
    int line = 0;
};

// Reads one row's numbers and texts into `m`, saying in `why` what is wrong.
class RowReader {
  public:
    RowReader(const Fields& f, const std::array<std::string, ColumnCount>& names,
              std::vector<std::string>& why)
        : f_(f), names_(names), why_(why) {}
    const std::string& text(Column c) const { return f_[c]; }
    std::optional<double> number(Column c, bool required) const {
        const std::string& t = f_[c];
        if (t.empty()) {
            if (required) why_.push_back(names_[c] + " is missing");
            return std::nullopt;
        }
        const auto v = ParseFileDouble(t);
        if (!v || !std::isfinite(*v)) {
            why_.push_back(names_[c] + " '" + QuoteCut(t) + "' is not a number");
            return std::nullopt;
        }
        return v;
    }
    void plainText(Column c, std::string& into) const {
        into = f_[c];
        if (HasControl(into)) why_.push_back(names_[c] + " holds a control character");
        if (c != Name && into.find(',') != std::string::npos)
            why_.push_back(names_[c] + " holds a comma");
    }

  private:
    const Fields& f_;
    const std::array<std::string, ColumnCount>& names_;
    std::vector<std::string>& why_;
};

std::optional<compliance::PlanPoint> ReadPosition(const Project& p, const RowReader& r,
                                                  std::vector<std::string>& why) {
    if (!r.text(Xm).empty() || !r.text(Ym).empty()) {
        const auto x = r.number(Xm, true), y = r.number(Ym, true);
        if (x && y) return compliance::DrawingFromCartesian(p, *x, *y);
    } else if (!r.text(Lon).empty() || !r.text(Lat).empty()) {
        const auto lon = r.number(Lon, true), lat = r.number(Lat, true);
        if (lon && lat) {
            if (std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
                why.push_back("lon/lat is not a position on the earth");
            const geo::Metres m = geo::FromGeographic(p, {*lon, *lat});
            return compliance::PlanPoint{m.dx / p.MetersPerUnit,
                                         geo::VisibleHeight - m.dy / p.MetersPerUnit};
        }
    } else {
        why.push_back("no position (lon/lat or x_m/y_m)");
    }
    return std::nullopt;
}

// The reading in uW/cm^2 and its uncertainty in dB.
void ReadValue(const RowReader& r, const ImportOptions& o, Measurement& m,
               std::vector<std::string>& why) {
    std::optional<FieldUnit> unit = o.unit;
    if (!r.text(UnitColumn).empty()) {
        unit = FieldUnitFromText(r.text(UnitColumn));
        if (!unit)
            why.push_back("unit '" + QuoteCut(r.text(UnitColumn)) +
                          "' is not V/m, uW/cm^2, W/m^2 or mW/cm^2");
    } else if (!unit) {
        why.push_back("no unit (a unit column or the unit option)");
    }
    const auto v = r.number(Value, true);
    if (v && *v < 0.0) why.push_back("the value is negative");
    if (v && unit) {
        m.MeasuredUw = ReadingToMicroWattPerCm2(*v, *unit);
        // A reading whose density overflows could never be saved.
        if (!std::isfinite(m.MeasuredUw)) why.push_back("the value is out of range");
    }
    if (const auto db = r.number(UncertaintyDb, false)) {
        if (*db < 0.0) why.push_back("the uncertainty is negative");
        m.UncertaintyDb = *db;
    } else if (const auto pct = r.number(UncertaintyPct, false)) {
        if (*pct < 0.0) why.push_back("the uncertainty is negative");
        if (unit && *pct >= 0.0) m.UncertaintyDb = PercentToDb(*pct, *unit);
    }
}

// Reads one row into `row.m` and its position, saying in `why` what is wrong.
bool ReadMeasurementRow(const Project& p, const RowReader& r, const ImportOptions& o, ReadRow& row,
                        std::vector<std::string>& why) {
    Measurement& m = row.m;
    r.plainText(Name, m.Name);
    r.plainText(Band, m.Band);
    r.plainText(Timestamp, m.Timestamp);
    r.plainText(Instrument, m.Instrument);
    if (const auto h = r.number(Height, false)) {
        if (*h < 0.0 || *h > MaxHeightM) why.push_back("height_m is outside 0..1000 m");
        m.HeightM = *h;
    } else {
        m.HeightM = DefaultMeasurementHeightM;
    }
    ReadValue(r, o, m, why);
    if (const auto f = r.number(Extrapolation, false)) {
        if (!(*f > 0.0)) why.push_back("the extrapolation factor is not above 0");
        m.Factor = *f;
    } else {
        for (const auto& [band, factor] : o.bandFactors)
            if (band == m.Band) m.Factor = factor;
    }
    const auto at = ReadPosition(p, r, why);
    if (at) row.at = *at;
    return at.has_value() && why.empty();
}

// A row of the file as text, by column, with what is wrong with its shape.
struct TextRow {
    int number = 0; // its line, or its feature's place
    Fields fields;
    std::string fault;
};

// The rows of a CSV text, or the reason the header is refused.
std::optional<std::string> CsvRows(const std::string& text,
                                   const std::array<std::string, ColumnCount>& names,
                                   std::vector<TextRow>& rows) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    std::array<int, ColumnCount> at{};
    at.fill(-1);
    bool header = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A spreadsheet's UTF-8 mark before the header is no part of it.
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> f = compliance::SplitCsvLine(line);
        if (!header) {
            header = true;
            for (std::size_t k = 0; k < f.size(); ++k)
                for (std::size_t c = 0; c < at.size(); ++c)
                    if (f[k] == names[c]) at[c] = static_cast<int>(k);
            if (at[Value] < 0)
                return "line " + std::to_string(number) + ": the header has no " + names[Value] +
                       " (expected " + MeasurementsHeader + ")";
            continue;
        }
        Fields fields;
        for (std::size_t c = 0; c < at.size(); ++c)
            if (at[c] >= 0 && static_cast<std::size_t>(at[c]) < f.size())
                fields[c] = f[static_cast<std::size_t>(at[c])];
        rows.push_back({number, std::move(fields), {}});
    }
    if (!header) return std::string("the file is empty");
    return std::nullopt;
}

std::string FieldText(const nlohmann::json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number()) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", v.get<double>());
        return buf;
    }
    return v.is_null() ? "" : v.dump();
}

// The member `key` of a JSON object, or null when it has none.
const nlohmann::json* Member(const nlohmann::json& v, const char* key) {
    if (!v.is_object()) return nullptr;
    const auto it = v.find(key);
    return it == v.end() ? nullptr : &*it;
}

// One feature's columns: its properties, and the longitude and latitude of
// its point. A feature of another shape is no measurement.
Fields FeatureFields(const nlohmann::json& f, const std::array<std::string, ColumnCount>& names,
                     std::string& fault) {
    Fields fields;
    if (const nlohmann::json* props = Member(f, "properties"))
        for (std::size_t c = 0; c < fields.size(); ++c)
            if (const nlohmann::json* v = Member(*props, names[c].c_str()))
                fields[c] = FieldText(*v);
    const nlohmann::json* g = Member(f, "geometry");
    if (!g || g->is_null()) return fields;
    const nlohmann::json* type = Member(*g, "type");
    const nlohmann::json* xy = Member(*g, "coordinates");
    if (!type || *type != "Point" || !xy || !xy->is_array() || xy->size() < 2) {
        fault = "the geometry is not a point";
        return fields;
    }
    fields[Lon] = FieldText((*xy)[0]);
    fields[Lat] = FieldText((*xy)[1]);
    fields[Xm].clear();
    fields[Ym].clear();
    return fields;
}

// The points of a GeoJSON text, numbered as features from 1, or why not.
std::optional<std::string> GeoJsonRows(const std::string& text,
                                       const std::array<std::string, ColumnCount>& names,
                                       std::vector<TextRow>& rows) {
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    const nlohmann::json* features = doc.is_discarded() ? nullptr : Member(doc, "features");
    if (!features || !features->is_array())
        return std::string("the file is no GeoJSON feature collection");
    int number = 0;
    for (const nlohmann::json& f : *features) {
        TextRow row;
        row.number = ++number;
        row.fields = FeatureFields(f, names, row.fault);
        rows.push_back(std::move(row));
    }
    return std::nullopt;
}

// The refusal listing the file's problems: the first twenty say enough.
std::string Refusal(const std::string& head, const std::vector<std::string>& problems) {
    std::string m = head;
    for (std::size_t k = 0; k < problems.size() && k < 20; ++k)
        m += "\n" + problems[k];
    if (problems.size() > 20) m += "\n... and " + std::to_string(problems.size() - 20) + " more";
    return m;
}

std::string OffPlanNote(const std::vector<int>& offPlan, const char* unit) {
    const std::size_t n = offPlan.size();
    std::string note = std::to_string(n) + (n == 1 ? " measurement" : " measurements") +
                       " off the plan skipped: " + unit + (n == 1 ? " " : "s ");
    for (std::size_t k = 0; k < n && k < 10; ++k)
        note += (k ? ", " : "") + std::to_string(offPlan[k]);
    if (n > 10) note += ", ...";
    return note;
}

// A drawing position lies on the plan when the calculation's ground grid
// covers it, as for places.
bool OnPlan(const Project& p, const compliance::PlanPoint& d) {
    return d.x >= 0.0 && d.y >= 0.0 && d.x <= double(p.GridNX) * p.CellSize &&
           d.y <= double(p.GridNY) * p.CellSize && GroundCellAtUnits(p, d.x, d.y).has_value();
}

} // namespace

MeasurementImport ReadMeasurements(const Project& p, const std::string& text,
                                   const std::string& fileName, const ImportOptions& options,
                                   std::vector<Measurement>& into) {
    MeasurementImport out;
    const std::string head = "Measurements not imported from " + fileName + ":";
    const auto names = FileNames(options);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    const bool json = first != std::string::npos && text[first] == '{';
    const char* unit = json ? "feature" : "line";
    std::vector<TextRow> rows;
    if (auto bad = json ? GeoJsonRows(text, names, rows) : CsvRows(text, names, rows)) {
        out.refusal = head + "\n" + *bad;
        return out;
    }
    std::vector<std::string> problems;
    std::vector<int> offPlan;
    std::vector<Measurement> taken;
    for (const auto& [number, fields, fault] : rows) {
        const std::string at = std::string(unit) + " " + std::to_string(number) + ": ";
        if (!fault.empty()) {
            problems.push_back(at + fault);
            continue;
        }
        std::vector<std::string> why;
        ReadRow row;
        const bool sound = ReadMeasurementRow(p, RowReader(fields, names, why), options, row, why);
        for (const std::string& w : why)
            problems.push_back(at + w);
        if (!sound) continue;
        if (!OnPlan(p, row.at)) {
            offPlan.push_back(number);
            continue;
        }
        row.m.X = row.at.x;
        row.m.Y = row.at.y;
        taken.push_back(std::move(row.m));
    }
    if (problems.empty() && taken.empty())
        problems.push_back(offPlan.empty() ? "the file holds no measurement"
                                           : "every measurement lies off the plan");
    if (!problems.empty()) {
        out.refusal = Refusal(head, problems);
        return out;
    }
    out.imported = static_cast<int>(taken.size());
    out.skipped = static_cast<int>(offPlan.size());
    if (!offPlan.empty()) out.note = OffPlanNote(offPlan, unit);
    into = std::move(taken);
    return out;
}

MeasurementImport ReadMeasurementsFile(const Project& p, const std::string& path,
                                       const ImportOptions& options,
                                       std::vector<Measurement>& into) {
    std::string text;
    if (auto refused = ReadInputFile(path, MaxMeasurementsFileBytes, text)) {
        MeasurementImport out;
        out.refusal = "Measurements not imported: " + *refused;
        return out;
    }
    return ReadMeasurements(p, text, path, options, into);
}

MeasurementImport ImportMeasurements(Project& p, const std::string& text,
                                     const std::string& fileName, const ImportOptions& options) {
    return ReadMeasurements(p, text, fileName, options, p.Measurements);
}

MeasurementImport ImportMeasurementsFile(Project& p, const std::string& path,
                                         const ImportOptions& options) {
    return ReadMeasurementsFile(p, path, options, p.Measurements);
}

} // namespace brenvik::measure
