#include "RenderTestUtil.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace brenvik::render {
namespace {

using namespace test;

TEST(NumericalGrid, LatticeForTwentyColumnsAndTheMaximumMark) {
    Project p;
    p.GridNX = 20;
    p.RecomputeDerived(); // CellSize 768, GridNY 13
    p.XY.Density.resize(p.GridNX, p.GridNY);
    p.XY.Calculated = true;
    p.XY.MaxDensity = 1.0;
    p.XY.Density(4, 6) = 0.25;
    p.XY.MaxPosY = Variant::integer(20000); // no mark
    RecordingSurface s;
    DrawNumericalGrid(p, s, Plane::XY);
    std::set<std::pair<double, double>> at;
    for (const auto& t : s.ofKind(Kind::Text))
        at.insert({t.x1, t.y1});
    std::set<std::pair<double, double>> expected;
    for (int i = 0; i <= 14; i += 2)
        for (int j = 2; j <= 12; j += 2)
            expected.insert({i * 768.0, j * 768.0});
    EXPECT_EQ(at, expected); // columns 0..14, rows 2..12 (row 14 is past GridNY)
    const Primitive* v = s.findText("0.2500 uW/cm^2");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::tuple(v->x1, v->y1, v->colour),
              std::tuple(4.0 * 768, 6.0 * 768, isolineColour(p.Display)));
    // The maximum mark with four decimals at the scene's font size.
    p = CalculatedProject();
    s = RecordingSurface();
    s.setFontSize(5);
    DrawNumericalGrid(p, s, Plane::XY);
    ASSERT_EQ(s.ofKind(Kind::Circle).size(), 1u);
    v = s.findText("10.0000 uW/cm^2");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::tuple(v->fontSize, v->colour), std::tuple(5.0, markColour(p.Display)));
}

std::vector<Primitive> dots(const RecordingSurface& s) {
    return where(s, [](const Primitive& c) { return c.kind == Kind::Circle && c.fill; });
}

TEST(Dots, WithoutJitterEveryDotSitsOnItsNodeFromTheChosenLevelUp) {
    Project p = CalculatedProject();
    p.Display.DotJitter = 0.0;
    p.XY.Density(7, 9) = 6.0;
    RecordingSurface s;
    DotRandom rnd;
    p.DisplayMode = ResultStyle::Dots;
    DrawDots(p, s, Plane::XY, rnd);
    const auto d = dots(s);
    ASSERT_EQ(d.size(), 2u); // levels 6 and 10; level 0 is below 15 %
    // Red: scheme 15 from level 5 up.
    EXPECT_EQ(std::tuple(d[0].x1, d[0].y1, d[0].radius, d[0].fill),
              std::tuple(7.0 * 153, 9.0 * 153, 30.0, std::optional(Rgb{255, 0, 0})));
    EXPECT_EQ(s.primitives[0].kind, Kind::Clear);

    // Two dots per node sit half a cell apart.
    Project two = CalculatedProject();
    two.Display.DotJitter = 0.0;
    two.Display.DotCount = 2;
    RecordingSurface s2;
    DrawDots(two, s2, Plane::XY, rnd);
    const auto d2 = dots(s2);
    ASSERT_EQ(d2.size(), 2u);
    EXPECT_EQ(std::tuple(d2[1].x1 - d2[0].x1, d2[1].y1 - d2[0].y1), std::tuple(76.5, 76.5));

    // Levels 2..9 and the maximum from the default 15 %, the maximum alone from 100 %.
    for (int l = 0; l <= 9; ++l)
        p.XY.Density(l, 5) = l + 0.5;
    RecordingSurface from15, from100;
    DrawDots(p, from15, Plane::XY, rnd);
    p.Display.DotFromPercent = 100;
    DrawDots(p, from100, Plane::XY, rnd);
    EXPECT_EQ(std::tuple(dots(from15).size(), dots(from100).size()), std::tuple(10u, 1u));
}

TEST(Dots, JitterStaysWithinHalfACellAndRepeatsFromTheSameStart) {
    Project p = CalculatedProject();
    p.Display.DotJitter = 1.0;
    p.XY.Density.fill(10.0);
    RecordingSurface a, b;
    DotRandom r1, r2;
    DrawDots(p, a, Plane::XY, r1);
    DrawDots(p, b, Plane::XY, r2);
    const auto da = dots(a), db = dots(b);
    ASSERT_FALSE(da.empty());
    ASSERT_EQ(da.size(), db.size());
    bool moved = false;
    for (std::size_t n = 0; n < da.size(); ++n) {
        EXPECT_EQ(da[n], db[n]);
        const double i = std::round(da[n].x1 / 153), j = std::round(da[n].y1 / 153);
        EXPECT_LE(std::abs(da[n].x1 - i * 153), 76.5);
        EXPECT_LE(std::abs(da[n].y1 - j * 153), 76.5);
        moved = moved || da[n].x1 != i * 153;
    }
    EXPECT_TRUE(moved);
    // The next redraw moves them.
    RecordingSurface c;
    DrawDots(p, c, Plane::XY, r1);
    EXPECT_NE(dots(c)[0], da[0]);

    // Skipped nodes still draw their random numbers: the same draws whatever
    // the data, so after one pass both generators agree.
    p.XY.Density = CalculatedProject().XY.Density;
    DotRandom r3, r4;
    RecordingSurface d, e;
    DrawDots(p, d, Plane::XY, r3);
    p.XY.Density.fill(0.0);
    DrawDots(p, e, Plane::XY, r4);
    EXPECT_EQ(r3.next(), r4.next());
}

TEST(Dots, ScaleBoxAndAllZeroResult) {
    Project p = CalculatedProject();
    p.XY.Density.fill(0.0);
    p.XY.MaxDensity = 0.0;
    p.Display.DotScheme = 4;
    RecordingSurface s;
    DotRandom rnd;
    DrawDots(p, s, Plane::XY, rnd);
    EXPECT_TRUE(dots(s).empty());
    const auto boxes = s.ofKind(Kind::Box);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(std::tuple(boxes[0].fill, boxes[0].y1),
              std::tuple(std::optional(Rgb{0, 255, 0}), 9600.0 - 200 - 255));
    EXPECT_NE(s.findText("0.0000 uW/cm^2"), nullptr);
}

} // namespace
} // namespace brenvik::render
