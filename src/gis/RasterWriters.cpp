#include "gis/BuildingLayer.h"
#include "gis/GisLayers.h"
#include "gis/LayerStyles.h"
#include "gis/MeasurementLayer.h"
#include "gis/Writers.h"
#include "model/Messages.h"
#include "render/Scene.h"

#include <cpl_conv.h>
#include <vector>

namespace brenvik::gis {

namespace {

// Copies the source into a new file of the driver at `path`, GDAL reading
// the source as it writes and reporting within `span` of the export.
bool CopyTo(const NodeRaster& r, GDALDataset& src, const char* driver, const std::string& path,
            CSLConstList options, ProgressSpan span) {
    GdalProgress progress(r.feedback, driver, span);
    GDALDatasetUniquePtr out(GdalDriver(driver).CreateCopy(path.c_str(), &src, FALSE,
                                                           const_cast<char**>(options),
                                                           progress.function(), progress.data()));
    StopIfCancelled(r);
    if (!out) return false;
    out.reset(); // closing flushes the last blocks
    return CPLGetLastErrorType() != CE_Failure;
}

std::string heightText(const Project& p) {
    // The surface option follows the ground; otherwise one plane above it.
    return p.CalcOption == CalcLevel::AtSurface ? std::string("surface")
                                                : NumberText(p.CalcHeight) + " m";
}

// The coverage's statistics over its nodes alone (not the padding of its
// tiles, nor the nodata) and its overviews, for a large grid to open fast.
bool FinishCoverage(const std::string& path, const NodeRaster& r, ProgressSpan span) {
    const std::string name = "GPKG:" + path + ":density";
    GDALDatasetUniquePtr ds(
        GDALDataset::Open(name.c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE, nullptr, nullptr));
    if (!ds) return false;
    GDALRasterBand* band = ds->GetRasterBand(1);
    double mn = 0, mx = 0, mean = 0, sd = 0;
    GdalProgress statistics(r.feedback, "statistics", span.part(0, 2));
    if (band->ComputeStatistics(FALSE, &mn, &mx, &mean, &sd, statistics.function(),
                                statistics.data()) != CE_None)
        CPLErrorReset(); // all nodata: no statistics to give
    const int w = ds->GetRasterXSize(), h = ds->GetRasterYSize();
    int levels[8];
    int n = 0;
    for (int f = 2; n < 8 && (w / f >= 256 || h / f >= 256); f *= 2)
        levels[n++] = f;
    StopIfCancelled(r);
    GdalProgress overviews(r.feedback, "overviews", span.part(1, 2));
    if (n > 0 && ds->BuildOverviews("AVERAGE", n, levels, 0, nullptr, overviews.function(),
                                    overviews.data()) != CE_None)
        return false;
    StopIfCancelled(r);
    return true;
}

} // namespace

bool GeoTiffFile(const Project& p, const NodeRaster& r, const std::string& path) {
    GDALDatasetUniquePtr grid = GridDataset(r, GDT_Float64);
    if (!grid) return false;
    grid->SetMetadataItem("UNIT", DensityUnit);
    grid->SetMetadataItem("CALCULATION_HEIGHT", heightText(p).c_str());
    grid->SetMetadataItem("EXPOSURE_MODEL", msg::ModelName(p.Exposure.Model));
    grid->GetRasterBand(1)->SetDescription("power density");
    // Tiled, compressed and with overviews, so that web maps can stream it.
    // The floating-point predictor packs a smooth density field to about a
    // third, in less time than without it.
    const char* const options[] = {
        "COMPRESS=DEFLATE",     "LEVEL=1", "PREDICTOR=YES", "BLOCKSIZE=512", "OVERVIEWS=AUTO",
        "NUM_THREADS=ALL_CPUS", nullptr};
    return CopyTo(r, *grid, "COG", path, options, {});
}

bool GeoPackageFile(const Project& p, const NodeRaster& r, const std::string& path) {
    std::vector<IsolineFeature> lines;
    std::vector<ZoneFeature> zones;
    {
        GDALDatasetUniquePtr grid = GridDataset(r, GDT_Float64);
        if (!grid) return false;
        lines = MakeIsolines(p, r, *grid, {0.0, 0.3});
        zones = MakeZones(p, r, *grid, {0.3, 0.6});
    }
    GDALDriver* drv = &GdalDriver("GPKG");
    StopIfCancelled(r);
    // The driver makes only new files: the empty temporary goes, and the
    // caller locks the file GDAL puts in its place.
    VSIUnlink(path.c_str());
    {
        GDALDatasetUniquePtr ds(drv->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (ds) ds->SetMetadataItem("EXPOSURE_MODEL", msg::ModelName(p.Exposure.Model));
        if (!ds || !AddIsolineLayer(*ds, lines, false, nullptr) ||
            !AddZoneLayer(*ds, zones, false, nullptr) || !AddAntennaLayer(*ds, p, nullptr) ||
            !AddMaximumLayer(*ds, p, nullptr))
            return false;
        // The site's buildings and places, when the project has them.
        const SiteValues site = EvaluateSite(p, r.feedback);
        if ((!p.Buildings.empty() && !AddBuildingLayers(*ds, p, site, false)) ||
            (!p.Places.empty() && !AddPlaceLayer(*ds, site)))
            return false;
        // The field measurements against the prediction at their points.
        if (!p.Measurements.empty() && !AddMeasurementLayer(*ds, measure::PairMeasurements(p)))
            return false;
        // The far-field boundaries seen from above, beside the result they bound.
        const auto outlines = LayerOutlines(p);
        if (!outlines.empty() && !AddBoundaryLayer(*ds, p, outlines)) return false;
        // The file opens drawn: each layer with its colours, the coverage
        // added below with its ramp.
        if (!AddLayerStyles(*ds, p, r.maximum, "density")) return false;
    }
    StopIfCancelled(r);
    // The grid joins the same file as a gridded coverage, which keeps
    // floating-point values as Float32.
    GDALDatasetUniquePtr grid32 = GridDataset(r, GDT_Float32);
    if (!grid32) return false;
    // The padding of the edge tiles is nodata, so that the tiles' statistics
    // count the nodes alone.
    grid32->GetRasterBand(1)->SetNoDataValue(NodataValue);
    grid32->SetMetadataItem("EXPOSURE_MODEL", msg::ModelName(p.Exposure.Model));
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
    if (!CopyTo(r, *grid32, "GPKG", path, options, {0.6, 0.85})) return false;
    return FinishCoverage(path, r, {0.85, 1.0});
}

std::optional<std::string> GradientPngBytes(const Project& p, const NodeRaster& r,
                                            ProgressSpan span) {
    GDALDatasetUniquePtr img = ColourDataset(r, OverlayFirstLevel(p));
    if (!img) return std::nullopt;
    // A banded picture packs to a small file: it is built in memory.
    MemFile file("gradient.png");
    if (!CopyTo(r, *img, "PNG", file.path(), nullptr, span)) return std::nullopt;
    return file.bytes();
}

} // namespace brenvik::gis
