#include "model/ProjectFile.h"

#include "model/Numbers.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <tuple>
#include <vector>

using namespace brenvik;

namespace {

std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\r\n";
    return s;
}

using brenvik::testing::CrLfLines;

std::string Write(const Project& p) {
    return brenvik::testing::ProjectText(p);
}

// Every optional record: antennas, legacy sources, an XY result whose
// isolines have gaps in their slots, an empty and a double variant.
Project RichProject() {
    Project p;
    p.PlanWidthM = 212.75;
    p.GridNX = 10; // CellSize 1536, GridNY 6
    p.RecomputeDerived();
    p.GroundGrid.resize(10, 6);
    p.XY.Density.resize(10, 6);
    for (int i = 0; i <= 10; ++i)
        for (int j = 1; j <= 6; ++j) {
            p.GroundGrid(i, j) = (i * 7 + j) % 5 * 1.5;
            p.XY.Density(i, j) = ((i * 13 + j * 7) % 17) / 8000.0;
        }
    p.AntennaCount = 3, p.TowerCount = 2;
    p.EnsureAntennaSlots(3);
    for (int k = 1; k <= 3; ++k) {
        const PowerMode name = k == 2 ? PowerMode::Other : PowerMode::Maximum;
        const HeightUnit floors = k == 3 ? HeightUnit::Metres : HeightUnit::Floors;
        const AntennaKind type = k == 1 ? AntennaKind::Stick : AntennaKind::Panel;
        p.Antennas[static_cast<std::size_t>(k)] =
            Antenna{12.0 * k, -7.5 + k, name, 1600.0 / k, 120.0 * k, floors,
                    type,     1,        2,    1000.0 * k, 777.0 * k, static_cast<double>(k),
                    {},       0};
    }
    p.SourceKindVar = Variant{};
    p.LegacySourceCount = 3;
    p.LegacySources.assign(4, LegacySource{});
    p.LegacySources[2] = LegacySource{1.5, 2, 300, 4, .1, .2, .3, .4, .5};
    p.XY.Calculated = true;
    p.OriginX = 425000.5;
    p.OriginLat = 40.41678;
    p.XYCalcOffsetX = -120;
    p.XYCalcZoom = 2;
    p.IsolineCount = 3;
    p.XY.IsolineLevel = {0, 1e-5, 2.5e-4, 3.3e-3};
    p.XY.Isolines.reset(3);
    for (auto [level, x, y] : {std::tuple{1, 2, 3}, {3, 4, 1}, {1, 5, 5}, {2, -1, 3}})
        p.XY.Isolines.append(level, x, y);
    p.XY.IsolinesAux.reset(3);
    p.XY.IsolinesAux.append(2, 7, 0);
    p.XY.MaxDensity = 3.7e-3;
    p.XY.MaxPosX = Variant::real(1536.5);
    p.XY.MaxPosY = Variant::integer(3072);
    return p;
}

} // namespace

TEST(FileValueForms, WrittenAndReadForms) {
    // clang-format off
    const std::pair<double, const char*> written[] = {
        {150, "150"}, {.5, ".5"}, {-.25, "-.25"}, {1e-5, "1E-05"}, {2.5e20, "2.5E+20"},
        {1e-4, ".0001"}, {1e15, "1E+15"}, {-0.0, "0"}, {1.0 / 3, ".333333333333333"},
        {0.1 + 0.2, ".3"}, {999999999999999.0, "999999999999999"}};
    // clang-format on
    for (auto [v, text] : written)
        EXPECT_EQ(FormatDouble(v), text);

    // Integer items round halves to even and keep to 16 bits; slot counts do not.
    EXPECT_EQ(std::tuple(ParseFileInt16("150.5"), ParseFileInt16("151.5"), ParseFileInt16("1E+02")),
              std::tuple(150, 152, 100));
    EXPECT_FALSE(ParseFileInt16("32767.5") || ParseFileInt64("9223372036854775808"));
    EXPECT_EQ(ParseFileInt64("40000"), 40000);

    // The largest doubles print at 15 digits above the largest double; the
    // reader still takes back every value the writer produces.
    for (double v : {1.7976931348623157e308, -1.7976931348623155e308, 1.797693134862315e308}) {
        const auto back = ParseFileDouble(FormatDouble(v));
        ASSERT_TRUE(back) << FormatDouble(v);
        EXPECT_EQ(FormatDouble(*back), FormatDouble(v));
    }

    EXPECT_EQ(std::tuple(ParseFileVariant(""), ParseFileVariant(" 7 "), ParseFileVariant("7.25")),
              std::tuple(Variant{}, Variant::integer(7), Variant::real(7.25)));
    // Quotes never belong to a value.
    EXPECT_EQ(std::tuple(ParseFileString("  \" \"  "), ParseFileString("pisos"),
                         ParseFileString("a\"b\"")),
              std::tuple(" ", "pisos", "a"));
}

TEST(ProjectFileWriter, WritesEveryRecordToTheByte) {
    Project p;
    p.GridNX = 2; // CellSize 7680, GridNY 1
    p.RecomputeDerived();
    p.GroundGrid.resize(2, 1);
    p.XY.Density.resize(2, 1);
    p.AntennaCount = p.TowerCount = 1;
    p.EnsureAntennaSlots(1);
    // clang-format off
    p.Antennas[1] = Antenna{36, 15, PowerMode::Maximum, 1600, 90, HeightUnit::Floors,
                            AntennaKind::Panel, 1, 1, 123.9, -0.5, 2.7, {}, 0};
    // clang-format on
    p.GroundGrid(1, 1) = 3.5;
    p.GroundGrid(0, 0) = 99; // row 0 and column 0 are not written
    p.XY.Calculated = true;
    p.CalcOption = CalcLevel::AtSurface;
    p.XYCalcOffsetX = -0.0;
    p.XY.Density(0, 1) = 0.00001;
    p.XY.Density(1, 1) = 2.5e20;
    p.XY.Density(2, 1) = 0.125;
    p.IsolineCount = 2;
    p.XY.IsolineLevel = {0, 0.5, 1.25};
    p.XY.Isolines.reset(2);
    p.XY.Isolines.setSlotMax(3);
    p.XY.Isolines.set(1, 1, 1, 1);
    p.XY.Isolines.set(2, 3, 2, 1);
    p.XY.IsolinesAux.reset(2);
    p.XY.IsolinesAux.setSlotMax(1);
    p.XY.IsolinesAux.set(2, 1, -1, 1);
    p.XY.MaxDensity = 2.5e20;
    p.XY.MaxPosX = Variant::real(7680.5);

    EXPECT_EQ(Write(p), Lines({"2", "150", "2", "1", "1",
                               // antenna, positions and zoom truncated downwards
                               "36", "15", "\"maxima\"", "1600", "90", "\"pisos\"", "\"alta\"", "1",
                               "1", "123", "-1", "2",
                               // ground, legacy head, flag, geography
                               "3.5", "0", "0", "0", "1", "1", "0", "0", "6371000", "63", "64",
                               "10", "10550", "300", "0",
                               // result, its counts, levels, crossings, second point set
                               "1", "0", "0", "0", "1", "1E-05", "2.5E+20", ".125", "2", "3", "1",
                               "2.5E+20", "7680.5", "0", ".5", "1.25", "1", "1", "0", "0", "0", "0",
                               "0", "0", "0", "0", "2", "1", "0", "0", "-1", "1"}));

    p.XY.Calculated = false; // the file ends after the geography
    EXPECT_EQ(CrLfLines(Write(p)).size(), 32u);

    // Nothing that could not be read back is ever written.
    std::string s;
    Project nan = p, slots = p;
    nan.GroundGrid(1, 1) = std::nan("");
    slots.AntennaCount = 5; // more antennas than slots
    EXPECT_FALSE(WriteProjectText(nan, s) || WriteProjectText(slots, s));
}

TEST(ProjectFileRoundTrip, ReadsBackAsWrittenToTheByte) {
    Project p = RichProject();
    const std::string first = Write(p);
    Project q;
    ASSERT_TRUE(ReadProjectText(q, first));
    EXPECT_EQ(Write(q), first);
    EXPECT_DOUBLE_EQ(q.MetersPerUnit, 212.75 / 15360);
    // The antenna's cell: its position over the cell size, the row rounded.
    EXPECT_EQ(std::tuple(q.GridNY, q.Antennas[2].AntCellX, q.Antennas[2].AntCellY),
              std::tuple(6, Variant::real(2000.0 / 1536), 1));
    EXPECT_EQ(std::tie(q.XY.Density, q.LegacySources, q.XY.Isolines, q.XY.IsolinesAux),
              std::tie(p.XY.Density, p.LegacySources, p.XY.Isolines, p.XY.IsolinesAux));

    // Keywords the program does not know are typed as what they do (no
    // radiation, the first power option, metres) and written back as read.
    std::string odd = first;
    for (auto [from, to] :
         {std::pair{"\"otra\"", "\"nueva\""}, {"\"baja\"", "\"mástil\""}, {"\" \"", "\"\""}})
        odd.replace(odd.find(from), std::string(from).size(), to);
    Project o;
    ASSERT_TRUE(ReadProjectText(o, odd));
    EXPECT_EQ(
        std::tuple(o.Antennas[1].AntType, o.Antennas[2].AntPowerMode, o.Antennas[3].AntHeightUnit),
        std::tuple(AntennaKind::None, PowerMode::Maximum, HeightUnit::Metres));
    EXPECT_EQ(Write(o), odd);

    // Slot counts beyond 16 bits, and a slot count without levels.
    Project big;
    big.XY.Calculated = true;
    big.IsolineCount = 1;
    big.XY.IsolineLevel = {0, 1};
    big.XY.Isolines.reset(1);
    big.XY.IsolinesAux.reset(1);
    for (int n = 0; n < 40000; ++n)
        big.XY.Isolines.append(1, 1, 2);
    for (int n = 0; n < 33000; ++n)
        big.XY.IsolinesAux.append(1, 3, 4);
    const std::string text = Write(big);
    Project r;
    ASSERT_TRUE(ReadProjectText(r, text));
    EXPECT_EQ(std::tuple(r.XY.IsolinePointMax(), r.XY.IsolineAuxMax()), std::tuple(40000, 33000));
    EXPECT_EQ(Write(r), text);
    big.IsolineCount = 0;
    big.XY.IsolinesAux.reset(0);
    big.XY.Isolines.reset(0);
    big.XY.Isolines.setSlotMax(5);
    Project s;
    ASSERT_TRUE(ReadProjectText(s, Write(big) + "9\r\n")); // trailing lines are ignored
    EXPECT_EQ(s.XY.IsolinePointMax(), 5);
}

TEST(ProjectFileReader, SampleFilesOfEveryLayout) {
    // The fuzzer's seed files: the current layout with and without a result,
    // the layout with a first line of 1 and the older one led by the width.
    // Found beside the sources: from the test's own path, or from the tests
    // folder it runs in (a compiler cache may shorten the path to a relative one).
    std::string corpus =
        (std::filesystem::path(__FILE__).parent_path() / "../../fuzz/corpus/").string();
    if (!std::filesystem::exists(corpus)) corpus = "../fuzz/corpus/";
    struct {
        const char* name;
        int version;
        double width;
        int antennas;
    } const samples[] = {{"current_result.bvk", 2, 150, 2},
                         {"current_plain.bvk", 2, 212.75, 0},
                         {"layout1_result.bvk", 1, 99.5, 1},
                         {"older_width.bvk", 1, 150, 2},
                         {"older_plain.bvk", 1, 300, 0}};
    for (const auto& s : samples) {
        const std::string text = brenvik::testing::Slurp(corpus + s.name);
        ASSERT_FALSE(text.empty()) << s.name;
        Project p;
        ASSERT_TRUE(ReadProjectText(p, text)) << s.name;
        EXPECT_EQ(std::tuple(p.FormatVersion, p.PlanWidthM, p.AntennaCount),
                  std::tuple(s.version, s.width, s.antennas))
            << s.name;
        const std::string once = Write(p);
        EXPECT_EQ(s.version == 2 ? once : once.substr(0, 3), s.version == 2 ? text : "2\r\n")
            << s.name;
        if (s.version == 1 && s.antennas > 0) {
            EXPECT_EQ(std::tuple(p.Antennas[1].AntFactor, p.XYCalcOffsetX, p.XYCalcZoom),
                      std::tuple(1.0, 0.0, 1.0))
                << s.name;
        }
        Project q;
        ASSERT_TRUE(ReadProjectText(q, once)) << s.name;
        EXPECT_EQ(Write(q), once) << s.name;

        // The extension block may follow the last record of every layout, and
        // is written back after the current one, item for item.
        std::vector<std::string> block{"\"brenvik-extension\"", "1"};
        for (int k = 1; k <= s.antennas; ++k)
            block.push_back("frequency." + std::to_string(k) + "=" + std::to_string(700 * k));
        for (const char* l :
             {"standard=fcc", "population=occupational", "site=Torre = Norte", "assessor=J. Doe"})
            block.emplace_back(l);
        Project x;
        ASSERT_TRUE(ReadProjectText(x, text + Lines(block))) << s.name;
        EXPECT_EQ(std::tuple(x.Compliance.SiteName, x.Compliance.Assessor, x.Compliance.Group,
                             s.antennas ? x.Antennas[1].AntFrequencyMHz : 700.0),
                  std::tuple("Torre = Norte", "J. Doe", Population::Occupational, 700.0))
            << s.name;
        EXPECT_EQ(Write(x), once + Lines(block)) << s.name;
    }
}

TEST(ProjectFileReader, OlderWidthsAreWholeNumbersAndSmallOnesAreMisread) {
    auto file = [](std::vector<std::string> head) {
        for (const char* l : {"0", "0", "0", "0", "0", "0", "1", "0", "0", "0", "6371000", "63",
                              "64", "10", "10550", "300", "0"})
            head.push_back(l); // antennas, towers, 2 x 1 ground, legacy, flag, geography
        return Lines(head);
    };
    Project p;
    ASSERT_TRUE(ReadProjectText(p, file({"150.5", "2"})));
    EXPECT_EQ(std::tuple(p.FormatVersion, p.PlanWidthM), std::tuple(1, 150)); // halves to even
    // A width of 10 m or less reads as a format flag, the next line as width.
    ASSERT_TRUE(ReadProjectText(p, file({"8", "2", "2"})));
    EXPECT_EQ(std::tuple(p.FormatVersion, p.PlanWidthM, p.GridNX), std::tuple(8, 2, 2));
}

TEST(ProjectFileReader, LooseLineEndsKeptSlotsAndGridBounds) {
    Project p = RichProject();
    p.AntennaCount = 0;
    p.XY.Calculated = false;
    const std::string text = Write(p);
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    lf.pop_back(); // no line end after the last line either
    Project q;     // GridNX 100
    q.Antennas.resize(5);
    ASSERT_TRUE(ReadProjectText(q, "\xEF\xBB\xBF" + lf)); // after an editor's mark too
    EXPECT_EQ(q.AntennaSlotBound(), 4);                   // no antenna read: slots kept
    // The result grid follows the file's grid.
    EXPECT_EQ(std::tuple(q.XY.Density.nx(), q.XY.Density.ny()), std::tuple(10, 6));
    EXPECT_EQ(Write(q), text);
}

TEST(ProjectFileReader, NumberLinesFollowTheLineRules) {
    // The reader takes common number forms where they stand; every form must
    // still come out as the rules for a line on its own decide.
    const auto lines = CrLfLines(Write(RichProject()));
    const std::size_t tower = 5 + 7, ground = 5 + 12 * 3;
    ASSERT_EQ(lines[tower], "1");
    // clang-format off
    for (const char* form : {" 1.5\t", "+3", "-.5", "5.", "1E+02", "1e-3", "7 5", "+-3", "-+3",
                             "--3", "1E", "0x1", "inf", "-nan", "1E+400", "1E-400",
                             "1.79769313486232E+308", "32768", "-32768", "8.5",
                             "99999999999999999999", "3\r", "", " "}) {
        // clang-format on
        auto bad = lines;
        bad[ground] = form;
        Project p;
        const auto d = ParseFileDouble(form);
        ASSERT_EQ(ReadProjectText(p, Lines(bad)), d.has_value()) << form;
        EXPECT_EQ(d ? p.GroundGrid(1, 1) : 0.0, d.value_or(0.0)) << form;
        bad = lines;
        bad[tower] = form;
        const auto i = ParseFileInt16(form);
        ASSERT_EQ(ReadProjectText(p, Lines(bad)), i.has_value()) << form;
        EXPECT_EQ(i ? p.Antennas[1].AntTower : 0, i.value_or(0)) << form;
    }
}

TEST(ProjectFileReader, ShortenedOrGarbledFilesFail) {
    const auto lines = CrLfLines(Write(RichProject()));
    for (std::size_t n = 0; n < lines.size(); ++n) {
        Project q;
        EXPECT_FALSE(ReadProjectText(
            q, Lines(std::vector<std::string>(lines.begin(), lines.begin() + long(n)))))
            << "kept " << n;
        if (lines[n].empty() || lines[n][0] == '"') continue; // any text is a string
        auto bad = lines;
        bad[n] = "1,5";
        EXPECT_FALSE(ReadProjectText(q, Lines(bad))) << "garbled " << n;
    }
}

TEST(ProjectFileReader, AbsurdCountsFailWithoutAllocating) {
    Project q;
    for (const char* nx : {"0", "-5", "15361", "32767"})
        EXPECT_FALSE(ReadProjectText(q, Lines({"2", "150", nx, "0", "0"}))) << nx;
    EXPECT_FALSE(ReadProjectText(q, Lines({"2", "150", "100", "32767", "0", "1"})));
    EXPECT_FALSE(ReadProjectText(q, Lines({"2", "150", "100", "-1", "0"})));

    const auto lines = CrLfLines(Write(RichProject()));
    // IsolineCount is followed by 5 heads, 3 levels, 3 x 4 crossings and
    // 3 x 1 points of the second set, two lines each.
    const std::size_t iso = lines.size() - (6 + 3 + 3 * 4 * 2 + 3 * 1 * 2);
    const std::size_t legacy = 5 + 12 * 3 + 10 * 6 + 2;
    const std::size_t antY = 5 + 10;
    ASSERT_EQ(lines[iso + 1], "4");
    ASSERT_EQ(lines[legacy], "3");
    const std::pair<std::size_t, const char*> cases[] = {
        {iso, "-1"},        {iso, "32767"},  {iso + 1, "-1"},
        {iso + 1, "1E+18"}, {iso + 2, "-3"}, {legacy, "-2"},
        {legacy, "30000"},  {antY, "1E+09"}, {iso + 2, "4611686018427387904"}};
    for (auto [at, value] : cases) {
        auto bad = lines;
        bad[at] = value;
        EXPECT_FALSE(ReadProjectText(q, Lines(bad))) << at << " " << value;
    }
}

TEST(ProjectFileExtension, ItemsRoundTripAndADamagedBlockLeavesTheProjectUntouched) {
    const std::string plain = Write(RichProject()); // three antennas
    Project p;
    ASSERT_TRUE(ReadProjectText(p, plain + Lines({"\"brenvik-extension\"", "1", "frequency.2=1800",
                                                  "", "standard=icnirp-1998", "site=Cerro"})));
    EXPECT_EQ(std::tuple(p.Antennas[1].AntFrequencyMHz, p.Antennas[2].AntFrequencyMHz,
                         p.Compliance.Standard, p.Compliance.Group),
              std::tuple(900, 1800, "icnirp-1998", Population::Public));

    std::vector<std::string> items = {"\"brenvik-extension\"", "1",
                                      "frequency.1=900",       "frequency.2=900",
                                      "frequency.3=900",       "standard=icnirp-2020",
                                      "population=public",     "site="};
    const std::vector<std::string> farField = {"model=far-field",
                                               "reflection=2.56",
                                               "pattern.1.name=Panel A",
                                               "pattern.1.source=panel_a.msi",
                                               "pattern.1.frequency=947.5",
                                               "pattern.1.gain=17.15",
                                               "pattern.1.horizontal=0:0 90:3.5 180:25 270:3.5",
                                               "pattern.1.vertical=0:0 .5:.1 180:25",
                                               "beam-pattern.2=Panel A",
                                               "beam-h-width.3=65",
                                               "beam-v-width.3=10",
                                               "beam-e-tilt.3=-2",
                                               "rule.1=ch-installation",
                                               "rule.2=/data/my rules.json"};
    items.insert(items.end(), farField.begin(), farField.end());
    ASSERT_TRUE(ReadProjectText(p, plain + Lines(items)));
    ASSERT_EQ(p.Patterns.size(), 1u);
    EXPECT_EQ(std::tuple(p.Exposure.Model, p.Exposure.ReflectionFactor, p.Patterns[0].GainDbi,
                         p.Patterns[0].Vertical.Angle[1], p.Antennas[2].AntPattern,
                         p.Antennas[3].AntElectricalTiltDeg),
              std::tuple(ExposureModel::FarField, 2.56, 17.15, .5, "Panel A", -2.0));
    EXPECT_EQ(p.Compliance.Rules,
              (std::vector<std::string>{"ch-installation", "/data/my rules.json"}));
    const std::string saved = Write(p);
    EXPECT_EQ(saved, plain + Lines(items));

    // Whole blocks, then single items put in place of the item of their key
    // (or added): any damage leaves the project as it was.
    // clang-format off
    std::vector<std::vector<std::string>> damaged = {
        {}, {"0", "site=a"}, {"1", "frequency.4=900"}, {"1", "frequency.0=900"},
        {"1", "frequency.01=900"}, {"1", "frequency.1=abc"}, {"1", "frequency.1=-5"},
        {"1", "population=children"}, {"1", "standard="}, {"1", "colour=red", "colour=blue"},
        {"1", "site=a", "site=b"}, {"1", "site"}, {"1", "site=a\rb"}, {"1", "standard=x\ry"}};
    for (auto& d : damaged)
        d.insert(d.begin(), "\"brenvik-extension\"");
    for (const std::string bad : {"model=specified", "reflection=0", "beam-pattern.1=Other",
             "beam-h-width.2=0", "beam-v-width.4=5", "pattern.2.name=Panel A",
             "pattern.3.name=Gap", "pattern.1.colour=red", "pattern.1.horizontal=0:0 0:1",
             "pattern.1.horizontal=0:-1", "pattern.1.horizontal=360:0", "pattern.1.vertical=0-1",
             "rule.2=", "rule.4=it-exposure", "rule.01=it-exposure"}) {
        // clang-format on
        std::vector<std::string>& d = damaged.emplace_back(items);
        const std::string key = bad.substr(0, bad.find('='));
        const auto same = std::find_if(d.begin(), d.end(), [&](const std::string& l) {
            return l.substr(0, l.find('=')) == key;
        });
        if (same != d.end())
            *same = bad;
        else
            d.push_back(bad);
    }
    for (const auto& d : damaged) {
        std::istringstream is(plain + Lines(d));
        EXPECT_FALSE(ReadProjectFile(p, is)) << ::testing::PrintToString(d);
        EXPECT_EQ(Write(p), saved);
    }
    // Nothing is written that would not read back: an antenna naming a pattern
    // the project lacks, a text that would break the block's lines.
    std::string out;
    Project gone = p, twoLines = p;
    gone.Patterns.clear();
    twoLines.Compliance.SiteName = "two\nlines";
    Project ruleBroken = p;
    ruleBroken.Compliance.Rules[1] = "a\nb";
    EXPECT_FALSE(WriteProjectText(gone, out) || WriteProjectText(twoLines, out) ||
                 WriteProjectText(ruleBroken, out));
    // Reading a file without the block, or a new project, forgets them all.
    ASSERT_TRUE(ReadProjectText(p, plain));
    EXPECT_EQ(Write(p), plain);
    EXPECT_EQ(std::tuple(p.Exposure, p.Patterns.size(), p.Antennas[2].AntPattern),
              std::tuple(ExposureSettings{}, 0u, ""));
}

TEST(ProjectFileExtension, BlankLinesUnknownKeysAndNewerBlocks) {
    const std::string plain = Write(RichProject());
    struct Case {
        std::string tail;  // after the last record
        double frequency2; // antenna 2's carrier as read
        int newer;         // the newer block version noted
        bool writtenBack;  // the tail comes back unchanged on writing
    };
    const std::string block =
        "\"brenvik-extension\"\r\n1\r\nfrequency.1=900\r\nfrequency.2=1800\r\nfrequency.3=900\r\n"
        "standard=icnirp-2020\r\npopulation=public\r\nsite=\r\n";
    // clang-format off
    const Case cases[] = {
        {block, 1800, 0, true},
        {"\r\n  \r\n\t\r\n" + block, 1800, 0, false},            // blank lines before the marker
        {block + "beam.2=30;7\r\nzz=\r\n", 1800, 0, true},       // a later program's keys
        {"\"brenvik-extension\"\r\n2\r\nfrequency.2=1800\r\nnew=x\r\n", 900, 2, false},
        {"notes\r\n" + block, 900, 0, false},                       // other text: ignored as ever
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        Project p;
        ASSERT_TRUE(ReadProjectText(p, plain + c.tail));
        EXPECT_EQ(p.Antennas[2].AntFrequencyMHz, c.frequency2);
        EXPECT_EQ(p.ExtensionNewerVersion, c.newer);
        EXPECT_EQ(Write(p) == plain + c.tail, c.writtenBack);
        // A newer program's block is never saved over.
        brenvik::testing::TempDir dir;
        EXPECT_EQ(SaveProjectFile(p, dir.file("p.bvk")), c.newer == 0);
    }
}

namespace {

constexpr double No = std::numeric_limits<double>::quiet_NaN(); // refused
constexpr double Inf = std::numeric_limits<double>::infinity();

void ExpectRead(std::optional<double> got, double want, const std::string& what) {
    if (std::isnan(want))
        EXPECT_FALSE(got) << what;
    else
        EXPECT_EQ(got, want) << what;
}

// The three readers side by side: a dialog box, a project file line, a batch
// option value. Where they differ, they differ on purpose.
TEST(Numbers, EachReaderTakesItsOwnTexts) {
    struct Case {
        const char* text;
        double box, file, option;
    } cases[] = {
        {" +2.5 ", 2.5, 2.5, 2.5},
        {"-5", -5, -5, -5},
        {" .5 ", .5, .5, .5},
        {"2.5e+20", 2.5e20, 2.5e20, 2.5e20},
        {"\t7\t", 7, 7, No},   // the command line trims spaces only
        {"1e-400", No, 0, No}, // the file reads what underflows as zero
        {"1.79769313486232E+308", No, std::numeric_limits<double>::max(), No},
    };
    for (const Case& c : cases) {
        ExpectRead(ParseNumberC(c.text), c.box, std::string("box '") + c.text + "'");
        ExpectRead(ParseFileDouble(c.text), c.file, std::string("file '") + c.text + "'");
        ExpectRead(ParseOptionNumber(c.text), c.option, std::string("option '") + c.text + "'");
    }
    for (const char* t : {"1.79769313486233E+308", "+-5", "++5", "--1", "2,5", "", "  ", "12abc",
                          "inf", "nan", "0x10", "1e999", "1 000", "1.2.3", ".", "e5"})
        EXPECT_TRUE(!ParseNumberC(t) && !ParseFileDouble(t) && !ParseOptionNumber(t)) << t;
    // Too large is too large whatever the sign of its exponent.
    EXPECT_FALSE(ParseFileDouble("1" + std::string(320, '0') + "E-01"));
    EXPECT_EQ(ParseFileDouble("." + std::string(330, '0') + "1E+02"), 0.0);

    EXPECT_EQ(ParseOptionInteger(" +12 "), 12);
    for (const char* bad : {"12a", "7.5", "", "+-1", "++1"})
        EXPECT_FALSE(ParseOptionInteger(bad)) << bad;
}

TEST(Numbers, EachWriterGivesItsOwnForm) {
    struct Case {
        std::string got, want;
    } cases[] = {
        // clang-format off
        {FormatNumberC(12), "12"}, {FormatNumberC(-0.0), "0"}, {FormatNumberC(3.6), "3.6"},
        {FormatFixed2C(45.625), "45.62"}, {formatFixed(-0.0001, 2), "0.00"},
        {formatFixed(1.23456789, 4), "1.2346"}, {formatFixed(Inf, 2), "Inf"},
        {formatFixed(-Inf, 2), "-Inf"}, {formatFixed(No, 2), "NaN"},
        {FormatDensity(0.5, 3), "0.500 uW/cm^2"}, {FormatShortest(25), "25"},
        {FormatShortest(2.5), "2.5"}, {FormatFixedBox(-0.001, 2, ','), "0,00"},
        {FormatFixedBox(12.345678901, 8, '.'), "12.34567890"},
        {FormatFixedBox(1e300, 400, '.'), "1E+300"}, // too long for fixed decimals
        {FormatPlainBox(212.5, ','), "212,5"}, {FormatPlainBox(2.5e20), "2.5E+20"},
        {FormatPlainBox(-0.0), "0"},
        // clang-format on
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want);
}

} // namespace
