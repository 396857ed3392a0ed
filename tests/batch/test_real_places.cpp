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
#include <cstdio>
#include <gdal_priv.h>
#include <memory>
#include <ogrsf_frmts.h>

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
        return sh(at("site.bvk") + " --import-sites " + at("sites.csv") + " " + args);
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

namespace {

// A site as a consultant brings it: an elevation model in UTM 41N rising 2 m
// per 100 m to the east, 20 blocks of 2 to 6 levels in the OSM style, and 5
// places, all around the roof near the default origin (63 E, 64 N).
void WriteSite(const fs::path& dir) {
    GDALAllRegister();
    OGRSpatialReference ll, utm;
    ll.importFromEPSG(4326);
    utm.importFromEPSG(32641);
    ll.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&ll, &utm));
    double e = 62.99, n = 63.99;
    t->Transform(1, &e, &n);
    const int cols = 800, rows = 800; // 4 km of 5 m pixels from the south-west corner
    GDALDatasetUniquePtr dem(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        (dir / "dem.tif").c_str(), cols, rows, 1, GDT_Float32, nullptr));
    double gt[6] = {e, 5.0, 0.0, n + rows * 5.0, 0.0, -5.0};
    dem->SetGeoTransform(gt);
    dem->SetSpatialRef(&utm);
    std::vector<float> v(std::size_t(cols) * rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            v[std::size_t(r) * cols + std::size_t(c)] = float(120.0 + 0.02 * c * 5.0);
    ASSERT_EQ(dem->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, cols, rows, v.data(), cols, rows,
                                              GDT_Float32, 0, 0, nullptr),
              CE_None);

    std::string json = R"({"type":"FeatureCollection","features":[)";
    for (int k = 0; k < 20; ++k) {
        const double lon = 63.0004 + 0.0005 * (k % 5), lat = 64.0001 + 0.0002 * (k / 5);
        char f[600];
        std::snprintf(f, sizeof f,
                      R"(%s{"type":"Feature","properties":{"@id":"way/%d","name":"Block %d",)"
                      R"("building":"yes","building:levels":"%d"},"geometry":{"type":"Polygon",)"
                      R"("coordinates":[[[%.6f,%.6f],[%.6f,%.6f],[%.6f,%.6f],[%.6f,%.6f],)"
                      R"([%.6f,%.6f]]]}})",
                      k ? "," : "", 100 + k, k + 1, 2 + k % 5, lon, lat, lon + 0.0002, lat,
                      lon + 0.0002, lat + 0.0001, lon, lat + 0.0001, lon, lat);
        json += f;
    }
    std::ofstream(dir / "osm.geojson") << json << "]}";
    std::ofstream(dir / "places.csv") << "name,lon,lat,x_m,y_m,height_m,kind\n"
                                         "School,,,20,20,1.5,school\nCrèche,,,80,30,1.5,school\n"
                                         "Park,,,60,90,1,playground\nHome,,,120,60,4.5,home\n"
                                         "Clinic,,,30,80,1.5,care\n";
}

} // namespace

TEST_F(RealPlaces, SiteWithTerrainBuildingsAndPlacesReportsAndMapsTheWorst) {
    WriteSite(dir);
    ASSERT_EQ(run("--terrain " + at("dem.tif") + " --buildings " + at("osm.geojson") +
                  " --places " + at("places.csv") + " --xy surface --report " + at("r.pdf") +
                  " --export gpkg=" + at("m.gpkg") + " --export kmz=" + at("m.kmz")),
              0)
        << err;
    EXPECT_EQ(err.find("off the plan"), std::string::npos) << err;

    // Every building and place reaches both maps (their colours are the map
    // writers' own affair, read back in the map tests).
    GDALDatasetUniquePtr gpkg(GDALDataset::Open(at("m.gpkg").c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(gpkg && gpkg->GetLayerByName("buildings") && gpkg->GetLayerByName("places"));
    EXPECT_EQ(gpkg->GetLayerByName("buildings")->GetFeatureCount(), 20);
    EXPECT_EQ(gpkg->GetLayerByName("places")->GetFeatureCount(), 5);
    const char* const drivers[] = {"LIBKML", nullptr};
    GDALDatasetUniquePtr kmz(GDALDataset::Open(("/vsizip/" + at("m.kmz") + "/doc.kml").c_str(),
                                               GDAL_OF_VECTOR, drivers));
    ASSERT_TRUE(kmz && kmz->GetLayerByName("Buildings"));
    EXPECT_EQ(kmz->GetLayerByName("Buildings")->GetFeatureCount(), 20);

    const auto text = pdfText(dir / "r.pdf");
    if (!text) GTEST_SKIP() << "pdftotext is not installed";
    // The PDF's text may join "fl" into one ligature ("floor").
    for (const char* said : {"Worst building: Block ", "oor ", "worst place: "})
        EXPECT_NE(text->find(said), std::string::npos) << said << "\n" << text->substr(0, 1500);
}
