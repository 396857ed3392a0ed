#include "model/ExtensionBlock.h"

#include "model/ProjectFile.h"
#include "model/ResultStamp.h"

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

// A plan result with a stamp that no longer matches. One that never had a
// stamp was not made by a calculation or a reading, and is written as before.
bool SavedOutOfDate(const Project& p) {
    return p.XYStamp.density != 0 && ResultStale(p, Plane::XY);
}

} // namespace

bool NeedsExtensionBlock(const Project& p) {
    if (p.Compliance != ComplianceSettings{}) return true;
    if (SavedOutOfDate(p)) return true;
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
    if (SavedOutOfDate(p)) out += "result=out-of-date\r\n";
    return true;
}

void ResetExtensionItems(Project& p) {
    for (Antenna& a : p.Antennas)
        a.AntFrequencyMHz = DefaultFrequencyMHz;
    p.Compliance = ComplianceSettings{};
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
        } else if (key == "result") {
            if (value != "out-of-date") return false;
            p.XYStamp.density = OutOfDateStamp;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace brenvik
