#include "compliance/Boundaries.h"

#include "calc/GridCalc.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Summary.h"
#include "model/ResultStamp.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

constexpr double kLimit = 4.5; // W/m^2

// One isotropic antenna of 1000 W at node (50, 30), 10 m up, in a
// far-field project with the plan calculated at `height`.
Project Isotropic(double reflection, double height) {
    Project p;
    p.Exposure = {ExposureModel::FarField, reflection};
    p.Patterns = {brenvik::testing::IsotropicPattern()};
    Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1000, 10, 90, 50, 30);
    a.AntTilt = 6;
    a.AntPattern = "iso";
    p.CalcHeight = height;
    brenvik::testing::BlankResult(p, Plane::XY);
    return p;
}

double IsoRadius(double reflection) {
    return std::sqrt(reflection * 1.64 * 1000 / (4 * std::numbers::pi * kLimit));
}

} // namespace

TEST(Boundaries, PlanTraceOfAnIsotropicAntennaIsTheSphereCutAtThePlaneHeight) {
    for (const auto& [rf, height] : {std::pair{1.0, 10.0}, {2.56, 8.0}, {1.0, 7.0}}) {
        const Project p = Isotropic(rf, height);
        const double side = p.CellSize * p.MetersPerUnit;
        const double u = height - 10, expected = std::sqrt(IsoRadius(rf) * IsoRadius(rf) - u * u);
        const PlaneTraces t = PlanTraces(p, {0, kLimit});
        ASSERT_EQ(t.boundaries.size(), 1u);
        ASSERT_GT(t.boundaries[0].pieces.size(), 40u);
        for (const auto& [a, b] : t.boundaries[0].pieces)
            for (const Trace::Point q : {a, b})
                EXPECT_NEAR(std::hypot((q.i - 50) * side, (q.j - 30) * side), expected, 2e-3);
        EXPECT_TRUE(InsideBoundary(p, 1, kLimit, 50 * side + expected - 0.01, 30 * side, height));
        EXPECT_FALSE(InsideBoundary(p, 1, kLimit, 50 * side + expected + 0.01, 30 * side, height));
    }
    // A plane above the boundary's top misses it.
    EXPECT_TRUE(
        PlanTraces(Isotropic(1, 10 + IsoRadius(1) + 0.1), {0, kLimit}).boundaries[0].empty());
}

TEST(Boundaries, CrossingSplitsTheAreaAboveTheLimitAtTheBoundary) {
    Project p = Isotropic(1, 10); // radius 5.39 m, the nodes 1.49 m apart
    const double cellArea = std::pow(p.CellSize * p.MetersPerUnit, 2);
    p.XY.Ratio(51, 30) = 3.0; // 1.5 m from the antenna: inside
    p.XY.Ratio(54, 30) = 1.2; // 6.0 m: outside
    p.XY.Ratio(60, 30) = 0.7;
    const auto c = PlanCrossing(p, {0, kLimit});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->antennas, std::vector<int>{1});
    EXPECT_NEAR(c->areaAboveM2, 2 * cellArea, 1e-9);
    EXPECT_NEAR(c->areaAboveInsideM2, cellArea, 1e-9);
    EXPECT_DOUBLE_EQ(c->maxOutsidePercent, 120.0);
    // Only the node of 120 % lies above the limit outside the boundary.
    EXPECT_EQ(PlaneVerdictText(300, c->areaAboveM2, c),
              "exceeds the limit outside the compliance boundaries over 2.2 m^2, maximum there "
              "120 %");
    p.XY.Ratio(54, 30) = 0.9;
    EXPECT_EQ(PlaneVerdictText(300, c->areaAboveM2, PlanCrossing(p, {0, kLimit})),
              "complies outside the compliance boundaries: maximum there 90.0 % of the limit");
}

TEST(Boundaries, SectionTraceAndDrawingFollowTheResultGrids) {
    // The section through the antenna's row: the circle of the sphere's
    // radius about the antenna, stored row j standing (ny - offset - 2 - j)
    // cells above the height frame's zero.
    Project p = Isotropic(1, 10);
    p.XZ.Calculated = true;
    // The far-field section lies where it is asked for: y = 9600 - 30 cells
    // up from the exports' zero line, the antenna's row.
    p.XZDistance = (9600 - 30 * p.CellSize) * p.MetersPerUnit;
    const double side = p.CellSize * p.MetersPerUnit;
    const double top = p.GridNY - p.XZRowOffset - 2;
    const PlaneTraces t = SectionTraces(p, {0, kLimit});
    ASSERT_GT(t.boundaries.at(0).pieces.size(), 40u);
    for (const auto& [a, b] : t.boundaries[0].pieces)
        for (const Trace::Point q : {a, b})
            EXPECT_NEAR(std::hypot((q.i - 50) * side, (top - q.j) * side - 10), IsoRadius(1), 2e-3);

    // Drawn over a far-field result, or when asked, at the middle of the
    // node's cell.
    for (const auto& [m, asked] : {std::pair{ExposureModel::Specified, false},
                                   {ExposureModel::Specified, true},
                                   {ExposureModel::FarField, false}}) {
        p.Exposure.Model = m;
        p.CurrentPlane = Plane::XY;
        render::RecordingSurface s;
        DrawTraces(p, s, {0, kLimit}, asked);
        const auto lines = s.ofKind(render::Primitive::Kind::Line);
        EXPECT_EQ(lines.empty(), m == ExposureModel::Specified && !asked);
        for (const auto& l : lines)
            EXPECT_NEAR(std::hypot(l.x1 - 50.5 * p.CellSize, l.y1 - 30.5 * p.CellSize) *
                            p.MetersPerUnit,
                        IsoRadius(1), 2e-3);
    }
}

TEST(Boundaries, OneAntennaAloneExceedsItsLimitOnlyInsideItsBoundary) {
    // The calculation's own ratio of a single antenna against the boundary's
    // geometry, on both planes: every node above 100 % lies inside, none
    // outside reaches 100 %. A panel's parametric beam, tilted.
    Project p = Isotropic(2.56, 9);
    p.Antennas[1].AntPattern.clear();
    p.Patterns.clear();
    p.XZDistance = (9600 - 31 * p.CellSize) * p.MetersPerUnit; // one row off the antenna
    CalcControl ctl;
    ctl.inverseLimit = {0, 1 / (kLimit * 100)};
    ASSERT_TRUE(RunXYCalculation(p, ctl).ok());
    ASSERT_TRUE(RunXZCalculation(p, ctl).ok());
    for (const auto& c : {PlanCrossing(p, {0, kLimit}), SectionCrossing(p, {0, kLimit})}) {
        ASSERT_TRUE(c);
        EXPECT_GT(c->areaAboveM2, 0.0);
        EXPECT_DOUBLE_EQ(c->areaAboveInsideM2, c->areaAboveM2);
        EXPECT_LE(c->maxOutsidePercent, 100.0 + 1e-9);
    }
}
