#pragma once

#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "compliance/Rules.h"
#include "model/Grid2D.h"
#include "pipeline/Outputs.h"

#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// True when the run asks for anything measured against the limits: a
// standard or population, or an output that reads the exposure ratio.
bool WantsCompliance(const BatchOptions& o,
                     std::span<const pipeline::OutputFormat> outputs = pipeline::OutputFormats());

// --standard and --population into the project's compliance choices.
void ApplyComplianceSettings(Project& p, const BatchOptions& o);

// --import-sites: the inventory replaces the project's antennas.
void ImportSitesStep(Project& p, const std::string& path);

// --places: the places file replaces the project's places; those off the
// plan are skipped with a warning.
void ImportPlacesStep(Project& p, const std::string& path, const RunEnvironment& env);

// --measurements: the file replaces the project's measurements; those off
// the plan are skipped with a warning.
void ImportMeasurementsStep(Project& p, const BatchOptions& o, const RunEnvironment& env);

// The calculations' inverse limits for the project's standard and
// population, or nothing when the run asks for no compliance answer. Throws
// BatchFailure naming the antenna whose frequency the standard does not
// cover.
std::vector<double> InverseLimitsFor(const Project& p, const BatchOptions& o,
                                     const RunEnvironment& env);

// Gives every calculated plane its exposure ratio when the calculation did
// not (a result read from the file).
void CompleteRatio(Project& p, const BatchOptions& o, const RunEnvironment& env);

// --report and --image: the report, or the picture `image` asks for, into
// the file at `path`, through the same operations as the window's.
// The report judges the site by `rules` as well.
void WriteDrawnStep(const Project& p, pipeline::OutputKind kind, const std::string& path,
                    const RunEnvironment& env, const ImageRequest* image = nullptr,
                    const std::vector<compliance::Rule>& rules = {});

// --rules: the rules the run names, each a rule of the shipped or the
// user's rules or every rule of a rules file; throws BatchFailure naming
// what does not read.
std::vector<compliance::Rule> RulesFor(const BatchOptions& o, const RunEnvironment& env);

} // namespace brenvik::batch
