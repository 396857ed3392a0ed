#pragma once

#include "model/Numbers.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// The range a numeric box of a dialog accepts, checked while the user types
// and again on Accept, before the dialog's own rule stores anything.
struct FieldRule {
    std::string box;   // objectName of the box
    std::string label; // the field as the user reads it, "Frequency (MHz)"
    double min = 0.0, max = 0.0;
    // The sign is dropped when stored (a negative height is a height), so the
    // range bounds the magnitude.
    bool magnitude = false;
};

// True when `text` is a number the rule accepts.
bool FieldAccepts(const FieldRule& r, const std::string& text, const NumberParser& parse);
// "Frequency (MHz): between 0.1 and 300000".
std::string FieldRefusal(const FieldRule& r);

// The boxes of "Antenna options": angle of fall, direction, power, height in
// metres and in floors, frequency. The stored values are still clamped as the
// form's rule says (angle of fall to ±85).
const std::vector<FieldRule>& AntennaFormRules();
// The two open angles of "Antenna parameters" (capped at 85 when stored).
const std::vector<FieldRule>& OpenAnglesRules();
// The size of an exported picture: pixels each way, and its resolution.
const std::vector<FieldRule>& PictureRules();

} // namespace brenvik
