#pragma once

#include "compliance/Places.h"
#include "model/Feedback.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::gis {

// Building footprints from any vector file OGR reads (GeoJSON, GeoPackage,
// Shapefile, files made from OpenStreetMap), every layer of polygons.
// Heights: `height`, else `building:levels` x 3.0 m, else `defaultHeightM`;
// the base from `min_height`, else `min_level` x 3.0 m, else the ground.
// A multipolygon gives one building per polygon. A footprint whose centre
// lies off the plan is skipped and counted; any other bad feature refuses
// the whole file, naming the layer, the feature and the reason: no geometry
// or a polygon without area, a number that does not read or lies beyond
// MaxBuildingHeightM / MaxBuildingLevels, a name with a control character, a
// footprint FootprintRefusal refuses. A path that is no plain file is
// refused before the file is opened.
struct BuildingsImport {
    std::optional<std::string> refusal;
    std::vector<Building> buildings;
    int skipped = 0;
    std::string note; // "2 buildings off the plan skipped: way/7, way/9"
    // The buildings whose file gave neither height nor levels: they stand
    // `defaultHeightM` high (over their base when that is higher).
    int defaultHeight = 0;
};

// The height a footprint without height or levels is given unless the user
// says otherwise: three floors.
inline constexpr double DefaultBuildingHeightM = 3 * MetresPerFloor;

// The sane ranges of what a footprint's file says.
inline constexpr double MaxBuildingHeightM = 1000.0; // height, min_height
inline constexpr double MaxBuildingLevels = 300.0;   // building:levels, min_level
inline constexpr double MaxFootprintM = 3000.0;      // across, either way
inline constexpr double MaxFloorPoints = 4.0e6;      // evaluated on one floor

// Why the footprint cannot be evaluated on the plan: wider than
// MaxFootprintM, or more than MaxFloorPoints points at the plan's cell step.
std::optional<std::string> FootprintRefusal(const Project& p, const Building& b);

// The window's question "Building height": the text of its box as a height
// in metres from 1 to 500, or the refusal naming the range.
struct BuildingHeightAnswer {
    std::optional<double> heightM;
    std::string refusal;
};
BuildingHeightAnswer BuildingHeightAccept(const std::string& text,
                                          const compliance::NumberParse& parse);
// A canceled `feedback` stops the reading between features with the refusal
// "cancelled".
BuildingsImport ReadBuildings(const Project& p, const std::string& path, double defaultHeightM,
                              const Feedback* feedback = nullptr);

} // namespace brenvik::gis
