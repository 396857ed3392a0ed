#include "tiles/TilesSupport.h"
#include "tilescli/Resume.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::TempDir;

// One watt at 3.5 GHz reaches 3.6 m at the default cut-off, so each site
// falls in tiles of its own: M with two panels of one 1 x 1 array and one of
// the default 8 x 8, N with a 1 x 4 panel, P with a parametric one.
TEST(EnvelopeBudget, EachTileCountsItsDistinctArraysOnce) {
    TempDir dir;
    WriteText(dir.file("sites.csv"),
              "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,pattern,"
              "array_rows,array_columns,steer_az_min_deg,steer_az_max_deg,steer_tilt_max_deg\r\n"
              "M,2.3050,48.8550,25,panel,1,0,0,3500,m1,,1,1,0,0,0\r\n"
              "M,2.3050,48.8550,25,panel,1,120,0,3500,m2,,8,8,,,\r\n"
              "M,2.3050,48.8550,25,panel,1,240,0,3500,m3,,1,1,0,0,0\r\n"
              "N,2.3150,48.8570,25,panel,1,90,0,3500,n1,,1,4,-30,30,0\r\n"
              "P,2.3100,48.8590,25,panel,1,90,0,3500,p1,,,,,,\r\n");
    const PlanResult r =
        MakePlan(Options(dir.file("sites.csv"), "", 20, 16, DefaultCutoff), Limits());
    ASSERT_TRUE(r.manifest) << r.error;
    const std::string plan = dir.file("plan");
    ASSERT_FALSE(WritePlan(*r.manifest, plan));
    const ManifestRead back = ReadManifest(plan);
    ASSERT_TRUE(back.manifest) << back.error;
    // Tables of 721 x 361 and 1441 x 721 doubles.
    const std::map<std::set<std::string>, std::uint64_t> expected{
        {{}, 0}, {{"M"}, 2'082'248 + 8'311'688}, {{"N"}, 2'082'248}, {{"P"}, 0}};
    std::set<std::string> seen;
    for (const TileEntry& t : r.manifest->tiles) {
        std::set<std::string> sites;
        for (int k : t.antennas)
            sites.insert(r.manifest->antennas[static_cast<std::size_t>(k)].site);
        ASSERT_TRUE(expected.contains(sites)) << "tile " << t.index;
        EXPECT_EQ(t.envelopeBytes, expected.at(sites)) << "tile " << t.index;
        EXPECT_EQ(back.manifest->tiles[t.index].envelopeBytes, t.envelopeBytes);
        seen.insert(sites.begin(), sites.end());
    }
    ASSERT_EQ(seen.size(), 3u);
    // The figures are the only lines a manifest without them would not have.
    Manifest none = *back.manifest;
    for (TileEntry& t : none.tiles)
        t.envelopeBytes = 0;
    std::string text = brenvik::testing::Slurp(ManifestPath(plan)), kept;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (text.find("\"envelope_bytes\": ", at) > end) kept += text.substr(at, end + 1 - at);
    }
    EXPECT_EQ(kept, ManifestText(none));
    // resume asks for M's tables beside 16 x 16 pixels of two floats, eight
    // times the manifest and 256 MiB.
    const std::uint64_t bytes = 16 * 16 * 8 + 10'393'936 + 8 * text.size() + (256 << 20);
    EXPECT_EQ(brenvik::tilescli::ScanTiles(plan, 1).budget.memoryMiB,
              bytes / (1 << 20) + (bytes % (1 << 20) != 0));
}
