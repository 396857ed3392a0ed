#include "model/Project.h"

#include "model/CrossingTable.h"
#include "model/Int16.h"

#include <gtest/gtest.h>

using namespace brenvik;

TEST(Project, DefaultGeometryDerivesFromFixedDrawingArea) {
    Project p;
    EXPECT_EQ(p.CellSize, 153);
    EXPECT_EQ(p.GridNY, 68);
    EXPECT_EQ(p.XZRowOffset, 7);
    EXPECT_DOUBLE_EQ(p.MetersPerUnit, 150.0 / 15360.0);
    EXPECT_EQ(p.GroundGrid.nx(), 100);
    EXPECT_EQ(p.GroundGrid.ny(), 68);
    EXPECT_EQ(p.Title(), "Brenvik 5.0 english []");

    p.GridNX = 2000;
    p.RecomputeDerived();
    EXPECT_EQ(p.CellSize, 7);
    EXPECT_EQ(p.GridNY, 1375);
}

TEST(Project, ResetKeepsScaleAndTowersButDropsTheWork) {
    Project p;
    p.PlanWidthM = 300;
    p.TowerCount = 4;
    p.AntennaCount = 3;
    p.XYCalculated = 1;
    p.OriginLat = 10;
    p.DisplayMode = ResultStyle::NumericalGrid;
    p.FileName = "a.bvk";
    p.Tools.arm(PointerToolKind::PlaceTower);
    p.GroundGrid(3, 4) = 12;
    p.Compliance.SiteName = "Cerro";
    p.ResetProject();
    EXPECT_EQ(p.AntennaCount, 0);
    EXPECT_EQ(p.Compliance, ComplianceSettings{});
    EXPECT_EQ(p.XYCalculated, 0);
    EXPECT_EQ(p.DisplayMode, ResultStyle::Isolines);
    EXPECT_EQ(p.OriginLat, 64.0);
    EXPECT_EQ(p.Tools.Active, PointerToolKind::Select);
    EXPECT_EQ(p.GroundGrid(3, 4), 0.0);
    EXPECT_EQ(p.PlanWidthM, 300);
    EXPECT_EQ(p.TowerCount, 4);
    EXPECT_EQ(p.FileName, "a.bvk");
}

TEST(CrossingTable, SharedCounterAcrossLevelsLeavesOtherRowsZero) {
    CrossingTable t;
    t.reset(3);
    t.append(1, 5, 6);
    t.append(1, 7, 8);
    t.append(3, 9, 10);
    EXPECT_EQ(t.slotMax(), 3);
    EXPECT_EQ(t.x(1, 2), 7);
    EXPECT_EQ(t.y(3, 3), 10);
    EXPECT_EQ(t.x(3, 1), 0);
    EXPECT_EQ(t.x(2, 2), 0);
    EXPECT_EQ(t.x(9, 1), 0);
}

TEST(Int16, CheckedArithmeticThrowsOnOverflow) {
    EXPECT_EQ(addInt16(32766, 1), 32767);
    EXPECT_THROW(addInt16(32767, 1), Int16Overflow);
    EXPECT_THROW(checkedInt16(-32769), Int16Overflow);
}
