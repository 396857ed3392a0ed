#pragma once

// Helpers shared by the result layers (not part of the public interface).

#include "model/Project.h"
#include "render/Scene.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace brenvik::render::detail {

// What a result layer reads of one plane's result.
struct ResultView {
    const Grid2D<double>* grid;
    double maximum;
    double maxPosX, maxPosY; // stored drawing-unit position of the maximum node
    int lastI, lastJ;        // loop bounds over the grid's nodes
};

inline ResultView planeResult(const Project& p, Plane plane) {
    const PlaneResult& res = p.Result(plane);
    ResultView r;
    r.grid = &res.Density;
    r.maximum = res.MaxDensity;
    r.maxPosX = res.MaxPosX.toDouble();
    r.maxPosY = res.MaxPosY.toDouble();
    r.lastI = std::min<int>(p.GridNX, r.grid->nx());
    r.lastJ = std::min<int>(p.GridNY, r.grid->ny());
    return r;
}

// How far to move a colour scale of `width` × `height` drawing units from its
// place (the plan's bottom-left corner, the section's top left) to the corner
// where it hides the least of the result; none unless the surface asks for it.
std::pair<double, double> ScaleOffset(const Project& p, Surface& s, Plane plane, double width,
                                      double height);

// A result value as the picture labels it, in the unit the result carries.
inline std::string ResultText(const Project& p, double v, int decimals) {
    return formatFixed(v, decimals) + p.ResultUnit;
}

// round(x) with halves to the even neighbour.
inline long roundHalfEven(double x) {
    return std::lrint(std::nearbyint(x));
}

} // namespace brenvik::render::detail
