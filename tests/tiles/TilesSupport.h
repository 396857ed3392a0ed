#pragma once

#include "compliance/Limits.h"
#include "gis/GisTestSupport.h"
#include "model/TempDir.h"
#include "tiles/Plan.h"
#include "tiles/TileRun.h"

#include <fstream>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace brenvik::tiles::testing {

// A small area in Paris, in UTM zone 31 north.
inline constexpr std::array<double, 4> kArea{2.300, 48.850, 2.320, 48.860};
inline constexpr double kDemX0 = 447000.0, kDemY1 = 5414000.0, kDemStep = 25.0;

// The ground of the test terrain: a plane, which bilinear interpolation
// reproduces exactly.
inline double Plane(double x, double y) {
    return 30.0 + 0.01 * (x - kDemX0) - 0.02 * (y - kDemY1);
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A DEM of the plane over (and well beyond) the area, as a GeoTIFF.
inline std::string WriteDem(const brenvik::testing::TempDir& dir) {
    const int n = 300;
    std::vector<double> z;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            z.push_back(Plane(kDemX0 + (i + 0.5) * kDemStep, kDemY1 - (j + 0.5) * kDemStep));
    return brenvik::testing::WriteGeoTiff(dir.file("dem.tif"), n, n,
                                          {kDemX0, kDemStep, 0, kDemY1, 0, -kDemStep}, 32631, z);
}

// Panels with parametric and imported beams, a stick, and one site far away.
inline std::string WriteSites(const brenvik::testing::TempDir& dir) {
    const std::string pattern = std::string(BRENVIK_SHARED_DIR) + "/patterns/panel-65deg-0t.msi";
    const std::string path = dir.file("sites.csv");
    WriteText(path,
              "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,pattern,"
              "h_beamwidth_deg,v_beamwidth_deg,electrical_tilt_deg\r\n"
              "A,2.3052,48.8531,30,panel,1500,120,4,900,a1,,,,\r\n"
              "A,2.3052,48.8531,30,panel,900,250,2,1800,a2," +
                  pattern +
                  ",,,\r\n"
                  "B,2.3151,48.8566,18,stick,300,,,2100,b1,,,,\r\n"
                  "B,2.3151,48.8566,25,panel,1200,10,6,3500,b2,,65,10,3\r\n"
                  "C,2.3600,48.8400,30,panel,1500,0,0,900,far,,,,\r\n");
    return path;
}

inline PlanOptions Options(const std::string& sites, const std::string& dem, double res,
                           int tileSize, double cutoff = 0.0) {
    PlanOptions o;
    std::tie(o.sites, o.area, o.resolution, o.tileSize, o.terrain, o.standard, o.cutoff) =
        std::tie(sites, kArea, res, tileSize, dem, "icnirp-2020", cutoff);
    return o;
}

inline const compliance::Library& Limits() {
    static const compliance::LoadedLibrary lib = compliance::LoadLibrary();
    return lib.library;
}

// The bands of a raster as doubles, band after band.
inline std::vector<float> Pixels(const std::string& path, int& w, int& h) {
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER));
    if (!ds) return {};
    w = ds->GetRasterXSize();
    h = ds->GetRasterYSize();
    std::vector<float> v(static_cast<std::size_t>(w) * h * ds->GetRasterCount());
    if (ds->RasterIO(GF_Read, 0, 0, w, h, v.data(), w, h, GDT_Float32, ds->GetRasterCount(),
                     nullptr, 0, 0, 0, nullptr) != CE_None)
        return {};
    return v;
}

// Plans `o` in DIR/NAME, runs every tile from its own inputs (on three
// threads for the plan named "many") and joins them: the map's path.
inline std::string PlanRunMosaic(const brenvik::testing::TempDir& dir, const std::string& name,
                                 const PlanOptions& o, Manifest& m,
                                 antenna::EnvelopeCache* envelopes = nullptr) {
    const std::string plan = dir.file(name);
    const PlanResult r = MakePlan(o, Limits());
    EXPECT_TRUE(r.manifest) << r.error;
    if (!r.manifest) return "";
    m = *r.manifest;
    EXPECT_FALSE(WritePlan(m, plan));
    WorkOptions w;
    w.envelopes = envelopes;
    w.threads = name == "many" ? 3 : 1;
    for (int k = 0; k < m.grid.tileCount(); ++k)
        EXPECT_EQ(RunTile(plan, k, w).outcome, TileOutcome::Written);
    const std::string map = dir.file(name + ".tif");
    EXPECT_EQ(MosaicTiles(plan, map, w), std::nullopt);
    return map;
}

} // namespace brenvik::tiles::testing
