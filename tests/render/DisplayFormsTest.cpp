#include "render/DisplayForms.h"

#include "RenderTestUtil.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace brenvik::render {
namespace {

TEST(DisplayCommands, RefusedWithoutAResultOnTheCurrentPlane) {
    Project p;
    p.XZCalculated = 1; // a section result does not help the plan
    for (auto style : {ResultStyle::Isolines, ResultStyle::Gradient, ResultStyle::NumericalGrid}) {
        const auto o = showResults(p, style);
        EXPECT_FALSE(o.accepted);
        EXPECT_EQ(o.message, "There is not a calculated electromagnetic pollution");
    }
    EXPECT_EQ(showResults(p, ResultStyle::Dots).message, "No calculated levels");
    EXPECT_EQ(p.DisplayMode, ResultStyle::Isolines);

    p.CurrentPlane = Plane::XZ;
    const auto o = showResults(p, ResultStyle::NumericalGrid);
    EXPECT_TRUE(o.accepted);
    EXPECT_TRUE(o.message.empty());
    EXPECT_EQ(p.DisplayMode, ResultStyle::NumericalGrid);
}

TEST(CalculationColours, OptionsStoreTheirColour) {
    DisplaySettings d;
    const auto opts = calcColourOptions();
    ASSERT_EQ(opts.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        if (std::string(opts[i].caption) == "Black") chooseIsolineColour(d, i);
        if (std::string(opts[i].caption) == "White") chooseMarkColour(d, i);
    }
    EXPECT_EQ(d.IsolineColour, kBlack);
    EXPECT_EQ(d.MarkColour, kWhite);
    EXPECT_EQ(calcColourOptionFor(kWhite), 1);
    EXPECT_EQ(calcColourOptionFor(Rgb{255, 0, 0}), 4);
    EXPECT_FALSE(calcColourOptionFor(fromColourValue(12345)).has_value());
    EXPECT_EQ(fromColourValue(65535), kYellow);
    EXPECT_EQ(colourValue(Rgb{0, 0, 255}), 16711680);
}

TEST(DotColoursDialog, AcceptNormalisesRadiusAndPercent) {
    DisplaySettings d;
    EXPECT_FALSE(acceptDotColours(d, "-0.5", "-250").has_value());
    EXPECT_EQ(d.DotRadius, 1.0);
    EXPECT_EQ(d.DotFromPercent, 100.0);
    EXPECT_FALSE(acceptDotColours(d, " 45 ", "12.5").has_value());
    EXPECT_EQ(d.DotRadius, 45.0);
    EXPECT_EQ(d.DotFromPercent, 12.5);

    // A box that is not a number changes nothing.
    const DisplaySettings before = d;
    EXPECT_EQ(acceptDotColours(d, "abc", "20"), "Input data error");
    EXPECT_EQ(acceptDotColours(d, "40", ""), "Input data error");
    EXPECT_EQ(acceptDotColours(d, "40", "1e999"), "Input data error");
    EXPECT_EQ(d, before);
    // The window's parser reads the user's locale.
    const NumberParser comma = [](const std::string& t) -> std::optional<double> {
        std::string c = t;
        for (auto& ch : c)
            if (ch == ',') ch = '.';
        return ParseNumberC(c);
    };
    EXPECT_FALSE(acceptDotColours(d, "2,5", "30", comma).has_value());
    EXPECT_EQ(d.DotRadius, 2.5);
}

TEST(GridSizeDialog, SmallGridsBecomeThreeAndTheGridsFollow) {
    Project p;
    p.XYCalculated = 1;
    p.Display.MallaMode = 0;
    EXPECT_EQ(mallaTexts(p).caption, "Grid size");
    EXPECT_EQ(mallaTexts(p).value, "100");
    EXPECT_FALSE(acceptMalla(p, "2").has_value());
    EXPECT_EQ(p.GridNX, 3);
    EXPECT_EQ(p.CellSize, 5120);
    EXPECT_EQ(p.GridNY, 2);
    EXPECT_EQ(p.DensityGrid.nx(), 3);
    EXPECT_EQ(p.GroundGrid.ny(), 2);
    EXPECT_EQ(p.XYCalculated, 0);

    EXPECT_EQ(acceptGridSize(p, "many"), "Input data error");
    EXPECT_EQ(acceptGridSize(p, "20000"), "Input data error"); // cell size 0
    EXPECT_EQ(p.GridNX, 3);
    EXPECT_FALSE(acceptGridSize(p, "20.5").has_value()); // halves to even
    EXPECT_EQ(p.GridNX, 20);
}

// Keeps the process's address space within `extra` bytes of what it uses now
// while it lives, so that a large allocation fails as it would on a machine
// short of memory.
class AddressSpaceCap {
  public:
    explicit AddressSpaceCap(std::size_t extra) {
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        active_ = (statm >> pages) && getrlimit(RLIMIT_AS, &old_) == 0;
        if (!active_) return;
        rlimit tight = old_;
        tight.rlim_cur = pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + extra;
        if (old_.rlim_max != RLIM_INFINITY && tight.rlim_cur > old_.rlim_max)
            tight.rlim_cur = old_.rlim_max;
        active_ = setrlimit(RLIMIT_AS, &tight) == 0;
    }
    ~AddressSpaceCap() {
        if (active_) setrlimit(RLIMIT_AS, &old_);
    }
    bool active() const { return active_; }

  private:
    rlimit old_{};
    bool active_ = false;
};

TEST(GridSizeDialog, AGridTooLargeForTheMemoryLeftKeepsTheProject) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer aborts on a failed allocation instead of throwing";
#endif
    Project p = test::calculatedProject();
    p.GroundGrid(5, 5) = 12.0;
    const Project before = p;
    std::optional<std::string> refused;
    {
        // 15000 columns: 15001 x 10313 nodes, over a gigabyte for each grid.
        AddressSpaceCap cap(std::size_t{256} << 20);
        if (!cap.active()) GTEST_SKIP() << "address-space limit not available";
        refused = acceptGridSize(p, "15000");
    }
    EXPECT_EQ(refused, "Input data error");
    EXPECT_EQ(p.GridNX, 100);
    EXPECT_EQ(p.CellSize, 153);
    EXPECT_EQ(p.GridNY, 68);
    EXPECT_TRUE(p.DensityGrid == before.DensityGrid);
    EXPECT_TRUE(p.GroundGrid == before.GroundGrid);
    EXPECT_EQ(p.XYCalculated, 1);
}

TEST(GridSizeDialog, AGridWithNoRoomForTheWindowsCopiesIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer aborts on a failed allocation instead of throwing";
#endif
    // 2000 columns: three grids of 22 MB fit in 128 MB, twice more do not.
    for (const auto& [extra, refused] :
         {std::pair{std::size_t{128} << 20, true}, std::pair{std::size_t{1} << 30, false}}) {
        Project p = test::calculatedProject();
        std::optional<std::string> answer;
        {
            AddressSpaceCap cap(extra);
            if (!cap.active()) GTEST_SKIP() << "address-space limit not available";
            answer = acceptGridSize(p, "2000");
        }
        EXPECT_EQ(answer.has_value(), refused) << extra;
        EXPECT_EQ(p.GridNX, refused ? 100 : 2000) << extra;
        EXPECT_EQ(p.XYCalculated, refused ? 1 : 0) << extra;
    }
}

TEST(IsolineCountDialog, NewCountEmptiesTheTablesAndRefusesBelowOne) {
    Project p;
    p.Display.MallaMode = 1;
    EXPECT_EQ(mallaTexts(p).label, "Introduce the number of isolines");
    EXPECT_EQ(mallaTexts(p).value, "7");
    p.Isolines.append(3, 4, 5);
    p.IsolinesAux.append(3, 4, 5);
    EXPECT_FALSE(acceptMalla(p, "5").has_value());
    EXPECT_EQ(p.IsolineCount, 5);
    EXPECT_EQ(p.IsolineLevel.size(), 6u);
    EXPECT_EQ(p.Isolines.levels(), 5);
    EXPECT_EQ(p.Isolines.slotMax(), 1);
    EXPECT_EQ(p.Isolines.x(3, 1), 0);
    EXPECT_EQ(acceptMalla(p, "0"), "Input data error");
    EXPECT_EQ(acceptMalla(p, "-3"), "Input data error");
    EXPECT_EQ(acceptMalla(p, "x"), "Input data error");
    EXPECT_EQ(p.IsolineCount, 5);

    // A redraw after the change draws no isolines and does not fail.
    p.XYCalculated = 1;
    p.MaxDensity = 1.0;
    RecordingSurface s;
    DotRandom rnd;
    redrawView(p, s, rnd);
}

TEST(IsolineCountDialog, ACountNoMachineOrDiskCouldHoldIsRefusedBeforehand) {
    Project p;
    p.Isolines.setSlotMax(10'000'000'000); // slots of a result read from a file
    EXPECT_EQ(acceptIsolineCount(p, "32767"), "Input data error");
    EXPECT_EQ(p.IsolineCount, 7);
    p.Isolines.setSlotMax(1000);
    EXPECT_EQ(acceptIsolineCount(p, "32767"), std::nullopt);

    // Saved with two lines per level and slot, the file would take 200 TB.
    p.Isolines.setSlotMax(1'000'000'000);
    p.XYCalculated = 1;
    brenvik::testing::TempDir dir;
    brenvik::testing::Spit(dir.file("site.bvk"), "old");
    EXPECT_FALSE(SaveProjectFile(p, dir.file("site.bvk")));
    EXPECT_EQ(brenvik::testing::Slurp(dir.file("site.bvk")), "old");
    EXPECT_EQ(dir.entries(), 1);
}

} // namespace
} // namespace brenvik::render
