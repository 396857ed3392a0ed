// The rows of the GIS and Options families and the toolbar's pictures.

#include "app/CalcFlows.h"
#include "app/CommandActions.h"
#include "app/CommandBar.h"
#include "app/Commands.h"
#include "app/DocumentHolder.h"
#include "app/GisExportFlow.h"
#include "app/PlanView.h"
#include "app/ResultState.h"
#include "app/SettingsFlows.h"
#include "app/StatusReadouts.h"
#include "app/ToolBench.h"
#include "app/TowerFlows.h"
#include "app/WindowParts.h"
#include "model/Document.h"
#include "model/Prompts.h"

#include <QMainWindow>

namespace brenvik::app {

namespace {

void Average(WindowParts& w) {
    if (w.project.AntennaCount == 0) {
        w.prompts.message("It is needed at least a pollutant source");
        return;
    }
    w.tools.reset();
    w.bar.setPressed(cmd::AverageButton, true);
    w.tools.flags().AverageToolOn = true;
    w.status.showHint(w.tools.flags()); // the status bar says what the pressed button does
}

// Ends the placement or the rubber bands a pressed picture stands for, and
// releases it.
void Release(WindowParts& w, const char* picture) {
    w.tools.hideRubberBands();
    w.bar.setPressed(picture, false);
}

} // namespace

std::vector<Command> GeoCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::Origin, "Origin of coordinates", P::Gis, [](W& w) { w.geo.origin(); }},
        {cmd::Reference, "Reference point", P::Gis, [](W& w) { w.geo.reference(); }},
        {cmd::Curvature, "Curvature radius", P::Gis, [](W& w) { w.geo.curvature(); }},
        {cmd::ScaleCalculation, "Scale calculation", P::Gis,
         [](W& w) {
             if (!w.geo.precondition()) return;
             w.tools.reset();
             w.document.askSaveChanges(PendingCommand::ScaleCalculation);
         }},
    };
}

std::vector<Command> OptionsCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::ExposureModel, "Exposure model...", P::Options,
         [](W& w) {
             w.tools.reset();
             w.settings.exposureModel();
         }},
        {cmd::GisExport, "GIS export...", P::Options,
         [](W& w) {
             w.tools.reset();
             w.results.whenCurrent([&w] { StartGisExport(w.project, w.prompts, &w.window); });
         }},
        {cmd::UserGuide,
         "User guide",
         P::Help,
         [](W& w) { w.settings.userGuide(); },
         {},
         QKeySequence::HelpContents},
        {cmd::About, "&About...", P::Help, [](W& w) { w.settings.about(); }, {}, {}, ""},
    };
}

std::vector<Command> ToolbarCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::SaveButton, "Save the project", P::Toolbar, SaveProject},
        {cmd::OpenButton, "Open a project", P::Toolbar, OpenAsked},
        {cmd::TowerButton,
         "Mobile phone tower: define a tower and place it with a click",
         P::Toolbar,
         [](W& w) {
             w.view.ensurePlan();
             w.towers.tower();
         },
         [](W& w) { w.tools.releaseTowerTool(); },
         {},
         ""},
        {cmd::SelectButton,
         "Select: click a tower to select it, drag to move it, Delete to remove it, double-click "
         "to open it",
         P::Toolbar,
         [](W& w) {
             w.view.ensurePlan();
             w.tools.arm(PointerToolKind::Arrow, cmd::SelectButton);
         },
         [](W& w) {
             w.tools.flags().end(PointerToolKind::Arrow);
             Release(w, cmd::SelectButton);
         }},
        {cmd::EraseButton, "Eliminate: click or drag over antennas to remove them", P::Toolbar,
         ArmEraser,
         [](W& w) {
             w.tools.flags().end(PointerToolKind::Erase);
             Release(w, cmd::EraseButton);
         }},
        {cmd::TopographicButton, "Topographic lines: drag rectangles of a ground height",
         P::Toolbar, [](W& w) { w.towers.topographic(); },
         [](W& w) {
             w.tools.flags().endPlacement();
             w.tools.flags().end(PointerToolKind::Topographic);
             Release(w, cmd::TopographicButton);
         }},
        {cmd::ScaleButton, "Scale: the width of the plan in metres", P::Toolbar, AskScale,
         [](W& w) { w.bar.setPressed(cmd::ScaleButton, false); }},
        {cmd::CalculationButton,
         "XY-Calculation of the power density",
         P::Toolbar,
         [](W& w) { w.calc.xyCalculation(); },
         [](W& w) { w.bar.setPressed(cmd::CalculationButton, false); },
         {},
         ""},
        {cmd::IsolinesButton,
         "Isolines",
         P::Toolbar,
         [](W& w) { ShowResults(w, ResultStyle::Isolines, true, cmd::IsolinesButton); },
         [](W& w) { w.tools.releaseAntennaTool(); },
         {},
         ""},
        {cmd::GradientButton, "Colour gradient", P::Toolbar,
         [](W& w) { ShowResults(w, ResultStyle::Gradient, false, cmd::GradientButton); },
         [](W& w) {
             w.tools.flags().endPlacement();
             Release(w, cmd::GradientButton);
         }},
        {cmd::NumericalGridButton, "Numerical grid", P::Toolbar,
         [](W& w) { ShowResults(w, ResultStyle::NumericalGrid, true, cmd::NumericalGridButton); }},
        {cmd::AverageButton, "Average (older air-pollution model)", P::Toolbar, Average},
    };
}

} // namespace brenvik::app
