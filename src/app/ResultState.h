#pragma once

#include "model/Project.h"

#include <functional>

class QLabel;
class QStatusBar;

namespace brenvik {
class Prompts;
} // namespace brenvik

namespace brenvik::app {

class PlanCanvas;

namespace label {
// The status-bar notice of a result out of date, and its mark on the legend.
inline constexpr char OutOfDate[] = "outOfDate";
inline constexpr char LegendOutOfDate[] = "legendOutOfDate";
} // namespace label

// The window's watch over the results it shows. A result whose inputs changed
// since it was computed is drawn as before, but marked out of date (a notice
// in the status bar and a mark on the legend), and nothing certifies it: the
// summary, the report, the "% of limit" view and the exports of it pass
// through whenCurrent(), which offers to recalculate first.
class ResultState {
  public:
    // Runs the plan's calculation again with the project's settings (the
    // ones last accepted), then `then` once it has completed (not when it is
    // cancelled or fails).
    using Recalculate = std::function<void(std::function<void()> then)>;

    ResultState(const Project& p, Prompts& prompts, QStatusBar* bar, PlanCanvas* canvas,
                Recalculate recalculate);

    // Shows or hides the notice and the mark for the plane on screen.
    void refresh();

    // Runs `next` once the results are current: at once when they are, or
    // when there is none (the command then gives its own message); after a
    // recalculation when the plan's is out of date and the user agrees to it
    // (the question names the settings it will run with);
    // never when the user declines. A section out of date is left out of
    // what is certified (its numbers need a current section).
    void whenCurrent(std::function<void()> next);

  private:
    const Project& project_;
    Prompts& prompts_;
    PlanCanvas* canvas_;
    Recalculate recalculate_;
    QLabel* notice_ = nullptr;
    QLabel* mark_ = nullptr;
};

} // namespace brenvik::app
