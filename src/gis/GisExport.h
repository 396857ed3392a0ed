#pragma once

#include "model/Feedback.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <optional>
#include <span>
#include <string>

namespace brenvik::gis {

// The XY result as map layers, in WGS 84 longitude/latitude, placed by the
// same conversion as the geographic point tables.
enum class GisFormat {
    GeoTiff,         // the density grid, one pixel per node
    IsolinesGeoJson, // the isolines as lines
    ZonesGeoJson,    // the areas at or above each level and legal limit
    GeoPackage,      // isolines, zones, antennas, maximum and the grid
    Kmz,             // the gradient image, zones, towers and maximum
};

std::span<const GisFormat> GisFormats();
// The caption of a format in the dialog, its file extension (".tif") and the
// file dialog's filter.
const char* GisFormatCaption(GisFormat f);
const char* GisFormatExtension(GisFormat f);
std::string GisFormatFilter(GisFormat f);

inline constexpr const char* OffTheMapMessage =
    "The plan does not fit on the map: its longitudes leave -180..180 or its latitudes "
    "-90..90. Move the origin of coordinates.";

// Why the command refuses to start, as the geographic point tables refuse:
// no XY result, or a zoom other than 100 %.
std::optional<std::string> GisExportRefusal(const Project& p);

// Writes the file whole, or not at all: the previous file at `path` stays as
// it was on any failure. The message on failure: no XY result, the plan off
// the map, "Interrupted" when `feedback` was canceled (asked within a fraction
// of a second, also by GDAL's long steps, which report their progress), or
// "Error en el fichero" with the cause on a second line (GDAL's error text,
// such as a Contour level that could not be traced, or the file that could
// not be written).
std::optional<std::string> WriteGisFile(const Project& p, GisFormat f, const std::string& path,
                                        Feedback* feedback = nullptr);

// The GDAL library the program runs with, e.g. "3.6.2" (for the about box).
std::string GdalRuntimeVersion();

} // namespace brenvik::gis
