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

TEST_F(DominantViewTest, EachNodeShowsTheLargestSingleAntennaOrTheOperatorsShare) {
    build({std::begin(kSite), std::end(kSite)});
    ASSERT_EQ(std::tuple(project.Zoom, project.ScrollOffsetX, project.ScrollOffsetY),
              std::tuple(1.0, 0.0, 0.0));
    const std::vector<Grid2D<double>> own = alone();
    // The operator's place in the question's list ("B" first seen), and the
    // antennas it owns.
    const struct {
        const char* command;
        int index;
        std::vector<int> mine;
    } views[] = {{cmd::DominantAntenna, -1, {}},
                 {cmd::OperatorShare, 0, {0, 2}},
                 {cmd::OperatorShare, 1, {1}}};
    for (const auto& v : views) {
        trigger(v.command);
        if (v.index >= 0) {
            ASSERT_NE(dialog("shareOperator"), nullptr);
            control<QComboBox>(dialog("shareOperator"), "operatorList")->setCurrentIndex(v.index);
            click(dialog("shareOperator"), "Command1");
        }
        ASSERT_TRUE(ShowsContributions(project.DisplayMode)) << prompts.lastMessage();
        const std::vector<render::LegendEntry> legend = render::ResultLegend(project);
        const std::map<std::pair<int, int>, render::Rgb> drawn = cells();
        for (int i = 1; i <= project.GridNX; ++i)
            for (int j = 1; j <= project.GridNY && shown(j); ++j) {
                double most = 0.0, part = 0.0, all = 0.0;
                std::size_t best = 0;
                for (std::size_t s = 0; s < own.size(); ++s) {
                    const double d = own[s](i, j);
                    all += d;
                    if (d > most) most = d, best = s;
                    if (std::count(v.mine.begin(), v.mine.end(), int(s))) part += d;
                }
                ASSERT_EQ(drawn.count({i, j}), all > 0.0 ? 1u : 0u) << i << "," << j;
                if (!(all > 0.0)) continue;
                const render::Rgb want =
                    v.index < 0 ? legend.at(best).colour : render::DensityRamp(part / all);
                const render::Rgb got = drawn.at({i, j});
                // The share by hand may differ from the program's in the last bits.
                ASSERT_LE(std::abs(got.r - want.r) + std::abs(got.g - want.g) +
                              std::abs(got.b - want.b),
                          v.index < 0 ? 0 : 3)
                    << v.index << ": " << i << "," << j;
            }
    }
    // A new calculation drops them, and the plan shows isolines again.
    calculate();
    EXPECT_EQ(std::pair(project.XY.Contributions, project.DisplayMode),
              std::pair(std::shared_ptr<const ContributionGrids>(), ResultStyle::Isolines));
}

TEST_F(DominantViewTest, OneOperatorOnlyIsShownWithoutAQuestion) {
    build({{900, 90, 30, 30, "B"}, {600, 330, 45, 50, "B"}});
    trigger(cmd::OperatorShare);
    EXPECT_EQ(dialog("shareOperator"), nullptr);
    EXPECT_EQ(project.DisplayMode, ResultStyle::OperatorShare) << prompts.lastMessage();
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
        const std::pair history(window->history().steps(), window->isWindowModified());
        // Presses the progress window's Cancel as soon as it shows.
        int cancelled = 0;
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            for (auto* p : window->findChildren<QProgressDialog*>("operationProgress"))
                if (p->isVisible() && cancelled == 0)
                    ++cancelled, p->findChild<QPushButton*>()->click();
        });
        press.start(0);
        trigger(way.command);
        if (way.question) {
            ASSERT_NE(dialog("shareOperator"), nullptr);
            control<QComboBox>(dialog("shareOperator"), "operatorList")->setCurrentIndex(1);
            click(dialog("shareOperator"), "Command2");
        }
        press.stop();
        EXPECT_EQ(cancelled, way.question ? 0 : 1);
        EXPECT_EQ(std::pair(project.XY.Contributions, project.DisplayMode),
                  std::pair(std::shared_ptr<const ContributionGrids>(), ResultStyle::Isolines));
        ASSERT_TRUE(WriteProjectText(project, after));
        EXPECT_TRUE(after == before);
        EXPECT_EQ(std::pair(window->history().steps(), window->isWindowModified()), history);
        EXPECT_TRUE(prompts.messages.empty()) << prompts.lastMessage();
    }
}

} // namespace
} // namespace brenvik::app::testing
