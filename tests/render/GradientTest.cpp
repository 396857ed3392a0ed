#include "RenderTestUtil.h"
#include "render/Decorations.h"
#include "render/Dots.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace brenvik::render {
namespace {

using namespace test;

TEST(GradientLevels, LevelIsTheFloorOfTenthsOfTheMaximum) {
    // An all-zero result has no levels at all.
    const std::optional<int> none;
    for (auto [v, max, level] : {std::tuple{10.0, 10.0, std::optional(10)},
                                 {9.999, 10.0, std::optional(9)},
                                 {0.0, 10.0, std::optional(0)},
                                 {1.5, 3.0, std::optional(5)},
                                 {0.0, 0.0, none},
                                 {1.0, -1.0, none}})
        EXPECT_EQ(LevelOf(v, max), level) << v << " of " << max;
}

// The cells drawn at node (i, j) at 100 % with no offsets.
std::vector<Primitive> cell(const RecordingSurface& s, const Project& p, int i, int j) {
    return BoxesAt(s, double(i) * p.CellSize, double(j) * p.CellSize);
}

TEST(Gradient, WeakCellsGetAWhiteOutlineOnWhiteAndStrongCellsOneBox) {
    Project p = CalculatedProject();
    p.WhiteBackground = true;
    p.XY.Density(10, 10) = 5.0; // level 5
    p.XY.Density(11, 10) = 6.0; // level 6
    RecordingSurface s;
    DrawGradient(p, s, Plane::XY);

    const auto weak = cell(s, p, 10, 10);
    ASSERT_EQ(weak.size(), 2u);
    EXPECT_EQ(std::tuple(weak[0].fill, weak[0].colour, weak[1].colour),
              std::tuple(std::optional(Rgb{255, 255, 1}), Rgb{255, 255, 1}, kWhite));
    EXPECT_EQ(weak[1].x2 - weak[1].x1, p.CellSize);

    const auto strong = cell(s, p, 11, 10);
    ASSERT_EQ(strong.size(), 1u);
    EXPECT_EQ(std::tuple(strong[0].fill, strong[0].colour),
              std::tuple(std::optional(Rgb{255, 205, 0}), Rgb{255, 205, 0}));

    const auto top = cell(s, p, 50, 30);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].fill, (Rgb{255, 1, 0}));
}

TEST(Gradient, BackgroundPictureRaisesTheThresholdToLevelFive) {
    Project p = CalculatedProject();
    p.XY.Density(10, 10) = 4.9; // level 4
    p.XY.Density(11, 10) = 5.0; // level 5
    for (int loaded : {1, 0}) {
        p.BackgroundLoaded = static_cast<decltype(p.BackgroundLoaded)>(loaded);
        RecordingSurface s;
        DrawGradient(p, s, Plane::XY);
        const std::size_t below = loaded ? 0 : 1; // level 0 is painted, black on black
        EXPECT_EQ(std::tuple(cell(s, p, 10, 10).size(), cell(s, p, 0, 0).size(),
                             cell(s, p, 11, 10).size()),
                  std::tuple(below, below, 1u))
            << loaded;
        EXPECT_TRUE(loaded || cell(s, p, 0, 0).at(0).fill == kBlack);
    }
}

TEST(Gradient, NoCellInTheBottomStripNorForAZeroMaximum) {
    for (double v : {10.0, 0.0}) {
        Project p = CalculatedProject();
        p.XY.Density.fill(v);
        p.XY.MaxDensity = v;
        RecordingSurface s;
        DrawGradient(p, s, Plane::XY);
        // Rows whose top lies more than one cell above the bottom line are drawn.
        const int lastRow = (9600 - p.CellSize) / p.CellSize; // 61
        EXPECT_EQ(cell(s, p, 5, lastRow).empty(), v == 0.0);
        EXPECT_TRUE(cell(s, p, 5, lastRow + 1).empty());
        for (const auto& b : s.ofKind(Kind::Box))
            EXPECT_TRUE(b.x2 - b.x1 != p.CellSize ||
                        (v > 0 && (!b.fill || b.y1 <= 9600 - p.CellSize)));
    }
}

TEST(Gradient, CellsFollowTheZoomSinceTheCalculation) {
    Project p = CalculatedProject();
    p.XY.Density(4, 6) = 6.0;
    p.XYCalcZoom = 1.0;
    p.XYCalcOffsetX = 100;
    p.Zoom = 2.0;
    p.ScrollOffsetX = -500;
    RecordingSurface s;
    DrawGradient(p, s, Plane::XY);
    // k = 2: X = 2 × (4 × 153 + 100) − 500, side 306.
    const auto b = BoxesAt(s, 2 * (4 * 153 + 100) - 500, 2 * 6 * 153);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].x2 - b[0].x1, 306);
}

TEST(ColourScale, PlanValuesFromTheBottomBoxUpSectionValuesFromTheTop) {
    Project p = CalculatedProject();
    p.XY.MaxDensity = p.XZ.MaxDensity = 3.0;
    RecordingSurface s;
    DrawColourScale(p, s, Plane::XY);
    const auto texts = s.ofKind(Kind::Text);
    ASSERT_EQ(texts.size(), 4u);
    const char* values[] = {"3.000000 uW/cm^2", "2.000000 uW/cm^2", "1.500000 uW/cm^2",
                            "0.750000 uW/cm^2"};
    for (int n = 0; n < 4; ++n) // one above the other, white on the black background
        EXPECT_EQ(std::tuple(texts[n].text, texts[n].y1, texts[n].colour),
                  std::tuple(std::string(values[n]), 9600.0 - 200 * (n + 1) - 255, kWhite));
    const auto boxes = s.ofKind(Kind::Box);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(std::tuple(boxes[1].fill, boxes[1].colour),
              std::tuple(std::optional(Rgb{192, 0, 0}), kBlack));

    // The section's hang from the top with four decimals, in its own font size.
    p.WhiteBackground = true;
    RecordingSurface x;
    x.setFontSize(7);
    DrawColourScale(p, x, Plane::XZ);
    const auto xt = x.ofKind(Kind::Text);
    ASSERT_EQ(xt.size(), 4u);
    EXPECT_EQ(std::tuple(xt[0].text, xt[0].y1, xt[0].fontSize, xt[0].colour),
              std::tuple(std::string("3.0000 uW/cm^2"), 705.0 + 200, 7.0, kBlack));
    EXPECT_EQ(x.ofKind(Kind::Box)[1].fill, (Rgb{255, 128, 0}));
}

TEST(SafeColours, CellsScaleAndLegendTakeTheRampOnEitherBackground) {
    // Node values against a maximum of 10 and their levels, floor(10 d / M).
    const std::tuple<int, double, int> nodes[] = {{10, 0.5, 0}, {11, 1.0, 1}, {12, 4.9, 4},
                                                  {13, 5.0, 5}, {14, 6.7, 6}, {15, 9.99, 9}};
    for (bool white : {true, false}) {
        Project p = CalculatedProject();
        p.WhiteBackground = white;
        p.Display.Colours = ColourScheme::ColourBlindSafe;
        for (auto [i, d, level] : nodes)
            p.XY.Density(i, 10) = d;
        RecordingSurface s;
        DrawGradient(p, s, Plane::XY);
        for (auto [i, d, level] : nodes) {
            // One box per cell: no white grid hides the weak half of the ramp.
            const auto b = cell(s, p, i, 10);
            ASSERT_EQ(b.size(), 1u) << d;
            const Rgb want = level == 0 ? (white ? kWhite : kBlack) : DensityStep(level);
            EXPECT_EQ(std::tuple(b[0].fill, b[0].colour), std::tuple(std::optional(want), want))
                << d << (white ? " on white" : " on black");
        }
        // The scale's boxes (M, 2M/3, M/2, M/4) take the colours of cells of
        // their values: levels 10, 6, 5 and 2.
        RecordingSurface scale;
        DrawColourScale(p, scale, Plane::XY);
        const auto boxes = scale.ofKind(Kind::Box);
        ASSERT_EQ(boxes.size(), 4u);
        const int scaleLevels[] = {10, 6, 5, 2};
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(boxes[n].fill, DensityStep(scaleLevels[n])) << n;
        // The legend of the exported picture and the print shows those colours.
        p.DisplayMode = ResultStyle::Gradient;
        const auto legend = ResultLegend(p);
        ASSERT_EQ(legend.size(), 11u);
        for (int k = 1; k <= 10; ++k)
            EXPECT_EQ(legend[std::size_t(10 - k)].colour, DensityStep(k)) << k;
    }
    // Eleven levels, eleven colours.
    std::set<std::tuple<int, int, int>> distinct;
    for (int k = 0; k <= 10; ++k) {
        const Rgb c =
            LevelColour(DisplaySettings{.Colours = ColourScheme::ColourBlindSafe}, k, true);
        distinct.insert({c.r, c.g, c.b});
    }
    EXPECT_EQ(distinct.size(), 11u);
}

TEST(Gradient, SceneIsPaintedOverTheCells) {
    Project p = CalculatedProject();
    p.AntennaCount = 1;
    p.EnsureAntennaSlots(1);
    std::tie(p.Antennas[1].AntX, p.Antennas[1].AntY) = std::pair(50.0 * 153, 30.0 * 153);
    p.DisplayMode = ResultStyle::Gradient;
    RecordingSurface s;
    DotRandom rnd;
    redrawView(p, s, rnd);
    // The redraw paints the scene, then the gradient clears and paints the
    // cells and the scene again: the last clear comes before the first cell
    // under the antenna, the last antenna mark and legal note after it.
    const long cell = indexOf(s, [](const Primitive& q) {
        return q.kind == Kind::Box && q.fill && q.x1 == 50 * 153 && q.y1 == 30 * 153;
    });
    const long clear = indexOf(
        s, [](const Primitive& q) { return q.kind == Kind::Clear; }, true);
    const long antenna = indexOf(
        s,
        [&](const Primitive& q) {
            return q.kind == Kind::Box && !q.fill && q.colour == markColour(p.Display);
        },
        true);
    const long note = indexOf(
        s,
        [](const Primitive& q) {
            return q.kind == Kind::Text && q.text.rfind("450 uW/cm^2", 0) == 0;
        },
        true);
    ASSERT_GE(cell, 0);
    EXPECT_TRUE(clear < cell && antenna > cell && note > cell)
        << clear << " " << cell << " " << antenna << " " << note;
}

} // namespace
} // namespace brenvik::render
