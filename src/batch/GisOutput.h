#pragma once

#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"

#include <atomic>
#include <string>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// The map-layer kinds (GeoTIFF, GeoJSON, GeoPackage, KMZ).
bool isGisExport(ExportKind kind);

// Writes a map layer of the XY result into the file at `path`. Throws
// BatchFailure with the program's message: no XY result, the plan off the
// map, or the file error; "Interrupted" soon after `cancel` is raised.
void writeGisExport(const Project& p, ExportKind kind, const std::string& path,
                    const std::atomic<bool>* cancel = nullptr);

// --terrain: the ground grid sampled from the elevation model at `path`
// before the calculations; a refusal fails the run.
void terrainStep(Project& p, const std::string& path, const RunEnvironment& env);

// --buildings: the footprints of the vector file replace the project's
// buildings; those off the plan are skipped with a warning.
void buildingsStep(Project& p, const std::string& path, double defaultHeightM,
                   const RunEnvironment& env);

} // namespace brenvik::batch
