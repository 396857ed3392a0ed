#include "model/Project.h"

#include "model/CrossingTable.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;

TEST(Project, ResetKeepsScaleAndTowersButDropsTheWork) {
    Project p;
    p.PlanWidthM = 300;
    p.TowerCount = 4;
    p.AntennaCount = 3;
    p.XY.Calculated = true;
    p.OriginLat = 10;
    p.DisplayMode = ResultStyle::NumericalGrid;
    p.FileName = "a.bvk";
    p.GroundGrid(3, 4) = 12;
    p.Compliance.SiteName = "Cerro";
    p.ResetProject();
    EXPECT_EQ(p.Compliance, ComplianceSettings{});
    EXPECT_EQ(std::tuple(p.AntennaCount, p.XY.Calculated, p.DisplayMode, p.OriginLat,
                         p.GroundGrid(3, 4)),
              std::tuple(0, false, ResultStyle::Isolines, 64.0, 0.0));
    EXPECT_EQ(std::tuple(p.PlanWidthM, p.TowerCount, p.FileName), std::tuple(300, 4, "a.bvk"));
}

TEST(CrossingTable, SharedCounterAcrossLevelsLeavesOtherRowsZero) {
    CrossingTable t;
    t.reset(3);
    t.append(1, 5, 6);
    t.append(1, 7, 8);
    t.append(3, 9, 10);
    EXPECT_EQ(std::tuple(t.slotMax(), t.x(1, 2), t.y(3, 3), t.x(3, 1), t.x(2, 2), t.x(9, 1)),
              std::tuple(3, 7, 10, 0, 0, 0));
}

