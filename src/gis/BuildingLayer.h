#pragma once

#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::gis {

// The evaluated buildings as a GeoPackage: the layer `buildings` of
// footprints in longitude/latitude with the worst floor and its values, each
// filled (OGR style) in the display's level colour `fill[k]` ("#rrggbb"),
// and the layer `floors` of each floor's worst point. Written whole or not
// at all; the message on failure.
std::optional<std::string> writeBuildingsGpkg(const Project& p,
                                              const std::vector<BuildingValue>& values,
                                              const std::vector<std::string>& fill,
                                              const std::string& path);

} // namespace brenvik::gis
