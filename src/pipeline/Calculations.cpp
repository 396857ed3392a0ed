#include "pipeline/Calculations.h"

namespace brenvik::pipeline {

CalcOutcome RunCalculation(Project& p, Plane plane, Feedback& feedback,
                           std::vector<double> inverseLimit,
                           std::function<bool(const CalcProgress&)> counts) {
    CalcControl ctl;
    ctl.feedback = &feedback;
    ctl.progress = std::move(counts);
    ctl.inverseLimit = std::move(inverseLimit);
    return plane == Plane::XY ? RunXYCalculation(p, ctl) : RunXZCalculation(p, ctl);
}

} // namespace brenvik::pipeline
