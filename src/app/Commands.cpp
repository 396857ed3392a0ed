#include "app/Commands.h"

#include "app/ComplianceFlows.h"
#include "app/DialogFlows.h"
#include "app/GisExportFlow.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/PointerTools.h"
#include "app/ResultState.h"
#include "app/UndoHistory.h"
#include "model/Document.h"
#include "pipeline/Outputs.h"

#include <QDockWidget>
#include <algorithm>
#include <cstring>
#include <utility>

namespace brenvik::app {

const std::vector<Menu>& menus() {
    static const std::vector<Menu> table = {
        {Place::File, "archivo", "&File", Place::File},
        {Place::Edit, "edicion", "&Edit", Place::Edit},
        {Place::View, "ver", "&View", Place::View},
        {Place::Antenna, "fuentes", "&Antenna", Place::Antenna},
        {Place::Environment, "medio", "E&nvironment", Place::Environment},
        {Place::Tools, "herramientas", "&Tools", Place::Tools},
        {Place::Options, "configuracion", "&Options", Place::Options},
        {Place::Gis, "g1", "GIS", Place::Options},
    };
    return table;
}

std::vector<Command> commandTable() {
    using W = MainWindow;
    using P = Place;
    std::vector<Command> t = {
        // ---- File ----
        {cmd::New, "New", P::File, [](W& w) { w.cmdNew(); }, {}, QKeySequence::New},
        {cmd::Open, "Open", P::File, [](W& w) { w.cmdOpen(); }, {}, QKeySequence::Open},
        {cmd::Save, "Save", P::File, [](W& w) { w.cmdSave(); }, {}, QKeySequence::Save},
        {cmd::SaveAs,
         "Save &as...",
         P::File,
         [](W& w) { w.cmdSaveAs(); },
         {},
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {cmd::ImportImage,
         "Import image",
         P::File,
         [](W& w) { w.cmdImportImage(); },
         {},
         {},
         "sep2"},
        {cmd::SaveImage, "Save image", P::File, [](W& w) { w.cmdSaveImage(); }},
        {cmd::ExportPicture, "Export picture...", P::File, [](W& w) { w.cmdExportPicture(); }},
        {cmd::Print, "Print", P::File, [](W& w) { w.cmdPrint(); }, {}, QKeySequence::Print, "sep3"},
        {cmd::PrintImage, "Prnt image", P::File, [](W& w) { w.cmdPrintImage(); }},
        {cmd::Exit,
         "Exit",
         P::File,
         [](W& w) {
             w.resetTools();
             w.close();
         },
         {},
         QKeySequence(Qt::CTRL | Qt::Key_Q),
         "separador"},

        // ---- Edit ----
        {cmd::Undo, "&Undo", P::Edit, [](W& w) { w.history_->undo(); }, {}, QKeySequence::Undo},
        {cmd::Redo,
         "&Redo",
         P::Edit,
         [](W& w) { w.history_->redo(); },
         {},
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {cmd::History, "History", P::Edit,
         [](W& w) {
             w.historyDock_->show();
             w.historyDock_->raise();
         }},
        {cmd::DeleteSelection,
         "Delete tower",
         P::Edit,
         [](W& w) { w.deleteSelection(); },
         {},
         QKeySequence(Qt::Key_Delete),
         "sepedit"},

        // ---- View ----
        // Ctrl+Z is Undo's, as everywhere else.
        {cmd::Zoom,
         "&Zoom",
         P::View,
         [](W& w) { w.flows_->zoom(); },
         {},
         QKeySequence(Qt::CTRL | Qt::Key_M)},
        {cmd::ZoomToPlan,
         "Zoom to plan",
         P::View,
         [](W& w) { w.zoomToPlan(); },
         {},
         QKeySequence(Qt::CTRL | Qt::Key_0)},
        {cmd::ZoomToSelection, "Zoom to selection", P::View, [](W& w) { w.zoomToSelection(); }},
        {cmd::AttributeTable, "Attribute table", P::View,
         [](W& w) {
             w.tableDock_->show();
             w.tableDock_->raise();
         }},
        {cmd::Properties, "Properties", P::View,
         [](W& w) {
             w.propertiesDock_->show();
             w.propertiesDock_->raise();
         }},
        {cmd::BlackBackground,
         "Black background",
         P::View,
         [](W& w) { w.setWhiteBackground(false); },
         {},
         {},
         "separador1"},
        {cmd::WhiteBackground, "White background", P::View,
         [](W& w) {
             w.resetTools();
             w.setWhiteBackground(true);
         }},
        {cmd::DrawGridLines,
         "Draw grid lines",
         P::View,
         [](W& w) { w.setGridLines(true); },
         {},
         {},
         "separador2"},
        {cmd::EraseGridLines, "Eliminate grid lines", P::View, [](W& w) { w.setGridLines(false); }},
        {cmd::DrawPicture, "Draw picture", P::View,
         [](W& w) {
             w.ensurePlanView();
             w.redrawView();
         }},
        {cmd::ErasePicture, "Eliminate picture", P::View,
         [](W& w) {
             w.ensurePlanView();
             w.canvas_->removeBackgroundPicture();
             w.project_.BackgroundLoaded = false;
             w.redrawView();
         }},
        {cmd::XYPlane, "XY-Plane", P::View, [](W& w) { w.cmdXYPlane(); }, {}, {}, "separador3"},
        {cmd::XZPlane, "XZ-Plane", P::View, [](W& w) { w.cmdXZPlane(); }},

        // ---- Antenna ----
        {cmd::TowerItem, "Mobile phone tower", P::Antenna,
         [](W& w) {
             w.ensurePlanView();
             w.flows_->tower();
         }},
        {cmd::TopographicItem, "Topographic lines", P::Antenna,
         [](W& w) { w.flows_->topographic(); }},
        {cmd::EraseItem, "Eliminate", P::Antenna,
         [](W& w) {
             w.ensurePlanView();
             w.cmdErase();
         }},

        // ---- Environment ----
        {cmd::XYCalculationItem,
         "XY-Calculation",
         P::Environment,
         [](W& w) { w.flows_->xyCalculation(); },
         {},
         QKeySequence(Qt::Key_F5)},
        {cmd::XZCalculation,
         "XZ-Calculation",
         P::Environment,
         [](W& w) { w.flows_->xzCalculation(); },
         {},
         QKeySequence(Qt::Key_F6)},
        {cmd::SectionThroughAntenna, "Section through this antenna", P::Environment,
         [](W& w) { w.flows_->sectionThroughAntenna(); }},
        {cmd::GradientItem,
         "Colour gradient",
         P::Environment,
         [](W& w) { w.showResults(ResultStyle::Gradient, false, nullptr); },
         {},
         {},
         "e1"},
        {cmd::IsolinesItem, "Isolines", P::Environment,
         [](W& w) { w.showResults(ResultStyle::Isolines, true, nullptr); }},
        {cmd::NumericalGridItem, "Numerical grid", P::Environment,
         [](W& w) { w.showResults(ResultStyle::NumericalGrid, true, nullptr); }},
        {cmd::Dots, "Dots of colours", P::Environment, [](W& w) { w.dotsOfColours(); }},

        // ---- Tools ----
        {cmd::ScaleItem, "Scale", P::Tools, [](W& w) { w.cmdScale(); }},
        {cmd::CalcColours,
         "Calculation colours",
         P::Tools,
         [](W& w) { w.flows_->calcColours(); },
         {},
         {},
         "separac"},
        {cmd::GridSize, "Grid size", P::Tools,
         [](W& w) {
             w.ensurePlanView();
             w.resetTools();
             w.project_.Display.MallaMode = MallaValue::GridSize;
             w.askSaveChanges(PendingCommand::GridSize);
         }},
        {cmd::IsolineCount, "Number of isolines", P::Tools,
         [](W& w) {
             w.project_.Display.MallaMode = MallaValue::IsolineCount;
             w.resetTools();
             w.askSaveChanges(PendingCommand::IsolineCount);
         }},
        {cmd::DotColours, "Colours of the dots", P::Tools, [](W& w) { w.flows_->dotColours(); }},
        {cmd::AntennaParameters,
         "Antenna parameters",
         P::Tools,
         [](W& w) { w.flows_->antennaParameters(); },
         {},
         {},
         "separa"},

        // ---- Options / GIS ----
        {cmd::Origin, "Origin of coordinates", P::Gis, [](W& w) { w.flows_->origin(); }},
        {cmd::Reference, "Reference point", P::Gis, [](W& w) { w.flows_->reference(); }},
        {cmd::Curvature, "Curvature radius", P::Gis, [](W& w) { w.flows_->curvature(); }},
        {cmd::ScaleCalculation, "Scale calculation", P::Gis,
         [](W& w) {
             if (!w.flows_->geoPrecondition()) return;
             w.resetTools();
             w.askSaveChanges(PendingCommand::ScaleCalculation);
         }},
    };

    t.push_back({cmd::ExposureModel, "Exposure model...", P::Options, [](W& w) {
                     w.resetTools();
                     w.flows_->exposureModel();
                 }});
    t.push_back({cmd::GisExport, "GIS export...", P::Options, [](W& w) {
                     w.resetTools();
                     w.results().whenCurrent([&w] { startGisExport(w.project_, w.prompts_, &w); });
                 }});
    t.push_back({cmd::About, "&About...", P::Options, [](W& w) { w.flows_->about(); }, {}, {}, ""});

    addComplianceCommands(t);
    addRealPlacesCommands(t);
    addOutputCommands(t);

    // ---- Toolbar pairs ----
    const std::vector<Command> toolbar = {
        {cmd::SaveButton, "Save the project", P::Toolbar, [](W& w) { w.saveProject(); }},
        {cmd::OpenButton, "Open a project", P::Toolbar, [](W& w) { w.openAsked(); }},
        {cmd::TowerButton,
         "Mobile phone tower: define a tower and place it with a click",
         P::Toolbar,
         [](W& w) {
             w.ensurePlanView();
             w.flows_->tower();
         },
         [](W& w) { w.releaseTowerTool(); },
         {},
         ""},
        {cmd::EraseButton, "Eliminate: click or drag over antennas to remove them", P::Toolbar,
         [](W& w) { w.cmdErase(); },
         [](W& w) {
             w.toolFlags_.end(PointerToolKind::Erase);
             w.tools_->hideRubberBands();
             w.setPressed(cmd::EraseButton, false);
         }},
        {cmd::TopographicButton, "Topographic lines: drag rectangles of a ground height",
         P::Toolbar, [](W& w) { w.flows_->topographic(); },
         [](W& w) {
             w.toolFlags_.endPlacement();
             w.toolFlags_.end(PointerToolKind::Topographic);
             w.tools_->hideRubberBands();
             w.setPressed(cmd::TopographicButton, false);
         }},
        {cmd::ScaleButton, "Scale: the width of the plan in metres", P::Toolbar,
         [](W& w) { w.cmdScale(); }, [](W& w) { w.setPressed(cmd::ScaleButton, false); }},
        {cmd::CalculationButton,
         "XY-Calculation of the power density",
         P::Toolbar,
         [](W& w) { w.flows_->xyCalculation(); },
         [](W& w) { w.setPressed(cmd::CalculationButton, false); },
         {},
         ""},
        {cmd::IsolinesButton,
         "Isolines",
         P::Toolbar,
         [](W& w) { w.showResults(ResultStyle::Isolines, true, cmd::IsolinesButton); },
         [](W& w) { w.releaseAntennaTool(); },
         {},
         ""},
        {cmd::GradientButton, "Colour gradient", P::Toolbar,
         [](W& w) { w.showResults(ResultStyle::Gradient, false, cmd::GradientButton); },
         [](W& w) {
             w.toolFlags_.endPlacement();
             w.tools_->hideRubberBands();
             w.setPressed(cmd::GradientButton, false);
         }},
        {cmd::NumericalGridButton, "Numerical grid", P::Toolbar,
         [](W& w) { w.showResults(ResultStyle::NumericalGrid, true, cmd::NumericalGridButton); }},
        {cmd::AverageButton, "Average (older air-pollution model)", P::Toolbar,
         [](W& w) { w.cmdAverage(); }},
    };
    t.insert(t.end(), toolbar.begin(), toolbar.end());
    return t;
}

void addOutputCommands(std::vector<Command>& t) {
    // Every output no other command offers gets an item of its own in the
    // GIS submenu, after the geographic commands, in the order of the table;
    // these separators go before the items that begin a group.
    static const std::pair<const char*, const char*> separators[] = {
        {"g7", "g6"}, {"g10", "g9"}, {"g13", "g12"}, {"g16", "g15"}, {"gridxy", "g18"}};
    std::vector<Command> items;
    for (const pipeline::OutputFormat& f : pipeline::outputFormats()) {
        const auto offered = [&f](const Command& c) { return !std::strcmp(c.name, f.command); };
        if (std::any_of(t.begin(), t.end(), offered) ||
            std::any_of(items.begin(), items.end(), offered))
            continue;
        const char* separator = nullptr;
        for (const auto& [command, name] : separators)
            if (!std::strcmp(command, f.command)) separator = name;
        const pipeline::OutputKind kind = f.kind;
        items.push_back({f.command,
                         f.caption,
                         Place::Gis,
                         [kind](MainWindow& w) { w.cmdExport(kind); },
                         {},
                         {},
                         separator});
    }
    auto at = t.begin();
    for (auto it = t.begin(); it != t.end(); ++it)
        if (it->place == Place::Gis) at = it + 1;
    t.insert(at, items.begin(), items.end());
}

} // namespace brenvik::app
