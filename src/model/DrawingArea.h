#pragma once

// The drawing area has one logical size whatever the window or screen: every
// position in a project is measured in these drawing units, so the grid, the
// scale and the project file mean the same thing in every window and in the
// command-line companion. The application scales this area to fit its window.
namespace brenvik::area {

inline constexpr int ScaleWidth = 15360;
inline constexpr int ScaleHeight = 10560;
// Bottom line of the map area (`Shape2`.Top).
inline constexpr int Shape2Top = 9600;
// Height of the horizontal scroll bar (`HScrollx`.Height).
inline constexpr int HScrollHeight = 255;
// The icon strip below the map area (`iconshape`).
inline constexpr int IconShapeTop = 9855;
inline constexpr int IconShapeHeight = 705;

} // namespace brenvik::area
