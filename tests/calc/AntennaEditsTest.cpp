#include "calc/AntennaEdits.h"

#include <gtest/gtest.h>

namespace brenvik {
namespace {

// Four antennas at x = 100; the third differs in direction only, the fourth
// stands at x = 200; the second was placed at 200 %.
Project FourAntennas() {
    Project p;
    p.EnsureAntennaSlots(4);
    p.AntennaCount = 4;
    for (int k = 1; k <= 4; ++k) {
        p.Antennas[k].AntX = 100;
        p.Antennas[k].AntY = 50;
        p.Antennas[k].AntFactor = 1.0;
        p.Antennas[k].AntTower = 1;
    }
    p.Antennas[3].AntDirection = 180;
    p.Antennas[4].AntX = 200;
    return p;
}

TEST(AntennaEdits, DuplicatesGoAndDistinctRecordsStayInOrder) {
    Project p = FourAntennas();
    p.Antennas[4].AntX = 100; // now equal to the first
    const std::size_t bound = p.Antennas.size();
    RemoveDuplicateAntennas(p);
    ASSERT_EQ(p.AntennaCount, 2);
    EXPECT_EQ(p.Antennas[1].AntDirection, 0);
    EXPECT_EQ(p.Antennas[2].AntDirection, 180);
    EXPECT_EQ(p.Antennas.size(), bound);
}

TEST(AntennaEdits, EraseTakesEveryRecordOnTheSpotAtTheCurrentZoom) {
    struct Case {
        double zoom, x;
        int removed;
        double firstLeftX;
    } cases[] = {
        {1.0, 100, 3, 200}, // all three at x = 100; the later record moves down
        {1.0, 300, 0, 100}, // nothing there
        {2.0, 100, 0, 100}, // placed at another zoom
    };
    for (const Case& c : cases) {
        Project p = FourAntennas();
        p.Zoom = c.zoom;
        const std::size_t bound = p.Antennas.size();
        EXPECT_EQ(EraseAntennasAt(p, c.x, 50), c.removed) << c.x << " " << c.zoom;
        EXPECT_EQ(p.AntennaCount, 4 - c.removed);
        EXPECT_EQ(p.Antennas[1].AntX, c.firstLeftX);
        EXPECT_EQ(p.Antennas.size(), bound);
    }
}

} // namespace
} // namespace brenvik
