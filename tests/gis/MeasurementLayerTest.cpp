#include "GisTestSupport.h"
#include "compliance/Places.h"
#include "geo/Geo.h"
#include "gis/GisExport.h"
#include "measure/Import.h"
#include "model/FileValues.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brenvik;

TEST(MeasurementLayer, PointsAtTheirLonLatWithTheirDifferenceAndAStyle) {
    Project p;
    brenvik::testing::FillPlan(p, [](int i, int) { return 1.0 + i; });
    p.IsolineCount = 3;
    p.XY.IsolineLevel = {0.0, 5.0, 10.0, 15.0};
    Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 20, 40);
    // Three readings: two in the beam given in lon/lat, one at the mast's
    // foot where the model predicts nothing.
    const geo::Geographic foot = geo::ToGeographic(
        p, {a.AntX * p.MetersPerUnit, (geo::VisibleHeight - a.AntY) * p.MetersPerUnit});
    const double lons[] = {foot.lon + 0.0004, foot.lon + 0.0007, foot.lon};
    std::string csv = std::string(measure::MeasurementsHeader) + "\n";
    for (int k = 0; k < 2; ++k)
        csv += "M" + std::to_string(k) + "," + FormatDouble(lons[k]) + "," +
               FormatDouble(foot.lat) + ",,,1.5,0.5,V/m,,,,\n";
    // The foot itself in the cartesian metres of the exports.
    csv += "M2,,," + FormatDouble(p.OriginX + a.AntX * p.MetersPerUnit) + "," +
           FormatDouble(p.OriginY + (geo::VisibleHeight - a.AntY) * p.MetersPerUnit) +
           ",1.5,0.5,V/m,,,,\n";
    const auto in = measure::ImportMeasurements(p, csv, "m.csv");
    ASSERT_FALSE(in.refusal) << *in.refusal;

    brenvik::testing::TempDir dir;
    const std::string path = dir.file("m.gpkg");
    const auto failed = gis::WriteGisFile(p, gis::GisFormat::GeoPackage, path);
    ASSERT_FALSE(failed) << *failed;
    auto gpkg = brenvik::testing::OpenGdal(path, GDAL_OF_VECTOR | GDAL_OF_RASTER);
    ASSERT_TRUE(gpkg);
    OGRLayer* layer = gpkg->GetLayerByName("measurements");
    ASSERT_TRUE(layer);
    ASSERT_EQ(layer->GetFeatureCount(), 3);
    const double measured = 0.25 / 376.73 * 100; // (0.5 V/m)^2 / 376.73 ohm, in uW/cm^2
    int k = 0;
    for (auto& f : *layer) {
        const OGRPoint* pt = f->GetGeometryRef()->toPoint();
        EXPECT_NEAR(pt->getX(), lons[k], 1e-9);
        EXPECT_NEAR(pt->getY(), foot.lat, 1e-9);
        const double predicted = f->GetFieldAsDouble("predicted");
        EXPECT_NEAR(f->GetFieldAsDouble("measured"), measured, 1e-12 * measured);
        if (k < 2) {
            ASSERT_GT(predicted, 0.0) << k;
            EXPECT_NEAR(f->GetFieldAsDouble("difference_db"), 10 * std::log10(measured / predicted),
                        1e-9);
        } else {
            // Nothing predicted: no number to class, and the point is flagged.
            EXPECT_EQ(predicted, 0.0);
            EXPECT_FALSE(f->IsFieldSetAndNotNull(f->GetFieldIndex("difference_db")));
            EXPECT_EQ(f->GetFieldAsInteger("flag"), 1);
            EXPECT_STREQ(f->GetFieldAsString("reason"), "measured where nothing is predicted");
        }
        ++k;
    }
    brenvik::testing::ExpectAStyleForEachLayer(*gpkg);
}
