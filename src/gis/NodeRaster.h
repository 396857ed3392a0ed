#pragma once

// The XY result laid out as a north-up grid of pixels in longitude/latitude,
// and the GDAL plumbing the writers share (not part of the public interface).

#include "geo/Geo.h"
#include "model/Project.h"

#include <array>
#include <atomic>
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

// An allocator that leaves new doubles uninitialised: a raster of tens of
// millions of pixels is filled band by band right away, and zeroing it first
// would cost as long again, with no chance to see a cancel meanwhile.
template <typename T> struct UninitialisedAllocator : std::allocator<T> {
    template <typename U> struct rebind { using other = UninitialisedAllocator<U>; };
    UninitialisedAllocator() = default;
    template <typename U> UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
    template <typename U> void construct(U* p) { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... A> void construct(U* p, A&&... a) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};

// One pixel per node the concentrations table lists: columns 1..GridNX from
// west to east, rows 1..GridNY from north to south (the plan's y grows
// downwards). Each pixel is centred on its node.
struct NodeRaster {
    int cols = 0, rows = 0;
    std::vector<double, UninitialisedAllocator<double>> values; // row by row, northern row first
    std::array<double, 6> affine{}; // GDAL geotransform of the pixel edges
    geo::DegreeLengths metres;      // metres per degree at the origin's latitude
    double maximum = 0.0;           // the largest node value
    bool hasNodata = false;         // some node is below the ground (NodataValue)
    // Raised to stop the writers early (Ctrl-C, Cancel); read between levels
    // and by GDAL's progress callback. May be null.
    const std::atomic<bool>* cancel = nullptr;
    double at(int col, int row) const {
        return values[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
                      static_cast<std::size_t>(col)];
    }
};

// A drawing position (zoom and scrolling applied, as the point tables read
// it) in longitude/latitude.
geo::Geographic drawingToLonLat(const Project& p, double x, double y);

// The raster of the project's XY result; nothing when a node leaves the
// longitude/latitude ranges (or the conversion fails).
std::optional<NodeRaster> makeNodeRaster(const Project& p);
// Sets the nodes under the ground to NodataValue (makeNodeRaster does).
void markBelowGround(const Project& p, NodeRaster& r);
// Throws the cancelled GisFailure when `cancel` is raised while it is built.
std::optional<NodeRaster> makeNodeRaster(const Project& p,
                                         const std::atomic<bool>* cancel = nullptr);

// The legend colour of a level: the gradient's colour of its tenth of the
// maximum, on the display's background.
struct Colour {
    unsigned char r, g, b;
};
Colour levelColour(const Project& p, double level, double maximum);
std::string hexColour(Colour c); // "#rrggbb"

// ---- GDAL ----------------------------------------------------------------------

// Registers the drivers once per process; safe from any thread.
void ensureGdal();

// Why a writer could not finish, thrown inside the module and turned into the
// export's message: GDAL's own error text, or the raised cancel flag.
struct GisFailure {
    std::string why;
    bool cancelled = false;
};
// The driver of that name; throws GisFailure when GDAL lacks it.
GDALDriver& gdalDriver(const char* name);
// Throws GisFailure naming `what` and GDAL's last error.
[[noreturn]] void failWithGdalError(const std::string& what);
// Throws the cancelled GisFailure when the raster's flag is raised.
void stopIfCancelled(const NodeRaster& r);
// A GDAL progress callback whose argument is the NodeRaster: it stops the
// long GDAL steps (contours, compressed copies) when the flag is raised.
int CPL_STDCALL progressUnlessCancelled(double, const char*, void* raster);

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

// A one-band in-memory dataset of the raster (Float64 or Float32), with its
// CRS and unit. A Float64 one reads the raster's own values and must not
// outlive it.
GDALDatasetUniquePtr memoryDataset(const NodeRaster& r, GDALDataType type);
// WGS 84 with longitude first, as every output is written.
OGRSpatialReference lonLatCrs();

} // namespace brenvik::gis
