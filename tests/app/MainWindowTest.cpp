// The main window through its widgets: start-up state and the command table,
// the refusals of its commands, the active pointer tool, the pointer read-out,
// the save-changes question and the error path of a dialog.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/QtPrompts.h"
#include "model/DrawingArea.h"

#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

namespace brenvik::app::testing {
namespace {

using MainWindowTest = WindowTest;

const char* const kNoResult = "There is not a calculated electromagnetic pollution";
const char* const kNoSource = "Introduce, at least, a pollutant source";

TEST_F(MainWindowTest, StartsOnAnEmptyPlanWithEveryCommandOfTheTable) {
    EXPECT_EQ(window->objectName(), "Form2");

    // Every row of the command table is built, once, where the row says.
    std::set<std::string> names;
    for (const Command& c : CommandTable()) {
        EXPECT_TRUE(names.insert(c.name).second) << "twice: " << c.name;
        QAction* a = window->item(c.name);
        ASSERT_NE(a, nullptr) << c.name;
        if (c.place != Place::Toolbar) {
            ASSERT_EQ(a->associatedObjects().size(), 1) << c.name;
            const QMenu* menu = qobject_cast<QMenu*>(a->associatedObjects().front());
            ASSERT_NE(menu, nullptr) << c.name;
            EXPECT_EQ(menu->objectName(), menus()[std::size_t(c.place)].name) << c.name;
            continue;
        }
        // A toolbar pair: a released and a pressed picture on its own button.
        EXPECT_TRUE(a->isCheckable() && !a->isChecked()) << c.name;
        const QIcon icon = a->icon();
        EXPECT_NE(icon.pixmap(32, QIcon::Normal, QIcon::Off).toImage(),
                  icon.pixmap(32, QIcon::Normal, QIcon::On).toImage())
            << c.name;
        EXPECT_NE(window->findChild<QToolButton*>(c.name), nullptr) << c.name;
    }
    for (const Menu& m : menus())
        EXPECT_NE(window->menuBar()->findChild<QMenu*>(m.name), nullptr) << m.name;
}

TEST_F(MainWindowTest, CommandsRefuseInTheirOrderAndChangeNothing) {
    // The state each row sets before its command. A refusal shows its message,
    // opens no dialog, presses no picture, asks nothing and keeps the style.
    struct Row {
        const char* command;
        double zoom, calcZoom;
        int xzCalculated;
        Plane plane;
        const char* message;
    };
    const Plane XY = Plane::XY, XZ = Plane::XZ;
    const char* const noLevels = "No calculated levels";
    const char* const exportZoom = "To export, it is needed a a zoom value of 100%";
    const char* const geoZoom = "Primero debe establecer un valor del Zoom del 100%";
    const char* const geoPlane = "Pase primero al plano XY";
    // A section result does not help the plan (the second "colorear1").
    std::vector<Row> rows = {
        {"u8u", 1, 1, 0, XY, noLevels},
        {"colorear1", 1, 1, 1, XY, kNoResult},
        {"prome", 1, 1, 0, XY, "It is needed at least a pollutant source"},
        {"c1", 2, 2, 0, XY, "It is needed a Zoom value of 100%"},
        {"c1", 1, 2, 0, XY, "It is needed a Zoom value in the XY-Plane of 100%"},
        {"g2", 1, 1, 0, XZ, geoPlane}};
    for (const char* c : {"colorear1", "dibujal1", "mallanum", "area", "linea", "fuente"})
        rows.push_back({c, 1, 1, 0, XY, kNoResult});
    for (const char* c : {"calculo", "calculobar", "c1"})
        rows.push_back({c, 1, 1, 0, XY, kNoSource});
    for (const char* g : {"g7", "g8", "g10", "g11", "g13", "g14", "g16", "g17"})
        rows.push_back({g, 3, 1, 0, XY, exportZoom});
    for (const char* g : {"g2", "g3", "g4", "g5"}) {
        rows.push_back({g, 3, 1, 0, XY, geoZoom});
        rows.push_back({g, 3, 1, 0, XZ, geoPlane});
    }
    rows.insert(
        rows.end(),
        {{"e3", 2, 1, 1, XY, "It is needed a a zoom value of 100% to make a XY-Calculation"},
         {"e3", 1, 1, 0, XY, "Calcule first the electromagnetic pollution in the plane XZ"},
         {"e3", 1, 2, 1, XY,
          "To view the XZ-plane, it is needed a a zoom value of 100% to make a "
          "XY-Calculation"}});
    for (const Row& r : rows) {
        std::tie(project.Zoom, project.XYCalcZoom, project.XZ.Calculated, project.CurrentPlane) =
            std::tie(r.zoom, r.calcZoom, r.xzCalculated, r.plane);
        prompts.messages.clear();
        trigger(r.command);
        EXPECT_EQ(prompts.lastMessage(), r.message) << r.command;
        EXPECT_EQ(project.CurrentPlane, r.plane) << r.command;
        EXPECT_EQ(project.DisplayMode, ResultStyle::Isolines) << r.command;
        for (QDialog* d : window->findChildren<QDialog*>())
            EXPECT_FALSE(d->isVisible()) << r.command << " " << d->objectName().toStdString();
        for (const Command& c : CommandTable())
            EXPECT_FALSE(c.place == Place::Toolbar && pressed(c.name))
                << r.command << " " << c.name;
    }
    EXPECT_EQ(prompts.saveChangesAsked, 0);
    EXPECT_TRUE(prompts.filters.empty());
    // The section's command hides the origin marker before it refuses.
    EXPECT_FALSE(window->canvasWidget()->lineVisible(Overlay::OriginX));
}

TEST_F(MainWindowTest, DisplayCommandsDrawTheResultOfThePlaneOnView) {
    // Only a section result: the section accepts.
    project.XZ.Calculated = true;
    trigger("e3");
    EXPECT_EQ(project.CurrentPlane, Plane::XZ);
    trigger("linea");
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(project.DisplayMode, ResultStyle::Gradient);
    EXPECT_FALSE(pressed("linea")); // pressed only while drawing

    // Back on the plan with both results, the section line stays where the
    // scene put it when the dots are drawn over the picture.
    trigger("e24");
    project.XY.Calculated = true;
    trigger("dibujal1");
    PlanCanvas* canvas = window->canvasWidget();
    ASSERT_TRUE(canvas->lineVisible(Overlay::SectionLine));
    const QLineF cut = canvas->line(Overlay::SectionLine);
    trigger("u8u");
    EXPECT_EQ(project.DisplayMode, ResultStyle::Dots);
    EXPECT_TRUE(canvas->lineVisible(Overlay::SectionLine));
    EXPECT_EQ(canvas->line(Overlay::SectionLine), cut);
}

TEST_F(MainWindowTest, PlanEditingCommandsLeaveTheSectionFirst) {
    project.CurrentPlane = Plane::XZ;
    trigger("fuentep");
    EXPECT_EQ(prompts.lastMessage(), "Para realizar esta operación, pasamos primero al plano XY");
    EXPECT_EQ(project.CurrentPlane, Plane::XY);
    EXPECT_NE(dialog("torre"), nullptr);
    EXPECT_TRUE(pressed("tiempo") && window->toolFlags().TowerToolOn);
}

TEST_F(MainWindowTest, BackgroundCommandsAndToolbarPairs) {
    trigger("borrar");
    EXPECT_TRUE(pressed("borrar"));
    trigger("fondon"); // black keeps the pressed tool
    EXPECT_TRUE(pressed("borrar"));
    EXPECT_EQ(window->toolFlags().Active, PointerToolKind::Erase);
    trigger("fondob"); // white releases it
    EXPECT_FALSE(pressed("borrar"));
    EXPECT_NE(window->toolFlags().Active, PointerToolKind::Erase);
    EXPECT_TRUE(project.WhiteBackground);
    EXPECT_EQ(window->areaImage().pixelColor(500, 600), QColor(Qt::white));
    trigger("fondon");
    EXPECT_EQ(window->areaImage().pixelColor(500, 600), QColor(Qt::black));

    // Starting one tool ends the other.
    trigger("borrar");
    trigger("relieve");
    EXPECT_TRUE(!pressed("borrar") && pressed("relieve"));
    click(dialog("reliev"), "Command2"); // Cancel releases the button
    EXPECT_FALSE(pressed("relieve"));

    trigger("eliminacua");
    EXPECT_FALSE(project.GridLinesOn);
    trigger("dibcua");
    EXPECT_TRUE(project.GridLinesOn);

    trigger("salir");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, TheActiveToolTakesTheEvents) {
    using K = PointerToolKind;
    ToolFlags& f = window->toolFlags();
    // An accepted definition arms the tower while a tower is being defined.
    f.TowerDialogOpen = true;
    f.togglePlacement();
    EXPECT_STREQ(window->activeToolName(), "placeTower");

    // With the topographic tool active, a drag over an antenna draws ground
    // and erases nothing.
    window->toolFlags() = ToolFlags{};
    placeTower(12, 12);
    ASSERT_EQ(project.AntennaCount, 1);
    f.arm(K::Topographic);
    project.ContourHeight = 7;
    drag(cell(11, 11), cell(13, 13));
    EXPECT_EQ(project.AntennaCount, 1);
    EXPECT_EQ(project.GroundGrid(12, 12), 7.0);
    EXPECT_EQ(project.GroundGrid(14, 12), 0.0);
}

TEST_F(MainWindowTest, PlacingAndErasingFollowTheZoomOfTheClick) {
    placeTower(20, 20);
    ASSERT_EQ(project.AntennaCount, 1);

    // A second tower on the same point is refused and the tool released.
    placeTower(20, 20);
    EXPECT_EQ(prompts.lastMessage(), "Please eliminate first the source located in this point");
    EXPECT_EQ(project.AntennaCount, 1);
    EXPECT_FALSE(pressed("tiempo") || window->toolFlags().placing());

    // At 200 % a screen cell is half a grid cell of the plan.
    setZoom("Option200");
    defineTower({""});
    EXPECT_STREQ(window->activeToolName(), "placeTower");
    clickAt(cell(61, 61));
    ASSERT_EQ(project.AntennaCount, 2) << prompts.lastMessage();
    EXPECT_EQ(std::pair(project.Antennas[2].AntX, project.Antennas[2].AntFactor),
              std::pair(61 * project.CellSize / 2.0, 2.0));

    // Back at 100 % the antenna placed at 200 % cannot be erased, even under
    // the pointer; the eraser still discards the result.
    setZoom("Option100");
    project.XY.Calculated = true;
    trigger("eliminar");
    clickAt(QPointF(project.Antennas[2].AntX + 1, project.Antennas[2].AntY + 1));
    EXPECT_EQ(project.AntennaCount, 2);
    EXPECT_EQ(project.XY.Calculated, 0);

    // Dragging the eraser removes what it passes over.
    for (auto [type, i] : {std::pair{QEvent::MouseButtonPress, 18},
                           {QEvent::MouseMove, 19},
                           {QEvent::MouseMove, 20},
                           {QEvent::MouseButtonRelease, 21}})
        mouse(type, cell(i, 20));
    EXPECT_EQ(project.AntennaCount, 1);
    EXPECT_EQ(project.Antennas[1].AntFactor, 2.0);
}

TEST_F(MainWindowTest, ClickOnAPlacedTowerOpensItForEditing) {
    placeTower(30, 30, {"", "S"});
    ASSERT_EQ(project.AntennaCount, 2);
    clickAt(cell(30, 30));
    QDialog* torre = dialog("torre");
    ASSERT_NE(torre, nullptr);
    for (const char* b : {"Command3", "Command4"})
        EXPECT_FALSE(control<QPushButton>(torre, b)->isEnabled()) << b;
    EXPECT_TRUE(window->toolFlags().EditMode);
    // Options reach the placed antenna, not a pending slot.
    setDirection(torre, 1, "n");
    EXPECT_EQ(project.Antennas[2].AntDirection, 0.0);
    EXPECT_EQ(project.AntennaCount, 2);
    click(torre, "Command5");
    EXPECT_EQ(dialog("torre"), nullptr);
    // Editing does not arm a placement.
    EXPECT_FALSE(window->toolFlags().placing());
    clickAt(cell(60, 30));
    EXPECT_EQ(project.AntennaCount, 2);

    // Picking the tower while a new one is being defined drops the new one:
    // only one tower dialog is ever open.
    trigger("tiempo");
    click(dialog("torre"), "Command3");
    clickAt(cell(30, 30));
    EXPECT_EQ(std::ranges::count_if(
                  window->findChildren<QDialog*>(),
                  [](QDialog* d) { return d->objectName() == "torre" && d->isVisible(); }),
              1);
    EXPECT_FALSE(control<QPushButton>(dialog("torre"), "Command3")->isEnabled());
    EXPECT_EQ(project.TowerAntCount, 2);
    EXPECT_FALSE(pressed("tiempo"));
}

TEST_F(MainWindowTest, ReadoutShowsMetresDegreesAndTheDensityUnderThePointer) {
    project.XY.Density(10, 52) = 1.23456789;
    project.XY.Density(0, 52) = 0.5;
    project.CalcOption = CalcLevel::AtHeight;
    project.CalcHeight = 10;
    project.XY.Calculated = true;
    // 1536 drawing units are 15 m; the Y axis grows upwards from 9600.
    mouse(QEvent::MouseMove, QPointF(1536, 9600 - 1536));
    for (auto [name, text] : {std::pair{"Labelx", "X=15.00 m"},
                              {"Labely", "Y=15.00 m"},
                              {"labelz", "Z=10.00 m"},
                              {"h", "C=1.2346 uW/cm^2"},
                              {"h1", "h=10 m"}})
        EXPECT_EQ(window->labelText(name), text) << name;
    EXPECT_TRUE(window->labelText("geox").startsWith("X(long)=63.0"));
    EXPECT_TRUE(window->labelText("geox").endsWith(QStringLiteral("\u00b0")));
    EXPECT_TRUE(window->labelText("geoy").endsWith(QStringLiteral("\u00b0")));
    EXPECT_EQ(window->labelText("geoy").section('.', 1).chopped(1).size(), 8);

    project.ValueDecimals = "2";
    mouse(QEvent::MouseMove, QPointF(1540, 9600 - 1536));
    EXPECT_EQ(window->labelText("h"), "C=1.23 uW/cm^2");
    // The first column has its own form.
    mouse(QEvent::MouseMove, QPointF(100, 9600 - 1536));
    EXPECT_EQ(window->labelText("h"), "C=0.500000 microWatts/cm^2");

    // Off the grid the Coordinates and C= show no value; h= keeps the height
    // of the result.
    project.CalcOption = CalcLevel::AtSurface;
    project.GroundGrid(10, 52) = 25;
    mouse(QEvent::MouseMove, QPointF(1540, 9600 - 1536));
    EXPECT_EQ(window->labelText("labelz"), "Z=25.00 m");
    mouse(QEvent::MouseMove, QPointF(-500, -500));
    for (auto [name, text] : {std::pair{"Labelx", "X="}, {"h", "C="}, {"h1", "h=ground level"}})
        EXPECT_EQ(window->labelText(name), text) << name;
}

TEST_F(MainWindowTest, CrosshairFollowsThePointerOnlyWhileAToolIsArmed) {
    PlanCanvas* canvas = window->canvasWidget();
    mouse(QEvent::MouseMove, cell(5, 5));
    EXPECT_FALSE(canvas->lineVisible(Overlay::CrossHorizontal));
    trigger("borrar");
    const int steps = canvas->stepCount();
    mouse(QEvent::MouseMove, cell(5, 5));
    EXPECT_TRUE(canvas->lineVisible(Overlay::CrossHorizontal));
    EXPECT_TRUE(canvas->lineVisible(Overlay::CellBox1));
    const double cs = project.CellSize;
    EXPECT_DOUBLE_EQ(canvas->line(Overlay::CrossHorizontal).y1(), 5 * cs + cs / 2);
    EXPECT_DOUBLE_EQ(canvas->line(Overlay::CrossVertical).x1(), 5 * cs + cs / 2);
    EXPECT_DOUBLE_EQ(canvas->line(Overlay::CellBox1).x1(), 5 * cs);
    // Moving redraws nothing of the scene.
    EXPECT_EQ(canvas->stepCount(), steps);
    trigger("borrar");
    EXPECT_FALSE(canvas->lineVisible(Overlay::CrossHorizontal));
}

TEST_F(MainWindowTest, SaveChangesQuestionHasThreeAnswers) {
    // Yes on an unnamed project: Save as, then New goes on. (Cancel and No
    // are answered on closing and on a drop, with unsaved work.)
    placeTower(20, 20);
    const std::string path = dir.filePath("yes.bvk").toStdString();
    prompts.saveChangesAnswers.push_back(Prompts::Answer::Yes);
    prompts.savePaths.push_back(path);
    trigger("nuevo");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));
    EXPECT_EQ(project.AntennaCount, 0);
    EXPECT_EQ(title(), "Brenvik 5.0 english []");
    EXPECT_FALSE(window->isWindowModified());

    // Open a file that is not a project: the message names it and why, and
    // the open project stays, its undo history too.
    placeTower(20, 20);
    const std::string bad = write("bad.bvk", "not a project\r\n");
    prompts.saveChangesAnswers.push_back(Prompts::Answer::No);
    prompts.openPaths.push_back(bad);
    trigger("abripic");
    EXPECT_EQ(prompts.lastMessage(), "Error en el fichero\n" + bad + ": line 1");
    EXPECT_EQ(project.AntennaCount, 1);
    EXPECT_TRUE(window->item(cmd::Undo)->isEnabled());
    EXPECT_FALSE(window->windowTitle().contains("bad.bvk"));
}

TEST_F(MainWindowTest, ScaleByTwoPointsResetsTheProject) {
    placeTower(20, 20);
    prompts.saveChangesAnswers.push_back(Prompts::Answer::No);
    enter("g5", "posicion", "Text1", "100");
    EXPECT_EQ(window->toolFlags().Active, PointerToolKind::ScaleMeasure);
    EXPECT_STREQ(window->activeToolName(), "scaleMeasure");
    clickAt(cell(10, 10));
    EXPECT_TRUE(window->canvasWidget()->lineVisible(Overlay::ScaleMark));
    const QPointF end(20 * project.CellSize, 10 * project.CellSize);
    mouse(QEvent::MouseMove, end);
    clickAt(end);
    EXPECT_EQ(project.AntennaCount, 0);
    EXPECT_NE(window->toolFlags().Active, PointerToolKind::ScaleMeasure);
    EXPECT_FALSE(window->canvasWidget()->lineVisible(Overlay::ScaleMark));
    EXPECT_EQ(title(), "Brenvik 5.0 english []");
    // The measured line is the distance typed.
    EXPECT_NEAR(project.MetersPerUnit, 100.0 / QLineF(cell(10, 10), end).length(), 1e-9);
}

TEST_F(MainWindowTest, DrawingSurvivesResizeAndFollowsTheWidgetSize) {
    placeTower(50, 30, {"", "S"});
    calculate();
    trigger("u8u"); // random dots: a redraw would move them, a replay does not
    PlanCanvas* canvas = window->canvasWidget();
    const QImage before = window->areaImage();
    const QSize small = canvas->backing().size();
    window->resize(1500, 1000);
    QApplication::processEvents();
    const QSize large = canvas->backing().size();
    EXPECT_GT(large.width(), small.width());
    // The backing image has the device pixels of the area on the widget.
    const QRectF r = canvas->areaRect();
    EXPECT_NEAR(large.width(), r.width() * canvas->devicePixelRatioF(), 1.0);
    EXPECT_NEAR(double(large.width()) / large.height(), 15360.0 / 10560.0, 0.01);
    EXPECT_EQ(window->areaImage(), before);
    // Pointer positions map back to the same drawing units at any size.
    const QPointF u(7000, 4000);
    const QPointF back = canvas->toUnits(canvas->toWidget(u));
    EXPECT_NEAR(QLineF(back, u).length(), 0, 1e-6);
}

TEST_F(MainWindowTest, RunningWindowShowsProgressAndCancelKeepsTheProject) {
    CalcRunner* runner = window->calcRunner();
    std::optional<CalcStatus> status;
    const auto heard = [&](const CalcOutcome& out, Project&) { status = out.status; };
    ASSERT_TRUE(runner->start(
        project,
        [](Project& work, const CalcControl& control) {
            work.XY.MaxDensity = 99; // the copy only
            CalcProgress pr;
            pr.antennaCount = 3;
            pr.nodeTotal = 1000;
            for (long long k = 0;; ++k) {
                pr.antenna = int(1 + k % 3);
                pr.node = k;
                if (!control.progress(pr)) return CalcOutcome{CalcStatus::Cancelled, ""};
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        },
        heard));
    EXPECT_FALSE(runner->start(project, {}, {})); // one calculation at a time
    QDialog* cal2 = dialog("cal2");
    ASSERT_NE(cal2, nullptr);
    EXPECT_EQ(cal2->windowModality(), Qt::WindowModal);
    EXPECT_EQ(cal2->windowTitle(), "Running");
    EXPECT_FALSE(control<QLabel>(cal2, "Label6")->text().isEmpty());
    // The labels follow the work as it goes on.
    auto* label4 = control<QLabel>(cal2, "Label4");
    auto* label5 = control<QLabel>(cal2, "Label5");
    // Waits until `done`, for at most `tries` short naps.
    const auto waitFor = [](int tries, const std::function<bool()>& done) {
        for (int k = 0; k < tries && !done(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QApplication::processEvents();
        }
    };
    waitFor(100, [&] { return label4->text().endsWith("of 3 pollution sources"); });
    EXPECT_TRUE(label4->text().endsWith("of 3 pollution sources")) << label4->text().toStdString();
    const QString first = label5->text();
    waitFor(15, [&] { return label5->text() != first; });
    EXPECT_NE(label5->text(), first);
    click(cal2, "Command1");
    runCalculation();
    EXPECT_EQ(status, CalcStatus::Cancelled);
    EXPECT_EQ(project.XY.MaxDensity, 0.0);
    EXPECT_EQ(dialog("cal2"), nullptr);

    // A calculation that throws reports a failure.
    runner->start(
        project, [](Project&, const CalcControl&) -> CalcOutcome { throw std::runtime_error("x"); },
        heard);
    runCalculation();
    EXPECT_EQ(status, CalcStatus::Failed);
}

TEST(QtPromptsFilter, ListsTheNamedPatternsThenEveryFile) {
    EXPECT_EQ(QtFileFilter("Torvel Files (*.bvk)| *.bvk"), "Torvel Files (*.bvk);;All files (*)");
    EXPECT_EQ(QtFileFilter("Pictures| *.bmp"), "Pictures (*.bmp);;All files (*)");
}

} // namespace
} // namespace brenvik::app::testing
