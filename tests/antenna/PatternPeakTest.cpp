#include "antenna/BeamCuts.h"
#include "antenna/Pattern.h"
#include "model/Project.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace brenvik::antenna {
namespace {

constexpr double Pi = std::numbers::pi;

// A wide horizontal beam over a deep back null: H loses 10 dB at the sides
// and 42 dB behind, V 10 dB straight down and 20 dB behind and above. The
// two cuts disagree so much that their combination rises above the peak.
AntennaPattern WideOverNull() {
    AntennaPattern p;
    p.Name = "WIDE";
    p.Horizontal = {{0, 90, 180, 270}, {0, 10, 42, 10}};
    p.Vertical = {{0, 90, 180, 270}, {0, 10, 20, 20}};
    return p;
}

TEST(PatternPeak, NoDirectionGainsAboveThePeak) {
    const AntennaPattern m = WideOverNull();
    // G = G_H(phi) - [(1 - a)(G_H(0) - G_V(theta)) + a (G_H(180) - G_V(180 - theta))], a =
    // |phi|/180, at most 0 dB.
    struct Case {
        double phi, theta, db;
    } cases[] = {
        {0, 0, 0},      {0, 45, -5},
        {180, 0, -20},  {90, 90, 0}, // -10 - [0.5 (0 + 10) + 0.5 (-42 + 10)] = +1
        {90, 0, 0},                  // -10 - [0 + 0.5 (-42 + 20)] = +1
        {-90, 0, 0},                 // the same on the left
        {45, 0, 0},                  // -5 - [0 + 0.25 (-42 + 20)] = +0.5
        {90, -90, -9},               // -10 - [0.5 (0 + 20) + 0.5 (-42 + 20)]
        {135, 0, -9.5},              // -26 - [0 + 0.75 (-42 + 20)]
    };
    for (const Case& c : cases)
        EXPECT_NEAR(PatternGainDb(m, c.phi, c.theta), c.db, 1e-12) << c.phi << "," << c.theta;
    for (int phi = -180; phi <= 180; phi += 3)
        for (int theta = -90; theta <= 90; theta += 3)
            ASSERT_LE(PatternGainDb(m, phi, theta), 0.0) << phi << "," << theta;
}

TEST(PatternPeak, BoundariesStayWithinTheIsotropicExtent) {
    const AntennaPattern m = WideOverNull();
    for (const double tilt : {0.0, 8.0}) {
        // r_iso = sqrt(RF 1.64 P / (4 pi S_L)): 1000 W, RF 2.56, S_L 4.5 W/m^2.
        const double rIso = std::sqrt(2.56 * 1.64 * 1000 / (4 * Pi * 4.5));
        const BoundaryExtent b = ComplianceBoundary({&m, {}}, 1000, 2.56, 4.5, tilt);
        for (const double d : {b.front, b.back, b.side, b.above, b.below})
            EXPECT_LE(d, rIso * (1 + 1e-12)) << tilt;
        // Boresight and the sides are at the peak (the sum there is clamped).
        EXPECT_NEAR(b.side, rIso, 1e-9) << tilt;
        if (tilt == 0.0) {
            EXPECT_NEAR(b.front, rIso, 1e-12);
        }
    }
}

// A cut whose loss is `floor + 2 (angle / half)^2` (at most 30 dB) every
// degree: 3 dB below the file's gain at +-half when floor is 1 dB.
std::string Cut(const char* key, double floor, double half) {
    std::string s = std::string(key) + " 360\n";
    for (int k = 0; k < 360; ++k) {
        const double a = k <= 180 ? k : k - 360;
        s += std::to_string(k) + " " +
             std::to_string(std::min(30.0, floor + 2 * (a / half) * (a / half))) + "\n";
    }
    return s;
}

TEST(PatternPeak, HalfPowerWidthsAreTheFilesStatedOnes) {
    // Both cuts stay 1 dB under the file's gain; counted from each cut's own
    // minimum the widths would come out 131 and 44 degrees.
    const PatternRead r = ParsePattern("NAME W107\nH_WIDTH 107\nV_WIDTH 36\n" +
                                       Cut("HORIZONTAL", 1, 53.5) + Cut("VERTICAL", 1, 18));
    ASSERT_TRUE(r.pattern) << r.error;
    const Beam b{&*r.pattern, {}};
    EXPECT_NEAR(HorizontalCut(b).beamwidthDeg, 107, 0.1);
    EXPECT_NEAR(VerticalCut(b, 0).beamwidthDeg, 36, 0.1);
    EXPECT_NEAR(VerticalCut(b, 6).beamwidthDeg, 36, 0.1);
    // A cut that never comes within 3 dB of the gain has no half-power width.
    EXPECT_EQ(HalfPowerWidth({0, 90, 180, 270}, {-4, -10, -10, -10}, 0.0), 0.0);
    EXPECT_NEAR(HalfPowerWidth({0, 90, 180, 270}, {-4, -10, -10, -10}), 90, 1e-9);
    ASSERT_EQ(r.warnings.size(), 2u);
    EXPECT_EQ(r.warnings[0],
              "line 4: HORIZONTAL cut: the smallest loss is 1 dB, not 0 dB; its gains stay "
              "relative to the file's GAIN");
}

TEST(PatternPeak, WarningsOfAPatternAndOfTheAntennasUsingIt) {
    AntennaPattern q = WideOverNull();
    q.Vertical.Loss = {0.5, 10, 20, 20};
    q.FrequencyMHz = 1842.5;
    EXPECT_EQ(PatternWarnings(q),
              std::vector<std::string>{"VERTICAL cut: the smallest loss is 0.5 dB, not 0 dB; its "
                                       "gains stay relative to the file's GAIN"});
    struct Case {
        double pattern, antenna;
        bool warned;
    } cases[] = {
        {1842.5, 2400, true},                       // 23 %
        {1842.5, 1900, false}, {1200, 1000, false}, // 20 % exactly is still the band
        {1201, 1000, true},    {800, 1000, false},
        {799, 1000, true},     {0, 1000, false}, // the file gives none
    };
    for (const Case& c : cases) {
        q.FrequencyMHz = c.pattern;
        EXPECT_EQ(FrequencyWarning(q, c.antenna).has_value(), c.warned)
            << c.pattern << " " << c.antenna;
    }
    q.FrequencyMHz = 1842.5;
    EXPECT_EQ(*FrequencyWarning(q, 2400),
              "measured at 1842.5 MHz, 23 % from the 2400 MHz of the antenna that uses it");

    // Two antennas on one pattern at two carriers: the cut once, each carrier once.
    Project p;
    p.Patterns = {q};
    p.EnsureAntennaSlots(3);
    p.AntennaCount = 3;
    for (int k = 1; k <= 3; ++k)
        p.Antennas[k].AntPattern = q.Name;
    p.Antennas[1].AntFrequencyMHz = 2400;
    p.Antennas[2].AntFrequencyMHz = 1800;
    p.Antennas[3].AntFrequencyMHz = 2400;
    const std::vector<std::string> w = ProjectPatternWarnings(p);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].rfind("Pattern WIDE: VERTICAL cut", 0), 0u) << w[0];
    EXPECT_EQ(w[1].rfind("Pattern WIDE: measured at 1842.5 MHz", 0), 0u) << w[1];
}

TEST(PatternPeak, ReaderKeepsTabsAndFineValuesAndRefusesWhatIsNoFile) {
    const std::string cuts = "HORIZONTAL 1\n0 0\nVERTICAL 1\n0 0\n";
    // A tab inside a name is a blank, and 300 GHz a frequency.
    const PatternRead tab = ParsePattern("NAME A\tB\nFREQUENCY 300 GHz\n" + cuts);
    ASSERT_TRUE(tab.pattern) << tab.error;
    EXPECT_EQ(tab.pattern->Name, "A\tB");

    // Values finer than the project file keeps are held as it keeps them, so
    // that a saved project reads back the very pattern.
    const PatternRead fine =
        ParsePattern("N\nGAIN 12.345678901234567 dBd\nHORIZONTAL 1\n0.123456789012345678 "
                     "3.3333333333333335\nVERTICAL 1\n0 0\n");
    ASSERT_TRUE(fine.pattern) << fine.error;
    Project saved;
    saved.Patterns = {*fine.pattern};
    EXPECT_EQ(brenvik::testing::ReadBack(saved).Patterns, saved.Patterns);

    // Files: a control character in the file's name, a pipe, a device.
    const brenvik::testing::TempDir dir;
    const std::string crName = dir.file("pan\rel.msi"), fifo = dir.file("pipe.msi");
    std::ofstream(crName) << "NAME P\n" << cuts;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& [path, reason] :
         {std::pair<std::string, std::string>{crName, "control character"},
          {fifo, "pipe.msi"},
          {"/dev/zero", "/dev/zero"}}) {
        const PatternRead r = ReadPatternFile(path); // a pipe with no writer must not block
        EXPECT_FALSE(r.pattern) << path;
        EXPECT_NE(r.error.find(reason), std::string::npos) << r.error;
    }
}

} // namespace
} // namespace brenvik::antenna
