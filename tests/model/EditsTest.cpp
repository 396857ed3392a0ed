#include "model/Edits.h"

#include "model/CrossingTable.h"
#include "model/ProjectFile.h"

#include <functional>
#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;

namespace {

// A project with a tower, some relief and a calculated plan.
Project WorkedProject() {
    Project p;
    p.EnsureAntennaSlots(1);
    p.AntennaCount = p.TowerCount = 1;
    p.Antennas[1].AntTower = 1;
    p.Antennas[1].AntX = 10 * p.CellSize;
    p.GroundGrid(4, 5) = 25.0;
    p.XY.Density(50, 30) = 10.0;
    p.XY.MaxDensity = 10.0;
    p.XY.Calculated = true;
    p.XY.IsolineLevel = {0, 5, 10};
    p.IsolineCount = 2;
    p.XY.Isolines.reset(2);
    p.XY.Isolines.append(1, 40, 30);
    p.FileName = "site.bvk";
    // The ground came from an elevation model, whose window places stand on.
    p.TerrainDatumM = 100.0;
    p.Dem = DemWindow{2, 2, {500000, 10, 0, 4500000, 0, -10}, {0, 1, 2, 3}, "LOCAL_CS[\"plan\"]"};
    return p;
}

// What an edit may reach: the stored project, and the open angles the file
// does not keep.
void ExpectSameWork(const Project& a, const Project& b, const std::string& what) {
    std::string ta, tb;
    ASSERT_TRUE(WriteProjectText(a, ta) && WriteProjectText(b, tb));
    EXPECT_TRUE(ta == tb && a.OpenAngleBTS == b.OpenAngleBTS && a.FileName == b.FileName) << what;
}

struct Action {
    const char* name;
    std::function<Edit(Project&)> record;
    std::function<void(Project&)> run; // as the program's own rule does it
};

TEST(Edit, EveryKindUndoesAndRedoesItsAction) {
    // clang-format off
    const Action actions[] = {
        {"place a tower", Edit::antennas, [](Project& p) {
             p.EnsureAntennaSlots(2);
             p.Antennas[2].AntTower = 2;
             p.Antennas[2].AntX = 30 * p.CellSize;
             p.AntennaCount = p.TowerCount = 2; }},
        {"erase discards the result", Edit::antennas,
         [](Project& p) { p.XY.Calculated = false; p.AntennaCount = 0; }},
        {"topographic rectangle", [](Project& p) { return Edit::groundRect(p, 6, 8, 3, -2); },
         [](Project& p) {
             for (int i = 3; i <= 6; ++i)
                 for (int j = 0; j <= 8; ++j)
                     p.GroundGrid(i, j) = 40.0; }},
        {"terrain imported again", [](Project& p) {
             return Edit::groundRect(p, 0, 0, p.GroundGrid.nx(), p.GroundGrid.ny()); },
         [](Project& p) {
             p.GroundGrid(4, 5) = 31.0;
             p.Dem->Heights = {5, 6, 7, 8};
             p.TerrainDatumM = 90.0; }},
        {"a rectangle drawn over the model", [](Project& p) { return Edit::groundRect(p, 1, 1, 2, 2); },
         [](Project& p) {
             p.GroundGrid(1, 1) = p.GroundGrid(2, 2) = 40.0;
             p.Dem.reset(); }},
        {"origin and antenna parameters", Edit::settings,
         [](Project& p) { p.OriginLat = 41.5; p.OpenAngleBTS = 7.0; }},
        {"grid size discards the result", Edit::gridSize, [](Project& p) {
             p.GridNX = 200;
             p.RecomputeDerived();
             p.GroundGrid = p.XY.Density = p.XZ.Density = Grid2D<double>(p.GridNX, p.GridNY);
             p.XY.Calculated = p.XZ.Calculated = false; }},
        {"a new scale resets the work", Edit::scaleReset,
         [](Project& p) { p.PlanWidthM = 300; p.FileName.clear(); p.ResetProject(); }},
        {"number of isolines", Edit::isolineCount, [](Project& p) {
             p.IsolineCount = 5;
             p.XY.IsolineLevel.assign(6, 0.0);
             p.XY.Isolines.reset(5); }},
        {"exposure model", Edit::settings, [](Project& p) {
             p.Exposure = {ExposureModel::FarField, 2.56}; }},
        {"an antenna given an imported pattern", Edit::antennas, [](Project& p) {
             p.Patterns.push_back({"P", "p.msi", "", 0, 0, 0, "", {{0}, {0}}, {{0}, {0}}});
             p.Antennas[1].AntPattern = "P"; }},
    };
    // clang-format on
    for (const Action& a : actions) {
        Project p = WorkedProject();
        const Project before = p;
        Edit e = a.record(p);
        a.run(p);
        const Project after = p;
        ASSERT_TRUE(e.after(p)) << a.name;
        e.undo(p);
        ExpectSameWork(p, before, a.name);
        e.redo(p);
        ExpectSameWork(p, after, a.name);
        e.undo(p);
        ExpectSameWork(p, before, a.name);
    }
}

TEST(Edit, RefusedOrIdleActionsLeaveNoRecordAndKeepTheProject) {
    Project p = WorkedProject();
    const Project before = p;
    EXPECT_FALSE(Edit::gridSize(p).after(p, false)); // refused: the grids come back
    EXPECT_FALSE(Edit::gridSize(p).after(p));        // the rule never replaced them
    EXPECT_FALSE(Edit::antennas(p).after(p));
    EXPECT_FALSE(Edit::groundRect(p, 500, 500, 600, 600).after(p));
    ExpectSameWork(p, before, "refused");
}

TEST(Edit, RecordsHoldWhatChangedNotTheProject) {
    Project p = WorkedProject();
    EXPECT_LT(Edit::groundRect(p, 0, 0, 1, 1).bytes(), 1024u);
    Edit grid = Edit::gridSize(p); // the three old grids of 101 × 69 nodes, moved
    p.GroundGrid = p.XY.Density = p.XZ.Density = Grid2D<double>(3, 2);
    ASSERT_TRUE(grid.after(p));
    EXPECT_NEAR(double(grid.bytes()), 3.0 * 101 * 69 * sizeof(double), 4096);
}

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
    EXPECT_EQ(
        std::tuple(p.AntennaCount, p.XY.Calculated, p.DisplayMode, p.OriginLat, p.GroundGrid(3, 4)),
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

} // namespace
