#pragma once

#include "compliance/Boundaries.h"
#include "compliance/Places.h"
#include "model/Feedback.h"
#include "model/Project.h"
#include "render/Colour.h"

#include <gdal_priv.h>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::gis {

// The buildings and places of the project, each evaluated exactly against
// the project's standard; `limited` is false when the standard does not
// cover every antenna's frequency (the values then hold S and E alone).
struct SiteValues {
    std::vector<BuildingValue> buildings;
    std::vector<compliance::PlaceValue> places;
    std::vector<render::Rgb> fill; // each building's level colour
    bool limited = true;
};
// Nothing to evaluate (no buildings, no places): empty values. Throws the
// cancelled GisFailure once `feedback` is canceled.
SiteValues EvaluateSite(const Project& p, const Feedback* feedback = nullptr);

// The layer `buildings`: footprints in longitude/latitude with the worst
// floor and its values, each filled (OGR style) in its level colour; with
// `floors`, also the layer `floors` of each floor's worst point. False when
// OGR refused a layer or a feature.
bool AddBuildingLayers(GDALDataset& out, const Project& p, const SiteValues& v, bool floors);
// The layer `places`: points with S, E and % of the limit.
bool AddPlaceLayer(GDALDataset& out, const SiteValues& v);

// The evaluated buildings as a GeoPackage of the two building layers, each
// footprint filled in its worst floor's level colour.
// Written whole or not at all; the message on failure.
std::optional<std::string> WriteBuildingsGpkg(const Project& p,
                                              const std::vector<BuildingValue>& values,
                                              const std::string& path);

// The compliance boundaries the map layers carry: each radiating antenna's
// outline seen from above, for a far-field project whose standard gives
// every antenna its limit; none otherwise.
std::vector<compliance::BoundaryOutline> LayerOutlines(const Project& p);
// The layer `boundaries`: one polygon per antenna with the antenna, the
// site, the five extents, the heights spanned and the limit used. False
// when OGR refused the layer or a feature.
bool AddBoundaryLayer(GDALDataset& out, const Project& p,
                      const std::vector<compliance::BoundaryOutline>& outlines);

} // namespace brenvik::gis
