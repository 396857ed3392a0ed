// Typed and dragged positions are kept where the user put them; the tower's
// node is the one a click there would choose.
#include "calc/AntennaEdits.h"
#include "calc/CalcForms.h"
#include "calc/Exposure.h"
#include "calc/FarFieldHand.h"
#include "calc/GridCalc.h"

#include <cmath>
#include <gtest/gtest.h>

namespace brenvik {
namespace {

// One tower of two antennas on node (10, 20), one antenna on node (50, 40);
// the plan's origin at (1000 m, 2000 m). 150 m across 15360 units, a cell of
// 153 units.
Project Towers() {
    Project p;
    p.OriginX = 1000;
    p.OriginY = 2000;
    p.EnsureAntennaSlots(3);
    p.AntennaCount = 3;
    const int nodes[4][3] = {{}, {10, 20, 1}, {10, 20, 1}, {50, 40, 2}};
    for (int k = 1; k <= 3; ++k) {
        Antenna& a = p.Antennas[k];
        a.AntX = nodes[k][0] * 153.0;
        a.AntY = nodes[k][1] * 153.0;
        a.AntTower = static_cast<std::int16_t>(nodes[k][2]);
        a.AntHeight = 10;
        a.AntPower = 500;
    }
    return p;
}

constexpr double kMpu = 150.0 / 15360;

TEST(ExactEdits, TypedCoordinatesStayAsTypedAndPickTheClicksNode) {
    // Field, value typed (user's metres), the tower's node after (column, row).
    struct Case {
        AntennaField f;
        double value;
        double col, row;
    } const cases[] = {
        {AntennaField::XMetres, 1000 + 20.7, 13, 20},  // 2119.7 u: 13.85 cells east
        {AntennaField::YMetres, 2000 + 70.05, 10, 15}, // 9600 - 7173.1 u: 15.86 cells down
        {AntennaField::XMetres, 1000 + 15 * 153 * kMpu, 15, 20}, // on a grid line
    };
    for (const Case& c : cases) {
        Project p = Towers();
        ASSERT_FALSE(SetAntennaField(p, 2, c.f, c.value));
        EXPECT_NEAR(AntennaFieldValue(p, 2, c.f), c.value, 1e-9);
        for (int k : {1, 2}) {
            EXPECT_EQ(std::tuple(p.Antennas[k].AntX, p.Antennas[k].AntY),
                      std::tuple(c.col * 153, c.row * 153));
            EXPECT_NEAR(AntennaFieldValue(p, k, c.f), c.value, 1e-9);
        }
        // The other coordinate did not move.
        const AntennaField other =
            c.f == AntennaField::XMetres ? AntennaField::YMetres : AntennaField::XMetres;
        const double kept = other == AntennaField::XMetres ? 1000 + 10 * 153 * kMpu
                                                           : 2000 + (9600 - 20 * 153) * kMpu;
        EXPECT_NEAR(AntennaFieldValue(p, 1, other), kept, 1e-9);
        EXPECT_EQ(p.Antennas[3].AntExact, std::nullopt);
    }
}

TEST(ExactEdits, ADraggedTowerStandsAtThePointerAndTheFarFieldReadsIt) {
    Project p = Towers();
    p.Exposure.Model = ExposureModel::FarField;
    const PlanPosition at{31.25, 40.5};
    ASSERT_TRUE(MoveTower(p, 1, 20 * 153, 35 * 153, 1.0, at));
    for (int k : {1, 2})
        EXPECT_EQ(p.Antennas[k].AntExact, std::optional<PlanPosition>(at));
    // One antenna's density at a receptor, from the pointer's point.
    const double x = 30 * 153 * kMpu, y = 40 * 153 * kMpu, top = 9600 * kMpu;
    const double want =
        farfieldhand::Hand(p, p.Antennas[1], x - at.East, -(y - (top - at.North)), 1.5 - 10, 1.0);
    EXPECT_NEAR(AntennaDensityAt(p, 1, x, y, 10, 1.5), want, 1e-9 * want);
    // Antennas of a site standing apart move together: antenna 1 stood 0.4 m
    // east and 0.3 m south of antenna 2, and still does after antenna 2 is
    // dragged to (50.5, 60.25).
    p.Antennas[1].AntExact = PlanPosition{at.East + 0.4, at.North - 0.3};
    ASSERT_TRUE(MoveTower(p, 2, 32 * 153, 30 * 153, 1.0, PlanPosition{50.5, 60.25}));
    EXPECT_EQ(p.Antennas[2].AntExact, std::optional<PlanPosition>({50.5, 60.25}));
    ASSERT_TRUE(p.Antennas[1].AntExact);
    EXPECT_NEAR(p.Antennas[1].AntExact->East, 50.9, 1e-9);
    EXPECT_NEAR(p.Antennas[1].AntExact->North, 59.95, 1e-9);
    // A move without a point puts it back on its node.
    ASSERT_TRUE(MoveTower(p, 1, 21 * 153, 35 * 153, 1.0));
    EXPECT_EQ(p.Antennas[2].AntExact, std::nullopt);
}

TEST(ExactEdits, ASectionThroughAnAntennaPassesWhereItsModelPlacesIt) {
    // Antenna 3 stands at 50.7 columns east and 40.3 rows down, off its node
    // (50, 40); in the user's metres x = 1000 + 50.7 * 1.494140625 and
    // y = 2000 + (9600 - 40.3 * 153) * 150 / 15360.
    for (const auto& [model, col, row] : {std::tuple(ExposureModel::FarField, 50.7, 40.3),
                                          std::tuple(ExposureModel::Specified, 50.0, 40.0)}) {
        Project p = Towers();
        p.Exposure.Model = model;
        p.Antennas[3].AntExact = PlanPosition{50.7 * 153 * kMpu, (9600 - 40.3 * 153) * kMpu};
        ASSERT_FALSE(SetSectionThrough(p, 3));
        const SectionLine l = SectionLineOf(p);
        EXPECT_NEAR(l.atX, 1000 + col * 153 * kMpu, 1e-9) << col;
        EXPECT_NEAR(l.atY, 2000 + (9600 - row * 153) * kMpu, 1e-9) << row;
    }
}

} // namespace
} // namespace brenvik
