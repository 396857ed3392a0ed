#include "RenderTestUtil.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <gtest/gtest.h>

namespace brenvik::render {
namespace {

using namespace test;

// The readable sizes of a screen, on a recording at 15 units a pixel.
const Legibility kScreen{.minTextPixels = 8,
                         .maxTextPixels = 20,
                         .minSymbolPixels = 9,
                         .skipCrowdedLabels = true,
                         .towerNumbers = true};

// Ten levels whose crossings crowd one corner of a fine grid, a terrain step
// under them and a tower, all labelled on top of one another.
Project CrowdedProject() {
    Project p = CalculatedProject();
    p.XY.MaxDensity = 110.0;
    p.IsolineCount = 10;
    p.XY.IsolineLevel.assign(11, 0.0);
    p.XY.Isolines.reset(10);
    p.XY.IsolinesAux.reset(10);
    for (int k = 1; k <= 10; ++k) {
        p.XY.IsolineLevel[static_cast<std::size_t>(k)] = 10.0 * k;
        p.XY.Isolines.append(k, 20 + k, 30 - k);
        p.XY.Isolines.append(k, 21 + k, 31 + k);
    }
    for (int j = 0; j <= p.GridNY; ++j)
        for (int i = 0; i <= 24; ++i)
            p.GroundGrid(i, j) = 30.0;
    p.EnsureAntennaSlots(1);
    p.AntennaCount = 1;
    p.Antennas[1].AntTower = 4;
    p.Antennas[1].AntX = 22 * p.CellSize;
    p.Antennas[1].AntY = 34 * p.CellSize;
    return p;
}

int OverlappingTexts(const RecordingSurface& s) {
    const auto t = s.ofKind(Kind::Text);
    int n = 0;
    for (std::size_t a = 0; a < t.size(); ++a)
        for (std::size_t b = a + 1; b < t.size(); ++b)
            n += t[a].x1 < t[b].x2 && t[b].x1 < t[a].x2 && t[a].y1 < t[b].y2 && t[b].y1 < t[a].y2;
    return n;
}

TEST(Legibility, CrowdedLabelsGiveWayAndNoTwoTextsOverlap) {
    const Project p = CrowdedProject();
    DotRandom rnd;
    RecordingSurface today;
    redrawView(p, today, rnd);
    ASSERT_GT(OverlappingTexts(today), 0) << "the project is not crowded";

    RecordingSurface s;
    s.setLegibility(kScreen);
    redrawView(p, s, rnd);
    EXPECT_EQ(OverlappingTexts(s), 0);
    // The first level keeps both labels; the tower number shows.
    const auto texts = s.texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "10.000 uW/cm^2"), 2);
    EXPECT_NE(s.findText("4"), nullptr);
}

// A recording that shows only the map area, as a picture of the plan does.
struct MapAreaRecording : RecordingSurface {
    MapAreaRecording() { setVisibleBounds({0, 0, 15360, 9600}); }
};

// Labels of isolines crossing at the plan's left and right edges move inside,
// clear of the edges by a few pixels (15 units each), whole.
TEST(Legibility, LabelsAtThePlansEdgesMoveInsideWhole) {
    Project p = CalculatedProject();
    p.IsolineCount = 1;
    p.XY.IsolineLevel = {0, 5};
    p.XY.Isolines.reset(1);
    p.XY.IsolinesAux.reset(1);
    p.XY.Isolines.append(1, 0, 10);
    p.XY.Isolines.append(1, std::int16_t(p.GridNX), 40);
    MapAreaRecording s;
    s.setLegibility({.textsInside = true});
    DotRandom rnd;
    redrawView(p, s, rnd);
    int labels = 0;
    for (const Primitive& t : s.ofKind(Kind::Text))
        if (t.text == "5.000 uW/cm^2") {
            ++labels;
            EXPECT_GE(t.x1, 4 * 15.0);
            EXPECT_LE(t.x2, 15360 - 4 * 15.0);
        }
    EXPECT_EQ(labels, 2);
}

TEST(Legibility, AntennaSymbolKeepsItsSizeCentredOnTheTowerAtEveryGridSize) {
    for (int nx : {20, 100, 1000}) {
        Project p;
        p.GridNX = static_cast<std::int16_t>(nx);
        p.RecomputeDerived();
        p.GroundGrid = Grid2D<double>(p.GridNX, p.GridNY);
        p.EnsureAntennaSlots(2);
        p.AntennaCount = 2;
        for (Antenna& a : p.Antennas) // two antennas of tower 1 on one cell
            a.AntTower = 1, a.AntX = a.AntY = 5 * p.CellSize;
        RecordingSurface s;
        s.setLegibility(kScreen);
        DrawAntennas(p, s);
        const auto boxes = s.ofKind(Kind::Box);
        ASSERT_EQ(boxes.size(), 2u);
        const double centre = 5.5 * p.CellSize;
        EXPECT_DOUBLE_EQ((boxes[0].x1 + boxes[0].x2) / 2, centre) << nx;
        EXPECT_DOUBLE_EQ((boxes[0].y1 + boxes[0].y2) / 2, centre) << nx;
        EXPECT_GE(boxes[0].x2 - boxes[0].x1, 9 * 15.0 - 1e-9) << nx;
        ASSERT_EQ(s.texts(), std::vector<std::string>{"1"}) << nx;
        EXPECT_GT(s.ofKind(Kind::Text)[0].x1, boxes[0].x2) << nx;
    }
}

// The colour scale's rectangle and how much of the painted cells and of the
// legal notes it covers, in drawing units squared. On a black background the
// cells are filled in their outline colour, the scale's boxes are not.
struct ScaleCover {
    double x1 = 1e9, y1 = 1e9, x2 = -1e9, y2 = -1e9, cover = 0;
};

double Overlap(const Primitive& a, double x1, double y1, double x2, double y2) {
    const double w = std::min(a.x2, x2) - std::max(a.x1, x1);
    const double h = std::min(a.y2, y2) - std::max(a.y1, y1);
    return w > 0 && h > 0 ? w * h : 0;
}

ScaleCover CoverOf(const RecordingSurface& s) {
    ScaleCover c;
    for (const auto& b : s.ofKind(Kind::Box))
        if (b.fill && *b.fill != b.colour)
            c.x1 = std::min(c.x1, b.x1), c.y1 = std::min(c.y1, b.y1), c.x2 = std::max(c.x2, b.x2),
            c.y2 = std::max(c.y2, b.y2);
    for (const auto& t : s.ofKind(Kind::Text))
        if (t.text.find("uW/cm^2 =") == std::string::npos) c.x2 = std::max(c.x2, t.x2);
    for (const auto& b : s.ofKind(Kind::Box))
        if (b.fill && *b.fill == b.colour && b.colour != kBlack)
            c.cover += Overlap(b, c.x1, c.y1, c.x2, c.y2);
    for (const auto& t : s.ofKind(Kind::Text)) // the legal notes stay clear
        if (t.text.find("uW/cm^2 =") != std::string::npos)
            c.cover += Overlap(t, c.x1, c.y1, c.x2, c.y2);
    return c;
}

TEST(Legibility, TheColourScaleTakesTheCornerItHidesLeastIn) {
    // A strong result over the whole screen but one corner (or over one
    // corner only), at several zooms and scrolls: the scale covers no cell
    // whenever a corner is free of them.
    const double left = 0, right = 15360, top = kIconShapeHeight,
                 bottom = kShape2Top - kHScrollHeight;
    for (double zoom : {1.0, 2.0, 6.0})
        for (int corner = 0; corner < 4; ++corner)
            for (bool onlyThere : {false, true}) {
                Project p = CalculatedProject();
                p.Zoom = zoom;
                p.ScrollOffsetX = -(zoom - 1) * 15360 / 3;
                p.ScrollOffsetY = -(zoom - 1) * 9600 / 4;
                const double cx = corner % 2 ? right - 4500 : left,
                             cy = corner / 2 ? bottom - 2500 : top;
                const ResultTransform t = resultTransform(p);
                for (int i = 0; i <= p.GridNX; ++i)
                    for (int j = 0; j <= p.GridNY; ++j) {
                        const bool in = t.x(i) + t.side() > cx && t.x(i) < cx + 4500 &&
                                        t.y(j) + t.side() > cy && t.y(j) < cy + 2500;
                        p.XY.Density(i, j) = in == onlyThere ? 10.0 : 0.0;
                    }
                RecordingSurface s;
                s.setLegibility({.readableNotes = true, .scaleWhereFree = true});
                DrawGradient(p, s, Plane::XY);
                const ScaleCover c = CoverOf(s);
                EXPECT_EQ(c.cover, 0)
                    << zoom << " " << corner << " " << onlyThere << " at " << c.x1 << ", " << c.y1;
            }
}

TEST(Legibility, TheSectionsScaleLeavesAStrongResultAtTheTopLeftVisible) {
    for (const double x : {0.0, 12000.0}) {
        Project p = CalculatedProject();
        std::tie(p.XZ.Calculated, p.XZ.MaxDensity, p.CurrentPlane) = std::tuple(1, 10.0, Plane::XZ);
        const ResultTransform t = resultTransform(p);
        for (int i = 0; i <= p.GridNX; ++i)
            for (int j = 0; j <= p.GridNY; ++j) // a tall mast's beam at x
                p.XZ.Density(i, j) = t.x(i) >= x && t.x(i) < x + 3000 && t.y(j) < 2500 ? 10 : 0;
        RecordingSurface s;
        s.setLegibility({.scaleWhereFree = true});
        DrawGradient(p, s, Plane::XZ);
        EXPECT_EQ(CoverOf(s).cover, 0) << x;
    }
}

TEST(Legibility, TheDotsScaleLeavesAStrongBottomLeftCorner) {
    Project p = CalculatedProject();
    const ResultTransform t = resultTransform(p);
    for (int i = 0; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY; ++j)
            p.XY.Density(i, j) = t.x(i) < 4000 && t.y(j) > 7000 ? 10 : 0;
    RecordingSurface s;
    s.setLegibility({.scaleWhereFree = true});
    DotRandom rnd;
    DrawDots(p, s, Plane::XY, rnd);
    const auto boxes = s.ofKind(Kind::Box);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_GT(boxes[0].x1, 4000);
}

} // namespace
} // namespace brenvik::render
