// The command table: the menus, and the rows of the File, Edit and View
// families. The other families keep their rows in files of their own.

#include "app/Commands.h"

#include "app/CommandActions.h"
#include "app/ComplianceFlows.h"
#include "app/Desktop.h"
#include "app/DocumentHolder.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/RealPlacesFlows.h"
#include "app/ResultState.h"
#include "app/SettingsFlows.h"
#include "app/StatusReadouts.h"
#include "app/ToolBench.h"
#include "app/UndoHistory.h"
#include "app/WindowParts.h"
#include "model/Document.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/Prompts.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QSettings>
#include <exception>

namespace brenvik::app {

std::vector<Command> CommandTable() {
    std::vector<Command> t;
    for (std::vector<Command> (*family)() :
         {FileCommands, EditCommands, ViewCommands, AntennaCommands, CalculationCommands,
          ToolsCommands, GeoCommands, OptionsCommands}) {
        std::vector<Command> rows = family();
        t.insert(t.end(), rows.begin(), rows.end());
    }
    AddComplianceCommands(t);
    AddRealPlacesCommands(t);
    AddOutputCommands(t);
    const std::vector<Command> toolbar = ToolbarCommands();
    t.insert(t.end(), toolbar.begin(), toolbar.end());
    return t;
}

void RunGuarded(WindowParts& parts, const Handler& command) {
    // One error trap per command: a failure is shown and the tools reset.
    try {
        command(parts);
    } catch (const std::exception&) {
        parts.prompts.message(msg::InputDataError);
        parts.tools.reset();
    }
    parts.results.refresh();
    parts.status.showHint(parts.tools.flags());
}

namespace {

void StartNewProject(WindowParts& w) {
    w.view.ensurePlan();
    w.tools.reset();
    // The question only when there is work to lose.
    if (w.document.hasUnsavedWork()) {
        w.document.askSaveChanges(PendingCommand::New);
        return;
    }
    NewProject(w.project);
    w.document.replaced();
}

void ImportImage(WindowParts& w) {
    // Every failure here leaves the window as it was, without a message.
    const std::optional<std::string> path = w.prompts.openPath("bmp Files (*.bmp)| *.bmp");
    if (!path) return;
    QImage picture;
    if (!picture.load(QString::fromStdString(*path)) || picture.isNull()) return;
    w.view.canvas().setBackgroundPicture(picture.convertToFormat(QImage::Format_RGB32));
    w.project.BackgroundLoaded = true;
    w.tools.reset();
    w.view.applyZoom(1.0);
}

void SetWhiteBackground(WindowParts& w, bool white) {
    w.project.WhiteBackground = white;
    w.view.applyBackground();
    w.view.redraw();
}

void SetSafeColours(WindowParts& w) {
    const QAction* a = w.bar.item(cmd::SafeColours);
    const bool safe = a && a->isChecked();
    w.project.Display.Colours = safe ? ColourScheme::ColourBlindSafe : ColourScheme::Classic;
    UserSettings().setValue(kSafeColoursKey, safe);
    w.view.redraw();
}

void SetGridLines(WindowParts& w, bool on) {
    w.view.ensurePlan();
    w.project.GridLinesOn = on;
    w.view.redraw();
}

void ShowPlan(WindowParts& w) {
    PlanCanvas& canvas = w.view.canvas();
    canvas.setLineVisible(Overlay::OriginX, true);
    canvas.setLineVisible(Overlay::OriginY, true);
    canvas.clear();
    w.project.CurrentPlane = Plane::XY;
    w.view.redraw();
}

void ShowSection(WindowParts& w) {
    PlanCanvas& canvas = w.view.canvas();
    canvas.setLineVisible(Overlay::OriginX, false);
    canvas.setLineVisible(Overlay::OriginY, false);
    const Project& p = w.project;
    if (p.Zoom != 1.0) {
        w.prompts.message("It is needed a a zoom value of 100% to make a XY-Calculation");
        return;
    }
    if (!p.XZ.Calculated) {
        w.prompts.message("Calcule first the electromagnetic pollution in the plane XZ");
        return;
    }
    if (p.XYCalcZoom != 1.0) {
        w.prompts.message(
            "To view the XZ-plane, it is needed a a zoom value of 100% to make a XY-Calculation");
        return;
    }
    w.project.CurrentPlane = Plane::XZ;
    w.view.redraw();
}

} // namespace

void OpenAsked(WindowParts& w) {
    w.tools.reset();
    if (w.document.hasUnsavedWork()) {
        w.document.askSaveChanges(PendingCommand::Open);
        return;
    }
    if (const std::optional<std::string> path = w.prompts.openPath(ProjectFileFilter))
        w.document.openFile(QFile::decodeName(path->c_str()), false);
}

void SaveProject(WindowParts& w) {
    w.tools.reset();
    // A project with a file of its own is saved onto it without asking.
    if (w.project.FileName.empty())
        w.document.saveAs();
    else
        w.document.saveTo(w.project.FileName);
}

std::vector<Command> FileCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::New, "New", P::File, StartNewProject, {}, QKeySequence::New},
        {cmd::Open,
         "Open",
         P::File,
         [](W& w) {
             w.view.ensurePlan();
             OpenAsked(w);
         },
         {},
         QKeySequence::Open},
        {cmd::Save,
         "Save",
         P::File,
         [](W& w) {
             w.view.ensurePlan();
             SaveProject(w);
         },
         {},
         QKeySequence::Save},
        {cmd::SaveAs,
         "Save &as...",
         P::File,
         [](W& w) {
             w.view.ensurePlan();
             w.tools.reset();
             w.document.saveAs();
         },
         {},
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {cmd::ImportImage, "Import image", P::File, ImportImage, {}, {}, "sep2"},
        {cmd::SaveImage, "Save image", P::File, SaveImage},
        {cmd::ExportPicture, "Export picture...", P::File, ExportPicture},
        {cmd::Print, "Print", P::File, PrintPlan, {}, QKeySequence::Print, "sep3"},
        {cmd::PrintImage, "Prnt image", P::File, PrintImage},
        {cmd::Exit,
         "Exit",
         P::File,
         [](W& w) {
             w.tools.reset();
             w.window.close();
         },
         {},
         QKeySequence(Qt::CTRL | Qt::Key_Q),
         "separador"},
    };
}

std::vector<Command> EditCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        {cmd::Undo,
         "&Undo",
         P::Edit,
         [](W& w) { w.document.history().undo(); },
         {},
         QKeySequence::Undo},
        {cmd::Redo,
         "&Redo",
         P::Edit,
         [](W& w) { w.document.history().redo(); },
         {},
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {cmd::History, "History", P::Edit, [](W& w) { w.desktop.showHistory(); }},
        {cmd::DeleteSelection,
         "Delete tower",
         P::Edit,
         [](W& w) { w.desktop.deleteSelection(); },
         {},
         QKeySequence(Qt::Key_Delete),
         "sepedit"},
    };
}

std::vector<Command> ViewCommands() {
    using W = WindowParts;
    using P = Place;
    return {
        // Ctrl+Z is Undo's, as everywhere else.
        {cmd::Zoom,
         "&Zoom",
         P::View,
         [](W& w) { w.settings.zoom(); },
         {},
         QKeySequence(Qt::CTRL | Qt::Key_M)},
        {cmd::ZoomToPlan,
         "Zoom to plan",
         P::View,
         [](W& w) { w.view.setView(1.0, 0.0, 0.0); },
         {},
         QKeySequence(Qt::CTRL | Qt::Key_0)},
        {cmd::ZoomToSelection, "Zoom to selection", P::View,
         [](W& w) { w.desktop.zoomToSelection(); }},
        {cmd::AttributeTable, "Attribute table", P::View, [](W& w) { w.desktop.showTable(); }},
        {cmd::Properties, "Properties", P::View, [](W& w) { w.desktop.showProperties(); }},
        {cmd::BlackBackground,
         "Black background",
         P::View,
         [](W& w) { SetWhiteBackground(w, false); },
         {},
         {},
         "separador1"},
        {cmd::WhiteBackground, "White background", P::View,
         [](W& w) {
             w.tools.reset();
             SetWhiteBackground(w, true);
         }},
        {cmd::SafeColours, "Colour-blind safe colours", P::View, SetSafeColours},
        {cmd::DrawGridLines,
         "Draw grid lines",
         P::View,
         [](W& w) { SetGridLines(w, true); },
         {},
         {},
         "separador2"},
        {cmd::EraseGridLines, "Eliminate grid lines", P::View,
         [](W& w) { SetGridLines(w, false); }},
        {cmd::DrawPicture, "Draw picture", P::View,
         [](W& w) {
             w.view.ensurePlan();
             w.view.redraw();
         }},
        {cmd::ErasePicture, "Eliminate picture", P::View,
         [](W& w) {
             w.view.ensurePlan();
             w.view.canvas().removeBackgroundPicture();
             w.project.BackgroundLoaded = false;
             w.view.redraw();
         }},
        {cmd::XYPlane, "XY-Plane", P::View, ShowPlan, {}, {}, "separador3"},
        {cmd::XZPlane, "XZ-Plane", P::View, ShowSection},
    };
}

} // namespace brenvik::app
