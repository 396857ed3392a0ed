#include "app/MainWindow.h"

#include "app/CalcFlows.h"
#include "app/CalcRunner.h"
#include "app/CommandBar.h"
#include "app/ComplianceFlows.h"
#include "app/Desktop.h"
#include "app/DocumentHolder.h"
#include "app/FlowKit.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/PointerTools.h"
#include "app/RealPlacesFlows.h"
#include "app/ResultState.h"
#include "app/SettingsFlows.h"
#include "app/ToolBench.h"
#include "app/TowerFlows.h"
#include "app/WindowParts.h"
#include "calc/AntennaEdits.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>
#include <cmath>

namespace brenvik::app {

namespace {

// A project file among dropped items: the first local file named *.bvk.
QString DroppedProject(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).suffix().compare("bvk", Qt::CaseInsensitive) == 0)
            return path;
    }
    return {};
}

// The window opens on the plan at 100 %, in isolines, with no result shown.
void StartView(Project& p) {
    p.ClearTowerDefinition();
    p.XY.Calculated = false;
    p.XZ.Calculated = false;
    p.DisplayMode = ResultStyle::Isolines;
    p.GridLinesOn = true;
    p.Zoom = 1.0;
    p.XYCalcZoom = 1.0;
    p.ScrollOffsetX = p.ScrollOffsetY = 0.0;
    p.CurrentPlane = Plane::XY;
}

} // namespace

// Every service of the window, in the order they are built.
struct MainWindow::Services {
    std::unique_ptr<StatusReadouts> status;
    std::unique_ptr<PlanView> view;
    std::unique_ptr<CommandBar> bar;
    std::unique_ptr<ToolBench> tools;
    std::unique_ptr<DocumentHolder> document;
    CalcRunner* runner = nullptr; // a child of the window
    std::unique_ptr<TowerFlows> towers;
    std::unique_ptr<SettingsFlows> settings;
    std::unique_ptr<GeoFlows> geo;
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<ComplianceFlows> compliance;
    std::unique_ptr<ResultState> results;
    std::unique_ptr<CalcFlows> calc;
    std::unique_ptr<RealPlacesFlows> realPlaces;
    std::unique_ptr<WindowParts> parts;
};

MainWindow::MainWindow(Project& project, Prompts& prompts, PrintService& printer, QWidget* parent)
    : QMainWindow(parent), project_(project), s_(std::make_unique<Services>()) {
    setObjectName("Form2");
    project_.ValueDecimals = "4";
    Services& s = *s_;
    s.status = std::make_unique<StatusReadouts>(statusBar());
    s.view = std::make_unique<PlanView>(*this, project_, prompts, *s.status);
    s.bar = std::make_unique<CommandBar>();
    s.tools = std::make_unique<ToolBench>(*this, project_, prompts, *s.view, *s.bar, *s.status);
    s.document = std::make_unique<DocumentHolder>(*this, project_, prompts, *s.bar, *s.view,
                                                  *s.tools, *s.status);
    setAcceptDrops(true);
    s.runner = new CalcRunner(this);
    const FlowKit kit{project_, prompts, *this, *s.tools, *s.view, *s.bar, *s.document, *s.status};
    s.towers = std::make_unique<TowerFlows>(kit);
    s.settings = std::make_unique<SettingsFlows>(kit);
    s.geo = std::make_unique<GeoFlows>(kit);
    s.desktop =
        std::make_unique<Desktop>(*this, project_, prompts, *s.view, *s.document, *s.towers,
                                  [this](const std::function<void()>& edit) {
                                      RunGuarded(*s_->parts, [&edit](WindowParts&) { edit(); });
                                  });
    wireHooks();

    s.tools->flags() = ToolFlags{};
    StartView(project_);
    s.document->updateTitle();
    resize(1280, 860);
    s.view->applyBackground();
    s.view->redraw();
    // After the first picture: the read-outs start with their first texts.
    s.status->build(project_.XY.Density.inBounds(0, 0) ? project_.XY.Density(0, 0) : 0.0);
    // Compliance: its read-out labels follow the others.
    const auto redraw = [this] { s_->view->redraw(); };
    const auto record = [this](const char* text, Edit edit, bool applied) {
        s_->document->record(text, std::move(edit), applied);
    };
    s.compliance = std::make_unique<ComplianceFlows>(project_, prompts, *this, statusBar(), redraw);
    s.compliance->setRecorder(record);
    s.results = std::make_unique<ResultState>(
        project_, prompts, statusBar(), &s.view->canvas(),
        [this](std::function<void()> then) { s_->calc->runXYCalculation(std::move(then)); });
    s.compliance->setGate(s.runner, s.results.get());
    s.calc = std::make_unique<CalcFlows>(kit, *s.runner, *s.compliance, *s.desktop);
    s.realPlaces = std::make_unique<RealPlacesFlows>(project_, prompts, *this,
                                                     s.compliance->library(), redraw, record);
    s.view->setDecorations(
        [this](PlanView::Painter paint) {
            // In "% of limit" the step draws the percent view; the buildings
            // and places with their exposure go over the plan's result.
            return s_->realPlaces->decorate(s_->compliance->decorate(std::move(paint)));
        },
        [this](const Project& p) { return s_->compliance->shown(p); });

    s.parts = std::make_unique<WindowParts>(
        WindowParts{project_, prompts, printer, *this, *s.status, *s.view, *s.bar, *s.tools,
                    *s.document, *s.desktop, *s.towers, *s.calc, *s.settings, *s.geo, *s.compliance,
                    *s.realPlaces, *s.results, *s.runner});
    // The recent files' submenu takes its letter before the items choose.
    s.bar->build(
        *this, CommandTable(), [this](const Handler& h) { RunGuarded(*s_->parts, h); },
        [this] { s_->document->rebuildRecentMenu(); });
    // "% of limit" and the boundaries are choices.
    if (QAction* a = item(cmd::PercentOfLimit)) a->setCheckable(true);
    if (QAction* a = item(cmd::ShowBoundaries)) a->setCheckable(true);
    // Results start in the colours the user chose last, colour-blind safe
    // unless the classic ones were asked for.
    const bool safe = UserSettings().value(kSafeColoursKey, true).toBool();
    project_.Display.Colours = safe ? ColourScheme::ColourBlindSafe : ColourScheme::Classic;
    if (QAction* a = item(cmd::SafeColours)) {
        a->setCheckable(true);
        a->setChecked(safe);
    }
    s.document->updateModified();
}

MainWindow::~MainWindow() {
    // The services go before the widgets that hold them: a widget leaving
    // under the pointer must no longer reach them.
    s_->view->canvas().pointer()->disconnect();
}

void MainWindow::wireHooks() {
    s_->document->setPendingDialogs([this](PendingDialog d) { s_->settings->pending(d); });
    s_->tools->attach({[this](int slot) { s_->desktop->setSelection(slot); },
                       [this](int slot) { s_->desktop->openEditor(slot); },
                       [this](const char* text, Edit edit, bool applied) {
                           s_->document->record(text, std::move(edit), applied);
                           if (s_->compliance) s_->compliance->followResult();
                       },
                       [this] { s_->document->updateTitle(); }, [this] { s_->towers->forget(); },
                       [this](QPointF u) {
                           if (s_->compliance) s_->compliance->pointerAt(u);
                           if (s_->realPlaces) s_->realPlaces->pointerAt(u, s_->view->canvas());
                       }});
    s_->view->setRedrawHooks(
        [this] {
            if (s_->results) s_->results->refresh();
            if (s_->compliance) s_->compliance->followResult();
        },
        [this] { s_->desktop->refresh(); });
    s_->document->setOnReplaced([this] {
        s_->desktop->setSelection(0);
        if (s_->compliance) s_->compliance->clearReadout();
    });
    connectCanvas();
}

void MainWindow::connectCanvas() {
    CanvasPointer* canvas = s_->view->canvas().pointer();
    ToolBench* tools = s_->tools.get();
    connect(canvas, &CanvasPointer::pressed, this, [tools](QPointF u) { tools->press(u); });
    connect(canvas, &CanvasPointer::moved, this, [tools](QPointF u) { tools->move(u); });
    connect(canvas, &CanvasPointer::released, this, [tools](QPointF u) { tools->release(u); });
    connect(canvas, &CanvasPointer::left, this, [this] { s_->status->clear(); });
    connect(canvas, &CanvasPointer::doubleClicked, this, [this](QPointF u) {
        const PointerToolKind tool = s_->tools->flags().Active;
        if (project_.CurrentPlane != Plane::XY ||
            (tool != PointerToolKind::Select && tool != PointerToolKind::Arrow))
            return;
        const PointerPositions pos = pointerPositions(project_, u);
        RunGuarded(*s_->parts, [&pos](WindowParts& w) {
            w.desktop.openEditor(AntennaAtPlan(w.project, pos.xp, pos.yp));
        });
    });
    connect(canvas, &CanvasPointer::wheeled, this,
            [this](QPointF u, double steps) { s_->view->zoomAt(u, std::pow(1.25, steps)); });
    connect(canvas, &CanvasPointer::panned, this, [this](QPointF d) { s_->view->panBy(d); });
}

void MainWindow::resetTools() {
    s_->tools->reset();
}

void MainWindow::redrawView() {
    s_->view->redraw();
}

PlanCanvas* MainWindow::canvasWidget() const {
    return &s_->view->canvas();
}

CalcRunner* MainWindow::calcRunner() const {
    return s_->runner;
}

ComplianceFlows& MainWindow::compliance() {
    return *s_->compliance;
}

QAction* MainWindow::item(const QString& objectName) const {
    return s_->bar->item(objectName);
}

QScrollBar* MainWindow::hScroll() const {
    return s_->view->hScroll();
}

QScrollBar* MainWindow::vScroll() const {
    return s_->view->vScroll();
}

QString MainWindow::labelText(const QString& objectName) const {
    return s_->status->text(objectName);
}

const char* MainWindow::activeToolName() {
    return s_->tools->activeName();
}

ToolFlags& MainWindow::toolFlags() {
    return s_->tools->flags();
}

QImage MainWindow::areaImage() const {
    return s_->view->areaImage();
}

QTableView* MainWindow::antennaTable() const {
    return s_->desktop->table();
}

UndoHistory& MainWindow::history() {
    return s_->document->history();
}

bool MainWindow::hasUnsavedWork() const {
    return s_->document->hasUnsavedWork();
}

bool MainWindow::openFile(const QString& path, bool ask) {
    return s_->document->openFile(path, ask);
}

QStringList MainWindow::recentFiles() const {
    return s_->document->recentFiles();
}

int MainWindow::selection() const {
    return s_->desktop->selection();
}

void MainWindow::setSelection(int slot) {
    s_->desktop->setSelection(slot);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    resetTools();
    if (s_->document->confirmDiscard())
        e->accept();
    else
        e->ignore();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (!DroppedProject(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QString path = DroppedProject(e->mimeData());
    if (path.isEmpty()) return;
    e->acceptProposedAction();
    // The question and the reading wait until the drop has ended.
    QMetaObject::invokeMethod(
        this, [this, path] { openFile(path, true); }, Qt::QueuedConnection);
}

} // namespace brenvik::app
