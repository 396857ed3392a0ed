// The isoline tables are weighed before they are made: a count of levels
// whose tables would not fit is refused.

#include "calc/GridCalc.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"
#include "model/MemoryBudget.h"

#include <gtest/gtest.h>

using namespace brenvik;

TEST(IsolineBudget, ACountTooLargeForTheMemoryFailsAndKeepsTheProject) {
    Project p;
    TowerBeginNew(p);
    p.Antennas[1].AntType = "alta";
    p.Antennas[1].AntHeight = 12;
    p.Antennas[1].AntPower = 1600;
    PlaceTower(p, 30 * p.CellSize, 30 * p.CellSize, 1.0);
    p.CalcOption = 1;
    ASSERT_TRUE(RunXYCalculation(p).ok());
    const std::int64_t slots = p.IsolinePointMax() + p.IsolineAuxMax();
    ASSERT_GT(slots, 0);

    // The limit at and just below what the 7 levels' layout needs; more
    // levels cross more slots and need more still.
    const std::uint64_t need = IsolineTableBytes(7, slots, 0);
    struct Case {
        int levels;
        std::uint64_t limit;
        bool done;
    };
    for (const Case& c : {Case{7, need, true}, Case{7, need - 1, false}, Case{2000, need, false}}) {
        SCOPED_TRACE(c.levels);
        Project q = p;
        q.IsolineCount = static_cast<std::int16_t>(c.levels);
        CalcControl ctl;
        ctl.memoryLimit = c.limit;
        const CalcOutcome r = RunXYCalculation(q, ctl);
        EXPECT_EQ(r.ok(), c.done);
        if (!c.done) {
            EXPECT_EQ(r.message, "Input data error");
            EXPECT_EQ(q.Isolines, p.Isolines) << "the project keeps its result";
        }
    }
}
