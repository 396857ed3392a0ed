#pragma once

#include "measure/Agreement.h"

#include <gdal_priv.h>
#include <vector>

namespace brenvik::gis {

// The layer `measurements`: points in longitude/latitude with the columns
// of the measurements export (a difference against nothing left empty).
// False when OGR refused the layer or a feature.
bool AddMeasurementLayer(GDALDataset& out, const std::vector<measure::PairedPoint>& points);

} // namespace brenvik::gis
