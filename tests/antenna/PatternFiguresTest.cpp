#include "antenna/BeamCuts.h"

#include <gtest/gtest.h>

namespace brenvik::antenna {
namespace {

// Cuts whose losses are straight lines in dB around the peak, so that the
// 3 dB points fall on listed angles: horizontal 3 dB at +-30 degrees,
// vertical peaking 6 degrees down and 3 dB at 2 and 10 degrees down; a
// second pattern tilted up (peak at 356, i.e. 4 degrees above the horizon)
// 3 dB down 10 degrees below and 4 degrees above it.
TEST(PatternFigures, WidthsAndTiltAreThoseOfThePatternsOwnCuts) {
    struct Case {
        PatternCut vertical;
        PatternFigures want;
    } cases[] = {
        {{{0, 2, 6, 10, 90, 180, 270}, {4.5, 3, 0, 3, 20, 30, 20}}, {60.0, 8.0, 6.0}},
        {{{0, 90, 180, 270, 346, 356}, {3, 20, 30, 20, 3, 0}}, {60.0, 14.0, -4.0}},
    };
    for (const Case& c : cases) {
        AntennaPattern p;
        p.Horizontal = {{0, 30, 90, 180, 270, 330}, {0, 3, 12, 25, 12, 3}};
        p.Vertical = c.vertical;
        const PatternFigures got = PatternOwnFigures(p);
        EXPECT_NEAR(got.hWidthDeg, c.want.hWidthDeg, 1e-9);
        EXPECT_NEAR(got.vWidthDeg, c.want.vWidthDeg, 1e-9);
        EXPECT_NEAR(got.tiltDeg, c.want.tiltDeg, 1e-9);
    }
}

} // namespace
} // namespace brenvik::antenna
