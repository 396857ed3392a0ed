#include "gis/GisExport.h"

#include "export/CsvExport.h"
#include "gis/GdalErrors.h"
#include "gis/GisLayers.h"
#include "gis/Writers.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "render/DisplayForms.h"

#include <array>
#include <gdal.h>

namespace brenvik::gis {

namespace {

struct FormatInfo {
    GisFormat format;
    const char* caption;
    const char* extension;
};

constexpr std::array<FormatInfo, 5> kFormats{{
    {GisFormat::GeoTiff, "GeoTIFF raster of the power density", ".tif"},
    {GisFormat::IsolinesGeoJson, "Isolines as GeoJSON lines", ".geojson"},
    {GisFormat::ZonesGeoJson, "Exceedance zones as GeoJSON polygons", ".geojson"},
    {GisFormat::GeoPackage, "GeoPackage with every layer", ".gpkg"},
    {GisFormat::Kmz, "KMZ for Google Earth", ".kmz"},
}};

const FormatInfo& info(GisFormat f) {
    for (const auto& i : kFormats)
        if (i.format == f) return i;
    return kFormats[0];
}

// ---- Writers built on the shared layers ---------------------------------------------

const char* const kGeoJsonOptions[] = {"RFC7946=YES", nullptr};

// The GeoJSON driver writes only new files: the layer is built in memory (a
// vector layer is small beside the raster it was traced from) and then put
// at `path`.
template <typename AddLayers>
bool VectorFile(const char* driver, const std::string& path, AddLayers add) {
    MemFile file("layer");
    GDALDatasetUniquePtr ds(
        GdalDriver(driver).Create(file.path().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds || !add(*ds)) return false;
    ds.reset(); // closing flushes the file
    const auto bytes = file.bytes();
    return bytes && WriteFileAtomically(path, *bytes);
}

} // namespace

bool IsolinesGeoJsonFile(const Project& p, const NodeRaster& r, const std::string& path) {
    GDALDatasetUniquePtr grid = GridDataset(r, GDT_Float64);
    if (!grid) return false;
    const auto lines = MakeIsolines(p, r, *grid);
    return VectorFile("GeoJSON", path, [&](GDALDataset& ds) {
        return AddIsolineLayer(ds, lines, true, kGeoJsonOptions);
    });
}

bool ZonesGeoJsonFile(const Project& p, const NodeRaster& r, const std::string& path) {
    GDALDatasetUniquePtr grid = GridDataset(r, GDT_Float64);
    if (!grid) return false;
    const auto zones = MakeZones(p, r, *grid);
    return VectorFile("GeoJSON", path, [&](GDALDataset& ds) {
        return AddZoneLayer(ds, zones, true, kGeoJsonOptions);
    });
}

std::span<const GisFormat> GisFormats() {
    static constexpr std::array<GisFormat, 5> all{GisFormat::GeoTiff, GisFormat::IsolinesGeoJson,
                                                  GisFormat::ZonesGeoJson, GisFormat::GeoPackage,
                                                  GisFormat::Kmz};
    return all;
}

const char* GisFormatCaption(GisFormat f) {
    return info(f).caption;
}

const char* GisFormatExtension(GisFormat f) {
    return info(f).extension;
}

std::string GisFormatFilter(GisFormat f) {
    const std::string ext = info(f).extension;
    return std::string(info(f).caption) + " (*" + ext + ")| *" + ext;
}

std::optional<std::string> GisExportRefusal(const Project& p) {
    if (!p.XY.Calculated) return std::string(msg::NoResult);
    if (p.Zoom != 1.0) return std::string(msg::ExportNeedsZoom);
    return std::nullopt;
}

namespace {

bool GisFile(const Project& p, GisFormat f, const NodeRaster& r, const std::string& path) {
    switch (f) {
    case GisFormat::GeoTiff:
        return GeoTiffFile(p, r, path);
    case GisFormat::IsolinesGeoJson:
        return IsolinesGeoJsonFile(p, r, path);
    case GisFormat::ZonesGeoJson:
        return ZonesGeoJsonFile(p, r, path);
    case GisFormat::GeoPackage:
        return GeoPackageFile(p, r, path);
    case GisFormat::Kmz:
        return KmzFile(p, r, path);
    }
    return false;
}

} // namespace

std::optional<std::string>
WriteThroughStage(const Project& p, const std::string& path, Feedback* feedback,
                  const std::function<bool(const NodeRaster&, const std::string&)>& write) {
    if (!p.XY.Calculated) return std::string(msg::NoResult);
    ensureGdal();
    const GdalErrorTrap trap;
    StagedFile staged;
    if (!staged.open(path)) return msg::WithCause(msg::FileError, path + ": " + staged.reason());
    staged.release();
    bool written = false;
    try {
        const std::optional<NodeRaster> r = MakeNodeRaster(p, feedback);
        if (!r) return std::string(OffTheMapMessage);
        written = write(*r, staged.temporary());
    } catch (const GisFailure& e) {
        // A GDAL step stopped by the cancel fails with GDAL's own words:
        // the cancel is the cause.
        if (e.cancelled || (feedback && feedback->isCanceled()))
            return std::string(msg::Interrupted);
        return msg::WithCause(msg::FileError, e.why);
    }
    if (feedback && feedback->isCanceled()) return std::string(msg::Interrupted);
    if (!written) return msg::WithCause(msg::FileError, trap.failed() ? trap.text() : path);
    if (!staged.finish() || !staged.commit())
        return msg::WithCause(msg::FileError, staged.reason());
    return std::nullopt;
}

std::optional<std::string> WriteGisFile(const Project& p, GisFormat f, const std::string& path,
                                        Feedback* feedback) {
    auto failed =
        WriteThroughStage(p, path, feedback, [&](const NodeRaster& r, const std::string& to) {
            return GisFile(p, f, r, to);
        });
    // The last GDAL step may end short of the whole (no overviews to make).
    if (!failed && feedback) feedback->setProgress(1.0, GisFormatCaption(f));
    return failed;
}

std::string GdalRuntimeVersion() {
    return GDALVersionInfo("RELEASE_NAME");
}

} // namespace brenvik::gis
