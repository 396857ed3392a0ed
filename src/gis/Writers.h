#pragma once

// The file writers behind WriteGisFile: each writes the file at `path` (a
// temporary the caller puts in place) as GDAL streams it, reading the
// raster a block of rows at a time; false when GDAL failed (not part of the
// public interface).

#include "gis/GdalProgress.h"
#include "gis/NodeRaster.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::gis {

bool GeoTiffFile(const Project& p, const NodeRaster& r, const std::string& path);
bool IsolinesGeoJsonFile(const Project& p, const NodeRaster& r, const std::string& path);
bool ZonesGeoJsonFile(const Project& p, const NodeRaster& r, const std::string& path);
bool GeoPackageFile(const Project& p, const NodeRaster& r, const std::string& path);
// The overlay paints the bands the display paints, in the display's
// colours: from the first tenth of the maximum up, and on a white
// background from the sixth (the display leaves the lower ones white). The
// map shows through the rest. The legend starts at the same band.
inline int OverlayFirstLevel(const Project& p) {
    return p.WhiteBackground ? 6 : 1;
}
// The gradient image of the raster as a PNG: one RGBA pixel per node,
// reporting within `span` of the export.
std::optional<std::string> GradientPngBytes(const Project& p, const NodeRaster& r,
                                            ProgressSpan span = {});
bool KmzFile(const Project& p, const NodeRaster& r, const std::string& path);

// What every map file goes through: GDAL writes it straight into a temporary
// in a private folder beside `path` (its side files land there too), and the
// temporary replaces the target only when `write`, given the project's
// raster and the temporary's path, made it whole. GDAL's own reports become
// the cause in the message, and a cancel of `feedback` the message itself.
std::optional<std::string>
WriteThroughStage(const Project& p, const std::string& path, Feedback* feedback,
                  const std::function<bool(const NodeRaster&, const std::string&)>& write);

// One file of an archive: its name in the archive and its bytes.
struct ArchiveEntry {
    std::string name;
    std::string bytes;
};
// Above this many pixels a side, many viewers refuse one picture: the KMZ's
// overlay becomes a pyramid of tiles.
inline constexpr int MaxOverlaySide = 4096;
bool NeedsOverlayPyramid(const NodeRaster& r);
// The overlay as a regionated pyramid of 512-pixel PNG tiles under
// files/overlay/LEVEL/X/Y (.kml and .png; level 0 the one tile over
// everything, each finer level twice the detail, down to one pixel a node),
// each coarser pixel showing the largest value under it; the tiles that show
// nothing are left out. `link` is what the document adds to show it.
struct OverlayPyramid {
    std::vector<ArchiveEntry> entries;
    std::string link;
};
std::optional<OverlayPyramid> OverlayTiles(const Project& p, const NodeRaster& r,
                                           ProgressSpan span = {});

} // namespace brenvik::gis
