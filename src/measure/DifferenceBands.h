#pragma once

#include "model/Rgb.h"

#include <vector>

namespace brenvik::measure {

// The classes a measurement's difference from the prediction is coloured
// by, on the plan, the report's map and the map layers alike: a diverging,
// colour-blind-safe scale from blue (the model over-predicts) through grey
// (within +-3 dB) to red (it under-predicts).
struct DifferenceBand {
    double loDb, hiDb; // [lo, hi); the outer bands open-ended
    Rgb colour;
    const char* label;
};
const std::vector<DifferenceBand>& DifferenceBands();
// The colour of a difference in dB (+infinity: something measured where
// nothing is predicted, the worst red).
Rgb DifferenceColour(double db);

} // namespace brenvik::measure
