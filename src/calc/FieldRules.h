#pragma once

#include "model/FieldRule.h"

#include <vector>

namespace brenvik {

class Project;

// The boxes of "Antenna options": angle of fall, direction, power, height in
// metres and in floors, frequency, over the ranges of the antenna's fields.
// The stored values are still clamped as the form's rule says (the angle of
// fall to the tilt's range).
const std::vector<FieldRule>& AntennaFormRules();
// The two open angles of "Antenna parameters" (capped at 85 when stored).
const std::vector<FieldRule>& OpenAnglesRules();
// The size of an exported picture: pixels each way, and its resolution.
const std::vector<FieldRule>& PictureRules();

// "Calculation": the height of the calculation plane.
const std::vector<FieldRule>& CalcFormRules();
// "XZ-Calculation": the section's distance from the bottom line, up to the
// plan's height in metres.
std::vector<FieldRule> SectionRules(const Project& p);
// "Topographic line": the height of the next Contour.
const std::vector<FieldRule>& ReliefRules();

} // namespace brenvik
