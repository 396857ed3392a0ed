#include "GisTestSupport.h"
#include "compliance/Buildings.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Places.h"
#include "gis/GisExport.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <cmath>
#include <cstdio>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <set>

using namespace brenvik;
using namespace brenvik::gis;
using brenvik::testing::ExpectAStyleForEachLayer;
using brenvik::testing::FillPlan;
using brenvik::testing::OpenGdal;
using brenvik::testing::PixelValue;
using brenvik::testing::TempDir;

namespace {

// A plane at 5 m with a 10 m rise under columns 10..20, rows 10..20: those
// nodes are under the ground. Two antennas on tower 2.
Project AboveARise() {
    Project p;
    const auto under = [](int i, int j) { return i >= 10 && i <= 20 && j >= 10 && j <= 20; };
    FillPlan(p, [&](int i, int j) {
        return under(i, j) ? 0.0 : 10.0 * std::exp(-std::hypot(i - 50.0, j - 30.0) / 9);
    });
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.GridXm.assign(std::size_t(p.GridNX) + 1, 0.0);
    p.GridYm.assign(std::size_t(p.GridNY) + 1, 0.0);
    const double cell = p.CellSize * p.MetersPerUnit;
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j) {
            p.GroundGrid(i, j) = under(i, j) ? 10.0 : 0.0;
            p.GridXm[std::size_t(i)] = i * cell;
            p.GridYm[std::size_t(j)] = j * cell;
        }
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 5;
    p.IsolineCount = 2;
    p.XY.IsolineLevel = {0.0, 2.0, 5.0};
    p.AntennaCount = 2;
    p.Antennas.resize(3);
    for (int k : {1, 2}) {
        Antenna& a = p.Antennas[std::size_t(k)];
        std::tie(a.AntTower, a.AntType, a.AntX, a.AntY, a.AntFrequencyMHz) =
            std::tuple(2, AntennaKind::Panel, 50.0 * p.CellSize, 30.0 * p.CellSize, 900.0 * k);
    }
    return p;
}

} // namespace

TEST(MapOutputs, NodataUnderGroundBandDescriptionAntennasAndOverlayColours) {
    TempDir dir;
    const Project p = AboveARise();
    for (auto [format, name] :
         {std::pair{GisFormat::GeoTiff, "a.tif"}, {GisFormat::GeoPackage, "a.gpkg"}}) {
        const std::string path = dir.file(name);
        ASSERT_FALSE(WriteGisFile(p, format, path));
        auto ds = OpenGdal(path, GDAL_OF_RASTER);
        ASSERT_TRUE(ds) << name;
        GDALRasterBand* b = ds->GetRasterBand(1);
        int has = 0;
        const double nodata = b->GetNoDataValue(&has);
        ASSERT_TRUE(has) << name;
        // Node (15, 15) is the pixel of column 14, row 14 (rows from the north).
        EXPECT_EQ(PixelValue(*ds, 14, 14), nodata) << name;
        EXPECT_NEAR(PixelValue(*ds, 49, 29), p.XY.Density(50, 30), 1e-5) << name;
        EXPECT_STREQ(ds->GetMetadataItem("AREA_OR_POINT"), "Area") << name;
        double mn = 0, mx = 0, mean = 0, sd = 0;
        ASSERT_EQ(b->GetStatistics(FALSE, TRUE, &mn, &mx, &mean, &sd), CE_None);
        EXPECT_GE(mn, 0.0) << name;
    }
    auto gpkg = OpenGdal(dir.file("a.gpkg"), GDAL_OF_RASTER | GDAL_OF_VECTOR);
    EXPECT_STREQ(gpkg->GetMetadataItem("EXPOSURE_MODEL"), "Simplified beam (indicative)");
    EXPECT_STRNE(gpkg->GetRasterBand(1)->GetDescription(), "Height");
    OGRLayer* antennas = gpkg->GetLayerByName("antennas");
    OGRFeatureUniquePtr first(antennas->GetNextFeature());
    OGRFeatureUniquePtr second(antennas->GetNextFeature());
    EXPECT_STREQ(second->GetFieldAsString("label"), "T2 A2");
    EXPECT_EQ(second->GetFieldAsDouble("frequency_mhz"), 1800.0);

    // Every painted pixel of the overlay has a colour of the map's ramp.
    const std::string kmz = dir.file("a.kmz");
    ASSERT_FALSE(WriteGisFile(p, GisFormat::Kmz, kmz));
    auto image = OpenGdal("/vsizip/" + kmz + "/files/gradient.png", GDAL_OF_RASTER);
    ASSERT_TRUE(image);
    const int w = image->GetRasterXSize(), h = image->GetRasterYSize();
    ASSERT_EQ(std::tuple(w, image->GetRasterCount()), std::tuple(int(p.GridNX), 4));
    std::vector<GByte> rgba(std::size_t(4 * w * h));
    ASSERT_EQ(image->RasterIO(GF_Read, 0, 0, w, h, rgba.data(), w, h, GDT_Byte, 4, nullptr, 0, 0, 0,
                              nullptr),
              CE_None);
    std::set<std::uint32_t> bands, seen;
    for (int level = 0; level <= 10; ++level) {
        const render::Rgb c = render::DensityStep(level);
        bands.insert(std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b);
    }
    const std::size_t n = std::size_t(w * h);
    for (std::size_t k = 0; k < n; ++k)
        if (rgba[3 * n + k])
            seen.insert(std::uint32_t(rgba[k]) << 16 | std::uint32_t(rgba[n + k]) << 8 |
                        rgba[2 * n + k]);
    EXPECT_GE(seen.size(), 3u);
    for (std::uint32_t c : seen)
        EXPECT_TRUE(bands.count(c)) << std::hex << c;
    auto legend = OpenGdal("/vsizip/" + kmz + "/files/legend.png", GDAL_OF_RASTER);
    EXPECT_TRUE(legend && legend->GetRasterCount() == 4);
    // Every entry carries the day it was written, not the zip format's zero.
    for (const char* entry : {"doc.kml", "files/gradient.png", "files/legend.png"}) {
        VSIStatBufL st;
        ASSERT_EQ(VSIStatL(("/vsizip/" + kmz + "/" + entry).c_str(), &st), 0) << entry;
        EXPECT_GT(st.st_mtime, 1700000000) << entry; // after November 2023
    }
    // The document names the model; the tower's table names its antennas as
    // the report does.
    EXPECT_NE(brenvik::testing::KmlText(kmz).find(
                  "<description>Exposure model: Simplified beam (indicative)</description>"),
              std::string::npos);
    auto doc = OpenGdal("/vsizip/" + kmz + "/doc.kml", GDAL_OF_VECTOR);
    ASSERT_TRUE(doc && doc->GetLayerByName("Towers"));
    OGRFeatureUniquePtr tower(doc->GetLayerByName("Towers")->GetNextFeature());
    ASSERT_TRUE(tower);
    EXPECT_NE(std::string(tower->GetFieldAsString("description")).find("<td>T2 A2</td>"),
              std::string::npos)
        << tower->GetFieldAsString("description");
}

TEST(MapOutputs, BuildingsAndPlacesReadBackFromTheGeoPackageAndTheKmz) {
    TempDir dir;
    Project p = AboveARise();
    const double c = p.CellSize;
    Building b;
    b.Id = "way/7";
    b.Name = "School";
    b.HeightM = 9;
    b.Outline = {{40 * c, 28 * c}, {44 * c, 28 * c}, {44 * c, 32 * c}, {40 * c, 32 * c}};
    p.Buildings = {b};
    p.Places = {Place{"Crèche", "school", 60 * c, 30 * c, 1.5}};
    for (int k : {1, 2})
        std::tie(p.Antennas[std::size_t(k)].AntType, p.Antennas[std::size_t(k)].AntPower,
                 p.Antennas[std::size_t(k)].AntHeight) = std::tuple(AntennaKind::Stick, 400.0, 6.0);
    const auto inv = brenvik::testing::IcnirpInverse(p);
    ASSERT_EQ(inv.size(), 3u);
    const BuildingValue worst = compliance::EvaluateBuilding(p, b, inv);
    const compliance::PlaceValue place = compliance::EvaluatePlace(p, p.Places[0], inv);
    ASSERT_GT(worst.worstFloor().percent, 0.0);

    const std::string gpkg = dir.file("s.gpkg"), kmz = dir.file("s.kmz");
    ASSERT_FALSE(WriteGisFile(p, GisFormat::GeoPackage, gpkg));
    ASSERT_FALSE(WriteGisFile(p, GisFormat::Kmz, kmz));
    auto ds = OpenGdal(gpkg, GDAL_OF_VECTOR);
    ASSERT_TRUE(ds);
    ExpectAStyleForEachLayer(*ds);
    OGRLayer* bl = ds->GetLayerByName("buildings");
    OGRLayer* pl = ds->GetLayerByName("places");
    ASSERT_TRUE(bl && pl);
    OGRFeatureUniquePtr bf(bl->GetNextFeature()), pf(pl->GetNextFeature());
    ASSERT_TRUE(bf && pf);
    EXPECT_EQ(std::tuple(bf->GetFieldAsInteger("worst_floor"),
                         bf->GetFieldAsDouble("percent_of_limit"),
                         wkbFlatten(bf->GetGeometryRef()->getGeometryType())),
              std::tuple(worst.worstFloor().floor, worst.worstFloor().percent, wkbPolygon));
    EXPECT_EQ(std::tuple(std::string(pf->GetFieldAsString("name")),
                         pf->GetFieldAsDouble("s_uw_cm2"),
                         pf->GetFieldAsDouble("percent_of_limit")),
              std::tuple("Crèche", place.sUw, place.percent));

    // The KMZ's building is filled in its worst floor's level colour.
    const char* const drivers[] = {"LIBKML", nullptr};
    GDALDatasetUniquePtr k(
        GDALDataset::Open(("/vsizip/" + kmz + "/doc.kml").c_str(), GDAL_OF_VECTOR, drivers));
    ASSERT_TRUE(k);
    OGRLayer* kb = k->GetLayerByName("Buildings");
    OGRLayer* kp = k->GetLayerByName("Places");
    ASSERT_TRUE(kb && kp);
    OGRFeatureUniquePtr kf(kb->GetNextFeature());
    ASSERT_TRUE(kf && kf->GetStyleString());
    const render::Rgb fill = compliance::PercentRgb(p, worst.worstFloor().percent);
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", fill.r, fill.g, fill.b);
    // The feature names its style ("@building0"); the document's table holds it.
    std::string style = kf->GetStyleString();
    OGRStyleTable* table = k->GetStyleTable();
    if (!style.empty() && style[0] == '@' && table) {
        const char* found = table->Find(style.substr(1).c_str());
        style = found ? found : "";
    }
    EXPECT_NE(style.find(std::string("BRUSH(fc:") + hex), std::string::npos) << style;
    EXPECT_EQ(kp->GetFeatureCount(), 1);
}

// 7,680 columns: more than many viewers take in one picture, so the overlay
// is a pyramid of 512-pixel tiles (4 levels below the root), whose finest
// level shows each node's colour and each coarser pixel the colour of the
// largest node under it.
TEST(MapOutputs, WideOverlayIsARegionatedPyramid) {
    TempDir dir;
    Project p;
    p.GridNX = 7680;
    p.RecomputeDerived();
    // A strip two cells deep: the columns are what the pyramid is about.
    p.GridNY = 2;
    const auto value = [](int i) { return 10.0 * std::exp(-std::abs(i - 3001) / 700.0); };
    p.XY.Density.resize(p.GridNX, p.GridNY);
    for (int i = 0; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY; ++j)
            p.XY.Density(i, j) = value(i);
    p.XY.MaxDensity = value(3001);
    p.XY.Calculated = true;
    const std::string kmz = dir.file("wide.kmz");
    ASSERT_FALSE(WriteGisFile(p, GisFormat::Kmz, kmz));
    const std::string root = "/vsizip/" + kmz + "/";
    VSIStatBufL st;
    EXPECT_NE(VSIStatL((root + "files/gradient.png").c_str(), &st), 0);
    char** names = VSIReadDirRecursive((root + "files/overlay").c_str());
    int pngs = 0;
    for (char** n = names; n && *n; ++n)
        if (std::string(*n).ends_with(".png")) {
            auto tile = OpenGdal(root + "files/overlay/" + *n, GDAL_OF_RASTER);
            ASSERT_TRUE(tile) << *n;
            EXPECT_LE(std::max(tile->GetRasterXSize(), tile->GetRasterYSize()), 512) << *n;
            ++pngs;
        }
    CSLDestroy(names);
    EXPECT_GT(pngs, 15);
    // The colour a viewer sees for a value, from the display's levels.
    const auto colour = [&](double v) {
        const auto level = render::LevelOf(v, p.XY.MaxDensity);
        if (!level || *level < 1) return std::array<int, 4>{0, 0, 0, 0};
        const render::Rgb c = render::DensityStep(*level);
        return std::array<int, 4>{c.r, c.g, c.b, 255};
    };
    const auto pixel = [&](const std::string& name, int x) {
        auto ds = OpenGdal(root + name, GDAL_OF_RASTER);
        std::array<int, 4> c{};
        for (int b = 0; b < 4 && ds; ++b)
            c[std::size_t(b)] = int(PixelValue(*ds, x, 0, b + 1));
        return c;
    };
    // Node i is column i - 1: the finest tile 5 of level 4 starts at node 2561.
    for (int i : {2561, 3001, 3072})
        EXPECT_EQ(pixel("files/overlay/4/5/0.png", i - 2561), colour(value(i))) << i;
    // A pixel of the root covers 16 columns: the strongest is the one nearest the peak.
    for (int x : {0, 150, 187, 400}) {
        double top = 0.0;
        for (int i = 16 * x + 1; i <= 16 * x + 16; ++i)
            top = std::max(top, value(i));
        EXPECT_EQ(pixel("files/overlay/0/0/0.png", x), colour(top)) << x;
    }
    // The document links the root tile, and GDAL reads the pyramid from it.
    auto doc = OpenGdal(root + "doc.kml", GDAL_OF_VECTOR);
    EXPECT_TRUE(doc);
    auto pyramid = OpenGdal(root + "files/overlay/0/0/0.kml", GDAL_OF_RASTER);
    ASSERT_TRUE(pyramid);
    EXPECT_GE(pyramid->GetRasterXSize(), 7680);
}
