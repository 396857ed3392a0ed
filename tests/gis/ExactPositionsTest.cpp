// Imported sites stand where the inventory puts them, in every output: the
// positions are checked at the user's own longitude/latitude, and the
// far-field grid against the formula at those positions.
#include "GisTestSupport.h"
#include "calc/FarFieldHand.h"
#include "calc/GridCalc.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Csv.h"
#include "compliance/SiteInventory.h"
#include "export/CsvExport.h"
#include "gis/GisExport.h"
#include "model/TempDir.h"
#include "render/RecordingSurface.h"

#include <cmath>
#include <gtest/gtest.h>
#include <iomanip>
#include <ogrsf_frmts.h>
#include <sstream>
#include <tuple>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

// Two sites between grid nodes (a cell is 1.49 m here), one with two antennas.
const std::string kRows =
    "Torre Norte,10.000512345,45.000301234,,,12,panel,1500,30,4,900,sector A\n"
    "Torre Norte,10.000512345,45.000301234,,,14,panel,800,200,2,900,"
    "\"sector, \"\"B\"\"\"\n"
    "Cerro,10.0011234567,45.0006187654,,,20,stick,300,0,0,900,omni\n";
const double kLon[] = {10.000512345, 10.000512345, 10.0011234567};
const double kLat[] = {45.000301234, 45.000301234, 45.0006187654};
const double kHeight[] = {12, 14, 20};
const char* const kSite[] = {"Torre Norte", "Torre Norte", "Cerro"};
const char* const kLabel[] = {"sector A", "sector, \"B\"", "omni"};

std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line))
        out.push_back(SplitCsvLine(line.substr(0, line.find('\r'))));
    return out;
}

} // namespace

TEST(ExactPositions, ImportedSitesKeepTheirLonLatInEveryOutput) {
    Project p;
    std::tie(p.OriginLon, p.OriginLat, p.OriginX, p.OriginY) = std::tuple(10.0, 45.0, 5e5, 5e6);
    p.Exposure.Model = ExposureModel::FarField;
    ASSERT_EQ(ImportSites(p, std::string(SitesHeader) + "\n" + kRows, ImportMode::Replace),
              std::nullopt);
    ASSERT_EQ(p.AntennaCount, 3);
    std::tie(p.CalcOption, p.CalcHeight) = std::tuple(CalcLevel::AtHeight, 10.0);
    // Metres per degree at the origin's latitude, from the ellipsoid's radii.
    const double phi = 45 / 57.2956, a = 6378136.6, b = 6356751.9;
    const double d = std::hypot(a * std::cos(phi), b * std::sin(phi));
    const double lx = a * a / d * std::cos(phi) / 57.2956,
                 ly = a * a * b * b / (d * d * d) / 57.2956;
    const double mpu = 150.0 / 15360, top = 9600 * mpu; // plan metres; the plan's top edge

    // The grid: the formula at the inventory's positions, not at the nodes.
    ASSERT_TRUE(RunXYCalculation(p).ok());
    for (int i = 1; i <= p.GridNX; i += 3)
        for (int j = 1; j <= p.GridNY; j += 3) {
            const double x = i * 153 * mpu, y = j * 153 * mpu; // right and down
            double want = 0;
            for (int k = 0; k < 3; ++k)
                want += farfieldhand::Hand(p, p.Antennas[k + 1], x - (kLon[k] - 10) * lx,
                                           top - (kLat[k] - 45) * ly - y, 10 - kHeight[k], 1.0);
            ASSERT_NEAR(p.XY.Density(i, j), want, 1e-9 * want) << i << "," << j;
        }

    // The sources table in longitude/latitude, and the inventory written
    // back with its names.
    std::string table;
    ASSERT_TRUE(WriteCsv(p, CsvExport::SourcesGeographic, table));
    const auto sources = CsvRows(table), sites = CsvRows(ExportSites(p));
    ASSERT_EQ(std::tuple(sources.size(), sites.size()), std::tuple(3u, 3u));
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(std::stod(sources[k][1]), kLon[k], 1e-7) << k;
        EXPECT_NEAR(std::stod(sources[k][2]), kLat[k], 1e-7) << k;
        EXPECT_NEAR(std::stod(sites[k][1]), kLon[k], 1e-9) << k;
        EXPECT_NEAR(std::stod(sites[k][2]), kLat[k], 1e-9) << k;
        EXPECT_EQ(std::tuple(sites[k][0], sites[k][11]), std::tuple(kSite[k], kLabel[k]));
    }

    // The GeoPackage's antennas and the KMZ's towers, read back with OGR.
    brenvik::testing::TempDir dir;
    const std::string gpkg = dir.file("sites.gpkg"), kmz = dir.file("sites.kmz");
    ASSERT_FALSE(gis::WriteGisFile(p, gis::GisFormat::GeoPackage, gpkg));
    ASSERT_FALSE(gis::WriteGisFile(p, gis::GisFormat::Kmz, kmz));
    auto ds = brenvik::testing::OpenGdal(gpkg, GDAL_OF_VECTOR);
    const char* const drivers[] = {"LIBKML", nullptr};
    GDALDatasetUniquePtr doc(
        GDALDataset::Open(("/vsizip/" + kmz + "/doc.kml").c_str(), GDAL_OF_VECTOR, drivers));
    ASSERT_TRUE(ds && ds->GetLayerByName("antennas") && doc && doc->GetLayerByName("Towers"));
    const auto expectAt = [](OGRFeature& f, int k) {
        const auto* pt = f.GetGeometryRef()->toPoint();
        EXPECT_NEAR(pt->getX(), kLon[k], 1e-7) << k;
        EXPECT_NEAR(pt->getY(), kLat[k], 1e-7) << k;
    };
    for (int k = 0; k < 3; ++k) {
        OGRFeatureUniquePtr f(ds->GetLayerByName("antennas")->GetNextFeature());
        ASSERT_TRUE(f);
        expectAt(*f, k);
        EXPECT_EQ(std::tuple(std::string(f->GetFieldAsString("site")),
                             std::string(f->GetFieldAsString("name"))),
                  std::tuple(kSite[k], kLabel[k]));
    }
    for (const auto& [name, k, cell] :
         {std::tuple("Tower 1 Torre Norte", 0, "<td>T1 A1 sector A</td>"),
          std::tuple("Tower 2 Cerro", 2, "<td>T2 A1 omni</td>")}) {
        OGRFeatureUniquePtr f(doc->GetLayerByName("Towers")->GetNextFeature());
        ASSERT_TRUE(f && f->GetGeometryRef()) << name;
        expectAt(*f, k);
        EXPECT_EQ(std::string(f->GetFieldAsString("name")), name);
        EXPECT_NE(std::string(f->GetFieldAsString("description")).find(cell), std::string::npos);
    }

    // The report: longitude and latitude to 7 decimals, the towers named
    // after their sites on the plan.
    std::vector<std::string> texts = {"T1 Torre Norte", "T2 Cerro"};
    for (int k : {0, 2})
        for (double v : {kLon[k], kLat[k]})
            texts.push_back(
                (std::ostringstream() << std::fixed << std::setprecision(7) << v).str());
    for (const std::string& t : brenvik::testing::ReportTexts(brenvik::testing::IcnirpReport(p)))
        std::erase(texts, t);
    EXPECT_EQ(texts, std::vector<std::string>{});
    // The project file keeps the positions and names: ExactPositionFile's test.
}
