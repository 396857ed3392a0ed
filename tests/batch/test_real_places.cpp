// Buildings and places through the built program: imported, evaluated and
// written, or refused with the file, the line and the reason.

#include "BatchTestSupport.h"
#include "batch/ImageOutput.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/SiteInventory.h"
#include "compliance/Units.h"
#include "render/RecordingSurface.h"

#include <algorithm>
#include <cstdlib>

using namespace brenvik;
using namespace batchtest;

namespace {

const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\n"
                     "roof,,,50,40,8,panel,1500,45,2,900,\n";

// A 10 x 10 m block of 4 levels north-east of the roof near the default
// origin (63 E, 64 N), and one far off the plan.
const char* kBuildings =
    R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"@id":"way/1","building:levels":"4","name":"School"},
 "geometry":{"type":"Polygon","coordinates":[[[63.0015,64.0006],[63.0017,64.0006],
 [63.0017,64.00069],[63.0015,64.00069],[63.0015,64.0006]]]}},
{"type":"Feature","properties":{"@id":"way/2"},
 "geometry":{"type":"Polygon","coordinates":[[[63.2,64.2],[63.2002,64.2],[63.2002,64.2001],
 [63.2,64.2]]]}}]})";

} // namespace

class RealPlaces : public ScratchTest {
  protected:
    int run(const std::string& args) {
        const std::string cmd = "XDG_CONFIG_HOME=" + dir.string() + " " + BRENVIK_BATCH_EXE + " " +
                                at("site.bvk") + " --import-sites " + at("sites.csv") + " " + args +
                                " >/dev/null 2>" + at("err");
        const int st = std::system(cmd.c_str());
        err = slurp(at("err"));
        fs::remove(at("err"));
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kSites;
        std::ofstream(at("b.geojson")) << kBuildings;
        std::ofstream(at("p.csv"))
            << "name,lon,lat,x_m,y_m,height_m,kind\nYard,,,70,60,1.5,school\n";
        std::ofstream(at("bad.csv")) << "name,lon,lat,x_m,y_m,height_m,kind\nYard,,,70,x,1.5,\n";
    }
    std::string err;
};

TEST_F(RealPlaces, WrittenByExtensionOrRefusedWithTheLine) {
    ASSERT_EQ(run("--buildings " + at("b.geojson") + " --places " + at("p.csv") +
                  " --export places=" + at("o.csv") + " --export places=" + at("o.geojson") +
                  " --export buildings=" + at("b.csv") + " --export buildings=" + at("b.gpkg")),
              0)
        << err;
    EXPECT_NE(err.find("1 building off the plan skipped: way/2"), std::string::npos) << err;
    EXPECT_EQ(slurp(at("o.csv")).rfind("name,lon,lat,x_m,y_m,ground_m,height_m,s_uw_cm2", 0), 0u);
    EXPECT_NE(slurp(at("o.geojson")).find("\"FeatureCollection\""), std::string::npos);
    const std::string floors = slurp(at("b.csv"));
    EXPECT_EQ(std::count(floors.begin(), floors.end(), '\n'), 5); // the header and 4 floors
    EXPECT_TRUE(fs::exists(at("b.gpkg")));

    const struct {
        std::string args, message;
    } refused[] = {
        {"--places " + at("bad.csv"), "line 2: y_m 'x' is not a number"},
        {"--export places=" + at("n.csv"), "The project has no places of sensitive use"},
        {"--terrain " + at("p.csv"), "Terrain not imported from " + at("p.csv")},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(run(r.args), 1) << r.args;
        EXPECT_NE(err.find(r.message), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(at("n.csv")));
    }
}

TEST(RealPlacesImage, PlacesCarryTheirPercentAsInTheWindow) {
    Project p;
    ASSERT_EQ(compliance::ImportSites(
                  p, std::string(compliance::SitesHeader) + "\nroof,,,50,40,8,stick,1500,,,900,\n",
                  compliance::ImportMode::Replace),
              std::nullopt);
    const compliance::PlanPoint at = compliance::DrawingFromCartesian(p, 70, 60);
    p.Places = {Place{"Yard", "school", at.x, at.y, 1.5}};
    const auto inv = compliance::InverseLimits(p, compliance::LoadLibrary().library, "icnirp-2020",
                                               Population::Public);
    // The place's name with its % of the limit, as the window labels it.
    const std::string label =
        "Yard " +
        compliance::FormatPercent(compliance::EvaluatePlace(p, p.Places[0], inv.inverse).percent) +
        " %";
    const auto overlay = batch::realPlacesOverlay(p);
    ASSERT_TRUE(overlay);
    render::RecordingSurface s;
    overlay(s);
    const auto texts = s.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
    p.CurrentPlane = Plane::XZ;
    EXPECT_FALSE(batch::realPlacesOverlay(p));
}
