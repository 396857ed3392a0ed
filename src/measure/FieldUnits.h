#pragma once

#include <optional>
#include <string_view>

namespace brenvik::measure {

// The units a meter reports: a field strength or a power density.
enum class FieldUnit { VoltPerMetre, MicroWattPerCm2, WattPerM2, MilliWattPerCm2 };

// "V/m", "uW/cm^2", "W/m^2", "mW/cm^2" (also "uW/cm2", "µW/cm²" and the like).
std::optional<FieldUnit> FieldUnitFromText(std::string_view text);
const char* FieldUnitText(FieldUnit u);

// A reading in uW/cm^2, the engine's unit, and back; a field strength E
// gives S = E^2 / 376.73 ohm in W/m^2.
double ReadingToMicroWattPerCm2(double value, FieldUnit u);
double MicroWattPerCm2ToReading(double uw, FieldUnit u);

// An uncertainty given in % of the reading, in dB of the density it stands
// for: a field strength's percentage counts twice.
double PercentToDb(double percent, FieldUnit u);

} // namespace brenvik::measure
