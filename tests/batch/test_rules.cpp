// The rules through the built program: shipped rules and a user's file judge
// the site in the report, one page each; a rules file with a bad field, an
// unknown rule and rules without a report are refused.

#include "BatchTestSupport.h"

#include <fstream>
#include <gdal_priv.h>

using namespace batchtest;

namespace {

// Two operators and three installations at one site, and places around it.
const char* kRuleSites =
    "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,operator,"
    "installation\n"
    "roof,,,50,40,8,panel,1500,45,2,900,,A,North\n"
    "roof,,,50,40,11,stick,400,,,1800,,B,South\n"
    "mast,,,100,70,15,panel,2500,200,6,3500,,A,Mast\n";
const char* kRulePlaces = "name,lon,lat,x_m,y_m,height_m,kind\n"
                          "School,,,70,60,1.5,school\nHome,,,90,50,4.5,home\n";

std::string OwnRuleFile(const std::string& where) {
    return R"({"rules": [{"id": "own", "title": "Own operator rule", "citation": "permit 12",
        "date": "2026-01-01", "sum": "operator", "where": ")" +
           where + R"(", "quantity": "S", "power": "maximum", "limit": {"value": 0.1}}]})";
}

} // namespace

class Rules : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(brenvik::Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kRuleSites;
        std::ofstream(at("places.csv")) << kRulePlaces;
    }
    int run(const std::string& args) {
        return sh(at("site.bvk") + " --import-sites " + at("sites.csv") + " --places " +
                  at("places.csv") + " --xy 4 " + args);
    }
};

TEST_F(Rules, ShippedAndOwnRulesGiveTheirPagesInTheReport) {
    std::ofstream(at("own.json")) << OwnRuleFile("places");
    ASSERT_EQ(run("--report " + at("r.pdf") + " --rules ch-installation --rules " + at("own.json")),
              0)
        << err;
    const auto text = PdfText(dir / "r.pdf");
    ASSERT_TRUE(text);
    for (const char* said : {"Rule: Switzerland: installation limit", "Rule: Own operator rule",
                             "installation North: its antennas seen", "Source: permit 12"})
        EXPECT_NE(text->find(said), std::string::npos) << said;
    // The flat national notes give way to the rules.
    EXPECT_EQ(text->find("Maximum limit allowed in Suiza"), std::string::npos);
}

TEST_F(Rules, BadRulesAreRefused) {
    std::ofstream(at("bad.json")) << OwnRuleFile("attic");
    std::string unknown = OwnRuleFile("places");
    unknown.replace(unknown.find(R"("value": 0.1)"), 12,
                    R"("fraction": 0.5, "standard": "nowhere")");
    std::ofstream(at("unknown.json")) << unknown;
    const struct {
        std::string args;
        int status;
        std::string said;
    } cases[] = {
        {"--report " + at("r.pdf") + " --rules " + at("bad.json"), 1,
         "rule \"own\": field \"where\" is none of nodes, places, floors"},
        {"--report " + at("r.pdf") + " --rules no-such-rule", 1, "No rule or rules file"},
        {"--report " + at("r.pdf") + " --rules " + at("unknown.json"), 1,
         "rule \"own\": field \"limit.standard\": no standard nowhere in the limits library"},
        {"--rules ch-installation", 2, "option --rules needs --report"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << c.args;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(dir / "r.pdf"));
    }
}

// The contributions come as a GeoTIFF, or as a GeoPackage when the path asks.
TEST_F(Rules, ContributionsFollowTheirPath) {
    ASSERT_EQ(
        run("--export contributions=" + at("c.tif") + " --export contributions=" + at("c.gpkg")), 0)
        << err;
    GDALAllRegister();
    GDALDatasetUniquePtr tif(GDALDataset::Open(at("c.tif").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(tif);
    // The dominant antenna, then operators A and B as they first appear.
    ASSERT_EQ(tif->GetRasterCount(), 3);
    EXPECT_STREQ(tif->GetRasterBand(3)->GetDescription(), "B");
    GDALDatasetUniquePtr gpkg(
        GDALDataset::Open(("GPKG:" + at("c.gpkg") + ":operator_2").c_str(), GDAL_OF_RASTER));
    EXPECT_TRUE(gpkg);
}
