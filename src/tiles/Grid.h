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

    // In 64 bits: a width near 2^31 plus a tile size overflows an int, and
    // the count of a fine grid of small tiles runs into billions. A grid
    // whose tile size is not positive has no tiles.
    std::int64_t tileColumns() const { return CeilDiv(width, tileSize); }
    std::int64_t tileRows() const { return CeilDiv(height, tileSize); }
    std::int64_t tileCount() const { return tileColumns() * tileRows(); }
    // Pixel (i, j): column i from the west, row j from the north.
    double centreX(long long i) const { return x0 + (static_cast<double>(i) + 0.5) * resolution; }
    double centreY(long long j) const { return y1 - (static_cast<double>(j) + 0.5) * resolution; }
    // Tile k counts row by row from the north-west corner; k within 0 to
    // tileCount() - 1.
    Window window(std::int64_t k) const;
    Bounds bounds(const Window& w) const;
    Bounds bounds() const { return bounds(Window{0, 0, width, height}); }
    friend bool operator==(const PixelGrid&, const PixelGrid&) = default;

  private:
    static std::int64_t CeilDiv(std::int64_t n, std::int64_t d) {
        return d > 0 && n > 0 ? (n + d - 1) / d : 0;
    }
};

// Bounds on a plan that every machine of a cluster can run: tiles per plan
// (each a scheduler's task and a manifest entry every tile reads) and memory
// per tile (its bands, its ground heights, its adaptive arrays' envelopes).
inline constexpr std::int64_t MaxTiles = 1'000'000;
inline constexpr std::uint64_t MaxTileBytes = 8ull << 30;
inline constexpr int MinTileSize = 16, MaxTileSize = 65536;

// The memory a tile of `pixels` takes while computed and written: a float
// per band and pixel, and a double of ground height per pixel with a terrain.
std::uint64_t TileBytes(std::int64_t pixels, int bands, bool terrain);
// Why the largest tile of `g`, with `envelopeBytes` of envelope tables of
// adaptive arrays besides, would need more than MaxTileBytes, else nothing.
std::optional<std::string> TileMemoryRefusal(const PixelGrid& g, int bands, bool terrain,
                                             std::uint64_t envelopeBytes = 0);

// The grid over `area` (in the CRS's metres), its bounds snapped outward to
// multiples of `resolution`; the reason when the grid cannot be made (a
// resolution or tile size that is not positive, a raster too large, more
// than MaxTiles tiles). The reasons name the options --resolution and
// --tile-size that set them.
struct GridResult {
    std::optional<PixelGrid> grid;
    std::string error;
};
GridResult SnapGrid(const Bounds& area, double resolution, int tileSize);

} // namespace brenvik::tiles
