// The compliance answers through the built program: a site inventory in,
// the exposure-ratio dump and the PDF report out.

#include "BatchTestSupport.h"
#include "compliance/SiteInventory.h"
#include "compliance/Units.h"


using namespace brenvik;
using namespace batchtest;

namespace {

// Two towers carrying 900, 1800 and 3500 MHz antennas.
const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\n"
                     "roof,,,50,40,8,panel,1500,45,2,900,\n"
                     "roof,,,50,40,11,stick,400,,,1800,\n"
                     "mast,,,100,70,15,panel,2500,200,6,3500,\n";

} // namespace

class Compliance : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kSites;
    }
};

TEST_F(Compliance, ImportedSiteGivesTheRatioOfSingleRunsAndAReportWithTheVerdict) {
    ASSERT_EQ(sh(at("site.bvk") + " --import-sites " + at("sites.csv") +
                  " --xy 4 --export exposure-ratio-grid=" + at("r.csv") + " --report " +
                  at("report.pdf") + " --assessor 'J. Doe'"),
              0)
        << err;

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
    const auto dump = readDump(dir / "r.csv", p.GridNX, p.GridNY, "r");
    for (std::size_t n = 0; n < sum.size(); ++n)
        ASSERT_NEAR(dump.data()[n], sum.data()[n], 1e-9 * sum.data()[n]) << n;
    const double max = *std::max_element(dump.data(), dump.data() + dump.size());
    ASSERT_GT(max, 0.0);

    const auto text = pdfText(dir / "report.pdf");
    if (!text) GTEST_SKIP() << "pdftotext is not installed";
    const std::string percent = compliance::FormatPercent(max * 100.0);
    const std::string verdict =
        max > 1.0 ? "exceeds the limit over" : "complies: maximum " + percent;
    for (const std::string& said :
         {"Maximum " + percent + " % of the limit", verdict, std::string("site.bvk"),
          std::string("Assessor: J. Doe")})
        EXPECT_NE(text->find(said), std::string::npos) << said << "\n" << *text;
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
        EXPECT_EQ(sh(at("calc.bvk") + " " + c.args), c.status);
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
        EXPECT_EQ(sh(at("site.bvk") + " " + c.args), c.status);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(at("x.pdf")));
    EXPECT_FALSE(fs::exists(at("r.csv")));
}
