#pragma once

// Every file the program writes from a project, as one table that the window
// and the batch companion both read: the batch's --export kinds and its help
// text, the window's export menus and the filters of its file dialogs, and
// the operation that writes each file.

#include "gis/GisExport.h"
#include "model/Feedback.h"
#include "model/Project.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

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
    // Outputs with an option of their own in the batch.
    Report,      // the compliance report (PDF, drawn by the program around the core)
    Image,       // the picture of the plan (drawn by the program around the core)
    ProjectFile, // the project itself
};

// Which current result an output is made of.
enum class OutputNeeds { Nothing, XY, XZ, XYAndXZ };

// Writes the output of `p` into the file at `path`; the message of a failure
// (the program's text, "Interrupted" once the feedback is canceled), or no
// value when the file is complete.
using OutputWriter = std::optional<std::string> (*)(const Project& p, const std::string& path,
                                                    Feedback& feedback);

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
    // Null for the outputs drawn by the program around the core (report,
    // image); see OutputServices.
    OutputWriter write;
};

std::span<const OutputFormat> outputFormats();
const OutputFormat& outputFormat(OutputKind kind);
// The --export KIND of that keyword, matched exactly.
std::optional<OutputKind> outputKindFromKeyword(std::string_view keyword);

// Writes one output of `kind` into `path` through its operation: its refusal
// first, then the writer. The message of a failure, as OutputWriter.
std::optional<std::string> WriteOutput(const Project& p, OutputKind kind, const std::string& path,
                                       Feedback& feedback);

// The output of a map layer the "GIS export..." dialog offers.
OutputKind MapLayerKind(gis::GisFormat format);

} // namespace brenvik::pipeline
