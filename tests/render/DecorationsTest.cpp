#include "render/Decorations.h"

#include "render/Dots.h"
#include "render/Scene.h"

#include <gtest/gtest.h>

namespace brenvik::render {
namespace {

TEST(Decorations, ScaleBarTakesTheLongestRoundLengthWithinTheFraction) {
    for (auto [planWidthM, fraction, metres, label] : {std::tuple{150.0, 0.25, 20.0, "20 m"},
                                                       {150.0, 0.5, 50.0, "50 m"},
                                                       {1000.0, 0.25, 200.0, "200 m"},
                                                       {12000.0, 0.25, 2000.0, "2 km"},
                                                       {3.3, 0.25, 0.5, "0.5 m"},
                                                       {100.0, 0.1, 10.0, "10 m"}}) {
        const ScaleBar b = ChooseScaleBar(planWidthM, 15360, fraction);
        EXPECT_DOUBLE_EQ(b.metres, metres) << planWidthM;
        EXPECT_EQ(b.label, label);
        EXPECT_DOUBLE_EQ(b.units, metres / planWidthM * 15360);
    }
}

TEST(Decorations, LegendAndTitleFollowTheProject) {
    Project p;
    EXPECT_TRUE(ResultLegend(p).empty());
    p.XY.Calculated = true;
    p.XY.MaxDensity = 20;
    p.DisplayMode = ResultStyle::Gradient;
    const auto legend = ResultLegend(p);
    ASSERT_EQ(legend.size(), 11u);
    EXPECT_EQ(legend.front().text, "20.000 uW/cm^2");
    EXPECT_EQ(legend.back().text, "0.000 uW/cm^2");
    // The swatches are the colours the gradient has on the picture's background.
    EXPECT_EQ(legend.front().colour, GradientColour(10, false));
    p.WhiteBackground = true;
    EXPECT_EQ(ResultLegend(p)[3].colour, GradientColour(7, true));
    // Isolines: a line per level the plane crosses (here only 10), in the
    // isolines' colour.
    p.DisplayMode = ResultStyle::Isolines;
    p.IsolineCount = 2;
    p.XY.IsolineLevel = {0, 5, 10};
    p.XY.Isolines.reset(2);
    p.XY.IsolinesAux.reset(2);
    p.XY.IsolinesAux.append(2, 3, 4);
    const auto lines = ResultLegend(p);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(std::tuple(lines[0].text, lines[0].colour, lines[0].line),
              std::tuple("10.000 uW/cm^2", isolineColour(p.Display), true));
    EXPECT_EQ(LegendHeading(p, lines), "Isolines (uW/cm^2)");
    EXPECT_EQ(LegendHeading(p, legend), "Power density (uW/cm^2)");
    Project shares = p;
    shares.ResultUnit = " %";
    shares.XY.MaxDensity = 0.136249;
    EXPECT_EQ(LegendHeading(shares, lines), "Isolines (% of limit, max 0.136)");

    // Dots from 45 %: levels 10 down to 5 in the scheme's colours; the
    // numerical grid has no colour scale.
    p.DisplayMode = ResultStyle::Dots;
    p.Display.DotFromPercent = 45;
    p.Display.DotScheme = 4;
    const auto dots = ResultLegend(p);
    ASSERT_EQ(dots.size(), 6u);
    EXPECT_EQ(std::pair(dots.back().text, dots.back().colour),
              std::pair(std::string("10.000 uW/cm^2"), DotColour(4, 5)));
    p.DisplayMode = ResultStyle::NumericalGrid;
    EXPECT_TRUE(ResultLegend(p).empty());

    p.FileName = "/data/B2.bvk";
    p.Compliance.SiteName = "Roof 3";
    p.Exposure.Model = ExposureModel::FarField;
    EXPECT_EQ(TitleBlock(p, "2026-12-06", "ICNIRP 2020, general public"),
              (std::vector<std::string>{"Project: B2.bvk", "Site: Roof 3", "Assessor: -",
                                        "Date: 2026-12-06", "Standard: ICNIRP 2020, general public",
                                        "Model: Far-field (IEC 62232)"}));
}

} // namespace
} // namespace brenvik::render
