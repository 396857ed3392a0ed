#pragma once

#include "measure/Import.h"
#include "model/AntennaPattern.h"
#include "model/DisplaySettings.h"
#include "pipeline/Outputs.h"

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// What --export can write: the pipeline's outputs that have an --export
// keyword. The parser, the help text and the run read that one table
// (pipeline/Outputs.h), so a new kind is a new output there.
using ExportKind = pipeline::OutputKind;

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
    // The section through antenna N (its number in the sources export)
    // along its azimuth, instead of one along X.
    std::optional<int> xzThrough;
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
    // --rules, in order: a rule's name or a rules file's path each; the
    // report judges the site by them.
    std::vector<std::string> rules;
    // The exposure model and its reflection factor (none: the project's).
    std::optional<ExposureModel> model;
    std::optional<double> reflection; // 1 or 2.56
    // The colours of the levels in the image and the report's pictures.
    ColourScheme colours = ColourScheme::ColourBlindSafe;
    std::optional<std::string> siteName; // the report's site and who signs it
    std::optional<std::string> assessor;
    std::optional<std::string> places;    // the places file that replaces the project's places
    std::optional<std::string> terrain;   // the elevation model the ground grid is sampled from
    std::optional<std::string> buildings; // the footprints that replace the project's buildings
    double buildingHeightM = 9.0;         // of a footprint without height or levels
    // The field measurements that replace the project's, and how their file reads.
    std::optional<std::string> measurements;
    measure::ImportOptions measurementOptions;
};

// Outcome of reading the command line: options, or the reason of a usage error.
struct ParseResult {
    std::optional<BatchOptions> options;
    std::string error; // set when options is empty
};

ParseResult
ParseArguments(const std::vector<std::string>& args,
               std::span<const pipeline::OutputFormat> outputs = pipeline::OutputFormats());
// The same, checking --standard against the given standard ids; an unknown
// one is told with `limitsWarning`, why the user's limits file was refused.
ParseResult ParseArguments(const std::vector<std::string>& args,
                           const std::vector<std::string>& knownStandards,
                           const std::string& limitsWarning = {});

// The text printed by --help and after every usage error.
std::string UsageText();

} // namespace brenvik::batch
