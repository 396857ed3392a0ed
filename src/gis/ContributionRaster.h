#pragma once

#include "model/Feedback.h"
#include "model/Project.h"

#include <optional>
#include <string>

namespace brenvik::gis {

// Who contributes what on the XY result's pixels (the GeoTIFF's, one per
// node): band 1 the dominant antenna's number as the sources tables number
// it (0 where nothing radiates) with its legend in the band's metadata
// (ANTENNA_k = "T1 A2 (operator)"), then one density band per operator in
// uW/cm^2, described by the operator's name, in the order the operators
// first appear. As a GeoTIFF, or with `geoPackage` as a GeoPackage holding
// each band as a gridded coverage of its own ("dominant_antenna", then
// "operator_1", ...). The message of a failure, as WriteGisFile's.
std::optional<std::string> WriteContributionsFile(const Project& p, const std::string& path,
                                                  bool geoPackage, Feedback* feedback = nullptr);

} // namespace brenvik::gis
