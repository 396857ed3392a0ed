// The compliance answers through the built program: a site inventory in, the
// exposure-ratio dump and the PDF report out; buildings and places imported,
// evaluated and written, or refused with the file, the line and the reason;
// the far-field model checked node by node against its formulas.

#include "../calc/FarFieldHand.h"
#include "BatchTestSupport.h"
#include "calc/CalcForms.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/SiteInventory.h"
#include "compliance/Units.h"

#include <algorithm>
#include <cstdio>
#include <gdal_priv.h>
#include <memory>
#include <ogrsf_frmts.h>

using namespace brenvik;
using namespace batchtest;

namespace {

// Two towers carrying 900, 1800 and 3500 MHz antennas.
const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\n"
                     "roof,,,50,40,8,panel,1500,45,2,900,\n"
                     "roof,,,50,40,11,stick,400,,,1800,\n"
                     "mast,,,100,70,15,panel,2500,200,6,3500,\n";

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

class Compliance : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kSites;
    }
    // The empty site with the inventory imported, then `args`.
    int run(const std::string& args) {
        return sh(at("site.bvk") + " --import-sites " + at("sites.csv") + " " + args);
    }
};
using RealPlaces = Compliance;
using FarFieldBatch = Compliance;

TEST_F(Compliance, ImportedSiteGivesTheRatioOfSingleRunsAndAReportWithTheVerdict) {
    ASSERT_EQ(run("--xy 4 --export exposure-ratio-grid=" + at("r.csv") + " --report " +
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
    const auto dump = ReadDump(dir / "r.csv", p.GridNX, p.GridNY, "r");
    for (std::size_t n = 0; n < sum.size(); ++n)
        ASSERT_NEAR(dump.data()[n], sum.data()[n], 1e-9 * sum.data()[n]) << n;
    const double max = *std::max_element(dump.data(), dump.data() + dump.size());
    ASSERT_GT(max, 0.0);

    const auto text = PdfText(dir / "report.pdf");
    ASSERT_TRUE(text);
    const std::string percent = compliance::FormatPercent(max * 100.0);
    const std::string verdict =
        max > 1.0 ? "exceeds the limit over" : "complies: maximum " + percent;
    for (const std::string& said : {"Maximum " + percent + " % of the limit", verdict,
                                    std::string("site.bvk"), std::string("Assessor: J. Doe")})
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
        std::string says;
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
        // A standard of that file is unknown, and the refusal says why.
        {"--standard mine --xy 4", 2, "The limits file was refused: "},
        // The places, and a terrain that is no elevation model.
        {"--import-sites " + at("sites.csv") + " --places " + at("badp.csv"), 1,
         "line 2: y_m 'x' is not a number"},
        {"--import-sites " + at("sites.csv") + " --export places=" + at("n.csv"), 1,
         "The project has no places of sensitive use"},
        {"--import-sites " + at("sites.csv") + " --terrain " + at("sites.csv"), 1,
         "Terrain not imported from " + at("sites.csv")},
    };
    std::ofstream(at("badp.csv")) << "name,lon,lat,x_m,y_m,height_m,kind\nYard,,,70,x,1.5,\n";
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
    for (const char* output : {"x.pdf", "r.csv", "n.csv"})
        EXPECT_FALSE(fs::exists(at(output))) << output;
}

TEST_F(RealPlaces, WrittenByExtension) {
    std::ofstream(at("b.geojson")) << kBuildings;
    std::ofstream(at("p.csv")) << "name,lon,lat,x_m,y_m,height_m,kind\nYard,,,70,60,1.5,school\n";
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
}

namespace {

// A site as a consultant brings it: an elevation model in UTM 41N rising 2 m
// per 100 m to the east, 20 blocks of 2 to 6 levels in the OSM style, and 5
// places, all around the roof near the default origin (63 E, 64 N).
void WriteSite(const fs::path& dir) {
    GDALAllRegister();
    OGRSpatialReference ll, utm;
    for (auto [srs, epsg] : {std::pair{&ll, 4326}, std::pair{&utm, 32641}}) {
        srs->importFromEPSG(epsg);
        srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
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

    const auto text = PdfText(dir / "r.pdf");
    ASSERT_TRUE(text);
    // The PDF's text may join "fl" into one ligature ("floor").
    for (const char* said : {"Worst building: Block ", "oor ", "worst place: "})
        EXPECT_NE(text->find(said), std::string::npos) << said << "\n" << text->substr(0, 1500);
}

// A site inventory mixing imported patterns, parametric panels and a stick.
TEST_F(FarFieldBatch, EveryNodeOfBothPlanesFollowsTheFormulasAndReflectionScalesThem) {
    for (const char* f :
         {"panel-65deg-0t.msi", "omni-10deg-halfstep.msi", "asymmetric-beam-no-count.msi"})
        fs::copy_file(fs::path(BRENVIK_PATTERNS_DIR) / f, dir / f);
    std::ofstream(dir / "sites.csv")
        << "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,"
           "pattern,h_beamwidth_deg,v_beamwidth_deg,electrical_tilt_deg\n"
           "north,,,40,60,12,panel,1500,30,4,1842.5,,panel-65deg-0t.msi,,,\n"
           "north,,,40,60,15,stick,300,,,900,,omni-10deg-halfstep.msi,,,\n"
           "east,,,110,35,10,panel,800,200,-2,900,,,65,,3\n"
           "south,,,70,15,2,stick,200,,,900,,,,,\n"
           "west,,,20,25,25,panel,900,333,0,2450,,asymmetric-beam-no-count.msi,,9,\n";
    for (const std::string tag : {"a", "b"})
        ASSERT_EQ(run("--model far-field --reflection " + std::string(tag == "a" ? "1" : "2.56") +
                      " --xy 2 --xz 40 --export grid-xy=" + at(tag + "xy.csv") +
                      " --export grid-xz=" + at(tag + "xz.csv") + " --save " + at(tag + ".bvk")),
                  0)
            << err;
    Project p;
    ASSERT_TRUE(LoadProjectFile(p, at("a.bvk")));
    ASSERT_EQ(std::tuple(p.AntennaCount, p.Patterns.size()), std::tuple(5, 3u));
    ASSERT_FALSE(XZDialogAccept(p, "40"));
    const int nx = p.GridNX, ny = p.GridNY, off = p.XZRowOffset;
    // The far-field section lies on the line asked for: 40 m up from the
    // exports' zero line (drawing y 9600), at y = OriginY + 40.
    const double cell = p.CellSize * p.MetersPerUnit, yPlane = 9600 * p.MetersPerUnit - 40;
    const Grid2D<double> xy = ReadDump(dir / "axy.csv", nx, ny),
                         xz = ReadDump(dir / "axz.csv", nx, ny);
    // The antennas stand at the inventory's x_m/y_m (the plan's origin is
    // 0, 0), not at their grid nodes; the plan's top edge lies 9600 units up.
    const double site[][2] = {{}, {40, 60}, {40, 60}, {110, 35}, {70, 15}, {20, 25}};
    const double top = 9600 * p.MetersPerUnit;
    const auto handSum = [&](double x, double y, double z) {
        double sum = 0;
        for (int k = 1; k <= 5; ++k) {
            const Antenna& a = p.Antennas[k];
            sum += farfieldhand::Hand(p, a, x - site[k][0], -(y - (top - site[k][1])),
                                      z - a.AntHeight, 1.0);
        }
        return sum;
    };
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j) {
            const double want = handSum(i * cell, j * cell, 2);
            ASSERT_NEAR(xy(i, j), want, 1e-9 * want) << i << "," << j;
        }
    // Height row j is stored in row ny - j - offset, drawn two rows higher.
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny - off - 2; ++j) {
            const double want = handSum(i * cell, yPlane, j * cell);
            ASSERT_NEAR(xz(i, ny - j - off - 2), want, 1e-9 * want) << i << "," << j;
        }
    const Grid2D<double> xy2 = ReadDump(dir / "bxy.csv", nx, ny),
                         xz2 = ReadDump(dir / "bxz.csv", nx, ny);
    for (std::size_t k = 0; k < xy.size(); ++k) {
        ASSERT_EQ(xy2.data()[k], xy.data()[k] * 2.56) << k;
        ASSERT_EQ(xz2.data()[k], xz.data()[k] * 2.56) << k;
    }
}
