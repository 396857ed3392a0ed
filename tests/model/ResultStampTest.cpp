#include "model/ResultStamp.h"

#include "model/ProjectFile.h"

#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using namespace brenvik;

namespace {

// Two antennas on a calculated plan and section, with their ratio.
Project Stamped() {
    Project p;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.XY.Density = p.XY.Ratio = p.GroundGrid;
    p.XY.IsolineLevel.assign(8, 0.0);
    p.XY.Isolines.reset(7);
    p.XY.IsolinesAux.reset(7);
    p.Antennas.resize(4);
    p.AntennaCount = 2;
    for (Antenna& a : p.Antennas) {
        a.AntType = AntennaKind::Panel;
        a.AntPowerMode = PowerMode::Maximum;
        a.AntHeightUnit = HeightUnit::Metres;
    }
    p.Patterns = {{"used", "", "", 0, 0, 0, "", {{0}, {0}}, {{0}, {0}}},
                  {"spare", "", "", 0, 0, 0, "", {{0}, {0}}, {{0}, {0}}}};
    p.Antennas[1].AntPattern = "used";
    p.XY.Calculated = p.XZ.Calculated = true;
    StampResult(p, Plane::XY, true);
    StampResult(p, Plane::XZ, true);
    return p;
}

} // namespace

TEST(ResultStamp, WhichEditsPutTheDensityOrTheRatioOutOfDate) {
    using E = std::function<void(Project&)>;
    const struct {
        const char* edit;
        E apply;
        bool density, ratio;
    } cases[] = {
        {"nothing", [](Project&) {}, false, false},
        {"antenna moved", [](Project& p) { p.Antennas[2].AntY += 1; }, true, true},
        {"antenna added", [](Project& p) { p.AntennaCount = 3; }, true, true},
        {"pending slot", [](Project& p) { p.Antennas[3].AntPower = 9; }, false, false},
        {"used pattern", [](Project& p) { p.Patterns[0].GainDbi = 17; }, true, true},
        {"unused pattern", [](Project& p) { p.Patterns[1].GainDbi = 17; }, false, false},
        {"ground", [](Project& p) { p.GroundGrid(3, 4) = 2; }, true, true},
        {"open angle", [](Project& p) { p.OpenAngleDTS = 10; }, true, true},
        {"reflection", [](Project& p) { p.Exposure.ReflectionFactor = 2.56; }, true, true},
        {"view covered", [](Project& p) { p.XYCalcZoom = 2; }, true, true},
        {"zoom since", [](Project& p) { p.Zoom = 2; }, false, false},
        {"section row", [](Project& p) { p.XZPlaneRow = 5; }, false, false},
        {"standard", [](Project& p) { p.Compliance.Standard = "fcc"; }, false, true},
        {"frequency", [](Project& p) { p.Antennas[2].AntFrequencyMHz = 1800; }, false, true},
        {"frequency, far field",
         [](Project& p) {
             p.Exposure.Model = ExposureModel::FarField;
             StampResult(p, Plane::XY, true);
             p.Antennas[2].AntFrequencyMHz = 1800;
         },
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        Project p = Stamped();
        c.apply(p);
        EXPECT_EQ(ResultStale(p, Plane::XY), c.density);
        EXPECT_EQ(RatioCurrent(p, Plane::XY), !c.ratio);
    }
    Project p = Stamped();
    p.XZPlaneRow = 5;
    EXPECT_TRUE(ResultStale(p, Plane::XZ));
}

// A stored result opens as current as it was saved, without a ratio; a
// current one is written exactly as before stamps existed.
TEST(ResultStamp, AStoredResultOpensAsCurrentAsItWasSaved) {
    for (const bool stale : {false, true}) {
        Project p = Stamped();
        if (stale) p.Antennas[1].AntPower = 7;
        std::ostringstream out, again;
        ASSERT_TRUE(WriteProjectFile(p, out));
        EXPECT_EQ(out.str().find("result=out-of-date") != std::string::npos, stale);
        Project read;
        std::istringstream in(out.str());
        ASSERT_TRUE(ReadProjectFile(read, in));
        EXPECT_EQ(ResultStale(read, Plane::XY), stale);
        EXPECT_FALSE(RatioCurrent(read, Plane::XY) || read.XZ.Calculated);
        ASSERT_TRUE(WriteProjectFile(read, again));
        EXPECT_EQ(again.str(), out.str());
    }
}
