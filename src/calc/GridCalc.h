#pragma once

#include "model/Numbers.h"
#include "model/Project.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brenvik {

// ---- Progress of a calculation ------------------------------------------------------------

struct CalcProgress {
    int pass = 1, passCount = 1;          // temporal points (legacy passes)
    int antenna = 0, antennaCount = 0;    // 1-based antenna being added
    std::int64_t node = 0, nodeTotal = 0; // nodes done for this antenna; total shown
};

// ---- The calculations ---------------------------------------------------------------------

struct CalcControl {
    // Worker threads; 0 = every core. The result does not depend on it.
    unsigned threads = 0;
    // Called on the calling thread at the start of every antenna, every 40 ms
    // or so while the nodes are computed, and once per legacy pass at the end;
    // never once per node. Returning false cancels the calculation.
    std::function<bool(const CalcProgress&)> progress;
    // Another way to cancel, e.g. from the window's thread.
    const std::atomic<bool>* cancel = nullptr;
    // Evaluate every node with the plain scalar loop (the reference) instead of
    // the vectorised one.
    bool scalarReference = false;
};

enum class CalcStatus { Done, Cancelled, Failed };
struct CalcOutcome {
    CalcStatus status = CalcStatus::Done;
    std::string message; // "Input data error" when Failed
    bool ok() const { return status == CalcStatus::Done; }
};

// The XY calculation with the project's CalcOption and CalcHeight (set them
// with the cal form first). Works on the calling thread and its own workers,
// touches nothing but `p`, and commits DensityGrid, GridXm/GridYm, the maximum,
// the isolines, XYCalcZoom/offsets, CalcAntennaCount and XYCalculated = 1 only
// when it completes: a cancelled or failed run leaves `p` as it was.
CalcOutcome RunXYCalculation(Project& p, const CalcControl& ctl = {});

// The XZ section through XZPlaneRow (set by XZDialogAccept), committed the
// same way into XZDensityGrid and its companions with XZCalculated = 1.
// CalcOption and CalcHeight are left as they were.
CalcOutcome RunXZCalculation(Project& p, const CalcControl& ctl = {});

} // namespace brenvik
