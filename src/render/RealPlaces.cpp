#include "render/RealPlaces.h"

#include "model/Project.h"
#include "render/View.h"

#include <algorithm>
#include <cmath>

namespace brenvik::render {

namespace {

constexpr Rgb kOutline{200, 200, 200};
constexpr Rgb kPlace{255, 0, 255};

// Fills the rings (the outline and its courtyards) with horizontal lines one
// screen pixel apart, even-odd across all of them so a courtyard stays
// empty: the surfaces draw boxes and lines, not polygons.
void FillPolygon(Surface& s, const std::vector<std::vector<Point>>& rings, Rgb colour) {
    double y0 = rings[0][0].y, y1 = y0;
    for (const Point& q : rings[0]) {
        y0 = std::min(y0, q.y);
        y1 = std::max(y1, q.y);
    }
    const double step = std::max(s.unitsPerPixel(), 1.0);
    std::vector<double> xs;
    for (double y = y0 + step / 2; y < y1; y += step) {
        xs.clear();
        for (const std::vector<Point>& pts : rings)
            for (std::size_t k = 0, j = pts.size() - 1; k < pts.size(); j = k++) {
                const Point &a = pts[k], &b = pts[j];
                if ((a.y > y) != (b.y > y))
                    xs.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        std::sort(xs.begin(), xs.end());
        for (std::size_t k = 0; k + 1 < xs.size(); k += 2)
            s.line(xs[k], y, xs[k + 1], y, colour);
    }
}

} // namespace

void DrawRealPlaces(const Project& p, Surface& s, const RealPlaceMarks& marks) {
    for (std::size_t k = 0; k < p.Buildings.size(); ++k) {
        const Building& b = p.Buildings[k];
        if (b.Outline.size() < 3) continue;
        std::vector<std::vector<Point>> rings;
        const auto screen = [&](const std::vector<PlanVertex>& corners) {
            std::vector<Point> pts;
            for (const PlanVertex& v : corners)
                pts.push_back(PlanToScreen(p, v.x, v.y));
            return pts;
        };
        rings.push_back(screen(b.Outline));
        for (const auto& hole : b.Holes)
            if (hole.size() >= 3) rings.push_back(screen(hole));
        if (k < marks.buildingFill.size() && marks.buildingFill[k])
            FillPolygon(s, rings, *marks.buildingFill[k]);
        for (const std::vector<Point>& pts : rings)
            for (std::size_t j = 0; j < pts.size(); ++j) {
                const Point &a = pts[j], &c = pts[(j + 1) % pts.size()];
                s.line(a.x, a.y, c.x, c.y, kOutline);
            }
    }
    s.setFillStyle(FillStyle::Transparent);
    const double r = std::max(45.0, 6 * s.unitsPerPixel());
    for (std::size_t k = 0; k < p.Places.size(); ++k) {
        const Place& pl = p.Places[k];
        const Point at = PlanToScreen(p, pl.X, pl.Y);
        s.circle(at.x, at.y, r, kPlace);
        s.point(at.x, at.y, kPlace);
        std::string text = pl.Name;
        const bool marked = k < marks.placeLabel.size() && !marks.placeLabel[k].empty();
        if (marked) text += " " + marks.placeLabel[k];
        s.setTextColour(kPlace);
        s.setTextPosition(at.x + r * 1.5, at.y - s.textExtent(text).height / 2);
        // The % of the limit is drawn over the plan's own label of the place
        // (its name alone, at the same spot): it must show even where that
        // label, or any other, would crowd it out.
        if (marked)
            s.print(text);
        else
            s.printLabel(text);
    }
}

} // namespace brenvik::render
