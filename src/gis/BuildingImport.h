#pragma once

#include "compliance/Places.h"
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
// the whole file, naming the layer, the feature and the reason.
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

// The window's question "Building height": the text of its box as a height
// in metres from 1 to 500, or the refusal naming the range.
struct BuildingHeightAnswer {
    std::optional<double> heightM;
    std::string refusal;
};
BuildingHeightAnswer BuildingHeightAccept(const std::string& text,
                                          const compliance::NumberParse& parse);
BuildingsImport ReadBuildings(const Project& p, const std::string& path, double defaultHeightM);

} // namespace brenvik::gis
