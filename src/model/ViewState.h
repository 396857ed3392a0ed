#pragma once

namespace brenvik {

// The plane the window shows: the plan or the vertical section.
enum class Plane { XY, XZ };

// How a calculated result is drawn.
enum class ResultStyle { Isolines, Gradient, NumericalGrid, Dots };

// The command that waits behind the save-changes question.
enum class PendingCommand { None, New, Open, ScaleCalculation, GridSize, IsolineCount, Scale };

} // namespace brenvik
