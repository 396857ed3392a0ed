// Footprints as geometry: a courtyard stays open ground from the import to
// the floors evaluated and the layers written, and a footprint that crosses
// itself is mended into the polygons it outlines or refused by its name.

#include "compliance/Buildings.h"
#include "compliance/Limits.h"
#include "gis/BuildingImport.h"
#include "gis/BuildingLayer.h"
#include "model/Feedback.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

using namespace brenvik;
using brenvik::testing::TempDir;

namespace {

// Near the plan's default origin; metres to degrees there.
constexpr double kLon = 63.0011, kLat = 64.00035;
const double kLonPerM = 1.0 / (111320.0 * std::cos(64.0 * M_PI / 180.0)), kLatPerM = 1.0 / 110574.0;

// "[lon,lat]" of a point x, y metres east and north of the centre.
std::string At(double x, double y) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "[%.9f,%.9f]", kLon + x * kLonPerM, kLat + y * kLatPerM);
    return buf;
}

std::string Ring(const std::vector<std::pair<double, double>>& xy) {
    std::string out = "[";
    for (const auto& [x, y] : xy)
        out += At(x, y) + ",";
    return out + At(xy.front().first, xy.front().second) + "]";
}

std::string Feature(const std::string& id, const std::string& rings) {
    return R"({"type":"Feature","properties":{"id":")" + id + R"(","height":9},)" +
           R"("geometry":{"type":"Polygon","coordinates":[)" + rings + "]}}";
}

std::string Collection(const std::vector<std::string>& features) {
    std::string out = R"({"type":"FeatureCollection","features":[)";
    for (std::size_t k = 0; k < features.size(); ++k)
        out += (k ? "," : "") + features[k];
    return out + "]}";
}

// A 40 m block around a 20 m courtyard, and a figure eight beside it.
const std::string kCourt =
    Feature("way/7", Ring({{-20, -20}, {20, -20}, {20, 20}, {-20, 20}}) + "," +
                         Ring({{-10, -10}, {-10, 10}, {10, 10}, {10, -10}}));
const std::string kEight = Feature("way/8", Ring({{30, -10}, {50, 10}, {50, -10}, {30, 10}}));

} // namespace

TEST(FootprintGeometry, CourtyardsAreKeptAndCrossedFootprintsMendedOrRefused) {
    TempDir dir;
    Project p;
    p.RecomputeDerived();
    std::ofstream(dir.file("site.geojson")) << Collection({kCourt, kEight});
    const gis::BuildingsImport in = gis::ReadBuildings(p, dir.file("site.geojson"), 9.0);
    ASSERT_FALSE(in.refusal) << *in.refusal;
    ASSERT_EQ(in.buildings.size(), 3u);
    const Building& court = in.buildings[0];
    EXPECT_EQ(court.Id, "way/7");
    EXPECT_EQ(court.Outline.size(), 4u);
    ASSERT_EQ(court.Holes.size(), 1u);
    EXPECT_EQ(court.Holes[0].size(), 4u);
    // The figure eight is its two triangles, and the user is told.
    EXPECT_EQ(in.buildings[1].Id, "way/8#1");
    EXPECT_EQ(in.buildings[2].Id, "way/8#2");
    EXPECT_EQ(in.buildings[1].Outline.size(), 3u);
    EXPECT_EQ(in.buildings[2].Outline.size(), 3u);
    EXPECT_NE(in.note.find("1 footprint crossed itself and was repaired: way/8"), std::string::npos)
        << in.note;

    // A footprint that collapses to a line cannot be mended: refused by name.
    std::ofstream(dir.file("flat.geojson"))
        << Collection({kCourt, Feature("way/9", Ring({{0, 30}, {10, 30}, {20, 30}}))});
    const gis::BuildingsImport flat = gis::ReadBuildings(p, dir.file("flat.geojson"), 9.0);
    ASSERT_TRUE(flat.refusal);
    EXPECT_NE(flat.refusal->find("way/9"), std::string::npos) << *flat.refusal;

    // No floor point stands in the courtyard; its walls carry façade points.
    const double m = p.MetersPerUnit;
    double hx0 = 1e300, hx1 = -1e300, hy0 = 1e300, hy1 = -1e300;
    for (const PlanVertex& v : court.Holes[0]) {
        hx0 = std::min(hx0, v.x * m), hx1 = std::max(hx1, v.x * m);
        hy0 = std::min(hy0, v.y * m), hy1 = std::max(hy1, v.y * m);
    }
    ASSERT_NEAR(hx1 - hx0, 20.0, 0.2); // the plan's own metres per degree
    int inside = 0, onWall = 0, block = 0;
    for (const compliance::FloorPoint& q : compliance::FloorPoints(p, court)) {
        const double e = 1e-6;
        const bool within = q.xm > hx0 + e && q.xm < hx1 - e && q.ym > hy0 + e && q.ym < hy1 - e;
        const bool wall =
            q.xm >= hx0 - e && q.xm <= hx1 + e && q.ym >= hy0 - e && q.ym <= hy1 + e && !within;
        inside += within;
        onWall += wall;
        block += !within && !wall;
    }
    EXPECT_EQ(inside, 0);
    EXPECT_GE(onWall, 80); // a point a metre along 80 m of walls
    EXPECT_GT(block, 0);

    // The project file keeps the courtyard.
    p.Buildings = in.buildings;
    EXPECT_EQ(brenvik::testing::ReadBack(p).Buildings, p.Buildings);

    // The layer holds valid polygons only, the courtyard as an inner ring.
    Feedback fb;
    const auto values = compliance::EvaluateBuildings(p, {}, fb);
    ASSERT_TRUE(values);
    const std::string gpkg = dir.file("b.gpkg");
    ASSERT_EQ(gis::WriteBuildingsGpkg(p, *values, gpkg), std::nullopt);
    GDALDatasetUniquePtr ds(GDALDataset::Open(gpkg.c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(ds);
    OGRLayer* layer = ds->GetLayerByName("buildings");
    ASSERT_TRUE(layer);
    std::vector<int> innerRings;
    for (const auto& f : *layer) {
        const OGRGeometry* g = f->GetGeometryRef();
        ASSERT_TRUE(g);
        EXPECT_TRUE(g->IsValid()) << f->GetFieldAsString("id");
        ASSERT_EQ(wkbFlatten(g->getGeometryType()), wkbPolygon);
        innerRings.push_back(g->toPolygon()->getNumInteriorRings());
    }
    EXPECT_EQ(innerRings, (std::vector<int>{1, 0, 0}));
}
