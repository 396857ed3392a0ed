#pragma once

#include "model/AntennaFields.h"
#include "model/Project.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// The site inventory: one CSV row per antenna, the rows sharing `site` being
// one tower.
inline constexpr const char* SitesHeader =
    "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label";
inline constexpr const char* SitesBeamColumns =
    "pattern,h_beamwidth_deg,v_beamwidth_deg,electrical_tilt_deg";

// ---- One row of an inventory, as the project import and the tile plan read it

// Where each field's column stands in an inventory's header (-1: absent), by
// the row of the antenna field table.
struct InventoryColumns {
    std::vector<int> at;
    bool has(AntennaField f) const;
};
InventoryColumns ReadInventoryHeader(const std::vector<std::string>& header);
// The column of the first of `needed` the header lacks; none when it has all.
std::optional<std::string> MissingColumn(const InventoryColumns& c,
                                         std::initializer_list<AntennaField> needed);

// One row's antenna. A number the row leaves empty keeps the value of a new
// record; `given` lists the optional numbers the row does give.
struct InventoryRow {
    Antenna a;           // site, label, kind, numbers and names
    std::string pattern; // the pattern file as the row names it
    std::vector<AntennaField> given;
    bool gives(AntennaField f) const;
};
// Reads the fields of a row that the antenna field table describes, each
// checked against its range; every reason the row is bad goes into `why`,
// naming the column ("tilt_deg is not within -85 to 85"). The position
// columns are left to the caller (ReadInventoryNumber, ReadLonLat).
InventoryRow ReadInventoryRow(const InventoryColumns& c, const std::vector<std::string>& row,
                              std::vector<std::string>& why);
// The text of a field's column in the row ("" when absent).
std::string InventoryText(const InventoryColumns& c, const std::vector<std::string>& row,
                          AntennaField f);
// A number column: none when empty (a reason when `required`) or not a finite
// number (a reason naming the text).
std::optional<double> ReadInventoryNumber(const InventoryColumns& c,
                                          const std::vector<std::string>& row, AntennaField f,
                                          bool required, std::vector<std::string>& why);
// Longitude and latitude, both required and on the globe.
std::optional<std::pair<double, double>> ReadLonLat(const InventoryColumns& c,
                                                    const std::vector<std::string>& row,
                                                    std::vector<std::string>& why);

// ---- The project's import and export ------------------------------------------

enum class ImportMode { Replace, Add };

// Reads an inventory into the project's antennas: every row checked first,
// then each site placed as a tower on the grid node a placing click would
// choose, each antenna keeping the exact position its row gives (where it
// differs from the node) and its site and label. A row gives its position
// either as lon/lat (WGS 84) or as x_m/y_m (the cartesian Coordinates of the
// CSV exports); with both, x_m/y_m count. A name or label holding a control
// character, a number that is not finite or beyond any real antenna (height
// above 10000 m, ERP above 10 MW, lon/lat off the globe) refuses its row.
// All or nothing: any bad row returns one message listing the offending
// lines and why (the first 20, then how many more, each field quoted cut to
// 80 characters), and the project is left as it was. The results already
// calculated are kept, as after placing a tower by hand.
//
// Optional columns give the far-field beam: `pattern` (a pattern file, its
// path relative to `folder`, the CSV's folder; empty: the parametric beam),
// `h_beamwidth_deg`, `v_beamwidth_deg` and `electrical_tilt_deg`. Each
// pattern file is read once and stored once in Project::Patterns (as
// antenna::AddPattern keeps it; replacing the antennas drops the patterns
// none of them uses); a file that cannot be read refuses the import, naming
// the row and the file's own message. The optional columns `operator` and
// `installation` name what runs the antenna and the installation it belongs
// to (free texts without control characters, at most 200 bytes).
std::optional<std::string> ImportSites(Project& p, const std::string& csv, ImportMode mode,
                                       const std::string& folder = {});
// The file is read only when it is a plain file of at most 256 MiB.
std::optional<std::string> ImportSitesFile(Project& p, const std::string& path, ImportMode mode);

// The project's antennas as an inventory that reads back to the same
// antennas at their exact positions; the site is the imported site's name
// (with the tower's number when several towers carry it), else the tower's
// number; the label the imported one, else the antenna's name. Lines end in CR LF like every
// text file of the program. The beam columns follow only when an antenna
// has a pattern or a beam other than the default; `pattern` is then the
// pattern's file name, to be kept beside the inventory. The `operator` and
// `installation` columns follow each only when some antenna has one.
std::string ExportSites(const Project& p);
bool SaveSitesFile(const Project& p, const std::string& path);

} // namespace brenvik::compliance
