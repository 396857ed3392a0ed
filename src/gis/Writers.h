#pragma once

// The file writers behind WriteGisFile: each writes the file at `path` (a
// temporary the caller puts in place) as GDAL streams it, reading the
// raster a block of rows at a time; false when GDAL failed (not part of the
// public interface).

#include "gis/GdalProgress.h"
#include "gis/NodeRaster.h"

#include <optional>
#include <string>

namespace brenvik::gis {

bool GeoTiffFile(const Project& p, const NodeRaster& r, const std::string& path);
bool IsolinesGeoJsonFile(const Project& p, const NodeRaster& r, const std::string& path);
bool ZonesGeoJsonFile(const Project& p, const NodeRaster& r, const std::string& path);
bool GeoPackageFile(const Project& p, const NodeRaster& r, const std::string& path);
// The overlay paints the bands the display paints, in the display's
// colours: from the first tenth of the maximum up, and on a white
// background from the sixth (the display leaves the lower ones white). The
// map shows through the rest. The legend starts at the same band.
inline int OverlayFirstLevel(const Project& p) {
    return p.WhiteBackground ? 6 : 1;
}
// The gradient image of the raster as a PNG: one RGBA pixel per node,
// reporting within `span` of the export.
std::optional<std::string> GradientPngBytes(const Project& p, const NodeRaster& r,
                                            ProgressSpan span = {});
bool KmzFile(const Project& p, const NodeRaster& r, const std::string& path);

} // namespace brenvik::gis
