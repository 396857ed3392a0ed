#pragma once

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
    std::string note; // "3 buildings off the plan skipped"
};
BuildingsImport ReadBuildings(const Project& p, const std::string& path, double defaultHeightM);

} // namespace brenvik::gis
