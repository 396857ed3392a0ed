#include "model/Edits.h"

#include <functional>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// A project with a tower, some relief and a calculated plan.
Project workedProject() {
    Project p;
    p.EnsureAntennaSlots(1);
    p.AntennaCount = p.TowerCount = 1;
    p.Antennas[1].AntTower = 1;
    p.Antennas[1].AntX = 10 * p.CellSize;
    p.GroundGrid(4, 5) = 25.0;
    p.DensityGrid(50, 30) = 10.0;
    p.MaxDensity = 10.0;
    p.XYCalculated = 1;
    p.IsolineLevel = {0, 5, 10};
    p.IsolineCount = 2;
    p.Isolines.reset(2);
    p.Isolines.append(1, 40, 30);
    return p;
}

// The items an edit may reach, compared between two projects.
void expectSameWork(const Project& a, const Project& b, const std::string& what) {
    EXPECT_EQ(a.Antennas, b.Antennas) << what;
    EXPECT_EQ(a.AntennaCount, b.AntennaCount) << what;
    EXPECT_EQ(a.TowerCount, b.TowerCount) << what;
    EXPECT_TRUE(a.GroundGrid == b.GroundGrid) << what;
    EXPECT_TRUE(a.DensityGrid == b.DensityGrid) << what;
    EXPECT_EQ(a.XYCalculated, b.XYCalculated) << what;
    EXPECT_EQ(a.GridNX, b.GridNX) << what;
    EXPECT_EQ(a.CellSize, b.CellSize) << what;
    EXPECT_EQ(a.IsolineCount, b.IsolineCount) << what;
    EXPECT_TRUE(a.Isolines == b.Isolines) << what;
    EXPECT_EQ(a.OriginLat, b.OriginLat) << what;
    EXPECT_EQ(a.OpenAngleBTS, b.OpenAngleBTS) << what;
}

struct Action {
    const char* name;
    std::function<Edit(Project&)> record;
    std::function<void(Project&)> run; // as the program's own rule does it
};

TEST(Edit, EveryKindUndoesAndRedoesItsAction) {
    const Action actions[] = {
        {"place a tower", Edit::antennas,
         [](Project& p) {
             p.EnsureAntennaSlots(2);
             p.Antennas[2].AntTower = 2;
             p.Antennas[2].AntX = 30 * p.CellSize;
             p.AntennaCount = p.TowerCount = 2;
         }},
        {"erase discards the result", Edit::antennas,
         [](Project& p) {
             p.XYCalculated = 0;
             p.AntennaCount = 0;
         }},
        {"topographic rectangle", [](Project& p) { return Edit::groundRect(p, 6, 8, 3, -2); },
         [](Project& p) {
             for (int i = 3; i <= 6; ++i)
                 for (int j = 0; j <= 8; ++j)
                     p.GroundGrid(i, j) = 40.0;
         }},
        {"origin and antenna parameters", Edit::settings,
         [](Project& p) {
             p.OriginLat = 41.5;
             p.OpenAngleBTS = 7.0;
         }},
        {"grid size discards the result", Edit::gridSize,
         [](Project& p) {
             p.GridNX = 200;
             p.RecomputeDerived();
             p.GroundGrid = Grid2D<double>(p.GridNX, p.GridNY);
             p.DensityGrid = Grid2D<double>(p.GridNX, p.GridNY);
             p.XZDensityGrid = Grid2D<double>(p.GridNX, p.GridNY);
             p.XYCalculated = p.XZCalculated = 0;
         }},
        {"number of isolines", Edit::isolineCount,
         [](Project& p) {
             p.IsolineCount = 5;
             p.IsolineLevel.assign(6, 0.0);
             p.Isolines.reset(5);
         }},
    };
    for (const Action& a : actions) {
        Project p = workedProject();
        const Project before = p;
        Edit e = a.record(p);
        a.run(p);
        const Project after = p;
        ASSERT_TRUE(e.after(p)) << a.name;
        e.undo(p);
        expectSameWork(p, before, a.name);
        e.redo(p);
        expectSameWork(p, after, a.name);
        e.undo(p);
        expectSameWork(p, before, a.name);
    }
}

TEST(Edit, RefusedOrIdleActionsLeaveNoRecordAndKeepTheProject) {
    Project p = workedProject();
    const Project before = p;
    Edit grid = Edit::gridSize(p);
    EXPECT_FALSE(grid.after(p, false)); // refused: the grids come back
    expectSameWork(p, before, "refused grid size");
    Edit same = Edit::gridSize(p);
    EXPECT_FALSE(same.after(p)); // the rule never replaced the grids
    expectSameWork(p, before, "grids not replaced");
    Edit idle = Edit::antennas(p);
    EXPECT_FALSE(idle.after(p));
    Edit outside = Edit::groundRect(p, 500, 500, 600, 600);
    EXPECT_FALSE(outside.after(p));
}

TEST(Edit, RecordsHoldWhatChangedNotTheProject) {
    Project p = workedProject();
    Edit rect = Edit::groundRect(p, 0, 0, 1, 1);
    EXPECT_LT(rect.bytes(), 1024u);
    Edit grid = Edit::gridSize(p);
    p.GroundGrid = p.DensityGrid = p.XZDensityGrid = Grid2D<double>(3, 2);
    ASSERT_TRUE(grid.after(p));
    // The three old grids of 101 × 69 nodes, moved into the record.
    EXPECT_GE(grid.bytes(), 3u * 101 * 69 * sizeof(double));
    EXPECT_LT(grid.bytes(), 4u * 101 * 69 * sizeof(double));
}

} // namespace
