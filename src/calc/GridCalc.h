#pragma once

#include "model/Feedback.h"
#include "model/Numbers.h"
#include "model/Project.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::antenna {
class EnvelopeCache;
}

namespace brenvik {

// ---- Progress of a calculation ------------------------------------------------------------

struct CalcProgress {
    int pass = 1, passCount = 1;          // temporal points (legacy passes)
    int antenna = 0, antennaCount = 0;    // 1-based antenna being added
    std::int64_t node = 0, nodeTotal = 0; // nodes done for this antenna; total shown
};

// What the window shows before the first report of a calculation: the real
// counts of passes, antennas and nodes, nothing done yet.
CalcProgress InitialProgress(const Project& p);

// The fraction of the whole calculation done, 0..1, and its counts as text
// ("pass 1/1  antenna 3/20  node 1200/6868").
double ProgressFraction(const CalcProgress& c);
std::string ProgressLabel(const CalcProgress& c);

// ---- The calculations ---------------------------------------------------------------------

struct CalcControl {
    // Worker threads; 0 = every core. The result does not depend on it.
    unsigned threads = 0;
    // Called on the calling thread at the start of every antenna, every 40 ms
    // or so while the nodes are computed, and once per legacy pass at the end;
    // never once per node. Returning false cancels the calculation.
    std::function<bool(const CalcProgress&)> progress;
    // The operation's feedback, when it runs as one: told the fraction done
    // and a label of the counts ("pass 1/1  antenna 3/20  node 1200/6868")
    // beside `progress`, and its cancel (from any thread, e.g. the window's)
    // stops the calculation.
    Feedback* feedback = nullptr;
    // The memory the isoline tables may take, in bytes; 0 = what the machine
    // can give. A count of levels that would need more fails the calculation.
    std::uint64_t memoryLimit = 0;
    // Evaluate every node with the plain scalar loop (the reference) instead of
    // the vectorised one.
    bool scalarReference = false;
    // True once the feedback is canceled; asked by the workers.
    bool canceled() const { return feedback && feedback->isCanceled(); }
    // The exposure ratio, when wanted: inverseLimit[s] = 1 / (antenna s's
    // limit in uW/cm^2) for s = 0..AntennaCount (slot 0 unused). The
    // calculation then fills the plane result's Ratio with
    // r = sum of S_s * inverseLimit[s] (1 = at the limit) in the same pass as
    // the density, committed with it, and the density keeps the very bits it
    // has without. Empty: no ratio, and the ratio grid is emptied (0 x 0) on
    // commit. Another size, or a value that is negative or not finite, fails
    // the calculation with "Input data error".
    // The ratio grid belongs to the density result it came with and to the
    // standard, population and frequencies it was computed for: the commit
    // records both in the plane's stamps, and a reader asks RatioCurrent()
    // (model/ResultStamp.h) before using it.
    std::vector<double> inverseLimit;
    // Adaptive antennas' envelopes kept beyond this calculation by whoever
    // runs several (one per array, whatever the project's other values);
    // null: the calculation makes its own, once per array.
    antenna::EnvelopeCache* envelopes = nullptr;
};

enum class CalcStatus { Done, Cancelled, Failed };
struct CalcOutcome {
    CalcStatus status = CalcStatus::Done;
    std::string message; // "Input data error" when Failed
    bool ok() const { return status == CalcStatus::Done; }
};

// The XY calculation with the project's CalcOption and CalcHeight (set them
// with the cal form first). Works on the calling thread and its own workers,
// touches nothing but `p`, and commits the plan's result (XY), GridXm/GridYm,
// XYCalcZoom/offsets and CalcAntennaCount only
// when it completes: a cancelled or failed run leaves `p` as it was.
CalcOutcome RunXYCalculation(Project& p, const CalcControl& ctl = {});

// The XZ section through XZPlaneRow (set by XZDialogAccept), committed the
// same way into the section's result (XZ).
// CalcOption and CalcHeight are left as they were.
CalcOutcome RunXZCalculation(Project& p, const CalcControl& ctl = {});

} // namespace brenvik
