#pragma once

#include "app/CalcRunner.h"
#include "app/CommandNames.h"
#include "compliance/Boundaries.h"
#include "compliance/Limits.h"
#include "compliance/Rules.h"
#include "compliance/Units.h"
#include "model/Edits.h"
#include "model/Project.h"
#include "model/Prompts.h"
#include "pipeline/Outputs.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QPointF>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QStatusBar;
class QWidget;

namespace brenvik::app {

class ResultState;

namespace label {
inline constexpr char Percent[] = "pct";
inline constexpr char Field[] = "efield";
} // namespace label

// The window's answers about the exposure limits: the limits library, the
// "% of limit" display, the read-out of % and field strength, the site
// inventory, the compliance settings and summary, and the report.
class ComplianceFlows {
  public:
    using Painter = std::function<std::optional<render::SceneControls>(
        const Project&, render::Surface&, render::DotRandom&)>;

    // `redraw` redraws the current plane after the antennas changed.
    ComplianceFlows(Project& p, Prompts& prompts, QWidget& window, QStatusBar* bar,
                    std::function<void()> redraw);
    ~ComplianceFlows();

    // Where the commands that change the project record their undo steps.
    using Recorder = std::function<void(const char* text, Edit edit, bool applied)>;
    void setRecorder(Recorder record) { record_ = std::move(record); }

    // Where the ratio is computed (off the window's thread, with progress and
    // Cancel) and what keeps out-of-date results from being certified.
    void setGate(CalcRunner* runner, ResultState* results) {
        runner_ = runner;
        results_ = results;
    }
    // Runs `next` once the results are current and have their ratio for the
    // project's standard, population and frequencies; not when the user
    // declines a recalculation, or one fails or is cancelled.
    void withCurrentRatio(std::function<void()> next);

    const compliance::Library& library() const { return *lib_; }
    compliance::Unit unit() const { return unit_; }
    bool percentShown() const { return percent_; }
    void setPercentShown(bool on) { percent_ = on; }
    // The compliance boundaries drawn whatever the model (a far-field
    // result always shows them).
    void setBoundariesShown(bool on) { boundaries_ = on; }

    // The calculation with the exposure ratio of the project's standard and
    // population computed in the same pass; an antenna whose frequency the
    // standard does not cover refuses it with a message naming the antenna.
    CalcRunner::Job withRatio(CalcRunner::Job job) const;

    // What the drawing steps draw: the project itself, or in "% of limit" its
    // percent view, whose colour scale is then headed "% of limit".
    Project shown(const Project& p) const;
    Painter decorate(Painter paint) const;

    // The % of limit and the density in the chosen unit under the pointer,
    // shown only while the plane has a ratio.
    void pointerAt(QPointF units);
    // Hides the % and field read-out: its result was replaced; or, after an
    // edit or a redraw, when the plan has no result any more. It shows again
    // at the pointer's next move over a current one.
    void clearReadout();
    void followResult();

    // The menu commands.
    void importSites();
    void exportSites();
    void settings();
    void summary();
    void report();
    // "Rules...": the rules the summary and the report judge the site by;
    // one undo step, Cancel changes nothing.
    void rules();
    // The report of the project into `path`, staged beside it; the reason of
    // a failure or nothing.
    std::optional<std::string> writeReport(const std::string& path) const;
    // What the window's outputs are judged by and drawn with: the loaded
    // limits, the chosen unit, today's date and the PDF pages.
    pipeline::OutputContext outputContext() const;

    // The project's rules as the summary and the report apply them, or why
    // one of them cannot be (a file gone or refused, a standard unknown).
    struct ChosenRules {
        std::vector<compliance::Rule> rules;
        std::optional<std::string> refusal;
    };
    ChosenRules chosenRules() const;

  private:
    // Gives the current planes their ratio when they have none (a result read
    // from a file, a new standard, population or frequency), in one pass per
    // plane, then runs `next`; a refusal or failure gives its message instead.
    void ensureRatio(std::function<void()> next);

    Project& project_;
    Prompts& prompts_;
    QWidget& window_;
    std::function<void()> redraw_;
    Recorder record_;
    CalcRunner* runner_ = nullptr;
    ResultState* results_ = nullptr;
    std::shared_ptr<const compliance::Library> lib_;
    std::string libraryWarning_;
    compliance::Unit unit_ = compliance::Unit::MicroWattPerCm2;
    bool percent_ = false;
    bool boundaries_ = false;
    // The boundaries' outlines between paints.
    std::shared_ptr<compliance::OutlineCache> outlines_ =
        std::make_shared<compliance::OutlineCache>();
    QLabel* percentLabel_ = nullptr;
    QLabel* fieldLabel_ = nullptr;
};

} // namespace brenvik::app
