#pragma once

// The texts this module shows or hands to the windows, exactly as the users
// know them.
namespace brenvik::msg {

inline constexpr const char* InputDataError = "Input data error";
inline constexpr const char* NoSource = "Introduce, at least, a pollutant source";
inline constexpr const char* XZNeedsZoom = "It is needed a Zoom value of 100%";
inline constexpr const char* XZNeedsXYZoom = "It is needed a Zoom value in the XY-Plane of 100%";
inline constexpr const char* DistanceNotAllowed = "Distance not allowed";
inline constexpr const char* SpotTaken = "Please eliminate first the source located in this point";

} // namespace brenvik::msg
