#pragma once

// The site inventory as the tile planner reads it: one CSV row per antenna
// with its longitude and latitude (WGS 84). A national inventory never fits a
// project's plan, so the rows are kept as they are, with the optional beam
// columns: `pattern` (a pattern file, relative to the CSV; empty for a
// parametric beam), `h_beamwidth_deg`, `v_beamwidth_deg`, `electrical_tilt_deg`,
// the adaptive array's (`array_rows`, `array_columns`, the element's and the
// steering's) and `power_factor`, which scales the ERP the plan keeps.
// Each row is read and checked as the project's import reads it
// (compliance::ReadInventoryRow), so a file the project writes plans as it
// is; an antenna of type `none` radiates nothing and stands with no power.
#include "antenna/Adaptive.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::tiles {

struct SiteRow {
    int line = 0;
    std::string site;
    double lon = 0.0, lat = 0.0;
    double heightM = 0.0; // above the ground
    bool stick = false;   // else a panel
    double erpW = 0.0;
    double azimuthDeg = 0.0; // clockwise from north
    double tiltDeg = 0.0;    // mechanical down-tilt
    double frequencyMHz = 0.0;
    std::string pattern; // path as written in the file
    std::optional<double> hBeamwidthDeg, vBeamwidthDeg, electricalTiltDeg;
    // An adaptive panel without a pattern file radiates with the envelope of
    // its array: the array's index in the inventory's `arrays`; -1 for every
    // other antenna.
    int array = -1;
};

struct InventoryRead {
    std::vector<SiteRow> rows;
    // Each distinct array once, however many rows share it (a continent's
    // rows would otherwise each carry a copy).
    std::vector<antenna::ArrayParams> arrays;
    std::string error; // every offending line, one per line of text
};
InventoryRead ParseInventory(const std::string& csv);
InventoryRead ReadInventory(const std::string& path);

} // namespace brenvik::tiles
