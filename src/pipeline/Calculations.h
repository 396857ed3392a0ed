#pragma once

#include "calc/GridCalc.h"
#include "model/Feedback.h"
#include "model/Project.h"

#include <functional>
#include <vector>

namespace brenvik::pipeline {

// The XY or XZ calculation as an operation, with the settings its dialog left
// in the project: the feedback is told the fraction done and the counts, and
// its cancel stops the run (the project then stays as it was). With
// `inverseLimit` the ratio grid is filled in the same pass (see CalcControl).
// `counts`, when given, is told the counts themselves (the window's progress
// window shows them); returning false cancels.
CalcOutcome RunCalculation(Project& p, Plane plane, Feedback& feedback,
                           std::vector<double> inverseLimit = {},
                           std::function<bool(const CalcProgress&)> counts = {});

} // namespace brenvik::pipeline
