#include "tiles/Grid.h"

#include "model/MemoryBudget.h"
#include "model/Numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace brenvik::tiles {

Window PixelGrid::window(std::int64_t k) const {
    const std::int64_t columns = tileColumns();
    if (columns <= 0 || k < 0 || k >= tileCount()) return {};
    // Within the grid each corner is below width or height, so an int.
    const std::int64_t col = k % columns * tileSize, row = k / columns * tileSize;
    Window w;
    w.col = static_cast<int>(col);
    w.row = static_cast<int>(row);
    w.width = static_cast<int>(std::min<std::int64_t>(tileSize, width - col));
    w.height = static_cast<int>(std::min<std::int64_t>(tileSize, height - row));
    return w;
}

std::uint64_t TileBytes(std::int64_t pixels, int bands, bool terrain) {
    if (pixels <= 0) return 0;
    const std::uint64_t perPixel =
        4u * static_cast<std::uint64_t>(std::max(bands, 0)) + (terrain ? 8u : 0u);
    return BytesFor(static_cast<std::uint64_t>(pixels), perPixel);
}

Bounds PixelGrid::bounds(const Window& w) const {
    return {x0 + w.col * resolution, y1 - (w.row + w.height) * resolution,
            x0 + (w.col + w.width) * resolution, y1 - w.row * resolution};
}

std::optional<std::string> TileMemoryRefusal(const PixelGrid& g, int bands, bool terrain,
                                             std::uint64_t envelopeBytes) {
    const std::int64_t w = std::min(g.tileSize, g.width), h = std::min(g.tileSize, g.height);
    const std::uint64_t pixels = TileBytes(w * h, bands, terrain);
    // Saturated rather than wrapped: a huge figure stays huge.
    const std::uint64_t bytes =
        envelopeBytes > UINT64_MAX - pixels ? UINT64_MAX : pixels + envelopeBytes;
    if (bytes <= MaxTileBytes) return std::nullopt;
    const auto roundedUp = [](std::uint64_t b, std::uint64_t unit, const char* name) {
        return std::to_string(b / unit + (b % unit != 0)) + name;
    };
    const auto gib = [&](std::uint64_t b) { return roundedUp(b, 1ull << 30, " GiB"); };
    const std::string tables = envelopeBytes > 0
                                   ? " with " + roundedUp(envelopeBytes, 1ull << 20, " MiB") +
                                         " of adaptive arrays' envelopes"
                                   : "";
    return "a tile of " + std::to_string(w) + " x " + std::to_string(h) + " pixels" + tables +
           " needs about " + gib(bytes) + " of memory, more than " + gib(MaxTileBytes);
}

GridResult SnapGrid(const Bounds& area, double resolution, int tileSize) {
    if (!(resolution > 0.0) || !std::isfinite(resolution))
        return {std::nullopt, "--resolution: the resolution must be a positive number of metres"};
    if (tileSize < MinTileSize || tileSize > MaxTileSize)
        return {std::nullopt, "--tile-size: the tile size must be 16 to 65536 pixels"};
    if (!(area.xmax > area.xmin && area.ymax > area.ymin))
        return {std::nullopt, "the area is empty in the CRS"};
    PixelGrid g;
    g.resolution = resolution;
    g.tileSize = tileSize;
    const double c0 = std::floor(area.xmin / resolution), c1 = std::ceil(area.xmax / resolution);
    const double r0 = std::floor(area.ymin / resolution), r1 = std::ceil(area.ymax / resolution);
    if (!std::isfinite(c0) || !std::isfinite(c1) || !std::isfinite(r0) || !std::isfinite(r1) ||
        c1 - c0 > INT_MAX || r1 - r0 > INT_MAX)
        return {std::nullopt,
                "--resolution: the area holds more than 2^31 pixels across; choose a coarser "
                "resolution"};
    g.x0 = c0 * resolution;
    g.y1 = r1 * resolution;
    g.width = static_cast<int>(c1 - c0);
    g.height = static_cast<int>(r1 - r0);
    if (g.tileCount() > MaxTiles)
        return {std::nullopt, "--resolution " + FormatNumberC(resolution) + " with --tile-size " +
                                  std::to_string(tileSize) + " cuts the area into " +
                                  std::to_string(g.tileCount()) + " tiles, more than " +
                                  std::to_string(MaxTiles) +
                                  "; choose a coarser resolution or larger tiles"};
    return {g, ""};
}

} // namespace brenvik::tiles
