#pragma once

#include "measure/FieldUnits.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brenvik::measure {

// The measurements file's default header; only a position (lon/lat or
// x_m/y_m, the cartesian Coordinates of the CSV exports), `value` and a
// unit are required. Optional columns beyond it: instrument, and
// uncertainty_pct (in % of the reading) instead of uncertainty_db.
inline constexpr const char* MeasurementsHeader =
    "name,lon,lat,x_m,y_m,height_m,value,unit,band,timestamp,uncertainty_db,extrapolation";
// A receptor without a height stands this high above its ground.
inline constexpr double DefaultMeasurementHeightM = 1.5;

// How a file is read: the file's own names for some of the default
// columns, the unit of rows that name none, and full-load factors per band.
struct ImportOptions {
    std::vector<std::pair<std::string, std::string>> columns; // default name, file's name
    std::optional<FieldUnit> unit;
    std::vector<std::pair<std::string, double>> bandFactors; // band, factor
};
// "value=E_field,unit=Unit": the renamed columns, or why not.
std::optional<std::string> ParseColumnOption(const std::string& text, ImportOptions& into);
// "LTE800=2.5,NR3600=4": each band's factor (a positive number), or why not.
std::optional<std::string> ParseBandFactors(const std::string& text, ImportOptions& into);

// What an import did: the refusal (nothing changed), or how many
// measurements came in and how many lay off the plan and were skipped.
struct MeasurementImport {
    std::optional<std::string> refusal;
    int imported = 0;
    int skipped = 0;
    std::string note; // "2 measurements off the plan skipped: lines 4, 7"
};
// Reads the CSV text, or a GeoJSON of points (their coordinates in lon/lat,
// the columns as properties), replacing the project's measurements only
// when every row inside the plan is sound. A bad row is listed with its line
// (the first 20, then a count); the extrapolation is the row's own factor,
// else its band's, else none.
MeasurementImport ImportMeasurements(Project& p, const std::string& text,
                                     const std::string& fileName,
                                     const ImportOptions& options = {});
MeasurementImport ImportMeasurementsFile(Project& p, const std::string& path,
                                         const ImportOptions& options = {});
// The same into `into` instead of the project's list (the project gives
// the plan only); `into` stays as it was on a refusal.
MeasurementImport ReadMeasurements(const Project& p, const std::string& text,
                                   const std::string& fileName, const ImportOptions& options,
                                   std::vector<Measurement>& into);
MeasurementImport ReadMeasurementsFile(const Project& p, const std::string& path,
                                       const ImportOptions& options,
                                       std::vector<Measurement>& into);

} // namespace brenvik::measure
