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
std::optional<std::string> gradientPngBytes(const Project& p, const NodeRaster& r);
std::optional<std::string> kmzBytes(const Project& p, const NodeRaster& r);

} // namespace brenvik::gis
