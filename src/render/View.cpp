#include "render/View.h"

#include "model/Project.h"

namespace brenvik::render {

Point planToScreen(const Project& p, double x, double y) {
    return {x * p.Zoom + p.ScrollOffsetX, y * p.Zoom + p.ScrollOffsetY};
}

Point screenToPlan(const Project& p, double sx, double sy) {
    return {(sx - p.ScrollOffsetX) / p.Zoom, (sy - p.ScrollOffsetY) / p.Zoom};
}

Point screenToMetres(const Project& p, double sx, double sy) {
    const Point q = screenToPlan(p, sx, sy);
    return {q.x * p.MetersPerUnit, q.y * p.MetersPerUnit};
}

Point terrainNodeToScreen(const Project& p, int i, int j) {
    return {i * double(p.CellSize) * p.Zoom + p.ScrollOffsetX,
            j * double(p.CellSize) * p.Zoom + p.ScrollOffsetY};
}

ResultTransform resultTransform(const Project& p) {
    ResultTransform t;
    // A result read from a damaged file may carry no calculation zoom; it is
    // then shown as if calculated at the current zoom.
    t.k = p.XYCalcZoom > 0.0 ? p.Zoom / p.XYCalcZoom : 1.0;
    t.cell = p.CellSize;
    t.offX = t.k * p.XYCalcOffsetX + p.ScrollOffsetX;
    t.offY = t.k * p.XYCalcOffsetY + p.ScrollOffsetY;
    return t;
}

} // namespace brenvik::render
