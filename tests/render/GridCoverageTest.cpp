#include "render/DisplayForms.h"

#include <gtest/gtest.h>

using namespace brenvik::render;

TEST(GridCoverage, TruncatedCellsLeaveAStripAndTheNearestFullCountIsOffered) {
    // Typed count, count taken, percent of the plan covered, nearest full count.
    for (auto [typed, count, percent, full] : {
             std::tuple{"100", 100, 99, 96}, // cells of 153 units: 15300 of 15360
             {"96", 96, 100, 96},            // divides the width
             {"6000", 6000, 78, 5120},       // cells of 2: a fifth of the plan uncovered
             {"1", 3, 100, 3},               // raised to 3, like the grid itself
             {"15360", 15360, 100, 15360},
         }) {
        const auto g = gridCoverage(typed);
        ASSERT_TRUE(g) << typed;
        EXPECT_EQ(std::tuple(g->count, int(g->fraction * 100.0), g->fullCount,
                             GridCoverageNote(*g).empty()),
                  std::tuple(count, percent, full, percent == 100))
            << typed;
    }
    EXPECT_FALSE(gridCoverage("many"));
    EXPECT_FALSE(gridCoverage("20000"));
}
