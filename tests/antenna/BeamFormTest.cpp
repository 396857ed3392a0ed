#include "antenna/BeamForm.h"

#include "antenna/BeamCuts.h"
#include "model/TestProjects.h"

#include <gtest/gtest.h>

namespace brenvik::antenna {
namespace {

const std::string Panel65 = std::string(BRENVIK_PATTERNS_DIR) + "/panel-65deg-0t.msi";

Project TwoAntennas() {
    Project p;
    p.EnsureAntennaSlots(2);
    p.AntennaCount = 2;
    return p;
}

TEST(BeamForm, AcceptChecksTheBoxesAndStoresTheBeam) {
    struct Case {
        std::string h, v, e;
        const char* refusal; // a word of it, or null
        double storedV;
    } cases[] = {
        {"65", "10", "-2", nullptr, 10},
        {"90", " ", "0", nullptr, 0}, // empty: twice the type's open angle
        {"0", "", "0", "horizontal", 0},
        {"361", "", "0", "horizontal", 0},
        {"x", "", "0", "horizontal", 0},
        {"65", "180.5", "0", "vertical", 0},
        {"65", "", "90.1", "electrical tilt", 0},
    };
    for (const Case& c : cases) {
        Project p = TwoAntennas();
        BeamForm f = BeamFormLoad(p, 1);
        f.hText = c.h, f.vText = c.v, f.eText = c.e;
        const auto err = BeamFormAccept(p, f, 1);
        ASSERT_EQ(err.has_value(), c.refusal != nullptr) << c.h << ' ' << c.v << ' ' << c.e;
        if (err) {
            EXPECT_NE(err->find(c.refusal), std::string::npos) << *err;
            EXPECT_EQ(p.Antennas[1], TwoAntennas().Antennas[1]); // nothing stored
        } else {
            EXPECT_EQ(p.Antennas[1].AntVBeamwidthDeg, c.storedV);
            EXPECT_EQ(BeamFormLoad(p, 1).vText, c.storedV > 0 ? c.v : "");
        }
    }
}

TEST(BeamForm, APatternIsKeptOnceAndGoesWhenNoAntennaUsesIt) {
    Project p = TwoAntennas();
    for (int slot : {1, 2}) {
        BeamForm f = BeamFormLoad(p, slot);
        ASSERT_FALSE(BeamFormImport(f, Panel65).error);
        EXPECT_EQ(f.patterns.size(), 1u); // the second import finds the first
        ASSERT_FALSE(BeamFormAccept(p, f, slot));
    }
    ASSERT_EQ(p.Patterns.size(), 1u);
    EXPECT_EQ(p.Antennas[2].AntPattern, "PANEL-65-0T");

    AntennaPattern other = p.Patterns[0];
    other.GainDbi = 15;
    EXPECT_EQ(AddPattern(p, other), "PANEL-65-0T (2)");
    EXPECT_EQ(AddPattern(p, other), "PANEL-65-0T (2)");

    BeamForm bad = BeamFormLoad(p, 1);
    const BeamImport r =
        BeamFormImport(bad, std::string(BRENVIK_PATTERNS_DIR) + "/bad-no-cuts.msi");
    EXPECT_EQ(r.error, "bad-no-cuts.msi, line 3: no HORIZONTAL or VERTICAL cut");
    EXPECT_EQ(bad.choice, 0); // still the antenna's pattern

    for (int slot : {1, 2}) {
        BeamForm f = BeamFormLoad(p, slot);
        f.choice = -1;
        ASSERT_FALSE(BeamFormAccept(p, f, slot));
    }
    EXPECT_TRUE(p.Patterns.empty());
}

TEST(BeamCuts, HalfPowerWidthsAndDirectivity) {
    const Beam panel{nullptr, {false, 65, 7.2, 0}};
    const PlotCut h = HorizontalCut(panel);
    EXPECT_NEAR(h.beamwidthDeg, 65, 0.02);
    const PlotCut v = VerticalCut(panel, 10, 0.5); // tilted 10 degrees down
    EXPECT_EQ(v.peakDeg, 10);
    EXPECT_NEAR(v.beamwidthDeg, 7.2, 0.02);
    EXPECT_EQ(HorizontalCut({nullptr, {true, 90, 24, 0}}).beamwidthDeg, 360); // a stick

    const AntennaPattern iso = brenvik::testing::IsotropicPattern();
    EXPECT_NEAR(DirectivityDbi({&iso, {}}), 0, 1e-3);
}

} // namespace
} // namespace brenvik::antenna
