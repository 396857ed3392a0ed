#pragma once

// The file writers behind writeGisFile: each returns the whole file's bytes,
// built in GDAL's memory file system, or nothing when GDAL failed (not part
// of the public interface).

#include "gis/NodeRaster.h"

#include <optional>
#include <string>

namespace brenvik::gis {

std::optional<std::string> geoTiffBytes(const Project& p, const NodeRaster& r);
std::optional<std::string> isolinesGeoJsonBytes(const Project& p, const NodeRaster& r);
std::optional<std::string> zonesGeoJsonBytes(const Project& p, const NodeRaster& r);
std::optional<std::string> geoPackageBytes(const Project& p, const NodeRaster& r);
// The gradient image of the raster: one RGBA pixel per node.
// The overlay paints the bands the display paints, in the display's
// colours: from the first tenth of the maximum up, and on a white
// background from the sixth (the display leaves the lower ones white). The
// map shows through the rest. The legend starts at the same band.
inline int overlayFirstLevel(const Project& p) {
    return p.WhiteBackground ? 6 : 1;
}
std::optional<std::string> gradientPngBytes(const Project& p, const NodeRaster& r);
std::optional<std::string> kmzBytes(const Project& p, const NodeRaster& r);

} // namespace brenvik::gis
