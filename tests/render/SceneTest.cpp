#include "render/Scene.h"

#include "RenderTestUtil.h"
#include "render/Dots.h"

#include <gtest/gtest.h>
#include <tuple>

namespace brenvik::render {
namespace {

using namespace test;

std::vector<Primitive> GreenLines(const RecordingSurface& s) {
    return where(s, [](const Primitive& q) { return q.kind == Kind::Line && q.colour == kGreen; });
}

TEST(PlanScene, SectionLineAndLabelOnlyWithASectionResult) {
    Project p;
    p.XZPlaneRow = 20;
    RecordingSurface before;
    EXPECT_FALSE(DrawPlanScene(p, before).cortez.has_value());
    EXPECT_EQ(before.findText("corte de plano XZ"), nullptr);

    p.XZ.Calculated = true;
    RecordingSurface after;
    const auto ctl = DrawPlanScene(p, after);
    ASSERT_TRUE(ctl.cortez.has_value());
    EXPECT_EQ(ctl.cortez->y1, 20 * 153);
    const Primitive* label = after.findText("corte de plano XZ");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(std::tuple(label->y1, label->colour), std::tuple(20.0 * 153, kYellow));
    EXPECT_TRUE(HasLine(after, 0, 20 * 153, 15360, 20 * 153));
    // The section line follows the zoom and the scrolling, as the plan does.
    p.Zoom = 2.0;
    p.ScrollOffsetY = -500;
    EXPECT_EQ(DrawPlanScene(p, after).cortez->y1, 2 * 20 * 153 - 500);
}

TEST(PlanScene, TopographicDashesOnEveryEdgeBetweenDifferentHeights) {
    Project p;
    p.GroundGrid(10, 20) = 25.0; // one raised node
    RecordingSurface s;
    DrawTopography(p, s);
    const double c = 153, t = c / 3;
    // Above and below the node (edges to (10,19) and (10,21)), left and right of it.
    for (double y : {20 * c, 21 * c})
        EXPECT_TRUE(HasLine(s, 10 * c + t, y, 11 * c - t, y)) << y;
    for (double x : {10 * c, 11 * c})
        EXPECT_TRUE(HasLine(s, x, 20 * c + t, x, 21 * c - t)) << x;
    EXPECT_EQ(GreenLines(s).size(), 4u);

    // At 200 % and scrolled the dashes double in length.
    p.Zoom = 2.0;
    p.ScrollOffsetX = -1000;
    p.ScrollOffsetY = -300;
    RecordingSurface zoomed;
    DrawTopography(p, zoomed);
    EXPECT_TRUE(HasLine(zoomed, (10 * c + t) * 2 - 1000, 20 * c * 2 - 300, (11 * c - t) * 2 - 1000,
                        20 * c * 2 - 300));

    // Row 63 starts at 9639, past the bottom line 9600: no horizontal dash on
    // its edges, the vertical ones remain.
    Project bottom;
    bottom.GroundGrid(5, 63) = 10.0;
    RecordingSurface b;
    DrawTopography(bottom, b);
    for (const auto& l : GreenLines(b))
        EXPECT_FALSE(l.y1 == l.y2 && l.y1 == 63 * 153.0);
    EXPECT_TRUE(HasLine(b, 5 * 153.0, 63 * 153 + 51.0, 5 * 153.0, 64 * 153 - 51.0));
}

TEST(PlanScene, HeightLabelsWhereTheGroundDropsAlongTheMiddleRow) {
    Project p;
    const int m = p.GridNY / 2; // 34
    for (int i = 0; i <= 12; ++i)
        p.GroundGrid(i, m) = 25.0;
    p.GroundGrid(3, m + 1) = 7.5; // another row: no label
    RecordingSurface s;
    DrawTopography(p, s);
    const auto texts = s.ofKind(Kind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(std::tuple(texts[0].text, texts[0].x1, texts[0].y1),
              std::tuple(std::string("25 m"), 13.0 * 153, m * 153.0));

    // On a seven-row grid the middle row is row 3.
    Project seven;
    seven.GridNY = 7;
    seven.GroundGrid(4, 3) = 2.5;
    RecordingSurface s7;
    DrawTopography(seven, s7);
    ASSERT_NE(s7.findText("2.5 m"), nullptr);
    EXPECT_EQ(s7.findText("2.5 m")->y1, 3 * 153);
}

TEST(PlanScene, AntennaPlacedAtAnotherZoomIsAVisiblePurpleAndScaled) {
    Project p;
    p.AntennaCount = 2;
    p.EnsureAntennaSlots(2);
    // The first placed at 100 %, now seen at 200 %; the second placed at 200 %.
    for (auto [k, x, y, factor] : {std::tuple{1, 1530, 3060, 1.0}, {2, 306, 306, 2.0}})
        p.Antennas[k].AntX = x, p.Antennas[k].AntY = y, p.Antennas[k].AntFactor = factor;
    p.Zoom = 2.0;
    p.ScrollOffsetX = -100;
    RecordingSurface s;
    DrawAntennas(p, s);
    const auto boxes = s.ofKind(Kind::Box);
    ASSERT_EQ(boxes.size(), 2u);
    // r = 2: centre a + 153, half side 76.5.
    EXPECT_EQ(std::tuple(boxes[0].colour, boxes[0].x1, boxes[0].x2, boxes[0].y1,
                         boxes[0].fill.has_value()),
              std::tuple(Rgb{255, 128, 255}, 1530 * 2 - 100 + 153 - 76.5,
                         1530 * 2 - 100 + 153 + 76.5, 3060 * 2 + 153 - 76.5, false));
    // Placed at the current zoom: the mark colour, r = 1.
    EXPECT_EQ(boxes[1].colour, markColour(p.Display));
    EXPECT_DOUBLE_EQ(boxes[1].x2 - boxes[1].x1, 76.5);
    // On white paper the dark purple reads well.
    p.WhiteBackground = true;
    RecordingSurface w;
    DrawAntennas(p, w);
    EXPECT_EQ(w.ofKind(Kind::Box)[0].colour, kPurple);
}

TEST(PlanScene, AntennaBetweenNodesIsDrawnWhereItStands) {
    Project p;
    p.AntennaCount = 1;
    p.EnsureAntennaSlots(1);
    Antenna& a = p.Antennas[1];
    a.AntX = 1530, a.AntY = 3060;
    // 7 m east and 3 m north of its node.
    PlanPosition at = PlanPositionAt(p, a.AntX, a.AntY);
    at.East += 7, at.North += 3;
    SetExactPosition(p, a, at);
    ASSERT_TRUE(a.AntExact);
    RecordingSurface s;
    DrawAntennas(p, s);
    const auto boxes = s.ofKind(Kind::Box);
    ASSERT_EQ(boxes.size(), 1u);
    const double u = 1.0 / p.MetersPerUnit, half = p.CellSize / 2;
    // The plan draws in whole drawing units (a fifteenth of a pixel).
    EXPECT_NEAR((boxes[0].x1 + boxes[0].x2) / 2, 1530 + 7 * u + half, 0.5 + 1e-9);
    EXPECT_NEAR((boxes[0].y1 + boxes[0].y2) / 2, 3060 - 3 * u + half, 0.5 + 1e-9);
}

TEST(PlanScene, GridLinesAtTwoHundredPercentAreTwiceAsFarApart) {
    Project p;
    p.Zoom = 2.0;
    p.ScrollOffsetX = -200;
    p.ScrollOffsetY = -400;
    RecordingSurface s;
    drawGridLines(p, s);
    const auto lines = s.ofKind(Kind::Line);
    ASSERT_EQ(lines.size(), 19u); // nine vertical, ten horizontal
    const double w = 2 * 1536;
    for (int i = 1; i <= 9; ++i) {
        EXPECT_DOUBLE_EQ(lines[i - 1].x1, i * w - 200);
        EXPECT_DOUBLE_EQ(lines[i - 1].y2, 9600);
    }
    for (int i = 1; i <= 10; ++i) {
        const auto& l = lines[8 + i];
        EXPECT_EQ(std::tuple(l.y1, l.x2, l.colour),
                  std::tuple(9600 * 2 - 400 - 255 * 2 - i * w, 15360 * 2.0, kOlive));
    }
}

TEST(Redraw, ClearsThenSceneThenResultsOfTheCurrentPlane) {
    Project p = CalculatedProject();
    p.XY.IsolineLevel = {0, 5, 10};
    p.IsolineCount = 2;
    RecordingSurface s;
    DotRandom rnd;
    const auto ctl = redrawView(p, s, rnd);
    ASSERT_FALSE(s.primitives.empty());
    EXPECT_EQ(s.primitives[0].kind, Kind::Clear);
    EXPECT_TRUE(ctl.geoLinesVisible);
    // Isolines: the maximum mark after the notes.
    const long note = indexOf(s, [](const Primitive& q) { return q.kind == Kind::Text; });
    const long mark = indexOf(s, [](const Primitive& q) { return q.kind == Kind::Circle; });
    EXPECT_GT(mark, note);

    // Without a result on the plane only the scene is drawn.
    p.CurrentPlane = Plane::XZ;
    RecordingSurface section;
    const auto sctl = redrawView(p, section, rnd);
    EXPECT_FALSE(sctl.geoLinesVisible || sctl.scrollBarsVisible);
    EXPECT_TRUE(section.ofKind(Kind::Circle).empty());
}

TEST(SectionScene, PlaneLineOnlyForAResultAtAGivenHeight) {
    Project p = CalculatedProject();
    p.CalcHeight = 15.0; // 1536 units at 150 m over 15360
    for (int option : {0, 1}) {
        p.CalcOption = static_cast<CalcLevel>(option);
        RecordingSurface s;
        const auto ctl = DrawSectionScene(p, s);
        ASSERT_EQ(ctl.cortexy.has_value(), option == 0);
        EXPECT_EQ(s.findText("corte de plano XY") != nullptr, option == 0);
        if (!ctl.cortexy) continue;
        EXPECT_DOUBLE_EQ(ctl.cortexy->y1, 9600 - 153 - 1536 - 255);
    }
}

TEST(SectionScene, GroundBandAndReliefColumns) {
    Project p;
    p.XZPlaneRow = 10;
    const double cellM = 153 * p.MetersPerUnit; // 1.494 m
    p.GroundGrid(7, 10) = 3.5 * cellM;          // three whole cells
    RecordingSurface s;
    DrawSectionScene(p, s);
    const int base = p.GridNY - p.XZRowOffset - 1;
    int column7 = 0, column8 = 0;
    for (const auto& b : s.ofKind(Kind::Box)) {
        if (b.colour != kGreen) continue;
        EXPECT_EQ(b.fill, kGreen);
        if (b.x1 == 7 * 153) ++column7;
        if (b.x1 == 8 * 153) ++column8;
    }
    EXPECT_EQ(std::tuple(column8, column7), std::tuple(p.GridNY - base + 1, column8 + 3));
}

} // namespace
} // namespace brenvik::render
