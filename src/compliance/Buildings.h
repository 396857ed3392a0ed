#pragma once

#include "model/Feedback.h"
#include "model/Project.h"
#include "render/RealPlaces.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// The points a floor is evaluated at, in the calculation's plan metres (y
// growing down the plan): every metre along each side of the footprint (its
// corners included), then a lattice at the calculation's cell step inside it.
// A cancel seen through `cancel` cuts the list short.
struct FloorPoint {
    double xm = 0.0, ym = 0.0;
};
std::vector<FloorPoint> FloorPoints(const Project& p, const Building& b,
                                    const Feedback* cancel = nullptr);

// A floor's receptor stands this high above the floor.
inline constexpr double ReceptorAboveFloorM = 1.5;

// Every floor of the building evaluated exactly, each point with the
// receptor at the ground under it + the floor's level + 1.5 m and every
// antenna at its height over the ground at its foot. `inverse` as for the
// places (compliance::InverseLimits). A cancel seen through `cancel` leaves
// the value incomplete: the caller asks the feedback before using it.
BuildingValue EvaluateBuilding(const Project& p, const Building& b,
                               const std::vector<double>& inverse,
                               const Feedback* cancel = nullptr);
// Every building, telling its progress to `fb`; nothing once `fb` is
// cancelled.
std::optional<std::vector<BuildingValue>>
EvaluateBuildings(const Project& p, const std::vector<double>& inverse, Feedback& fb);

// One row per building and floor: building,name,floor,base_m,s_uw_cm2,
// e_v_m,percent_of_limit,x_m,y_m,lon,lat,worst (1 on the building's worst
// floor); numbers with 17 significant digits, lines ending in CR LF.
std::string BuildingsCsv(const std::vector<BuildingValue>& values);
// The footprints as GeoJSON polygons in longitude/latitude with the worst
// floor, its values and the level colour of its % of limit.
std::string BuildingsGeoJson(const Project& p, const std::vector<BuildingValue>& values);
// The CSV, or the GeoJSON for a path ending in .geojson/.json.
bool SaveBuildingsFile(const Project& p, const std::vector<BuildingValue>& values,
                       const std::string& path);

// The colour of a % of limit on the ratio scale that turns at 100 %
// ("#rrggbb"): blues below the limit, a decade apart from 0.001 % up, and
// reds above it, so that low shares stay apart as well as exceedances.
std::string PercentColour(const Project& p, double percent);
render::Rgb PercentRgb(const Project& p, double percent);

// The plan's marks of the evaluated buildings and places: each footprint
// filled in its worst floor's level colour, each place labelled with its %.
// Without a feedback the evaluation cannot be stopped; a cancelled one gives
// no marks.
render::RealPlaceMarks ExposureMarks(const Project& p, const std::vector<double>& inverse,
                                     Feedback* fb = nullptr);

// The footprint in longitude/latitude: the outline, then each courtyard,
// every ring closed.
using LonLatRing = std::vector<std::pair<double, double>>;
std::vector<LonLatRing> FootprintLonLat(const Project& p, const Building& b);

} // namespace brenvik::compliance
