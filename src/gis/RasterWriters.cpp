#include "gis/GisLayers.h"
#include "gis/Writers.h"
#include "render/Scene.h"

#include <cpl_conv.h>
#include <vector>

namespace brenvik::gis {

namespace {

std::optional<std::string> copyTo(const NodeRaster& r, GDALDataset& src, const char* driver,
                                  const char* name, CSLConstList options) {
    MemFile file(name);
    GDALDatasetUniquePtr out(
        gdalDriver(driver).CreateCopy(file.path().c_str(), &src, FALSE, const_cast<char**>(options),
                                      progressUnlessCancelled, const_cast<NodeRaster*>(&r)));
    stopIfCancelled(r);
    if (!out) return std::nullopt;
    out.reset();
    return file.bytes();
}

std::string heightText(const Project& p) {
    // The surface option follows the ground; otherwise one plane above it.
    return p.CalcOption == CalcLevel::AtSurface ? std::string("surface") : numberText(p.CalcHeight) + " m";
}

// The coverage's statistics over its nodes alone (not the padding of its
// tiles, nor the nodata) and its overviews, for a large grid to open fast.
bool finishCoverage(const std::string& path, const NodeRaster& r) {
    const std::string name = "GPKG:" + path + ":density";
    GDALDatasetUniquePtr ds(
        GDALDataset::Open(name.c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE, nullptr, nullptr));
    if (!ds) return false;
    GDALRasterBand* band = ds->GetRasterBand(1);
    double mn = 0, mx = 0, mean = 0, sd = 0;
    void* raster = const_cast<NodeRaster*>(&r);
    if (band->ComputeStatistics(FALSE, &mn, &mx, &mean, &sd, progressUnlessCancelled, raster) !=
        CE_None)
        CPLErrorReset(); // all nodata: no statistics to give
    const int w = ds->GetRasterXSize(), h = ds->GetRasterYSize();
    int levels[8];
    int n = 0;
    for (int f = 2; n < 8 && (w / f >= 256 || h / f >= 256); f *= 2)
        levels[n++] = f;
    stopIfCancelled(r);
    if (n > 0 && ds->BuildOverviews("AVERAGE", n, levels, 0, nullptr, progressUnlessCancelled,
                                    raster) != CE_None)
        return false;
    stopIfCancelled(r);
    return true;
}

} // namespace

std::optional<std::string> geoTiffBytes(const Project& p, const NodeRaster& r) {
    GDALDatasetUniquePtr grid = memoryDataset(r, GDT_Float64);
    if (!grid) return std::nullopt;
    grid->SetMetadataItem("UNIT", DensityUnit);
    grid->SetMetadataItem("CALCULATION_HEIGHT", heightText(p).c_str());
    grid->GetRasterBand(1)->SetDescription("power density");
    // Tiled, compressed and with overviews, so that web maps can stream it.
    // The floating-point predictor packs a smooth density field to about a
    // third, in less time than without it.
    // The overviews are made here in memory first, halving until a level
    // fits in one block, where every few rows ask the cancel flag: the COG
    // driver would make them in a temporary file whose flush asks nothing for
    // seconds on a large grid.
    std::vector<int> levels;
    for (int f = 2; r.cols > 512 || r.rows > 512; f *= 2) {
        levels.push_back(f);
        if ((r.cols + f - 1) / f <= 512 && (r.rows + f - 1) / f <= 512) break;
    }
    if (!levels.empty() &&
        grid->BuildOverviews("CUBIC", static_cast<int>(levels.size()), levels.data(), 0, nullptr,
                             progressUnlessCancelled, const_cast<NodeRaster*>(&r)) != CE_None) {
        stopIfCancelled(r);
        return std::nullopt;
    }
    stopIfCancelled(r);
    const char* const options[] = {"COMPRESS=DEFLATE",
                                   "LEVEL=1",
                                   "PREDICTOR=YES",
                                   "BLOCKSIZE=512",
                                   "OVERVIEWS=FORCE_USE_EXISTING",
                                   "NUM_THREADS=ALL_CPUS",
                                   nullptr};
    return copyTo(r, *grid, "COG", "result.tif", options);
}

std::optional<std::string> geoPackageBytes(const Project& p, const NodeRaster& r) {
    GDALDatasetUniquePtr grid = memoryDataset(r, GDT_Float64);
    if (!grid) return std::nullopt;
    const auto lines = makeIsolines(p, r, *grid);
    const auto zones = makeZones(p, r, *grid);

    MemFile file("result.gpkg");
    GDALDriver* drv = &gdalDriver("GPKG");
    stopIfCancelled(r);
    {
        GDALDatasetUniquePtr ds(drv->Create(file.path().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds || !addIsolineLayer(*ds, lines, false, nullptr)) return std::nullopt;
        stopIfCancelled(r);
        if (!addZoneLayer(*ds, zones, false, nullptr) || !addAntennaLayer(*ds, p, nullptr) ||
            !addMaximumLayer(*ds, p, nullptr))
            return std::nullopt;
        stopIfCancelled(r);
    }
    stopIfCancelled(r);
    // The grid joins the same file as a gridded coverage, which keeps
    // floating-point values as Float32.
    GDALDatasetUniquePtr grid32 = memoryDataset(r, GDT_Float32);
    if (!grid32) return std::nullopt;
    // The padding of the edge tiles is nodata, so that the tiles' statistics
    // count the nodes alone.
    grid32->GetRasterBand(1)->SetNoDataValue(NodataValue);
    // Its band is the density in its unit, each value standing for its
    // pixel's area like the TIFF's.
    const char* const options[] = {"APPEND_SUBDATASET=YES",
                                   "RASTER_TABLE=density",
                                   "RASTER_IDENTIFIER=power density (uW/cm^2)",
                                   "FIELD_NAME=power_density",
                                   "QUANTITY_DEFINITION=power density (uW/cm^2)",
                                   "UOM=uW/cm^2",
                                   "GRID_CELL_ENCODING=grid-value-is-area",
                                   nullptr};
    GDALDatasetUniquePtr out(drv->CreateCopy(file.path().c_str(), grid32.get(), FALSE,
                                             const_cast<char**>(options), progressUnlessCancelled,
                                             const_cast<NodeRaster*>(&r)));
    stopIfCancelled(r);
    if (!out) return std::nullopt;
    out.reset();
    if (!finishCoverage(file.path(), r)) return std::nullopt;
    return file.bytes();
}

std::optional<std::string> gradientPngBytes(const Project& p, const NodeRaster& r) {
    GDALDatasetUniquePtr img(gdalDriver("MEM").Create("", r.cols, r.rows, 4, GDT_Byte, nullptr));
    if (!img) return std::nullopt;
    const int threshold = overlayFirstLevel(p);
    const bool white = p.WhiteBackground;
    const std::size_t n = r.values.size();
    std::vector<GByte> rgba(4 * n, 0);
    const std::size_t cols = static_cast<std::size_t>(r.cols);
    for (std::size_t k = 0; k < n; ++k) {
        // Between blocks of rows, the cancel.
        if (k % (64 * cols) == 0) stopIfCancelled(r);
        const auto level = render::levelOf(r.values[k], r.maximum);
        if (!level || *level < threshold) continue;
        const render::Rgb c = render::gradientColour(*level, white);
        rgba[k] = c.r;
        rgba[n + k] = c.g;
        rgba[2 * n + k] = c.b;
        rgba[3 * n + k] = 255;
    }
    if (img->RasterIO(GF_Write, 0, 0, r.cols, r.rows, rgba.data(), r.cols, r.rows, GDT_Byte, 4,
                      nullptr, 0, 0, 0, nullptr) != CE_None)
        return std::nullopt;
    stopIfCancelled(r);
    return copyTo(r, *img, "PNG", "gradient.png", nullptr);
}

} // namespace brenvik::gis
