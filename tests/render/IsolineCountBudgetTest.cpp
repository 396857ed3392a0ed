// A count of isolines whose tables no machine could hold, or whose file no
// disk could take, is refused before anything is allocated or written.

#include "model/ProjectFile.h"
#include "model/TempDir.h"
#include "render/DisplayForms.h"

#include <gtest/gtest.h>

using namespace brenvik;
using brenvik::testing::Slurp;
using brenvik::testing::Spit;
using brenvik::testing::TempDir;

TEST(IsolineCountBudget, RefusedBeforeAllocatingOrWriting) {
    Project p;
    p.Isolines.setSlotMax(10'000'000'000); // slots of a result read from a file
    EXPECT_EQ(render::acceptIsolineCount(p, "32767"), "Input data error");
    EXPECT_EQ(p.IsolineCount, 7);
    p.Isolines.setSlotMax(1000);
    EXPECT_EQ(render::acceptIsolineCount(p, "32767"), std::nullopt);

    // Saved with two lines per level and slot, the file would take 200 TB.
    p.Isolines.setSlotMax(1'000'000'000);
    p.XYCalculated = 1;
    TempDir dir;
    Spit(dir.file("site.bvk"), "old");
    EXPECT_FALSE(SaveProjectFile(p, dir.file("site.bvk")));
    EXPECT_EQ(Slurp(dir.file("site.bvk")), "old");
    EXPECT_EQ(dir.entries(), 1);
}
