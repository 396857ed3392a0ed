#pragma once

#include "model/Numbers.h"
#include "model/Project.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// ---- Preconditions (each returns the refusal message, or no value) -----------

// "XY-Calculation": at least one antenna.
std::optional<std::string> XYCalcRefusal(const Project& p);
// "XZ-Calculation", checked before the tool reset: Zoom, then XYCalcZoom.
std::optional<std::string> XZViewRefusal(const Project& p);
// "XZ-Calculation", checked after the tool reset: at least one antenna.
std::optional<std::string> XZSourceRefusal(const Project& p);

// ---- "Calculation" (cal) ------------------------------------------------------------

struct CalForm {
    bool option1 = true;       // "Calculation at surface height"
    bool text1Enabled = false; // "Height of the calculation plane (m):"
    std::string text1;
};
CalForm CalFormLoad(const Project& p, const NumberFormatter& fmt = FormatNumberC);
// Option1: CalcOption = 1, CalcHeight = 0, Text1 = "0", Text1 disabled.
void CalFormOption1(Project& p, CalForm& f);
// Option2: CalcOption = 0, Text1 enabled.
void CalFormOption2(Project& p, CalForm& f);
// Accept, before the calculation runs: CalcHeight = Int(Text1). A text that is
// not a number returns "Input data error" and changes nothing.
std::optional<std::string> CalFormAccept(Project& p, const CalForm& f,
                                         const NumberParser& parse = ParseNumberC);

// The main window's height label h1: "h=" + CalcHeight + " m".
std::string HeightLabelText(const Project& p, const NumberFormatter& fmt = FormatNumberC);

// ---- "XZ-Calculation" (calperfil) -------------------------------------------------------

// On load: the first time (XZDistance = -1) proposes the middle of the map area
// and stores it in XZDistance. Returns XZDistance (show it with FormatFixed2C
// or the locale's "0.00").
double XZDialogDistance(Project& p);
// Accept: XZDistance = Text2; "Distance not allowed" when it is <= 0 or above
// the plan's height in metres (the dialog stays open); else XZPlaneRow is set
// from the distance and CurrentPlane = XZ. A text that is not a number
// returns "Input data error" and changes nothing.
std::optional<std::string> XZDialogAccept(Project& p, const std::string& text2,
                                          const NumberParser& parse = ParseNumberC);

// ---- Progress window "Running" (cal2) -------------------------------------------------------

struct CalcProgress {
    int pass = 1, passCount = 1;          // temporal points (legacy passes)
    int antenna = 0, antennaCount = 0;    // 1-based antenna being added
    std::int64_t node = 0, nodeTotal = 0; // nodes done for this antenna; total shown
};

// What the window shows before the first report of a calculation: the real
// counts of passes, antennas and nodes, nothing done yet.
CalcProgress InitialProgress(const Project& p);

std::string
RunningLabel2(const Project& p); // "Without temporal average" / "There is a temporal average"
std::string RunningLabel3(const CalcProgress& c); // "Running p of L tempotal point(s)"
std::string RunningLabel4(const CalcProgress& c); // "Running s of N pollution sources"
std::string RunningLabel5(const CalcProgress& c); // "Running n of T calculation points"
std::string
RunningLabel6(const Project& p); // "Fuente activada" / "Línea activada" / "Área activada"

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
    // The memory the isoline tables may take, in bytes; 0 = what the machine
    // can give. A count of levels that would need more fails the calculation.
    std::uint64_t memoryLimit = 0;
    // Evaluate every node with the plain scalar loop (the reference) instead of
    // the vectorised one.
    bool scalarReference = false;
    // The exposure ratio, when wanted: inverseLimit[s] = 1 / (antenna s's
    // limit in uW/cm^2) for s = 0..AntennaCount (slot 0 unused). The
    // calculation then fills RatioGrid (XY) or XZRatioGrid (XZ) with
    // r = sum of S_s * inverseLimit[s] (1 = at the limit) in the same pass as
    // the density, committed with it, and the density keeps the very bits it
    // has without. Empty: no ratio, and the ratio grid is emptied (0 x 0) on
    // commit. Another size, or a value that is negative or not finite, fails
    // the calculation with "Input data error".
    // The ratio grid belongs to the density result it came with: edits that
    // discard that result (XYCalculated = 0, a new grid size) leave it stale,
    // so a reader checks XYCalculated / XZCalculated and that its dimensions
    // match the density grid's before using it.
    std::vector<double> inverseLimit;
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
