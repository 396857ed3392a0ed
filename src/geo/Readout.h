#pragma once

#include "model/Project.h"

#include <string>

namespace brenvik::geo {

// Positions of a pointer event (drawing units, zoom and scrolling applied).
struct PointerCell {
    double xp = 0.0, yp = 0.0; // plan position
    double xs = 0.0, ys = 0.0; // snapped to the screen grid cell, in plan units
    int ix = 0, iy = 0;        // result grid node under the pointer
};
PointerCell PointerCellAt(const Project& p, double x, double y);

// In "Dominant antenna" and "Operator share", who contributes what at node
// (ix, iy) of the plan, to follow the density: ", dominant 3: T2 A1 (Movil)"
// or ", Movil 37.5 %"; empty in the other styles or without contributions.
std::string ContributionReadout(const Project& p, int ix, int iy);

// What the pointer read-out shows for one pointer position.
struct ReadoutTexts {
    bool onGrid = false; // the coordinate and C= texts apply only on the grid
    std::string x, y, lon, lat, z, c;
    std::string h1; // always refreshed
};
// The read-out at (x, y) in drawing units, on the section plane when
// `sectionPlane`, else on the plan.
ReadoutTexts ReadoutAt(const Project& p, double x, double y, bool sectionPlane);

// "C=" text of a node value at the given ValueDecimals setting; the first row
// and column hold the legend's values and show them at full precision.
std::string DensityReadout(double value, const std::string& valueDecimals, bool firstRowOrColumn);

} // namespace brenvik::geo
