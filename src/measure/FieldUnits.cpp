#include "measure/FieldUnits.h"

#include "compliance/Limits.h"

#include <array>
#include <cmath>
#include <utility>

namespace brenvik::measure {

namespace {

// uW/cm^2 in one W/m^2 and in one mW/cm^2.
constexpr double MicroPerWattM2 = 100.0;
constexpr double MicroPerMilliCm2 = 1000.0;

} // namespace

std::optional<FieldUnit> FieldUnitFromText(std::string_view text) {
    using U = FieldUnit;
    static const std::array<std::pair<std::string_view, U>, 16> forms{{
        {"V/m", U::VoltPerMetre},
        {"v/m", U::VoltPerMetre},
        {"uW/cm^2", U::MicroWattPerCm2},
        {"uW/cm2", U::MicroWattPerCm2},
        {"\xC2\xB5W/cm^2", U::MicroWattPerCm2},
        {"\xC2\xB5W/cm2", U::MicroWattPerCm2},
        {"\xC2\xB5W/cm\xC2\xB2", U::MicroWattPerCm2},
        {"uW/cm\xC2\xB2", U::MicroWattPerCm2},
        {"W/m^2", U::WattPerM2},
        {"W/m2", U::WattPerM2},
        {"W/m\xC2\xB2", U::WattPerM2},
        {"mW/cm^2", U::MilliWattPerCm2},
        {"mW/cm2", U::MilliWattPerCm2},
        {"mW/cm\xC2\xB2", U::MilliWattPerCm2},
        {"w/m^2", U::WattPerM2},
        {"w/m2", U::WattPerM2},
    }};
    for (const auto& [form, unit] : forms)
        if (text == form) return unit;
    return std::nullopt;
}

const char* FieldUnitText(FieldUnit u) {
    switch (u) {
    case FieldUnit::VoltPerMetre:
        return "V/m";
    case FieldUnit::MicroWattPerCm2:
        return "uW/cm^2";
    case FieldUnit::WattPerM2:
        return "W/m^2";
    case FieldUnit::MilliWattPerCm2:
        return "mW/cm^2";
    }
    return "";
}

double ReadingToMicroWattPerCm2(double value, FieldUnit u) {
    switch (u) {
    case FieldUnit::VoltPerMetre:
        return value * value / compliance::FreeSpaceImpedance * MicroPerWattM2;
    case FieldUnit::MicroWattPerCm2:
        return value;
    case FieldUnit::WattPerM2:
        return value * MicroPerWattM2;
    case FieldUnit::MilliWattPerCm2:
        return value * MicroPerMilliCm2;
    }
    return value;
}

double MicroWattPerCm2ToReading(double uw, FieldUnit u) {
    switch (u) {
    case FieldUnit::VoltPerMetre:
        return std::sqrt(uw / MicroPerWattM2 * compliance::FreeSpaceImpedance);
    case FieldUnit::MicroWattPerCm2:
        return uw;
    case FieldUnit::WattPerM2:
        return uw / MicroPerWattM2;
    case FieldUnit::MilliWattPerCm2:
        return uw / MicroPerMilliCm2;
    }
    return uw;
}

double PercentToDb(double percent, FieldUnit u) {
    const double perDecade = u == FieldUnit::VoltPerMetre ? 20.0 : 10.0;
    return perDecade * std::log10(1.0 + percent / 100.0);
}

} // namespace brenvik::measure
