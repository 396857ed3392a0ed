#include "tiles/Inventory.h"

#include "compliance/Csv.h"
#include "compliance/SiteInventory.h"
#include "model/InputFile.h"

#include <map>
#include <sstream>

namespace brenvik::tiles {

namespace {

// A national inventory of a million antennas stays far below this.
constexpr std::uintmax_t MaxInventoryBytes = 1ull << 30;

// The distinct arrays of the rows read so far, each with its index.
using ArrayIndex = std::map<antenna::ArrayParams, int>;

// The row as the plan keeps it, its array (if any) kept once in `out`. An
// antenna of a type the program does not know radiates nothing: it stands
// in the plan with no power.
SiteRow PlanRow(int line, const compliance::InventoryRow& got, std::pair<double, double> lonLat,
                ArrayIndex& arrays, InventoryRead& out) {
    const Antenna& a = got.a;
    SiteRow r;
    r.line = line;
    r.site = a.AntSite;
    r.lon = lonLat.first;
    r.lat = lonLat.second;
    r.heightM = a.AntHeight;
    r.stick = a.AntType == AntennaKind::Stick;
    r.erpW = a.AntType == AntennaKind::None ? 0.0 : AssessedPowerW(a);
    r.azimuthDeg = a.AntDirection;
    r.tiltDeg = a.AntTilt;
    r.frequencyMHz = a.AntFrequencyMHz;
    r.pattern = got.pattern;
    const auto given = [&](AntennaField f) {
        return got.gives(f) ? std::optional<double>(a.*FieldRow(f).number) : std::nullopt;
    };
    r.hBeamwidthDeg = given(AntennaField::HBeamwidth);
    r.vBeamwidthDeg = given(AntennaField::VBeamwidth);
    r.electricalTiltDeg = given(AntennaField::ElectricalTilt);
    // As in a project: the pattern file, when the row names one, is the
    // envelope; a stick has none.
    if (IsAdaptive(a) && a.AntType == AntennaKind::Panel && got.pattern.empty()) {
        const antenna::ArrayParams array = antenna::ArrayOf(a);
        const auto [it, fresh] = arrays.try_emplace(array, static_cast<int>(out.arrays.size()));
        if (fresh) out.arrays.push_back(array);
        r.array = it->second;
    }
    return r;
}

} // namespace

InventoryRead ParseInventory(const std::string& csv) {
    InventoryRead out;
    std::istringstream in(csv);
    std::string line;
    int number = 0;
    compliance::InventoryColumns at;
    bool header = false;
    std::vector<std::string> problems;
    ArrayIndex arrays;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> f = compliance::SplitCsvLine(line);
        if (!header) {
            header = true;
            at = compliance::ReadInventoryHeader(f);
            using F = AntennaField;
            if (auto missing =
                    compliance::MissingColumn(at, {F::Site, F::Longitude, F::Latitude, F::Height,
                                                   F::Type, F::Power, F::FrequencyMHz})) {
                out.error = "line " + std::to_string(number) + ": the header has no " + *missing;
                return out;
            }
            continue;
        }
        std::vector<std::string> why;
        const compliance::InventoryRow got = compliance::ReadInventoryRow(at, f, why);
        const auto lonLat = compliance::ReadLonLat(at, f, why);
        for (const std::string& w : why)
            problems.push_back("line " + std::to_string(number) + ": " + w);
        if (why.empty()) out.rows.push_back(PlanRow(number, got, *lonLat, arrays, out));
    }
    if (!header)
        problems.push_back("the file is empty");
    else if (problems.empty() && out.rows.empty())
        problems.push_back("the file holds no antenna");
    // A file of a million bad lines is told by its first twenty.
    for (std::size_t k = 0; k < problems.size() && k < 20; ++k)
        out.error += (k ? "\n" : "") + problems[k];
    if (problems.size() > 20)
        out.error += "\n... and " + std::to_string(problems.size() - 20) + " more";
    if (!out.error.empty()) {
        out.rows.clear();
        out.arrays.clear();
    }
    return out;
}

InventoryRead ReadInventory(const std::string& path) {
    std::string text;
    if (auto refused = ReadInputFile(path, MaxInventoryBytes, text)) {
        InventoryRead r;
        r.error = "the site inventory cannot be read: " + *refused;
        return r;
    }
    InventoryRead r = ParseInventory(text);
    if (!r.error.empty()) r.error = "Sites not read from " + path + ":\n" + r.error;
    return r;
}

} // namespace brenvik::tiles
