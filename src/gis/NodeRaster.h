#pragma once

// The XY result laid out as a north-up grid of pixels in longitude/latitude,
// and the GDAL plumbing the writers share (not part of the public interface).

#include "geo/Geo.h"
#include "model/Feedback.h"
#include "model/Project.h"

#include <array>
#include <cstdint>
#include <gdal_priv.h>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brenvik::gis {

inline constexpr const char* DensityUnit = "uW/cm^2";
// The value of a node below the ground (a plane at a height under a rise):
// no measurement there, so that map statistics leave it out.
inline constexpr double NodataValue = -9999.0;

// One pixel per node the concentrations table lists: columns 1..GridNX from
// west to east, rows 1..GridNY from north to south (the plan's y grows
// downwards). Each pixel is centred on its node. The values are read from the
// project's grid as they are asked for, a block of rows at a time, so that a
// map of a fine grid never holds a second copy of it: a value that is not a
// number is written as 0, a node under the ground as NodataValue.
struct NodeRaster {
    const Project* project = nullptr; // must outlive the raster
    int cols = 0, rows = 0;
    std::array<double, 6> affine{}; // GDAL geotransform of the pixel edges
    double maximum = 0.0;           // the largest node value
    bool hasNodata = false;         // some node is below the ground (NodataValue)
    // The ground grid's cell under each pixel column and row (-1: none), for
    // a plane at a certain height; empty otherwise.
    std::vector<long long> groundCol, groundRow;
    // The export's feedback: its cancel (Ctrl-C, Cancel) stops the writers
    // early, asked at every block of rows and by GDAL's progress callback,
    // and the GDAL steps report their progress to it. May be null.
    Feedback* feedback = nullptr;
    bool cancelled() const { return feedback && feedback->isCanceled(); }
    // Pixels [col0, col0 + n) of one row into `out`.
    void readRow(int row, int col0, int n, double* out) const;
    double at(int col, int row) const {
        double v = 0.0;
        readRow(row, col, 1, &v);
        return v;
    }
};

// A drawing position (zoom and scrolling applied, as the point tables read
// it) in longitude/latitude.
geo::Geographic DrawingToLonLat(const Project& p, double x, double y);

// The raster of the project's XY result; nothing when a node leaves the
// longitude/latitude ranges (or the conversion fails). One pass over the grid
// finds the maximum and the nodes under the ground; it throws the cancelled
// GisFailure when `feedback` is canceled meanwhile.
std::optional<NodeRaster> MakeNodeRaster(const Project& p, Feedback* feedback = nullptr);

// A colour of the map layers.
struct Colour {
    unsigned char r, g, b;
};
std::string hexColour(Colour c); // "#rrggbb"

// ---- GDAL ----------------------------------------------------------------------

// Registers the drivers once per process; safe from any thread.
void ensureGdal();

// Why a writer could not finish, thrown inside the module and turned into the
// export's message: GDAL's own error text, or the feedback's cancel.
struct GisFailure {
    std::string why;
    bool cancelled = false;
};
// The driver of that name; throws GisFailure when GDAL lacks it.
GDALDriver& GdalDriver(const char* name);
// Throws GisFailure naming `what` and GDAL's last error.
[[noreturn]] void FailWithGdalError(const std::string& what);
// Throws the cancelled GisFailure once the raster's feedback is canceled.
void StopIfCancelled(const NodeRaster& r);

// A file `name` in a folder of its own in GDAL's memory file system; the
// folder goes with the object.
class MemFile {
  public:
    explicit MemFile(const std::string& name);
    ~MemFile();
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    const std::string& path() const { return path_; }
    // The whole content, or nothing when the file was not written.
    std::optional<std::string> bytes() const;

  private:
    std::string folder_, path_;
};

// The raster as a GDAL dataset whose one band (Float64 or Float32) reads
// the project's grid on demand, with its CRS, unit and nodata. Whole rows
// are read straight from the grid, never through GDAL's block cache; a
// cancel fails the read. It must not outlive the raster.
GDALDatasetUniquePtr GridDataset(const NodeRaster& r, GDALDataType type);
// The gradient image of the raster as four Byte bands (red, green, blue,
// alpha) read on demand: each node in the display's colour of its level,
// transparent below `firstLevel`.
GDALDatasetUniquePtr ColourDataset(const NodeRaster& r, int firstLevel);
// The colour of a node of value `v` in that image: red, green, blue, alpha.
std::array<std::uint8_t, 4> OverlayRgba(double v, double maximum, int firstLevel);
// WGS 84 with longitude first, as every output is written.
OGRSpatialReference LonLatCrs();

} // namespace brenvik::gis
