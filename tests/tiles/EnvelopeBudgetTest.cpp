#include "tiles/Manifest.h"
#include "tiles/TilesSupport.h"
#include "tilescli/Resume.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;

namespace {

// Gains of a table at half a degree (721 x 361 doubles) and at a quarter
// (1441 x 721): a lone element and a row of four without tilt are smooth
// enough for the first, eight rows' lobes need the second.
constexpr std::uint64_t kHalfDegree = 2'082'248, kQuarterDegree = 8'311'688;

// One watt at 3.5 GHz reaches 3.6 m at the default cut-off: site M's three
// panels (two of one 1 x 1 array, one of the default 8 x 8) and site N's
// 1 x 4 panel fall in tiles of their own, 700 m apart.
constexpr const char* kSites =
    "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,pattern,"
    "array_rows,array_columns,steer_az_min_deg,steer_az_max_deg,steer_tilt_max_deg\r\n"
    "M,2.3050,48.8550,25,panel,1,0,0,3500,m1,,1,1,0,0,0\r\n"
    "M,2.3050,48.8550,25,panel,1,120,0,3500,m2,,8,8,,,\r\n"
    "M,2.3050,48.8550,25,panel,1,240,0,3500,m3,,1,1,0,0,0\r\n"
    "N,2.3150,48.8570,25,panel,1,90,0,3500,n1,,1,4,-30,30,0\r\n"
    "P,2.3100,48.8590,25,panel,1,90,0,3500,p1,,,,,,\r\n";

// The sites a tile takes.
std::set<std::string> SitesOf(const Manifest& m, const TileEntry& t) {
    std::set<std::string> out;
    for (int k : t.antennas)
        out.insert(m.antennas[static_cast<std::size_t>(k)].site);
    return out;
}

} // namespace

TEST(EnvelopeBudget, EachTileCountsItsDistinctArraysOnce) {
    TempDir dir;
    WriteText(dir.file("sites.csv"), kSites);
    const PlanResult r =
        MakePlan(Options(dir.file("sites.csv"), "", 20, 16, DefaultCutoff), Limits());
    ASSERT_TRUE(r.manifest) << r.error;
    const Manifest& m = *r.manifest;
    ASSERT_EQ(m.arrays.size(), 3u);
    const std::map<std::set<std::string>, std::uint64_t> expected{
        {{}, 0},
        {{"M"}, kHalfDegree + kQuarterDegree},
        {{"N"}, kHalfDegree},
        {{"P"}, 0}, // a parametric panel makes no table
    };
    std::map<std::string, int> seen;
    for (const TileEntry& t : m.tiles) {
        const std::set<std::string> sites = SitesOf(m, t);
        ASSERT_TRUE(expected.contains(sites)) << "tile " << t.index;
        EXPECT_EQ(t.envelopeBytes, expected.at(sites)) << "tile " << t.index;
        for (const std::string& s : sites)
            ++seen[s];
    }
    ASSERT_EQ(seen.size(), 3u); // every site in reach of some tile

    // Written and read back: the figure only where there is one.
    const std::string plan = dir.file("plan");
    ASSERT_FALSE(WritePlan(m, plan));
    const ManifestRead back = ReadManifest(plan);
    ASSERT_TRUE(back.manifest) << back.error;
    const nlohmann::json j = nlohmann::json::parse(Slurp(ManifestPath(plan)));
    for (const TileEntry& t : back.manifest->tiles) {
        const std::uint64_t want = expected.at(SitesOf(m, m.tiles[t.index]));
        EXPECT_EQ(t.envelopeBytes, want) << "tile " << t.index;
        EXPECT_EQ(j["tiles"][t.index].contains("envelope_bytes"), want > 0) << "tile " << t.index;
    }
    // resume asks for site M's tables beside 16 x 16 pixels of two floats,
    // eight times the manifest and 256 MiB.
    const std::uint64_t bytes = 16 * 16 * 8 + kHalfDegree + kQuarterDegree +
                                8 * std::filesystem::file_size(ManifestPath(plan)) + (256 << 20);
    EXPECT_EQ(brenvik::tilescli::ScanTiles(plan, 1).budget.memoryMiB,
              bytes / (1 << 20) + (bytes % (1 << 20) != 0));
}

TEST(EnvelopeBudget, TheFigureIsOneLineOfATileEntryAndOnlyWhenNotZero) {
    Manifest m;
    m.crs = "EPSG:32631";
    m.crsWkt = "PROJCRS[]";
    m.area = {2.3, 48.85, 2.32, 48.86};
    m.grid = {0.0, 64.0, 2.0, 32, 16, 16};
    for (int k = 0; k < 2; ++k) {
        TileEntry t;
        t.index = k;
        t.window = m.grid.window(k);
        t.bounds = m.grid.bounds(t.window);
        t.inputsHash = "0123456789abcdef";
        m.tiles.push_back(t);
    }
    const std::string without = ManifestText(m);
    EXPECT_EQ(without.find("envelope"), std::string::npos);
    m.tiles[1].envelopeBytes = 10'393'936;
    std::string expected = without;
    const std::size_t at = expected.find("   \"index\": 1,\n");
    ASSERT_NE(at, std::string::npos);
    // Keys in order: "bounds", "envelope_bytes", "index", ...
    expected.insert(at, "   \"envelope_bytes\": 10393936,\n");
    const std::string with = ManifestText(m);
    EXPECT_EQ(with, expected);
    const ManifestRead back = ParseManifest(with);
    ASSERT_TRUE(back.manifest) << back.error;
    EXPECT_EQ(back.manifest->tiles[0].envelopeBytes, 0u);
    EXPECT_EQ(back.manifest->tiles[1].envelopeBytes, 10'393'936u);

    // Each tile of 16 x 16 pixels (one band) takes 1,024 bytes: with the
    // figure, 8 GiB is just reached, one byte more is refused.
    struct Case {
        std::uint64_t bytes;
        const char* says; // empty: read
    };
    const Case cases[] = {
        {(8ull << 30) - 1024, ""},
        {(8ull << 30) - 1023,
         "tile 1: a tile of 16 x 16 pixels with 8192 MiB of adaptive arrays' envelopes needs "
         "about 9 GiB of memory, more than 8 GiB"},
        {(8ull << 30) + 1, "tile 1: envelope_bytes 8589934593 is not a whole number from 0 to "
                           "8589934592"},
    };
    for (const Case& c : cases) {
        m.tiles[1].envelopeBytes = c.bytes;
        const ManifestRead r = ParseManifest(ManifestText(m));
        EXPECT_EQ(r.error.empty() ? "" : r.error.substr(r.error.find("tile 1")), c.says);
        EXPECT_EQ(r.manifest.has_value(), *c.says == '\0') << c.bytes;
    }
}

TEST(EnvelopeBudget, TheTaskAsksForTheLargestFigureOfItsTiles) {
    // Tiles of 100 x 50 pixels, two bands and a ground height: 80,000 bytes;
    // the manifest 8 x 1e6; 256 MiB besides: 276,515,456 bytes.
    Manifest m;
    m.standard = "icnirp-2020";
    m.terrain = "/dem.tif";
    TileEntry t;
    t.window = {0, 0, 100, 50};
    m.tiles = {t, t, t};
    m.tiles[1].envelopeBytes = kHalfDegree + kQuarterDegree;
    m.tiles[2].envelopeBytes = 64ull << 20;
    struct Case {
        std::vector<std::int64_t> tiles;
        std::uint64_t mib; // by hand
    };
    const Case cases[] = {
        {{0}, 264},    // 263.71 MiB
        {{0, 1}, 274}, // + 10,393,936 bytes: 273.62 MiB
        {{1, 2}, 328}, // + 64 MiB exactly: 327.71 MiB
        {{2, 0, 1}, 328},
    };
    for (const Case& c : cases)
        EXPECT_EQ(brenvik::tilescli::EstimateTask(m, c.tiles, 1'000'000, 4).memoryMiB, c.mib)
            << c.tiles.size();
}
