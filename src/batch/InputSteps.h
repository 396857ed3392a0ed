#pragma once

#include "batch/BatchRun.h"

#include <string>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// The files read into the project before the calculations, besides the
// sites and places of the compliance steps.

// --terrain: the ground grid sampled from the elevation model at `path`
// before the calculations; a refusal fails the run.
void TerrainStep(Project& p, const std::string& path, const RunEnvironment& env);

// --buildings: the footprints of the vector file replace the project's
// buildings; those off the plan are skipped with a warning.
void BuildingsStep(Project& p, const std::string& path, double defaultHeightM,
                   const RunEnvironment& env);

} // namespace brenvik::batch
