// Who contributes what on the plan: the cells and legend of the two views,
// and where they give way to isolines.

#include "render/Dominant.h"

#include "RenderTestUtil.h"
#include "render/Palette.h"

#include <gtest/gtest.h>
#include <memory>

namespace brenvik::render {
namespace {

using namespace test;

// Antennas 1 and 3 of operator "B", 2 of "A"; node (10 + n, 10) dominated
// by antenna n, all of it operator B's but at (12, 10), a quarter of it.
Project SiteWithContributions(ResultStyle style, int op) {
    Project p = CalculatedProject();
    auto c = std::make_shared<ContributionGrids>();
    c->Dominant.resize(p.GridNX, p.GridNY);
    c->Operators = {"B", "A"};
    c->OperatorDensity.assign(2, Grid2D<double>(p.GridNX, p.GridNY));
    c->AntennaNames = {"", "T1 A1 (B)", "T1 A2 (A)", "T2 A1 (B)"};
    for (int n = 1; n <= 3; ++n) {
        c->Dominant(10 + n, 10) = n;
        c->OperatorDensity[0](10 + n, 10) = 1.0;
    }
    c->OperatorDensity[1](12, 10) = 3.0;
    p.XY.Contributions = std::move(c);
    p.DisplayMode = style;
    p.ShareOperator = op;
    return p;
}

std::optional<Rgb> FillAt(const Project& p, int i, int j) {
    RecordingSurface s;
    DotRandom dots;
    redrawView(p, s, dots);
    for (const Primitive& b : BoxesAt(s, i * p.CellSize, j * p.CellSize))
        if (b.fill) return b.fill;
    return std::nullopt;
}

TEST(Dominant, CellsTakeTheColoursTheLegendNames) {
    const Project p = SiteWithContributions(ResultStyle::DominantAntenna, 0);
    const std::vector<LegendEntry> legend = ResultLegend(p);
    ASSERT_EQ(legend.size(), 3u);
    EXPECT_EQ(std::pair(legend[1].text, LegendHeading(p, legend)),
              std::pair(std::string("2: T1 A2 (A)"), std::string("Dominant antenna")));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(FillAt(p, 10 + n, 10), legend[std::size_t(n - 1)].colour) << n;
    EXPECT_EQ(FillAt(p, 14, 10), std::nullopt); // nothing radiates there
    EXPECT_NE(legend[0].colour, legend[1].colour);
    EXPECT_NE(legend[1].colour, legend[2].colour);

    const Project a = SiteWithContributions(ResultStyle::OperatorShare, 1);
    EXPECT_EQ(FillAt(a, 12, 10), DensityRamp(0.75));
    EXPECT_EQ(FillAt(a, 11, 10), DensityRamp(0.0));
    EXPECT_EQ(ResultLegend(a).size(), 11u);
    EXPECT_EQ(LegendHeading(a, ResultLegend(a)), "Share of operator A (%)");
}

TEST(Dominant, WithNothingOfTheirsToShowTheViewsDrawIsolines) {
    const struct {
        const char* why;
        void (*spoil)(Project&);
    } cases[] = {
        {"contributions dropped", [](Project& p) { p.XY.Contributions.reset(); }},
        {"the section on view", [](Project& p) { p.CurrentPlane = Plane::XZ; }},
        {"an operator not held", [](Project& p) { p.ShareOperator = 2; }},
        {"a grid of another size", [](Project& p) { p.XY.Density.resize(p.GridNX + 1, p.GridNY); }},
    };
    for (const auto& c : cases) {
        Project p = SiteWithContributions(ResultStyle::OperatorShare, 0);
        c.spoil(p);
        p.XZ.Calculated = true;
        EXPECT_EQ(StyleShown(p, p.CurrentPlane), ResultStyle::Isolines) << c.why;
        EXPECT_EQ(LegendHeading(p, ResultLegend(p)).find("Share"), std::string::npos) << c.why;
    }
}

} // namespace
} // namespace brenvik::render
