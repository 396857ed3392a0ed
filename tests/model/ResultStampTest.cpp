#include "model/ResultStamp.h"

#include "model/ProjectFile.h"

#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using namespace brenvik;

namespace {

// Two antennas on a calculated plan and section, both with their ratio.
Project Stamped() {
    Project p;
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.Antennas.resize(4);
    p.AntennaCount = 2;
    p.Antennas[1].AntType = "alta";
    p.Antennas[1].AntX = 300;
    p.Antennas[2].AntType = "baja";
    p.Antennas[2].AntFrequencyMHz = 1800;
    p.Patterns.push_back({"used", "", "", 0, 0, 0, "", {}, {}});
    p.Patterns.push_back({"spare", "", "", 0, 0, 0, "", {}, {}});
    p.Antennas[1].AntPattern = "used";
    p.XYCalculated = p.XZCalculated = 1;
    for (Plane plane : {Plane::XY, Plane::XZ})
        StampResult(p, plane, true);
    return p;
}

} // namespace

TEST(ResultStamp, WhichEditsPutAResultOrItsRatioOutOfDate) {
    const struct {
        const char* edit;
        std::function<void(Project&)> apply;
        bool density, ratio; // the XY result's density / its ratio goes out of date
    } cases[] = {
        {"nothing", [](Project&) {}, false, false},
        {"antenna moved", [](Project& p) { p.Antennas[2].AntY += 1; }, true, true},
        {"antenna power", [](Project& p) { p.Antennas[1].AntPower = 5; }, true, true},
        {"beamwidth", [](Project& p) { p.Antennas[1].AntHBeamwidthDeg = 65; }, true, true},
        {"antenna added", [](Project& p) { p.AntennaCount = 3; }, true, true},
        {"pending slot", [](Project& p) { p.Antennas[3].AntPower = 9; }, false, false},
        {"used pattern", [](Project& p) { p.Patterns[0].GainDbi = 17; }, true, true},
        {"unused pattern", [](Project& p) { p.Patterns[1].GainDbi = 17; }, false, false},
        {"ground", [](Project& p) { p.GroundGrid(3, 4) = 2; }, true, true},
        {"grid size", [](Project& p) { p.GridNX = 120; }, true, true},
        {"height", [](Project& p) { p.CalcHeight = 1.5; }, true, true},
        {"open angle", [](Project& p) { p.OpenAngleDTS = 10; }, true, true},
        {"exposure model", [](Project& p) { p.Exposure.ReflectionFactor = 2.56; }, true, true},
        {"view covered", [](Project& p) { p.XYCalcZoom = 2; }, true, true},
        {"zoom after", [](Project& p) { p.Zoom = 2; }, false, false},
        {"section row", [](Project& p) { p.XZPlaneRow = 5; }, false, false},
        {"standard", [](Project& p) { p.Compliance.Standard = "fcc"; }, false, true},
        {"population", [](Project& p) { p.Compliance.Group = Population::Occupational; }, false,
         true},
        {"frequency", [](Project& p) { p.Antennas[2].AntFrequencyMHz = 900; }, false, true},
        {"frequency, far field",
         [](Project& p) {
             p.Exposure.Model = ExposureModel::FarField;
             StampResult(p, Plane::XY, true);
             p.Antennas[2].AntFrequencyMHz = 900;
         },
         true, true},
        {"site name", [](Project& p) { p.Compliance.SiteName = "roof"; }, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        Project p = Stamped();
        p.RatioGrid.resize(p.GridNX, p.GridNY);
        p.DensityGrid.resize(p.GridNX, p.GridNY);
        c.apply(p);
        EXPECT_EQ(ResultStale(p, Plane::XY), c.density);
        EXPECT_EQ(RatioCurrent(p, Plane::XY), !c.ratio);
    }
    // The section follows its own row; without a result nothing is stale.
    Project p = Stamped();
    p.XZPlaneRow = 5;
    EXPECT_TRUE(ResultStale(p, Plane::XZ));
    p.XZCalculated = 0;
    EXPECT_FALSE(ResultStale(p, Plane::XZ) || ResultCurrent(p, Plane::XZ));
}

// A stored result opens as current as it was saved, and without a ratio; a
// current one is written exactly as without stamps.
TEST(ResultStamp, AStoredResultOpensAsCurrentAsItWasSaved) {
    for (const bool stale : {false, true}) {
        SCOPED_TRACE(stale);
        Project p = Stamped();
        p.DensityGrid.resize(p.GridNX, p.GridNY);
        p.IsolineLevel.assign(8, 0.0);
        p.Isolines.reset(7);
        p.IsolinesAux.reset(7);
        for (int k : {1, 2}) {
            p.Antennas[k].AntHeightUnit = " ";
            p.Antennas[k].AntPowerMode = "maxima";
            p.Antennas[k].AntFrequencyMHz = 900;
        }
        StampResult(p, Plane::XY, true);
        if (stale) p.Antennas[1].AntPower = 7;
        std::ostringstream out;
        ASSERT_TRUE(WriteProjectFile(p, out));
        EXPECT_EQ(out.str().find("brenvik-extension") != std::string::npos, stale);
        Project read;
        std::istringstream in(out.str());
        ASSERT_TRUE(ReadProjectFile(read, in));
        EXPECT_EQ(ResultStale(read, Plane::XY), stale);
        EXPECT_FALSE(RatioCurrent(read, Plane::XY) || ResultCurrent(read, Plane::XZ));
        // Saved again, it says the same.
        std::ostringstream again;
        ASSERT_TRUE(WriteProjectFile(read, again));
        EXPECT_EQ(again.str(), out.str());
    }
}
