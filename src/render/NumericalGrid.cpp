#include "render/Results.h"

namespace brenvik::render {

void DrawNumericalGrid(const Project& p, Surface& s, Plane plane) {
    drawMaximumMark(p, s, plane, 4);
    const auto r = detail::planeResult(p, plane);
    const ResultTransform t = resultTransform(p);
    const Rgb colour = isolineColour(p.Display);
    // A coarse lattice of at most 8 × 7 samples from column 0 and row n.
    const int n = p.GridNX / 7;
    for (int a = 0; a <= 7; ++a) {
        for (int b = 1; b <= 7; ++b) {
            const int i = a * n, j = b * n;
            if (!(i < p.GridNX && j < p.GridNY) || i > r.lastI || j > r.lastJ) continue;
            s.setTextPosition(t.x(i), t.y(j));
            s.setTextColour(colour);
            s.print(detail::ResultText(p, (*r.grid)(i, j), 4));
        }
    }
}

} // namespace brenvik::render
