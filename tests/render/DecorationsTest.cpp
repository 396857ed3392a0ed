#include "render/Decorations.h"

#include "render/Scene.h"

#include <gtest/gtest.h>

namespace brenvik::render {
namespace {

TEST(Decorations, ScaleBarTakesTheLongestRoundLengthWithinTheFraction) {
    struct Case {
        double planWidthM, fraction, metres;
        const char* label;
    } cases[] = {{150, 0.25, 20, "20 m"},     {150, 0.5, 50, "50 m"},    {1000, 0.25, 200, "200 m"},
                 {12000, 0.25, 2000, "2 km"}, {3.3, 0.25, 0.5, "0.5 m"}, {100, 0.1, 10, "10 m"}};
    for (const Case& c : cases) {
        const ScaleBar b = chooseScaleBar(c.planWidthM, 15360, c.fraction);
        EXPECT_DOUBLE_EQ(b.metres, c.metres) << c.planWidthM;
        EXPECT_EQ(b.label, c.label);
        EXPECT_DOUBLE_EQ(b.units, c.metres / c.planWidthM * 15360);
    }
}

TEST(Decorations, LegendAndTitleFollowTheProject) {
    Project p;
    EXPECT_TRUE(resultLegend(p).empty());
    p.XY.Calculated = true;
    p.XY.MaxDensity = 20;
    const auto legend = resultLegend(p);
    ASSERT_EQ(legend.size(), 11u);
    EXPECT_EQ(legend.front().text, "20.000 uW/cm^2");
    EXPECT_EQ(legend.back().text, "0.000 uW/cm^2");
    // The swatches are the colours the gradient has on the picture's background.
    EXPECT_EQ(legend.front().colour, gradientColour(10, false));
    p.WhiteBackground = true;
    EXPECT_EQ(resultLegend(p)[3].colour, gradientColour(7, true));
    p.FileName = "/data/B2.bvk";
    EXPECT_EQ(
        titleBlock(p, "2026-12-06", "ICNIRP 2020"),
        (std::vector<std::string>{"Project: B2.bvk", "Date: 2026-12-06", "Standard: ICNIRP 2020"}));
}

} // namespace
} // namespace brenvik::render
