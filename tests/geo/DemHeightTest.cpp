#include "geo/DemHeight.h"

#include "model/DrawingArea.h"

#include <cmath>
#include <gtest/gtest.h>
#include <proj.h>

using namespace brenvik;

TEST(DemBilinear, BetweenPixelCentresAndAtTheEdge) {
    DemWindow w;
    w.Width = 3;
    w.Height = 2;
    w.Heights = {10, 20, 40, 30, 50, 60};
    const struct {
        double col, row;
        std::optional<double> h;
    } cases[] = {
        {0, 0, 10},           {0.5, 0, 15},     {1.5, 0.5, 42.5}, // (20+40)/2, (50+60)/2
        {0.25, 0.75, 29.375}, // 12.5 * 0.25 + 35 * 0.75
        {-0.4, 0, 10},        {2.4, 1.4, 60},   {1, -0.5, 20},    // the outer half pixel
        {-0.6, 0, {}},        {0, 1.6, {}},     {NAN, 0, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(geo::DemBilinear(w, c.col, c.row), c.h) << c.col << ", " << c.row;
    w.Heights.pop_back();
    EXPECT_FALSE(geo::DemBilinear(w, 0, 0));
}

// A window in longitude/latitude whose heights rise 2 m a column and 3 m a
// row: any point of the plan reads 2 fc + 3 fr at its pixel position, worked
// out here from the plan's formula.
TEST(DemHeightAt, PlanPointsOnTheWindowAndWhereTheGridRules) {
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* ll = proj_create(ctx, "EPSG:4326");
    const char* const options[] = {"MULTILINE=NO", nullptr};
    const std::string wkt = proj_as_wkt(ctx, ll, PJ_WKT2_2019, options);
    proj_destroy(ll);
    proj_context_destroy(ctx);

    Project p;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.OriginLon = -3.5;
    p.OriginLat = 40.25;
    EXPECT_FALSE(geo::DemHeightAt(p, 10, 10)); // no window
    DemWindow w;
    w.Width = 40;
    w.Height = 30;
    w.Transform = {-3.5005, 5e-5, 0, 40.2515, 0, -5e-5};
    w.CrsWkt = wkt;
    for (int r = 0; r < w.Height; ++r)
        for (int c = 0; c < w.Width; ++c)
            w.Heights.push_back(2.0 * c + 3.0 * r);
    p.Dem = w;

    const double k = 57.2956, phi = 40.25 / k, a = p.EllipsoidA, b = p.EllipsoidB;
    const double D = std::hypot(a * std::cos(phi), b * std::sin(phi));
    const double Lx = a * a / D * std::cos(phi) / k, Ly = a * a * b * b / (D * D * D) / k;
    const double top = (area::IconShapeTop - area::HScrollHeight) * p.MetersPerUnit;
    const double step = p.CellSize * p.MetersPerUnit;
    for (const auto& [xm, ym] : {std::pair{0.0, 0.0}, {17.3, 42.9}, {80.0, 5.5}, {11.0, 60.0}}) {
        const double fc = (-3.5 + xm / Lx + 3.5005) / 5e-5 - 0.5;
        const double fr = (40.25 + (top - ym) / Ly - 40.2515) / -5e-5 - 0.5;
        const auto h = geo::DemHeightAt(p, xm, ym);
        ASSERT_TRUE(h) << xm << ", " << ym;
        EXPECT_NEAR(*h, 2 * fc + 3 * fr, 1e-9) << xm << ", " << ym;
    }
    // Off the ground grid the grid's rule holds, and so where the window
    // does not reach or its CRS cannot be read.
    EXPECT_FALSE(geo::DemHeightAt(p, -0.01, 5));
    EXPECT_FALSE(geo::DemHeightAt(p, 5, p.GroundGrid.ny() * step + 0.01));
    Project moved = p;
    moved.OriginLon += 0.01;
    EXPECT_FALSE(geo::DemHeightAt(moved, 5, 5));
    // A copy shares the conversion made for its CRS; one whose CRS changed
    // makes its own and leaves the first as it was.
    Project garbled = p;
    garbled.Dem->CrsWkt = "PROJCRS[nonsense]";
    EXPECT_FALSE(geo::DemHeightAt(garbled, 5, 5));
    EXPECT_TRUE(geo::DemHeightAt(p, 5, 5));
}
