#include "app/MainWindow.h"

#include "app/CalcRunner.h"
#include "app/Icons.h"
#include "app/PlanCanvas.h"
#include "app/PrintService.h"
#include "app/dialogs/CalcDialogs.h"
#include "app/dialogs/DisplayDialogs.h"
#include "app/dialogs/GeoDialogs.h"
#include "app/dialogs/MiscDialogs.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "calc/Ground.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"
#include "export/CsvExport.h"
#include "geo/Geo.h"
#include "model/Document.h"
#include "model/DrawingArea.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "qtsurface/QtSurface.h"
#include "render/DisplayForms.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <exception>

namespace brenvik::app {

namespace {

constexpr const char* kBmpFilter = "bmp Files (*.bmp)| *.bmp";
constexpr const char* kPrintError = "Error al imprimir";

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

// The decimal point of the user's locale, for the boxes of the dialogs.
char decimalPoint() {
    return QLocale().decimalPoint().at(0).toLatin1();
}

// Restores the normal pointer when a long redraw ends, however it ends.
struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

const char* const kToolbarOrder[] = {"tiempo", "fuente", "linea",   "relieve", "prome",
                                     "escala", "area",   "calculo", "borrar"};

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

    runner_ = new CalcRunner(this);
    tools_ = std::make_unique<PointerTools>(static_cast<ToolHost&>(*this));
    connect(canvas_, &PlanCanvas::pressed, this, &MainWindow::pointerPress);
    connect(canvas_, &PlanCanvas::moved, this, &MainWindow::pointerMove);
    connect(canvas_, &PlanCanvas::released, this, &MainWindow::pointerRelease);

    buildMenus();
    buildToolbar();
    buildStatusArea();

    project_.ClearToolFlags();
    project_.XYCalculated = 0;
    project_.XZCalculated = 0;
    project_.DisplayMode = 0;
    project_.GridLinesOn = 1;
    project_.Zoom = 1.0;
    project_.XYCalcZoom = 1.0;
    project_.ScrollOffsetX = project_.ScrollOffsetY = 0.0;
    project_.CurrentPlane = "planoxy";
    updateTitle();
    resize(1280, 860);
    applyBackground();
    redrawView();
}

MainWindow::~MainWindow() = default;

// ---- Building the window -------------------------------------------------------------

QAction* MainWindow::addItem(QMenu* menu, const char* name, const QString& caption,
                             std::function<void()> command, const QKeySequence& shortcut) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    connect(a, &QAction::triggered, this, [this, command = std::move(command)] {
        // One error trap per command: a failure is shown and the tools reset.
        try {
            command();
        } catch (const std::exception&) {
            warn(msg::InputDataError);
            resetTools();
        }
    });
    menu->addAction(a);
    items_.insert(name, a);
    return a;
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](QMenu* parent, const char* name, const QString& title) {
        QMenu* m = parent ? parent->addMenu(title) : bar->addMenu(title);
        m->setObjectName(name);
        return m;
    };
    auto sep = [&](QMenu* m, const char* name) { m->addSeparator()->setObjectName(name); };

    QMenu* file = menu(nullptr, "archivo", "&File");
    addItem(
        file, "nuevo", "New", [this] { cmdNew(); }, QKeySequence::New);
    addItem(
        file, "abrir", "Open", [this] { cmdOpen(); }, QKeySequence::Open);
    addItem(
        file, "guardar", "Save", [this] { cmdSave(); }, QKeySequence::Save);
    sep(file, "sep2");
    addItem(file, "impim", "Import image", [this] { cmdImportImage(); });
    addItem(file, "guardarim", "Save image", [this] { cmdSaveImage(); });
    sep(file, "sep3");
    addItem(
        file, "imprimir", "Print", [this] { cmdPrint(); }, QKeySequence::Print);
    addItem(file, "ff456", "Prnt image", [this] { cmdPrintImage(); });
    sep(file, "separador");
    addItem(file, "salir", "Exit", [this] {
        resetTools();
        close();
    });

    QMenu* view = menu(nullptr, "ver", "&View");
    addItem(
        view, "zoom", "&Zoom", [this] { cmdZoom(); }, QKeySequence(Qt::CTRL | Qt::Key_Z));
    sep(view, "separador1");
    addItem(view, "fondon", "Black background", [this] {
        project_.WhiteBackground = 0;
        applyBackground();
        redrawView();
    });
    addItem(view, "fondob", "White background", [this] {
        resetTools();
        project_.WhiteBackground = 1;
        applyBackground();
        redrawView();
    });
    sep(view, "separador2");
    addItem(view, "dibcua", "Draw grid lines", [this] {
        ensurePlanView();
        project_.GridLinesOn = 1;
        redrawView();
    });
    addItem(view, "eliminacua", "Eliminate grid lines", [this] {
        ensurePlanView();
        project_.GridLinesOn = 0;
        redrawView();
    });
    addItem(view, "dibfon", "Draw picture", [this] {
        ensurePlanView();
        redrawView();
    });
    addItem(view, "eliminafon", "Eliminate picture", [this] {
        ensurePlanView();
        canvas_->removeBackgroundPicture();
        project_.BackgroundLoaded = 0;
        redrawView();
    });
    sep(view, "separador3");
    addItem(view, "e24", "XY-Plane", [this] { cmdXYPlane(); });
    addItem(view, "e3", "XZ-Plane", [this] { cmdXZPlane(); });

    QMenu* ant = menu(nullptr, "fuentes", "&Antenna");
    addItem(ant, "fuentep", "Mobile phone tower", [this] {
        ensurePlanView();
        cmdTower();
    });
    addItem(ant, "relievetopo", "Topographic lines", [this] { cmdTopographic(); });
    addItem(ant, "eliminar", "Eliminate", [this] {
        ensurePlanView();
        cmdErase();
    });

    QMenu* env = menu(nullptr, "medio", "&Environment");
    addItem(
        env, "calculobar", "XY-Calculation", [this] { cmdXYCalculation(); },
        QKeySequence(Qt::Key_F5));
    addItem(
        env, "c1", "XZ-Calculation", [this] { cmdXZCalculation(); }, QKeySequence(Qt::Key_F6));
    sep(env, "e1");
    addItem(env, "colorear1", "Colour gradient", [this] { showResults(1, false, nullptr); });
    addItem(env, "dibujal1", "Isolines", [this] { showResults(0, true, nullptr); });
    addItem(env, "mallanum", "Numerical grid", [this] { showResults(2, true, nullptr); });
    addItem(env, "u8u", "Dots of colours", [this] { dotsOfColours(); });

    QMenu* tools = menu(nullptr, "herramientas", "&Tools");
    addItem(tools, "escalabar", "Scale", [this] { cmdScale(); });
    sep(tools, "separac");
    addItem(tools, "ee", "Calculation colours", [this] { cmdCalcColours(); });
    addItem(tools, "tamano", "Grid size", [this] {
        ensurePlanView();
        resetTools();
        project_.Display.MallaMode = 0;
        askSaveChanges("tamano");
    });
    addItem(tools, "numtopo", "Number of isolines", [this] {
        project_.Display.MallaMode = 1;
        resetTools();
        askSaveChanges("lineas");
    });
    addItem(tools, "f5f", "Colours of the dots", [this] { cmdDotColours(); });
    sep(tools, "separa");
    addItem(tools, "paramant", "Antenna parameters", [this] { cmdAntennaParameters(); });

    QMenu* options = menu(nullptr, "configuracion", "&Options");
    QMenu* gis = menu(options, "g1", "GIS");
    addItem(gis, "g2", "Origin of coordinates", [this] { cmdOrigin(); });
    addItem(gis, "g3", "Reference point", [this] { cmdReference(); });
    addItem(gis, "g4", "Curvature radius", [this] { cmdCurvature(); });
    addItem(gis, "g5", "Scale calculation", [this] {
        if (!geoPrecondition()) return;
        resetTools();
        askSaveChanges("calculoescala");
    });
    const struct {
        const char* sepName;
        const char* cart;
        const char* geo;
        const char* what;
        CsvExport kc, kg;
    } exports[] = {
        {"g6", "g7", "g8", "isolines", CsvExport::IsolinesCartesian, CsvExport::IsolinesGeographic},
        {"g9", "g10", "g11", "sources", CsvExport::SourcesCartesian, CsvExport::SourcesGeographic},
        {"g12", "g13", "g14", "concentrations", CsvExport::ConcentrationsCartesian,
         CsvExport::ConcentrationsGeographic},
        {"g15", "g16", "g17", "maximum", CsvExport::MaximumCartesian, CsvExport::MaximumGeographic},
    };
    for (const auto& e : exports) {
        sep(gis, e.sepName);
        const int kc = int(e.kc), kg = int(e.kg);
        addItem(gis, e.cart, QString("Export %1 (cartesian)").arg(e.what),
                [this, kc] { cmdExport(kc); });
        addItem(gis, e.geo, QString("Export %1 (geographic)").arg(e.what),
                [this, kg] { cmdExport(kg); });
    }
    options->addSeparator();
    addItem(options, "acercade", "&About...", [this] { showDialog(new AboutDialog(this), true); });
}

QAction* MainWindow::addToolButton(const char* name, const QString& tooltip,
                                   std::function<void()> pressCommand,
                                   std::function<void()> releaseCommand) {
    auto* a = new QAction(toolIcon(name), tooltip, this);
    a->setObjectName(name);
    a->setCheckable(true);
    a->setToolTip(tooltip);
    // The click has toggled the button already: put it back and let the
    // command decide whether it shows its pressed picture.
    connect(a, &QAction::triggered, this,
            [this, a, press = std::move(pressCommand),
             release = std::move(releaseCommand)](bool nowChecked) {
                const bool wasPressed = !nowChecked;
                a->setChecked(wasPressed);
                try {
                    if (!wasPressed)
                        press();
                    else if (release)
                        release();
                } catch (const std::exception&) {
                    warn(msg::InputDataError);
                    resetTools();
                }
            });
    toolbar_->addAction(a);
    if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a))) b->setObjectName(name);
    items_.insert(name, a);
    return a;
}

void MainWindow::buildToolbar() {
    toolbar_ = addToolBar("Tools");
    toolbar_->setObjectName("iconshape");
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(32, 32));
    auto hideBands = [this] { tools_->hideRubberBands(); };

    addToolButton("guardapic", "Save the project", [this] {
        resetTools();
        SaveProject(project_, prompts_);
        updateTitle();
    });
    addToolButton("abripic", "Open a project", [this] {
        resetTools();
        askSaveChanges("abrir");
    });
    toolbar_->addSeparator();
    addToolButton(
        "tiempo", "Mobile phone tower: define a tower and place it with a click",
        [this] {
            ensurePlanView();
            cmdTower();
        },
        [this] { releaseTowerTool(); });
    addToolButton(
        "borrar", "Eliminate: click or drag over antennas to remove them", [this] { cmdErase(); },
        [this, hideBands] {
            project_.Tools.EraseToolOn = 0;
            hideBands();
            setPressed("borrar", false);
        });
    addToolButton(
        "relieve", "Topographic lines: drag rectangles of a ground height",
        [this] { cmdTopographic(); },
        [this, hideBands] {
            project_.Tools.PlaceArmed = 0;
            project_.Tools.TopoLineArmed = Variant::integer(0);
            hideBands();
            setPressed("relieve", false);
        });
    addToolButton(
        "escala", "Scale: the width of the plan in metres", [this] { cmdScale(); },
        [this] { setPressed("escala", false); });
    toolbar_->addSeparator();
    addToolButton(
        "calculo", "XY-Calculation of the power density", [this] { cmdXYCalculation(); },
        [this] { setPressed("calculo", false); });
    toolbar_->addSeparator();
    addToolButton(
        "fuente", "Isolines", [this] { showResults(0, true, "fuente"); },
        [this, hideBands] { releaseAntennaTool(); });
    addToolButton(
        "linea", "Colour gradient", [this] { showResults(1, false, "linea"); },
        [this, hideBands] {
            project_.Tools.PlaceArmed = 0;
            hideBands();
            setPressed("linea", false);
        });
    addToolButton("area", "Numerical grid", [this] { showResults(2, true, "area"); });
    addToolButton("prome", "Average (older air-pollution model)", [this] { cmdAverage(); });
}

void MainWindow::buildStatusArea() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusArea");
    auto add = [&](const char* name, const QString& text, int minWidth) {
        auto* l = new QLabel(text, bar);
        l->setObjectName(name);
        // The labels share the bar in proportion to their usual widths: in a
        // narrow window they clip their text instead of overlapping.
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        l->setMinimumWidth(minWidth / 4);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(l, minWidth);
        labels_.insert(name, l);
    };
    add("Labelx", "X=", 110);
    add("Labely", "Y=", 110);
    add("geox", "X(long)=", 190);
    add("geoy", "Y(lat)=", 190);
    add("labelz", "Z=", 90);
    add("h",
        "C=" +
            q(render::formatFixed(
                project_.DensityGrid.inBounds(0, 0) ? project_.DensityGrid(0, 0) : 0.0, 6)) +
            " microWatts/cm^2",
        220);
    add("h1", "h=ground level", 110);
    add("LETRERO", "no determined source", 150);
}

// ---- Window operations ------------------------------------------------------------------

void MainWindow::warn(const std::string& text) {
    prompts_.message(text);
}

void MainWindow::updateTitle() {
    setWindowTitle(q(project_.Title()));
}

QAction* MainWindow::item(const QString& objectName) const {
    return items_.value(objectName);
}

QString MainWindow::labelText(const QString& objectName) const {
    QLabel* l = labels_.value(objectName);
    return l ? l->text() : QString();
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
    project_.ClearToolFlags();
    editAntenna_ = editTowerAntenna_ = 0;
    static const QStringList toolDialogs{"cal",      "cal2",  "escal",   "fuent", "reliev", "malla",
                                         "canarina", "zoom1", "cambios", "torre", "colorb"};
    for (QDialog* d : findChildren<QDialog*>())
        if (toolDialogs.contains(d->objectName()) && d->isVisible()) d->close();
    tools_->hideRubberBands();
    for (const char* name : kToolbarOrder)
        setPressed(name, false);
    resetting_ = false;
}

void MainWindow::ensurePlanView() {
    if (project_.CurrentPlane == "planoxy") return;
    warn("Para realizar esta operación, pasamos primero al plano XY");
    canvas_->clear();
    project_.CurrentPlane = "planoxy";
    redrawView();
}

void MainWindow::paintSteps(const Painter& paint, bool clearFirst) {
    // A drawing step paints straight onto the canvas through the QPainter
    // surface. For its replays (resize, another screen scale) it keeps the
    // project and the dots' random state as they were, so every replay paints
    // the same picture without keeping a list of primitives, which for a large
    // result would cost far more than drawing it.
    auto snapshot = std::make_shared<const Project>(project_);
    const render::DotRandom dotsBefore = dots_;
    DiscardingSurface probe;
    const std::optional<render::SceneControls> controls = paint(*snapshot, probe, dots_);
    const render::Rgb back = project_.WhiteBackground ? render::kWhite : render::kBlack;
    const QImage picture = canvas_->backgroundPicture();
    if (clearFirst) canvas_->clear();
    canvas_->draw([snapshot, dotsBefore, paint, back, picture](QPainter& p, const QRectF& target) {
        qtsurface::QtSurface s(p, target);
        s.setBackColour(back);
        if (!picture.isNull()) s.setBackgroundPicture(picture);
        render::DotRandom dots = dotsBefore;
        paint(*snapshot, s, dots);
    });
    if (controls) applySceneControls(*controls);
}

void MainWindow::redrawView() {
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom& dots) {
            return std::optional<render::SceneControls>(render::redrawView(pr, s, dots));
        },
        true);
}

void MainWindow::redrawPlanScene() {
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom&) {
            s.clear();
            return std::optional<render::SceneControls>(render::drawPlanScene(pr, s));
        },
        true);
}

void MainWindow::applySceneControls(const render::SceneControls& c) {
    canvas_->setLineVisible("geolinex", c.geoLinesVisible);
    canvas_->setLineVisible("geoliney", c.geoLinesVisible);
    placeOriginMarker();
    hscroll_->setVisible(c.scrollBarsVisible);
    vscroll_->setVisible(c.scrollBarsVisible);
    auto place = [&](const char* name, const std::optional<render::Segment>& seg) {
        if (seg) canvas_->setLine(name, QLineF(seg->x1, seg->y1, seg->x2, seg->y2));
        canvas_->setLineVisible(name, seg.has_value());
    };
    place("cortez", c.cortez);
    place("cortexy", c.cortexy);
}

void MainWindow::placeOriginMarker() {
    const geo::OriginMarkerLines m = geo::OriginMarker(project_);
    canvas_->setLine("geolinex", QLineF(m.x, m.y, m.rightX, m.rightY));
    canvas_->setLine("geoliney", QLineF(m.x, m.y, m.upX, m.upY));
}

void MainWindow::applyBackground() {
    const bool white = project_.WhiteBackground == 1;
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
}

void MainWindow::pointerMove(QPointF u) {
    try {
        tools_->move(u);
    } catch (const std::exception&) {
        resetTools();
    }
}

void MainWindow::pointerRelease(QPointF u) {
    try {
        tools_->release(u);
    } catch (const std::exception&) {
        resetTools();
    }
}

const char* MainWindow::activeToolName() {
    return tools_->current().name();
}

void MainWindow::showReadout(const Readout& r) {
    auto set = [&](const char* name, const QString& text) {
        if (QLabel* l = labels_.value(name)) l->setText(text);
    };
    if (r.onGrid) {
        set("Labelx", r.x);
        set("Labely", r.y);
        if (!r.lon.isEmpty()) set("geox", r.lon);
        if (!r.lat.isEmpty()) set("geoy", r.lat);
        set("labelz", r.z);
        set("h", r.c);
    }
    set("h1", r.h1);
}

void MainWindow::releaseTowerTool() {
    project_.Tools.PlaceArmed = 0;
    resetTools();
}

void MainWindow::releaseAntennaTool() {
    project_.Tools.PlaceArmed = 0;
    if (QDialog* d = openDialogNamed("fuent")) d->close();
    resetTools();
}

void MainWindow::scaleMeasured() {
    canvas_->clear();
    updateTitle();
    redrawView();
}

// ---- Display commands -------------------------------------------------------------------------

void MainWindow::showResults(int mode, bool resetFirst, const char* toolbarName) {
    if (resetFirst) resetTools();
    if (toolbarName) setPressed(toolbarName, true);
    const render::DisplayCommandOutcome out = render::showResults(project_, mode);
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
    const render::DisplayCommandOutcome out = render::showResults(project_, 3);
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

void MainWindow::askSaveChanges(const std::string& action) {
    const SaveChangesOutcome out = AskSaveChanges(project_, prompts_, action);
    updateTitle();
    if (out.documentChanged) {
        project_.CurrentPlane = "planoxy";
        redrawView();
    }
    if (out.answer == Prompts::Answer::No) openPendingDialog(int(out.dialog));
}

void MainWindow::cmdNew() {
    ensurePlanView();
    resetTools();
    askSaveChanges("nuevo");
}

void MainWindow::cmdOpen() {
    ensurePlanView();
    resetTools();
    askSaveChanges("abrir");
}

void MainWindow::cmdSave() {
    ensurePlanView();
    resetTools();
    SaveProject(project_, prompts_);
    updateTitle();
}

void MainWindow::cmdImportImage() {
    // Every failure here leaves the window as it was, without a message.
    const std::optional<std::string> path = prompts_.openPath(kBmpFilter);
    if (!path) return;
    QImage picture;
    if (!picture.load(q(*path)) || picture.isNull()) return;
    project_.FileName = *path;
    canvas_->setBackgroundPicture(picture.convertToFormat(QImage::Format_RGB32));
    project_.BackgroundLoaded = 1;
    resetTools();
    applyZoom(1.0);
}

void MainWindow::cmdSaveImage() {
    if (project_.GridLinesOn == 1)
        paintSteps(
            [](const Project& pr, render::Surface& s, render::DotRandom&) {
                render::drawGridLines(pr, s);
                return std::optional<render::SceneControls>();
            },
            false);
    const std::optional<std::string> path = prompts_.savePath(kBmpFilter);
    if (!path) return;
    project_.FileName = *path;
    canvas_->naturalImage().save(q(*path), "BMP");
}

// ---- Zoom and scrolling -----------------------------------------------------------------------

void MainWindow::cmdZoom() {
    if (project_.BackgroundLoaded == 1) {
        warn("It is needed not background image to activate the Zoom");
        return;
    }
    ensurePlanView();
    auto* d = new ZoomDialog(project_.Zoom, this);
    d->setAcceptHandler([this, d] {
        applyZoom(d->zoom());
        return true;
    });
    showDialog(d, true);
}

void MainWindow::applyZoom(double zoom) {
    project_.Zoom = zoom;
    const int max = zoom == 1.0 ? 0 : int(zoom * 10) - 1;
    for (QScrollBar* bar : {hscroll_, vscroll_}) {
        const QSignalBlocker block(bar);
        bar->setRange(0, max);
        bar->setPageStep(std::max(1, max / 5));
    }
    // A bar whose position fell to its new maximum moves the view as its own
    // change would.
    const double w = area::ScaleWidth, h = area::ScaleHeight;
    project_.ScrollOffsetX = max == 0 ? 0.0 : -hscroll_->value() * (project_.Zoom - 1) * w / max;
    project_.ScrollOffsetY = max == 0 ? 0.0 : -vscroll_->value() * (project_.Zoom - 1) * h / max;
    redrawView();
}

void MainWindow::scrolled() {
    const double w = area::ScaleWidth, h = area::ScaleHeight;
    const int mx = hscroll_->maximum(), my = vscroll_->maximum();
    project_.ScrollOffsetX = mx == 0 ? 0.0 : -hscroll_->value() * (project_.Zoom - 1) * w / mx;
    project_.ScrollOffsetY = my == 0 ? 0.0 : -vscroll_->value() * (project_.Zoom - 1) * h / my;
    redrawView();
}

// ---- Planes
// ---------------------------------------------------------------------------------------

void MainWindow::cmdXYPlane() {
    canvas_->setLineVisible("geolinex", true);
    canvas_->setLineVisible("geoliney", true);
    canvas_->clear();
    project_.CurrentPlane = "planoxy";
    redrawView();
}

void MainWindow::cmdXZPlane() {
    canvas_->setLineVisible("geolinex", false);
    canvas_->setLineVisible("geoliney", false);
    if (project_.Zoom != 1.0) {
        warn("It is needed a a zoom value of 100% to make a XY-Calculation");
        return;
    }
    if (project_.XZCalculated == 0) {
        warn("Calcule first the electromagnetic pollution in the plane XZ");
        return;
    }
    if (project_.XYCalcZoom != 1.0) {
        warn("To view the XZ-plane, it is needed a a zoom value of 100% to make a XY-Calculation");
        return;
    }
    project_.CurrentPlane = "planoxz";
    redrawView();
}

// ---- Tools
// ------------------------------------------------------------------------------------------

void MainWindow::cmdTower() {
    resetTools();
    project_.Tools.TowerToolOn = 1;
    setPressed("tiempo", true);
    openTowerDialog(false);
    project_.Tools.PlaceArmed = 0;
}

void MainWindow::openTowerDialog(bool editing) {
    if (editing)
        TowerBeginEdit(project_, editTowerAntenna_);
    else
        TowerBeginNew(project_);
    project_.Tools.TowerDialogOpen = 1;
    auto* d = new TowerDialog(project_.TowerAntCount, editing, this);
    const int edited = editing ? editTowerAntenna_ : 0;
    connect(d, &TowerDialog::antennaAdded, this, [this] { TowerAddAntenna(project_); });
    connect(d, &TowerDialog::antennaRemoved, this, [this] { TowerRemoveAntenna(project_); });
    connect(d, &TowerDialog::optionsRequested, this, [this, d, edited](int sel) {
        project_.TowerAntSel = static_cast<std::int16_t>(sel);
        const int slot = TowerOptionsSlot(project_, sel, edited);
        if (slot > 0) openAntennaDialog(slot, false, 0);
        (void)d;
    });
    d->setAcceptHandler([this, editing] {
        if (!editing) project_.Tools.PlaceArmed = project_.Tools.PlaceArmed ? 0 : 1;
        return true;
    });
    // Cancel drops the pending tower and releases the tool.
    connect(d, &QDialog::rejected, this, [this] {
        if (!resetting_) releaseTowerTool();
    });
    showDialog(d, false);
}

void MainWindow::openAntennaDialog(int slot, bool newSlot, int editedIndex) {
    QWidget* parent = openDialogNamed("torre");
    auto* d = new AntennaDialog(AntennaFormLoad(project_, slot, dialognum::formatter()),
                                parent ? parent : this);
    if (editedIndex > 0) d->setEditedIndex(editedIndex);
    d->setAcceptHandler([this, d, slot, newSlot] {
        AntennaForm f = d->form();
        if (auto err = AntennaFormAccept(project_, f, slot, newSlot, dialognum::parser(),
                                         dialognum::formatter())) {
            // The tool reset closes this dialog and the tower dialog and drops
            // the pending tower.
            warn(*err);
            resetTools();
            return true;
        }
        if (editAntenna_ > 0 || editTowerAntenna_ > 0) redrawView();
        return true;
    });
    // Opened from the tower dialog the antenna dialog is modal to it.
    if (parent) {
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setWindowModality(Qt::WindowModal);
        d->show();
    } else {
        showDialog(d, true);
    }
}

void MainWindow::editAntenna(int index) {
    dropOpenDefinition();
    editAntenna_ = index;
    project_.Tools.EditMode = 1;
    openAntennaDialog(index, false, index);
}

void MainWindow::editTowerAntenna(int index) {
    dropOpenDefinition();
    project_.TowerAntSel = project_.Antennas[std::size_t(index)].AntNumber;
    editTowerAntenna_ = index;
    project_.Tools.EditMode = 1;
    project_.Tools.TowerDialogOpen = 1;
    openTowerDialog(true);
}

void MainWindow::dropOpenDefinition() {
    // One tower or antenna is edited at a time: picking a placed one while
    // another is being defined drops the pending definition first.
    if (openDialogNamed("torre") || openDialogNamed("fuent")) resetTools();
}

void MainWindow::cmdErase() {
    resetTools();
    setPressed("borrar", true);
    project_.Tools.EraseToolOn = 1;
}

void MainWindow::cmdTopographic() {
    ensurePlanView();
    resetTools();
    setPressed("relieve", true);
    auto* d = new ReliefDialog(project_.ContourHeight, this);
    d->setAcceptHandler([this, d] {
        std::string text = d->heightText();
        const auto err = TopoLineAccept(project_, text, dialognum::parser());
        d->setHeightText(text);
        if (err) {
            warn(*err);
            return false;
        }
        project_.Tools.TopoLineArmed = Variant::integer(1);
        return true;
    });
    connect(d, &QDialog::rejected, this, [this] { setPressed("relieve", false); });
    showDialog(d, true);
}

void MainWindow::cmdScale() {
    resetTools();
    setPressed("escala", true);
    askSaveChanges("escala");
}

void MainWindow::cmdAverage() {
    if (project_.AntennaCount == 0) {
        warn("It is needed at least a pollutant source");
        return;
    }
    resetTools();
    setPressed("prome", true);
    project_.Tools.AverageToolOn = 1;
}

// ---- Dialogs behind the save-changes question ------------------------------------------------

void MainWindow::openPendingDialog(int dialog) {
    switch (PendingDialog(dialog)) {
    case PendingDialog::None:
        break;
    case PendingDialog::ScaleCalculation:
        openScaleCalculationDialog();
        break;
    case PendingDialog::GridSize:
        openMallaDialog(0);
        break;
    case PendingDialog::IsolineCount:
        openMallaDialog(1);
        break;
    case PendingDialog::Scale:
        openScaleDialog();
        break;
    }
}

void MainWindow::openScaleDialog() {
    auto* d = new ScaleDialog(geo::OpenScaleForm(project_, decimalPoint()), this);
    d->setAcceptHandler([this, d] {
        const geo::ScaleOutcome out =
            geo::AcceptScale(project_, d->form(), prompts_, dialognum::parser());
        if (out == geo::ScaleOutcome::InputError) return false;
        setPressed("escala", false);
        if (out == geo::ScaleOutcome::Reset) {
            canvas_->clear();
            updateTitle();
            redrawView();
        }
        return true;
    });
    connect(d, &QDialog::rejected, this, [this] { setPressed("escala", false); });
    showDialog(d, true);
}

void MainWindow::openScaleCalculationDialog() {
    auto* d =
        new ScaleDistanceDialog(geo::OpenScaleCalculationForm(project_, decimalPoint()), this);
    d->setAcceptHandler([this, d] {
        return geo::AcceptScaleCalculation(project_, d->form(), prompts_, dialognum::parser());
    });
    showDialog(d, true);
}

void MainWindow::openMallaDialog(int mode) {
    project_.Display.MallaMode = static_cast<std::int16_t>(mode);
    auto* d = new MallaDialog(render::mallaTexts(project_), this);
    d->setAcceptHandler([this, d, mode] {
        const auto err =
            mode == 0 ? render::acceptGridSize(project_, d->valueText(), dialognum::parser())
                      : render::acceptIsolineCount(project_, d->valueText(), dialognum::parser());
        if (err) {
            warn(*err);
            return false;
        }
        updateTitle();
        redrawView();
        return true;
    });
    showDialog(d, true);
}

// ---- Calculations -------------------------------------------------------------------------------

void MainWindow::cmdXYCalculation() {
    resetTools();
    setPressed("calculo", true);
    if (auto refusal = XYCalcRefusal(project_)) {
        warn(*refusal);
        setPressed("calculo", false);
        return;
    }
    auto* d = new CalcDialog(CalFormLoad(project_, dialognum::formatter()), this);
    connect(d, &CalcDialog::calcOptionChanged, this, [this](int option) {
        CalForm f;
        if (option == 1)
            CalFormOption1(project_, f);
        else
            CalFormOption2(project_, f);
    });
    d->setAcceptHandler([this, d] {
        const CalForm f = d->form();
        project_.CalcOption = f.option1 ? 1 : 0;
        if (auto err = CalFormAccept(project_, f, dialognum::parser())) {
            warn(*err);
            resetTools();
            return true;
        }
        if (project_.CalcOption == 0) labels_.value("h1")->setText(q(HeightLabelText(project_)));
        runXYCalculation();
        return true;
    });
    connect(d, &QDialog::rejected, this, [this] { setPressed("calculo", false); });
    showDialog(d, false);
}

void MainWindow::runXYCalculation() {
    runner_->start(
        project_, [](Project& work, const CalcControl& c) { return RunXYCalculation(work, c); },
        [this](const CalcOutcome& out, Project& work) {
            setPressed("calculo", false);
            if (out.status == CalcStatus::Done) {
                project_ = std::move(work);
                redrawView();
            } else if (out.status == CalcStatus::Failed) {
                warn(out.message.empty() ? std::string(msg::InputDataError) : out.message);
                resetTools();
            }
        });
}

void MainWindow::cmdXZCalculation() {
    if (auto refusal = XZViewRefusal(project_)) {
        warn(*refusal);
        return;
    }
    resetTools();
    if (auto refusal = XZSourceRefusal(project_)) {
        warn(*refusal);
        return;
    }
    auto* d = new SectionDialog(XZDialogDistance(project_), this);
    d->setAcceptHandler([this, d] {
        const std::string planeBefore = project_.CurrentPlane;
        if (auto err = XZDialogAccept(project_, d->distanceText(), dialognum::parser())) {
            warn(*err);
            if (*err == msg::DistanceNotAllowed) return false;
            resetTools();
            return true;
        }
        labels_.value("h1")->setText(q(HeightLabelText(project_)));
        // The section is only shown once it is calculated.
        const std::string target = project_.CurrentPlane;
        project_.CurrentPlane = planeBefore;
        runner_->start(
            project_,
            [target](Project& work, const CalcControl& c) {
                work.CurrentPlane = target;
                return RunXZCalculation(work, c);
            },
            [this](const CalcOutcome& out, Project& work) {
                if (out.status == CalcStatus::Done) {
                    project_ = std::move(work);
                    redrawView();
                } else if (out.status == CalcStatus::Failed) {
                    warn(out.message.empty() ? std::string(msg::InputDataError) : out.message);
                    resetTools();
                }
            });
        return true;
    });
    showDialog(d, false);
}

// ---- Settings dialogs ---------------------------------------------------------------------------

void MainWindow::cmdCalcColours() {
    ensurePlanView();
    resetTools();
    auto* d = new ColoursDialog(project_.Display.IsolineColour, project_.Display.MarkColour, this);
    connect(d, &ColoursDialog::isolineOptionChosen, this,
            [this](int option) { render::chooseIsolineColour(project_.Display, option); });
    connect(d, &ColoursDialog::markOptionChosen, this,
            [this](int option) { render::chooseMarkColour(project_.Display, option); });
    d->setAcceptHandler([this] {
        redrawView();
        return true;
    });
    showDialog(d, true);
}

void MainWindow::cmdDotColours() {
    resetTools();
    auto* d = new DotColoursDialog(project_.Display, this);
    // Option clicks store at once; the boxes are taken on Accept.
    connect(d, &DotColoursDialog::schemeChosen, this,
            [this](int scheme) { render::chooseDotScheme(project_.Display, scheme); });
    connect(d, &DotColoursDialog::jitterChosen, this,
            [this](render::JitterOption o) { render::chooseJitter(project_.Display, o); });
    connect(d, &DotColoursDialog::countChosen, this,
            [this](int count) { render::chooseDotCount(project_.Display, count); });
    d->setAcceptHandler([this, d] {
        if (auto err = render::acceptDotColours(project_.Display, d->radiusText(),
                                                d->fromPercentText(), dialognum::parser())) {
            warn(*err);
            return false;
        }
        redrawView();
        return true;
    });
    showDialog(d, true);
}

void MainWindow::cmdAntennaParameters() {
    auto* d = new AntennaParamsDialog(OpenAnglesFormLoad(project_, dialognum::formatter()), this);
    d->setAcceptHandler([this, d] {
        OpenAnglesForm f = d->form();
        if (auto err =
                OpenAnglesFormAccept(project_, f, dialognum::parser(), dialognum::formatter())) {
            warn(*err);
            return false;
        }
        return true;
    });
    showDialog(d, true);
}

bool MainWindow::geoPrecondition() {
    if (project_.CurrentPlane == "planoxz") {
        warn("Pase primero al plano XY");
        return false;
    }
    if (project_.Zoom != 1.0) {
        warn("Primero debe establecer un valor del Zoom del 100%");
        return false;
    }
    return true;
}

void MainWindow::cmdOrigin() {
    if (!geoPrecondition()) return;
    resetTools();
    auto* d = new OriginDialog(geo::OpenOriginForm(project_, decimalPoint()), this);
    d->setAcceptHandler([this, d] {
        geo::AcceptOrigin(project_, d->form(), prompts_, dialognum::parser());
        redrawView();
        return true;
    });
    showDialog(d, true);
}

void MainWindow::cmdReference() {
    if (!geoPrecondition()) return;
    resetTools();
    auto* d = new ReferenceDialog(geo::OpenReferenceForm(project_, decimalPoint()), this);
    d->setAcceptHandler([this, d] {
        geo::AcceptReference(project_, d->form(), prompts_, dialognum::parser());
        return true;
    });
    showDialog(d, true);
}

void MainWindow::cmdCurvature() {
    if (!geoPrecondition()) return;
    resetTools();
    auto* d = new CurvatureDialog(geo::OpenCurvatureForm(project_, decimalPoint()), this);
    d->setAcceptHandler([this, d] {
        geo::AcceptCurvature(project_, d->form(), prompts_, dialognum::parser());
        return true;
    });
    showDialog(d, true);
}

void MainWindow::cmdExport(int kind) {
    resetTools();
    RunCsvExport(project_, prompts_, CsvExport(kind));
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
    const bool xz = project_.CurrentPlane == "planoxz";
    static const char* const styles[] = {"Isolines", "Colour gradient", "Numerical grid",
                                         "Dots of colours"};
    const double max = xz ? project_.XZMaxDensity : project_.MaxDensity;
    PrintLegend legend;
    legend.plane = xz ? "XZ-Plane (vertical section)" : "XY-Plane (plan)";
    legend.style = styles[std::clamp<int>(project_.DisplayMode, 0, 3)];
    legend.fileName = q(project_.FileName);
    legend.date = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm");
    legend.maximum = q(render::formatDensity(max, 6));
    legend.width = q(render::formatShortest(project_.PlanWidthM)) + " m";
    // Paper is white: the plane is drawn again in the colours of the white
    // background, and the scale shows the same colours.
    // The dots carry their own scale box on the plane.
    for (int k = 0; k <= 10 && project_.DisplayMode != 3; ++k) {
        legend.levels << q(render::formatFixed(max * k / 10.0, 3));
        const render::Rgb c = render::gradientColour(k, true);
        legend.levelColours << QColor(c.r, c.g, c.b);
    }
    Project paper = project_;
    paper.WhiteBackground = 1;
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
