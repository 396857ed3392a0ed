#include "compliance/Units.h"

#include "compliance/Limits.h"

#include <charconv>
#include <cmath>

namespace brenvik::compliance {

namespace {
// 1 W/m^2 = 100 uW/cm^2 = 1000 mW/m^2.
constexpr double kUwPerWm2 = 100.0;
} // namespace

const std::vector<Unit>& AllUnits() {
    static const std::vector<Unit> all{Unit::MicroWattPerCm2, Unit::MilliWattPerM2, Unit::WattPerM2,
                                       Unit::VoltPerMetre};
    return all;
}

const char* UnitText(Unit u) {
    switch (u) {
    case Unit::MicroWattPerCm2:
        return "uW/cm^2";
    case Unit::MilliWattPerM2:
        return "mW/m^2";
    case Unit::WattPerM2:
        return "W/m^2";
    case Unit::VoltPerMetre:
        return "V/m";
    }
    return "";
}

std::optional<Unit> UnitFromText(const std::string& text) {
    for (Unit u : AllUnits())
        if (text == UnitText(u)) return u;
    return std::nullopt;
}

double FromMicroWattPerCm2(double uw, Unit u) {
    const double wm2 = uw / kUwPerWm2;
    switch (u) {
    case Unit::MicroWattPerCm2:
        return uw;
    case Unit::MilliWattPerM2:
        return wm2 * 1000.0;
    case Unit::WattPerM2:
        return wm2;
    case Unit::VoltPerMetre:
        return std::sqrt(std::max(wm2, 0.0) * FreeSpaceImpedance);
    }
    return uw;
}

double ToMicroWattPerCm2(double value, Unit u) {
    switch (u) {
    case Unit::MicroWattPerCm2:
        return value;
    case Unit::MilliWattPerM2:
        return value / 1000.0 * kUwPerWm2;
    case Unit::WattPerM2:
        return value * kUwPerWm2;
    case Unit::VoltPerMetre:
        return value * value / FreeSpaceImpedance * kUwPerWm2;
    }
    return value;
}

std::string FormatFixed(double v, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return "?";
    std::string s(buf, r.ptr);
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string FormatValue(double uw, Unit u, int decimals) {
    return FormatFixed(FromMicroWattPerCm2(uw, u), decimals) + " " + UnitText(u);
}

std::string FormatPercent(double percent) {
    const double a = std::fabs(percent);
    const int decimals = a >= 100.0 ? 0 : a >= 10.0 ? 1 : a >= 1.0 ? 2 : 3;
    return FormatFixed(percent, decimals);
}

} // namespace brenvik::compliance
