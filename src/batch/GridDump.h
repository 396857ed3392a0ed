#pragma once

// The grid dumps are outputs of the pipeline (pipeline/GridDump.h); the batch
// companion's scripts and tests know them by these names.
#include "pipeline/GridDump.h"

namespace brenvik::batch {
using pipeline::FormatGridValue;
using pipeline::writeGridDump;
} // namespace brenvik::batch
