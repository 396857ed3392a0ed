#pragma once

#include "model/Numbers.h"

#include <string>

namespace brenvik {

// The range a numeric box of a dialog accepts, checked while the user types
// and again on Accept, before the dialog's own rule stores anything. Each
// family of dialogs keeps the rules of its boxes beside its storing rules.
struct FieldRule {
    std::string box;   // objectName of the box
    std::string label; // the field as the user reads it, "Frequency (MHz)"
    double min = 0.0, max = 0.0;
    // The sign is dropped when stored (a negative height is a height), so the
    // range bounds the magnitude.
    bool magnitude = false;
    // `min` itself is refused: a width or a distance of 0 means nothing.
    bool aboveMin = false;
    // An empty box is a choice of its own (the rule then takes a default).
    bool mayBeEmpty = false;
    // A number past a bound is stored as the bound (a negative Contour
    // height is the ground at 0), so it is no typo.
    bool raisedToMin = false, loweredToMax = false;
};

enum class FieldVerdict { Accepted, NotANumber, OutOfRange };

FieldVerdict FieldCheck(const FieldRule& r, const std::string& text, const NumberParser& parse);
// True when `text` is a number the rule accepts.
inline bool FieldAccepts(const FieldRule& r, const std::string& text, const NumberParser& parse) {
    return FieldCheck(r, text, parse) == FieldVerdict::Accepted;
}
// "Frequency (MHz): between 0.1 and 300000", or "Width (m): above 0 and at
// most 1000000" when the lower bound itself is refused.
std::string FieldRefusal(const FieldRule& r);

} // namespace brenvik
