#include "gis/GisExport.h"

#include "export/CsvExport.h"
#include "gis/GisLayers.h"
#include "gis/Writers.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "render/DisplayForms.h"

#include <array>
#include <cctype>
#include <cpl_error.h>

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

// GDAL reports through its error handler; the program's own message says
// what went wrong, so GDAL's text stays off the terminal.
class QuietGdal {
  public:
    QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
};

// ---- Writers built on the shared layers ---------------------------------------------

const char* const kGeoJsonOptions[] = {"RFC7946=YES", nullptr};

template <typename AddLayers>
std::optional<std::string> vectorBytes(const char* driver, const char* name, AddLayers add) {
    MemFile file(name);
    GDALDriver* drv = &gdalDriver(driver);
    GDALDatasetUniquePtr ds(drv->Create(file.path().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds || !add(*ds)) return std::nullopt;
    ds.reset(); // closing flushes the file
    return file.bytes();
}

} // namespace

std::optional<std::string> isolinesGeoJsonBytes(const Project& p, const NodeRaster& r) {
    GDALDatasetUniquePtr grid = memoryDataset(r, GDT_Float64);
    if (!grid) return std::nullopt;
    const auto lines = makeIsolines(p, r, *grid);
    return vectorBytes("GeoJSON", "isolines.geojson", [&](GDALDataset& ds) {
        return addIsolineLayer(ds, lines, true, kGeoJsonOptions);
    });
}

std::optional<std::string> zonesGeoJsonBytes(const Project& p, const NodeRaster& r) {
    GDALDatasetUniquePtr grid = memoryDataset(r, GDT_Float64);
    if (!grid) return std::nullopt;
    const auto zones = makeZones(p, r, *grid);
    return vectorBytes("GeoJSON", "zones.geojson", [&](GDALDataset& ds) {
        return addZoneLayer(ds, zones, true, kGeoJsonOptions);
    });
}

std::span<const GisFormat> gisFormats() {
    static constexpr std::array<GisFormat, 5> all{GisFormat::GeoTiff, GisFormat::IsolinesGeoJson,
                                                  GisFormat::ZonesGeoJson, GisFormat::GeoPackage,
                                                  GisFormat::Kmz};
    return all;
}

const char* gisFormatCaption(GisFormat f) {
    return info(f).caption;
}

const char* gisFormatExtension(GisFormat f) {
    return info(f).extension;
}

std::string gisFormatFilter(GisFormat f) {
    const std::string ext = info(f).extension;
    return std::string(info(f).caption) + " (*" + ext + ")| *" + ext;
}

std::string gisPathWithExtension(const std::string& path, GisFormat f) {
    const std::string ext = info(f).extension;
    if (path.size() >= ext.size()) {
        bool same = true;
        for (std::size_t k = 0; k < ext.size(); ++k)
            same = same &&
                   std::tolower(static_cast<unsigned char>(path[path.size() - ext.size() + k])) ==
                       ext[k];
        if (same) return path;
    }
    return path + ext;
}

std::optional<std::string> gisExportRefusal(const Project& p) {
    if (!p.XY.Calculated) return std::string(msg::NoResult);
    if (p.Zoom != 1.0) return std::string(msg::ExportNeedsZoom);
    return std::nullopt;
}

namespace {

std::optional<std::string> gisBytes(const Project& p, GisFormat f, const NodeRaster& r) {
    std::optional<std::string> bytes;
    switch (f) {
    case GisFormat::GeoTiff:
        bytes = geoTiffBytes(p, r);
        break;
    case GisFormat::IsolinesGeoJson:
        bytes = isolinesGeoJsonBytes(p, r);
        break;
    case GisFormat::ZonesGeoJson:
        bytes = zonesGeoJsonBytes(p, r);
        break;
    case GisFormat::GeoPackage:
        bytes = geoPackageBytes(p, r);
        break;
    case GisFormat::Kmz:
        bytes = kmzBytes(p, r);
        break;
    }
    return bytes;
}

} // namespace

std::optional<std::string> writeGisFile(const Project& p, GisFormat f, const std::string& path,
                                        const std::atomic<bool>* cancel) {
    if (!p.XY.Calculated) return std::string(msg::NoResult);
    ensureGdal();
    QuietGdal quiet;
    CPLErrorReset();
    std::optional<std::string> bytes;
    try {
        const std::optional<NodeRaster> r = makeNodeRaster(p, cancel);
        if (!r) return std::string(OffTheMapMessage);
        bytes = gisBytes(p, f, *r);
    } catch (const GisFailure& e) {
        if (e.cancelled) return std::string(msg::Interrupted);
        return msg::withCause(msg::FileError, e.why);
    }
    if (!bytes) return msg::withCause(msg::FileError, CPLGetLastErrorMsg());
    // Built whole in memory first, then put in place in one step.
    std::string why;
    Feedback feedback(cancel);
    if (!WriteFileAtomically(path, *bytes, feedback, &why)) {
        if (feedback.isCanceled()) return std::string(msg::Interrupted);
        return msg::withCause(msg::FileError, why);
    }
    return std::nullopt;
}

} // namespace brenvik::gis
