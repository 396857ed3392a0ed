// "Dominant antenna" and "Operator share...": the plan drawn by who
// contributes what, node by node, against the single antennas' own grids.

#include "app/DominantView.h"

#include "MainWindowTestSupport.h"
#include "app/UndoHistory.h"
#include "calc/GridCalc.h"
#include "model/ProjectFile.h"
#include "model/TestProjects.h"
#include "render/Decorations.h"
#include "render/Palette.h"
#include "render/RecordingSurface.h"
#include "render/Scene.h"

#include <QProgressDialog>
#include <QTimer>

namespace brenvik::app::testing {
namespace {

struct Mast {
    double power, dir, i, j;
    const char* op;
};
// Two operators: "B" first seen, then "A".
constexpr Mast kSite[] = {
    {900, 90, 30, 30, "B"}, {1500, 200, 60, 35, "A"}, {600, 330, 45, 50, "B"}};

class DominantViewTest : public WindowTest {
  protected:
    void build(const std::vector<Mast>& masts) {
        for (const Mast& m : masts)
            brenvik::testing::AddAntenna(project, AntennaKind::Panel, m.power, 10, m.dir, m.i, m.j)
                .AntOperator = m.op;
        ASSERT_TRUE(RunXYCalculation(project).ok());
    }
    // Each antenna's own density grid: the plan calculated with the other
    // antennas silent.
    std::vector<Grid2D<double>> alone() {
        std::vector<Grid2D<double>> out;
        for (int s = 1; s <= project.AntennaCount; ++s) {
            Project q = project;
            for (int k = 1; k <= project.AntennaCount; ++k)
                if (k != s) q.Antennas[static_cast<std::size_t>(k)].AntPower = 0;
            EXPECT_TRUE(RunXYCalculation(q).ok());
            out.push_back(q.XY.Density);
        }
        return out;
    }
    // The fill of the cell drawn at node (i, j), as the window draws the plan.
    std::map<std::pair<int, int>, render::Rgb> cells() {
        render::RecordingSurface s;
        render::DotRandom dots;
        render::redrawView(project, s, dots);
        std::map<std::pair<int, int>, render::Rgb> out;
        const double c = project.CellSize;
        for (const render::Primitive& b : s.ofKind(render::Primitive::Kind::Box))
            if (b.fill && b.x2 - b.x1 == c && std::fmod(b.x1, c) == 0 && std::fmod(b.y1, c) == 0)
                out[{int(b.x1 / c), int(b.y1 / c)}] = *b.fill;
        return out;
    }
    // Nodes of the map area (the strip below it is never painted).
    bool shown(int j) const {
        return j * project.CellSize <= render::kShape2Top - project.CellSize;
    }
};

TEST_F(DominantViewTest, EachNodeShowsTheLargestSingleAntennaAndEachOperatorsShare) {
    build({std::begin(kSite), std::end(kSite)});
    ASSERT_EQ(std::tuple(project.Zoom, project.ScrollOffsetX, project.ScrollOffsetY),
              std::tuple(1.0, 0.0, 0.0));
    const std::vector<Grid2D<double>> own = alone();
    trigger(cmd::DominantAntenna);
    ASSERT_EQ(project.DisplayMode, ResultStyle::DominantAntenna) << prompts.lastMessage();
    const std::vector<render::LegendEntry> legend = render::ResultLegend(project);
    ASSERT_EQ(legend.size(), 3u);
    std::map<std::pair<int, int>, render::Rgb> drawn = cells();
    int painted = 0;
    for (int i = 1; i <= project.GridNX; ++i)
        for (int j = 1; j <= project.GridNY && shown(j); ++j) {
            int best = 0;
            for (int s = 1; s <= 3; ++s)
                if (own[s - 1](i, j) > (best ? own[best - 1](i, j) : 0.0)) best = s;
            ASSERT_EQ(drawn.count({i, j}), best ? 1u : 0u) << i << "," << j;
            if (!best) continue;
            ++painted;
            ASSERT_EQ((drawn[{i, j}]), legend[std::size_t(best - 1)].colour) << i << "," << j;
        }
    EXPECT_GT(painted, 100);

    // Each operator's share, chosen by its place in the question's list.
    for (auto [index, mine] : {std::pair(0, std::vector{0, 2}), std::pair(1, std::vector{1})}) {
        trigger(cmd::OperatorShare);
        QDialog* d = dialog("shareOperator");
        ASSERT_NE(d, nullptr);
        control<QComboBox>(d, "operatorList")->setCurrentIndex(index);
        click(d, "Command1");
        ASSERT_EQ(std::pair(project.DisplayMode, project.ShareOperator),
                  std::pair(ResultStyle::OperatorShare, index));
        drawn = cells();
        for (int i = 1; i <= project.GridNX; ++i)
            for (int j = 1; j <= project.GridNY && shown(j); ++j) {
                double part = 0.0, all = 0.0;
                for (int s = 0; s < 3; ++s) {
                    all += own[std::size_t(s)](i, j);
                    if (std::find(mine.begin(), mine.end(), s) != mine.end())
                        part += own[std::size_t(s)](i, j);
                }
                ASSERT_EQ(drawn.count({i, j}), all > 0.0 ? 1u : 0u) << i << "," << j;
                if (!(all > 0.0)) continue;
                const render::Rgb want = render::DensityRamp(part / all), got = drawn[{i, j}];
                // The share by hand may differ from the program's in the last bits.
                EXPECT_NEAR(got.r, want.r, 1) << i << "," << j;
                EXPECT_NEAR(got.g, want.g, 1) << i << "," << j;
                EXPECT_NEAR(got.b, want.b, 1) << i << "," << j;
            }
    }
}

TEST_F(DominantViewTest, ANewCalculationDropsTheContributionsAndShowsIsolines) {
    // One operator only: its share is shown without a question.
    build({{900, 90, 30, 30, "B"}, {600, 330, 45, 50, "B"}});
    trigger(cmd::OperatorShare);
    EXPECT_EQ(dialog("shareOperator"), nullptr);
    ASSERT_EQ(project.DisplayMode, ResultStyle::OperatorShare) << prompts.lastMessage();
    ASSERT_NE(project.XY.Contributions, nullptr);
    calculate();
    ASSERT_TRUE(project.XY.Calculated);
    EXPECT_EQ(project.XY.Contributions, nullptr);
    EXPECT_EQ(project.DisplayMode, ResultStyle::Isolines);
}

TEST_F(DominantViewTest, CancelLeavesTheDisplayTheProjectAndTheHistoryAsTheyWere) {
    // A fine grid and many antennas: the work outlasts the first look at it.
    project.GridNX = 900;
    project.RecomputeDerived();
    project.GroundGrid.resize(project.GridNX, project.GridNY);
    project.XY.Density.resize(project.GridNX, project.GridNY);
    project.XZ.Density.resize(project.GridNX, project.GridNY);
    std::vector<Mast> masts;
    for (int k = 0; k < 8; ++k)
        masts.push_back(
            {900.0 + 50 * k, 45.0 * k, 100.0 + 80 * k, 100.0 + 40 * k, k % 2 ? "A" : "B"});
    build(masts);
    const struct {
        const char* how;
        const char* command;
        bool question; // answered by its Cancel
    } ways[] = {
        {"the progress window's Cancel", cmd::DominantAntenna, false},
        {"the question's Cancel", cmd::OperatorShare, true},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        std::string before, after;
        ASSERT_TRUE(WriteProjectText(project, before));
        const int steps = window->history().steps();
        const bool unsaved = window->isWindowModified();
        // Presses the progress window's Cancel as soon as it shows.
        int cancelled = 0;
        QTimer press;
        press.setInterval(0);
        QObject::connect(&press, &QTimer::timeout, [&] {
            for (auto* p : window->findChildren<QProgressDialog*>("operationProgress"))
                if (p->isVisible() && !cancelled)
                    for (auto* b : p->findChildren<QPushButton*>())
                        ++cancelled, b->click();
        });
        press.start();
        trigger(way.command);
        if (way.question) {
            QDialog* d = dialog("shareOperator");
            ASSERT_NE(d, nullptr);
            control<QComboBox>(d, "operatorList")->setCurrentIndex(1);
            click(d, "Command2");
        }
        press.stop();
        EXPECT_EQ(cancelled, way.question ? 0 : 1);
        EXPECT_EQ(project.DisplayMode, ResultStyle::Isolines);
        EXPECT_EQ(project.XY.Contributions, nullptr);
        ASSERT_TRUE(WriteProjectText(project, after));
        EXPECT_TRUE(after == before);
        EXPECT_EQ(window->history().steps(), steps);
        EXPECT_EQ(window->isWindowModified(), unsaved);
        EXPECT_TRUE(prompts.messages.empty()) << prompts.lastMessage();
    }
}

} // namespace
} // namespace brenvik::app::testing
