// The window's own commands: building the menus and the toolbar from the
// command table, and the commands that open no dialog.

#include "app/DialogFlows.h"
#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/PrintLegend.h"
#include "app/PrintService.h"
#include "app/ResultState.h"
#include "app/ScrollView.h"
#include "app/UndoHistory.h"
#include "model/Document.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/Prompts.h"
#include "qtsurface/QtSurface.h"
#include "render/DisplayForms.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QSet>
#include <QToolBar>
#include <QToolButton>
#include <exception>

namespace brenvik::app {

namespace {

constexpr const char* kBmpFilter = "bmp Files (*.bmp)| *.bmp";
constexpr const char* kPrintError = "Error al imprimir";

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Restores the normal pointer when a long redraw ends, however it ends.
struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

void giveMnemonics(QMenu* menu) {
    // Every item keeps the letter it was given; the others take the first
    // free letter that starts a word, else any free letter.
    const QList<QAction*> actions = menu->actions();
    QSet<QChar> used;
    for (QAction* a : actions) {
        const QString t = a->text();
        const int amp = t.indexOf('&');
        if (amp >= 0 && amp + 1 < t.size()) used.insert(t.at(amp + 1).toLower());
    }
    for (QAction* a : actions) {
        QString t = a->text();
        if (a->isSeparator() || t.isEmpty() || t.contains('&')) continue;
        int pick = -1;
        for (int pass = 0; pass < 2 && pick < 0; ++pass)
            for (int i = 0; i < t.size() && pick < 0; ++i) {
                const bool wordStart = i == 0 || !t.at(i - 1).isLetterOrNumber();
                if (t.at(i).isLetter() && (pass == 1 || wordStart) &&
                    !used.contains(t.at(i).toLower()))
                    pick = i;
            }
        if (pick < 0) continue;
        used.insert(t.at(pick).toLower());
        t.insert(pick, '&');
        a->setText(t);
    }
}

} // namespace

// ---- Building the window -------------------------------------------------------------

void MainWindow::buildCommands() {
    QMap<Place, QMenu*> menus;
    for (const Menu& m : app::menus()) {
        QMenu* made = m.parent == m.place ? menuBar()->addMenu(m.title)
                                          : menus.value(m.parent)->addMenu(m.title);
        made->setObjectName(m.name);
        menus.insert(m.place, made);
    }
    toolbar_ = addToolBar("Tools");
    toolbar_->setObjectName("iconshape");
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(32, 32));
    for (Command& c : commandTable()) {
        const bool onToolbar = c.place == Place::Toolbar;
        if (c.separatorBefore) {
            QAction* sep =
                onToolbar ? toolbar_->addSeparator() : menus.value(c.place)->addSeparator();
            sep->setObjectName(c.separatorBefore);
        }
        QAction* a = onToolbar ? addToolButton(c) : new QAction(c.caption, this);
        a->setObjectName(c.name);
        items_.insert(c.name, a);
        if (onToolbar) {
            toolbar_->addAction(a);
            if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a)))
                b->setObjectName(c.name);
            continue;
        }
        if (!c.shortcut.isEmpty()) {
            a->setShortcut(c.shortcut);
            a->setToolTip(QString(c.caption).remove('&') + " (" +
                          c.shortcut.toString(QKeySequence::NativeText) + ")");
        }
        connect(a, &QAction::triggered, this, [this, run = std::move(c.run)] { guarded(run); });
        menus.value(c.place)->addAction(a);
    }
    rebuildRecentMenu();
    for (QMenu* m : menus)
        giveMnemonics(m);
    // Redo answers both of the usual keys.
    if (QAction* redo = items_.value(cmd::Redo))
        redo->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
}

QAction* MainWindow::addToolButton(Command& c) {
    auto* a = new QAction(toolIcon(c.name), c.caption, this);
    a->setCheckable(true);
    a->setToolTip(c.caption);
    // The click has toggled the button already: put it back and let the
    // command decide whether it shows its pressed picture.
    connect(a, &QAction::triggered, this,
            [this, a, press = std::move(c.run), release = std::move(c.release)](bool nowChecked) {
                const bool wasPressed = !nowChecked;
                a->setChecked(wasPressed);
                if (!wasPressed)
                    guarded(press);
                else if (release)
                    guarded(release);
            });
    return a;
}

void MainWindow::guarded(const Handler& command) {
    // One error trap per command: a failure is shown and the tools reset.
    try {
        command(*this);
    } catch (const std::exception&) {
        warn(msg::InputDataError);
        resetTools();
    }
    if (results_) results_->refresh();
    updateHint();
}

// ---- Display commands -------------------------------------------------------------------------

void MainWindow::showResults(ResultStyle style, bool resetFirst, const char* toolbarName) {
    if (resetFirst) resetTools();
    if (toolbarName) setPressed(toolbarName, true);
    const render::DisplayCommandOutcome out = render::showResults(project_, style);
    if (!out.accepted) {
        warn(out.message);
        resetTools();
        if (toolbarName) setPressed(toolbarName, false);
        return;
    }
    {
        Hourglass busy;
        redrawView();
    }
    if (toolbarName) setPressed(toolbarName, false);
}

void MainWindow::dotsOfColours() {
    const render::DisplayCommandOutcome out = render::showResults(project_, ResultStyle::Dots);
    if (!out.accepted) {
        warn(out.message);
        resetTools();
        return;
    }
    Hourglass busy;
    // Only the dots, over what is already drawn; the line objects stay.
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom& dots) {
            render::drawDots(pr, s, render::currentPlane(pr), dots);
            return std::optional<render::SceneControls>();
        },
        false);
}

// ---- Files --------------------------------------------------------------------------------------

void MainWindow::askSaveChanges(PendingCommand action) {
    const std::string fileBefore = project_.FileName;
    const SaveChangesOutcome out = AskSaveChanges(project_, prompts_, action);
    if (out.answer == Prompts::Answer::Yes) {
        if (out.saved) {
            history_->setClean();
            calculatedSinceSave_ = false;
            addRecent(QFile::decodeName(out.savedPath.c_str()));
        } else {
            project_.FileName = fileBefore; // the title names the project's own file
        }
    }
    updateTitle();
    if (out.documentChanged) documentReplaced();
    // "Yes" that saved goes on with the action as "No" does.
    if (out.answer == Prompts::Answer::No || out.saved) flows_->pending(out.dialog);
}

void MainWindow::cmdNew() {
    ensurePlanView();
    resetTools();
    // The question only when there is work to lose.
    if (hasUnsavedWork()) {
        askSaveChanges(PendingCommand::New);
        return;
    }
    NewProject(project_);
    documentReplaced();
}

void MainWindow::cmdOpen() {
    ensurePlanView();
    openAsked();
}

void MainWindow::openAsked() {
    resetTools();
    if (hasUnsavedWork()) {
        askSaveChanges(PendingCommand::Open);
        return;
    }
    if (const std::optional<std::string> path = prompts_.openPath(ProjectFileFilter))
        openFile(QFile::decodeName(path->c_str()), false);
}

void MainWindow::cmdSave() {
    ensurePlanView();
    saveProject();
}

void MainWindow::saveProject() {
    resetTools();
    // A project with a file of its own is saved onto it without asking.
    if (project_.FileName.empty())
        saveAs();
    else
        saveTo(project_.FileName);
}

void MainWindow::cmdSaveAs() {
    ensurePlanView();
    resetTools();
    saveAs();
}

void MainWindow::setWhiteBackground(bool white) {
    project_.WhiteBackground = white;
    applyBackground();
    redrawView();
}

void MainWindow::setGridLines(bool on) {
    ensurePlanView();
    project_.GridLinesOn = on;
    redrawView();
}

void MainWindow::cmdImportImage() {
    // Every failure here leaves the window as it was, without a message.
    const std::optional<std::string> path = prompts_.openPath(kBmpFilter);
    if (!path) return;
    QImage picture;
    if (!picture.load(q(*path)) || picture.isNull()) return;
    canvas_->setBackgroundPicture(picture.convertToFormat(QImage::Format_RGB32));
    project_.BackgroundLoaded = true;
    resetTools();
    applyZoom(1.0);
}

void MainWindow::cmdSaveImage() {
    if (project_.GridLinesOn)
        paintSteps(
            [](const Project& pr, render::Surface& s, render::DotRandom&) {
                render::drawGridLines(pr, s);
                return std::optional<render::SceneControls>();
            },
            false);
    const std::optional<std::string> path = prompts_.savePath(kBmpFilter);
    if (!path) return;
    canvas_->naturalImage().save(q(*path), "BMP");
}

// ---- Zoom and scrolling -----------------------------------------------------------------------

void MainWindow::applyZoom(double zoom) {
    project_.Zoom = zoom;
    const ScrollRange range = scrollRange(zoom);
    for (QScrollBar* bar : {hscroll_, vscroll_}) {
        const QSignalBlocker block(bar);
        bar->setRange(0, range.maximum);
        bar->setPageStep(range.pageStep);
    }
    // A bar whose position fell to its new maximum moves the view as its own
    // change would.
    scrolled();
}

void MainWindow::scrolled() {
    const double z = project_.Zoom;
    project_.ScrollOffsetX =
        scrollOffset(hscroll_->value(), hscroll_->maximum(), z, area::ScaleWidth);
    project_.ScrollOffsetY =
        scrollOffset(vscroll_->value(), vscroll_->maximum(), z, area::ScaleHeight);
    redrawView();
}

// ---- Planes
// ---------------------------------------------------------------------------------------

void MainWindow::cmdXYPlane() {
    canvas_->setLineVisible(Overlay::OriginX, true);
    canvas_->setLineVisible(Overlay::OriginY, true);
    canvas_->clear();
    project_.CurrentPlane = Plane::XY;
    redrawView();
}

void MainWindow::cmdXZPlane() {
    canvas_->setLineVisible(Overlay::OriginX, false);
    canvas_->setLineVisible(Overlay::OriginY, false);
    if (project_.Zoom != 1.0) {
        warn("It is needed a a zoom value of 100% to make a XY-Calculation");
        return;
    }
    if (!project_.XZ.Calculated) {
        warn("Calcule first the electromagnetic pollution in the plane XZ");
        return;
    }
    if (project_.XYCalcZoom != 1.0) {
        warn("To view the XZ-plane, it is needed a a zoom value of 100% to make a XY-Calculation");
        return;
    }
    project_.CurrentPlane = Plane::XZ;
    redrawView();
}

// ---- Tools
// ------------------------------------------------------------------------------------------

void MainWindow::cmdErase() {
    resetTools();
    setPressed(cmd::EraseButton, true);
    toolFlags_.arm(PointerToolKind::Erase);
}

void MainWindow::cmdScale() {
    resetTools();
    setPressed(cmd::ScaleButton, true);
    askSaveChanges(PendingCommand::Scale);
    // Pressed while its dialog is open: a Cancel to the question opens none.
    if (!openDialogNamed("escal")) setPressed(cmd::ScaleButton, false);
}

void MainWindow::cmdAverage() {
    if (project_.AntennaCount == 0) {
        warn("It is needed at least a pollutant source");
        return;
    }
    resetTools();
    setPressed(cmd::AverageButton, true);
    toolFlags_.AverageToolOn = true;
    updateHint(); // the status bar says what the pressed button does
}

// ---- Exports ----------------------------------------------------------------------------------

void MainWindow::cmdExport(pipeline::OutputKind kind) {
    resetTools();
    const pipeline::OutputFormat& f = pipeline::outputFormat(kind);
    // Asked on this thread, written on the operation's; the export names its
    // own file and the title keeps naming the project's.
    const auto write = [this, &f] {
        if (f.refusal)
            if (const auto refused = f.refusal(project_)) {
                warn(*refused);
                return;
            }
        const std::optional<std::string> path = prompts_.savePath(f.filter);
        if (!path) return;
        const pipeline::OutputKind k = f.kind;
        const Project& p = project_;
        const pipeline::OutputContext ctx = compliance_->outputContext();
        const std::optional<std::string> failed =
            RunOperation(this, QString::fromUtf8(f.caption), [&p, k, &path, &ctx](Feedback& fb) {
                return pipeline::WriteOutput(p, k, *path, fb, ctx);
            });
        if (failed && *failed != msg::Interrupted) warn(*failed);
    };
    if (f.needs == pipeline::OutputNeeds::Nothing)
        write();
    else
        results_->whenCurrent(write);
}

// ---- Printing
// ------------------------------------------------------------------------------------

void MainWindow::printWith(const std::function<bool(QPrinter&)>& print) {
    QPrinter printer(QPrinter::HighResolution);
    // The document takes the project's name; a PDF file is offered under it.
    const QString base = QFileInfo(q(project_.FileName)).completeBaseName();
    printer.setDocName(base.isEmpty() ? QString("Brenvik") : base);
    if (!printer_.choose(printer, this)) return;
    if (!print(printer)) warn(kPrintError);
}

void MainWindow::cmdPrint() {
    const PrintLegend legend =
        printLegend(project_, QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm"));
    // Paper is white: the plane is drawn again in the colours of the white
    // background.
    Project paper = project_;
    paper.WhiteBackground = true;
    auto sheet = std::make_shared<const Project>(std::move(paper));
    const render::DotRandom dotsNow = dots_;
    const QImage picture = canvas_->backgroundPicture();
    auto paintArea = [sheet, dotsNow, picture](QPainter& p, const QRectF& target) {
        qtsurface::QtSurface s(p, target);
        s.setBackColour(render::kWhite);
        if (!picture.isNull()) s.setBackgroundPicture(picture);
        s.clear();
        render::DotRandom dots = dotsNow;
        render::redrawView(*sheet, s, dots);
    };
    printWith(
        [paintArea, legend](QPrinter& printer) { return printPlane(printer, paintArea, legend); });
}

void MainWindow::cmdPrintImage() {
    printWith([this](QPrinter& printer) { return printArea(printer, *canvas_); });
}

} // namespace brenvik::app
