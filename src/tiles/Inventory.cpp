#include "tiles/Inventory.h"

#include "compliance/Csv.h"
#include "compliance/Limits.h"
#include "model/InputFile.h"
#include "model/Numbers.h"
#include "tiles/Manifest.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

namespace brenvik::tiles {

namespace {

enum Column { Site, Lon, Lat, Height, Type, Erp, Azimuth, Tilt, Frequency, Pattern, HBw, VBw, ETilt, Count };
constexpr std::array<const char*, Count> kNames{
    "site",    "lon",           "lat",     "height_m",        "type",
    "erp_w",   "azimuth_deg",   "tilt_deg", "frequency_mhz",  "pattern",
    "h_beamwidth_deg", "v_beamwidth_deg", "electrical_tilt_deg"};

// A national inventory of a million antennas stays far below this.
constexpr std::uintmax_t MaxInventoryBytes = 1ull << 30;

} // namespace

InventoryRead ParseInventory(const std::string& csv) {
    InventoryRead out;
    std::istringstream in(csv);
    std::string line;
    int number = 0;
    std::array<int, Count> at;
    at.fill(-1);
    bool header = false;
    std::vector<std::string> problems;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::vector<std::string> f = compliance::SplitCsvLine(line);
        if (!header) {
            header = true;
            for (std::size_t k = 0; k < f.size(); ++k)
                for (int c = 0; c < Count; ++c)
                    if (f[k] == kNames[static_cast<std::size_t>(c)]) at[static_cast<std::size_t>(c)] = static_cast<int>(k);
            for (Column c : {Site, Lon, Lat, Height, Type, Erp, Frequency})
                if (at[c] < 0) {
                    out.error = "line " + std::to_string(number) + ": the header has no " + kNames[c];
                    return out;
                }
            continue;
        }
        std::vector<std::string> why;
        const auto text = [&](Column c) -> std::string {
            const int k = at[c];
            return k >= 0 && k < static_cast<int>(f.size()) ? f[static_cast<std::size_t>(k)] : "";
        };
        const auto value = [&](Column c, bool required) {
            return compliance::CsvNumber(text(c), kNames[c], required, why);
        };
        SiteRow r;
        r.line = number;
        r.site = text(Site);
        if (r.site.empty()) why.push_back("site is missing");
        // A line break inside a quoted name would split the site's line in
        // every file the plan writes for people and scripts to read.
        for (Column c : {Site, Pattern}) {
            const std::string t = text(c);
            if (std::any_of(t.begin(), t.end(), [](unsigned char ch) { return ch < 0x20 || ch == 0x7f; }))
                why.push_back(std::string(kNames[c]) + " holds a control character");
        }
        const auto lon = value(Lon, true), lat = value(Lat, true);
        if (lon && (*lon < -180.0 || *lon > 180.0)) why.push_back("lon is not within -180 to 180");
        if (lat && (*lat < -90.0 || *lat > 90.0)) why.push_back("lat is not within -90 to 90");
        r.lon = lon.value_or(0.0);
        r.lat = lat.value_or(0.0);
        const std::string type = text(Type);
        if (type == "stick")
            r.stick = true;
        else if (type != "panel")
            why.push_back("type '" + QuoteCut(type) + "' is neither panel nor stick");
        if (auto h = value(Height, true)) {
            if (!(*h >= 0.0 && *h <= 10000.0)) why.push_back("height_m is not within 0 to 10000");
            r.heightM = *h;
        }
        if (auto w = value(Erp, true)) {
            if (!(*w >= 0.0 && *w <= MaxErpW)) why.push_back("erp_w is not within 0 to 100000000 W");
            r.erpW = *w;
        }
        if (auto d = value(Azimuth, false)) {
            if (*d < 0.0 || *d > 360.0) why.push_back("azimuth_deg is not within 0 to 360");
            r.azimuthDeg = *d;
        }
        if (auto t = value(Tilt, false)) {
            if (std::fabs(*t) > 85.0) why.push_back("tilt_deg is not within -85 to 85");
            r.tiltDeg = *t;
        }
        if (auto fq = value(Frequency, true)) {
            if (compliance::FrequencyRefusal(*fq)) why.push_back("frequency_mhz is not within 0.1 to 300000");
            r.frequencyMHz = *fq;
        }
        r.pattern = text(Pattern);
        r.hBeamwidthDeg = value(HBw, false);
        r.vBeamwidthDeg = value(VBw, false);
        r.electricalTiltDeg = value(ETilt, false);
        for (auto [v, c] : {std::pair{r.hBeamwidthDeg, HBw}, std::pair{r.vBeamwidthDeg, VBw}})
            if (v && !(*v > 0.0 && *v <= 360.0))
                why.push_back(std::string(kNames[c]) + " is not within 0 to 360");
        if (r.electricalTiltDeg && std::fabs(*r.electricalTiltDeg) > 90.0)
            why.push_back("electrical_tilt_deg is not within -90 to 90");
        for (const std::string& w : why) problems.push_back("line " + std::to_string(number) + ": " + w);
        if (why.empty()) out.rows.push_back(std::move(r));
    }
    if (!header)
        problems.push_back("the file is empty");
    else if (problems.empty() && out.rows.empty())
        problems.push_back("the file holds no antenna");
    // A file of a million bad lines is told by its first twenty.
    for (std::size_t k = 0; k < problems.size() && k < 20; ++k) out.error += (k ? "\n" : "") + problems[k];
    if (problems.size() > 20) out.error += "\n... and " + std::to_string(problems.size() - 20) + " more";
    if (!out.error.empty()) out.rows.clear();
    return out;
}

InventoryRead ReadInventory(const std::string& path) {
    std::string text;
    if (auto refused = ReadInputFile(path, MaxInventoryBytes, text))
        return {{}, "the site inventory cannot be read: " + *refused};
    InventoryRead r = ParseInventory(text);
    if (!r.error.empty()) r.error = "Sites not read from " + path + ":\n" + r.error;
    return r;
}

} // namespace brenvik::tiles
