#pragma once

#include "model/Project.h"

#include <gdal_priv.h>
#include <string>

namespace brenvik::gis {

// The `layer_styles` table desktop GIS tools read a GeoPackage's default
// styles from: one row, with its QML and SLD, for each layer the file holds
// (isolines and zones in their levels' colours, buildings, floors and places
// by share of the limit, antennas, the maximum, the boundaries) and for the
// `raster` coverage (a colour ramp up to `maximum`; none when empty).
bool AddLayerStyles(GDALDataset& ds, const Project& p, double maximum, const std::string& raster);

} // namespace brenvik::gis
