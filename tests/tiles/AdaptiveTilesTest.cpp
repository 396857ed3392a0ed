#include "antenna/ArrayHand.h"
#include "tiles/Manifest.h"
#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <tuple>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;

namespace {

constexpr const char* kArrayHead =
    "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,pattern,"
    "array_rows,array_columns,steer_az_max_deg,power_factor\r\n";
// 8 x 8, steered over -60..60 degrees of azimuth and 0..10 of tilt, at a
// quarter of its 2000 W.
constexpr const char* kAdaptive = "M,2.3030,48.8590,25,panel,2000,30,2,3500,m,,8,8,60,0.25\r\n";
constexpr const char* kFar = "F,2.3180,48.8510,20,panel,500,200,0,3500,f,,,,,\r\n";

std::string Sites(const TempDir& dir, const std::string& rows) {
    WriteText(dir.file("adaptive.csv"), kArrayHead + rows);
    return dir.file("adaptive.csv");
}

// Tile `index` of plan `m` computed from the text of its own inputs.
std::vector<float> TileDensity(const Manifest& m, int index, brenvik::antenna::EnvelopeCache& c) {
    const TileInputsRead in = ParseTileInputs(TileInputsText(m, m.tiles[index]));
    TileValues v;
    std::string why;
    WorkOptions o;
    o.envelopes = &c;
    EXPECT_TRUE(in.inputs && ComputeTile(*in.inputs, in.tile, v, o, why)) << in.error << why;
    return v.density;
}

} // namespace

TEST(AdaptiveTiles, PixelsAreTheFarFieldOfTheArraysEnvelopeAtTheReducedPower) {
    TempDir dir;
    brenvik::antenna::EnvelopeCache cache;
    Manifest m;
    const std::string map =
        PlanRunMosaic(dir, "one", Options(Sites(dir, kAdaptive), "", 20, 75), m, &cache);
    int w = 0, h = 0;
    const std::vector<float> px = Pixels(map, w, h);
    ASSERT_EQ(static_cast<int>(px.size()), w * h * 2);
    ASSERT_EQ(m.antennas.size(), 1u);
    const TileAntenna& t = m.antennas[0];
    ASSERT_EQ(std::tuple(t.erpW, t.array, m.arrays.size()), std::tuple(500.0, 0, 1u));
    const auto table = cache.Get(brenvik::antenna::ArrayParams{});
    const arrayhand::Hand hand;
    const int ia = static_cast<int>((t.x - m.grid.x0) / 20),
              ja = static_cast<int>((m.grid.y1 - t.y) / 20);
    const std::pair<int, int> offsets[] = {{0, -2}, {2, -2}, {4, 1},   {-3, -5}, {6, -6},
                                           {-6, 3}, {1, 8},  {10, -1}, {-8, 8},  {3, 3}};
    for (auto [di, dj] : offsets) {
        const int i = ia + di, j = ja + dj;
        ASSERT_TRUE(i >= 0 && i < w && j >= 0 && j < h) << di << "," << dj;
        const double e = m.grid.centreX(i) - t.x, n = m.grid.centreY(j) - t.y, u = 1.5 - 25.0;
        const auto [phi, theta] = arrayhand::Direction(e, n, u, 30.0, 2.0);
        // 100 * 1.64 P F_PR g / (4 pi r^2), P F_PR = 500 W; the limit at 3.5 GHz is 10 W/m^2.
        const double iso = 100 * 1.64 * 500 / (4 * std::numbers::pi * (e * e + n * n + u * u));
        const double s = iso * std::pow(10.0, table->GainDb(phi, theta) / 10);
        const float got = px[static_cast<std::size_t>(j * w + i)];
        EXPECT_NEAR(got, s, 1e-6 * s) << phi << "," << theta;
        EXPECT_NEAR(px[static_cast<std::size_t>(w * h + j * w + i)], s / 1000, 1e-6 * s / 1000);
        EXPECT_NEAR(10 * std::log10(got / iso), hand.envelopeBelowPeak(phi, theta),
                    brenvik::antenna::EnvelopeToleranceDb)
            << phi << "," << theta;
    }
}

TEST(AdaptiveTiles, TheTilesIdentityFollowsItsArrayAndPowerFactorOnly) {
    TempDir dir;
    brenvik::antenna::EnvelopeCache cache;
    const auto plan = [&](const std::string& rows) {
        const PlanResult r =
            MakePlan(Options(Sites(dir, rows), "", 20, 25, DefaultCutoff), Limits());
        EXPECT_TRUE(r.manifest) << r.error;
        return r.manifest.value_or(Manifest{});
    };
    const Manifest base = plan(std::string(kAdaptive) + kFar);
    ASSERT_EQ(base.grid.tileCount(), 9);
    const std::string far = kFar, full = "M,2.3030,48.8590,25,panel,2000,30,2,3500,m,,8,8,60,1\r\n";
    const struct {
        std::string rows;
        bool near, farTile; // tiles 0 and 8 change
    } cases[] = {
        {full + far, true, false},
        {"M,2.3030,48.8590,25,panel,2000,30,2,3500,m,,8,8,45,0.25\r\n" + far, true, false},
        {"M,2.3030,48.8590,25,panel,2000,30,2,3500,m,,4,8,60,0.25\r\n" + far, true, false},
        {"M,2.3030,48.8590,25,panel,2000,30,2,3500,renamed,,8,8,60,0.250\r\n" + far, false, false},
        {kAdaptive + std::string("F,2.3180,48.8510,20,panel,900,200,0,3500,f,,,,,\r\n"), false,
         true},
    };
    for (const auto& c : cases) {
        const Manifest m = plan(c.rows);
        ASSERT_EQ(m.tiles.size(), 9u);
        EXPECT_EQ(m.tiles[0].inputsHash != base.tiles[0].inputsHash, c.near) << c.rows;
        EXPECT_EQ(m.tiles[8].inputsHash != base.tiles[8].inputsHash, c.farTile) << c.rows;
    }
    // Within the reduced power's reach a pixel is F_PR of the full power's;
    // beyond it, nothing.
    const Manifest whole = plan(full + far);
    const std::vector<float> a = TileDensity(base, 0, cache), b = TileDensity(whole, 0, cache);
    ASSERT_EQ(a.size(), b.size());
    const double reach = std::sqrt(1.64 * 500 / (4 * std::numbers::pi * DefaultCutoff * 10));
    EXPECT_NEAR(base.antennas[0].reachM, reach, 1e-9);
    int inside = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        const int i = static_cast<int>(k % 25), j = static_cast<int>(k / 25);
        const double d = std::hypot(base.grid.centreX(i) - base.antennas[0].x,
                                    base.grid.centreY(j) - base.antennas[0].y);
        inside += d <= reach;
        EXPECT_EQ(a[k], d <= reach ? 0.25f * b[k] : 0.0f) << i << "," << j;
    }
    EXPECT_GT(inside, 40);
    EXPECT_EQ(cache.made(), 1);
}

TEST(AdaptiveTiles, NineTilesEqualOneAndEachArrayIsMadeOnce) {
    TempDir dir;
    const std::string pattern = std::string(BRENVIK_SHARED_DIR) + "/patterns/panel-65deg-0t.msi";
    const std::string sites =
        Sites(dir, std::string(kAdaptive) + kFar +
                       "N,2.3085,48.8556,30,panel,30000,250,0,3500,n,,8,8,60,0.25\r\n"
                       "P,2.3137,48.8560,28,panel,20000,100,3,3500,p,,4,8,40,0.5\r\n"
                       "Q,2.3105,48.8530,28,panel,20000,10,0,3500,q," +
                       pattern +
                       ",4,8,40,0.5\r\n"
                       "S,2.3168,48.8578,20,stick,5000,0,0,3500,s,,8,8,60,1\r\n");
    brenvik::antenna::EnvelopeCache cache;
    Manifest many, one;
    const std::string dem = WriteDem(dir);
    const std::string a =
        PlanRunMosaic(dir, "many", Options(sites, dem, 20, 25, DefaultCutoff), many, &cache);
    const std::string b =
        PlanRunMosaic(dir, "one", Options(sites, dem, 20, 75, DefaultCutoff), one, &cache);
    ASSERT_EQ(std::tuple(many.grid.tileCount(), one.grid.tileCount()), std::tuple(9, 1));
    ASSERT_FALSE(Slurp(a).empty());
    EXPECT_TRUE(Slurp(a) == Slurp(b)) << "the mosaics differ";
    // M and N share an array; Q's pattern is its envelope; a stick has none.
    EXPECT_EQ(one.arrays.size(), 2u);
    EXPECT_EQ(cache.made(), 2);
    // Some adaptive antenna reaches past its own tile.
    int crossing = 0;
    for (const TileEntry& t : many.tiles)
        for (int k : t.antennas) {
            const TileAntenna& x = many.antennas[static_cast<std::size_t>(k)];
            crossing += x.array >= 0 && (x.x < t.bounds.xmin || x.x > t.bounds.xmax ||
                                         x.y < t.bounds.ymin || x.y > t.bounds.ymax);
        }
    EXPECT_GT(crossing, 0);
}

TEST(AdaptiveTiles, InputsRefuseADamagedArray) {
    TempDir dir;
    const PlanResult r = MakePlan(Options(Sites(dir, kAdaptive), "", 20, 75), Limits());
    ASSERT_TRUE(r.manifest) << r.error;
    const std::string text = TileInputsText(*r.manifest, r.manifest->tiles[0]);
    ASSERT_TRUE(ParseTileInputs(text).inputs);
    const struct {
        std::string from, to, says;
    } cases[] = {
        {"\"array_rows\": 8", "\"array_rows\": 0", "array 0: array_rows 0"},
        {"\"version\": 2", "\"version\": 1", "antenna 0: array 0"},
        {"\"steer_az_max_deg\": 60.0", "\"steer_az_max_deg\": -70", "not within -60 to 90"},
        {"\"type\": \"panel\"", "\"type\": \"stick\"", "only a panel without a pattern"},
    };
    for (const auto& c : cases) {
        std::string bad = text;
        const auto at = bad.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        const TileInputsRead in = ParseTileInputs(bad.replace(at, c.from.size(), c.to));
        EXPECT_FALSE(in.inputs) << c.from;
        EXPECT_NE(in.error.find(c.says), std::string::npos) << in.error;
    }
    // A plan without arrays writes its inputs as before.
    const PlanResult plain = MakePlan(Options(Sites(dir, kFar), "", 20, 75), Limits());
    ASSERT_TRUE(plain.manifest) << plain.error;
    const std::string old = TileInputsText(*plain.manifest, plain.manifest->tiles[0]);
    EXPECT_NE(old.find("\"version\": 1"), std::string::npos);
    EXPECT_EQ(old.find("array"), std::string::npos);
}
