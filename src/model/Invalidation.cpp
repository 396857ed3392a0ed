#include "model/Invalidation.h"

namespace brenvik {

ResultPlanes ResultsInvalidatedBy(ModelChange change) {
    switch (change) {
    case ModelChange::AntennasErased:
    case ModelChange::TowerDeleted:
        // The section names its antenna and keeps being drawn until the
        // next one; the plan's result is gone with the first click.
        return {true, false};
    case ModelChange::AntennaEdited:
        // A moved or changed antenna radiates elsewhere or otherwise.
        return {true, true};
    case ModelChange::GridResized:
        // The grids were made anew at the new size.
        return {true, true};
    case ModelChange::ExposureModel:
        // Every density was worked out with the previous model.
        return {true, true};
    }
    return {};
}

ResultPlanes DropInvalidatedResults(Project& p, ModelChange change) {
    const ResultPlanes drop = ResultsInvalidatedBy(change);
    const ResultPlanes dropped{drop.xy && p.XY.Calculated, drop.xz && p.XZ.Calculated};
    if (drop.xy) p.XY.Calculated = false;
    if (drop.xz) p.XZ.Calculated = false;
    return dropped;
}

} // namespace brenvik
