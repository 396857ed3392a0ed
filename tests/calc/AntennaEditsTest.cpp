#include "calc/AntennaEdits.h"

#include <gtest/gtest.h>
#include <tuple>

namespace brenvik {
namespace {

// Four antennas at x = 100; the third differs in direction only, the fourth
// stands at x = 200; the second was placed at 200 %.
Project FourAntennas() {
    Project p;
    p.EnsureAntennaSlots(4);
    p.AntennaCount = 4;
    for (int k = 1; k <= 4; ++k) {
        p.Antennas[k].AntX = 100;
        p.Antennas[k].AntY = 50;
        p.Antennas[k].AntFactor = 1.0;
        p.Antennas[k].AntTower = 1;
    }
    p.Antennas[3].AntDirection = 180;
    p.Antennas[4].AntX = 200;
    return p;
}

TEST(AntennaEdits, DuplicatesGoAndDistinctRecordsStayInOrder) {
    Project p = FourAntennas();
    p.Antennas[4].AntX = 100; // now equal to the first
    const std::size_t bound = p.Antennas.size();
    RemoveDuplicateAntennas(p);
    EXPECT_EQ(std::tuple(p.AntennaCount, p.Antennas[1].AntDirection, p.Antennas[2].AntDirection,
                         p.Antennas.size()),
              std::tuple(2, 0.0, 180.0, bound));
}

TEST(AntennaEdits, EraseTakesEveryRecordOnTheSpotAtTheCurrentZoom) {
    // Zoom, x erased at, records removed, x of the first record left.
    for (auto [zoom, x, removed, firstLeftX] : {
             std::tuple{1.0, 100.0, 3, 200.0}, // all three at x = 100; the later record moves down
             {1.0, 300.0, 0, 100.0},           // nothing there
             {2.0, 100.0, 0, 100.0},           // placed at another zoom
         }) {
        Project p = FourAntennas();
        p.Zoom = zoom;
        const std::size_t bound = p.Antennas.size();
        const int erased = EraseAntennasAt(p, x, 50);
        EXPECT_EQ(std::tuple(erased, p.AntennaCount, p.Antennas[1].AntX, p.Antennas.size()),
                  std::tuple(removed, 4 - removed, firstLeftX, bound))
            << x << " " << zoom;
    }
}

// Two towers: slots 1-2 are tower 1 at (0, 0), slot 3 is tower 2 at one cell right.
Project TwoTowers() {
    Project p;
    p.EnsureAntennaSlots(3);
    p.AntennaCount = 3;
    for (int k = 1; k <= 3; ++k)
        p.Antennas[k].AntTower = k < 3 ? 1 : 2;
    p.Antennas[3].AntX = p.CellSize;
    p.XY.Calculated = p.XZ.Calculated = true;
    return p;
}

TEST(TowerEdits, HitMoveAndEraseReachTheWholeTower) {
    Project p = TwoTowers();
    const double cs = p.CellSize;
    EXPECT_EQ(std::tuple(AntennaAtPlan(p, cs / 2, cs / 2), AntennaAtPlan(p, cs * 1.5, 1),
                         AntennaAtPlan(p, cs * 3, 1)),
              std::tuple(1, 3, 0));
    EXPECT_EQ(TowerSlots(p, 2), (std::vector<int>{1, 2}));
    // Standing 100 units above its node, tower 2 is hit where it is drawn.
    Antenna& between = p.Antennas[3];
    between.AntExact = PlanPosition{between.AntX * p.MetersPerUnit,
                                    (PlanZeroY - (between.AntY - 100.0)) * p.MetersPerUnit};
    EXPECT_EQ(
        std::pair(AntennaAtPlan(p, cs * 1.5, -100 + cs / 2), AntennaAtPlan(p, cs * 1.5, cs - 50)),
        std::pair(3, 0));
    between.AntExact.reset();

    EXPECT_FALSE(MoveTower(p, 1, cs, 0, 1.0)); // tower 2 stands there
    EXPECT_EQ(p.XY.Calculated, 1);
    ASSERT_TRUE(MoveTower(p, 1, 4 * cs, 2 * cs, 1.0));
    EXPECT_EQ(
        std::tuple(p.Antennas[2].AntX, p.Antennas[2].AntCellY, p.XY.Calculated + p.XZ.Calculated),
        std::tuple(4 * cs, 2, 0));

    EXPECT_EQ(EraseTower(p, 2), 2);
    ASSERT_EQ(p.AntennaCount, 1);
    EXPECT_EQ(p.Antennas[1].AntTower, 2);
}

TEST(TowerEdits, FieldEditsCheckTheRangeAndNameTheField) {
    // The field, the value typed, the refusal (nullptr: accepted).
    for (auto [field, value, refusal] : {
             std::tuple<AntennaField, double, const char*>{
                 AntennaField::FrequencyMHz, 1e9, "Frequency (MHz): between 0.1 and 300000"},
             {AntennaField::FrequencyMHz, 1800, nullptr},
             {AntennaField::Tilt, -90, "Tilt (degrees): between -85 and 85"},
             {AntennaField::Power, -5, "Power (W): between 0 and 10000000"},
             {AntennaField::Height, 30, nullptr},
         }) {
        Project p = TwoTowers();
        const auto r = SetAntennaField(p, 3, field, value);
        if (refusal) {
            EXPECT_EQ(std::tuple(r.value_or(""), p.XY.Calculated), std::tuple(refusal, 1));
        } else {
            EXPECT_FALSE(r);
            EXPECT_EQ(std::tuple(AntennaFieldValue(p, 3, field), p.XY.Calculated),
                      std::tuple(value, 0));
        }
    }
    // A position in metres on another tower's node is refused.
    Project p = TwoTowers();
    EXPECT_EQ(SetAntennaField(p, 3, AntennaField::XMetres, p.OriginX).value_or(""),
              "Please eliminate first the source located in this point");
}

} // namespace
} // namespace brenvik
