// View › "Dominant antenna...": the window of who contributes what, node by
// node, against the single antennas' own grids.

#include "app/DominantView.h"

#include "MainWindowTestSupport.h"
#include "calc/GridCalc.h"
#include "model/TestProjects.h"
#include "render/Palette.h"

#include <QComboBox>
#include <QListWidget>

namespace brenvik::app::testing {
namespace {

class DominantViewTest : public WindowTest {};

TEST_F(DominantViewTest, EachNodeShowsTheLargestSingleAntennaAndEachOperatorsShare) {
    const struct {
        double power, dir, i, j;
        const char* op;
    } masts[] = {{900, 90, 30, 30, "B"}, {1500, 200, 60, 35, "A"}, {600, 330, 45, 50, "B"}};
    for (const auto& m : masts)
        brenvik::testing::AddAntenna(project, AntennaKind::Panel, m.power, 10, m.dir, m.i, m.j)
            .AntOperator = m.op;
    ASSERT_TRUE(RunXYCalculation(project).ok());
    std::vector<Grid2D<double>> alone;
    for (int s = 1; s <= 3; ++s) {
        Project q = project;
        for (int k = 1; k <= 3; ++k)
            if (k != s) q.Antennas[static_cast<std::size_t>(k)].AntPower = 0;
        ASSERT_TRUE(RunXYCalculation(q).ok());
        alone.push_back(q.XY.Density);
    }
    trigger(cmd::DominantAntenna);
    auto* view = dynamic_cast<DominantAntennaWindow*>(dialog("dominantAntenna"));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->findChild<QListWidget*>("dominantLegend")->count(), 4);
    const QImage dominant = view->picture();
    ASSERT_EQ(std::pair(dominant.width(), dominant.height()),
              std::pair(int(project.GridNX), int(project.GridNY)));
    view->findChild<QComboBox*>("dominantView")->setCurrentIndex(1); // operator B, first seen
    const QImage shareB = view->picture();
    for (int i = 1; i <= project.GridNX; ++i)
        for (int j = 1; j <= project.GridNY; ++j) {
            int best = 0;
            double most = 0.0;
            for (int s = 1; s <= 3; ++s)
                if (alone[s - 1](i, j) > most) most = alone[s - 1](i, j), best = s;
            ASSERT_EQ(dominant.pixel(i - 1, j - 1), view->antennaColour(best)) << i << "," << j;
            const double b = alone[0](i, j) + alone[2](i, j), all = b + alone[1](i, j);
            if (!(all > 0.0)) continue;
            const render::Rgb c = render::DensityRamp(b / all);
            // The share by hand may differ from the view's in the last bits.
            EXPECT_NEAR(qRed(shareB.pixel(i - 1, j - 1)), c.r, 1) << i << "," << j;
            EXPECT_NEAR(qGreen(shareB.pixel(i - 1, j - 1)), c.g, 1) << i << "," << j;
        }
    view->close();
}

} // namespace
} // namespace brenvik::app::testing
