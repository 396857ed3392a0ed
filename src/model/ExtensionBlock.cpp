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

} // namespace

bool NeedsExtensionBlock(const Project& p) {
    if (p.Compliance != ComplianceSettings{} || !p.ExtensionExtra.empty()) return true;
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
    p.ExtensionExtra.clear();
    p.ExtensionNewerVersion = 0;
}

std::optional<std::string> ExtensionSaveRefusal(const Project& p) {
    if (p.ExtensionNewerVersion == 0) return std::nullopt;
    return "The project holds data of a newer program (extension block version " +
           std::to_string(p.ExtensionNewerVersion) +
           ") that this version cannot keep; it is not saved.";
}

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
        if (key.substr(0, FrequencyKey.size()) == FrequencyKey) {
            const std::string_view digits = key.substr(FrequencyKey.size());
            int slot = 0;
            const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), slot);
            if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
                slot < 1 || slot > p.AntennaCount || digits.front() == '0')
                return damaged(line);
            const auto f = ParseFileDouble(value);
            if (!f || !(*f > 0.0)) return damaged(line);
            p.Antennas[static_cast<std::size_t>(slot)].AntFrequencyMHz = *f;
        } else if (key == "standard") {
            if (value.empty()) return damaged(line);
            p.Compliance.Standard = std::string(value);
        } else if (key == "population") {
            if (value == "public")
                p.Compliance.Group = Population::Public;
            else if (value == "occupational")
                p.Compliance.Group = Population::Occupational;
            else
                return damaged(line);
        } else if (key == "site") {
            p.Compliance.SiteName = std::string(value);
        } else {
            // A later program's item: kept as it stands.
            p.ExtensionExtra.emplace_back(key, value);
        }
    }
    return true;
}

} // namespace brenvik
