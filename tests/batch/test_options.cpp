#include "batch/BatchOptions.h"
#include "batch/GridDump.h"
#include "batch/Progress.h"
#include "batch/StagedOutputs.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace brenvik;
using namespace brenvik::batch;
namespace fs = std::filesystem;

namespace {

BatchOptions ok(std::vector<std::string> args) {
    ParseResult r = parseArguments(args);
    EXPECT_TRUE(r.options) << r.error;
    return r.options.value_or(BatchOptions{});
}

std::string bad(std::vector<std::string> args) {
    ParseResult r = parseArguments(args);
    EXPECT_FALSE(r.options);
    return r.error;
}

} // namespace

TEST(BatchOptions, EveryOptionInAnyOrderAndBothValueForms) {
    BatchOptions o = ok({"--save",
                         "out.bvk",
                         "--xz=40.5",
                         "site.bvk",
                         "--open-angle-bts",
                         "-120",
                         "--open-angle-dts=7",
                         "--isolines",
                         "9",
                         "--xy",
                         "-0.5",
                         "--export",
                         "grid-xy=g.csv",
                         "--export=maximum-geographic=m.csv",
                         "--image",
                         "p.BMP",
                         "--plane",
                         "XZ",
                         "--style",
                         "dots",
                         "--background",
                         "white",
                         "--size",
                         "800x600",
                         "--quiet"});
    EXPECT_EQ(o.projectPath, "site.bvk");
    EXPECT_EQ(o.openAngleBTS, -120.0); // normalised later, as the dialog does
    EXPECT_EQ(o.openAngleDTS, 7.0);
    EXPECT_EQ(o.isolines, 9);
    EXPECT_TRUE(o.xy);
    EXPECT_FALSE(o.xySurface);
    EXPECT_EQ(o.xyHeight, -0.5);
    EXPECT_EQ(o.xzDistance, 40.5);
    ASSERT_EQ(o.exports.size(), 2u);
    EXPECT_EQ(o.exports[0].kind, ExportKind::GridXY);
    EXPECT_EQ(o.exports[1].kind, ExportKind::MaximumGeographic);
    EXPECT_EQ(o.exports[1].path, "m.csv");
    ASSERT_TRUE(o.image);
    EXPECT_EQ(o.image->format, ImageFormat::Bmp);
    EXPECT_EQ(o.image->plane, ImagePlane::XZ);
    EXPECT_EQ(o.image->style, 3);
    EXPECT_EQ(o.image->whiteBackground, true);
    EXPECT_EQ(o.image->width, 800);
    EXPECT_EQ(o.image->height, 600);
    EXPECT_EQ(o.savePath, "out.bvk");
    EXPECT_TRUE(o.quiet);

    BatchOptions s = ok({"a.bvk", "--xy", "Surface"});
    EXPECT_TRUE(s.xy && s.xySurface);
    BatchOptions d = ok({"a.bvk", "--image", "x.png"});
    EXPECT_EQ(d.image->format, ImageFormat::Png);
    EXPECT_FALSE(d.image->plane);
    EXPECT_FALSE(d.image->style);
    EXPECT_EQ(d.image->width, 1024);
}

TEST(BatchOptions, AllExportKindsRoundTripTheirNames) {
    for (const char* n :
         {"isolines-cartesian", "isolines-geographic", "sources-cartesian", "sources-geographic",
          "concentrations-cartesian", "concentrations-geographic", "maximum-cartesian",
          "maximum-geographic", "grid-xy", "grid-xz"}) {
        auto k = exportKindFromName(n);
        ASSERT_TRUE(k) << n;
        EXPECT_STREQ(exportKindName(*k), n);
    }
    EXPECT_FALSE(exportKindFromName("sources"));
}

TEST(BatchOptions, UsageErrors) {
    EXPECT_NE(bad({}).find("no project"), std::string::npos);
    EXPECT_NE(bad({"a.bvk", "b.bvk"}).find("more than one"), std::string::npos);
    EXPECT_NE(bad({"a.bvk", "--frobnicate"}).find("unknown option"), std::string::npos);
    EXPECT_NE(bad({"a.bvk", "--xy"}).find("needs a value"), std::string::npos);
    bad({"a.bvk", "--xy", "ground"});
    bad({"a.bvk", "--xy", "1,5"});
    bad({"a.bvk", "--xz", "nan"});
    bad({"a.bvk", "--xz", "inf"});
    bad({"a.bvk", "--xz", "--5"});
    bad({"a.bvk", "--open-angle-bts", "3.6deg"});
    bad({"a.bvk", "--isolines", "7.5"});
    bad({"a.bvk", "--isolines", ""});
    bad({"a.bvk", "--export", "grid-xy"});
    bad({"a.bvk", "--export", "grid-xy="});
    bad({"a.bvk", "--export", "grid-xyz=a.csv"});
    bad({"a.bvk", "--image", "p.jpg"});
    bad({"a.bvk", "--image", "p.png", "--plane", "yz"});
    bad({"a.bvk", "--image", "p.png", "--style", "contour"});
    bad({"a.bvk", "--image", "p.png", "--background", "grey"});
    bad({"a.bvk", "--image", "p.png", "--size", "800"});
    bad({"a.bvk", "--image", "p.png", "--size", "0x600"});
    bad({"a.bvk", "--image", "p.png", "--size", "800x-6"});
    bad({"a.bvk", "--quiet=yes"});
    // The image settings without an image are a mistake, not a no-op.
    bad({"a.bvk", "--style", "dots"});
    // Two outputs on one path would silently lose one of them.
    EXPECT_NE(
        bad({"a.bvk", "--export", "grid-xy=o.csv", "--export", "grid-xz=o.csv"}).find("same path"),
        std::string::npos);
    bad({"a.bvk", "--image", "o.png", "--save", "o.png"});
}

TEST(BatchOptions, HelpNeedsNoProjectAndDashDashEndsOptions) {
    EXPECT_TRUE(ok({"--help"}).help);
    BatchOptions o = ok({"--", "--odd-name.bvk"});
    EXPECT_EQ(o.projectPath, "--odd-name.bvk");
    EXPECT_NE(usageText().find("--export KIND=PATH"), std::string::npos);
}

TEST(BatchOptions, NumbersIgnoreTheLocaleForm) {
    EXPECT_EQ(parseNumber(" .5 "), 0.5);
    EXPECT_EQ(parseNumber("+2.5E+2"), 250.0);
    EXPECT_EQ(parseNumber("-1e-3"), -0.001);
    EXPECT_FALSE(parseNumber("1 000"));
    EXPECT_FALSE(parseNumber("0x10"));
    EXPECT_FALSE(parseNumber("1e999"));
    EXPECT_EQ(parseInteger("+12"), 12);
    EXPECT_FALSE(parseInteger("12a"));
}

TEST(GridDump, ReadsBackToTheSameDoublesInNodeOrder) {
    Grid2D<double> g(3, 2);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-1e-3, 1e4);
    for (int i = 0; i <= 3; ++i)
        for (int j = 0; j <= 2; ++j)
            g(i, j) = u(rng);
    g(0, 0) = 0.0;
    g(1, 1) = 0.1;                    // not exact in binary
    g(2, 2) = 5e-324;                 // the smallest subnormal
    g(3, 0) = 1.7976931348623157e308; // the largest double
    std::ostringstream out;
    writeGridDump(out, g, 3, 2);
    std::string text = out.str();
    ASSERT_EQ(text.rfind("\"i\",\"j\",\"c\"\r\n", 0), 0u);

    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    int records = 0;
    for (int i = 0; i <= 3; ++i)
        for (int j = 0; j <= 2; ++j) {
            ASSERT_TRUE(std::getline(in, line));
            ASSERT_EQ(line.back(), '\r');
            int ri = 0, rj = 0;
            char c1 = 0, c2 = 0;
            std::istringstream rec(line);
            rec >> ri >> c1 >> rj >> c2;
            std::string value;
            std::getline(rec, value, '\r');
            EXPECT_EQ(ri, i);
            EXPECT_EQ(rj, j);
            EXPECT_EQ(std::strtod(value.c_str(), nullptr), g(i, j)) << value;
            ++records;
        }
    EXPECT_EQ(records, 12);
    EXPECT_FALSE(std::getline(in, line));
    EXPECT_EQ(formatGridValue(0.1), "0.10000000000000001");
    EXPECT_EQ(formatGridValue(0.0), "0");
    EXPECT_THROW(writeGridDump(out, g, 4, 2), std::logic_error);
}

class StagedOutputsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("brenvik-stage-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    static void put(const fs::path& p, const std::string& s) { std::ofstream(p) << s; }
    static std::string get(const fs::path& p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

TEST_F(StagedOutputsTest, NothingReachesTheTargetsUntilCommit) {
    put(dir / "a.csv", "old");
    {
        StagedOutputs s;
        std::string ta = s.stage((dir / "a.csv").string());
        std::string tb = s.stage((dir / "b.csv").string());
        EXPECT_EQ(fs::path(ta).parent_path(), dir);
        put(ta, "new a");
        put(tb, "new b");
        EXPECT_EQ(get(dir / "a.csv"), "old");
        EXPECT_FALSE(fs::exists(dir / "b.csv"));
        s.commitAll();
    }
    EXPECT_EQ(get(dir / "a.csv"), "new a");
    EXPECT_EQ(get(dir / "b.csv"), "new b");
    EXPECT_EQ(entries(), 2u); // no temporary left behind
}

TEST_F(StagedOutputsTest, AnAbandonedRunLeavesTheOldFilesAndNoTemporaries) {
    put(dir / "a.csv", "old");
    {
        StagedOutputs s;
        put(s.stage((dir / "a.csv").string()), "half");
        s.stage((dir / "c.csv").string());
    } // destroyed without commit: a failure or Ctrl-C
    EXPECT_EQ(get(dir / "a.csv"), "old");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(StagedOutputsTest, UnwritableTargetsFailAtStaging) {
    StagedOutputs s;
    EXPECT_THROW(s.stage((dir / "missing" / "a.csv").string()), OutputError);
    EXPECT_THROW(s.stage(dir.string()), OutputError); // a folder
    EXPECT_THROW(s.temporaryFor("nowhere"), std::logic_error);
}

TEST(Progress, LineAndFractionCountPassesAntennasAndNodes) {
    ProgressCounts c{1, 2, 3, 4, 50, 100};
    // pass 1 of 2, antenna 3 of 4, node 50 of 100: (2 * 100 + 50) / 800.
    EXPECT_DOUBLE_EQ(progressFraction(c), 250.0 / 800.0);
    std::string line = progressLine("XY", c, 8);
    EXPECT_EQ(line, "XY  pass 1/2  antenna 3/4  node 50/100  [##......] 31%");
    EXPECT_EQ(progressFraction(ProgressCounts{}), 0.0);
    EXPECT_EQ(progressFraction(ProgressCounts{1, 1, 1, 1, 500, 100}), 1.0);
}

TEST(Progress, DisabledBarWritesNothing) {
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(f);
    {
        ProgressBar bar(f, false);
        bar.update("XY", ProgressCounts{1, 1, 1, 1, 1, 10});
        bar.finish();
    }
    EXPECT_EQ(std::ftell(f), 0L);
    {
        ProgressBar bar(f, true);
        bar.update("XY", ProgressCounts{1, 1, 1, 1, 1, 10});
        bar.update("XY", ProgressCounts{1, 1, 1, 1, 2, 10}); // throttled
    }
    std::rewind(f);
    char buf[256] = {};
    std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::string s(buf, n);
    EXPECT_EQ(s.front(), '\r');
    EXPECT_EQ(s.back(), '\n');
    EXPECT_NE(s.find("node 1/10"), std::string::npos);
    EXPECT_EQ(s.find("node 2/10"), std::string::npos);
    std::fclose(f);
}
