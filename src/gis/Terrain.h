#pragma once

#include "model/DemWindow.h"
#include "model/Feedback.h"
#include "model/Grid2D.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::gis {

// The ground of the plan sampled from a digital elevation model: any raster
// GDAL reads, in any CRS with a geotransform. Each node of the ground grid
// is placed in longitude/latitude by the conversion the exports use, taken
// into the model's CRS, and read bilinearly between the four pixel centres
// around it. Heights are relative to the lowest model value inside the plan,
// whose elevation is the datum. The model's pixels over the plan come with
// it, for the points between the nodes (geo::DemHeightAt).
struct TerrainSample {
    std::optional<std::string> refusal; // the file and the reason; nothing sampled
    Grid2D<double> ground;              // metres above the datum, node by node
    double datumM = 0.0;                // elevation of the lowest value inside the plan
    double highestM = 0.0;              // the highest node above the datum
    // The pixels around the nodes above the datum; none, and a note saying
    // why, when they are too many to keep (MaxDemWindowPixels) or one of them
    // has no sound value.
    std::optional<DemWindow> window;
    std::string note;
};

// The elevations a model may hold, metres: below the deepest dry land, above
// the highest summit, a value is a fault of the file.
inline constexpr double MinElevationM = -500.0;
inline constexpr double MaxElevationM = 9000.0;

// Reads the model; refuses a path that is no plain file, a file GDAL cannot
// open, one without a CRS or a geotransform, one that does not cover every
// node of the plan (a node outside it or beside a nodata pixel), or one with
// a value inside the plan outside MinElevationM..MaxElevationM. Leaves the
// project untouched. A canceled `feedback` stops the sampling with the
// refusal "cancelled".
TerrainSample SampleTerrain(const Project& p, const std::string& path,
                            const Feedback* feedback = nullptr);

// The GDAL drivers a user's file (terrain, buildings) is opened with: every
// driver of rasters, or of vectors, but the virtual datasets, whose text
// names other files (a pipe or a device among them) that would be opened
// unchecked.
std::vector<std::string> InputDrivers(bool raster);

// The sample as the project's ground, with its datum and its window (none
// when the sample kept none).
void ApplyTerrain(Project& p, const TerrainSample& t);

} // namespace brenvik::gis
