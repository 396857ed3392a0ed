// The rows of the Antenna, Environment and Tools families, and the display
// commands that have no dialog of their own.

#include "app/CalcFlows.h"
#include "app/CommandActions.h"
#include "app/CommandBar.h"
#include "app/Commands.h"
#include "app/DocumentHolder.h"
#include "app/DominantView.h"
#include "app/PlanView.h"
#include "app/SettingsFlows.h"
#include "app/ToolBench.h"
#include "app/TowerFlows.h"
#include "app/WindowDialogs.h"
#include "app/WindowParts.h"
#include "model/Prompts.h"
#include "render/DisplayForms.h"

#include <QApplication>
#include <QMainWindow>

namespace brenvik::app {

namespace {

// Restores the normal pointer when a long redraw ends, however it ends.
struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

void DotsOfColours(WindowParts& w) {
    const render::DisplayCommandOutcome out = render::showResults(w.project, ResultStyle::Dots);
    if (!out.accepted) {
        w.prompts.message(out.message);
        w.tools.reset();
        return;
    }
    Hourglass busy;
    // Only the dots, over what is already drawn; the line objects stay.
    w.view.paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom& dots) {
            render::DrawDots(pr, s, render::currentPlane(pr), dots);
            return std::optional<render::SceneControls>();
        },
        false);
}

// "Grid size" and "Number of isolines": the save-changes question first.
void AskGridValue(WindowParts& w, SizeFormValue mode, PendingCommand action) {
    w.project.Display.MallaMode = mode;
    w.tools.reset();
    w.document.askSaveChanges(action);
}

} // namespace

void ShowResults(WindowParts& w, ResultStyle style, bool resetFirst, const char* toolbarName) {
    if (resetFirst) w.tools.reset();
    if (toolbarName) w.bar.setPressed(toolbarName, true);
    const render::DisplayCommandOutcome out = render::showResults(w.project, style);
    if (!out.accepted) {
        w.prompts.message(out.message);
        w.tools.reset();
        if (toolbarName) w.bar.setPressed(toolbarName, false);
        return;
    }
    {
        Hourglass busy;
        w.view.redraw();
    }
    if (toolbarName) w.bar.setPressed(toolbarName, false);
}

void ArmEraser(WindowParts& w) {
    w.tools.arm(PointerToolKind::Erase, cmd::EraseButton);
}

void AskScale(WindowParts& w) {
    w.tools.reset();
    w.bar.setPressed(cmd::ScaleButton, true);
    w.document.askSaveChanges(PendingCommand::Scale);
    // Pressed while its dialog is open: a Cancel to the question opens none.
    if (!OpenDialogNamed(w.window, "escal")) w.bar.setPressed(cmd::ScaleButton, false);
}

std::vector<Command> AntennaCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::TowerItem, "Mobile phone tower", P::Antenna,
         [](W& w) {
             w.view.ensurePlan();
             w.towers.tower();
         }},
        {cmd::TopographicItem, "Topographic lines", P::Antenna,
         [](W& w) { w.towers.topographic(); }},
        {cmd::EraseItem, "Eliminate", P::Antenna,
         [](W& w) {
             w.view.ensurePlan();
             ArmEraser(w);
         }},
    };
}

std::vector<Command> CalculationCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::XYCalculationItem,
         "XY-Calculation",
         P::Environment,
         [](W& w) { w.calc.xyCalculation(); },
         {},
         QKeySequence(Qt::Key_F5)},
        {cmd::XZCalculation,
         "XZ-Calculation",
         P::Environment,
         [](W& w) { w.calc.xzCalculation(); },
         {},
         QKeySequence(Qt::Key_F6)},
        {cmd::SectionThroughAntenna, "Section through this antenna", P::Environment,
         [](W& w) { w.calc.sectionThroughAntenna(); }},
        {cmd::GradientItem,
         "Colour gradient",
         P::Environment,
         [](W& w) { ShowResults(w, ResultStyle::Gradient, false, nullptr); },
         {},
         {},
         "e1"},
        {cmd::IsolinesItem, "Isolines", P::Environment,
         [](W& w) { ShowResults(w, ResultStyle::Isolines, true, nullptr); }},
        {cmd::NumericalGridItem, "Numerical grid", P::Environment,
         [](W& w) { ShowResults(w, ResultStyle::NumericalGrid, true, nullptr); }},
        {cmd::Dots, "Dots of colours", P::Environment, DotsOfColours},
        {cmd::DominantAntenna, "Dominant antenna", P::Environment, ShowDominantAntenna},
        {cmd::OperatorShare, "Operator share...", P::Environment, ShowOperatorShare},
    };
}

std::vector<Command> ToolsCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::ScaleItem, "Scale", P::Tools, AskScale},
        {cmd::CalcColours,
         "Calculation colours",
         P::Tools,
         [](W& w) { w.settings.calcColours(); },
         {},
         {},
         "separac"},
        {cmd::GridSize, "Grid size", P::Tools,
         [](W& w) {
             w.view.ensurePlan();
             AskGridValue(w, SizeFormValue::GridSize, PendingCommand::GridSize);
         }},
        {cmd::IsolineCount, "Number of isolines", P::Tools,
         [](W& w) { AskGridValue(w, SizeFormValue::IsolineCount, PendingCommand::IsolineCount); }},
        {cmd::DotColours, "Colours of the dots", P::Tools, [](W& w) { w.settings.dotColours(); }},
        {cmd::AntennaParameters,
         "Antenna parameters",
         P::Tools,
         [](W& w) { w.settings.antennaParameters(); },
         {},
         {},
         "separa"},
    };
}

} // namespace brenvik::app
