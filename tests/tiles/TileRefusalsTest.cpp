#include "gis/GdalErrors.h"
#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"

#include <climits>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::TempDir;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

// About 0.9 by 0.6 degrees around Paris: a region, not a town.
constexpr std::array<double, 4> kRegion{2.1, 48.6, 3.0, 49.2};

// A plan of the test sites with every antenna kept, so that the manifest has
// patterns, panels and a stick to tamper with.
Manifest SmallPlan(const TempDir& dir) {
    const PlanResult r = MakePlan(Options(WriteSites(dir), WriteDem(dir), 40, 16, 0.0), Limits());
    EXPECT_TRUE(r.manifest) << r.error;
    return r.manifest.value_or(Manifest{});
}

} // namespace

TEST(TileRefusals, PlansBeyondTheMachineNameTheOption) {
    TempDir dir;
    const std::string fifo = dir.file("dem.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        double res;
        int tile;
        std::string terrain;
        const char* says;
    };
    const Case cases[] = {
        // About 1.3 million pixels by 1.3 million in tiles of 16: billions of tiles.
        {0.05, 16, "", "--resolution 0.05 with --tile-size 16"},
        // Two bands of 65536 x 65536 floats are 32 GiB.
        {1, 65536, "", "--tile-size 65536"},
        // A pipe is refused before GDAL would wait on it.
        {100, 512, fifo, "--terrain"},
    };
    for (const Case& c : cases) {
        PlanOptions o = Options(WriteSites(dir), c.terrain, c.res, c.tile);
        o.area = kRegion;
        const PlanResult r = MakePlan(o, Limits());
        EXPECT_FALSE(r.manifest) << c.says;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
}

TEST(TileRefusals, GridOfExtremeSizesStaysWithinItself) {
    PixelGrid g;
    g.width = g.tileSize = INT_MAX;
    g.height = 1;
    EXPECT_EQ(g.tileCount(), 1);
    EXPECT_EQ(g.window(0), (Window{0, 0, INT_MAX, 1}));
    g.tileSize = 0;
    EXPECT_EQ(g.tileCount(), 0);
    EXPECT_EQ(g.window(0), Window{});
}

TEST(TileRefusals, TamperedInputsAreRefusedByNameAndWriteNoTile) {
    TempDir dir;
    const Manifest m = SmallPlan(dir);
    ASSERT_FALSE(m.patterns.empty());
    const json good = json::parse(TileInputsText(m, m.tiles[0]));
    ASSERT_FALSE(good["patterns"].empty());
    struct Case {
        std::function<void(json&)> tamper;
        const char* says;
    };
    const std::vector<Case> cases{
        {[](json& j) { j["grid"]["width"] = j["grid"]["tile_size"] = 2147483647; }, "tile_size"},
        {[](json& j) { j["grid"]["width"] = 3.4e99; }, "width"},
        {[](json& j) { j["grid"]["resolution"] = 0; }, "resolution"},
        {[](json& j) { j["grid"]["tile_size"] = 1; }, "tile_size 1 is not a whole number from"},
        {[](json& j) { j["antennas"][0]["erp_w"] = 1e308; }, "erp_w"},
        {[](json& j) { j["antennas"][0]["erp_w"] = -1e308; }, "erp_w"},
        {[](json& j) { j["antennas"][0]["x"] = "east"; }, "x \"east\" is not a number"},
        {[](json& j) { j["antennas"][0]["frequency_mhz"] = 0; }, "frequency_mhz"},
        {[](json& j) { j["antennas"][0]["pattern"] = 7; }, "pattern"},
        {[](json& j) { j["antennas"][0]["type"] = "dish"; }, "type"},
        {[](json& j) { j["antennas"][0]["reach_m"] = -1; }, "reach_m"},
        {[](json& j) { j["patterns"][0]["horizontal"]["loss"][1] = 1e308; }, "loss"},
        {[](json& j) { j["patterns"][0]["vertical"]["angle"][1] = 0.0; }, "ascend"},
        {[](json& j) { j["reflection"] = 3; }, "reflection"},
        {[](json& j) { j["population"] = "everyone"; }, "population"},
        {[](json& j) { j.erase("receptor_height_m"); }, "has no receptor_height_m"},
        {[](json& j) { j["area"][0] = 200; }, "area"},
        {[](json& j) { j["tile"]["window"][2] = 1; }, "the tile does not match the grid"},
        {[](json& j) { j["tile"]["index"] = 1; }, "the tile does not match the grid"},
        // clang-format off
        {[](json& j) { j = json::array({1, 2}); }, "not a tile's inputs"},
        // clang-format on
    };
    const std::string plan = dir.file("plan");
    ASSERT_FALSE(WritePlan(m, plan));
    for (const Case& c : cases) {
        json j = good;
        c.tamper(j);
        const std::string text = j.dump(1);
        const TileInputsRead r = ParseTileInputs(text);
        EXPECT_FALSE(r.inputs) << c.says;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        // The tile's task reads the same refusal and writes nothing.
        WriteText(TileInputsPath(plan, 0), text);
        const TileRunResult run = RunTile(plan, 0, {});
        EXPECT_EQ(run.outcome, TileOutcome::Failed) << c.says;
        EXPECT_NE(run.message.find(c.says), std::string::npos) << run.message;
        EXPECT_FALSE(fs::exists(TilePath(plan, 0)));
    }
    // Another tile's inputs under this tile's name are not taken for its own.
    fs::copy_file(TileInputsPath(plan, 1), TileInputsPath(plan, 0),
                  fs::copy_options::overwrite_existing);
    EXPECT_NE(RunTile(plan, 0, {}).message.find("the inputs are those of tile 1"),
              std::string::npos);
    EXPECT_NE(ParseTileInputs("{").error.find("not JSON"), std::string::npos);
}

TEST(TileRefusals, TamperedManifestIsRefusedByName) {
    TempDir dir;
    const json good = json::parse(ManifestText(SmallPlan(dir)));
    const std::pair<std::function<void(json&)>, const char*> cases[] = {
        {[](json& j) { j["grid"]["resolution"] = 0; }, "resolution"},
        {[](json& j) { j["tiles"][0]["antennas"] = 99; }, "antennas 99"},
        {[](json& j) { j["tiles"][0]["inputs"] = "../../etc"; }, "is not a hash"},
        {[](json& j) { j["tiles"][0]["envelope_bytes"] = -1; }, "envelope_bytes -1 is not a whole"},
        // 16 x 16 pixels of two floats and a double take 4,096 bytes.
        {[](json& j) { j["tiles"][2]["envelope_bytes"] = (8ll << 30) - 4095; },
         "tile 2: a tile of 16 x 16 pixels with 8192 MiB of adaptive arrays' envelopes needs about "
         "9 GiB of memory, more than 8 GiB"},
        {[](json& j) { j["tiles"][0]["window"][2] = 1; }, "tile 0 does not match the grid"},
        {[](json& j) { j["tiles"].erase(j["tiles"].size() - 1); }, "the tile list does not cover"},
        {[](json& j) { j["version"] = 1; }, "an unknown manifest version"},
        // clang-format off
        {[](json& j) { j = json::array({1, 2}); }, "not a tile manifest"},
        // clang-format on
    };
    for (const auto& [tamper, says] : cases) {
        json j = good;
        tamper(j);
        const ManifestRead r = ParseManifest(j.dump(1));
        EXPECT_FALSE(r.manifest) << says;
        EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
    }
    EXPECT_NE(ParseManifest("{").error.find("not JSON"), std::string::npos);
}

TEST(TileRefusals, ManifestTerrainThatIsAPipeFailsTheTile) {
    TempDir dir;
    Manifest m = SmallPlan(dir);
    m.terrain = dir.file("dem.fifo");
    ASSERT_EQ(mkfifo(m.terrain.c_str(), 0600), 0);
    const std::string plan = dir.file("plan");
    ASSERT_FALSE(WritePlan(m, plan));
    const TileRunResult r = RunTile(plan, 0, {});
    EXPECT_EQ(r.outcome, TileOutcome::Failed);
    EXPECT_NE(r.message.find("not a plain file"), std::string::npos) << r.message;
}

TEST(TileRefusals, TileOfInfinitiesIsAnError) {
    TempDir dir;
    Manifest m = SmallPlan(dir);
    // Values no manifest may hold, straight into the kernel: 10^300 W each,
    // whose densities no float of the bands can hold.
    for (TileAntenna& a : m.antennas)
        a.erpW = 1e300;
    TileValues v;
    std::string why;
    WorkOptions one;
    one.threads = 1;
    ASSERT_TRUE(ComputeTile(m, 0, v, one, why)) << why;
    const auto refused = TileValuesRefusal(v, 0);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("tile 0: the value at pixel (0, 0) is not a finite number"),
              std::string::npos)
        << *refused;
}

TEST(TileRefusals, GdalFailuresGoToTheInnermostTrapOnce) {
    brenvik::gis::GdalErrorTrap outer;
    {
        brenvik::gis::GdalErrorTrap inner;
        CPLError(CE_Warning, CPLE_AppDefined, "only a warning");
        EXPECT_FALSE(inner.failed());
        for (int k = 0; k < 3; ++k)
            CPLError(CE_Failure, CPLE_AppDefined, "block %d unreadable", k % 2);
        EXPECT_EQ(inner.because("cannot read"),
                  "cannot read: block 0 unreadable; block 1 unreadable");
    }
    EXPECT_FALSE(outer.failed());
    EXPECT_EQ(outer.because("fine"), "fine");
}
