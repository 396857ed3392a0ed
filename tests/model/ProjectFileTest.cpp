#include "model/ProjectFile.h"

#include "model/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace brenvik;

namespace {

std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\r\n";
    return s;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

std::string Write(const Project& p) {
    std::string s;
    EXPECT_TRUE(WriteProjectText(p, s));
    return s;
}

// A project using every optional record: antennas, legacy sources, an XY
// result with isolines whose slots have gaps, and variants of each kind.
Project RichProject() {
    Project p;
    p.PlanWidthM = 212.75;
    p.GridNX = 10; // CellSize 1536, GridNY 6
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.DensityGrid.resize(p.GridNX, p.GridNY);
    for (int i = 0; i <= 10; ++i)
        for (int j = 0; j <= 6; ++j) {
            if (i > 0 && j > 0) p.GroundGrid(i, j) = (i * 7 + j) % 5 * 1.5;
            if (j > 0) p.DensityGrid(i, j) = ((i * 13 + j * 7) % 17) / 8000.0;
        }
    p.AntennaCount = 3;
    p.TowerCount = 2;
    p.EnsureAntennaSlots(3);
    for (int k = 1; k <= 3; ++k) {
        Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        a.AntHeight = 12.0 * k;
        a.AntTilt = -7.5 + k;
        a.AntPowerMode = k == 2 ? "otra" : "maxima";
        a.AntPower = 1600.0 / k;
        a.AntDirection = 120.0 * k;
        a.AntHeightUnit = k == 3 ? " " : "pisos";
        a.AntType = k == 1 ? "baja" : "alta";
        a.AntTower = static_cast<std::int16_t>(k == 3 ? 2 : 1);
        a.AntNumber = static_cast<std::int16_t>(k == 3 ? 1 : 2);
        a.AntX = 1000.0 * k;
        a.AntY = 777.0 * k;
        a.AntFactor = k;
    }
    p.SourceKindVar = Variant{};
    p.SourceKindInt = 2;
    p.LegacySourceCount = 3;
    p.LegacySources.assign(4, LegacySource{});
    p.LegacySources[2] = LegacySource{1.5, 2, 300, 4, .1, .2, .3, .4, .5};
    p.XYCalculated = 1;
    p.OriginX = 425000.5;
    p.OriginY = -118.25;
    p.OriginLon = -3.70379;
    p.OriginLat = 40.41678;
    p.CalcOption = 0;
    p.CalcHeight = 3;
    p.XYCalcOffsetX = -120;
    p.XYCalcOffsetY = 35.5;
    p.XYCalcZoom = 2;
    p.IsolineCount = 3;
    p.IsolineLevel = {0, 1e-5, 2.5e-4, 3.3e-3};
    p.Isolines.reset(3);
    p.Isolines.append(1, 2, 3);
    p.Isolines.append(3, 4, 1);
    p.Isolines.append(1, 5, 5);
    p.Isolines.append(2, -1, 3);
    p.IsolinesAux.reset(3);
    p.IsolinesAux.append(2, 7, 0);
    p.MaxDensity = 3.7e-3;
    p.MaxPosX = Variant::real(1536.5);
    p.MaxPosY = 3072;
    return p;
}

} // namespace

TEST(FileValueForms, DoublesUseTheFileForm) {
    EXPECT_EQ(FormatDouble(150.0), "150");
    EXPECT_EQ(FormatDouble(0.5), ".5");
    EXPECT_EQ(FormatDouble(-0.25), "-.25");
    EXPECT_EQ(FormatDouble(0.00001), "1E-05");
    EXPECT_EQ(FormatDouble(2.5e20), "2.5E+20");
    EXPECT_EQ(FormatDouble(0.0001), ".0001");
    EXPECT_EQ(FormatDouble(1e15), "1E+15");
    EXPECT_EQ(FormatDouble(999999999999999.0), "999999999999999");
    EXPECT_EQ(FormatDouble(-0.0), "0");
    EXPECT_EQ(FormatDouble(1.0 / 3.0), ".333333333333333");
    EXPECT_EQ(FormatDouble(0.1 + 0.2), ".3");
    EXPECT_EQ(FormatDouble(-1234.5), "-1234.5");
    EXPECT_EQ(FormatVariant(Variant{}), "");
    EXPECT_EQ(FormatVariant(Variant::integer(-7)), "-7");
    EXPECT_EQ(FormatVariant(Variant::real(7)), "7");
}

TEST(FileValueForms, ReaderAcceptsEveryNumberFormAndNothingElse) {
    EXPECT_EQ(ParseFileDouble(" .5 "), 0.5);
    EXPECT_EQ(ParseFileDouble("0.5"), 0.5);
    EXPECT_EQ(ParseFileDouble("-.25"), -0.25);
    EXPECT_EQ(ParseFileDouble("+3"), 3.0);
    EXPECT_EQ(ParseFileDouble("1E-05"), 0.00001);
    EXPECT_EQ(ParseFileDouble("2.5e+20"), 2.5e20);
    EXPECT_EQ(ParseFileDouble("\t150\t"), 150.0);
    EXPECT_EQ(ParseFileDouble("1e-400"), 0.0); // too small: zero
    for (const char* bad : {"", " ", "abc", "inf", "-inf", "nan", "0x10", "1,5", "1e999", "--1",
                            "+-1", "1.2.3", "5 6", ".", "e5", "1e"})
        EXPECT_FALSE(ParseFileDouble(bad)) << bad;

    // Integer items round halves to the even neighbour and keep to 16 bits.
    EXPECT_EQ(ParseFileInt16("150.5"), 150);
    EXPECT_EQ(ParseFileInt16("151.5"), 152);
    EXPECT_EQ(ParseFileInt16("-2.5"), -2);
    EXPECT_EQ(ParseFileInt16("1E+02"), 100);
    EXPECT_EQ(ParseFileInt16("-32768"), -32768);
    EXPECT_FALSE(ParseFileInt16("32768"));
    EXPECT_FALSE(ParseFileInt16("32767.5"));
    EXPECT_FALSE(ParseFileInt16(""));
    EXPECT_EQ(ParseFileInt64("40000"), 40000);
    EXPECT_EQ(ParseFileInt64("9223372036854775807"), INT64_MAX);
    EXPECT_FALSE(ParseFileInt64("9223372036854775808"));
    EXPECT_FALSE(ParseFileInt64("1e30"));

    EXPECT_EQ(ParseFileVariant(""), Variant{});
    EXPECT_EQ(ParseFileVariant(" 7 "), Variant::integer(7));
    EXPECT_EQ(ParseFileVariant("7.25"), Variant::real(7.25));
    EXPECT_EQ(ParseFileVariant("1E+02"), Variant::real(100));
    EXPECT_FALSE(ParseFileVariant("\"x\""));

    EXPECT_EQ(ParseFileString("\"alta\""), "alta");
    EXPECT_EQ(ParseFileString("  \" \"  "), " ");
    EXPECT_EQ(ParseFileString("\"\""), "");
    EXPECT_EQ(ParseFileString("pisos"), "pisos");
    EXPECT_EQ(ParseFileString("a\"b\""), "a"); // quotes never belong to a value
}

TEST(ProjectFileWriter, WritesEveryRecordToTheByte) {
    Project p;
    p.GridNX = 2; // CellSize 7680, GridNY 1
    p.RecomputeDerived();
    p.GroundGrid.resize(2, 1);
    p.DensityGrid.resize(2, 1);
    p.AntennaCount = 1;
    p.TowerCount = 1;
    p.EnsureAntennaSlots(1);
    p.Antennas[1] =
        Antenna{36, 15, "maxima", 1600, 90, "pisos", "alta", 1, 1, 123.9, 4567.2, 2.7, {}, 0};
    p.GroundGrid(1, 1) = 3.5;
    p.GroundGrid(0, 0) = 99; // row 0 and column 0 are not written
    p.XYCalculated = 1;
    p.CalcOption = 1;
    p.XYCalcOffsetX = -0.0;
    p.DensityGrid(0, 1) = 0.00001;
    p.DensityGrid(1, 1) = 2.5e20;
    p.DensityGrid(2, 1) = 0.125;
    p.IsolineCount = 2;
    p.IsolineLevel = {0, 0.5, 1.25};
    p.Isolines.reset(2);
    p.Isolines.setSlotMax(3);
    p.Isolines.set(1, 1, 1, 1);
    p.Isolines.set(2, 3, 2, 1);
    p.IsolinesAux.reset(2);
    p.IsolinesAux.setSlotMax(1);
    p.IsolinesAux.set(2, 1, -1, 1);
    p.MaxDensity = 2.5e20;
    p.MaxPosX = Variant::real(7680.5);
    p.MaxPosY = 0;

    EXPECT_EQ(Write(p), Lines({"2", "150", "2", "1", "1",
                               // antenna
                               "36", "15", "\"maxima\"", "1600", "90", "\"pisos\"", "\"alta\"", "1",
                               "1", "123", "4567", "2",
                               // ground, legacy head, flag, geography
                               "3.5", "0", "0", "0", "1", "1", "0", "0", "6371000", "63", "64",
                               "10", "10550", "300", "0",
                               // result
                               "1", "0", "0", "0", "1", "1E-05", "2.5E+20", ".125", "2", "3", "1",
                               "2.5E+20", "7680.5", "0", ".5", "1.25",
                               // crossings, then the second point set
                               "1", "1", "0", "0", "0", "0", "0", "0", "0", "0", "2", "1", "0", "0",
                               "-1", "1"}));

    // Without a result the file ends after the geography.
    p.XYCalculated = 0;
    auto lines = SplitLines(Write(p));
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[22], "0");
    EXPECT_EQ(lines.back(), "0");
}

TEST(ProjectFileWriter, PositionsAreTruncatedDownwards) {
    Project p;
    p.AntennaCount = 1;
    p.EnsureAntennaSlots(1);
    p.Antennas[1].AntX = 123.9;
    p.Antennas[1].AntY = -0.5;
    p.Antennas[1].AntFactor = 1.99;
    auto lines = SplitLines(Write(p));
    EXPECT_EQ(lines[14], "123");
    EXPECT_EQ(lines[15], "-1");
    EXPECT_EQ(lines[16], "1");
}

TEST(ProjectFileWriter, RefusesWhatCouldNotBeReadBack) {
    Project p;
    std::string s;
    p.GroundGrid(3, 3) = std::nan("");
    EXPECT_FALSE(WriteProjectText(p, s));
    p.GroundGrid(3, 3) = 0;
    p.AntennaCount = 5; // more antennas than slots
    s.clear();
    EXPECT_FALSE(WriteProjectText(p, s));
    p.AntennaCount = 0;
    p.LegacySourceCount = 4;
    s.clear();
    EXPECT_FALSE(WriteProjectText(p, s));
}

TEST(ProjectFileRoundTrip, RichProjectReadsBackAsWrittenToTheByte) {
    Project p = RichProject();
    std::string first = Write(p);
    Project q;
    ASSERT_TRUE(ReadProjectText(q, first));
    EXPECT_EQ(Write(q), first);

    EXPECT_EQ(q.FormatVersion, 2);
    EXPECT_EQ(q.PlanWidthM, 212.75);
    EXPECT_EQ(q.GridNY, 6);
    EXPECT_EQ(q.CellSize, 1536);
    EXPECT_DOUBLE_EQ(q.MetersPerUnit, 212.75 / 15360);
    EXPECT_EQ(q.AntennaSlotBound(), 3);
    EXPECT_EQ(q.Antennas[2].AntPowerMode, "otra");
    EXPECT_EQ(q.Antennas[3].AntHeightUnit, " ");
    EXPECT_EQ(q.Antennas[3].AntFactor, 3.0);
    EXPECT_EQ(q.Antennas[2].AntCellX, Variant::real(2000.0 / 1536));
    EXPECT_EQ(q.Antennas[2].AntCellY, 1); // round(1554 / 1536)
    EXPECT_EQ(q.GroundGrid, p.GroundGrid);
    EXPECT_EQ(q.DensityGrid, p.DensityGrid);
    EXPECT_EQ(q.SourceKindVar, Variant{});
    EXPECT_EQ(q.LegacySources, p.LegacySources);
    EXPECT_EQ(q.XYCalcOffsetX, -120);
    EXPECT_EQ(q.XYCalcZoom, 2);
    EXPECT_EQ(q.IsolineLevel, p.IsolineLevel);
    EXPECT_EQ(q.Isolines, p.Isolines);
    EXPECT_EQ(q.IsolinesAux, p.IsolinesAux);
    EXPECT_EQ(q.MaxPosX, Variant::real(1536.5));
    EXPECT_EQ(q.OriginLat, 40.41678);
}

TEST(ProjectFileRoundTrip, SlotCountsBeyondSixteenBits) {
    Project p;
    p.XYCalculated = 1;
    p.IsolineCount = 1;
    p.IsolineLevel = {0, 1};
    p.Isolines.reset(1);
    p.IsolinesAux.reset(1);
    for (int n = 0; n < 40000; ++n)
        p.Isolines.append(1, 1, 2);
    for (int n = 0; n < 33000; ++n)
        p.IsolinesAux.append(1, 3, 4);
    std::string text = Write(p);
    Project q;
    ASSERT_TRUE(ReadProjectText(q, text));
    EXPECT_EQ(q.IsolinePointMax(), 40000);
    EXPECT_EQ(q.IsolineAuxMax(), 33000);
    EXPECT_EQ(q.Isolines.y(1, 40000), 2);
    EXPECT_EQ(Write(q), text);
}

TEST(ProjectFileReader, OlderLayoutStartsWithTheWidth) {
    // A current-layout file, turned into the older one: no flag line, no zoom
    // factor per antenna and no view values of the result.
    Project p = RichProject();
    p.PlanWidthM = 150;
    auto lines = SplitLines(Write(p));
    std::vector<std::string> old(lines.begin() + 1, lines.end());
    for (int k = 3; k >= 1; --k)
        old.erase(old.begin() + 4 + 12 * k - 1);
    auto xy = std::find(old.begin() + 4 + 33, old.end(), "-120"); // XYCalcOffsetX
    ASSERT_NE(xy, old.end());
    old.erase(xy, xy + 3);

    Project q;
    q.Antennas.resize(6); // bounds follow the file's count
    ASSERT_TRUE(ReadProjectText(q, Lines(old)));
    EXPECT_EQ(q.FormatVersion, 1);
    EXPECT_EQ(q.PlanWidthM, 150);
    EXPECT_EQ(q.AntennaSlotBound(), 3);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(q.Antennas[static_cast<std::size_t>(k)].AntFactor, 1.0);
    EXPECT_EQ(q.XYCalcOffsetX, 0);
    EXPECT_EQ(q.XYCalcOffsetY, 0);
    EXPECT_EQ(q.XYCalcZoom, 1);
    EXPECT_EQ(q.Isolines, p.Isolines);
    EXPECT_EQ(q.DensityGrid, p.DensityGrid);

    // Saved again it has the current layout.
    auto again = SplitLines(Write(q));
    EXPECT_EQ(again[0], "2");
    EXPECT_EQ(again[1], "150");

    // A first line of 1 is the same layout with the width on its own line.
    old.insert(old.begin(), "1");
    old[1] = "99.5";
    Project r;
    ASSERT_TRUE(ReadProjectText(r, Lines(old)));
    EXPECT_EQ(r.FormatVersion, 1);
    EXPECT_EQ(r.PlanWidthM, 99.5);
    EXPECT_EQ(r.Antennas[1].AntFactor, 1.0);
}

TEST(ProjectFileReader, OlderWidthsAreReadAsWholeNumbers) {
    // GridNX 2 gives GridNY 1: two ground lines.
    auto withGround = [](std::string head, std::string second) {
        return Lines({head, second, /* antennas, towers */ "0", "0", /* ground */ "0", "0",
                      /* legacy head */ "0", "0", "1", /* no result */ "0",
                      /* geography */ "0", "0", "6371000", "63", "64", "10", "10550", "300", "0"});
    };
    Project p;
    ASSERT_TRUE(ReadProjectText(p, withGround("150.5", "2")));
    EXPECT_EQ(p.FormatVersion, 1);
    EXPECT_EQ(p.PlanWidthM, 150); // halves go to the even neighbour
    Project q;
    ASSERT_TRUE(ReadProjectText(q, withGround("151.5", "2")));
    EXPECT_EQ(q.PlanWidthM, 152);

    // A width of 10 m or less cannot be told from a format flag: the next
    // line is taken as the width and the grid size comes one line later.
    Project r;
    ASSERT_TRUE(ReadProjectText(
        r, Lines({"8", "2", "2", "0",       "0",  "0",  "0",  "0",     "0",   "1",
                  "0", "0", "0", "6371000", "63", "64", "10", "10550", "300", "0"})));
    EXPECT_EQ(r.FormatVersion, 8);
    EXPECT_EQ(r.PlanWidthM, 2);
    EXPECT_EQ(r.GridNX, 2);
}

TEST(ProjectFileReader, AcceptsLooseLineEndsAndKeepsAntennaSlotsWithoutAntennas) {
    Project p = RichProject();
    p.AntennaCount = 0;
    p.XYCalculated = 0;
    std::string text = Write(p);
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    lf.pop_back(); // and no line end after the last line
    Project q;
    q.Antennas.resize(5);
    q.Antennas[4].AntPower = 33;
    ASSERT_TRUE(ReadProjectText(q, lf));
    EXPECT_EQ(q.AntennaCount, 0);
    EXPECT_EQ(q.AntennaSlotBound(), 4);
    EXPECT_EQ(q.Antennas[4].AntPower, 33);
    EXPECT_EQ(Write(q), text);
}

TEST(ProjectFileReader, ResultGridFollowsTheFilesGridWithoutAResult) {
    Project p;
    p.GridNX = 40;
    p.RecomputeDerived();
    p.GroundGrid.resize(40, p.GridNY);
    Project q; // GridNX 100
    ASSERT_TRUE(ReadProjectText(q, Write(p)));
    EXPECT_EQ(q.DensityGrid.nx(), 40);
    EXPECT_EQ(q.DensityGrid.ny(), q.GridNY);
    EXPECT_EQ(q.GroundGrid.ny(), q.GridNY);
}

TEST(ProjectFileReader, EveryShortenedFileFails) {
    auto lines = SplitLines(Write(RichProject()));
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::vector<std::string> part(lines.begin(), lines.begin() + static_cast<long>(n));
        Project q;
        EXPECT_FALSE(ReadProjectText(q, Lines(part))) << "lines kept: " << n;
    }
}

TEST(ProjectFileReader, EveryGarbledNumberLineFails) {
    auto lines = SplitLines(Write(RichProject()));
    int garbled = 0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (!lines[n].empty() && lines[n][0] == '"') continue; // any text is a string
        auto bad = lines;
        bad[n] = "1,5";
        Project q;
        EXPECT_FALSE(ReadProjectText(q, Lines(bad))) << "line " << n;
        ++garbled;
    }
    EXPECT_GT(garbled, 200);
}

TEST(ProjectFileReader, AbsurdCountsFailWithoutAllocating) {
    auto head = [](std::vector<std::string> rest) {
        std::vector<std::string> l{"2", "150"};
        l.insert(l.end(), rest.begin(), rest.end());
        return Lines(l);
    };
    for (const char* nx : {"0", "-5", "15361", "32767", "70000"}) {
        Project q;
        EXPECT_FALSE(ReadProjectText(q, head({nx, "0", "0"}))) << nx;
    }
    Project q;
    EXPECT_FALSE(ReadProjectText(q, head({"100", "32767", "0", "1"})));
    EXPECT_FALSE(ReadProjectText(q, head({"100", "-1", "0"})));

    // A valid file up to the isoline counts, with absurd counts.
    Project p = RichProject();
    auto lines = SplitLines(Write(p));
    // IsolineCount is followed by five heads, three levels, 3 x 4 crossings
    // and 3 x 1 points of the second set, two lines each.
    const std::size_t countAt = lines.size() - (6 + 3 + 3 * 4 * 2 + 3 * 1 * 2);
    ASSERT_EQ(lines[countAt], "3");
    ASSERT_EQ(lines[countAt + 1], "4");
    for (auto [offset, value] :
         std::vector<std::pair<int, std::string>>{{0, "-1"},
                                                  {0, "32767"},
                                                  {1, "-1"},
                                                  {1, "1000000000000000000"},
                                                  {1, "1E+18"},
                                                  {2, "-3"},
                                                  {2, "4611686018427387904"}}) {
        auto bad = lines;
        bad[countAt + static_cast<std::size_t>(offset)] = value;
        Project r;
        EXPECT_FALSE(ReadProjectText(r, Lines(bad))) << offset << " " << value;
    }

    // Legacy records: negative, or more than the file holds.
    const std::size_t legacyAt = 5 + 12 * 3 + 10 * 6 + 2;
    ASSERT_EQ(lines[legacyAt], "3");
    for (const char* v : {"-2", "30000"}) {
        auto bad = lines;
        bad[legacyAt] = v;
        Project r;
        EXPECT_FALSE(ReadProjectText(r, Lines(bad))) << v;
    }
}

TEST(ProjectFileReader, PositionsBeyondSixteenBitCellsFail) {
    Project p;
    p.AntennaCount = 1;
    p.EnsureAntennaSlots(1);
    p.Antennas[1].AntY = 1e9; // AntY / CellSize does not fit a 16-bit cell
    Project q;
    EXPECT_FALSE(ReadProjectText(q, Write(p)));
}

TEST(ProjectFileReader, SlotCountWithoutLevelsReadsNothing) {
    Project p;
    p.XYCalculated = 1;
    p.IsolineCount = 0;
    p.IsolineLevel = {0};
    p.Isolines.reset(0);
    p.Isolines.setSlotMax(5);
    p.IsolinesAux.reset(0);
    std::string text = Write(p);
    Project q;
    ASSERT_TRUE(ReadProjectText(q, text + "9\r\n9\r\n")); // trailing lines are ignored
    EXPECT_EQ(q.IsolinePointMax(), 5);
    EXPECT_EQ(Write(q), text);
}

TEST(ProjectFileReader, SampleFilesOfEveryLayoutReadAndRewriteStably) {
    // The fuzzer's seed files: current layout with and without a result, the
    // layout with a first line of 1, and the older layout led by the width.
    struct Sample {
        const char* name;
        int version;
        double width;
        int antennas;
    };
    for (auto s :
         {Sample{"current_result.bvk", 2, 150, 2}, Sample{"current_plain.bvk", 2, 212.75, 0},
          Sample{"layout1_result.bvk", 1, 99.5, 1}, Sample{"older_width.bvk", 1, 150, 2},
          Sample{"older_plain.bvk", 1, 300, 0}}) {
        std::string text = brenvik::testing::Slurp(std::string("../fuzz/corpus/") + s.name);
        ASSERT_FALSE(text.empty()) << s.name;
        Project p;
        ASSERT_TRUE(ReadProjectText(p, text)) << s.name;
        EXPECT_EQ(p.FormatVersion, s.version) << s.name;
        EXPECT_EQ(p.PlanWidthM, s.width) << s.name;
        EXPECT_EQ(p.AntennaCount, s.antennas) << s.name;
        std::string once = Write(p);
        if (s.version == 2) {
            EXPECT_EQ(once, text) << s.name;
        }
        Project q;
        ASSERT_TRUE(ReadProjectText(q, once)) << s.name;
        EXPECT_EQ(Write(q), once) << s.name;
    }
}
