#include "pipeline/Calculations.h"

namespace brenvik::pipeline {

CalcOutcome RunCalculation(Project& p, Plane plane, Feedback& feedback,
                           std::vector<double> inverseLimit,
                           std::function<bool(const CalcProgress&)> counts) {
    // The counts' last report ends short of the whole (the plan's nodes are
    // counted with the grid's edges); a finished run tells the whole.
    CalcProgress last;
    CalcControl ctl;
    ctl.feedback = &feedback;
    ctl.progress = [&last, counts = std::move(counts)](const CalcProgress& c) {
        last = c;
        return !counts || counts(c);
    };
    ctl.inverseLimit = std::move(inverseLimit);
    const CalcOutcome o = plane == Plane::XY ? RunXYCalculation(p, ctl) : RunXZCalculation(p, ctl);
    if (o.ok()) feedback.setProgress(1.0, ProgressLabel(last));
    return o;
}

} // namespace brenvik::pipeline
