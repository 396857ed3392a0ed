#pragma once

// Ground heights from any raster GDAL reads (a GeoTIFF, a VRT of a national
// DEM), taken at points of the map's CRS by bilinear interpolation between
// the DEM's pixel centres. A point whose four neighbours include a nodata
// value has no height (NaN).
#include "tiles/Grid.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::tiles {

class Terrain {
  public:
    ~Terrain();
    Terrain(Terrain&&) noexcept;
    Terrain& operator=(Terrain&&) noexcept;

    // Opens `path` for points given in the CRS `crsWkt`; the reason when it
    // cannot be read, is rotated, or does not cover `mustCover`.
    static std::optional<Terrain> Open(const std::string& path, const std::string& crsWkt,
                                       const Bounds& mustCover, std::string& error);
    // Heights at the points (xs[k], ys[k]); false with `error` when the DEM
    // cannot be read there.
    bool sample(const std::vector<double>& xs, const std::vector<double>& ys,
                std::vector<double>& out, std::string& error) const;

    // A hash of what the heights within `b` (map CRS) are made from: the
    // DEM's CRS, georeferencing, nodata value and the values of its pixels
    // around `b`. Equal hashes give equal heights there, whichever file the
    // DEM came from. Nothing, with `error`, when the DEM cannot be read.
    std::optional<std::string> windowHash(const Bounds& b, std::string& error) const;

  private:
    Terrain();
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace brenvik::tiles
