#include "app/MainWindow.h"

#include "app/CalcRunner.h"
#include "app/DialogFlows.h"
#include "app/PlanCanvas.h"
#include "app/ResultState.h"
#include "app/UndoHistory.h"
#include "geo/Geo.h"
#include "model/Document.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "qtsurface/QtSurface.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <cmath>
#include <exception>

namespace brenvik::app {

namespace {

// Runs the renderers without drawing anything: the window learns where the
// scene puts its line objects and the dots' random source moves on exactly as
// if the picture had been drawn.
class DiscardingSurface : public render::Surface {
  protected:
    void doClear() override {}
    void doLine(double, double, double, double, render::Rgb) override {}
    void doBox(double, double, double, double, render::Rgb, const render::Rgb*) override {}
    void doCircle(double, double, double, render::Rgb, const render::Rgb*) override {}
    void doPoint(double, double, render::Rgb) override {}
    void doText(double, double, const std::string&, render::Rgb, double) override {}
};

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The toolbar pairs that the tool reset releases.
const char* const kToolbarOrder[] = {
    cmd::TowerButton,         cmd::IsolinesButton,    cmd::GradientButton,
    cmd::TopographicButton,   cmd::AverageButton,     cmd::ScaleButton,
    cmd::NumericalGridButton, cmd::CalculationButton, cmd::EraseButton};

} // namespace

MainWindow::MainWindow(Project& project, Prompts& prompts, PrintService& printer, QWidget* parent)
    : QMainWindow(parent), project_(project), prompts_(prompts), printer_(printer) {
    setObjectName("Form2");
    project_.ValueDecimals = "4";

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    canvas_ = new PlanCanvas(central);
    hscroll_ = new QScrollBar(Qt::Horizontal, central);
    hscroll_->setObjectName("HScrollx");
    vscroll_ = new QScrollBar(Qt::Vertical, central);
    vscroll_->setObjectName("VScrolly");
    for (QScrollBar* bar : {hscroll_, vscroll_}) {
        bar->setRange(0, 0);
        QSizePolicy sp = bar->sizePolicy();
        sp.setRetainSizeWhenHidden(true); // the plan keeps its size on the section
        bar->setSizePolicy(sp);
        connect(bar, &QScrollBar::valueChanged, this, &MainWindow::scrolled);
    }
    grid->addWidget(canvas_, 0, 0);
    grid->addWidget(vscroll_, 0, 1);
    grid->addWidget(hscroll_, 1, 0);
    setCentralWidget(central);

    history_ = new UndoHistory(
        project_, [this] { afterHistoryStep(); }, this);
    connect(history_, &UndoHistory::changed, this, &MainWindow::updateModified);
    connect(history_, &UndoHistory::cleanChanged, this, &MainWindow::updateModified);
    setAcceptDrops(true);
    runner_ = new CalcRunner(this);
    tools_ = std::make_unique<PointerTools>(static_cast<ToolHost&>(*this));
    flows_ = std::make_unique<DialogFlows>(*this);
    connect(canvas_, &PlanCanvas::pressed, this, &MainWindow::pointerPress);
    connect(canvas_, &PlanCanvas::moved, this, &MainWindow::pointerMove);
    connect(canvas_, &PlanCanvas::released, this, &MainWindow::pointerRelease);
    connect(canvas_, &PlanCanvas::left, this, &MainWindow::clearReadouts);
    connect(canvas_, &PlanCanvas::doubleClicked, this, [this](QPointF u) {
        if (project_.CurrentPlane != Plane::XY || toolFlags_.Active != PointerToolKind::Select)
            return;
        const PointerPositions pos = pointerPositions(project_, u);
        guarded([&](MainWindow& w) { w.openEditor(AntennaAtPlan(w.project_, pos.xp, pos.yp)); });
    });
    connect(canvas_, &PlanCanvas::wheeled, this,
            [this](QPointF u, double steps) { zoomAt(u, std::pow(1.25, steps)); });
    connect(canvas_, &PlanCanvas::panned, this, &MainWindow::panBy);
    buildDocks();

    buildCommands();

    toolFlags_ = ToolFlags{};
    project_.ClearTowerDefinition();
    project_.XY.Calculated = false;
    project_.XZ.Calculated = false;
    project_.DisplayMode = ResultStyle::Isolines;
    project_.GridLinesOn = true;
    project_.Zoom = 1.0;
    project_.XYCalcZoom = 1.0;
    project_.ScrollOffsetX = project_.ScrollOffsetY = 0.0;
    project_.CurrentPlane = Plane::XY;
    updateTitle();
    resize(1280, 860);
    applyBackground();
    redrawView();
    // After the first picture: the read-outs start with their first texts.
    buildStatusArea();
    // Compliance: its read-out labels follow the others; "% of limit" is a choice.
    compliance_ = std::make_unique<ComplianceFlows>(project_, prompts_, *this, statusBar(),
                                                    [this] { redrawView(); });
    if (QAction* a = item(cmd::PercentOfLimit)) a->setCheckable(true);
    if (QAction* a = item(cmd::ShowBoundaries)) a->setCheckable(true);
    compliance_->setRecorder([this](const char* text, Edit edit, bool applied) {
        recordEdit(text, std::move(edit), applied);
    });
    results_ = std::make_unique<ResultState>(
        project_, prompts_, statusBar(), canvas_,
        [this](std::function<void()> then) { flows_->runXYCalculation(std::move(then)); });
    compliance_->setGate(runner_, results_.get());
    realPlaces_ = std::make_unique<RealPlacesFlows>(
        project_, prompts_, *this, compliance_->library(), [this] { redrawView(); },
        [this](const char* text, Edit edit, bool applied) {
            recordEdit(text, std::move(edit), applied);
        });
}

MainWindow::~MainWindow() {
    // The history empties itself as it goes; the window is no longer there to
    // show it.
    disconnect(history_, nullptr, this, nullptr);
}

void MainWindow::buildStatusArea() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusArea");
    // Each read-out takes the width of the longest text it shows, so that no
    // field is cut; the tool hint takes what is left and clips.
    auto add = [&](const char* name, const QString& text, const QString& longest) {
        auto* l = new QLabel(text, bar);
        l->setObjectName(name);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (longest.isEmpty()) {
            l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            bar->addWidget(l, 1);
        } else {
            l->setMinimumWidth(l->fontMetrics().horizontalAdvance(longest) + 2 * l->frameWidth() +
                               8);
            bar->addWidget(l, 0);
        }
        labels_.insert(name, l);
    };
    add(label::X, "X=", "X=-00000.00 m");
    add(label::Y, "Y=", "Y=-00000.00 m");
    add(label::Lon, "X(long)=", "X(long)=-000.00000000 grad");
    add(label::Lat, "Y(lat)=", "Y(lat)=-00.00000000 grad");
    add(label::Z, "Z=", "Z=0000.00 m");
    add(label::Density,
        "C=" +
            q(render::formatFixed(
                project_.XY.Density.inBounds(0, 0) ? project_.XY.Density(0, 0) : 0.0, 6)) +
            " microWatts/cm^2",
        "C=00000.000000 microWatts/cm^2");
    add(label::Height, "h=ground level", "h=ground level");
    add(label::Source, "no determined source", "no determined source");
    add(label::Hint, "", QString());
}

// ---- Window operations ------------------------------------------------------------------

void MainWindow::warn(const std::string& text) {
    prompts_.message(text);
}

void MainWindow::updateTitle() {
    // "[*]" shows the unsaved-work mark where the platform puts it.
    setWindowTitle(q(project_.Title()) + "[*]");
    updateModified();
}

QAction* MainWindow::item(const QString& objectName) const {
    return items_.value(objectName);
}

QString MainWindow::labelText(const QString& objectName) const {
    QLabel* l = labels_.value(objectName);
    return l ? l->text() : QString();
}

void MainWindow::setLabel(const char* name, const QString& text) {
    if (QLabel* l = labels_.value(name)) l->setText(text);
}

void MainWindow::setPressed(const char* name, bool pressed) {
    if (QAction* a = items_.value(name)) a->setChecked(pressed);
}

QDialog* MainWindow::openDialogNamed(const QString& name) const {
    for (QDialog* d : findChildren<QDialog*>())
        if (d->objectName() == name && d->isVisible()) return d;
    return nullptr;
}

void MainWindow::showDialog(QDialog* d, bool modal) {
    d->setAttribute(Qt::WA_DeleteOnClose);
    if (modal)
        d->open();
    else
        d->show();
}

void MainWindow::resetTools() {
    if (resetting_) return;
    resetting_ = true;
    toolFlags_ = ToolFlags{};
    project_.ClearTowerDefinition();
    editAntenna_ = editTowerAntenna_ = 0;
    static const QStringList toolDialogs{"cal",     "cal2",     "escal",    dlg::Antenna,
                                         "reliev",  "malla",    "canarina", "zoom1",
                                         "cambios", dlg::Tower, "colorb"};
    for (QDialog* d : findChildren<QDialog*>())
        if (toolDialogs.contains(d->objectName()) && d->isVisible()) d->close();
    tools_->hideRubberBands();
    for (const char* name : kToolbarOrder)
        setPressed(name, false);
    resetting_ = false;
    updateHint();
}

void MainWindow::ensurePlanView() {
    if (project_.CurrentPlane == Plane::XY) return;
    warn("Para realizar esta operación, pasamos primero al plano XY");
    canvas_->clear();
    project_.CurrentPlane = Plane::XY;
    redrawView();
}

void MainWindow::paintSteps(const Painter& step, bool clearFirst) {
    // In "% of limit" the step draws the project's percent view.
    // (The first picture is drawn before the compliance read-outs exist.)
    Painter paint = compliance_ ? compliance_->decorate(step) : step;
    // The buildings and places with their exposure, over the plan's result.
    if (realPlaces_) paint = realPlaces_->decorate(std::move(paint));
    // A drawing step paints straight onto the canvas through the QPainter
    // surface. For its replays (resize, another screen scale) it keeps the
    // project and the dots' random state as they were, so every replay paints
    // the same picture without keeping a list of primitives, which for a large
    // result would cost far more than drawing it.
    auto snapshot =
        std::make_shared<const Project>(compliance_ ? compliance_->shown(project_) : project_);
    const render::DotRandom dotsBefore = dots_;
    DiscardingSurface probe;
    const std::optional<render::SceneControls> controls = paint(*snapshot, probe, dots_);
    const render::Rgb back = project_.WhiteBackground ? render::kWhite : render::kBlack;
    const QImage picture = canvas_->backgroundPicture();
    if (clearFirst) canvas_->clear();
    // On screen every text and symbol keeps a readable size; the saved bitmap
    // and the printer replay the same steps at their own sizes.
    const double dpi = canvas_->logicalDpiY();
    PlanCanvas* canvas = canvas_;
    canvas_->draw([snapshot, dotsBefore, paint, back, picture, dpi, canvas](QPainter& p,
                                                                            const QRectF& target) {
        qtsurface::QtSurface s(p, target);
        if (p.device() == &canvas->backing()) s.setScreenLegibility(dpi);
        s.setBackColour(back);
        if (!picture.isNull()) s.setBackgroundPicture(picture);
        render::DotRandom dots = dotsBefore;
        paint(*snapshot, s, dots);
    });
    if (controls) applySceneControls(*controls);
}

void MainWindow::redrawView() {
    if (!hasResult()) setLabel(label::Density, "C=");
    if (results_) results_->refresh();
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom& dots) {
            return std::optional<render::SceneControls>(render::redrawView(pr, s, dots));
        },
        true);
    refreshDesktop();
}

void MainWindow::redrawPlanScene() {
    // The eraser has discarded the result: its value under the pointer goes too.
    if (!hasResult()) setLabel(label::Density, "C=");
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom&) {
            s.clear();
            return std::optional<render::SceneControls>(render::drawPlanScene(pr, s));
        },
        true);
    refreshDesktop();
}

void MainWindow::applySceneControls(const render::SceneControls& c) {
    canvas_->setLineVisible(Overlay::OriginX, c.geoLinesVisible);
    canvas_->setLineVisible(Overlay::OriginY, c.geoLinesVisible);
    placeOriginMarker();
    hscroll_->setVisible(c.scrollBarsVisible);
    vscroll_->setVisible(c.scrollBarsVisible);
    auto place = [&](Overlay name, const std::optional<render::Segment>& seg) {
        if (seg) canvas_->setLine(name, QLineF(seg->x1, seg->y1, seg->x2, seg->y2));
        canvas_->setLineVisible(name, seg.has_value());
    };
    place(Overlay::SectionLine, c.cortez);
    place(Overlay::SectionOnSection, c.cortexy);
}

void MainWindow::placeOriginMarker() {
    const geo::OriginMarkerLines m = geo::OriginMarker(project_);
    canvas_->setLine(Overlay::OriginX, QLineF(m.x, m.y, m.rightX, m.rightY));
    canvas_->setLine(Overlay::OriginY, QLineF(m.x, m.y, m.upX, m.upY));
}

void MainWindow::applyBackground() {
    const bool white = project_.WhiteBackground;
    canvas_->setBackColour(white ? Qt::white : Qt::black);
    canvas_->setMarkerColour(white ? Qt::black : Qt::white);
}

QImage MainWindow::areaImage() const {
    return canvas_->naturalImage();
}

// ---- Pointer --------------------------------------------------------------------------------

void MainWindow::pointerPress(QPointF u) {
    try {
        tools_->press(u);
    } catch (const std::exception&) {
        // A count that would overflow ends the tool; the project keeps what it had.
        warn(msg::InputDataError);
        resetTools();
    }
    updateHint();
}

void MainWindow::pointerMove(QPointF u) {
    try {
        tools_->move(u);
        if (compliance_) compliance_->pointerAt(u);
    } catch (const std::exception&) {
        resetTools();
    }
    // A dialog may have armed a tool since the last command.
    updateHint();
}

void MainWindow::pointerRelease(QPointF u) {
    try {
        tools_->release(u);
    } catch (const std::exception&) {
        resetTools();
    }
    updateHint();
}

const char* MainWindow::activeToolName() {
    return tools_->current().name();
}

void MainWindow::showReadout(const Readout& r) {
    auto set = [&](const char* name, const QString& text) {
        if (QLabel* l = labels_.value(name)) l->setText(text);
    };
    if (!r.onGrid) {
        clearReadouts();
        return;
    }
    set(label::X, r.x);
    set(label::Y, r.y);
    if (!r.lon.isEmpty()) set(label::Lon, r.lon);
    if (!r.lat.isEmpty()) set(label::Lat, r.lat);
    set(label::Z, r.z);
    // Without a result there is neither a value nor a calculation height.
    if (!hasResult()) {
        set(label::Density, "C=");
        return;
    }
    set(label::Density, r.c);
    set(label::Height, r.h1);
}

bool MainWindow::hasResult() const {
    return project_.CurrentPlane == Plane::XZ ? project_.XZ.Calculated
                                              : project_.XY.Calculated;
}

void MainWindow::releaseTowerTool() {
    toolFlags_.endPlacement();
    resetTools();
}

void MainWindow::releaseAntennaTool() {
    toolFlags_.endPlacement();
    if (QDialog* d = openDialogNamed(dlg::Antenna)) d->close();
    resetTools();
}

void MainWindow::editAntenna(int index) {
    flows_->editAntenna(index);
}

void MainWindow::editTowerAntenna(int index) {
    flows_->editTowerAntenna(index);
}

void MainWindow::scaleMeasured() {
    canvas_->clear();
    updateTitle();
    redrawView();
}

} // namespace brenvik::app
