#pragma once

// The texts the program shows or writes, exactly as the users know them, in
// one place so the window, the batch companion and the core say the same.
#include "model/AntennaPattern.h"

#include <string>

namespace brenvik::msg {

// Refusals of typed values.
inline constexpr const char* InputDataError = "Input data error";
// The geographic dialogs' own wording of the same refusal.
inline constexpr const char* BoxNotANumber = "Error en la entrada de datos";
inline constexpr const char* DistanceNotAllowed = "Distance not allowed";

// Files.
inline constexpr const char* FileError = "Error en el fichero";

// The causes a message names on its second line, besides a file or a line.
inline constexpr const char* OutOfMemory = "out of memory";
inline constexpr const char* DiskFull = "disk full";

// A message with its cause on a second line (none when the cause is empty):
// the first line stays the text users know.
inline std::string WithCause(const char* text, const std::string& cause) {
    return cause.empty() ? std::string(text) : std::string(text) + "\n" + cause;
}

// Preconditions of the calculations, the exports and the views.
inline constexpr const char* NoSource = "Introduce, at least, a pollutant source";
inline constexpr const char* XZNeedsZoom = "It is needed a Zoom value of 100%";
inline constexpr const char* SectionNeedsAntenna =
    "Select a tower with a panel or a stick antenna for its section";
inline constexpr const char* XZNeedsXYZoom = "It is needed a Zoom value in the XY-Plane of 100%";
inline constexpr const char* ExportNeedsZoom = "To export, it is needed a a zoom value of 100%";
inline constexpr const char* NoResult = "There is not a calculated electromagnetic pollution";
inline constexpr const char* NoLevels = "No calculated levels";
inline constexpr const char* NoXZResult =
    "Calcule first the electromagnetic pollution in the plane XZ";
inline constexpr const char* XZViewNeedsXYZoom =
    "To view the XZ-plane, it is needed a a zoom value of 100% to make a XY-Calculation";

// Editing the plan.
inline constexpr const char* SpotTaken = "Please eliminate first the source located in this point";

// A result computed from other antennas, ground or settings than the project's.
inline constexpr const char* ResultOutOfDate = "Result out of date: F5 recalculates";
inline constexpr const char* RecalculateFirst =
    "The result is out of date: it was computed for other antennas, ground or settings.\n"
    "Recalculate it first?";
inline constexpr const char* BatchResultOutOfDate =
    "Result out of date: the project's antennas, ground or settings changed since it was "
    "calculated; run --xy (and --xz) to recalculate";

// The exposure models as the user sees them (the file keeps its own keywords).
inline constexpr const char* ModelSimplified = "Simplified beam (indicative)";
inline constexpr const char* ModelFarField = "Far-field (IEC 62232)";
inline const char* ModelName(ExposureModel m) {
    return m == ExposureModel::FarField ? ModelFarField : ModelSimplified;
}

// A run stopped by the user.
inline constexpr const char* Interrupted = "Interrupted";

} // namespace brenvik::msg
