#include "render/DisplayForms.h"

#include <gtest/gtest.h>

using namespace brenvik::render;

TEST(GridCoverage, TruncatedCellsLeaveAStripAndTheNearestFullCountIsOffered) {
    const struct {
        const char* typed;
        int count, percent, full;
    } cases[] = {
        {"100", 100, 99, 96},     // cells of 153 units: 15300 of 15360
        {"96", 96, 100, 96},      // divides the width
        {"6000", 6000, 78, 5120}, // cells of 2: a fifth of the plan uncovered
        {"1", 3, 100, 3},         // raised to 3, like the grid itself
        {"15360", 15360, 100, 15360},
    };
    for (const auto& c : cases) {
        const auto g = gridCoverage(c.typed);
        ASSERT_TRUE(g) << c.typed;
        EXPECT_EQ(g->count, c.count) << c.typed;
        EXPECT_EQ(int(g->fraction * 100.0), c.percent) << c.typed;
        EXPECT_EQ(g->fullCount, c.full) << c.typed;
        EXPECT_EQ(gridCoverageNote(*g).empty(), c.percent == 100) << c.typed;
    }
    EXPECT_FALSE(gridCoverage("many"));
    EXPECT_FALSE(gridCoverage("20000"));
}
