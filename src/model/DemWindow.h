#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// What geo prepares to carry longitude/latitude into a window's CRS; its
// definition lives there (the model knows no projection library).
struct DemConversion;

// The pixels of an elevation model that cover the plan, kept when the ground
// came from one. The ground grid holds the model at its nodes for the
// calculations; places, floor points and antenna feet stand on the model's
// own surface between them. Kept in the project file's extension block.
struct DemWindow {
    int Width = 0;  // pixels across
    int Height = 0; // pixels down
    // The window's geotransform in its CRS: the corner of pixel (col, row)
    // lies at x = T0 + col * T1 + row * T2, y = T3 + col * T4 + row * T5; a
    // pixel's centre at (col + 0.5, row + 0.5).
    std::array<double, 6> Transform{};
    // Row by row from the window's first, metres above the project's datum
    // (TerrainDatumM).
    std::vector<double> Heights;
    std::string CrsWkt; // the window's CRS as WKT on one line

    double at(int col, int row) const {
        return Heights[static_cast<std::size_t>(row) * static_cast<std::size_t>(Width) +
                       static_cast<std::size_t>(col)];
    }

    // The conversion into CrsWkt that geo made on first use, shared by the
    // window's copies (a project copied for a calculation, an undo record)
    // so that it is made once. The lock guards it and every use of it: a
    // projection object serves one thread at a time. ForWkt says which CRS
    // it was made for, so a window whose CRS was replaced makes its own.
    struct Prepared {
        std::mutex Lock;
        std::string ForWkt;
        std::shared_ptr<DemConversion> Conversion;
        std::string Refusal; // why the CRS cannot be reached, when it cannot
    };
    std::shared_ptr<Prepared> Cache = std::make_shared<Prepared>();

    // The data alike; the prepared conversion is no part of it.
    friend bool operator==(const DemWindow& a, const DemWindow& b) {
        return a.Width == b.Width && a.Height == b.Height && a.Transform == b.Transform &&
               a.Heights == b.Heights && a.CrsWkt == b.CrsWkt;
    }
};

// The most pixels a project keeps: a plan of 2 km by 2 km at 2 m per pixel.
// Each pixel costs about twenty bytes of the project file; a finer model
// over a larger plan still gives the ground grid, but not the window.
inline constexpr std::size_t MaxDemWindowPixels = std::size_t(1) << 20;
// A height above the datum the window may hold, either way: the span from
// the deepest dry land to the highest summit. Anything beyond is a fault.
inline constexpr double MaxDemHeightM = 9500.0;

// Why the window cannot be kept: a size of no pixel or above
// MaxDemWindowPixels, a count of heights that does not match it, a height
// that is not finite or beyond MaxDemHeightM, a geotransform that is not
// finite or cannot be inverted, no CRS or one with a line break. No value
// when it is sound.
std::optional<std::string> DemWindowFault(const DemWindow& w);

} // namespace brenvik
