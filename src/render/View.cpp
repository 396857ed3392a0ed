#include "render/View.h"

#include "model/Project.h"

namespace brenvik::render {

Point PlanToScreen(const Project& p, double x, double y) {
    return {x * p.Zoom + p.ScrollOffsetX, y * p.Zoom + p.ScrollOffsetY};
}

Point ScreenToPlan(const Project& p, double sx, double sy) {
    return {(sx - p.ScrollOffsetX) / p.Zoom, (sy - p.ScrollOffsetY) / p.Zoom};
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
