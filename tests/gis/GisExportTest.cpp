#include "gis/GisExport.h"

#include "GisTestSupport.h"
#include "compliance/Limits.h"
#include "compliance/Summary.h"
#include "export/CsvExport.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"
#include "render/DisplayForms.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <map>
#include <ogrsf_frmts.h>
#include <set>
#include <sstream>
#include <thread>

using namespace brenvik;
using namespace brenvik::gis;
using brenvik::testing::AddAntenna;
using brenvik::testing::ExpectAStyleForEachLayer;
using brenvik::testing::FillPlan;
using brenvik::testing::KmlText;
using brenvik::testing::OpenGdal;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;

namespace {

// A ring of exposure around (40, 34) that dips to nothing at its centre, and
// a sharp peak of 20 at node (70, 20): the zone at 5 has a hole, the zone at
// 15 holds only the peak.
Project RingAndPeak() {
    Project p;
    FillPlan(p, [](int i, int j) {
        const double r = std::hypot(i - 40.0, j - 34.0), q = std::hypot(i - 70.0, j - 20.0);
        return 10.0 * std::exp(-(r - 8) * (r - 8) / 8) + 20.0 * std::exp(-q * q / 20);
    });
    p.CalcOption = CalcLevel::AtSurface;
    p.XY.MaxPosX = Variant::real(70.0 * p.CellSize);
    p.XY.MaxPosY = Variant::integer(20 * p.CellSize);
    p.IsolineCount = 3;
    p.XY.IsolineLevel = {0.0, 5.0, 10.0, 15.0};
    Antenna& a = AddAntenna(p, AntennaKind::Stick, 400, 0, 0, 0, 0);
    std::tie(a.AntX, a.AntY) = std::pair(400.0, 300.0);
    return p;
}

double ValueAt(GDALDataset& ds, double lon, double lat) {
    double gt[6];
    ds.GetGeoTransform(gt);
    return brenvik::testing::PixelValue(ds, static_cast<int>(std::floor((lon - gt[0]) / gt[1])),
                                        static_cast<int>(std::floor((lat - gt[3]) / gt[5])));
}

std::string Written(const Project& p, GisFormat f, const TempDir& dir, const char* name) {
    const std::string path = dir.file(name);
    auto failed = WriteGisFile(p, f, path);
    EXPECT_FALSE(failed) << *failed;
    return path;
}

} // namespace

TEST(GisRaster, NodesSitAtTheGeographicTablesPointsWithTheirValues) {
    TempDir dir;
    const Project p = RingAndPeak();
    auto ds = OpenGdal(Written(p, GisFormat::GeoTiff, dir, "r.tif"), GDAL_OF_RASTER);
    ASSERT_TRUE(ds);
    GDALRasterBand* band = ds->GetRasterBand(1);
    EXPECT_EQ(std::tuple(ds->GetRasterXSize(), ds->GetRasterYSize(), band->GetRasterDataType()),
              std::tuple(int(p.GridNX), int(p.GridNY), GDT_Float64));
    EXPECT_EQ(std::tuple(std::string(ds->GetSpatialRef()->GetAuthorityCode(nullptr)),
                         std::string(band->GetUnitType()),
                         std::string(ds->GetMetadataItem("CALCULATION_HEIGHT"))),
              std::tuple("4326", "uW/cm^2", "surface"));

    // Every record of the geographic concentrations table falls in the pixel
    // of its node, which holds the table's value.
    std::string csv;
    ASSERT_TRUE(WriteCsv(p, CsvExport::ConcentrationsGeographic, csv));
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    int checked = 0;
    double gt[6];
    ASSERT_EQ(ds->GetGeoTransform(gt), CE_None);
    while (std::getline(lines, line)) {
        long n = 0;
        double lon = 0, lat = 0, c = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%ld,%lf,%lf,%lf", &n, &lon, &lat, &c), 4);
        if (n % 97 != 0) continue;
        EXPECT_NEAR(ValueAt(*ds, lon, lat), c, 1e-8) << line;
        // Record n is node ((n - 1) % GridNX + 1, (n - 1) / GridNX + 1): the
        // centre of its pixel, to the table's eight decimals.
        const long col = (n - 1) % p.GridNX, row = (n - 1) / p.GridNX;
        EXPECT_NEAR(gt[0] + (col + 0.5) * gt[1], lon, 2e-8) << line;
        EXPECT_NEAR(gt[3] + (row + 0.5) * gt[5], lat, 2e-8) << line;
        ++checked;
    }
    EXPECT_GT(checked, 50);
    std::string max;
    ASSERT_TRUE(WriteCsv(p, CsvExport::MaximumGeographic, max));
    double lon = 0, lat = 0;
    std::sscanf(max.substr(max.find('\n') + 1).c_str(), "1,%lf,%lf", &lon, &lat);
    EXPECT_EQ(ValueAt(*ds, lon, lat), p.XY.MaxDensity);
}

TEST(GisLayers, IsolinesZonesAndEveryOtherPartReadBack) {
    TempDir dir;
    const Project p = RingAndPeak();
    auto lines = OpenGdal(Written(p, GisFormat::IsolinesGeoJson, dir, "i.geojson"), GDAL_OF_VECTOR);
    auto zones = OpenGdal(Written(p, GisFormat::ZonesGeoJson, dir, "z.geojson"), GDAL_OF_VECTOR);
    ASSERT_TRUE(lines && zones);

    // Every level has a colour of its own, the same in the lines and the zones.
    std::map<double, std::set<std::string>> lineColours, zoneColours;
    for (auto& f : *lines->GetLayer(0)) {
        EXPECT_EQ(wkbFlatten(f->GetGeometryRef()->getGeometryType()), wkbLineString);
        EXPECT_STREQ(f->GetFieldAsString("unit"), "uW/cm^2");
        lineColours[f->GetFieldAsDouble("level")].insert(f->GetFieldAsString("stroke"));
    }
    for (auto& f : *zones->GetLayer(0))
        zoneColours[f->GetFieldAsDouble("min")].insert(f->GetFieldAsString("fill"));
    std::set<double> levels;
    for (const auto& [level, colours] : lineColours) {
        levels.insert(level);
        EXPECT_EQ(colours, zoneColours[level]) << level;
    }
    EXPECT_EQ(levels, (std::set<double>{5.0, 10.0, 15.0}));
    std::set<std::string> distinct;
    for (const auto& [level, colours] : zoneColours) {
        ASSERT_EQ(colours.size(), 1u) << level;
        distinct.insert(*colours.begin());
    }
    EXPECT_EQ(distinct.size(), zoneColours.size());

    // Zones: the three levels, then the legal limits the peak reaches (4.2, 0.1).
    std::vector<std::string> labels;
    OGRGeometryUniquePtr top;
    int holes = 0;
    for (auto& f : *zones->GetLayer(0)) {
        // GeoJSON writes a single-part zone as a plain Polygon.
        const auto type = wkbFlatten(f->GetGeometryRef()->getGeometryType());
        ASSERT_TRUE(type == wkbPolygon || type == wkbMultiPolygon);
        OGRGeometryUniquePtr multi(
            OGRGeometryFactory::forceToMultiPolygon(f->GetGeometryRef()->clone()));
        const OGRGeometry* g = multi.get();
        EXPECT_TRUE(g->IsValid()) << f->GetFieldAsString("label");
        EXPECT_EQ(f->GetFieldAsDouble("max"), p.XY.MaxDensity);
        EXPECT_GT(f->GetFieldAsDouble("area_m2"), 0.0);
        labels.push_back(f->GetFieldAsString("label"));
        if (f->GetFieldAsDouble("min") == 5.0)
            for (const OGRPolygon* poly : *g->toMultiPolygon())
                holes += poly->getNumInteriorRings();
        if (f->GetFieldAsDouble("min") == 15.0) top.reset(g->clone());
    }
    ASSERT_EQ(labels.size(), 5u);
    // The legal limit's zone states the area the summary's verdict gives.
    Project judged = p;
    judged.XY.Ratio.resize(p.GridNX, p.GridNY);
    StampResult(judged, Plane::XY, true);
    const auto lib = compliance::LoadLibrary(compliance::ShippedLimitsPath(), "");
    const auto sum = compliance::Summarise(judged, lib.library, "icnirp-2020", Population::Public);
    ASSERT_FALSE(sum.refusal) << *sum.refusal;
    double summaryArea = -1, zoneArea = -2;
    for (const auto& v : sum.summary.verdicts)
        if (v.id == "ch-4.2") summaryArea = v.areaAboveM2;
    for (auto& f : *zones->GetLayer(0))
        if (f->GetFieldAsDouble("min") == 4.2) zoneArea = f->GetFieldAsDouble("area_m2");
    EXPECT_GT(summaryArea, 0.0);
    EXPECT_EQ(zoneArea, summaryArea);
    EXPECT_EQ(labels[0], "5.000 uW/cm^2");
    EXPECT_EQ(labels[3], "4,2 uW/cm^2 = Maximum limit allowed in Suiza");
    EXPECT_EQ(holes, 1);
    ASSERT_TRUE(top);
    auto gpkg =
        OpenGdal(Written(p, GisFormat::GeoPackage, dir, "m.gpkg"), GDAL_OF_VECTOR | GDAL_OF_RASTER);
    ASSERT_TRUE(gpkg);
    for (const char* layer : {"isolines", "zones", "antennas", "maximum"})
        ASSERT_TRUE(gpkg->GetLayerByName(layer)) << layer;
    ExpectAStyleForEachLayer(*gpkg);
    OGRFeatureUniquePtr peak(gpkg->GetLayerByName("maximum")->GetNextFeature());
    EXPECT_TRUE(top->Contains(peak->GetGeometryRef()));
    OGRFeatureUniquePtr antenna(gpkg->GetLayerByName("antennas")->GetNextFeature());
    EXPECT_EQ(std::tuple(std::string(antenna->GetFieldAsString("type")),
                         antenna->GetFieldAsDouble("erp_w"), gpkg->GetRasterXSize(),
                         gpkg->GetRasterBand(1)->GetRasterDataType()),
              std::tuple("DTS", 400.0, int(p.GridNX), GDT_Float32));

    // The KMZ's overlay image is checked against the display's colours with the
    // other map outputs.
    const std::string doc = KmlText(Written(p, GisFormat::Kmz, dir, "r.kmz"));
    for (const char* part : {"<GroundOverlay>", "<LatLonBox>", "files/gradient.png", "Tower 1",
                             "Maximum 20.000000 uW/cm^2", "Salzburgo"})
        EXPECT_NE(doc.find(part), std::string::npos) << part;
    // The zones' fills in the KMZ: one per level, none shared.
    std::set<std::string> fills;
    int zoneStyles = 0;
    for (std::size_t at = doc.find("<Style id=\"zone"); at != std::string::npos;
         at = doc.find("<Style id=\"zone", at + 1), ++zoneStyles) {
        const std::size_t poly = doc.find("<PolyStyle><color>", at);
        fills.insert(doc.substr(poly + 18, 8));
    }
    EXPECT_EQ(zoneStyles, 5);
    EXPECT_EQ(fills.size(), 5u);
}

// An operator's name and a reduced power are columns only when some antenna
// has them.
TEST(GisLayers, AntennaColumnsOnlyWhenSomeAntennaNeedsThem) {
    TempDir dir;
    struct Case {
        std::string name;
        const char* op;
        double factor;
    };
    const Case cases[] = {
        {"plain", "", 1.0}, {"named", "Telco <north>", 1.0}, {"reduced", "", 0.4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Project p = RingAndPeak();
        p.Antennas[1].AntOperator = c.op;
        p.Antennas[1].AntPowerFactor = c.factor;
        const bool named = *c.op != '\0', reduced = c.factor < 1;
        auto gpkg = OpenGdal(Written(p, GisFormat::GeoPackage, dir, (c.name + ".gpkg").c_str()),
                             GDAL_OF_VECTOR);
        ASSERT_TRUE(gpkg);
        OGRLayer* layer = gpkg->GetLayerByName("antennas");
        ASSERT_TRUE(layer);
        EXPECT_EQ(layer->GetLayerDefn()->GetFieldIndex("operator") >= 0, named);
        EXPECT_EQ(layer->GetLayerDefn()->GetFieldIndex("erp_reduced_w") >= 0, reduced);
        OGRFeatureUniquePtr antenna(layer->GetNextFeature());
        ASSERT_TRUE(antenna);
        EXPECT_STREQ(antenna->GetFieldAsString("operator"), c.op);
        EXPECT_EQ(antenna->GetFieldAsDouble("erp_w"), 400.0);
        if (reduced) {
            EXPECT_EQ(antenna->GetFieldAsDouble("power_factor"), 0.4);
            EXPECT_DOUBLE_EQ(antenna->GetFieldAsDouble("erp_reduced_w"), 160.0);
        }
        const std::string doc = KmlText(Written(p, GisFormat::Kmz, dir, (c.name + ".kmz").c_str()));
        EXPECT_EQ(doc.find("Operator") != std::string::npos, named);
        EXPECT_EQ(doc.find("Telco &amp;lt;north&amp;gt;") != std::string::npos, named);
    }
}

TEST(GisExportBadCases, RefusalsLeaveTheOldFileAlone) {
    TempDir dir;
    const std::string old = dir.file("old.tif");
    { std::ofstream(old) << "old"; }
    struct Case {
        const char* name;
        void (*change)(Project&);
        std::string path;
        std::string message;
    } cases[] = {
        {"no result", [](Project& p) { p.XY.Calculated = false; }, old, msg::NoResult},
        {"off the map", [](Project& p) { p.OriginLon = 179.9999; }, old, OffTheMapMessage},
        {"folder", [](Project&) {}, dir.path().string(),
         std::string(msg::FileError) + "\n" + dir.path().string() + ": it is a folder"},
        {"missing folder", [](Project&) {}, dir.file("none/x.tif"),
         std::string(msg::FileError) + "\n" + dir.file("none/x.tif") +
             ": No such file or directory"},
    };
    for (const Case& c : cases) {
        Project p = RingAndPeak();
        c.change(p);
        for (GisFormat f : GisFormats()) {
            auto failed = WriteGisFile(p, f, c.path);
            ASSERT_TRUE(failed) << c.name;
            EXPECT_EQ(*failed, c.message) << c.name;
        }
        EXPECT_EQ(Slurp(old), "old") << c.name;
    }
    EXPECT_EQ(dir.entries(), 1);

    // The command refuses as the geographic tables do.
    Project p = RingAndPeak();
    EXPECT_FALSE(GisExportRefusal(p));
    p.Zoom = 2.0;
    EXPECT_EQ(GisExportRefusal(p), std::string(msg::ExportNeedsZoom));
    p.XY.Calculated = false;
    EXPECT_EQ(GisExportRefusal(p), std::string(msg::NoResult));
}

TEST(GisExportBadCases, AllZeroResultGivesTheRasterAndEmptyLayers) {
    TempDir dir;
    Project p = RingAndPeak();
    p.XY.Density.resize(p.GridNX, p.GridNY);
    p.XY.MaxDensity = 0.0;
    p.XY.IsolineLevel.assign(4, 0.0);
    for (GisFormat f : GisFormats())
        Written(p, f, dir, (std::string("z") + GisFormatExtension(f)).c_str());
    auto raster = OpenGdal(dir.file("z.tif"), GDAL_OF_RASTER);
    ASSERT_TRUE(raster);
    double range[2] = {-1, -1};
    ASSERT_EQ(raster->GetRasterBand(1)->ComputeRasterMinMax(FALSE, range), CE_None);
    EXPECT_EQ(range[1], 0.0);
    auto gpkg = OpenGdal(dir.file("z.gpkg"), GDAL_OF_VECTOR);
    ASSERT_TRUE(gpkg);
    EXPECT_EQ(gpkg->GetLayerByName("isolines")->GetFeatureCount(), 0);
    EXPECT_EQ(gpkg->GetLayerByName("zones")->GetFeatureCount(), 0);
    EXPECT_EQ(gpkg->GetLayerByName("maximum")->GetFeatureCount(), 1);
}

TEST(GisExportBadCases, CancelStopsEveryFormatSoonAndAMissingDriverIsNamed) {
    // A wide result, so that every format takes well over the signal's delay.
    Project p;
    p.GridNX = 4000;
    FillPlan(p, [](int i, int j) { return 10.0 + 9.0 * std::sin(i / 37.0) * std::cos(j / 23.0); });
    p.IsolineCount = 3;
    p.XY.IsolineLevel = {0.0, 5.0, 10.0, 15.0};
    TempDir dir;
    for (GisFormat f : GisFormats()) {
        SCOPED_TRACE(GisFormatCaption(f));
        Feedback cancel;
        std::chrono::steady_clock::time_point raised{};
        std::thread ctrlC([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            raised = std::chrono::steady_clock::now();
            cancel.cancel();
        });
        const auto failed = WriteGisFile(p, f, dir.file("x"), &cancel);
        const auto stopped = std::chrono::steady_clock::now();
        ctrlC.join();
        ASSERT_TRUE(failed) << "finished before the cancel";
        EXPECT_EQ(*failed, msg::Interrupted);
        const double latency = std::chrono::duration<double>(stopped - raised).count();
        EXPECT_LT(latency, 1.0);
        EXPECT_EQ(dir.entries(), 0);
    }
    // A driver GDAL lacks fails the export with its name, never a silent gap.
    GDALDriverManager* drivers = GetGDALDriverManager();
    GDALDriver* memory = drivers->GetDriverByName("Memory");
    ASSERT_TRUE(memory);
    drivers->DeregisterDriver(memory);
    const auto failed = WriteGisFile(RingAndPeak(), GisFormat::IsolinesGeoJson, dir.file("i"));
    drivers->RegisterDriver(memory);
    EXPECT_EQ(failed, std::string(msg::FileError) + "\nGDAL has no Memory driver");
}
