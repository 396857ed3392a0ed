#include "render/Dots.h"

#include "render/Results.h"

namespace brenvik::render {

void DotRandom::reseed(std::uint64_t seed) {
    state_ = seed;
}

double DotRandom::next() {
    // splitmix64: cheap, uniform, and the same sequence from the same start.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

namespace {
// Scheme 10's scale box shows the strong end of its ramp.
const DotSchemeInfo kSchemes[kDotSchemeCount] = {
    {1, "Azul", "Blue", false, {0, 0, 255}, {0, 0, 255}},
    {2, "Fucsia", "Fucshia", false, {255, 0, 255}, {255, 0, 255}},
    {3, "gris", "Black", false, {0, 0, 0}, {0, 0, 0}},
    {4, "Verde", "Green", false, {0, 255, 0}, {0, 128, 0}},
    {5, "Rojo", "Red", false, {255, 0, 0}, {255, 0, 0}},
    {6, "Amarillo", "Yellow", false, {255, 255, 0}, {255, 255, 0}},
    {7, "aguamarina", "Light blue", false, {0, 255, 255}, {0, 255, 255}},
    {8, "rojoamarillo", "Red-Yellow", false, {255, 0, 0}, {255, 0, 0}},
    {9, "fucsiarojo", "Fucshia-Red", false, {255, 0, 255}, {255, 0, 255}},
    {10, "fucsiaamarillo", "Fucshia-Yellow", false, {255, 1, 255}, {255, 0, 255}},
    {11, "nazul", "Blue", true, {0, 0, 255}, {0, 0, 255}},
    {12, "nfucsia", "Fucshia", true, {255, 0, 255}, {255, 0, 255}},
    {13, "ngris", "Black", true, {255, 255, 255}, {0, 0, 0}},
    {14, "nverde", "Green", true, {0, 255, 0}, {0, 128, 0}},
    {15, "nrojo", "Red", true, {255, 0, 0}, {255, 0, 0}},
    {16, "namarillo", "Yellow", true, {255, 255, 0}, {255, 255, 0}},
    {17, "naguamarina", "Light blue", true, {0, 255, 255}, {0, 255, 255}},
};
} // namespace

const DotSchemeInfo& dotScheme(int scheme) {
    if (scheme < 1 || scheme > kDotSchemeCount) scheme = 15;
    return kSchemes[scheme - 1];
}

Rgb DotColour(int scheme, int level) {
    const long c = detail::roundHalfEven(255.0 * level / 10.0);
    const long p = 2 * c, q = 2 * (c - 128);
    const long w = std::labs(255 - q);
    switch (dotScheme(scheme).scheme) {
    case 1:
        return rgb(w, w, 255);
    case 2:
        return rgb(255, w, 255);
    case 3:
        return rgb(w, w, w);
    case 4:
        return rgb(w, 255, w);
    case 5:
        return rgb(255, w, w);
    case 6:
        return rgb(255, 255, w);
    case 7:
        return rgb(w, 255, 255);
    case 8:
        return rgb(255, 255 - q, 0);
    case 9:
        return rgb(255, 0, p);
    case 10:
        return rgb(255, 255 - q, p);
    case 11:
        return rgb(0, 0, p);
    case 12:
        return rgb(p, 0, p);
    case 13:
        return rgb(p, p, p);
    case 14:
        return rgb(0, p, 0);
    case 16:
        return rgb(p, p, 0);
    case 17:
        return rgb(0, p, p);
    default:
        return rgb(p, 0, 0); // 15
    }
}

void DrawDots(const Project& p, Surface& s, Plane plane, DotRandom& rnd) {
    if (p.DisplayMode == ResultStyle::Dots) s.clear();
    const auto r = detail::planeResult(p, plane);
    const auto& d = p.Display;
    const ResultTransform t = resultTransform(p);
    const double k = t.k, c = p.CellSize, jitter = d.DotJitter;
    const double lastY = kShape2Top - p.CellSize;
    const double from = d.DotFromPercent / 10.0;
    const bool two = d.DotCount == 2;
    Rgb colours[11];
    for (int l = 0; l <= 10; ++l)
        colours[l] = DotColour(d.DotScheme, l);

    for (int i = 0; i <= r.lastI; ++i) {
        const double* col = r.grid->column(i);
        for (int j = 0; j <= r.lastJ; ++j) {
            // Every node draws its random numbers, painted or not, so the
            // sequence does not depend on the data.
            const double x1 = k * ((i + (0.5 - rnd.next()) * jitter) * c) + t.offX;
            const double y1 = k * ((j + (0.5 - rnd.next()) * jitter) * c) + t.offY;
            double x2 = 0, y2 = 0;
            if (two) {
                x2 = k * ((i + (0.5 - rnd.next()) * jitter + 0.5) * c) + t.offX;
                y2 = k * ((j + (0.5 - rnd.next()) * jitter + 0.5) * c) + t.offY;
            }
            if (y1 > lastY) continue;
            const auto level = LevelOf(col[j], r.maximum);
            if (!level) continue;
            const Rgb colour =
                *level >= 0 && *level <= 10 ? colours[*level] : DotColour(d.DotScheme, *level);
            s.setFillColour(colour);
            s.setFillStyle(FillStyle::Solid);
            if (*level >= from) {
                s.circle(x1, y1, d.DotRadius, colour);
                if (two) s.circle(x2, y2, d.DotRadius, colour);
            }
        }
    }

    const std::string maximum = detail::ResultText(p, r.maximum, 4);
    const auto [dx, dy] = detail::ScaleOffset(p, s, plane, 300 + s.textExtent(maximum).width, 200);
    const double y =
        (plane == Plane::XY ? kShape2Top - 200 - kHScrollHeight : kIconShapeHeight + 200) + dy;
    const Rgb box = dotScheme(d.DotScheme).scaleBox;
    s.setFillColour(box);
    s.setFillStyle(FillStyle::Solid);
    s.box(dx, y, dx + 200, y + 200, box);
    s.setTextPosition(dx + 300, y);
    s.setTextColour(!p.WhiteBackground ? kWhite : kBlack);
    s.print(maximum);
    s.setFillStyle(FillStyle::Transparent);
    DrawScene(p, s, plane);
}

} // namespace brenvik::render
