// Cancel is Cancel: every dialog of the window, closed by Cancel, Escape or
// its close box after every box was changed, leaves the project, the undo
// history, the unsaved mark, the pointer tools and the status bar as they
// were; a recalculation asked for by a command runs only with accepted
// settings and says which; a report keeps the page of a plane without a
// current result and says why.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/UndoHistory.h"
#include "calc/Towers.h"
#include "geo/Readout.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <functional>
#include <set>

namespace brenvik::app::testing {
namespace {

enum class Close { Cancel, Escape, Box };

// Everything a closed dialog must leave as it found it.
struct State {
    std::string saved; // the project as its file would hold it
    int steps = 0;
    bool unsaved = false;
    std::string status; // every read-out of the status bar, shown or not
    std::string tool;
    std::string pressed;
    DisplaySettings display; // not in the file: the colours of the run
    friend bool operator==(const State&, const State&) = default;
};

class CancelTest : public WindowTest {
  public:
    // For the table's rows.
    using WindowTest::cell;
    using WindowTest::click;
    using WindowTest::clickAt;
    using WindowTest::dialog;
    using WindowTest::prompts;
    using WindowTest::trigger;
    using WindowTest::type;
    using WindowTest::write;

    State state() {
        State s;
        EXPECT_TRUE(WriteProjectText(project, s.saved));
        s.steps = window->history().steps();
        s.unsaved = window->isWindowModified();
        for (const QLabel* l : window->statusBar()->findChildren<QLabel*>())
            s.status +=
                (l->objectName() + ": " + l->text() + (l->isVisible() ? "" : " (hidden)") + " | ")
                    .toStdString();
        s.tool = window->activeToolName();
        for (const Command& c : CommandTable())
            if (window->item(c.name)->isChecked()) s.pressed += std::string(c.name) + " ";
        s.display = project.Display;
        // Which value the shared dialog edits is chosen by its command.
        s.display.MallaMode = SizeFormValue::GridSize;
        return s;
    }

    // A tower on a plan calculated at surface height, as work in progress.
    void prepare() {
        placeTower(30, 30);
        trigger(cmd::CalculationButton);
        click(dialog("cal"), "Option1");
        click(dialog("cal"), "a");
        runCalculation();
        ASSERT_TRUE(ResultCurrent(project, Plane::XY) &&
                    project.CalcOption == CalcLevel::AtSurface);
    }

    // Every box typed into, every option and check box clicked, every list
    // moved on: what a user might do before changing their mind.
    void changeEverything(QDialog* d) {
        for (QLineEdit* e : d->findChildren<QLineEdit*>())
            if (e->isVisible() && e->isEnabled() && !e->isReadOnly())
                e->setText(e->text() == "7" ? "8" : "7");
        for (QRadioButton* b : d->findChildren<QRadioButton*>())
            if (b->isVisible() && b->isEnabled()) b->click();
        for (QCheckBox* b : d->findChildren<QCheckBox*>())
            if (b->isVisible() && b->isEnabled()) b->click();
        for (QComboBox* c : d->findChildren<QComboBox*>())
            if (c->isVisible() && c->isEnabled() && c->count() > 1)
                c->setCurrentIndex((c->currentIndex() + 1) % c->count());
        for (QAbstractItemView* v : d->findChildren<QAbstractItemView*>())
            if (v->isVisible() && v->model() && v->model()->rowCount() > 0)
                v->model()->setData(v->model()->index(0, 0), "7");
        QApplication::processEvents();
    }

    void close(QDialog* d, Close how) {
        switch (how) {
        case Close::Cancel: {
            QPushButton* cancel = nullptr;
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text() == "Cancel" && b->window() == d) cancel = b;
            ASSERT_NE(cancel, nullptr) << d->objectName().toStdString() << " has no Cancel";
            cancel->click();
            break;
        }
        case Close::Escape: {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(d, &press);
            break;
        }
        case Close::Box:
            d->close();
            break;
        }
        QApplication::processEvents();
    }

    // Every visible dialog: the window's own and any other.
    std::vector<QDialog*> openDialogs() {
        std::vector<QDialog*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) out.push_back(d);
        for (QDialog* d : window->findChildren<QDialog*>())
            if (d->isVisible() && std::find(out.begin(), out.end(), d) == out.end())
                out.push_back(d);
        return out;
    }
    void closeAll() {
        for (int round = 0; round < 3; ++round)
            for (QDialog* d : openDialogs())
                if (d->isVisible()) d->reject();
        QApplication::processEvents();
        runCalculation();
    }
};

// One row per dialog the window opens: how to reach it from the prepared
// plan, what to do in it beyond changing every box, and how to close it.
struct Row {
    const char* dialog;
    const char* command; // the command that opens it; null when reached otherwise
    std::function<void(CancelTest&)> before = {}; // scripted answers, a file to read...
    std::function<void(CancelTest&, QDialog*)> inside = {};
    Close how = Close::Cancel;
};

// Dialogs no command opens directly: reached from another dialog or from
// the plan. Every other row's dialog must be opened by its command, and every
// dialog a command opens must have a row (see EveryDialogACommandOpensHasARow).
const std::set<std::string> kNotFromCommands = {"fuent", "torre"};
// The progress window of a running calculation has a Cancel of its own, which
// stops the calculation on its copy of the project; it takes no values.
const std::set<std::string> kNoValues = {"cal2"};

std::vector<Row> rows() {
    using P = Prompts::Answer;
    const auto no = [](CancelTest& t) { t.prompts.saveChangesAnswers = {P::No}; };
    return {
        {"cal", cmd::CalculationButton},
        {"cal", cmd::XYCalculationItem, {}, {}, Close::Escape},
        {"calperfil", cmd::XZCalculation},
        {"calperfil", cmd::XZCalculation, {}, {}, Close::Box},
        {"torre",
         cmd::TowerButton,
         {},
         [](CancelTest& t, QDialog* d) {
             t.click(d, "Command3"); // a second antenna
             t.click(d, "Command1"); // its options, changed and accepted
             QDialog* f = t.dialog("fuent");
             ASSERT_NE(f, nullptr);
             t.click(f, "S");
             t.click(f, "Command1");
         }},
        {"torre", cmd::TowerItem, {}, {}, Close::Box},
        {"fuent", nullptr,
         [](CancelTest& t) {
             t.trigger(cmd::TowerButton);
             t.click(t.dialog("torre"), "Command1");
         }},
        {"pantenas", cmd::AntennaParameters},
        {"reliev", cmd::TopographicButton},
        {"escal", cmd::ScaleButton, no},
        {"posicion", cmd::ScaleCalculation, no, {}, Close::Escape},
        {"malla", cmd::GridSize, no},
        {"malla", cmd::IsolineCount, no},
        {"colorb", cmd::CalcColours, {}, {}, Close::Escape},
        {"colordifuminado", cmd::DotColours, {}, {}, Close::Box},
        {"cambiocoor", cmd::Origin, {}, {}, Close::Escape},
        {"referencia", cmd::Reference},
        {"curvatura", cmd::Curvature, {}, {}, Close::Escape},
        {"zoom1", cmd::Zoom},
        {"canarina", cmd::About, {}, {}, Close::Escape},
        {"userGuide", cmd::UserGuide, {}, {}, Close::Escape},
        {"exposure", cmd::ExposureModel},
        {"gisexport", cmd::GisExport},
        {"importsites", cmd::ImportSites},
        {"compliance", cmd::ComplianceSettings},
        {"summary", cmd::ComplianceSummary, {}, {}, Close::Escape},
        {"rules",
         cmd::Rules,
         {},
         [](CancelTest&, QDialog* d) {
             auto* list = d->findChild<QListWidget*>("listareglas");
             ASSERT_NE(list, nullptr);
             for (int k = 0; k < list->count(); ++k)
                 list->item(k)->setCheckState(Qt::Checked);
         }},
        {"lugares",
         cmd::Places,
         {},
         [](CancelTest& t, QDialog* d) {
             t.click(d, "anadirlug");
             t.changeEverything(d);
         }},
        {"alturaedificios", cmd::ImportBuildings,
         [](CancelTest& t) {
             // A footprint near the default origin without a height.
             t.prompts.openPaths.push_back(t.write("b.geojson", R"({"type":"FeatureCollection",
"features":[{"type":"Feature","properties":{"@id":"way/3"},"geometry":{"type":"Polygon","coordinates":
[[[63.0015,64.0006],[63.0017,64.0006],[63.0017,64.00069],[63.0015,64.00069],[63.0015,64.0006]]]}}]})"));
         }},
        {"mediciones", cmd::Measurements,
         [](CancelTest& t) {
             t.prompts.openPaths.push_back(
                 t.write("m.csv", "name,x_m,y_m,value,unit\nA,40,30,1.5,V/m\nB,90,50,1,V/m\n"));
         },
         [](CancelTest& t, QDialog* d) {
             t.click(d, "importarmed");
             d->findChild<QTableWidget*>("tabla")->selectRow(0);
             t.click(d, "borrarmed");
         }},
        {"exportPicture", cmd::ExportPicture},
    };
}

TEST_F(CancelTest, EveryDialogClosedWithoutAcceptLeavesEverythingAsItWas) {
    prepare();
    // One of the file's single antennas, edited on its own from the plan.
    const QPointF single = cell(12, 40);
    const geo::PointerCell at = geo::PointerCellAt(project, single.x(), single.y());
    PlaceAntenna(project, at.xs, at.ys, project.Zoom);
    calculate();
    ASSERT_TRUE(ResultCurrent(project, Plane::XY));
    std::vector<Row> table = rows();
    // A placed tower and a single antenna, opened from the plan: the tower
    // with one of its antennas changed and accepted, then the tower cancelled.
    table.push_back({"torre", nullptr, [](CancelTest& t) { t.clickAt(t.cell(30, 30)); },
                     [](CancelTest& t, QDialog* d) {
                         t.click(d, "Command1");
                         QDialog* f = t.dialog("fuent");
                         ASSERT_NE(f, nullptr);
                         t.click(f, "w");
                         t.type(f, "mText", "21");
                         t.click(f, "Command1");
                         ASSERT_EQ(t.dialog("fuent"), nullptr) << t.prompts.lastMessage();
                     }});
    table.push_back({"fuent", nullptr, [single](CancelTest& t) { t.clickAt(single); }});

    for (const Row& row : table) {
        const std::string name = std::string(row.dialog) + " by " +
                                 (row.command ? row.command : "the plan") + ", closed by " +
                                 (row.how == Close::Cancel   ? "Cancel"
                                  : row.how == Close::Escape ? "Escape"
                                                             : "its close box");
        SCOPED_TRACE(name);
        const State before = state();
        if (row.before) row.before(*this);
        if (row.command) trigger(row.command);
        QDialog* d = dialog(row.dialog);
        ASSERT_NE(d, nullptr) << "not opened; last message: " << prompts.lastMessage();
        changeEverything(d);
        if (row.inside) row.inside(*this, d);
        ASSERT_NE(dialog(row.dialog), nullptr) << "closed before its Cancel";
        close(dialog(row.dialog), row.how);
        runCalculation();
        EXPECT_EQ(dialog(row.dialog), nullptr);
        closeAll(); // a tower dialog behind its antenna's, by its own Cancel above
        const State after = state();
        EXPECT_TRUE(after.saved == before.saved);
        EXPECT_EQ(after.steps, before.steps) << window->history().undoText().toStdString();
        EXPECT_EQ(after.unsaved, before.unsaved);
        EXPECT_EQ(after.status, before.status);
        EXPECT_EQ(after.tool, before.tool);
        EXPECT_EQ(after.pressed, before.pressed);
        EXPECT_TRUE(after.display == before.display);
        prompts.openPaths.clear();
        prompts.saveChangesAnswers.clear();
    }

    // The save-changes question, asked through the prompts: its Cancel too.
    for (const char* command : {cmd::New, cmd::Open, cmd::OpenButton, cmd::GridSize,
                                cmd::IsolineCount, cmd::ScaleButton, cmd::ScaleCalculation}) {
        SCOPED_TRACE(command);
        const State before = state();
        const int asked = prompts.saveChangesAsked;
        prompts.saveChangesAnswers = {Prompts::Answer::Cancel};
        trigger(command);
        ASSERT_EQ(prompts.saveChangesAsked, asked + 1);
        EXPECT_TRUE(openDialogs().empty());
        EXPECT_TRUE(state() == before) << state().pressed;
    }
}

TEST_F(CancelTest, EveryDialogACommandOpensHasARow) {
    prepare();
    // The command-opened dialogs of the table, and the ones the commands open.
    std::set<std::string> listed, opened;
    for (const Row& r : rows())
        if (r.command) listed.insert(r.dialog);
    const Project prepared = project;
    for (const Command& c : CommandTable()) {
        if (std::string(c.name) == cmd::Exit) continue; // closes the window
        SCOPED_TRACE(c.name);
        project = prepared;
        window->redrawView();
        // The answers that open most: "No" to the save-changes question, a
        // printer that is cancelled, file dialogs that choose nothing.
        prompts.saveChangesAnswers = {Prompts::Answer::No};
        printer.cancel = true;
        window->item(c.name)->trigger();
        runCalculation(); // a dialog that waits for a ratio opens after it
        for (QDialog* d : openDialogs()) {
            const std::string name = d->objectName().toStdString();
            opened.insert(name);
            EXPECT_TRUE(listed.count(name) || kNotFromCommands.count(name) || kNoValues.count(name))
                << "the dialog \"" << name << "\" opened by " << c.name
                << " has no row in the table of Cancel";
        }
        closeAll();
    }
    // And every row is reached by its command as the table says.
    for (const std::string& name : listed) {
        if (name == "alturaedificios") continue; // needs a file without heights: its row gives one
        EXPECT_TRUE(opened.count(name)) << name << " is opened by no command";
    }
}

// A placed tower accepted as it was is no step; changed, it is one.
TEST_F(CancelTest, APlacedTowerAcceptedUnchangedLeavesNoStep) {
    prepare();
    const State before = state();
    clickAt(cell(30, 30));
    click(dialog("torre"), "Command5");
    ASSERT_EQ(dialog("torre"), nullptr);
    EXPECT_TRUE(state() == before);
    clickAt(cell(30, 30));
    click(dialog("torre"), "Command1");
    click(dialog("fuent"), "w");
    click(dialog("fuent"), "Command1");
    click(dialog("torre"), "Command5");
    EXPECT_EQ(window->history().steps(), before.steps + 1);
    EXPECT_EQ(window->history().undoText(), "Tower");
}

// The Calculation dialog's height choice counts only when accepted, and a
// recalculation asked for by the summary runs with the accepted settings and
// names them.
TEST_F(CancelTest, TheHeightChoiceCountsOnlyWhenAcceptedAndTheRecalculationSaysWhatItUses) {
    placeTower(30, 30);
    // Accepted, but the calculation fails (a frequency the standard does not
    // cover): the settings stay as they were.
    const double frequency = project.Antennas[1].AntFrequencyMHz;
    project.Compliance.Standard = "fcc";
    project.Antennas[1].AntFrequencyMHz = 0.1;
    QDialog* cal = open(cmd::CalculationButton, "cal");
    click(cal, "Option1");
    click(cal, "a");
    runCalculation();
    ASSERT_FALSE(project.XY.Calculated);
    EXPECT_NE(prompts.lastMessage().find("tower 1, antenna 1"), std::string::npos)
        << prompts.lastMessage();
    EXPECT_EQ(project.CalcOption, CalcLevel::AtHeight);
    project.Antennas[1].AntFrequencyMHz = frequency;

    cal = open(cmd::CalculationButton, "cal");
    click(cal, "Option1"); // at surface height
    click(cal, "a");
    runCalculation();
    ASSERT_TRUE(project.CalcOption == CalcLevel::AtSurface && ResultCurrent(project, Plane::XY));
    const State calculated = state();

    cal = open(cmd::XYCalculationItem, "cal");
    click(cal, "Option2"); // at a certain height, then Escape
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(cal, &escape);
    QApplication::processEvents();
    ASSERT_EQ(dialog("cal"), nullptr);
    EXPECT_TRUE(state() == calculated);
    EXPECT_TRUE(project.CalcOption == CalcLevel::AtSurface && ResultCurrent(project, Plane::XY));
    mouse(QEvent::MouseMove, cell(31, 30)); // the read-out names the height in force
    EXPECT_EQ(window->labelText(label::Height), "h=ground level");

    // Out of date by other antennas: the summary asks, naming the settings.
    const auto recalculated = [&](const char* settings, const char* openAngle) {
        enter(cmd::AntennaParameters, "pantenas", "Text1", openAngle);
        ASSERT_TRUE(ResultStale(project, Plane::XY));
        prompts.answers = {Prompts::Answer::Yes};
        trigger(cmd::ComplianceSummary);
        runCalculation();
        ASSERT_FALSE(prompts.questions.empty());
        const std::string q = prompts.questions.back();
        EXPECT_EQ(q.rfind(msg::RecalculateFirst, 0), 0u) << q;
        EXPECT_NE(q.find(settings), std::string::npos) << q;
        EXPECT_TRUE(ResultCurrent(project, Plane::XY));
        ASSERT_NE(dialog("summary"), nullptr);
        click(dialog("summary"), "Command1");
    };
    recalculated("\nXY-Plane: calculation at surface height\n", "30");
    EXPECT_EQ(project.CalcOption, CalcLevel::AtSurface);

    // Accepted, the height is the one the recalculation keeps.
    cal = open(cmd::CalculationButton, "cal");
    click(cal, "Option2");
    type(cal, "Text1", "10");
    click(cal, "a");
    runCalculation();
    EXPECT_EQ(window->labelText(label::Height), "h=10 m");
    recalculated("\nXY-Plane: calculation at a certain height, h=10 m\n", "40");
    EXPECT_TRUE(project.CalcOption == CalcLevel::AtHeight && project.CalcHeight == 10.0);
}

TEST_F(CancelTest, AReportAfterARecalculatedPlanSaysTheSectionIsNotCurrent) {
    prepare();
    trigger(cmd::XZCalculation);
    click(dialog("calperfil"), "a");
    runCalculation();
    ASSERT_TRUE(ResultCurrent(project, Plane::XZ));
    trigger(cmd::XYPlane);
    importSites(BRENVIK_EXAMPLES_DIR "/two-towers-sites.csv");
    ASSERT_TRUE(ResultStale(project, Plane::XY) && ResultStale(project, Plane::XZ));

    const QString pdf = dir.filePath("report.pdf");
    prompts.savePaths.push_back(pdf.toStdString());
    prompts.answers = {Prompts::Answer::Yes};
    trigger(cmd::Report);
    runCalculation();
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_NE(prompts.questions[0].find("XZ-Plane section is out of date"), std::string::npos)
        << prompts.questions[0];
    ASSERT_TRUE(QFile::exists(pdf)) << prompts.lastMessage();
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("No current XZ-plane result: section at")) << text.toStdString();
    EXPECT_TRUE(text.contains("other antennas, ground or settings")) << text.toStdString();
}

} // namespace
} // namespace brenvik::app::testing
