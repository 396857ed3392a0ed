#include "tiles/Grid.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace brenvik::tiles {

Window PixelGrid::window(int k) const {
    const int c = k % tileColumns(), r = k / tileColumns();
    Window w;
    w.col = c * tileSize;
    w.row = r * tileSize;
    w.width = std::min(tileSize, width - w.col);
    w.height = std::min(tileSize, height - w.row);
    return w;
}

Bounds PixelGrid::bounds(const Window& w) const {
    return {x0 + w.col * resolution, y1 - (w.row + w.height) * resolution,
            x0 + (w.col + w.width) * resolution, y1 - w.row * resolution};
}

GridResult SnapGrid(const Bounds& area, double resolution, int tileSize) {
    if (!(resolution > 0.0) || !std::isfinite(resolution))
        return {std::nullopt, "the resolution must be a positive number of metres"};
    if (tileSize < 16) return {std::nullopt, "the tile size must be at least 16 pixels"};
    if (!(area.xmax > area.xmin && area.ymax > area.ymin))
        return {std::nullopt, "the area is empty in the CRS"};
    PixelGrid g;
    g.resolution = resolution;
    g.tileSize = tileSize;
    const double c0 = std::floor(area.xmin / resolution), c1 = std::ceil(area.xmax / resolution);
    const double r0 = std::floor(area.ymin / resolution), r1 = std::ceil(area.ymax / resolution);
    if (c1 - c0 > INT_MAX || r1 - r0 > INT_MAX)
        return {std::nullopt, "the area holds more than 2^31 pixels across; choose a coarser "
                              "resolution"};
    g.x0 = c0 * resolution;
    g.y1 = r1 * resolution;
    g.width = static_cast<int>(c1 - c0);
    g.height = static_cast<int>(r1 - r0);
    return {g, ""};
}

} // namespace brenvik::tiles
