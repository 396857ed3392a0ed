// Imported sites stand where the inventory puts them, in every output: the
// positions are checked at the user's own longitude/latitude, and the
// far-field grid against the formula at those positions.
#include "GisTestSupport.h"
#include "calc/FarFieldHand.h"
#include "calc/GridCalc.h"
#include "compliance/Csv.h"
#include "compliance/Limits.h"
#include "compliance/ReportLayout.h"
#include "compliance/SiteInventory.h"
#include "compliance/Summary.h"
#include "export/CsvExport.h"
#include "gis/GisExport.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"
#include "render/RecordingSurface.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <sstream>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

struct SiteRow {
    const char* site;
    double lon, lat, height;
    const char* type;
    double erp, azimuth, tilt;
    const char* label;
};
// Two sites between grid nodes (a cell is 1.49 m here), one with two antennas.
const SiteRow kRows[] = {
    {"Torre Norte", 10.000512345, 45.000301234, 12, "panel", 1500, 30, 4, "sector A"},
    {"Torre Norte", 10.000512345, 45.000301234, 14, "panel", 800, 200, 2, "sector, \"B\""},
    {"Cerro", 10.0011234567, 45.0006187654, 20, "stick", 300, 0, 0, "omni"},
};
constexpr double kLon0 = 10.0, kLat0 = 45.0;

// Metres per degree at the origin's latitude, from the ellipsoid's radii.
std::pair<double, double> HandMetresPerDegree() {
    const double k = 57.2956, phi = kLat0 / k, a = 6378136.6, b = 6356751.9;
    const double d = std::sqrt(std::pow(a * std::cos(phi), 2) + std::pow(b * std::sin(phi), 2));
    return {a * a / d * std::cos(phi) / k, a * a * b * b / (d * d * d) / k};
}

Project ImportedFarField() {
    Project p;
    p.OriginLon = kLon0;
    p.OriginLat = kLat0;
    p.OriginX = 500000;
    p.OriginY = 5000000;
    p.Exposure.Model = ExposureModel::FarField;
    std::string csv = std::string(SitesHeader) + "\n";
    for (const SiteRow& r : kRows) {
        char line[300];
        std::snprintf(line, sizeof line, "%s,%.10f,%.10f,,,%g,%s,%g,%g,%g,900,%s\n", r.site, r.lon,
                      r.lat, r.height, r.type, r.erp, r.azimuth, r.tilt,
                      CsvQuoted(r.label).c_str());
        csv += line;
    }
    EXPECT_EQ(ImportSites(p, csv, ImportMode::Replace), std::nullopt);
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 10;
    return p;
}

std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(SplitCsvLine(line));
    }
    return out;
}

} // namespace

TEST(ExactPositions, ImportedSitesKeepTheirLonLatInEveryOutput) {
    Project p = ImportedFarField();
    ASSERT_EQ(p.AntennaCount, 3);
    const auto [lx, ly] = HandMetresPerDegree();
    const double mpu = 150.0 / 15360, top = 9600 * mpu; // plan metres; the plan's top edge

    // The grid: the formula at the inventory's positions, not at the nodes.
    ASSERT_TRUE(RunXYCalculation(p).ok());
    for (int i = 1; i <= p.GridNX; i += 3)
        for (int j = 1; j <= p.GridNY; j += 3) {
            const double x = i * 153 * mpu, y = j * 153 * mpu; // right and down
            double want = 0;
            for (int k = 1; k <= 3; ++k) {
                const SiteRow& r = kRows[k - 1];
                const double e = (r.lon - kLon0) * lx, n = (r.lat - kLat0) * ly;
                want += farfieldhand::Hand(p, p.Antennas[k], x - e, -(y - (top - n)),
                                           p.CalcHeight - r.height, 1.0);
            }
            ASSERT_NEAR(p.XY.Density(i, j), want, 1e-9 * want) << i << "," << j;
        }

    // The sources table in longitude/latitude.
    std::string table;
    ASSERT_TRUE(WriteCsv(p, CsvExport::SourcesGeographic, table));
    const auto sources = CsvRows(table);
    ASSERT_EQ(sources.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(std::stod(sources[k][1]), kRows[k].lon, 1e-7) << k;
        EXPECT_NEAR(std::stod(sources[k][2]), kRows[k].lat, 1e-7) << k;
    }

    // The GeoPackage's antennas, read back with OGR, with their names.
    brenvik::testing::TempDir dir;
    const std::string gpkg = dir.file("sites.gpkg");
    const auto failed = gis::writeGisFile(p, gis::GisFormat::GeoPackage, gpkg);
    ASSERT_FALSE(failed) << *failed;
    auto ds = brenvik::testing::OpenGdal(gpkg, GDAL_OF_VECTOR);
    ASSERT_TRUE(ds);
    OGRLayer* layer = ds->GetLayerByName("antennas");
    ASSERT_TRUE(layer);
    int k = 0;
    for (auto& f : *layer) {
        ASSERT_LT(k, 3);
        const auto* pt = f->GetGeometryRef()->toPoint();
        EXPECT_NEAR(pt->getX(), kRows[k].lon, 1e-7) << k;
        EXPECT_NEAR(pt->getY(), kRows[k].lat, 1e-7) << k;
        EXPECT_EQ(std::string(f->GetFieldAsString("site")), kRows[k].site);
        EXPECT_EQ(std::string(f->GetFieldAsString("name")), kRows[k].label);
        ++k;
    }
    EXPECT_EQ(k, 3);

    // The KMZ's towers: each at its site's position, named after it, its
    // antennas with their labels.
    const std::string kmz = dir.file("sites.kmz");
    ASSERT_FALSE(gis::writeGisFile(p, gis::GisFormat::Kmz, kmz));
    const char* const drivers[] = {"LIBKML", nullptr};
    GDALDatasetUniquePtr doc(
        GDALDataset::Open(("/vsizip/" + kmz + "/doc.kml").c_str(), GDAL_OF_VECTOR, drivers));
    ASSERT_TRUE(doc && doc->GetLayerByName("Towers"));
    const std::tuple<const char*, int, const char*> towers[] = {
        {"Tower 1 Torre Norte", 0, "<td>T1 A1 sector A</td>"},
        {"Tower 2 Cerro", 2, "<td>T2 A1 omni</td>"}};
    OGRLayer* tl = doc->GetLayerByName("Towers");
    for (const auto& [name, row, cell] : towers) {
        OGRFeatureUniquePtr f(tl->GetNextFeature());
        ASSERT_TRUE(f && f->GetGeometryRef()) << name;
        EXPECT_EQ(std::string(f->GetFieldAsString("name")), name);
        EXPECT_NE(std::string(f->GetFieldAsString("description")).find(cell), std::string::npos)
            << f->GetFieldAsString("description");
        const auto* pt = f->GetGeometryRef()->toPoint();
        EXPECT_NEAR(pt->getX(), kRows[row].lon, 1e-7) << name;
        EXPECT_NEAR(pt->getY(), kRows[row].lat, 1e-7) << name;
    }

    // The report's antenna table: longitude and latitude to 7 decimals.
    const LoadedLibrary lib = LoadLibrary(ShippedLimitsPath(), "");
    const SummaryResult s = Summarise(p, lib.library, "icnirp-2020", Population::Public);
    ASSERT_FALSE(s.refusal) << *s.refusal;
    const ReportLayout layout(ReportInput{&p, s.summary, "sites.bvk", "2026-12-07 08:00"});
    std::vector<std::string> texts;
    for (int page = 0; page < layout.pageCount(); ++page) {
        render::RecordingSurface surface;
        layout.drawPage(page, surface);
        for (const std::string& t : surface.texts())
            texts.push_back(t);
    }
    // The plan names each tower after its site.
    for (const char* tower : {"T1 Torre Norte", "T2 Cerro"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), tower), texts.end()) << tower;
    for (const SiteRow& r : kRows)
        for (double v : {r.lon, r.lat}) {
            char want[32];
            std::snprintf(want, sizeof want, "%.7f", v);
            EXPECT_NE(std::find(texts.begin(), texts.end(), want), texts.end()) << want;
        }

    // The inventory written back: names, labels and the same positions.
    const auto sites = CsvRows(ExportSites(p));
    ASSERT_EQ(sites.size(), 3u);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(sites[r][0], kRows[r].site);
        EXPECT_NEAR(std::stod(sites[r][1]), kRows[r].lon, 1e-9);
        EXPECT_NEAR(std::stod(sites[r][2]), kRows[r].lat, 1e-9);
        EXPECT_EQ(sites[r][11], kRows[r].label);
    }

    // Saved and opened again: the same positions and names.
    std::string file;
    ASSERT_TRUE(WriteProjectText(p, file));
    Project back;
    ASSERT_TRUE(ReadProjectText(back, file));
    ASSERT_EQ(back.AntennaCount, 3);
    for (int s2 = 1; s2 <= 3; ++s2) {
        const SiteRow& r = kRows[s2 - 1];
        const Antenna& a = back.Antennas[s2];
        ASSERT_TRUE(a.AntExact) << s2;
        EXPECT_NEAR(a.AntExact->East, (r.lon - kLon0) * lx, 1e-6) << s2;
        EXPECT_NEAR(a.AntExact->North, (r.lat - kLat0) * ly, 1e-6) << s2;
        EXPECT_EQ(std::tuple(a.AntSite, a.AntLabel), std::tuple(r.site, r.label));
        EXPECT_EQ(std::tuple(a.AntX, a.AntY), std::tuple(p.Antennas[s2].AntX, p.Antennas[s2].AntY));
    }
}
