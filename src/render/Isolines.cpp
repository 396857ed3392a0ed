#include "render/Results.h"

namespace brenvik::render {

using detail::planeResult;

void drawMaximumMark(const Project& p, Surface& s, Plane plane, int decimals, double fontSize) {
    const auto r = planeResult(p, plane);
    s.setFillStyle(FillStyle::Transparent);
    // The bottom strip holds no result: a maximum there is not marked.
    if (!(r.maxPosY < kShape2Top)) return;
    const Rgb mark = markColour(p.Display);
    const Point at = PlanToScreen(p, r.maxPosX, r.maxPosY);
    s.circle(at.x + p.CellSize / 2.0, at.y + p.CellSize / 2.0, 20, mark);
    s.setTextColour(mark);
    if (fontSize > 0) s.setFontSize(fontSize);
    s.print(detail::ResultText(p, r.maximum, decimals));
}

void DrawIsolines(const Project& p, Surface& s, Plane plane) {
    const bool xy = plane == Plane::XY;
    const int decimals = xy ? 6 : 4;
    // On the plan the mark's text grows with the zoom since the calculation.
    drawMaximumMark(p, s, plane, decimals, xy ? 10 * resultTransform(p).k : 0);
    s.setFillStyle(FillStyle::Transparent);

    const PlaneResult& res = xy ? p.XY : p.XZ;
    const CrossingTable& first = res.Isolines;
    const CrossingTable& second = res.IsolinesAux;
    const std::vector<double>& levels = res.IsolineLevel;
    const double maximum = res.MaxDensity;
    const int count = std::min({int(p.IsolineCount), first.levels(), second.levels(),
                                static_cast<int>(levels.size()) - 1});
    const ResultTransform t = resultTransform(p);
    const double side = t.side(), third = side / 3.0;
    const Rgb colour = isolineColour(p.Display);

    auto inSlots = [](const CrossingTable::Entry& e, const CrossingTable& tab) {
        return e.slot >= 1 && e.slot <= tab.slotMax() && e.x + e.y > 0;
    };
    // Dashes: the middle third of the edge between a node's cell and the cell
    // below it (first table) or to its right (second table).
    for (int k = 1; k <= count; ++k) {
        for (const auto& e : first.row(k)) {
            if (!inSlots(e, first)) continue;
            const double x = t.x(e.x), y = t.y(e.y);
            s.box(x + third, y + side, x + side - third, y + side, colour);
        }
        for (const auto& e : second.row(k)) {
            if (!inSlots(e, second)) continue;
            const double x = t.x(e.x), y = t.y(e.y);
            s.box(x + side, y + third, x + side, y + side - third, colour);
        }
    }

    // Each level is labelled at its topmost and bottommost crossing of the
    // first table (rows above 0); the level of the maximum is never labelled.
    // Where labels crowd, one that would cover a text already drawn gives way.
    for (int k = 1; k <= count; ++k) {
        const CrossingTable::Entry* top = nullptr;
        const CrossingTable::Entry* bottom = nullptr;
        for (const auto& e : first.row(k)) {
            if (!inSlots(e, first) || e.y == 0) continue;
            if (!top || e.y < top->y) top = &e;
            if (!bottom || e.y > bottom->y) bottom = &e;
        }
        if (!top) continue; // no crossing: a label would carry no position
        const bool labelled = levels[static_cast<std::size_t>(k)] != maximum;
        const std::string text =
            detail::ResultText(p, levels[static_cast<std::size_t>(k)], xy ? 3 : 4);
        if (bottom->y * double(p.CellSize) < kShape2Top) {
            s.setTextPosition(t.x(bottom->x), t.y(bottom->y));
            s.setTextColour(colour);
            if (labelled) s.printLabel(text);
        }
        s.setTextPosition(t.x(top->x), t.y(top->y));
        s.setTextColour(colour);
        if (labelled) s.printLabel(text);
    }
}

} // namespace brenvik::render
