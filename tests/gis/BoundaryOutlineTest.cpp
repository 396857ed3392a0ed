// Each antenna's boundary seen from above: its outline against the sphere of
// an isotropic beam worked out by hand, the heights it spans, the dashed
// outline and its label on the plan, and the GeoJSON layer read back by OGR.

#include "compliance/Boundaries.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Units.h"
#include "model/ResultStamp.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <ogrsf_frmts.h>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

constexpr double kLimit = 4.5; // W/m^2

// Isotropic antennas of 1000 W, 10 m and 16 m up, in a far-field project
// with the plan calculated at 4 m.
Project TwoIsotropic() {
    Project p;
    p.Exposure = {ExposureModel::FarField, 1.0};
    p.Patterns = {brenvik::testing::IsotropicPattern()};
    for (const auto& [h, i, j] : {std::tuple{10.0, 50, 30}, {16.0, 120, 70}}) {
        Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1000, h, 90, i, j);
        a.AntPattern = "iso";
    }
    p.CalcHeight = 4;
    brenvik::testing::BlankResult(p, Plane::XY);
    return p;
}

// r = sqrt(RF 1.64 P / (4 pi S_L)), the sphere an isotropic beam reaches the limit on.
const double kRadius = std::sqrt(1.64 * 1000 / (4 * std::numbers::pi * kLimit));

} // namespace

TEST(BoundaryOutline, IsotropicBeamIsItsSphereSeenFromAboveOnThePlanAndInTheLayer) {
    const Project p = TwoIsotropic();
    const std::vector<double> limits{0, kLimit, kLimit};
    const std::vector<BoundaryOutline> all = BoundaryOutlines(p, limits);
    ASSERT_EQ(all.size(), 2u);
    for (std::size_t k = 0; k < all.size(); ++k) {
        const BoundaryOutline& o = all[k];
        const Antenna& a = p.Antennas[k + 1];
        const double xs = a.AntX * p.MetersPerUnit, ys = a.AntY * p.MetersPerUnit;
        ASSERT_EQ(o.ring.size(), 720u);
        for (const auto& [x, y] : o.ring)
            EXPECT_NEAR(std::hypot(x - xs, y - ys), kRadius, 1e-9);
        EXPECT_NEAR(o.lowM, a.AntHeight - kRadius, 1e-9);
        EXPECT_NEAR(o.highM, a.AntHeight + kRadius, 1e-9);
        // Counter-clockwise on the map (y grows southwards on the plan).
        double area2 = 0;
        for (std::size_t n = 0; n < o.ring.size(); ++n) {
            const auto [x0, y0] = o.ring[n];
            const auto [x1, y1] = o.ring[(n + 1) % o.ring.size()];
            area2 += x0 * (-y1) - x1 * (-y0);
        }
        EXPECT_NEAR(area2 / 2, std::numbers::pi * kRadius * kRadius, 0.01);
    }
    EXPECT_EQ(OutlineLabel(p, all[1]), "T2 A1, " + FormatFixed(16 - kRadius, 1) + "\u2013" +
                                           FormatFixed(16 + kRadius, 1) + " m");

    // On the plan: the dashes lie on the circle about each antenna's node
    // centre, labelled; the 4 m plane misses the higher sphere's cut.
    render::RecordingSurface s;
    DrawTraces(p, s, limits);
    int onFirst = 0, onSecond = 0;
    for (const auto& l : s.ofKind(render::Primitive::Kind::Line)) {
        const double d1 =
            std::hypot(l.x1 - 50.5 * p.CellSize, l.y1 - 30.5 * p.CellSize) * p.MetersPerUnit;
        const double d2 =
            std::hypot(l.x1 - 120.5 * p.CellSize, l.y1 - 70.5 * p.CellSize) * p.MetersPerUnit;
        onFirst += std::fabs(d1 - kRadius) < 2e-3;
        onSecond += std::fabs(d2 - kRadius) < 2e-3;
    }
    EXPECT_GT(onFirst, 20);
    EXPECT_GT(onSecond, 20);
    EXPECT_NE(s.findText(OutlineLabel(p, all[0])), nullptr);
    EXPECT_NE(s.findText(OutlineLabel(p, all[1])), nullptr);

    // The GeoJSON layer: one valid polygon per antenna, its attributes.
    brenvik::testing::TempDir dir;
    std::ofstream(dir.file("b.geojson")) << BoundariesGeoJson(p, all);
    GDALAllRegister();
    GDALDatasetUniquePtr ds(GDALDataset::Open(dir.file("b.geojson").c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(ds);
    OGRLayer* layer = ds->GetLayer(0);
    ASSERT_TRUE(layer);
    EXPECT_STREQ(layer->GetName(), "boundaries");
    std::vector<std::string> names;
    for (const auto& f : *layer) {
        const OGRGeometry* g = f->GetGeometryRef();
        ASSERT_TRUE(g);
        EXPECT_EQ(wkbFlatten(g->getGeometryType()), wkbPolygon);
        EXPECT_TRUE(g->IsValid());
        names.push_back(f->GetFieldAsString("antenna"));
        EXPECT_NEAR(f->GetFieldAsDouble("front_m"), kRadius, 1e-3);
        EXPECT_NEAR(f->GetFieldAsDouble("limit_w_m2"), kLimit, 1e-12);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"tower 1, antenna 1", "tower 2, antenna 1"}));
}

TEST(BoundaryOutline, TheWindowsCacheFollowsTheAntennasAndTheLimits) {
    Project p = TwoIsotropic();
    const Antenna& a = p.Antennas[1];
    const double xs = a.AntX * p.MetersPerUnit, ys = a.AntY * p.MetersPerUnit;
    const auto reach = [&](const std::vector<BoundaryOutline>& o) {
        return std::hypot(o.at(0).ring.at(0).first - xs, o.at(0).ring.at(0).second - ys);
    };
    OutlineCache cache;
    EXPECT_NEAR(reach(cache.outlines(p, {0, kLimit, kLimit})), kRadius, 1e-9);
    // Four times the power: twice the radius; a quarter of the limit: twice again.
    p.Antennas[1].AntPower = 4000;
    EXPECT_NEAR(reach(cache.outlines(p, {0, kLimit, kLimit})), 2 * kRadius, 1e-9);
    EXPECT_NEAR(reach(cache.outlines(p, {0, kLimit / 4, kLimit})), 4 * kRadius, 1e-9);
}
