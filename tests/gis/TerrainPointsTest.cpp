#include "GisTestSupport.h"
#include "compliance/Buildings.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Places.h"
#include "gis/Terrain.h"
#include "model/DrawingArea.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

using namespace brenvik;

namespace {

// A drawing position in the CRS: longitude/latitude by the plan's formula
// (metres per degree of the ellipsoid at the origin, degrees turned by
// 57.2956), then OGR.
std::pair<double, double> InCrs(const Project& p, int epsg, double x, double y) {
    const double k = 57.2956, phi = p.OriginLat / k, a = p.EllipsoidA, b = p.EllipsoidB;
    const double D = std::hypot(a * std::cos(phi), b * std::sin(phi));
    double e = p.OriginLon + x * p.MetersPerUnit / (a * a / D * std::cos(phi) / k);
    double n = p.OriginLat + (area::IconShapeTop - area::HScrollHeight - y) * p.MetersPerUnit /
                                 (a * a * b * b / (D * D * D) / k);
    OGRSpatialReference ll, to;
    ll.importFromEPSG(4326);
    to.importFromEPSG(epsg);
    ll.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&ll, &to));
    EXPECT_TRUE(t && t->Transform(1, &e, &n));
    return {e, n};
}

// A folded hill in 1/64 m (single precision holds it) with a dip of 250 m,
// the datum, at the middle; `step` CRS units a pixel, 12 beyond the plan.
struct Dem {
    int epsg, cols, rows;
    double gt[6];
    std::vector<float> v;
    float& px(int c, int r) { return v[std::size_t(r) * std::size_t(cols) + std::size_t(c)]; }
    // Above the dip at a drawing position: bilinear by hand.
    double at(const Project& p, double x, double y) {
        const auto [e, n] = InCrs(p, epsg, x, y);
        const double fc = (e - gt[0]) / gt[1] - 0.5, fr = (n - gt[3]) / gt[5] - 0.5;
        const int c = int(std::floor(fc)), r = int(std::floor(fr));
        const double tx = fc - c, ty = fr - r;
        return (1 - ty) * ((1 - tx) * px(c, r) + tx * px(c + 1, r)) +
               ty * ((1 - tx) * px(c, r + 1) + tx * px(c + 1, r + 1)) - 250.0;
    }
};

Dem MakeDem(const std::string& path, const Project& p, int epsg, double step, bool hole) {
    const double w = p.GroundGrid.nx() * p.CellSize, h = p.GroundGrid.ny() * p.CellSize;
    double west = 1e300, east = -1e300, south = 1e300, north = -1e300;
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
        const auto [e, n] = InCrs(p, epsg, x, y);
        west = std::min(west, e), east = std::max(east, e), south = std::min(south, n),
        north = std::max(north, n);
    }
    Dem d{epsg,
          int((east - west) / step) + 24,
          int((north - south) / step) + 24,
          {west - 12 * step, step, 0, north + 12 * step, 0, -step},
          {}};
    for (int r = 0; r < d.rows; ++r)
        for (int c = 0; c < d.cols; ++c)
            d.v.push_back(
                float(std::round(64 * (300 + 12 * std::sin(c * 0.37) + 7 * std::cos(r * 0.23) +
                                       4 * std::sin(0.05 * c + 0.07 * r))) /
                      64));
    d.px(d.cols / 2, d.rows / 2) = 250.0f;
    // Halfway between nodes (20, 30) and (21, 31): no node reads it.
    const auto [he, hn] = InCrs(p, epsg, 20.5 * p.CellSize, 30.5 * p.CellSize);
    if (hole) d.px(int((he - d.gt[0]) / step), int((hn - d.gt[3]) / -step)) = -9999.0f;
    EXPECT_FALSE(
        brenvik::testing::WriteGeoTiff(path, d.cols, d.rows, std::to_array(d.gt), epsg, d.v, -9999)
            .empty());
    return d;
}

} // namespace

// Places, floor points and the antenna's foot (between the nodes, off the
// zone's meridian so the grid turns against the plan) stand on the model's
// surface at their own point, in a projected CRS and in longitude/latitude,
// in the export and in the re-opened project. A model too fine to keep, or
// without a value between the nodes, leaves the cell's ground and a note.
TEST(TerrainPoints, PlacesFloorsAndFeetOnTheModelAtTheirPoint) {
    brenvik::testing::TempDir dir;
    const struct {
        int epsg;
        double step;
        bool hole;
        const char* note;
    } cases[] = {{32632, 5.0, false, nullptr},
                 {4326, 5e-5, false, nullptr},
                 {32632, 0.1, false, "pixels are more than 1048576"},
                 {32632, 0.25, true, "no sound value at every pixel between the nodes"}};
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.epsg) + " " + std::to_string(k.step));
        Project p;
        p.RecomputeDerived();
        p.GroundGrid.resize(p.GridNX, p.GridNY);
        p.OriginLon = 9.7;
        p.OriginLat = 45.0;
        brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 20.37, 30.61);
        const double c = p.CellSize, mpu = p.MetersPerUnit;
        for (const auto& [x, y] :
             {std::pair{31.3, 17.8}, {71.55, 40.2}, {4.9, 55.35}, {50.5, 30.5}})
            p.Places.push_back(Place{"P", "home", x * c, y * c, 1.5});
        Building b;
        std::tie(b.Id, b.HeightM) = std::tuple("way/1", 9.0);
        for (const auto& [x, y] : {std::pair{60.2, 20.3}, {66.7, 20.3}, {66.7, 26.1}, {60.2, 27.4}})
            b.Outline.push_back({x * c, y * c});
        Dem dem = MakeDem(dir.file("dem.tif"), p, k.epsg, k.step, k.hole);
        const gis::TerrainSample t = gis::SampleTerrain(p, dir.file("dem.tif"));
        ASSERT_FALSE(t.refusal) << *t.refusal;
        gis::ApplyTerrain(p, t);
        const auto inv = brenvik::testing::IcnirpInverse(p);
        const auto places = compliance::EvaluatePlaces(p, inv);
        if (k.note) {
            EXPECT_FALSE(p.Dem);
            EXPECT_NE(t.note.find(k.note), std::string::npos) << t.note;
            EXPECT_EQ(places[0].groundM, p.GroundGrid(31, 17));
            continue;
        }
        ASSERT_TRUE(p.Dem) << t.note;
        EXPECT_EQ(p.TerrainDatumM, 250.0);
        const double zA = 6.0 + dem.at(p, p.Antennas[1].AntX, p.Antennas[1].AntY);
        const std::string csv = compliance::PlacesCsv(places);
        std::size_t at = 0;
        for (std::size_t n = 0; n < places.size(); ++n) {
            const Place& pl = p.Places[n];
            const double g = dem.at(p, pl.X, pl.Y);
            EXPECT_NEAR(places[n].groundM, g, 1e-9) << n;
            at = csv.find("\r\n", at) + 2; // the export's sixth column, ground_m
            for (int col = 0; col < 5; ++col)
                at = csv.find(',', at) + 1;
            EXPECT_NEAR(std::stod(csv.substr(at)), g, 1e-9) << n;
        }
        // Each floor's worst: the largest density over its points on the
        // model, from the antenna on the model at its foot.
        const auto pts = compliance::FloorPoints(p, b);
        const BuildingValue v = compliance::EvaluateBuilding(p, b, inv);
        ASSERT_EQ(v.floors.size(), 3u);
        for (const FloorValue& f : v.floors) {
            double best = 0.0;
            for (const compliance::FloorPoint& q : pts) {
                const double g = dem.at(p, q.xm / mpu, q.ym / mpu);
                best = std::max(
                    best, compliance::AntennaDensity(p, 1, q.xm, q.ym, zA, g + f.baseM + 1.5));
            }
            EXPECT_NEAR(f.sUw, best, 1e-9 * best) << f.floor;
        }
        const Project q = brenvik::testing::ReadBack(p);
        ASSERT_TRUE(q.Dem && *q.Dem == *p.Dem);
        for (std::size_t n = 0; n < places.size(); ++n)
            EXPECT_EQ(compliance::EvaluatePlace(q, q.Places[n], inv).groundM, places[n].groundM);
    }
}
