#pragma once

// The measurements' lines of the project file's extension block.
#include "model/Project.h"

#include <string>
#include <string_view>

namespace brenvik {

// "measurement.<n>=x,y,height_m,measured,factor,uncertainty_db,band,
// timestamp,instrument,name": the plan position in drawing units, the
// reading in uW/cm^2, n counting from 1 in the list's order and the name
// taking the rest of the line (it may hold commas).
inline constexpr std::string_view MeasurementKey = "measurement.";

// Appends one line per measurement; false when one has no file form (a
// number that is not finite, a text with a line break, or a comma in a
// text other than the name).
bool AppendMeasurementLines(const Project& p, std::string& out);
// Reads the line of key "measurement.<digits>"; measurements come in order.
bool ReadMeasurementLine(Project& p, std::string_view digits, std::string_view value);

} // namespace brenvik
