#pragma once

#include "model/Project.h"

#include <optional>
#include <string>

namespace brenvik::compliance {

// The site inventory: one CSV row per antenna, the rows sharing `site` being
// one tower.
inline constexpr const char* SitesHeader =
    "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label";

enum class ImportMode { Replace, Add };

// Reads an inventory into the project's antennas: every row checked first,
// then each site placed as a tower on the grid node a placing click would
// choose. A row gives its position either as lon/lat (WGS 84) or as x_m/y_m
// (the cartesian coordinates of the CSV exports); with both, x_m/y_m count.
// All or nothing: any bad row returns one message listing every offending
// line and why, and the project is left as it was. The results already
// calculated are kept, as after placing a tower by hand.
std::optional<std::string> ImportSites(Project& p, const std::string& csv, ImportMode mode);
std::optional<std::string> ImportSitesFile(Project& p, const std::string& path, ImportMode mode);

// The project's antennas as an inventory that reads back to the same
// antennas; the site is the tower's number. Lines end in CR LF like every
// text file of the program.
std::string ExportSites(const Project& p);
bool SaveSitesFile(const Project& p, const std::string& path);

} // namespace brenvik::compliance
