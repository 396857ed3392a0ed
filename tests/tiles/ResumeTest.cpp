#include "tilescli/Resume.h"

#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"
#include "tilescli/TilesOptions.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using namespace brenvik::tilescli;
using brenvik::testing::TempDir;
namespace fs = std::filesystem;

TEST(Resume, ArraysStayBelowTheLargestArraySize) {
    struct Case {
        std::vector<std::int64_t> indices;
        std::int64_t max;
        std::vector<ArrayChunk> chunks;
    };
    std::vector<std::int64_t> all(35);
    for (std::int64_t k = 0; k < 35; ++k)
        all[static_cast<std::size_t>(k)] = k;
    const std::vector<Case> cases{
        {all, 16, {{0, "0-15", 16}, {16, "0-15", 16}, {32, "0-2", 3}}},
        {all, 1001, {{0, "0-34", 35}}},
        {{3, 5, 6, 7, 17, 31, 32}, 16, {{0, "3,5-7", 4}, {16, "1,15", 2}, {32, "0", 1}}},
        // A run of tiles across an array's end is cut there.
        {{15, 16}, 16, {{0, "15", 1}, {16, "0", 1}}},
        {{2, 3}, 1, {{2, "0", 1}, {3, "0", 1}}},
        {{1500, 1501, 2002}, 1001, {{1001, "499-500", 2}, {2002, "0", 1}}},
        {{}, 16, {}},
        {{1, 2}, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitArrays(c.indices, c.max), c.chunks) << "max " << c.max;
}

TEST(Resume, BudgetOfTheHeaviestTileToDo) {
    Manifest m;
    m.standard = "icnirp-2020"; // two bands
    m.terrain = "/dem.tif";     // a double of ground per pixel
    TileEntry light, heavy;
    light.window = {0, 0, 100, 50};
    light.antennaCount = 3;
    heavy.window = {100, 0, 4000, 3000};
    heavy.antennaCount = 100;
    m.tiles = {light, heavy};
    // 12e6 pixels of 2 floats and a double: 192e6 bytes; the manifest 8 x 2e8;
    // 256 MiB besides: 2,060,435,456 bytes, 1964.98 MiB. Time: 1.2e9 pairs at
    // 2e6 a core on 4 cores, 150 s, plus 2e8 bytes read at 20e6 a second, 10 s;
    // twice 160 s is 5.33 min, so 6, plus 10.
    const TaskBudget both = EstimateTask(m, {0, 1}, 200'000'000, 4);
    EXPECT_EQ(both.memoryMiB, 1965u);
    EXPECT_EQ(both.minutes, 16);
    EXPECT_EQ(both.pairs, 1'200'000'000u);
    // Only the tiles still to do count: 5000 pixels x 16 bytes + 8e6 +
    // 256 MiB is 263.7 MiB; 15000 pairs and 1e6 bytes take seconds.
    const TaskBudget light0 = EstimateTask(m, {0}, 1'000'000, 4);
    EXPECT_EQ(light0.memoryMiB, 264u);
    EXPECT_EQ(light0.minutes, 11);
    EXPECT_EQ(EstimateTask(m, {}, 1'000'000, 4).memoryMiB, 0u);
    // Envelope tables add the most any listed tile makes, not the heaviest
    // tile's: 2,060,435,456 + 64 MiB is 2028.98 MiB; + 10,393,936, 1974.90.
    m.tiles[0].envelopeBytes = 64ull << 20;
    m.tiles[1].envelopeBytes = 10'393'936;
    EXPECT_EQ(EstimateTask(m, {0, 1}, 200'000'000, 4).memoryMiB, 2029u);
    EXPECT_EQ(EstimateTask(m, {1}, 200'000'000, 4).memoryMiB, 1975u);
}

TEST(Resume, FindsMissingDamagedAndStaleTilesAndNothingOnceRun) {
    TempDir dir;
    const std::string plan = dir.file("plan");
    const PlanResult p = MakePlan(Options(WriteSites(dir), "", 40.0, 16), Limits());
    ASSERT_TRUE(p.manifest) << p.error;
    ASSERT_FALSE(WritePlan(*p.manifest, plan));
    ASSERT_EQ(p.manifest->tiles.size(), 6u);
    for (int k : {0, 1, 3, 4, 5})
        ASSERT_EQ(RunTile(plan, k, {}).outcome, TileOutcome::Written) << k;
    // Tile 4 cut short, tile 5 replaced by another tile's file.
    const std::string four = TilePath(plan, 4);
    fs::resize_file(four, fs::file_size(four) - 64);
    fs::copy_file(TilePath(plan, 1), TilePath(plan, 5), fs::copy_options::overwrite_existing);

    const ResumeScan scan = ScanTiles(plan, 1);
    ASSERT_TRUE(scan.error.empty()) << scan.error;
    EXPECT_EQ(scan.tiles, 6);
    ASSERT_EQ(scan.todo.size(), 3u);
    const std::vector<std::pair<std::int64_t, TileState>> expected{
        {2, TileState::Missing}, {4, TileState::Damaged}, {5, TileState::Stale}};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(scan.todo[k].index, expected[k].first);
        EXPECT_EQ(scan.todo[k].state, expected[k].second) << scan.todo[k].why;
    }
    const std::string head = "mem_mib " + std::to_string(scan.budget.memoryMiB) + "\ntime_min " +
                             std::to_string(scan.budget.minutes) + "\n";
    EXPECT_EQ(ResumeReport(scan, 1001), head + "array 0 2,4-5\n");
    EXPECT_EQ(ResumeReport(scan, 4), head + "array 0 2\narray 4 0-1\n");

    for (const TileToDo& t : scan.todo)
        ASSERT_EQ(RunTile(plan, static_cast<int>(t.index), {}).outcome, TileOutcome::Written)
            << t.index;
    const ResumeScan after = ScanTiles(plan, 1);
    EXPECT_TRUE(after.todo.empty());
    EXPECT_EQ(ResumeReport(after, 16), "mem_mib 0\ntime_min 0\n");
    EXPECT_FALSE(MosaicTiles(plan, dir.file("map.tif"), {}));

    EXPECT_NE(ScanTiles(dir.file("nowhere"), 1).error, "");
}
