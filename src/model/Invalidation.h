#pragma once

#include "model/Project.h"

namespace brenvik {

// The edits of the model after which a result made before them may no longer
// stand. Every caller that makes one of these edits (a pointer tool, a dialog,
// the batch companion) lets DropInvalidatedResults() decide what goes, so the
// window and the batch never disagree about it.
enum class ModelChange {
    AntennasErased, // the eraser's click or drag, hit or not
    TowerDeleted,   // a tower deleted from the selection
    AntennaEdited,  // an antenna moved or one of its fields changed
    GridResized,    // a new grid size: the results' nodes are gone
    ExposureModel,  // the far-field model or its reflection factor
};

// Which planes' results an edit discards.
struct ResultPlanes {
    bool xy = false;
    bool xz = false;
    friend bool operator==(const ResultPlanes&, const ResultPlanes&) = default;
};

// The results `change` invalidates, whatever the project holds.
ResultPlanes ResultsInvalidatedBy(ModelChange change);

// Drops from `p` the results `change` invalidates and returns the ones that
// were there and are gone. Only the planes' flags change: the grids stay, so
// an undo record of the settings taken before the edit brings them back.
ResultPlanes DropInvalidatedResults(Project& p, ModelChange change);

} // namespace brenvik
