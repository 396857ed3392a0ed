#include "gis/Terrain.h"

#include "compliance/Buildings.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "model/DrawingArea.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <memory>
#include <ogr_spatialref.h>

using namespace brenvik;
using brenvik::testing::TempDir;

namespace {

// The plan's zero line, in drawing units: the visible area's height.
constexpr double kTop = area::IconShapeTop - area::HScrollHeight;

OGRSpatialReference Crs(int epsg) {
    OGRSpatialReference s;
    s.importFromEPSG(epsg);
    s.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return s;
}

// A drawing position in the model's CRS: longitude/latitude by the plan's
// formula (the metres per degree of the ellipsoid at the origin's latitude,
// degrees turned by 57.2956), then OGR.
std::pair<double, double> InCrs(const Project& p, int epsg, double x, double y) {
    const double k = 57.2956, phi = p.OriginLat / k, a = p.EllipsoidA, b = p.EllipsoidB;
    const double D = std::hypot(a * std::cos(phi), b * std::sin(phi));
    const double Lx = a * a / D * std::cos(phi) / k, Ly = a * a * b * b / (D * D * D) / k;
    double e = p.OriginLon + x * p.MetersPerUnit / Lx;
    double n = p.OriginLat + (kTop - y) * p.MetersPerUnit / Ly;
    OGRSpatialReference ll = Crs(4326), to = Crs(epsg);
    std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&ll, &to));
    EXPECT_TRUE(t && t->Transform(1, &e, &n));
    return {e, n};
}

// A hill with folds, in 1/64 m so that single precision holds it exactly,
// and one dip of 250 m at the plan's middle: the datum.
struct Dem {
    int epsg = 0, cols = 0, rows = 0;
    double gt[6] = {};
    std::vector<float> v;
    double pixel(int c, int r) const { return v[std::size_t(r) * std::size_t(cols) + std::size_t(c)]; }

    // The model at a drawing position, above the dip, bilinear by hand.
    double at(const Project& p, double x, double y) const {
        const auto [e, n] = InCrs(p, epsg, x, y);
        const double fc = (e - gt[0]) / gt[1] - 0.5, fr = (n - gt[3]) / gt[5] - 0.5;
        const int c = int(std::floor(fc)), r = int(std::floor(fr));
        const double tx = fc - c, ty = fr - r;
        return (1 - ty) * ((1 - tx) * pixel(c, r) + tx * pixel(c + 1, r)) +
               ty * ((1 - tx) * pixel(c, r + 1) + tx * pixel(c + 1, r + 1)) - 250.0;
    }
};

// `step` CRS units a pixel, 12 pixels beyond the plan all round; a nodata
// pixel at `hole` (a drawing position) when given.
Dem MakeDem(const std::string& path, const Project& p, int epsg, double step,
            std::optional<std::pair<double, double>> hole = {}) {
    Dem d;
    d.epsg = epsg;
    const double w = p.GroundGrid.nx() * p.CellSize, h = p.GroundGrid.ny() * p.CellSize;
    double west = 1e300, east = -1e300, south = 1e300, north = -1e300;
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
        const auto [e, n] = InCrs(p, epsg, x, y);
        west = std::min(west, e), east = std::max(east, e);
        south = std::min(south, n), north = std::max(north, n);
    }
    d.cols = int((east - west) / step) + 24;
    d.rows = int((north - south) / step) + 24;
    const double gt[6] = {west - 12 * step, step, 0, north + 12 * step, 0, -step};
    std::copy(gt, gt + 6, d.gt);
    for (int r = 0; r < d.rows; ++r)
        for (int c = 0; c < d.cols; ++c)
            d.v.push_back(float(std::round(64 * (300 + 12 * std::sin(c * 0.37) +
                                                 7 * std::cos(r * 0.23) + 4 * std::sin(0.05 * c + 0.07 * r))) / 64));
    d.v[std::size_t(d.rows / 2) * std::size_t(d.cols) + std::size_t(d.cols / 2)] = 250.0f;
    if (hole) {
        const auto [e, n] = InCrs(p, epsg, hole->first, hole->second);
        d.v[std::size_t((n - gt[3]) / gt[5]) * std::size_t(d.cols) + std::size_t((e - gt[0]) / gt[1])] =
            -9999.0f;
    }
    GDALAllRegister();
    GDALDatasetUniquePtr ds(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        path.c_str(), d.cols, d.rows, 1, GDT_Float32, nullptr));
    ds->SetGeoTransform(d.gt);
    const OGRSpatialReference s = Crs(epsg);
    ds->SetSpatialRef(&s);
    ds->GetRasterBand(1)->SetNoDataValue(-9999);
    EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, d.cols, d.rows, d.v.data(), d.cols,
                                             d.rows, GDT_Float32, 0, 0, nullptr),
              CE_None);
    return d;
}

Project Site() {
    Project p;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.OriginLon = 9.7; // off the zone's meridian: the grid turns against the plan
    p.OriginLat = 45.0;
    // An antenna between the nodes, a place in each part of the plan, a
    // building across several cells.
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 20.37, 30.61);
    const double c = p.CellSize;
    for (const auto& [x, y] : {std::pair{31.3, 17.8}, {71.55, 40.2}, {4.9, 55.35}, {50.5, 30.5}})
        p.Places.push_back(Place{"P", "home", x * c, y * c, 1.5});
    p.Buildings.push_back(Building{"way/1", "Block", 9.0, 0.0,
                                   {{60.2 * c, 20.3 * c}, {66.7 * c, 20.3 * c}, {66.7 * c, 26.1 * c},
                                    {60.2 * c, 27.4 * c}}});
    return p;
}

std::vector<double> Inverse(const Project& p) {
    const auto lib = compliance::LoadLibrary(compliance::ShippedLimitsPath(), "");
    return compliance::InverseLimits(p, lib.library, "icnirp-2020", Population::Public).inverse;
}

} // namespace

// Places, floor points and the antenna's foot stand on the model's surface
// at their own point, in a projected CRS and in longitude/latitude alike,
// and so does the project read back from its file.
TEST(TerrainPoints, PlacesFloorsAndFeetOnTheModelAtTheirPoint) {
    TempDir dir;
    for (const auto& [epsg, step] : {std::pair{32632, 5.0}, {4326, 5e-5}}) {
        SCOPED_TRACE(epsg);
        Project p = Site();
        const Dem dem = MakeDem(dir.file("dem.tif"), p, epsg, step);
        const gis::TerrainSample t = gis::SampleTerrain(p, dir.file("dem.tif"));
        ASSERT_FALSE(t.refusal) << *t.refusal;
        ASSERT_TRUE(t.window) << t.note;
        gis::ApplyTerrain(p, t);
        EXPECT_EQ(p.TerrainDatumM, 250.0);

        const std::vector<double> inv = Inverse(p);
        const Antenna& a = p.Antennas[1];
        const double zA = 6.0 + dem.at(p, a.AntX, a.AntY);
        const double mpu = p.MetersPerUnit;
        const auto places = compliance::EvaluatePlaces(p, inv);
        ASSERT_EQ(places.size(), p.Places.size());
        const std::string csv = compliance::PlacesCsv(places);
        std::size_t line = csv.find("\r\n");
        for (std::size_t k = 0; k < places.size(); ++k) {
            const Place& pl = p.Places[k];
            const double g = dem.at(p, pl.X, pl.Y);
            EXPECT_NEAR(places[k].groundM, g, 1e-9) << k;
            // The export's ground_m, the sixth column.
            std::size_t at = line + 2;
            for (int col = 0; col < 5; ++col)
                at = csv.find(',', at) + 1;
            EXPECT_NEAR(std::stod(csv.substr(at, csv.find(',', at) - at)), g, 1e-9) << k;
            line = csv.find("\r\n", at);
            const double s = compliance::AntennaDensity(p, 1, pl.X * mpu, pl.Y * mpu, zA, g + 1.5);
            EXPECT_NEAR(places[k].sUw, s, 1e-9 * s) << k;
        }

        // Each floor's worst is the largest density over its points, each on
        // the model's surface there, the antenna on it at its foot.
        const Building& b = p.Buildings[0];
        const auto pts = compliance::FloorPoints(p, b);
        ASSERT_GT(pts.size(), 20u);
        const BuildingValue v = compliance::EvaluateBuilding(p, b, inv);
        ASSERT_EQ(v.floors.size(), 3u);
        for (const FloorValue& f : v.floors) {
            double best = 0.0;
            for (const compliance::FloorPoint& q : pts) {
                const double g = dem.at(p, q.xm / mpu, q.ym / mpu);
                EXPECT_NEAR(compliance::GroundAt(p, q.xm, q.ym), g, 1e-9);
                best = std::max(best, compliance::AntennaDensity(p, 1, q.xm, q.ym, zA, g + f.baseM + 1.5));
            }
            EXPECT_NEAR(f.sUw, best, 1e-9 * best) << f.floor;
        }

        // Saved and re-opened: the same window, the same values.
        std::string text;
        ASSERT_TRUE(WriteProjectText(p, text));
        Project q;
        std::string why;
        ASSERT_TRUE(ReadProjectText(q, text, &why)) << why;
        ASSERT_TRUE(q.Dem);
        EXPECT_TRUE(*q.Dem == *p.Dem);
        const auto again = compliance::EvaluatePlaces(q, inv);
        for (std::size_t k = 0; k < places.size(); ++k)
            EXPECT_EQ(again[k].groundM, places[k].groundM) << k;
        for (const compliance::FloorPoint& f : pts)
            EXPECT_EQ(compliance::GroundAt(q, f.xm, f.ym), compliance::GroundAt(p, f.xm, f.ym));
        // The file keeps the antenna at its node; its foot is on the model there.
        const Antenna& qa = q.Antennas[1];
        EXPECT_NEAR(compliance::AntennaZ(q, 1), 6.0 + dem.at(q, qa.AntX, qa.AntY), 1e-9);
    }
}

// A model too fine to keep, or without a value between the nodes, still
// gives the grid; the places then take their cell's ground, and a note says
// so.
TEST(TerrainPoints, UnkeptWindowLeavesTheCellRule) {
    TempDir dir;
    const struct {
        double step;
        bool hole;
        const char* why;
    } cases[] = {{0.1, false, "pixels are more than 1048576"},
                 {0.25, true, "no sound value at every pixel between the nodes"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Project p = Site();
        // Halfway between nodes (20, 30) and (21, 31): no node reads it.
        const double half = 20.5 * p.CellSize, halfY = 30.5 * p.CellSize;
        MakeDem(dir.file("fine.tif"), p, 32632, c.step,
                c.hole ? std::optional(std::pair{half, halfY}) : std::nullopt);
        const gis::TerrainSample t = gis::SampleTerrain(p, dir.file("fine.tif"));
        ASSERT_FALSE(t.refusal) << *t.refusal;
        EXPECT_FALSE(t.window);
        EXPECT_NE(t.note.find(c.why), std::string::npos) << t.note;
        gis::ApplyTerrain(p, t);
        EXPECT_FALSE(p.Dem);
        const Place& pl = p.Places[0]; // in cell (31, 17)
        EXPECT_EQ(compliance::EvaluatePlace(p, pl, Inverse(p)).groundM, p.GroundGrid(31, 17));
    }
}
