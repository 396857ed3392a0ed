// The compliance answers through the built program: a site inventory in,
// the exposure-ratio dump and the PDF report out.

#include "BatchTestSupport.h"
#include "compliance/SiteInventory.h"
#include "compliance/Units.h"

#include <cstdlib>
#include <sstream>

using namespace brenvik;
using namespace batchtest;

namespace {

// Two towers carrying 900, 1800 and 3500 MHz antennas.
const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\n"
                     "roof,,,50,40,8,panel,1500,45,2,900,\n"
                     "roof,,,50,40,11,stick,400,,,1800,\n"
                     "mast,,,100,70,15,panel,2500,200,6,3500,\n";

std::map<std::pair<int, int>, double> readDump(const std::string& text) {
    std::map<std::pair<int, int>, double> out;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "\"i\",\"j\",\"r\"\r");
    int i = 0, j = 0;
    char c1 = 0, c2 = 0;
    double r = 0;
    while (in >> i >> c1 >> j >> c2 >> r)
        out[{i, j}] = r;
    return out;
}

} // namespace

class Compliance : public ScratchTest {
  protected:
    // Runs the program with the scratch folder as the configuration folder,
    // so no limits file of the user's own takes part unless a test puts one.
    int run(const std::string& args) {
        const std::string cmd = "XDG_CONFIG_HOME=" + dir.string() + " " + BRENVIK_BATCH_EXE + " " +
                                args + " >/dev/null 2>" + at("err");
        const int st = std::system(cmd.c_str());
        err = slurp(at("err"));
        fs::remove(at("err"));
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kSites;
    }
    std::string err;
};

TEST_F(Compliance, ImportedSiteGivesTheRatioOfSingleRunsAndAReportWithTheVerdict) {
    ASSERT_EQ(run(at("site.bvk") + " --import-sites " + at("sites.csv") +
                  " --xy 4 --export exposure-ratio-grid=" + at("r.csv") + " --report " +
                  at("report.pdf") + " --assessor 'J. Doe'"),
              0)
        << err;
    const auto dump = readDump(slurp(at("r.csv")));

    // The same site, one antenna at a time, each over its ICNIRP 2020 public
    // limit: 450, 900 and 1000 uW/cm^2.
    Project p;
    ASSERT_EQ(compliance::ImportSites(p, kSites, compliance::ImportMode::Replace), std::nullopt);
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 4;
    const double limit[] = {0, 450, 900, 1000};
    Grid2D<double> sum(p.GridNX, p.GridNY);
    for (int k = 1; k <= 3; ++k) {
        Project one = p;
        one.Antennas = {Antenna{}, p.Antennas[k]};
        one.AntennaCount = 1;
        ASSERT_TRUE(RunXYCalculation(one).ok());
        for (std::size_t n = 0; n < sum.size(); ++n)
            sum.data()[n] += one.XY.Density.data()[n] / limit[k];
    }
    ASSERT_EQ(dump.size(), sum.size());
    double max = 0;
    for (const auto& [node, r] : dump) {
        const double expect = sum(node.first, node.second);
        ASSERT_NEAR(r, expect, 1e-9 * expect) << node.first << "," << node.second;
        max = std::max(max, r);
    }
    ASSERT_GT(max, 0.0);

    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftotext is not installed";
    ASSERT_EQ(std::system(("pdftotext " + at("report.pdf") + " " + at("report.txt")).c_str()), 0);
    const std::string text = slurp(at("report.txt"));
    const std::string percent = compliance::FormatPercent(max * 100.0);
    EXPECT_NE(text.find("Maximum " + percent + " % of the limit"), std::string::npos) << text;
    const std::string verdict =
        max > 1.0 ? "exceeds the limit over" : "complies: maximum " + percent;
    EXPECT_NE(text.find(verdict), std::string::npos) << text;
    EXPECT_NE(text.find("site.bvk"), std::string::npos);
    EXPECT_NE(text.find("Assessor: J. Doe"), std::string::npos);
}

// A result the run's own steps put out of date is never written out; a stored
// result the run leaves as it is, or one it calculates, is.
TEST_F(Compliance, OutputsAreOfACurrentResultOnly) {
    Project p;
    ASSERT_EQ(compliance::ImportSites(p, kSites, compliance::ImportMode::Replace), std::nullopt);
    p.Antennas.resize(2);
    p.AntennaCount = 1;
    ASSERT_TRUE(RunXYCalculation(p).ok());
    writeSite(p, at("calc.bvk"));
    const struct {
        std::string args;
        int status;
    } cases[] = {
        {"--export grid-xy=" + at("a.csv"), 0},
        {"--import-sites " + at("sites.csv") + " --export grid-xy=" + at("b.csv"), 1},
        {"--open-angle-bts 5 --report " + at("c.pdf"), 1},
        {"--import-sites " + at("sites.csv") + " --xy 4 --export grid-xy=" + at("e.csv"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(run(at("calc.bvk") + " " + c.args), c.status);
        EXPECT_EQ(err.find("Result out of date") != std::string::npos, c.status == 1) << err;
    }
    EXPECT_FALSE(fs::exists(at("b.csv")) || fs::exists(at("c.pdf")));
}

TEST_F(Compliance, RefusalsNameTheirCause) {
    struct Case {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {"--standard nope --xy 4", 2, "known: icnirp-2020"},
        {"--population everyone --xy 4", 2, "--population is public or occupational"},
        {"--report out.txt --xy 4", 2, ".pdf"},
        {"--assessor a=b --xy 4", 2, "--assessor must not hold a line break or '='"},
        {"--import-sites " + at("bad.csv") + " --xy 4", 1, "line 3: type 'dish'"},
        {"--import-sites " + at("low.csv") + " --standard fcc --xy 4 --report " + at("x.pdf"), 1,
         "tower 1, antenna 1"},
        {"--import-sites " + at("sites.csv") + " --export exposure-ratio-grid=" + at("r.csv"), 1,
         "There is not a calculated electromagnetic pollution"},
        // A limits file of the user's that does not read is named with its
        // line, and the built-in library serves.
        {"--import-sites " + at("sites.csv") + " --xy 4 --report " + at("y.pdf"), 0,
         "brenvik/limits.json: line 2:"},
    };
    std::ofstream(at("bad.csv")) << compliance::SitesHeader << "\na,,,9,9,5,panel,9,0,0,900,\n"
                                 << "b,,,9,9,5,dish,9,0,0,900,\n";
    fs::create_directories(dir / "brenvik");
    std::ofstream(at("brenvik/limits.json")) << "{\"standards\": [\n  {oops}]}";
    std::ofstream(at("low.csv")) << compliance::SitesHeader << "\na,,,9,9,5,stick,9,0,0,0.2,\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(run(at("site.bvk") + " " + c.args), c.status);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(at("x.pdf")));
    EXPECT_FALSE(fs::exists(at("r.csv")));
}
