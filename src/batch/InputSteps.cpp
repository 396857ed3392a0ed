#include "batch/InputSteps.h"

#include "gis/BuildingImport.h"
#include "gis/Terrain.h"

namespace brenvik::batch {

void TerrainStep(Project& p, const std::string& path, const RunEnvironment& env) {
    const gis::TerrainSample t = gis::SampleTerrain(p, path, env.cancel);
    if (t.refusal) {
        if (env.cancel && env.cancel->isCanceled()) throw BatchFailure(kMsgInterrupted);
        throw BatchFailure(*t.refusal);
    }
    if (!t.note.empty() && env.warn) env.warn(t.note);
    gis::ApplyTerrain(p, t);
}

void BuildingsStep(Project& p, const std::string& path, double defaultHeightM,
                   const RunEnvironment& env) {
    gis::BuildingsImport r = gis::ReadBuildings(p, path, defaultHeightM, env.cancel);
    if (r.refusal) {
        if (env.cancel && env.cancel->isCanceled()) throw BatchFailure(kMsgInterrupted);
        throw BatchFailure(*r.refusal);
    }
    if (!r.note.empty() && env.warn) env.warn(r.note);
    p.Buildings = std::move(r.buildings);
}

} // namespace brenvik::batch
