#pragma once

namespace brenvik {

// The plane the window shows: the plan or the vertical section.
enum class Plane { XY, XZ };

// How a calculated result is drawn. The last two show who contributes what
// on the plan (each node in its dominant antenna's colour, or by one
// operator's share of the total); they live in memory only, like the others.
enum class ResultStyle { Isolines, Gradient, NumericalGrid, Dots, DominantAntenna, OperatorShare };

// The styles drawn from the plan's contributions rather than its density.
inline bool ShowsContributions(ResultStyle s) {
    return s == ResultStyle::DominantAntenna || s == ResultStyle::OperatorShare;
}

// The command that waits behind the save-changes question.
enum class PendingCommand { None, New, Open, ScaleCalculation, GridSize, IsolineCount, Scale };

} // namespace brenvik
