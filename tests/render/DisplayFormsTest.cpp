#include "render/DisplayForms.h"

#include "RenderTestUtil.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>

namespace brenvik::render {
namespace {

TEST(DotColoursDialog, AcceptNormalisesRadiusAndPercent) {
    DisplaySettings d;
    EXPECT_FALSE(AcceptDotColours(d, "-0.5", "-250").has_value());
    EXPECT_EQ(std::tuple(d.DotRadius, d.DotFromPercent), std::tuple(1.0, 100.0));
    EXPECT_FALSE(AcceptDotColours(d, " 45 ", "12.5").has_value());
    EXPECT_EQ(std::tuple(d.DotRadius, d.DotFromPercent), std::tuple(45.0, 12.5));

    // A box that is not a number changes nothing.
    const DisplaySettings before = d;
    for (auto [radius, percent] : {std::pair{"abc", "20"}, {"40", ""}, {"40", "1e999"}})
        EXPECT_EQ(AcceptDotColours(d, radius, percent), "Input data error") << radius << percent;
    EXPECT_EQ(d, before);
    // The window's parser reads the user's locale.
    const NumberParser comma = [](const std::string& t) {
        return t == "2,5" ? std::optional<double>(2.5) : ParseNumberC(t);
    };
    EXPECT_FALSE(AcceptDotColours(d, "2,5", "30", comma).has_value());
    EXPECT_EQ(d.DotRadius, 2.5);
}

TEST(GridSizeDialog, SmallGridsBecomeThreeAndTheGridsFollow) {
    Project p;
    p.XY.Calculated = true;
    p.Display.MallaMode = SizeFormValue::GridSize;
    EXPECT_FALSE(AcceptSizeForm(p, "2").has_value());
    EXPECT_EQ(std::tuple(p.GridNX, p.CellSize, p.GridNY), std::tuple(3, 5120, 2));
    EXPECT_EQ(std::tuple(p.XY.Density.nx(), p.GroundGrid.ny()), std::tuple(3, 2));
    EXPECT_EQ(p.XY.Calculated, 0);

    EXPECT_EQ(AcceptGridSize(p, "20000"), "Input data error"); // cell size 0
    EXPECT_EQ(p.GridNX, 3);
    EXPECT_FALSE(AcceptGridSize(p, "20.5").has_value()); // halves to even
    EXPECT_EQ(p.GridNX, 20);
}

// The address sanitizer aborts on a failed allocation instead of throwing,
// and its shadow memory leaves no address-space limit to set: its build
// leaves these out.
#if !defined(__SANITIZE_ADDRESS__)
// Accepts the grid size with the process's address space held within `extra`
// bytes of what it uses now, so that a large allocation fails as it would on a
// machine short of memory; false when no limit can be set.
bool AcceptGridSizeCapped(Project& p, const char* typed, std::size_t extra,
                          std::optional<std::string>& answer) {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    rlimit old{};
    if (!(statm >> pages) || getrlimit(RLIMIT_AS, &old) != 0) return false;
    rlimit tight = old;
    tight.rlim_cur = std::min<rlim_t>(
        pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + extra, old.rlim_max);
    if (setrlimit(RLIMIT_AS, &tight) != 0) return false;
    answer = AcceptGridSize(p, typed);
    setrlimit(RLIMIT_AS, &old);
    return true;
}

TEST(GridSizeDialog, AGridTheMemoryCannotHoldOrCopyIsRefusedAndKeepsTheProject) {
    // 15000 columns need over a gigabyte for each grid; 2000 columns three
    // grids of 22 MB, which fit in 128 MB, but not twice more for the window.
    const struct {
        const char* typed;
        std::size_t extra;
        bool refused;
    } cases[] = {{"15000", std::size_t{256} << 20, true},
                 {"2000", std::size_t{128} << 20, true},
                 {"2000", std::size_t{1} << 30, false}};
    for (const auto& c : cases) {
        Project p = test::CalculatedProject();
        p.GroundGrid(5, 5) = 12.0;
        const Project before = p;
        std::optional<std::string> answer;
        ASSERT_TRUE(AcceptGridSizeCapped(p, c.typed, c.extra, answer))
            << "the address-space limit cannot be set";
        SCOPED_TRACE(std::string(c.typed) + " " + std::to_string(c.extra));
        EXPECT_EQ(answer, c.refused ? std::optional<std::string>("Input data error\nout of memory")
                                    : std::nullopt);
        EXPECT_EQ(p.XY.Calculated, c.refused ? 1 : 0);
        if (!c.refused) continue;
        EXPECT_EQ(std::tuple(p.GridNX, p.CellSize, p.GridNY), std::tuple(100, 153, 68));
        EXPECT_TRUE(p.XY.Density == before.XY.Density && p.GroundGrid == before.GroundGrid);
    }
}
#endif

TEST(IsolineCountDialog, NewCountEmptiesTheTablesAndRefusesBelowOneOrBeyondTheMachine) {
    Project p;
    p.Display.MallaMode = SizeFormValue::IsolineCount;
    p.XY.Isolines.append(3, 4, 5);
    p.XY.IsolinesAux.append(3, 4, 5);
    EXPECT_FALSE(AcceptSizeForm(p, "5").has_value());
    EXPECT_EQ(std::tuple(p.IsolineCount, p.XY.IsolineLevel.size(), p.XY.Isolines.levels(),
                         p.XY.Isolines.slotMax(), p.XY.Isolines.x(3, 1)),
              std::tuple(5, 6u, 5, 1, 0));
    for (const char* bad : {"0", "-3", "x"})
        EXPECT_EQ(AcceptSizeForm(p, bad), "Input data error") << bad;
    EXPECT_EQ(p.IsolineCount, 5);

    // A redraw after the change draws no isolines and does not fail.
    p.XY.Calculated = true;
    p.XY.MaxDensity = 1.0;
    RecordingSurface s;
    DotRandom rnd;
    redrawView(p, s, rnd);

    // A count no machine or disk could hold is refused beforehand.
    p = Project();
    p.XY.Isolines.setSlotMax(10'000'000'000); // slots of a result read from a file
    EXPECT_EQ(AcceptIsolineCount(p, "32767"), "Input data error");
    EXPECT_EQ(p.IsolineCount, 7);
    p.XY.Isolines.setSlotMax(1000);
    EXPECT_EQ(AcceptIsolineCount(p, "32767"), std::nullopt);

    // Saved with two lines per level and slot, the file would take 200 TB.
    p.XY.Isolines.setSlotMax(1'000'000'000);
    p.XY.Calculated = true;
    brenvik::testing::TempDir dir;
    brenvik::testing::Spit(dir.file("site.bvk"), "old");
    EXPECT_FALSE(SaveProjectFile(p, dir.file("site.bvk")));
    EXPECT_EQ(brenvik::testing::Slurp(dir.file("site.bvk")), "old");
    EXPECT_EQ(dir.entries(), 1);
}

} // namespace
} // namespace brenvik::render
