#include "calc/CalcForms.h"
#include "calc/CalcTestSupport.h"
#include "calc/FarFieldHand.h"
#include "calc/GridCalc.h"
#include "model/ResultStamp.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>
#include <string>

using namespace brenvik;
using calctest::AddTower;
using calctest::Control;

namespace {

std::string Fixed2(double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.2f", v);
    return b;
}

} // namespace

TEST(Section, AlongXLiesWhereItsCaptionAndItsNodesSay) {
    // The exports' frame: y = OriginY + (9600 - drawing y) * mpu. The
    // program's beam model computes on grid row floor((cell + 9345 - D / mpu)
    // / cell); the far-field model on y = OriginY + D itself.
    struct Case {
        ExposureModel model;
        double distance, originY;
    };
    for (const Case c : {Case{ExposureModel::Specified, 48.5, 0.0},
                         {ExposureModel::Specified, 40.0, 1000.25},
                         {ExposureModel::Specified, 12.3, -7.5},
                         {ExposureModel::FarField, 48.5, 0.0},
                         {ExposureModel::FarField, 40.0, 1000.25}}) {
        Project p;
        p.Exposure.Model = c.model;
        p.OriginY = c.originY;
        p.OriginX = 500;
        AddTower(p, 50, 30, AntennaKind::Panel, 12, 5, 180);
        ASSERT_FALSE(SetSectionDistance(p, c.distance));
        ASSERT_TRUE(RunXZCalculation(p, Control(2)).ok());
        const double mpu = p.MetersPerUnit, cell = p.CellSize;
        const double row = std::floor((cell + 9345 - c.distance / mpu) / cell);
        const double want = c.model == ExposureModel::FarField
                                ? c.originY + c.distance
                                : c.originY + (9600 - row * cell) * mpu;
        const SectionLine l = SectionLineOf(p);
        EXPECT_NEAR(l.y, want, 1e-3) << c.distance;
        const std::string caption = SectionCaption(p);
        EXPECT_EQ(caption.rfind("section at y = " + Fixed2(want) + " m", 0), 0u) << caption;
        // A grid row away from the line asked for says so.
        const bool moved = Fixed2(want) != Fixed2(c.originY + c.distance);
        EXPECT_EQ(caption.find("(requested y = " + Fixed2(c.originY + c.distance) +
                               " m: grid row)") != std::string::npos,
                  moved)
            << caption;
        EXPECT_EQ(moved, c.model == ExposureModel::Specified) << caption;
        // Every node of the result on that line, column i at x = OriginX + i cells.
        for (int i : {0, 17, int{p.GridNX}}) {
            const auto n = SectionNodeAt(p, l, i, 3);
            ASSERT_TRUE(n);
            EXPECT_NEAR(n->y, want, 1e-3);
            EXPECT_NEAR(n->x, 500 + i * cell * mpu, 1e-3);
        }
    }
}

TEST(Section, ThroughATiltedPanelFollowsItsBeamAndCrossesTheLimitAtItsFrontExtent) {
    // One parametric panel, turned to 120 deg and tilted 8 deg down, alone
    // against a limit of 10 W/m^2 (1000 uW/cm^2): its boundary reaches
    // r = sqrt(1.64 P / (4 pi S_L)) along the beam's peak, whose horizontal
    // reach is r cos 8 deg.
    Project p;
    p.Exposure.Model = ExposureModel::FarField;
    p.OriginX = 300;
    p.OriginY = 200;
    AddTower(p, 30, 35, AntennaKind::Panel, 30, 8, 120, 20000);
    Antenna& a = p.Antennas[1];
    a.AntHBeamwidthDeg = 65;
    a.AntVBeamwidthDeg = 10;
    ASSERT_EQ(SetSectionThrough(p, 2), "Distance not allowed");
    ASSERT_FALSE(SetSectionThrough(p, 1));
    ASSERT_TRUE(RunXZCalculation(p, Control(2, false, {0.0, 1.0 / 1000})).ok());

    const double pi = std::numbers::pi, az = 120 * pi / 180, t = 8 * pi / 180;
    const double mpu = p.MetersPerUnit, step = p.CellSize * mpu;
    const double xs = a.AntX * mpu, ys = a.AntY * mpu; // plan metres, y down
    const SectionLine l = SectionLineOf(p);
    ASSERT_TRUE(l.through);
    // At the user's coordinates: the antenna, and a point d metres along the
    // azimuth (east sin az, north cos az).
    const double ax = 300 + xs, ay = 200 + 9600 * mpu - ys;
    const int top = SectionTopRow(p);
    struct Probe {
        int column, row;
    };
    for (const Probe q : {Probe{l.centre, 4}, {l.centre + 9, 10}, {l.centre - 6, 20}, {int{p.GridNX}, 2}}) {
        const auto n = SectionNodeAt(p, l, q.column, q.row);
        ASSERT_TRUE(n);
        const double d = (q.column - l.centre) * step;
        EXPECT_NEAR(n->d, d, 1e-9);
        EXPECT_NEAR(n->x, ax + d * std::sin(az), 1e-3);
        EXPECT_NEAR(n->y, ay + d * std::cos(az), 1e-3);
        // The density there against the far-field formula.
        const double z = (top - q.row) * step;
        EXPECT_NEAR(n->z, z, 1e-9);
        const double want = farfieldhand::Hand(p, a, d * std::sin(az), d * std::cos(az),
                                               z - a.AntHeight, 1.0);
        EXPECT_NEAR(p.XZ.Density(q.column, q.row), want, 1e-9 * want) << q.column << "," << q.row;
    }
    // The farthest node in front at or above the limit, over every height.
    double reach = -1;
    for (int i = l.centre; i <= p.GridNX; ++i)
        for (int j = 0; j <= top; ++j)
            if (p.XZ.Ratio(i, j) >= 1.0) reach = std::max(reach, (i - l.centre) * step);
    const double front = std::sqrt(1.64 * 20000 / (4 * pi * 10)) * std::cos(t);
    ASSERT_GT(front, 10 * step); // the boundary spans many columns
    EXPECT_LE(reach, front + 1e-9);
    EXPECT_GT(reach, front - step);
}

TEST(Section, AResultIsOutOfDateOnceItsSectionMoves) {
    // What each section's result was computed for: a grid row, a far-field
    // line, an antenna.
    Project p;
    AddTower(p, 50, 30, AntennaKind::Panel, 12, 5, 180);
    AddTower(p, 20, 40, AntennaKind::Panel, 12, 5, 90);
    struct Case {
        ExposureModel model;
        int through;
        double distance, movedTo;
        bool stale;
    };
    for (const Case c : {Case{ExposureModel::Specified, 0, 40.0, 40.3, false}, // same row
                         {ExposureModel::FarField, 0, 40.0, 40.3, true},
                         {ExposureModel::FarField, 1, 40.0, 40.0, false}}) {
        p.Exposure.Model = c.model;
        ASSERT_FALSE(SetSectionDistance(p, c.distance));
        if (c.through) {
            ASSERT_FALSE(SetSectionThrough(p, c.through));
        }
        ASSERT_TRUE(RunXZCalculation(p, Control(1)).ok());
        ASSERT_TRUE(ResultCurrent(p, Plane::XZ));
        const std::int64_t row = p.XZPlaneRow;
        p.XZDistance = c.movedTo;
        EXPECT_EQ(ResultStale(p, Plane::XZ), c.stale);
        if (c.through) {
            p.XZThrough = 2;
            EXPECT_TRUE(ResultStale(p, Plane::XZ));
            p.XZThrough = 0;
            EXPECT_TRUE(ResultStale(p, Plane::XZ));
        } else {
            ASSERT_EQ(row, p.XZPlaneRow);
        }
    }
}
