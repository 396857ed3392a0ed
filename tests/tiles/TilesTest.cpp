#include "calc/FarFieldHand.h"
#include "tiles/Grid.h"
#include "tiles/Plan.h"
#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <tuple>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;

TEST(TileGrid, SnapsOutwardAndPlacesPixelCentres) {
    struct Case {
        Bounds area;
        double res;
        int tile;
        double x0, y1;
        int w, h, cols, rows;
    };
    const Case cases[] = {
        {{448646.8, 5411017.4, 450124.0, 5412115.7}, 20, 25, 448640, 5412120, 75, 56, 3, 3},
        {{-105.3, -47.1, -10.2, -3.0}, 10, 16, -110, 0, 10, 5, 1, 1},
        {{0, 0, 100, 50}, 5, 16, 0, 50, 20, 10, 2, 1},
    };
    for (const Case& c : cases) {
        const GridResult g = SnapGrid(c.area, c.res, c.tile);
        ASSERT_TRUE(g.grid) << g.error;
        const PixelGrid& s = *g.grid;
        EXPECT_EQ(std::tuple(s.x0, s.y1, s.width, s.height, s.tileColumns(), s.tileRows()),
                  std::tuple(c.x0, c.y1, c.w, c.h, c.cols, c.rows));
        // (x0 + (i + 1/2) res, y1 - (j + 1/2) res), rows from the top.
        EXPECT_EQ(std::tuple(s.centreX(0), s.centreY(c.h - 1)),
                  std::tuple(c.x0 + c.res / 2, c.y1 - (c.h - 0.5) * c.res));
    }
    const PixelGrid g = *SnapGrid(cases[0].area, 20, 25).grid;
    EXPECT_EQ(g.window(8), (Window{50, 50, 25, 6}));
    EXPECT_EQ(g.bounds(g.window(8)), (Bounds{449640, 5411000, 450140, 5411120}));
    EXPECT_FALSE(SnapGrid(cases[0].area, 0, 25).grid);
    EXPECT_FALSE(SnapGrid(cases[0].area, 20, 8).grid);
}

TEST(TilePlan, RefusesBadInput) {
    TempDir dir;
    const std::string sites = WriteSites(dir), dem = WriteDem(dir);
    const std::string noLon = dir.file("nolon.csv");
    WriteText(noLon,
              "site,lon,lat,height_m,type,erp_w,frequency_mhz\nA,2.31,48.85,30,panel,100,900\n"
              "B,,48.85,30,panel,100,900\n");
    // A name with a line break in it, an infinite power, and thirty more bad
    // lines after them: told by the first twenty, each field cut short.
    std::string bad =
        "site,lon,lat,height_m,type,erp_w,frequency_mhz\n\"A\rB\",2.31,48.85,30,panel,100,900\n"
        "C,2.31,48.85,30,panel,inf,900\n";
    for (int k = 0; k < 30; ++k)
        bad += "D,2.31,48.85,30," + std::string(1000, 'x') + ",100,900\n";
    const std::string badSites = dir.file("bad.csv");
    WriteText(badSites, bad);
    {
        PlanOptions o = Options(badSites, dem, 20, 25);
        const PlanResult r = MakePlan(o, Limits());
        EXPECT_FALSE(r.manifest);
        for (const char* says :
             {"line 2: site 'A?B' holds a control character", "line 3: erp_w 'inf' is not a number",
              "line 21: type 'xxx", "... and 12 more"})
            EXPECT_NE(r.error.find(says), std::string::npos) << says << "\n" << r.error;
        EXPECT_LT(r.error.size(), 3000u);
    }
    // clang-format off
    const std::pair<std::function<void(PlanOptions&)>, const char*> cases[] = {
        {[](PlanOptions& o) { o.area = {179, 0, -179, 1}; }, "antimeridian"},
        {[](PlanOptions& o) { o.area = {0, 80, 1, 90}; }, "pole"},
        {[](PlanOptions& o) { o.crs = "EPSG:4326"; }, "not projected"},
        {[&](PlanOptions& o) { o.sites = noLon; }, "line 3: lon is missing"},
        {[](PlanOptions& o) { o.area = {2.40, 48.85, 2.42, 48.86}; }, "does not cover the area"},
        {[](PlanOptions& o) { o.standard = "no-such"; }, "unknown"},
    };
    // clang-format on
    for (const auto& [change, says] : cases) {
        PlanOptions o = Options(sites, dem, 20, 25);
        change(o);
        const PlanResult r = MakePlan(o, Limits());
        EXPECT_FALSE(r.manifest);
        EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
    }
    // With the cut-off, the far site reaches no tile and is counted; the
    // reach is where an isotropic beam gives F times the limit: 1500 W at
    // 900 MHz against 4.5 W/m^2.
    const PlanResult r = MakePlan(Options(sites, dem, 20, 25, 0.001), Limits());
    ASSERT_TRUE(r.manifest) << r.error;
    EXPECT_EQ(r.manifest->antennasOutOfReach, 1);
    EXPECT_NEAR(r.manifest->antennas[0].reachM,
                std::sqrt(1.64 * 1500 / (4 * std::numbers::pi * 0.001 * 4.5)), 1e-9);
    ASSERT_EQ(r.manifest->antennas.size(), 4u);
    EXPECT_EQ(r.manifest->antennas[3].line, 5);
}

namespace {

// One tile antenna's density from the far-field formulas written out by hand,
// shared with the plan's own calculation checks.
double Density(const Manifest& m, const TileAntenna& t, double x, double y, double z) {
    brenvik::Project p;
    p.Patterns = m.patterns;
    brenvik::Antenna a;
    a.AntType = t.stick ? brenvik::AntennaKind::Stick : brenvik::AntennaKind::Panel;
    std::tie(a.AntPower, a.AntDirection, a.AntTilt) = std::tuple(t.erpW, t.azimuthDeg, t.tiltDeg);
    std::tie(a.AntHBeamwidthDeg, a.AntVBeamwidthDeg, a.AntElectricalTiltDeg) =
        std::tuple(t.hBeamwidthDeg, t.vBeamwidthDeg, t.electricalTiltDeg);
    if (t.pattern >= 0) a.AntPattern = m.patterns[t.pattern].Name;
    return farfieldhand::Hand(p, a, x - t.x, y - t.y, z - t.z, m.reflection);
}

// ICNIRP 2020 public reference levels, W/m^2.
double LimitWm2(double mhz) {
    return mhz < 400 ? 2.0 : mhz < 2000 ? mhz / 200 : 10.0;
}

} // namespace

TEST(TileMosaic, ManyTilesEqualOneTileAndTheFormulas) {
    TempDir dir;
    const std::string sites = WriteSites(dir), dem = WriteDem(dir);
    Manifest many, one;
    const std::string a = PlanRunMosaic(dir, "many", Options(sites, dem, 20, 25), many);
    const std::string b = PlanRunMosaic(dir, "one", Options(sites, dem, 20, 75), one);
    ASSERT_EQ(many.grid.tileCount(), 9);
    ASSERT_EQ(one.grid.tileCount(), 1);
    ASSERT_FALSE(Slurp(a).empty());
    EXPECT_TRUE(Slurp(a) == Slurp(b)) << "the mosaics differ";

    int w = 0, h = 0;
    const std::vector<float> px = Pixels(a, w, h);
    ASSERT_EQ(w * h * 2, static_cast<int>(px.size()));
    for (const TileAntenna& t : one.antennas)
        EXPECT_NEAR(t.z - t.ground, t.stick ? 18 : t.line == 5 ? 25 : 30, 1e-9);
    for (const TileAntenna& t : one.antennas)
        EXPECT_NEAR(t.ground, Plane(t.x, t.y), 1e-6);
    for (int j = 0; j < h; j += 5)
        for (int i = 0; i < w; i += 3) {
            const double x = one.grid.x0 + (i + 0.5) * 20, y = one.grid.y1 - (j + 0.5) * 20;
            const double z = Plane(x, y) + 1.5;
            double s = 0, q = 0;
            for (const TileAntenna& t : one.antennas) {
                const double d = Density(one, t, x, y, z);
                s += d;
                q += d / (LimitWm2(t.frequencyMHz) * 100);
            }
            EXPECT_FLOAT_EQ(px[j * w + i], static_cast<float>(s)) << i << "," << j;
            EXPECT_FLOAT_EQ(px[w * h + j * w + i], static_cast<float>(q)) << i << "," << j;
        }
}

namespace {

// About 1.3 km square: 6 x 6 tiles of 23 pixels of 10 m.
constexpr std::array<double, 4> kSquare{2.300, 48.850, 2.318, 48.862};

// The test sites with patterns and a stick, and `count` random panels and
// sticks of 20 to 3000 W over the square.
std::string ManySites(const TempDir& dir, int count, unsigned seed = 11) {
    std::string csv = Slurp(WriteSites(dir));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int k = 0; k < count; ++k)
        csv += "R" + std::to_string(k) + "," + std::to_string(kSquare[0] + 0.018 * unit(rng)) +
               "," + std::to_string(kSquare[1] + 0.012 * unit(rng)) + ",25," +
               (k % 5 ? "panel" : "stick") + "," + std::to_string(20 + 2980 * unit(rng)) + "," +
               std::to_string(359 * unit(rng)) + ",3," + (k % 2 ? "900" : "2100") + ",r,,,,\r\n";
    WriteText(dir.file("many.csv"), csv);
    return dir.file("many.csv");
}

PlanOptions SquareOptions(const std::string& sites, int tileSize, double cutoff) {
    PlanOptions o = Options(sites, "", 10, tileSize, cutoff);
    o.area = kSquare;
    return o;
}

// The reach from the formula: an isotropic beam gives F times the limit.
double HandReach(const TileAntenna& t, double cutoff) {
    return std::sqrt(1.64 * t.erpW / (4 * std::numbers::pi * cutoff * LimitWm2(t.frequencyMHz)));
}

} // namespace

TEST(TileMosaic, SeamlessAtTheCutoffFromTheAntennasInReachOfEachTile) {
    TempDir dir;
    const std::string sites = ManySites(dir, 60);
    Manifest many, one, all;
    const std::string a = PlanRunMosaic(dir, "many", SquareOptions(sites, 23, DefaultCutoff), many);
    const std::string b = PlanRunMosaic(dir, "one", SquareOptions(sites, 256, DefaultCutoff), one);
    const std::string c = PlanRunMosaic(dir, "all", SquareOptions(sites, 256, 0.0), all);
    ASSERT_EQ(many.grid.tileCount(), 36);
    ASSERT_EQ(one.grid.tileCount(), 1);
    ASSERT_FALSE(Slurp(a).empty());
    EXPECT_TRUE(Slurp(a) == Slurp(b)) << "the mosaics differ";

    int w = 0, h = 0, w0 = 0, h0 = 0;
    const std::vector<float> px = Pixels(a, w, h), px0 = Pixels(c, w0, h0);
    ASSERT_EQ(std::tuple(w * h * 2, w, h), std::tuple(static_cast<int>(px0.size()), w0, h0));
    // A pixel sums the antennas within reach of its own centre, by hand.
    for (int j = 0; j < h; j += 7)
        for (int i = 0; i < w; i += 5) {
            const double x = one.grid.centreX(i), y = one.grid.centreY(j);
            double s = 0, q = 0;
            for (const TileAntenna& t : all.antennas) {
                if (std::hypot(x - t.x, y - t.y) > HandReach(t, DefaultCutoff)) continue;
                const double d = Density(all, t, x, y, 1.5);
                s += d;
                q += d / (LimitWm2(t.frequencyMHz) * 100);
            }
            EXPECT_FLOAT_EQ(px[j * w + i], static_cast<float>(s)) << i << "," << j;
            EXPECT_FLOAT_EQ(px[w * h + j * w + i], static_cast<float>(q)) << i << "," << j;
        }
    // What each tile's pixels leave out of the full ratio stays within its
    // bound, and somewhere something is left out.
    double leftOut = 0;
    for (const TileEntry& t : many.tiles)
        for (int j = t.window.row; j < t.window.row + t.window.height; ++j)
            for (int i = t.window.col; i < t.window.col + t.window.width; ++i) {
                const std::size_t at = static_cast<std::size_t>(w * h + j * w + i);
                const double missed = static_cast<double>(px0[at]) - px[at];
                leftOut = std::max(leftOut, missed);
                EXPECT_LE(missed, t.neglectedRatio + 1e-6 * px0[at])
                    << "tile " << t.index << " " << i << "," << j;
            }
    EXPECT_GT(leftOut, 1e-4);

    // Each tile's own inputs hold the antennas within reach of it, and far
    // fewer than every antenna in every tile.
    std::size_t listed = 0;
    for (const TileEntry& t : many.tiles) {
        const TileInputsRead in = ReadTileInputs(dir.file("many"), t.index);
        ASSERT_TRUE(in.inputs) << in.error;
        std::vector<std::pair<double, double>> got, want;
        for (const TileAntenna& a : in.inputs->antennas)
            got.emplace_back(a.x, a.y);
        for (const TileAntenna& a : many.antennas) {
            const double dx = std::max({t.bounds.xmin - a.x, 0.0, a.x - t.bounds.xmax});
            const double dy = std::max({t.bounds.ymin - a.y, 0.0, a.y - t.bounds.ymax});
            if (std::hypot(dx, dy) <= HandReach(a, DefaultCutoff)) want.emplace_back(a.x, a.y);
        }
        EXPECT_EQ(got, want) << "tile " << t.index;
        listed += got.size();
    }
    EXPECT_LT(listed, many.antennas.size() * 36 / 4);
}

TEST(TileMosaic, OverviewsKeepTheMaximumAndBandsTheirNames) {
    TempDir dir;
    Manifest m;
    PlanOptions o = SquareOptions(ManySites(dir, 20), 256, DefaultCutoff);
    o.resolution = 2;
    const std::string map = PlanRunMosaic(dir, "map", o, m);
    int w = 0, h = 0;
    const std::vector<float> px = Pixels(map, w, h);
    ASSERT_GT(w, 512);
    GDALDatasetUniquePtr ds(GDALDataset::Open(map.c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(ds);
    for (int b = 1; b <= 2; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b);
        EXPECT_STREQ(band->GetDescription(),
                     b == 1 ? "power density (uW/cm^2)" : "exposure ratio (1 = the limit)");
        ASSERT_GE(band->GetOverviewCount(), 1);
        GDALRasterBand* over = band->GetOverview(0);
        const int ow = over->GetXSize(), oh = over->GetYSize();
        ASSERT_EQ(std::tuple(ow, oh), std::tuple((w + 1) / 2, (h + 1) / 2));
        std::vector<float> v(static_cast<std::size_t>(ow) * oh);
        ASSERT_EQ(
            over->RasterIO(GF_Read, 0, 0, ow, oh, v.data(), ow, oh, GDT_Float32, 0, 0, nullptr),
            CE_None);
        const float* full = px.data() + static_cast<std::size_t>(b - 1) * w * h;
        int differ = 0;
        for (int j = 0; j < oh; ++j)
            for (int i = 0; i < ow; ++i) {
                float most = full[2 * j * w + 2 * i];
                for (int dj = 0; dj < 2 && 2 * j + dj < h; ++dj)
                    for (int di = 0; di < 2 && 2 * i + di < w; ++di)
                        most = std::max(most, full[(2 * j + dj) * w + 2 * i + di]);
                differ += v[static_cast<std::size_t>(j) * ow + i] != most;
            }
        EXPECT_EQ(differ, 0) << "band " << b;
    }
}
