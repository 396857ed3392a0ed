#pragma once

#include "app/FlowKit.h"
#include "calc/CalcForms.h"

#include <functional>
#include <optional>

namespace brenvik::app {

class CalcRunner;
class ComplianceFlows;
class Desktop;

// The calculation dialogs: each reads its settings on Accept and runs the
// calculation on the runner; the settings reach the project only with the
// result, so Cancel, a cancelled or a failed run leave it as it was.
class CalcFlows {
  public:
    CalcFlows(const FlowKit& kit, CalcRunner& runner, const ComplianceFlows& compliance,
              const Desktop& desktop)
        : k_(kit), runner_(runner), compliance_(compliance), desktop_(desktop) {}

    void xyCalculation();
    // The XY calculation; `then` runs after it completes. With `accepted` the
    // calculation runs with the settings the dialog's Accept read, which reach
    // the project only with its result; without, with the project's own.
    void runXYCalculation(std::function<void()> then = {},
                          std::optional<CalcSettings> accepted = std::nullopt);
    void xzCalculation();
    // The section through the selected tower's antenna along its azimuth,
    // calculated at once.
    void sectionThroughAntenna();

  private:
    FlowKit k_;
    CalcRunner& runner_;
    const ComplianceFlows& compliance_;
    const Desktop& desktop_;
};

} // namespace brenvik::app
