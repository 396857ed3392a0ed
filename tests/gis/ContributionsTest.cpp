#include "calc/GridCalc.h"
#include "gis/ContributionRaster.h"
#include "gis/GisExport.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <array>
#include <gdal_priv.h>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// Three panels of two operators (the second appearing first) around the
// plan's middle; the fourth antenna radiates nothing.
Project OperatorSite() {
    Project p;
    const struct {
        double power, dir, i, j;
        const char* op;
    } masts[] = {{900, 90, 30, 30, "B"},
                 {1500, 200, 60, 35, "A"},
                 {600, 330, 45, 50, "B"},
                 {0, 0, 70, 60, "A"}};
    for (const auto& m : masts)
        brenvik::testing::AddAntenna(p, AntennaKind::Panel, m.power, 10, m.dir, m.i, m.j)
            .AntOperator = m.op;
    p.CalcHeight = 1.5;
    return p;
}

std::vector<double> Band(GDALDataset& ds, int band) {
    const int w = ds.GetRasterXSize(), h = ds.GetRasterYSize();
    std::vector<double> v(static_cast<std::size_t>(w) * h);
    EXPECT_EQ(ds.GetRasterBand(band)->RasterIO(GF_Read, 0, 0, w, h, v.data(), w, h, GDT_Float64, 0,
                                               0, nullptr),
              CE_None);
    return v;
}

} // namespace

TEST(Contributions, DominantIsTheArgmaxOfSingleAntennaGridsAndOperatorsSumToTheTotal) {
    Project p = OperatorSite();
    ASSERT_TRUE(RunXYCalculation(p).ok());
    // Each antenna alone: the others silenced.
    std::vector<Grid2D<double>> alone;
    for (int s = 1; s <= 4; ++s) {
        Project q = p;
        for (int k = 1; k <= 4; ++k)
            if (k != s) q.Antennas[static_cast<std::size_t>(k)].AntPower = 0;
        ASSERT_TRUE(RunXYCalculation(q).ok());
        alone.push_back(q.XY.Density);
    }
    brenvik::testing::TempDir dir;
    const std::string tif = dir.path() / "c.tif", geo = dir.path() / "d.tif",
                      gpkg = dir.path() / "c.gpkg";
    ASSERT_FALSE(gis::WriteContributionsFile(p, tif, false));
    ASSERT_FALSE(gis::WriteContributionsFile(p, gpkg, true));
    ASSERT_FALSE(gis::WriteGisFile(p, gis::GisFormat::GeoTiff, geo));
    GDALDatasetUniquePtr c(GDALDataset::Open(tif.c_str(), GDAL_OF_RASTER));
    GDALDatasetUniquePtr d(GDALDataset::Open(geo.c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(c && d);
    // The GeoTIFF's very pixels.
    std::array<double, 6> ca{}, da{};
    c->GetGeoTransform(ca.data());
    d->GetGeoTransform(da.data());
    EXPECT_EQ(ca, da);
    ASSERT_EQ(std::tuple(c->GetRasterXSize(), c->GetRasterYSize(), c->GetRasterCount()),
              std::tuple(int(p.GridNX), int(p.GridNY), 3));
    EXPECT_STREQ(c->GetRasterBand(2)->GetDescription(), "B");
    EXPECT_STREQ(c->GetRasterBand(3)->GetDescription(), "A");
    EXPECT_STREQ(c->GetRasterBand(1)->GetMetadataItem("ANTENNA_2"), "T2 A1 (A)");
    const std::vector<double> dominant = Band(*c, 1), b = Band(*c, 2), a = Band(*c, 3);
    const std::vector<double> total = Band(*d, 1);
    int shown[5] = {};
    for (int j = 1; j <= p.GridNY; ++j)
        for (int i = 1; i <= p.GridNX; ++i) {
            const std::size_t px = static_cast<std::size_t>(j - 1) * p.GridNX + (i - 1);
            int best = 0;
            double most = 0.0;
            for (int s = 1; s <= 4; ++s)
                if (alone[s - 1](i, j) > most) most = alone[s - 1](i, j), best = s;
            ASSERT_EQ(dominant[px], best) << i << "," << j;
            ++shown[best];
            EXPECT_NEAR(a[px] + b[px], total[px], 1e-12 * total[px]) << i << "," << j;
            EXPECT_NEAR(a[px], alone[1](i, j), 1e-12 * a[px]);
        }
    // Each radiating antenna dominates somewhere, the silent one nowhere.
    EXPECT_TRUE(shown[1] && shown[2] && shown[3] && !shown[4]);
    // The GeoPackage holds the same dominant antenna.
    GDALDatasetUniquePtr g(
        GDALDataset::Open(("GPKG:" + gpkg + ":dominant_antenna").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(g);
    EXPECT_EQ(Band(*g, 1), dominant);
    GDALDatasetUniquePtr ga(
        GDALDataset::Open(("GPKG:" + gpkg + ":operator_2").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(ga);
    EXPECT_STREQ(ga->GetMetadataItem("IDENTIFIER"), "A");
}
