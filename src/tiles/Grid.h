#pragma once

// The pixel grid of a tiled map: a north-up raster in a projected CRS whose
// edges lie on multiples of the resolution, cut into square tiles of
// `tileSize` pixels (the last column and row of tiles may be narrower), so
// that tiles computed apart join exactly.
#include <cstdint>
#include <optional>
#include <string>

namespace brenvik::tiles {

struct Bounds {
    double xmin = 0.0, ymin = 0.0, xmax = 0.0, ymax = 0.0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// A tile's pixels in the whole grid: columns col .. col + width - 1, rows row
// .. row + height - 1 (rows from the top).
struct Window {
    int col = 0, row = 0, width = 0, height = 0;
    friend bool operator==(const Window&, const Window&) = default;
};

struct PixelGrid {
    double x0 = 0.0;         // west edge
    double y1 = 0.0;         // north edge
    double resolution = 1.0; // metres per pixel
    int width = 0, height = 0;
    int tileSize = 1;

    int tileColumns() const { return (width + tileSize - 1) / tileSize; }
    int tileRows() const { return (height + tileSize - 1) / tileSize; }
    int tileCount() const { return tileColumns() * tileRows(); }
    // Pixel (i, j): column i from the west, row j from the north.
    double centreX(long long i) const { return x0 + (static_cast<double>(i) + 0.5) * resolution; }
    double centreY(long long j) const { return y1 - (static_cast<double>(j) + 0.5) * resolution; }
    // Tile k counts row by row from the north-west corner.
    Window window(int k) const;
    Bounds bounds(const Window& w) const;
    Bounds bounds() const { return bounds(Window{0, 0, width, height}); }
    friend bool operator==(const PixelGrid&, const PixelGrid&) = default;
};

// The grid over `area` (in the CRS's metres), its bounds snapped outward to
// multiples of `resolution`; the reason when the grid cannot be made (a
// resolution or tile size that is not positive, a raster too large).
struct GridResult {
    std::optional<PixelGrid> grid;
    std::string error;
};
GridResult SnapGrid(const Bounds& area, double resolution, int tileSize);

} // namespace brenvik::tiles
