#pragma once

#include "model/AntennaPattern.h"

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// What a batch run can write: the eight CSV exports of the Options menu, the
// two raw grid dumps, the map layers of the XY result, the site inventory and
// the exposure-ratio dump.
enum class ExportKind {
    IsolinesCartesian,
    IsolinesGeographic,
    SourcesCartesian,
    SourcesGeographic,
    ConcentrationsCartesian,
    ConcentrationsGeographic,
    MaximumCartesian,
    MaximumGeographic,
    GridXY,
    GridXZ,
    GeoTiff,
    IsolinesGeoJson,
    ZonesGeoJson,
    GeoPackage,
    Kmz,
    Sites,             // the site inventory
    ExposureRatioGrid, // the XY exposure ratio, dumped like grid-xy
    Places,            // the places of sensitive use, evaluated (CSV; GeoJSON by the extension)
    PlacesGeoJson,
    Buildings,         // the buildings floor by floor (CSV; GeoJSON, GeoPackage by the extension)
    BuildingsGeoJson,
    BuildingsGpkg,
};

// One row per kind of output --export writes: its keyword on the command line
// ("isolines-cartesian", "grid-xy", …) and its writer, which checks that the
// project holds what it needs and writes the file at `path`. The parser, the
// help text and the run all read this one table (in BatchRun.cpp); a new kind
// is a new enumerator and a new row.
struct ExportKindRow {
    ExportKind kind;
    const char* name;
    void (*write)(Project& p, const std::string& path, const std::atomic<bool>* cancel);
};
std::span<const ExportKindRow> exportKinds();
const char* exportKindName(ExportKind kind);
std::optional<ExportKind> exportKindFromName(const std::string& name);

struct ExportRequest {
    ExportKind kind;
    std::string path;
};

enum class ImagePlane { XY, XZ };
enum class ImageFormat { Png, Bmp, Svg, Pdf };

struct ImageRequest {
    std::string path;
    ImageFormat format = ImageFormat::Png;
    std::optional<ImagePlane> plane; // none: the plane on view when the image is drawn
    std::optional<int> style;        // DisplayMode 0..3; none: the project's
    std::optional<bool> whiteBackground;
    int width = 1024; // the drawing area at 15 drawing units per pixel
    int height = 704;
    // The whole plan with a title block, the legend, a scale bar and a north
    // arrow below it (SVG and PDF always have them).
    bool decorate = false;
};

// The options of one run, already checked for form. Values are kept as typed
// where the program normalises them the way its dialogs do (see BatchRun).
struct BatchOptions {
    std::string projectPath;
    std::optional<double> openAngleBTS;
    std::optional<double> openAngleDTS;
    std::optional<long long> isolines;
    bool xy = false;
    bool xySurface = false;
    double xyHeight = 0.0;
    std::optional<double> xzDistance;
    std::vector<ExportRequest> exports;
    std::optional<ImageRequest> image;
    std::optional<std::string> savePath;
    bool quiet = false;
    bool help = false;
    // Compliance: the standard and population (none: the project's), the
    // site inventory that replaces the antennas, the PDF report.
    std::optional<std::string> standard;
    std::optional<std::string> population; // "public" or "occupational"
    std::optional<std::string> importSites;
    std::optional<std::string> reportPath;
    // The exposure model and its reflection factor (none: the project's).
    std::optional<ExposureModel> model;
    std::optional<double> reflection; // 1 or 2.56
    std::optional<std::string> siteName; // the report's site and who signs it
    std::optional<std::string> assessor;
    std::optional<std::string> places; // the places file that replaces the project's places
    std::optional<std::string> terrain; // the elevation model the ground grid is sampled from
    std::optional<std::string> buildings; // the footprints that replace the project's buildings
    double buildingHeightM = 9.0;         // of a footprint without height or levels
};

// Outcome of reading the command line: options, or the reason of a usage error.
struct ParseResult {
    std::optional<BatchOptions> options;
    std::string error; // set when options is empty
};

ParseResult parseArguments(const std::vector<std::string>& args);
// The same, checking --standard against the given standard ids.
ParseResult parseArguments(const std::vector<std::string>& args,
                           const std::vector<std::string>& knownStandards);

// The text printed by --help and after every usage error.
std::string usageText();

} // namespace brenvik::batch
