#include "gis/ContributionRaster.h"

#include "compliance/Contributions.h"
#include "gis/GdalErrors.h"
#include "gis/GisExport.h"
#include "gis/NodeRaster.h"
#include "gis/Writers.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"

#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <vector>

namespace brenvik::gis {

namespace {

// One band's values on the raster's pixels: the grid read as the density is,
// nodes under the ground left out alike.
struct BandGrid {
    const Grid2D<double>* grid;
    std::string description;
};

// The bands in an in-memory raster on the result's pixels.
GDALDatasetUniquePtr MemoryRaster(const Project& p, const NodeRaster& r,
                                  const std::vector<BandGrid>& bands, GDALDataType type) {
    GDALDatasetUniquePtr ds(GdalDriver("MEM").Create(
        "", r.cols, r.rows, static_cast<int>(bands.size()), type, nullptr));
    if (!ds) return nullptr;
    std::array<double, 6> affine = r.affine;
    ds->SetGeoTransform(affine.data());
    const OGRSpatialReference crs = LonLatCrs();
    ds->SetSpatialRef(&crs);
    std::vector<double> row(static_cast<std::size_t>(r.cols));
    Project shown = p;
    for (std::size_t b = 0; b < bands.size(); ++b) {
        shown.XY.Density = *bands[b].grid;
        NodeRaster values = r;
        values.project = &shown;
        GDALRasterBand* band = ds->GetRasterBand(static_cast<int>(b) + 1);
        band->SetDescription(bands[b].description.c_str());
        if (r.hasNodata) band->SetNoDataValue(NodataValue);
        for (int j = 0; j < r.rows; ++j) {
            StopIfCancelled(r);
            values.readRow(j, 0, r.cols, row.data());
            if (band->RasterIO(GF_Write, 0, j, r.cols, 1, row.data(), r.cols, 1, GDT_Float64, 0, 0,
                               nullptr) != CE_None)
                return nullptr;
        }
        if (b > 0) band->SetUnitType(DensityUnit);
    }
    return ds;
}

std::string Legend(const Project& p, int slot) {
    return compliance::DominantName(p, slot);
}

bool TiffFile(const Project& p, const NodeRaster& r, const std::vector<BandGrid>& bands,
              const std::string& path) {
    GDALDatasetUniquePtr mem = MemoryRaster(p, r, bands, GDT_Float64);
    if (!mem) return false;
    GDALRasterBand* dominant = mem->GetRasterBand(1);
    dominant->SetMetadataItem("ANTENNA_0", "none");
    for (int s = 1; s <= std::min<int>(p.AntennaCount, p.AntennaSlotBound()); ++s)
        dominant->SetMetadataItem(("ANTENNA_" + std::to_string(s)).c_str(), Legend(p, s).c_str());
    const char* const options[] = {"COMPRESS=DEFLATE", "TILED=YES", "PROFILE=GDALGeoTIFF", nullptr};
    GDALDatasetUniquePtr out(GdalDriver("GTiff").CreateCopy(
        path.c_str(), mem.get(), FALSE, const_cast<char**>(options), nullptr, nullptr));
    if (!out) return false;
    out.reset();
    return CPLGetLastErrorType() != CE_Failure;
}

// Each band a gridded coverage of its own: the format keeps one band per table.
bool PackageFile(const Project& p, const NodeRaster& r, const std::vector<BandGrid>& bands,
                 const std::string& path) {
    // The driver makes only new files: the empty temporary goes.
    VSIUnlink(path.c_str());
    std::string legend = "0 none";
    for (int s = 1; s <= std::min<int>(p.AntennaCount, p.AntennaSlotBound()); ++s)
        legend += "; " + std::to_string(s) + " " + Legend(p, s);
    for (std::size_t b = 0; b < bands.size(); ++b) {
        GDALDatasetUniquePtr mem = MemoryRaster(p, r, {bands[b]}, GDT_Float32);
        if (!mem) return false;
        mem->GetRasterBand(1)->SetNoDataValue(NodataValue);
        const std::string table = b == 0 ? "dominant_antenna" : "operator_" + std::to_string(b);
        const std::string id = "RASTER_IDENTIFIER=" + bands[b].description;
        const std::string about =
            "RASTER_DESCRIPTION=" + (b == 0 ? legend : std::string("uW/cm^2"));
        const std::string name = "RASTER_TABLE=" + table;
        const char* const options[] = {b == 0 ? "APPEND_SUBDATASET=NO" : "APPEND_SUBDATASET=YES",
                                       name.c_str(),
                                       id.c_str(),
                                       about.c_str(),
                                       "GRID_CELL_ENCODING=grid-value-is-area",
                                       nullptr};
        GDALDatasetUniquePtr out(GdalDriver("GPKG").CreateCopy(
            path.c_str(), mem.get(), FALSE, const_cast<char**>(options), nullptr, nullptr));
        StopIfCancelled(r);
        if (!out) return false;
        out.reset();
        if (CPLGetLastErrorType() == CE_Failure) return false;
    }
    return true;
}

} // namespace

std::optional<std::string> WriteContributionsFile(const Project& p, const std::string& path,
                                                  bool geoPackage, Feedback* feedback) {
    if (!p.XY.Calculated) return std::string(msg::NoResult);
    ensureGdal();
    std::string why;
    const auto c = compliance::ComputeContributions(p, feedback, why);
    if (feedback && feedback->isCanceled()) return std::string(msg::Interrupted);
    if (!c) return why;
    std::vector<BandGrid> bands{{&c->dominant, "dominant antenna"}};
    for (std::size_t k = 0; k < c->operators.size(); ++k)
        bands.push_back({&c->density[k], c->operators[k].empty() ? "(none)" : c->operators[k]});
    return WriteThroughStage(p, path, feedback, [&](const NodeRaster& r, const std::string& to) {
        return geoPackage ? PackageFile(p, r, bands, to) : TiffFile(p, r, bands, to);
    });
}

} // namespace brenvik::gis
