// What the window says and shows at a glance: the Help menu, the Select
// tool, a weak result in percent of the limit.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/ComplianceFlows.h"
#include "app/UndoHistory.h"
#include "compliance/Summary.h"

#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTextBrowser>

namespace brenvik::app::testing {
namespace {

class LooksTest : public WindowTest {};

TEST_F(LooksTest, HelpMenuOpensTheGuideAndAnAboutBoxNamingTheLibraries) {
    auto* help = window->menuBar()->findChild<QMenu*>("help");
    ASSERT_NE(help, nullptr);
    QStringList captions;
    for (QAction* a : help->actions())
        if (!a->isSeparator()) captions << a->text().remove('&');
    EXPECT_EQ(captions, QStringList({"User guide", "About..."}));

    QDialog* guide = open(cmd::UserGuide, "userGuide");
    auto* text = control<QTextBrowser>(guide, "guideText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().contains("Select")) << text->toPlainText().toStdString();
    EXPECT_TRUE(text->toPlainText().contains("Far-field (IEC 62232)"));

    QDialog* about = open(cmd::About, "canarina");
    auto* libraries = control<QLabel>(about, "libraries");
    ASSERT_NE(libraries, nullptr);
    const QRegularExpression versions(R"(Qt 6\.\d+\.\d+, GDAL \d+\.\d+\.\d+, PROJ \d+\.\d+\.\d+)");
    EXPECT_TRUE(versions.match(libraries->text()).hasMatch()) << libraries->text().toStdString();
}

// The arrow selects without opening, drags and deletes in one step each, and
// opens on a double-click; released, the pointer opens on a click again.
TEST_F(LooksTest, TheSelectToolSelectsMovesDeletesAndOpensOnADoubleClick) {
    placeTower(30, 30, {"", "S"});
    ASSERT_EQ(project.AntennaCount, 2);
    trigger(cmd::SelectButton);
    EXPECT_TRUE(pressed(cmd::SelectButton));
    clickAt(cell(30, 30));
    EXPECT_EQ(window->selection(), 1);
    EXPECT_EQ(dialog("torre"), nullptr);

    const double cs = project.CellSize;
    const int steps = window->history().steps();
    drag(cell(30, 30), cell(40, 35));
    EXPECT_EQ(std::tuple(project.Antennas[1].AntX, project.Antennas[2].AntY),
              std::tuple(40 * cs, 35 * cs));
    EXPECT_EQ(window->history().steps(), steps + 1);
    EXPECT_EQ(dialog("torre"), nullptr);
    trigger(cmd::DeleteSelection);
    EXPECT_EQ(project.AntennaCount, 0);
    EXPECT_EQ(window->history().steps(), steps + 2);
    trigger(cmd::Undo);
    ASSERT_EQ(project.AntennaCount, 2);
    EXPECT_TRUE(pressed(cmd::SelectButton));

    mouse(QEvent::MouseButtonPress, cell(40, 35));
    mouse(QEvent::MouseButtonRelease, cell(40, 35));
    mouse(QEvent::MouseButtonDblClick, cell(40, 35));
    mouse(QEvent::MouseButtonRelease, cell(40, 35));
    EXPECT_NE(dialog("torre"), nullptr);
    window->resetTools();
    EXPECT_FALSE(pressed(cmd::SelectButton));
    clickAt(cell(40, 35));
    EXPECT_NE(dialog("torre"), nullptr); // the pointer without a tool opens, as before
    window->resetTools();

    // A tower standing between nodes, 100 units above its node, is picked
    // and boxed where it is drawn.
    for (int k : {1, 2})
        project.Antennas[k].AntExact =
            PlanPosition{project.Antennas[k].AntX * project.MetersPerUnit,
                         (PlanZeroY - (project.Antennas[k].AntY - 100)) * project.MetersPerUnit};
    trigger(cmd::SelectButton);
    clickAt(cell(40, 35) - QPointF(0, 100));
    EXPECT_EQ(window->selection(), 1);
    const QLineF top = window->canvasWidget()->line(Overlay::Selection1);
    EXPECT_NEAR(top.y1(), 35 * cs - 100 - cs / 4, 1e-6);
}

// A result far under the limit: "Show % of limit" with isolines draws lines
// at levels of its own range, and the exported picture shows them labelled,
// with their legend, the range's note on the plan, and the title block's
// site, standard and model.
TEST_F(LooksTest, AWeakResultShowsLabelledPercentIsolinesOnThePlanAndInThePicture) {
    placeTower(50, 30);
    calculate();
    ASSERT_TRUE(compliance::HasRatio(project, false));
    // Scaled to a top of 0.5 %, its levels run from 0.01 % up.
    double top = 0;
    for (int i = 0; i <= project.XY.Ratio.nx(); ++i)
        for (int j = 0; j <= project.XY.Ratio.ny(); ++j)
            top = std::max(top, project.XY.Ratio(i, j));
    ASSERT_GT(top, 0);
    for (int i = 0; i <= project.XY.Ratio.nx(); ++i)
        for (int j = 0; j <= project.XY.Ratio.ny(); ++j)
            project.XY.Ratio(i, j) *= 0.005 / top;
    project.Compliance.SiteName = "Roof 3";
    trigger(cmd::IsolinesButton);
    const QImage plain = window->areaImage();
    trigger(cmd::PercentOfLimit);
    ASSERT_TRUE(window->compliance().percentShown());
    EXPECT_NE(window->areaImage(), plain);

    QDialog* d = open(cmd::ExportPicture, "exportPicture");
    type(d, "pictureWidth", "1600");
    type(d, "pictureHeight", "1200");
    const QString svg = dir.filePath("weak.svg");
    prompts.savePaths.push_back(svg.toStdString());
    click(d, "Command1");
    ASSERT_EQ(dialog("exportPicture"), nullptr) << prompts.lastMessage();
    QFile f(svg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    for (const char* says :
         {">Isolines (% of limit, max 0.500)<", ">0.010 %<", ">0.010<", ">Site: Roof 3<",
          ">Model: Simplified beam (indicative)<", "general public<"})
        EXPECT_TRUE(text.contains(says)) << says;
}

} // namespace
} // namespace brenvik::app::testing
