#pragma once

// The map's projected CRS, through GDAL and PROJ: choosing it, checking it,
// and carrying longitudes and latitudes (WGS 84) into it, x = easting.
#include "tiles/Grid.h"

#include <array>
#include <memory>
#include <ogr_spatialref.h>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::tiles {

struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* t) const {
        OGRCoordinateTransformation::DestroyCT(t);
    }
};
using TransformPtr = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

// Registers GDAL's drivers once; safe to call from anywhere.
void EnsureGdal();

// "EPSG:326zz" or "EPSG:327zz" for the UTM zone of (lon, lat).
std::string UtmCrsOf(double lon, double lat);

// The area W, S, E, N in degrees: the reason it cannot be mapped (crossing
// the antimeridian, reaching a pole, empty), else nothing.
std::optional<std::string> AreaRefusal(const std::array<double, 4>& area);

struct Crs {
    std::string wkt;
    std::string error;
};
// The definition of a projected CRS given as GDAL reads it ("EPSG:2154", a
// WKT or PROJ text); a geographic or unknown CRS is refused.
Crs ProjectedCrs(const std::string& text);

// The area's bounds in the CRS, with its edges densified so that curved
// edges are covered.
std::optional<Bounds> AreaInCrs(const std::array<double, 4>& area, const std::string& wkt);
// Longitudes and latitudes carried into the CRS in place; false when any fails.
bool LonLatToCrs(const std::string& wkt, std::vector<double>& x, std::vector<double>& y);

} // namespace brenvik::tiles
