#include "antenna/Pattern.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace brenvik::antenna {
namespace {

constexpr double Pi = std::numbers::pi;

// Cuts with round numbers: the horizontal loses 10 dB at the sides and 20 dB
// behind; the vertical 15 dB straight down, 20 dB at the back horizon and
// 25 dB straight up.
AntennaPattern Measured() {
    AntennaPattern p;
    p.Horizontal = {{0, 90, 180, 270}, {0, 10, 20, 10}};
    p.Vertical = {{0, 90, 180, 270}, {0, 15, 20, 25}};
    return p;
}

TEST(Beam, GainsAtHandComputedDirections) {
    const AntennaPattern m = Measured();
    const ParametricBeam panel; // 90 deg by 7.2 deg
    const ParametricBeam tilted{false, 90, 7.2, 6};
    const ParametricBeam stick{true, 90, 24, 0};
    struct Case {
        const char* what;
        Beam beam;
        double phi, theta, db;
    } cases[] = {
        {"measured boresight", {&m, {}}, 0, 0, 0},
        {"measured right", {&m, {}}, 90, 0, -10},
        {"measured left", {&m, {}}, -90, 0, -10},
        {"measured half-way", {&m, {}}, 45, 0, -5},
        {"measured behind", {&m, {}}, 180, 0, -20},
        {"measured down", {&m, {}}, 0, 90, -15},
        {"measured up", {&m, {}}, 0, -90, -25},
        {"measured half down", {&m, {}}, 0, 45, -7.5},
        // G_H(90) - [0.5 (0 + 15) + 0.5 (-20 + 15)]
        {"measured side and down", {&m, {}}, 90, 90, -15},
        {"panel boresight", {nullptr, panel}, 0, 0, 0},
        {"panel right", {nullptr, panel}, 90, 0, -12},
        {"panel behind", {nullptr, panel}, 180, 0, -25},
        {"panel half beam down", {nullptr, panel}, 0, 3.6, -3},
        {"panel down", {nullptr, panel}, 0, 90, -20},
        {"panel up and right", {nullptr, panel}, -90, -90, -25},
        {"panel on its electrical tilt", {nullptr, tilted}, 0, 6, 0},
        {"stick behind", {nullptr, stick}, 180, 0, 0},
        {"stick half beam", {nullptr, stick}, 77, -12, -3},
        {"stick down", {nullptr, stick}, 0, 90, -20},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.beam.GainDb(c.phi, c.theta), c.db, 1e-12) << c.what;

    // Periodic interpolation across 0 of a cut that starts late.
    const PatternCut late{{10, 350}, {0, 8}};
    EXPECT_DOUBLE_EQ(CutLossDb(late, 0), 4);
    EXPECT_DOUBLE_EQ(CutLossDb(late, -10), 8);
    EXPECT_DOUBLE_EQ(CutLossDb(late, 725), 2);
}

TEST(Beam, DirectionsInTheAntennaFrame) {
    const double t = 10 * Pi / 180;
    struct Case {
        const char* what;
        double e, n, u, az, tilt, phi, theta;
    } cases[] = {
        {"ahead, facing east", 10, 0, 0, 90, 0, 0, 0},
        {"to the left, facing east", 0, 10, 0, 90, 0, -90, 0},
        {"to the right, facing north", 10, 0, 0, 0, 0, 90, 0},
        {"behind", 0, -5, 0, 0, 0, 180, 0},
        {"below", 0, 0, -3, 0, 0, 0, 90},
        {"above, tilted: behind the beam", 0, 0, 3, 0, 10, 180, -80},
        {"on the tilted beam", std::cos(t), 0, -std::sin(t), 90, 10, 0, 0},
        {"horizontal, tilted", 7, 0, 0, 90, 10, 0, -10},
    };
    for (const Case& c : cases) {
        const Direction d = DirectionInBeam(c.e, c.n, c.u, c.az, c.tilt);
        EXPECT_NEAR(d.phiDeg, c.phi, 1e-12) << c.what;
        EXPECT_NEAR(d.thetaDeg, c.theta, 1e-12) << c.what;
    }
}

TEST(Beam, DensityAndBoundaryFollowTheFarFieldFormula) {
    // 1.64 ERP / (4 pi r^2) is 13.05 P / r^2 in uW/cm^2.
    EXPECT_NEAR(FarFieldDensity(1500, 1, 1, 10), 13.0507 * 1500 / 100, 1e-2);
    EXPECT_DOUBLE_EQ(FarFieldDensity(2, 2.56, 0.5, 0.0), FarFieldDensity(2, 2.56, 0.5, 0.1));

    const AntennaPattern iso = brenvik::testing::IsotropicPattern();
    const double rIso = std::sqrt(2.56 * 1.64 * 1000 / (4 * Pi * 4.5));
    const BoundaryExtent b = ComplianceBoundary({&iso, {}}, 1000, 2.56, 4.5, 7);
    for (double d : {b.front, b.back, b.side, b.above, b.below})
        EXPECT_NEAR(d, rIso, 1e-12);

    // A parametric panel: the front is the boresight; behind, above and below
    // their axes (-25 and -20 dB) reach farther than any slanted direction.
    const double r0 = std::sqrt(1.64 * 1000 / (4 * Pi * 4.5));
    const BoundaryExtent p = ComplianceBoundary({nullptr, {}}, 1000, 1, 4.5, 0);
    EXPECT_NEAR(p.front, r0, 1e-12);
    EXPECT_NEAR(p.back, r0 * std::pow(10, -25.0 / 20), 1e-12);
    EXPECT_NEAR(p.above, r0 / 10, 1e-12);
    EXPECT_NEAR(p.below, r0 / 10, 1e-12);
    EXPECT_GT(p.side, r0 / 2); // near 45 deg, where 3 dB down meets cos 45
    EXPECT_LT(p.side, r0 * 0.51);
}

} // namespace
} // namespace brenvik::antenna
