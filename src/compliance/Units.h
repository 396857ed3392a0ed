#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// The units a power density is shown in. The engine works in uW/cm^2; a
// field strength follows from E = sqrt(S * 376.73 ohm), S in W/m^2.
enum class Unit { MicroWattPerCm2, MilliWattPerM2, WattPerM2, VoltPerMetre };

const std::vector<Unit>& AllUnits();
// "uW/cm^2", "mW/m^2", "W/m^2", "V/m".
const char* UnitText(Unit u);
std::optional<Unit> UnitFromText(const std::string& text);

// A density in uW/cm^2 in another unit, and back.
double FromMicroWattPerCm2(double uw, Unit u);
double ToMicroWattPerCm2(double value, Unit u);

// The value with `decimals` decimals ('.' as the separator) and its unit:
// "41.25 V/m".
std::string FormatValue(double uw, Unit u, int decimals);
// Fixed decimals without a unit.
std::string FormatFixed(double v, int decimals);
// A percentage for texts: whole numbers from 100 up, more decimals below
// ("0.042", "3.5", "250").
std::string FormatPercent(double percent);

} // namespace brenvik::compliance
