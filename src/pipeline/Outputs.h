#pragma once

// Every file the program writes from a project, as one table that the window
// and the batch companion both read: the batch's --export kinds and its help
// text, the window's export menus and the filters of its file dialogs, and
// the operation that writes each file.

#include "compliance/Limits.h"
#include "compliance/Rules.h"
#include "compliance/Units.h"
#include "model/Feedback.h"
#include "model/Project.h"
#include "render/Surface.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik::pipeline {

enum class OutputKind {
    // The eight point tables.
    IsolinesCartesian,
    IsolinesGeographic,
    SourcesCartesian,
    SourcesGeographic,
    ConcentrationsCartesian,
    ConcentrationsGeographic,
    MaximumCartesian,
    MaximumGeographic,
    // The result grids as stored.
    GridXY,
    GridXZ,
    SectionCartesian, // the XZ result with its nodes' positions
    // The map layers of the XY result.
    GeoTiff,
    IsolinesGeoJson,
    ZonesGeoJson,
    GeoPackage,
    Kmz,
    Sites,             // the site inventory
    ExposureRatioGrid, // the XY exposure ratio, dumped like grid-xy
    Places,            // the places of sensitive use, evaluated (CSV)
    PlacesGeoJson,
    Buildings, // the buildings floor by floor (CSV)
    BuildingsGeoJson,
    BuildingsGpkg,
    BoundariesGeoJson, // each antenna's compliance boundary seen from above
    Measurements,      // the field measurements set against the prediction (CSV)
    MeasurementsGeoJson,
    Contributions,     // the dominant antenna and each operator's density (GeoTIFF)
    ContributionsGpkg, // the same as gridded coverages of a GeoPackage
    PlaceShares,       // each place's share per operator (CSV)
    // Outputs with an option of their own in the batch.
    Report,      // the compliance report (PDF; the program hands in the PDF writer)
    Image,       // the picture of the plan (the program hands in the painter)
    ProjectFile, // the project itself
};

// How an output uses one plane's result. Whatever it reads must be current:
// the batch refuses a result its settings put out of date, the window offers
// to recalculate first.
enum class ResultUse {
    None,
    IfThere,  // read when the project holds it
    Required, // refused without it ("no result"), read otherwise
};

// What an output is made of besides the project's own inputs. The window
// and the batch companion both act on it; the writers themselves only write.
struct OutputNeeds {
    ResultUse xy = ResultUse::None;
    ResultUse xz = ResultUse::None;
    bool planeOnView = false; // the result of the plane on view (the picture)
    bool ratio = false;       // the exposure ratio, so the calculation takes the limits

    // Reads no result at all.
    static const OutputNeeds Nothing;
    bool operator==(const OutputNeeds&) const = default;
};
inline constexpr OutputNeeds OutputNeeds::Nothing{};

// What an output needs from the program that writes it, beside the project.
// The core lays out the report's pages and works out what the picture draws
// over the plan; only the painting itself is the program's (each of the
// window and the batch companion hands in its own), so both state the same
// things whichever of the two writes them.
struct OutputContext {
    // The limits the report, the places and the buildings are judged by;
    // null: the library as the program loads it at start.
    const compliance::Library* library = nullptr;
    std::string date; // the report's, e.g. "2026-12-06 16:20"
    compliance::Unit unit = compliance::Unit::MicroWattPerCm2; // the report's densities
    // The rules the report judges the site by, each with pages of its own;
    // none: the report as without rules.
    std::vector<compliance::Rule> rules;
    // Writes a PDF of `pages` pages, page k drawn by `draw(k, surface)`; the
    // reason of a failure or an empty text.
    std::function<std::string(const std::string& path, const std::string& title, int pages,
                              const std::function<void(int, render::Surface&)>& draw)>
        writePdf;
    // Draws the picture of the plan into `path`, with `overlay` (the
    // compliance traces, the buildings and places) over the result, as the
    // program's picture settings ask; the message of a failure.
    std::function<std::optional<std::string>(const Project& p, const std::string& path,
                                             const render::Overlay& overlay, Feedback& feedback)>
        drawPicture;
};

// Writes the output of `p` into the file at `path`; the message of a failure
// (the program's text, "Interrupted" once the feedback is canceled), or no
// value when the file is complete.
using OutputWriter = std::optional<std::string> (*)(const Project& p, const std::string& path,
                                                    Feedback& feedback,
                                                    const OutputContext& context);

struct OutputFormat {
    OutputKind kind;
    // The batch: the KIND of --export KIND=PATH, or the option of an output
    // that has its own ("--report").
    const char* keyword;
    bool exportKind; // given as --export KIND=PATH
    // The window: the objectName and caption of the command that offers it
    // (the map layers share the "GIS export..." dialog, which lists their
    // descriptions).
    const char* command;
    const char* caption;
    // The file: its extensions (the first is added to a name typed without
    // one), what it holds, and the file dialog's filter.
    const char* extension;
    std::string description;
    std::string filter;
    OutputNeeds needs;
    // Why the output cannot be made of the project now (no result, a zoom
    // other than 100 %), before a path is asked for; null: never refused.
    std::optional<std::string> (*refusal)(const Project& p);
    OutputWriter write;
    // The batch: also chosen by another output's --export keyword when the
    // path ends in one of these space-separated extensions (any case), as
    // "places=near.geojson" writes the places as GeoJSON.
    const char* sharedKeyword = nullptr;
    const char* sharedExtensions = nullptr;
};

// The program's outputs. Every function below that takes `table` reads the
// rows it is given, so a program (or a test) may hand in more rows; by
// default it is this one.
std::span<const OutputFormat> OutputFormats();
const OutputFormat& outputFormat(OutputKind kind,
                                 std::span<const OutputFormat> table = OutputFormats());
// The --export KIND of that keyword, matched exactly.
std::optional<OutputKind>
OutputKindFromKeyword(std::string_view keyword,
                      std::span<const OutputFormat> table = OutputFormats());
// The --export KIND=PATH of that keyword and path: the output whose shared
// keyword it is when the path ends in one of its extensions, else the one
// named by the keyword.
std::optional<OutputKind> ExportKindFor(std::string_view keyword, std::string_view path,
                                        std::span<const OutputFormat> table = OutputFormats());

// The planes whose results the output reads as `p` stands now (the picture:
// the plane on view); each must be current.
std::vector<Plane> PlanesRead(const Project& p, const OutputNeeds& needs);

// Writes one output into `path` through its operation: its refusal first,
// then a missing result it requires, then the writer. The message of a
// failure, as OutputWriter.
std::optional<std::string> WriteOutput(const Project& p, const OutputFormat& format,
                                       const std::string& path, Feedback& feedback,
                                       const OutputContext& context = {});
std::optional<std::string> WriteOutput(const Project& p, OutputKind kind, const std::string& path,
                                       Feedback& feedback, const OutputContext& context = {});

// What the picture of the plan draws over the result, as the window shows
// it: the compliance traces when shown, then each building filled in its
// worst floor's colour and each place labelled with its % of the limit, and
// each field measurement in the colour of its difference from the
// prediction (the plan view only). Empty when there is nothing to draw or the standard
// does not cover the antennas. The traces' limits and the places' marks are
// worked out of `p` now; the overlay draws them on the project it is given.
render::Overlay PlanOverlay(const Project& p, const compliance::Library& library);

// The outputs a command offers (the map layers of "gisexport"), in the
// table's order.
std::vector<OutputKind> OutputsOfCommand(std::string_view command);
// `path` with the output's first extension added, unless it already ends
// in it (any case).
std::string WithExtension(const std::string& path, OutputKind kind);

// The rules a project names (Compliance.Rules: a rule of `book` or a rules
// file), in order, or why one cannot judge the site: a file gone or
// refused, a fraction of a standard `library` does not hold.
compliance::ChosenRules ResolveRules(const compliance::RuleBook& book,
                                     const std::vector<std::string>& names,
                                     const compliance::Library& library);
// Each rule's verdict for the project as the summary gives it: "TITLE:
// complies: worst 62 % of the limit (...)".
std::vector<std::string> RuleVerdictLines(const Project& p,
                                          const std::vector<compliance::Rule>& rules,
                                          const compliance::Library& library);

} // namespace brenvik::pipeline
