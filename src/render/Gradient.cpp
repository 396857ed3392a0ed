#include "render/Results.h"

namespace brenvik::render {

using detail::planeResult;

std::optional<int> levelOf(double value, double maximum) {
    // An all-zero result has a zero maximum: no level is defined and nothing
    // is painted, rather than dividing by zero.
    if (!(maximum > 0.0) || !std::isfinite(maximum) || !std::isfinite(value)) return std::nullopt;
    const double l = std::floor(10.0 * value / maximum);
    if (!std::isfinite(l)) return std::nullopt;
    return static_cast<int>(std::clamp(l, -1.0e6, 1.0e6));
}

Rgb gradientColour(int level, bool whiteBackground) {
    const long c = detail::roundHalfEven(255.0 * level / 10.0);
    const long p = 2 * c, q = 2 * (c - 128);
    if (!whiteBackground) return rgb(p, 0, 0);
    if (level <= 5) return rgb(255, 255, std::labs(p - 255));
    return rgb(255, 255 - q, 0);
}

int gradientThreshold(const Project& p) {
    return p.BackgroundLoaded == 1 ? 5 : 0;
}

void drawColourScale(const Project& p, Surface& s, Plane plane) {
    const bool white = p.WhiteBackground == 1;
    const double m = plane == Plane::XY ? p.MaxDensity : p.XZMaxDensity;
    struct Step {
        Rgb onWhite, onBlack;
        double value;
    };
    const Step steps[4] = {{{255, 0, 0}, {255, 0, 0}, m},
                           {{255, 128, 0}, {192, 0, 0}, 2 * m / 3},
                           {{255, 255, 0}, {127, 0, 0}, m / 2},
                           {{255, 255, 128}, {63, 0, 0}, m / 4}};
    if (plane == Plane::XY) s.setFontSize(10);
    for (int n = 1; n <= 4; ++n) {
        const Step& st = steps[n - 1];
        const double y = plane == Plane::XY ? kShape2Top - 200.0 * n - kHScrollHeight
                                            : kIconShapeHeight + 200.0 * n;
        s.setFillColour(white ? st.onWhite : st.onBlack);
        s.setFillStyle(FillStyle::Solid);
        s.box(0, y, 200, y + 200, qbColor(0));
        s.setTextPosition(300, y);
        s.setTextColour(white ? qbColor(0) : qbColor(15));
        s.print(formatDensity(st.value, plane == Plane::XY ? 6 : 4));
    }
}

void drawGradient(const Project& p, Surface& s, Plane plane) {
    s.clear();
    const auto r = planeResult(p, plane);
    const ResultTransform t = resultTransform(p);
    const double side = t.side();
    const bool white = p.WhiteBackground == 1;
    const int threshold = gradientThreshold(p);
    // A cell reaching into the strip below the map area is never painted;
    // the test uses the unscaled cell size.
    const double lastY = kShape2Top - p.CellSize;
    const Surface::Bounds vb = s.visibleBounds();

    Rgb colours[11];
    for (int l = 0; l <= 10; ++l)
        colours[l] = gradientColour(l, white);

    for (int i = 0; i <= r.lastI; ++i) {
        const double x = t.x(i);
        if (std::max(x, x + side) < vb.x1 || std::min(x, x + side) > vb.x2) continue;
        const double* col = r.grid->column(i);
        for (int j = 0; j <= r.lastJ; ++j) {
            const double y = t.y(j);
            if (y > lastY) continue;
            const auto level = levelOf(col[j], r.maximum);
            if (!level || *level < threshold) continue;
            const Rgb colour =
                *level >= 0 && *level <= 10 ? colours[*level] : gradientColour(*level, white);
            s.setFillColour(colour);
            s.setFillStyle(FillStyle::Solid);
            s.box(x, y, x + side, y + side, colour);
            // Weak cells get a white outline on a white background, so they
            // show a thin grid.
            if (*level <= 5 && white) s.box(x, y, x + side, y + side, qbColor(15));
        }
    }
    drawColourScale(p, s, plane);
    s.setFillStyle(FillStyle::Transparent);
    drawScene(p, s, plane);
}

} // namespace brenvik::render
