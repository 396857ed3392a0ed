#include "gis/Terrain.h"

#include "GisTestSupport.h"
#include "geo/Geo.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"

#include <cmath>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <ogr_spatialref.h>

using namespace brenvik;
using namespace brenvik::gis;
using brenvik::testing::TempDir;

namespace {

// A plane tilted up to the east and the north, easy to check at any point:
// bilinear sampling of a plane gives the plane back.
double Tilted(double e, double n) {
    return 350.0 + 0.1 * (e - 500000.0) + 0.05 * (n - 4980000.0);
}

// Easting/northing of a longitude/latitude.
std::pair<double, double> ToUtm(double lon, double lat) {
    OGRSpatialReference ll, utm;
    ll.importFromEPSG(4326);
    utm.importFromEPSG(32632);
    ll.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&ll, &utm));
    t->Transform(1, &lon, &lat);
    return {lon, lat};
}

// A 5 m model of the plane from (e0, n0) westward-north corner, `cols` x
// `rows`, in UTM 32N unless `crs` is off; `hole` puts nodata at its centre,
// a finite `spike` that value.
std::string MakeDem(const std::string& path, double e0, double n0, int cols, int rows, bool crs,
                    bool hole, double spike = NAN) {
    std::vector<double> v;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            v.push_back(Tilted(e0 + (c + 0.5) * 5.0, n0 - (r + 0.5) * 5.0));
    double& centre = v[std::size_t(rows / 2) * std::size_t(cols) + std::size_t(cols / 2)];
    if (hole) centre = -9999.0;
    if (std::isfinite(spike)) centre = spike;
    return brenvik::testing::WriteGeoTiff(path, cols, rows, {e0, 5.0, 0.0, n0, 0.0, -5.0},
                                          crs ? 32632 : 0, v, hole ? -9999.0 : NAN);
}

} // namespace

TEST(Terrain, SampledAtNodesAgainstThePlaneAndRefusals) {
    Project p;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.OriginLon = 9.0;
    p.OriginLat = 45.0;
    TempDir dir;
    // The plan's corners in UTM, and a model 60 m beyond them all round.
    const double W = p.GridNX * p.CellSize * p.MetersPerUnit;
    const geo::DegreeLengths l = geo::MetresPerDegree(p, 45.0);
    const double ymTop = geo::VisibleHeight * p.MetersPerUnit;
    const auto [e0, n0] = ToUtm(9.0, 45.0 + ymTop / l.Ly);
    const auto [e1, n1] = ToUtm(9.0 + W / l.Lx, 45.0 - 60.0 / l.Ly);
    const double west = std::floor(e0 - 60.0), north = std::ceil(n0 + 60.0);
    const int cols = int((e1 + 60.0 - west) / 5.0), rows = int((north - n1 + 60.0) / 5.0);

    const TerrainSample t = SampleTerrain(
        p, MakeDem(dir.path().string() + "/dem.tif", west, north, cols, rows, true, false));
    ASSERT_FALSE(t.refusal) << *t.refusal;
    // By hand: each node's longitude/latitude from the origin and the metres
    // per degree, into UTM, onto the plane; the datum is a pixel centre
    // within one pixel of the lowest node, which is the south-west corner.
    double lowest = std::numeric_limits<double>::infinity();
    for (const auto& [i, j] : {std::pair{0, 0}, {37, 12}, {100, 40}, {0, p.GridNY}}) {
        const double dx = i * p.CellSize * p.MetersPerUnit;
        const double dy = (geo::VisibleHeight - j * p.CellSize) * p.MetersPerUnit;
        const auto [e, n] = ToUtm(9.0 + dx / l.Lx, 45.0 + dy / l.Ly);
        EXPECT_NEAR(t.ground(i, j) + t.datumM, Tilted(e, n), 1e-3) << i << "," << j;
        lowest = std::min(lowest, Tilted(e, n));
    }
    EXPECT_LE(t.datumM, lowest + 1e-3);
    EXPECT_GE(t.datumM, lowest - 0.15 * 5.0);

    Project q = p;
    ApplyTerrain(q, t);
    EXPECT_EQ(q.TerrainDatumM, t.datumM);
    // What imports saves.
    std::string text;
    EXPECT_TRUE(WriteProjectText(q, text));

    // Refusals: no CRS, off the plan, a nodata pixel among the nodes', a
    // value no ground has (the datum and the heights above it would overflow
    // or make nonsense, and the project file could not hold them).
    const struct {
        std::string file;
        double e, n;
        bool crs, hole;
        const char* why;
        double spike = NAN;
    } refused[] = {
        {"nocrs.tif", west, north, false, false, "it has no coordinate reference system"},
        {"away.tif", west + 1000, north, true, false, "it does not cover the plan: node (0, 0)"},
        {"hole.tif", west, north, true, true, "it has no value at node"},
        {"max.tif", west, north, true, false,
         "its value 1.79769e+308 m lies outside -500 to 9000 m at",
         std::numeric_limits<double>::max()},
        {"min.tif", west, north, true, false,
         "its value -1.7e+308 m lies outside -500 to 9000 m at", -1.7e308},
        {"deep.tif", west, north, true, false, "its value -501 m lies outside -500 to 9000 m at",
         -501.0},
    };
    for (const auto& r : refused) {
        const std::string path = dir.path().string() + "/" + r.file;
        const TerrainSample s =
            SampleTerrain(p, MakeDem(path, r.e, r.n, cols, rows, r.crs, r.hole, r.spike));
        ASSERT_TRUE(s.refusal) << r.file;
        EXPECT_EQ(s.refusal->rfind("Terrain not imported from " + path + ": " + r.why, 0), 0u)
            << *s.refusal;
    }
}
