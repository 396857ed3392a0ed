#pragma once

#include "model/DemWindow.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::geo {

// Longitude/latitude points (degrees, WGS 84) into pixel positions of the
// window, in place: `x` from longitude to column, `y` from latitude to row,
// in pixel-centre Coordinates (the centre of pixel (c, r) at (c, r)). The
// reason when the window's CRS cannot be reached from longitude/latitude or
// a point cannot be taken into it; the points are then left undefined.
std::optional<std::string> ToDemPixels(const DemWindow& w, std::vector<double>& x,
                                       std::vector<double>& y);

// The height at pixel-centre position (col, row): bilinear between the four
// pixel centres around it. Beyond the outer centres, within the outer half
// pixel, the edge value holds; no value farther out or for a window without
// pixels.
std::optional<double> DemBilinear(const DemWindow& w, double col, double row);

// The project's elevation model at plan metres (xm, ym) of the calculation
// frame (y growing down the plan): the point's longitude/latitude by the
// project's own conversion, into the model's CRS, then bilinear between its
// pixel centres. Metres above the datum. No value without a window, for a
// point off the ground grid, outside the window, or when its CRS cannot be
// reached: the ground grid's own rule holds there.
std::optional<double> DemHeightAt(const Project& p, double xm, double ym);

// The PROJ library the program runs with, e.g. "9.1.1" (for the about box).
std::string ProjRuntimeVersion();

} // namespace brenvik::geo
