#include "antenna/Pattern.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace brenvik::antenna {
namespace {

const std::string Dir = BRENVIK_PATTERNS_DIR;

// A small valid body: two cuts of four points each.
const std::string Cuts =
    "HORIZONTAL 4\n0 0\n90 3\n180 20\n270 3\nVERTICAL 4\n0 0\n90 15\n180 20\n270 15\n";

TEST(PatternReader, AcceptsTheFileVariants) {
    struct Case {
        std::string file, name;
        double mhz, gainDbi, tilt;
        std::size_t h, v;
    } cases[] = {
        {"panel-65deg-0t.msi", "PANEL-65-0T", 1842.5, 17.8, 0, 360, 360},
        {"panel-90deg-8t-tabs-crlf.pln", "PANEL-90-8T", 2450, 15.35, 8, 360, 360},
        {"omni-10deg-halfstep.msi", "OMNI-10", 2500, 10.15, 0, 36, 720},
        {"asymmetric-beam-no-count.msi", "ASYM-25", 0, 16, 0, 360, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const PatternRead r = ReadPatternFile(Dir + "/" + c.file);
        ASSERT_TRUE(r.pattern) << r.error;
        EXPECT_TRUE(r.warnings.empty());
        const AntennaPattern& p = *r.pattern;
        EXPECT_EQ(std::tuple(p.Name, p.Source, p.FrequencyMHz, p.GainDbi, p.TiltDeg,
                             p.Horizontal.Angle.size(), p.Vertical.Loss.size()),
                  std::tuple(c.name, c.file, c.mhz, c.gainDbi, c.tilt, c.h, c.v));
    }

    // Lower-case keys, units stuck to their numbers, a name that starts with digits.
    struct Text {
        std::string head, name;
        double mhz, gainDbi;
    } texts[] = {
        {"name Low\nfrequency 947.5\ngain 3dbi\n", "Low", 947.5, 3},
        {"742215 x\nFREQUENCY 2.45GHz\nGAIN 1 DBD\n", "742215 x", 2450, 3.15},
    };
    for (const Text& t : texts) {
        std::string text = t.head + Cuts;
        if (t.name == "Low") std::replace(text.begin(), text.end(), '\n', '\r'); // CR alone
        const PatternRead r = ParsePattern(text);
        ASSERT_TRUE(r.pattern) << r.error;
        EXPECT_EQ(std::tuple(r.pattern->Name, r.pattern->FrequencyMHz, r.pattern->GainDbi),
                  std::tuple(t.name, t.mhz, t.gainDbi));
    }
}

TEST(PatternReader, RefusesWithTheLineAndTheReason) {
    const std::string cuts = "HORIZONTAL 1\n0 0\nVERTICAL 1\n0 0\n"; // two sound cuts
    struct Case {
        std::string source; // a fixture's name, or the text itself
        int line;
        std::string reason;
    } cases[] = {
        {"bad-negative-loss.msi", 14, "negative loss -1.5"},
        {"bad-duplicate-angle.msi", 24, "angle 19 repeats line 23"},
        {"bad-count-mismatch.msi", 3, "HORIZONTAL declares 360 points, but 350 follow"},
        {"bad-no-cuts.msi", 3, "no HORIZONTAL or VERTICAL cut"},
        {"N\nHORIZONTAL 2\n10 0\n5 1\n", 4, "angle 5 follows 10; angles must ascend"},
        {"N\nHORIZONTAL 2\n0 0\n0.25 1\n", 4, "step of 0.25 degrees"},
        {"N\nHORIZONTAL 2\n0 0\n360 1\n", 4, "angle 360 is outside"},
        {"N\nHORIZONTAL 1\n0 nan\n", 3, "loss \"nan\" is not a number"},
        {"N\nHORIZONTAL 100000\n", 2, "at most 720"},
        {"N\nHORIZONTAL\n0 0\n", 2, "gives no count, so expects 360 points, but 1 follows"},
        {"N\n0 0\n", 2, "outside a HORIZONTAL or VERTICAL cut"},
        {"0 0\n", 1, "outside a HORIZONTAL or VERTICAL cut"},
        {"N\nHORIZONTAL 1\n0 0\nHORIZONTAL 1\n0 0\n", 4, "a second HORIZONTAL cut"},
        {"N\nHORIZONTAL 1\n0 0\n", 3, "no VERTICAL cut"},
        {"N\nGAIN 3 dBm\n", 2, "not a gain in dBi or dBd"},
        {"N\nFREQUENCY fast\n", 2, "not a frequency"},
        {"", 1, "the file is empty"},
        // Control characters in the texts, numbers beyond any antenna.
        {"NAME A\rB\n" + cuts, 1, "NAME holds a control character"},
        {"N\nMAKE Acme\rX\n" + cuts, 2, "MAKE holds a control character"},
        {"N\nCOMMENT a\x1b[2Jb\n" + cuts, 2, "COMMENT holds a control character"},
        {"N\nCOMMENT a\fb\n" + cuts, 2, "COMMENT holds a control character"},
        {"Panel\rX\n" + cuts, 1, "the name holds a control character"},
        {"N\nFREQUENCY 1e308 GHz\n" + cuts, 2, "is not a frequency"},
        {"N\nFREQUENCY inf\n" + cuts, 2, "is not a frequency"},
        {"N\nFREQUENCY 400 GHz\n" + cuts, 2, "is not a frequency"},
        {"N\nFREQUENCY 50 kHz\n" + cuts, 2, "is not a frequency"},
        {"N\nGAIN 1e308 dBd\n" + cuts, 2, "is not a gain"},
        {"N\nTILT 95\n" + cuts, 2, "is not an angle within 90 degrees"},
        {"N\nHORIZONTAL 1\n0 1e87\n" + cuts, 3, "beyond any measured pattern"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const bool file = c.source.ends_with(".msi");
        const PatternRead r = file ? ReadPatternFile(Dir + "/" + c.source) : ParsePattern(c.source);
        EXPECT_FALSE(r.pattern);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.error.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << r.error;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
    EXPECT_FALSE(ReadPatternFile(Dir).pattern); // a folder is not a pattern file
}

} // namespace
} // namespace brenvik::antenna
