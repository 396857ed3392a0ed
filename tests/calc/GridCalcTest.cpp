#include "calc/GridCalc.h"

#include "calc/CalcForms.h"
#include "calc/CalcTestSupport.h"
#include "calc/Ground.h"
#include "calc/PowerDensity.h"
#include "calc/TowerForms.h"
#include "model/MemoryBudget.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;
using calctest::AddTower;
using calctest::Control;

namespace {

// Four towers of mixed types on stepped ground.
Project Site() {
    Project p;
    AddTower(p, 30, 30, AntennaKind::Panel, 12, 15, 90);
    AddTower(p, 60, 20, AntennaKind::Stick, 20, 0, 0, 300);
    AddTower(p, 45, 50, AntennaKind::Panel, 9, -5, 225);
    AddTower(p, 75, 40, AntennaKind::Panel, 25, 6, 333);
    p.ContourHeight = 6;
    FillGroundRect(p, 40, 10, 70, 35);
    p.ContourHeight = 14;
    FillGroundRect(p, 20, 45, 55, 60);
    p.CalcOption = CalcLevel::AtSurface;
    return p;
}

void ExpectClose(const Grid2D<double>& a, const Grid2D<double>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k)
        ASSERT_NEAR(a.data()[k], b.data()[k], 1e-12 * std::fabs(b.data()[k])) << "node " << k;
}

} // namespace

TEST(XYCalculation, SameGridWhateverTheThreadCountLoopOrLegacyPasses) {
    // Five times finer than Site(), so that the passes over the finished grid
    // are shared among the threads too.
    Project fine = Site();
    fine.GridNX = 500;
    fine.RecomputeDerived();
    fine.GroundGrid.resize(fine.GridNX, fine.GridNY);
    fine.ContourHeight = 6;
    FillGroundRect(fine, 200, 50, 350, 175);
    fine.IsolineCount = 12;
    Project p1 = fine, p2 = fine, p3 = fine;
    CalcControl three = Control(3, false, {0, 1.0 / 450, 1.0 / 900, 1.0 / 1000, 1.0 / 450});
    ASSERT_TRUE(RunXYCalculation(p1, Control(1)).ok());
    ASSERT_TRUE(RunXYCalculation(p2, Control(2)).ok());
    ASSERT_TRUE(RunXYCalculation(p3, three).ok());
    // The ratio leaves the density's bits alone.
    EXPECT_TRUE(p1.XY.Density == p2.XY.Density && p1.XY.Density == p3.XY.Density &&
                p1.XY.Isolines == p3.XY.Isolines && p1.XY.IsolinesAux == p2.XY.IsolinesAux &&
                p1.XY.MaxPosX == p3.XY.MaxPosX && p1.XY.Ratio == Grid2D<double>{});
    three.threads = 1;
    ASSERT_TRUE(RunXYCalculation(p1, three).ok());
    EXPECT_EQ(p1.XY.Ratio, p3.XY.Ratio);
    EXPECT_EQ(std::tuple(p1.XY.Calculated, p1.CalcAntennaCount), std::tuple(1, 4));
    // The vector loops against the plain one, and three legacy passes that
    // average to the same grid, on a plane and on the surface.
    for (int option : {0, 1}) {
        Project fast = Site();
        fast.CalcOption = static_cast<CalcLevel>(option);
        fast.CalcHeight = option ? 0.0 : 3.0;
        Project ref = fast, legacy = fast;
        legacy.LegacySourceCount = 3;
        ASSERT_TRUE(RunXYCalculation(fast, Control(2)).ok());
        ASSERT_TRUE(RunXYCalculation(ref, Control(1, true)).ok());
        ASSERT_TRUE(RunXYCalculation(legacy).ok());
        ExpectClose(fast.XY.Density, ref.XY.Density);
        ExpectClose(legacy.XY.Density, fast.XY.Density);
    }
}

// Each node receives the antennas one by one in their order, however the
// threads and the groups of columns share the work: the grid equals, to the
// bit, the sum in that order of the grids of each antenna alone (the others
// at no power, which adds exactly 0), in both models.
TEST(XYCalculation, NodesSumTheAntennasInTheirOrder) {
    for (ExposureModel model : {ExposureModel::Specified, ExposureModel::FarField}) {
        Project full = Site();
        full.GridNX = 300;
        full.RecomputeDerived();
        full.GroundGrid.resize(full.GridNX, full.GridNY);
        full.Exposure.Model = model;
        ASSERT_TRUE(RunXYCalculation(full, Control(2)).ok());
        Grid2D<double> sum(full.GridNX, full.GridNY);
        for (int k = 1; k <= full.AntennaCount; ++k) {
            Project alone = full;
            for (int s = 1; s <= alone.AntennaCount; ++s)
                if (s != k) alone.Antennas[static_cast<std::size_t>(s)].AntPower = 0.0;
            ASSERT_TRUE(RunXYCalculation(alone, Control(2)).ok());
            for (std::size_t n = 0; n < sum.size(); ++n)
                sum.data()[n] += alone.XY.Density.data()[n];
        }
        EXPECT_EQ(full.XY.Density, sum) << "model " << static_cast<int>(model);
    }
}

// The exposure ratio of two antennas (900 and 1800 MHz, limits 450 and 900
// uW/cm^2) is the sum of each one's own run divided by its limit, on the plan
// and on the section; a wrong-sized limit list fails and changes nothing.
TEST(ExposureRatio, SumOfEachAntennaOverItsLimit) {
    const auto site = [](double power1, double power2) {
        Project p;
        AddTower(p, 30, 30, AntennaKind::Panel, 12, 5, 90, power1);
        AddTower(p, 60, 35, AntennaKind::Stick, 15, 0, 0, power2);
        p.Antennas[2].AntFrequencyMHz = 1800;
        p.CalcOption = CalcLevel::AtSurface;
        EXPECT_FALSE(XZDialogAccept(p, "40"));
        return p;
    };
    const CalcControl ratio = Control(0, false, {0.0, 1.0 / 450, 1.0 / 900});
    for (auto [run, plane] :
         {std::pair{&RunXYCalculation, Plane::XY}, {&RunXZCalculation, Plane::XZ}}) {
        Project both = site(1600, 300), first = site(1600, 0), second = site(0, 300);
        ASSERT_TRUE(run(both, ratio).ok());
        ASSERT_TRUE(run(first, {}).ok());
        ASSERT_TRUE(run(second, {}).ok());
        const Grid2D<double>& r = both.Result(plane).Ratio;
        ASSERT_EQ(r.size(), both.Result(plane).Density.size());
        double top = 0.0;
        for (std::size_t k = 0; k < r.size(); ++k) {
            const double expected = first.Result(plane).Density.data()[k] / 450 +
                                    second.Result(plane).Density.data()[k] / 900;
            ASSERT_NEAR(r.data()[k], expected, 1e-12 * expected) << "node " << k;
            top = std::max(top, expected);
        }
        EXPECT_GT(top, 0.0);

        const Project before = both;
        CalcControl wrong = ratio;
        wrong.inverseLimit.pop_back();
        EXPECT_EQ(run(both, wrong).message, "Input data error");
        wrong.inverseLimit = {0.0, 1.0 / 450, -1.0};
        EXPECT_EQ(run(both, wrong).message, "Input data error");
        EXPECT_EQ(both.Result(plane).Ratio, before.Result(plane).Ratio);
        // Without limits the ratio of the earlier run goes with it.
        ASSERT_TRUE(run(both, {}).ok());
        EXPECT_EQ(both.Result(plane).Ratio, Grid2D<double>{});
    }
}

TEST(XYCalculation, NodeValuesFollowTheGroundModel) {
    Project p = Site();
    ASSERT_TRUE(RunXYCalculation(p, Control(2, true)).ok());
    // Node (50, 20) stands on the 6 m step; the first tower's foot on flat
    // ground, the second's on the step. Every receptor sits on its own ground.
    const double x = 50 * 153 * p.MetersPerUnit, y = 20 * 153 * p.MetersPerUnit;
    double expected = 0.0;
    const double feet[] = {0.0, 6.0, 14.0, 0.0};
    for (int s = 1; s <= 4; ++s) {
        const AntennaModel m = AntennaModel::From(p.Antennas[s], p);
        expected += Contribution(m, x, y, p.Antennas[s].AntHeight + feet[s - 1] - 6.0, 0.0);
    }
    EXPECT_DOUBLE_EQ(p.XY.Density(50, 20), expected);
    EXPECT_EQ(p.GridXm[50], x);
    // The node under a tower gets nothing from it: only the others reach it.
    Project one;
    AddTower(one, 30, 30, AntennaKind::Stick, 12, 0, 0);
    ASSERT_TRUE(RunXYCalculation(one).ok());
    EXPECT_EQ(one.XY.Density(30, 30), 0.0);
    EXPECT_GT(one.XY.Density(31, 30), 0.0);
    EXPECT_EQ(one.XY.Density(0, 5), 0.0); // row 0 and column 0 are never evaluated
}

TEST(XYCalculation, AnAntennaOnAStepWorksAsATallerOneOnAPlane) {
    // A 12 m antenna on a 20 m step works like a 32 m one on flat ground.
    Project onStep, tall;
    AddTower(onStep, 50, 30, AntennaKind::Panel, 12, 5, 90);
    AddTower(tall, 50, 30, AntennaKind::Panel, 32, 5, 90);
    onStep.ContourHeight = 20;
    FillGroundRect(onStep, 45, 25, 55, 35);
    onStep.CalcOption = tall.CalcOption = CalcLevel::AtHeight;
    onStep.CalcHeight = tall.CalcHeight = 25;
    ASSERT_TRUE(RunXYCalculation(onStep).ok());
    ASSERT_TRUE(RunXYCalculation(tall).ok());
    EXPECT_EQ(onStep.XY.Density, tall.XY.Density);
    // A 15 m plane lies under the step, not under the flat ground beside it.
    onStep.CalcHeight = 15;
    ASSERT_TRUE(RunXYCalculation(onStep).ok());
    EXPECT_EQ(std::tuple(onStep.XY.Density(51, 30) == 0.0, onStep.XY.Density(60, 30) > 0.0),
              std::tuple(true, true));
}

TEST(XYCalculation, ReceptorGroundIsReadFromItsOwnCell) {
    // At 250 m across and 50 columns, column 15's metres divided by the cell's
    // metres fall a hair below 15; the ground must still come from column 15.
    Project p;
    p.PlanWidthM = 250;
    p.GridNX = 50;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    AddTower(p, 5, 10, AntennaKind::Stick, 30, 0, 0);
    p.ContourHeight = 25;
    FillGroundRect(p, 15, 0, 15, p.GridNY);
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 20;
    ASSERT_TRUE(RunXYCalculation(p).ok());
    EXPECT_EQ(p.XY.Density(15, 10), 0.0);
    EXPECT_GT(std::min(p.XY.Density(14, 10), p.XY.Density(16, 10)), 0.0);
    EXPECT_EQ(GroundAtMetres(p, p.GridXm[15], p.GridYm[10]), 25.0);
}

TEST(XYCalculation, ZoomedAndScrolledViewSamplesThePlanFiner) {
    Project plain = Site(), zoomed = Site();
    ASSERT_TRUE(RunXYCalculation(plain).ok());
    // At 200 % scrolled 10 cells to the right, node (2i, 2j) stands where node
    // (i + 5, j) stands at 100 %, ground included.
    zoomed.Zoom = 2;
    zoomed.ScrollOffsetX = -10 * 153;
    ASSERT_TRUE(RunXYCalculation(zoomed).ok());
    EXPECT_EQ(std::tuple(zoomed.XYCalcZoom, zoomed.XYCalcOffsetX), std::tuple(2.0, 10.0 * 153));
    for (auto [i, j] : {std::pair{10, 10}, {20, 25}, {45, 30}, {30, 17}})
        EXPECT_EQ(zoomed.XY.Density(2 * i, 2 * j), plain.XY.Density(i + 5, j)) << i << "," << j;
}

TEST(XYCalculation, MaximumTiesGoToTheFirstNodeInScanOrder) {
    // A stick at ground level: the field falls off with distance alone, so the
    // four nearest nodes share the maximum exactly.
    Project p;
    AddTower(p, 50, 30, AntennaKind::Stick, 0, 0, 0);
    ASSERT_TRUE(RunXYCalculation(p).ok());
    int ties = 0, firstI = -1, firstJ = -1;
    for (int i = 0; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY; ++j)
            if (p.XY.Density(i, j) == p.XY.MaxDensity && ties++ == 0) firstI = i, firstJ = j;
    ASSERT_EQ(std::tuple(ties, firstI), std::tuple(4, 49));
    EXPECT_EQ(std::tuple(p.XY.MaxPosX, p.XY.MaxPosY, p.XY.MinDensity),
              std::tuple(Variant::real(p.GridXm[firstI] / p.MetersPerUnit),
                         Variant::integer(std::lrint(p.GridYm[firstJ] / p.MetersPerUnit)), 0.0));
}

TEST(XYCalculation, IsolineLevelsAndCrossings) {
    Project p = Site();
    p.IsolineCount = 5;
    ASSERT_TRUE(RunXYCalculation(p).ok());
    ASSERT_EQ(p.XY.IsolineLevel.size(), 6u);
    for (int k = 1; k <= 5; ++k)
        EXPECT_DOUBLE_EQ(p.XY.IsolineLevel[k], k * p.XY.MaxDensity / 5);
    EXPECT_TRUE(p.XY.Isolines.row(5).empty() &&
                p.XY.IsolinesAux.row(5).empty()); // nothing exceeds the top level
    // The slot counter runs over all levels together, and every recorded cell
    // straddles its level.
    std::int64_t lastSlot = 0;
    for (int k = 1; k <= 4; ++k) {
        const double L = p.XY.IsolineLevel[k];
        EXPECT_FALSE(p.XY.Isolines.row(k).empty());
        for (const auto& e : p.XY.Isolines.row(k)) {
            EXPECT_GT(e.slot, lastSlot);
            lastSlot = e.slot;
            const double a = p.XY.Density(e.x, e.y), b = p.XY.Density(e.x, e.y + 1);
            EXPECT_TRUE((a < L && L < b) || (a > L && L > b));
        }
        const auto& aux = p.XY.IsolinesAux.row(k); // scanned row by row
        for (std::size_t q = 0; q < aux.size(); ++q) {
            const auto& e = aux[q];
            EXPECT_LT((p.XY.Density(e.x, e.y) - L) * (p.XY.Density(e.x + 1, e.y) - L), 0);
            if (q) {
                EXPECT_LT(std::tuple(aux[q - 1].y, aux[q - 1].x), std::tuple(e.y, e.x));
            }
        }
    }
    EXPECT_EQ(p.XY.IsolinePointMax(), lastSlot);
}

TEST(XYCalculation, CancelOrFailureLeavesThePreviousResult) {
    Project p = Site();
    ASSERT_TRUE(RunXYCalculation(p).ok());
    const Project before = p;
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 2;

    CalcControl stopAtOnce;
    int calls = 0;
    stopAtOnce.progress = [&](const CalcProgress&) { return ++calls < 2; };
    EXPECT_EQ(RunXYCalculation(p, stopAtOnce).status, CalcStatus::Cancelled);
    Feedback canceled;
    canceled.cancel();
    CalcControl flagged;
    flagged.feedback = &canceled;
    EXPECT_EQ(RunXYCalculation(p, flagged).status, CalcStatus::Cancelled);

    // A view scrolled off the ground grid: the node lookups fall outside it.
    p.ScrollOffsetX = 5000;
    const CalcOutcome off = RunXYCalculation(p);
    EXPECT_EQ(off.status, CalcStatus::Failed);
    EXPECT_EQ(off.message, "Input data error");
    p.ScrollOffsetX = 0;
    // An absurd power overflows to infinity: refused, not stored.
    p.Antennas[1].AntPower = 1e308;
    EXPECT_EQ(RunXYCalculation(p).message, "Input data error");

    EXPECT_TRUE(p.XY.Density == before.XY.Density && p.XY.MaxDensity == before.XY.MaxDensity &&
                p.XY.Isolines == before.XY.Isolines &&
                p.XY.IsolineLevel == before.XY.IsolineLevel && p.GridXm == before.GridXm &&
                p.XY.Calculated);
}

TEST(XYCalculation, ProgressCountsWithoutCallingPerNode) {
    Project p = Site();
    std::vector<CalcProgress> seen;
    CalcControl c;
    c.progress = [&](const CalcProgress& g) {
        seen.push_back(g);
        return true;
    };
    ASSERT_TRUE(RunXYCalculation(p, c).ok());
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.size(), 680u); // far fewer than one call per node
    EXPECT_EQ(std::tuple(seen.front().antenna, seen.back().antennaCount), std::tuple(1, 4));
    EXPECT_EQ(RunningLabel5(seen.back()), "Running 6800 of 6969 calculation points");
    EXPECT_EQ(RunningLabel4(seen.back()), "Running 4 of 4 pollution sources");
    // The window shows the same totals before the first report.
    const CalcProgress start = InitialProgress(Site());
    EXPECT_EQ(RunningLabel5(start), "Running 0 of 6969 calculation points");
    EXPECT_EQ(std::tuple(start.antennaCount, start.passCount),
              std::tuple(seen.front().antennaCount, seen.front().passCount));
}

TEST(XYCalculation, LargeGridCalculates) {
    Project p;
    p.GridNX = 2000;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    ASSERT_EQ(p.GridNY, 1375);
    AddTower(p, 700, 500, AntennaKind::Panel, 12, 3, 135);
    AddTower(p, 1300, 900, AntennaKind::Stick, 15, 0, 0);
    p.IsolineCount = 40;
    ASSERT_TRUE(RunXYCalculation(p).ok());
    // Slots beyond an int16 counter; the far corner computed.
    EXPECT_TRUE(p.XY.IsolinePointMax() > 32767 && p.XY.Density(1999, 1370) > 0.0);
}

TEST(XYCalculation, DialogRules) {
    Project p;
    EXPECT_EQ(XYCalcRefusal(p), "Introduce, at least, a pollutant source");
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 7;
    CalForm f = CalFormLoad(p);
    EXPECT_EQ(std::tuple(f.option1, f.text1), std::tuple(false, std::string("7")));
    const std::optional<std::string> ok, bad = "Input data error";
    for (auto [text, answer, height] :
         {std::tuple{"10.7", ok, 10.0}, {"-0.5", ok, -1.0}, {"ten", bad, -1.0}}) {
        f.text1 = text;
        EXPECT_EQ(CalFormAccept(p, f), answer) << text;
        EXPECT_EQ(p.CalcHeight, height) << text;
        EXPECT_TRUE(height != 10.0 || HeightLabelText(p) == "h=10 m");
    }
    CalFormOption1(p, f);
    EXPECT_EQ(std::tuple(p.CalcOption, p.CalcHeight, f.text1, f.text1Enabled),
              std::tuple(CalcLevel::AtSurface, 0.0, std::string("0"), false));
}

TEST(XYCalculation, IsolineTablesTooLargeForTheMemoryFailAndKeepTheProject) {
    Project p;
    AddTower(p, 30, 30, AntennaKind::Panel, 12, 15, 90);
    p.CalcOption = CalcLevel::AtSurface;
    ASSERT_TRUE(RunXYCalculation(p).ok());
    const std::int64_t slots = p.XY.IsolinePointMax() + p.XY.IsolineAuxMax();
    ASSERT_GT(slots, 0);
    // The limit at and just below what the 7 levels' layout needs; more
    // levels cross more slots and need more still.
    const std::uint64_t need = IsolineTableBytes(7, slots, 0);
    for (auto [levels, limit, done] :
         {std::tuple{7, need, true}, {7, need - 1, false}, {2000, need, false}}) {
        Project q = p;
        q.IsolineCount = static_cast<std::int16_t>(levels);
        CalcControl ctl;
        ctl.memoryLimit = limit;
        const CalcOutcome r = RunXYCalculation(q, ctl);
        EXPECT_EQ(r.ok(), done) << levels << " " << limit;
        if (!done) {
            EXPECT_EQ(r.message, "Input data error");
            EXPECT_EQ(q.XY.Isolines, p.XY.Isolines) << "the project keeps its result";
        }
    }
}

// ---- XZ section ------------------------------------------------------------------------

TEST(XZCalculation, DialogBoundsAndPreconditions) {
    Project p;
    AddTower(p, 50, 30, AntennaKind::Panel, 12, 5, 180);
    EXPECT_DOUBLE_EQ(XZDialogDistance(p), 9345 * p.MetersPerUnit / 2);
    EXPECT_EQ(FormatFixed2C(p.XZDistance), "45.63");
    const double planHeight = 68 * 153 * p.MetersPerUnit;
    for (const std::string& far :
         {std::string("0"), std::string("-3"), FormatNumberC(planHeight + 0.01)})
        EXPECT_EQ(XZDialogAccept(p, far), "Distance not allowed") << far;
    // Accepted by the dialog, but the plane's row lies below the grid.
    ASSERT_EQ(XZDialogAccept(p, FormatNumberC(planHeight)), std::nullopt);
    ASSERT_LT(p.XZPlaneRow, 0);
    EXPECT_EQ(RunXZCalculation(p).message, "Input data error");
    EXPECT_EQ(p.XZ.Calculated, 0);
    EXPECT_EQ(XZDialogAccept(p, "45.63"), std::nullopt);
    EXPECT_EQ(std::tuple(p.XZPlaneRow, p.CurrentPlane), std::tuple(31, Plane::XZ));

    EXPECT_EQ(XZViewRefusal(p), std::nullopt);
    p.Zoom = 2;
    EXPECT_EQ(XZViewRefusal(p), "It is needed a Zoom value of 100%");
    p.Zoom = 1;
    p.XYCalcZoom = 3;
    EXPECT_EQ(XZViewRefusal(p), "It is needed a Zoom value in the XY-Plane of 100%");
}

TEST(XZCalculation, RowsShiftGroundAndThreads) {
    Project p;
    AddTower(p, 50, 25, AntennaKind::Panel, 12, 5, 180);
    AddTower(p, 20, 40, AntennaKind::Stick, 20, 0, 0, 300);
    ASSERT_FALSE(XZDialogAccept(p, "45.63"));
    const int row = static_cast<int>(p.XZPlaneRow), off = p.XZRowOffset, ny = p.GridNY;
    ASSERT_EQ(off, 7);
    // The ground under column 40 equals the height of row 5: that node is zeroed.
    p.ContourHeight = 5 * 153 * p.MetersPerUnit;
    FillGroundRect(p, 40, row, 40, row);
    p.CalcOption = CalcLevel::AtSurface;
    p.CalcHeight = 0;
    // One and three threads agree to the bit, density, ratio and isolines; the
    // vector loops with the plain one that the hand values check.
    Project one = p, three = p;
    const std::vector<double> inverse{0.0, 1.0 / 450, 1.0 / 1000};
    const CalcControl c1 = Control(1, false, inverse), c3 = Control(3, false, inverse);
    ASSERT_TRUE(RunXZCalculation(p, Control(2, true)).ok());
    ASSERT_TRUE(RunXZCalculation(one, c1).ok() && RunXZCalculation(three, c3).ok());
    EXPECT_TRUE(one.XZ.Density == three.XZ.Density && one.XZ.Ratio == three.XZ.Ratio &&
                one.XZ.Isolines == three.XZ.Isolines);
    ExpectClose(one.XZ.Density, p.XZ.Density);
    EXPECT_EQ(std::tuple(p.CalcOption, p.XZ.Calculated),
              std::tuple(CalcLevel::AtSurface, true)); // option left as the XY dialog had it

    const double yPlane = row * 153 * p.MetersPerUnit;
    const auto expected = [&](int i, int j) {
        double sum = 0.0;
        for (int s = 1; s <= 2; ++s) {
            const AntennaModel m = AntennaModel::From(p.Antennas[s], p);
            sum += Contribution(m, i * 153 * p.MetersPerUnit, yPlane, p.Antennas[s].AntHeight,
                                j * 153 * p.MetersPerUnit);
        }
        return sum;
    };
    for (int i : {1, 33, 50, 77, 100})
        for (int j : {1, 4, 8, 20, ny - off}) {
            const int stored = ny - j - off - 2; // two rows towards row 0
            if (stored < 0) continue;
            EXPECT_DOUBLE_EQ(p.XZ.Density(i, stored), expected(i, j)) << i << "," << j;
        }
    // Column 0 is computed but not moved.
    EXPECT_DOUBLE_EQ(p.XZ.Density(0, ny - 8 - off), expected(0, 8));
    // Ground equal to the receptor's height zeroes it; the row above is kept.
    EXPECT_EQ(p.XZ.Density(40, ny - 5 - off - 2), 0.0);
    EXPECT_GT(p.XZ.Density(40, ny - 6 - off - 2), 0.0);
    // Row 0 (height row j = 0) is on the ground everywhere.
    EXPECT_EQ(p.XZ.Density(10, ny - off - 2), 0.0);
    EXPECT_GT(p.XZ.MaxDensity, 0.0);
}
