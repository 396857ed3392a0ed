#include "render/Palette.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

using namespace brenvik;
using namespace brenvik::render;

namespace {

std::uint32_t Packed(Rgb c) {
    return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

// Relative luminance weights: the ramps must stay ordered in grey too.
double Lightness(Rgb c) {
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

} // namespace

TEST(Palette, RampsStayOrderedAndLowSharesApart) {
    // The density ramp brightens step by step, so it reads in grey print.
    for (int k = 1; k <= 10; ++k)
        EXPECT_GT(Lightness(DensityStep(k)), Lightness(DensityStep(k - 1))) << k;
    EXPECT_EQ(DensityRamp(0.5), DensityStep(5));
    EXPECT_EQ(HexColour(DensityStep(10)), "#fde725");

    // Shares a decade apart differ below the limit; blue below 100 %, red above.
    struct Case {
        double percent;
        bool blue;
    };
    const Case cases[] = {{0.001, true}, {0.01, true}, {0.1, true},  {1, true},
                          {10, true},    {100, true},  {200, false}, {1000, false}};
    std::set<std::uint32_t> seen;
    for (const Case& c : cases) {
        const Rgb rgb = RatioColour(c.percent);
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(rgb.b > rgb.r, c.blue);
        EXPECT_TRUE(seen.insert(Packed(rgb)).second);
    }
}

TEST(Palette, EveryLevelHasItsOwnColour) {
    struct Case {
        std::vector<double> levels;
    };
    std::vector<double> crowded;
    for (int k = 0; k < 400; ++k)
        crowded.push_back(1.0 + k * 1e-9); // closer than any ramp step
    const Case cases[] = {{{5.0, 10.0, 15.0, 4.2, 0.1}}, {{1.0}}, {crowded}};
    for (const Case& c : cases) {
        const std::vector<Rgb> colours = LevelColours(c.levels);
        ASSERT_EQ(colours.size(), c.levels.size());
        std::set<std::uint32_t> distinct;
        for (Rgb rgb : colours)
            distinct.insert(Packed(rgb));
        EXPECT_EQ(distinct.size(), c.levels.size());
    }
    // By rank: the highest level takes the top of the ramp.
    const std::vector<Rgb> five = LevelColours({5.0, 10.0, 15.0, 4.2, 0.1});
    EXPECT_EQ(five[2], DensityStep(10));
    EXPECT_LT(Lightness(five[4]), Lightness(five[3]));
}
