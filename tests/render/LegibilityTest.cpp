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
Project crowdedProject() {
    Project p = calculatedProject();
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

int overlappingTexts(const RecordingSurface& s) {
    const auto t = s.ofKind(Kind::Text);
    int n = 0;
    for (std::size_t a = 0; a < t.size(); ++a)
        for (std::size_t b = a + 1; b < t.size(); ++b)
            n += t[a].x1 < t[b].x2 && t[b].x1 < t[a].x2 && t[a].y1 < t[b].y2 && t[b].y1 < t[a].y2;
    return n;
}

TEST(Legibility, CrowdedLabelsGiveWayAndNoTwoTextsOverlap) {
    const Project p = crowdedProject();
    DotRandom rnd;
    RecordingSurface today;
    redrawView(p, today, rnd);
    ASSERT_GT(overlappingTexts(today), 0) << "the project is not crowded";

    RecordingSurface s;
    s.setLegibility(kScreen);
    redrawView(p, s, rnd);
    EXPECT_EQ(overlappingTexts(s), 0);
    // The first level keeps both labels; the tower number shows.
    const auto texts = s.texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "10.000 uW/cm^2"), 2);
    EXPECT_NE(s.findText("4"), nullptr);
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
        drawAntennas(p, s);
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

} // namespace
} // namespace brenvik::render
