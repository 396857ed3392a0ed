#include "tiles/Grid.h"
#include "tiles/Plan.h"
#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
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
    WriteText(noLon, "site,lon,lat,height_m,type,erp_w,frequency_mhz\nA,2.31,48.85,30,panel,100,900\n"
                     "B,,48.85,30,panel,100,900\n");
    struct Case {
        void (*change)(PlanOptions&);
        const char* says;
    };
    static std::string sNoLon;
    sNoLon = noLon;
    const Case cases[] = {
        {[](PlanOptions& o) { o.area = {179, 0, -179, 1}; }, "antimeridian"},
        {[](PlanOptions& o) { o.area = {0, 80, 1, 90}; }, "pole"},
        {[](PlanOptions& o) { o.crs = "EPSG:4326"; }, "not projected"},
        {[](PlanOptions& o) { o.sites = sNoLon; }, "line 3: lon is missing"},
        {[](PlanOptions& o) { o.area = {2.40, 48.85, 2.42, 48.86}; }, "does not cover the area"},
        {[](PlanOptions& o) { o.standard = "no-such"; }, "unknown"},
    };
    for (const Case& c : cases) {
        PlanOptions o = Options(sites, dem, 20, 25);
        c.change(o);
        const PlanResult r = MakePlan(o, Limits());
        EXPECT_FALSE(r.manifest);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
    // With the cut-off, the far site reaches no tile and is counted; the
    // reach is where an isotropic beam gives F times the limit: 1500 W at
    // 900 MHz against 4.5 W/m^2.
    const PlanResult r = MakePlan(Options(sites, dem, 20, 25, 0.001), Limits());
    ASSERT_TRUE(r.manifest) << r.error;
    EXPECT_EQ(r.manifest->antennasOutOfReach, 1);
    EXPECT_NEAR(r.manifest->antennas[0].reachM, std::sqrt(1.64 * 1500 / (4 * std::numbers::pi * 0.001 * 4.5)), 1e-9);
    ASSERT_EQ(r.manifest->antennas.size(), 4u);
    EXPECT_EQ(r.manifest->antennas[3].line, 5);
}

namespace {

// The far-field formulas, written out here from their definition.
double CutLoss(const brenvik::PatternCut& c, double a) {
    a = std::fmod(std::fmod(a, 360.0) + 360.0, 360.0);
    const std::size_t n = c.Angle.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double a0 = c.Angle[k], a1 = k + 1 < n ? c.Angle[k + 1] : c.Angle[0] + 360.0;
        const double l1 = k + 1 < n ? c.Loss[k + 1] : c.Loss[0];
        double t = a;
        if (t < a0) t += 360.0;
        if (t >= a0 && t <= a1) return c.Loss[k] + (l1 - c.Loss[k]) * (t - a0) / (a1 - a0);
    }
    return c.Loss[0];
}

double GainDb(const brenvik::AntennaPattern* p, const TileAntenna& a, double phi, double theta) {
    if (p) {
        const auto gh = [&](double x) { return -CutLoss(p->Horizontal, x); };
        const auto gv = [&](double x) { return -CutLoss(p->Vertical, x); };
        const double f = std::fabs(phi) / 180.0;
        return gh(phi) - ((1 - f) * (gh(0) - gv(theta)) + f * (gh(180) - gv(180 - theta)));
    }
    const double av = -std::min(12 * std::pow((theta - a.electricalTiltDeg) / a.vBeamwidthDeg, 2), 20.0);
    if (a.stick) return av;
    const double ah = -std::min(12 * std::pow(phi / a.hBeamwidthDeg, 2), 25.0);
    return -std::min(-(ah + av), 25.0);
}

double Density(const Manifest& m, const TileAntenna& a, double x, double y, double z) {
    const double d2r = std::numbers::pi / 180;
    const double az = a.stick ? 0 : a.azimuthDeg * d2r, t = a.stick ? 0 : a.tiltDeg * d2r;
    const double e = x - a.x, n = y - a.y, u = z - a.z;
    const double f = e * std::sin(az) + n * std::cos(az), s = e * std::cos(az) - n * std::sin(az);
    const double f1 = f * std::cos(t) - u * std::sin(t), u1 = f * std::sin(t) + u * std::cos(t);
    const double phi = std::atan2(s, f1) / d2r, theta = std::atan2(-u1, std::hypot(f1, s)) / d2r;
    const auto* p = a.pattern >= 0 ? &m.patterns[a.pattern] : nullptr;
    const double g = std::pow(10.0, GainDb(p, a, phi, theta) / 10);
    const double r = std::max(std::sqrt(e * e + n * n + u * u), 0.1);
    return 100 * m.reflection * 1.64 * a.erpW * g / (4 * std::numbers::pi * r * r);
}

// ICNIRP 2020 public reference levels, W/m^2.
double LimitWm2(double mhz) {
    return mhz < 400 ? 2.0 : mhz < 2000 ? mhz / 200 : 10.0;
}

std::string PlanRunMosaic(const TempDir& dir, const std::string& name, const PlanOptions& o, Manifest& m) {
    const std::string plan = dir.file(name);
    const PlanResult r = MakePlan(o, Limits());
    EXPECT_TRUE(r.manifest) << r.error;
    if (!r.manifest) return "";
    m = *r.manifest;
    EXPECT_FALSE(WritePlan(m, plan));
    WorkOptions w;
    w.threads = name == "many" ? 3 : 1;
    for (int k = 0; k < m.grid.tileCount(); ++k) EXPECT_EQ(RunTile(plan, k, w).outcome, TileOutcome::Written);
    const std::string map = dir.file(name + ".tif");
    EXPECT_EQ(MosaicTiles(plan, map, w), std::nullopt);
    return map;
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
    for (const TileAntenna& t : one.antennas) EXPECT_NEAR(t.ground, Plane(t.x, t.y), 1e-6);
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
