// Who contributes what on the plan: each node's colour against the antennas'
// own densities worked out here, and where the views give way to isolines.

#include "render/Dominant.h"

#include "RenderTestUtil.h"
#include "render/Decorations.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <gtest/gtest.h>
#include <memory>

namespace brenvik::render {
namespace {

using namespace test;

// Three antennas (1 and 3 of operator "B", 2 of "A") and their own
// densities at a few nodes; every other node gets nothing.
struct NodeDensities {
    int i, j;
    double own[3];
};
constexpr NodeDensities kNodes[] = {
    {10, 10, {5.0, 1.0, 0.5}}, {11, 10, {0.2, 3.0, 0.0}}, {12, 10, {0.0, 0.0, 7.0}},
    {20, 5, {1.0, 1.0, 2.0}},  {30, 40, {0.0, 4.0, 0.0}}, {31, 40, {0.0, 0.0, 0.0}},
};

Project SiteWithContributions(ResultStyle style, int op) {
    Project p = CalculatedProject();
    auto c = std::make_shared<ContributionGrids>();
    c->Dominant.resize(p.GridNX, p.GridNY);
    c->Operators = {"B", "A"};
    c->OperatorDensity.assign(2, Grid2D<double>(p.GridNX, p.GridNY));
    c->AntennaNames = {"", "T1 A1 (B)", "T1 A2 (A)", "T2 A1 (B)"};
    for (const NodeDensities& n : kNodes) {
        int best = 0;
        for (int a = 1; a <= 3; ++a)
            if (n.own[a - 1] > (best ? n.own[best - 1] : 0.0)) best = a;
        c->Dominant(n.i, n.j) = best;
        c->OperatorDensity[0](n.i, n.j) = n.own[0] + n.own[2];
        c->OperatorDensity[1](n.i, n.j) = n.own[1];
    }
    p.XY.Contributions = std::move(c);
    p.DisplayMode = style;
    p.ShareOperator = op;
    return p;
}

std::optional<Rgb> FillAt(const RecordingSurface& s, const Project& p, int i, int j) {
    const auto boxes = BoxesAt(s, i * p.CellSize, j * p.CellSize);
    for (const Primitive& b : boxes)
        if (b.fill) return b.fill;
    return std::nullopt;
}

TEST(Dominant, EachNodeTakesItsStrongestAntennasColourAndTheLegendNamesIt) {
    const Project p = SiteWithContributions(ResultStyle::DominantAntenna, 0);
    RecordingSurface s;
    DotRandom dots;
    redrawView(p, s, dots);
    const std::vector<LegendEntry> legend = ResultLegend(p);
    ASSERT_EQ(legend.size(), 3u);
    EXPECT_EQ(legend[1].text, "2: T1 A2 (A)");
    EXPECT_EQ(LegendHeading(p, legend), "Dominant antenna");
    EXPECT_TRUE(legend[0].colour != legend[1].colour && legend[1].colour != legend[2].colour &&
                legend[0].colour != legend[2].colour);
    for (const NodeDensities& n : kNodes) {
        // The antenna of the largest own density, the first of equals.
        const double* most = std::max_element(n.own, n.own + 3);
        const std::optional<Rgb> want =
            *most > 0.0 ? std::optional(legend[std::size_t(most - n.own)].colour) : std::nullopt;
        EXPECT_EQ(FillAt(s, p, n.i, n.j), want) << n.i << "," << n.j;
    }
    EXPECT_EQ(FillAt(s, p, 40, 40), std::nullopt); // nothing radiates there
}

TEST(Dominant, OperatorShareCellsFollowTheDensityRampOfTheShare) {
    for (int op : {0, 1}) {
        const Project p = SiteWithContributions(ResultStyle::OperatorShare, op);
        RecordingSurface s;
        DotRandom dots;
        redrawView(p, s, dots);
        for (const NodeDensities& n : kNodes) {
            const double total = n.own[0] + n.own[1] + n.own[2];
            const double mine = op == 0 ? n.own[0] + n.own[2] : n.own[1];
            const std::optional<Rgb> want =
                total > 0.0 ? std::optional(DensityRamp(mine / total)) : std::nullopt;
            EXPECT_EQ(FillAt(s, p, n.i, n.j), want) << op << ": " << n.i << "," << n.j;
        }
        const auto legend = ResultLegend(p);
        ASSERT_EQ(legend.size(), 11u);
        EXPECT_EQ(std::pair(legend.front().text, legend.front().colour),
                  std::pair(std::string("100 %"), DensityRamp(1.0)));
        EXPECT_EQ(LegendHeading(p, legend),
                  op == 0 ? "Share of operator B (%)" : "Share of operator A (%)");
    }
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
        EXPECT_EQ(StyleShown(p, p.CurrentPlane), ResultStyle::Isolines) << c.why;
        p.XZ.Calculated = true;
        EXPECT_EQ(LegendHeading(p, ResultLegend(p)).find("Share"), std::string::npos) << c.why;
    }
    // The numbers of the colours stay apart: neighbours far along the ramp.
    const std::vector<Rgb> colours = DominantColours(12);
    for (std::size_t n = 2; n < colours.size(); ++n)
        EXPECT_NE(colours[n], colours[n - 1]) << n;
}

} // namespace
} // namespace brenvik::render
