#include "model/DisplaySettings.h"
#include "render/Palette.h"
#include "render/Results.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace brenvik::render {

using detail::planeResult;

std::optional<int> LevelOf(double value, double maximum) {
    // An all-zero result has a zero maximum: no level is defined and nothing
    // is painted, rather than dividing by zero.
    if (!(maximum > 0.0) || !std::isfinite(maximum) || !std::isfinite(value)) return std::nullopt;
    const double l = std::floor(10.0 * value / maximum);
    if (!std::isfinite(l)) return std::nullopt;
    return static_cast<int>(std::clamp(l, -1.0e6, 1.0e6));
}

Rgb GradientColour(int level, bool whiteBackground) {
    const long c = detail::roundHalfEven(255.0 * level / 10.0);
    const long p = 2 * c, q = 2 * (c - 128);
    if (!whiteBackground) return rgb(p, 0, 0);
    if (level <= 5) return rgb(255, 255, std::labs(p - 255));
    return rgb(255, 255 - q, 0);
}

Rgb LevelColour(const DisplaySettings& d, int level, bool whiteBackground) {
    if (d.Colours == ColourScheme::Classic) return GradientColour(level, whiteBackground);
    if (level <= 0) return whiteBackground ? QbColor(15) : QbColor(0);
    return DensityStep(std::min(level, 10));
}

int GradientThreshold(const Project& p) {
    return p.BackgroundLoaded ? 5 : 0;
}

namespace {

// How much of the plan's result the rectangle (x1, y1)-(x2, y2) of the screen
// would hide: the area of each painted cell under it (cells of a tenth of the
// maximum or more; with a background picture only the ones painted over it)
// times the cell's level.
// Whole cells count, not their nodes: zoomed in, one cell outgrows the scale.
double ResultUnder(const Project& p, Plane plane, double x1, double y1, double x2, double y2) {
    const auto r = planeResult(p, plane);
    const auto& g = *r.grid;
    const bool calculated = (plane == Plane::XY ? p.XY.Calculated : p.XZ.Calculated) == 1;
    if (!(r.maximum > 0) || !calculated) return 0;
    const ResultTransform t = resultTransform(p);
    const double side = t.side();
    if (!(side > 0)) return 0;
    // Only the cells that may reach the rectangle.
    const int i1 = std::max(0, static_cast<int>(std::floor((x1 - t.offX) / side)) - 1);
    const int i2 = std::min(r.lastI, static_cast<int>(std::ceil((x2 - t.offX) / side)) + 1);
    const int j1 = std::max(0, static_cast<int>(std::floor((y1 - t.offY) / side)) - 1);
    const int j2 = std::min(r.lastJ, static_cast<int>(std::ceil((y2 - t.offY) / side)) + 1);
    const int threshold = std::max(1, GradientThreshold(p));
    double covered = 0;
    for (int i = i1; i <= i2; ++i) {
        const double w = std::min(t.x(i) + side, x2) - std::max(t.x(i), x1);
        if (w <= 0) continue;
        for (int j = j1; j <= j2; ++j) {
            const double h = std::min(t.y(j) + side, y2) - std::max(t.y(j), y1);
            // Cells reaching into the strip below the map area are not painted.
            if (h <= 0 || t.y(j) > kShape2Top - p.CellSize || !g.inBounds(i, j)) continue;
            const auto level = LevelOf(g(i, j), r.maximum);
            // A strong cell hidden weighs more than a faint one.
            if (level && *level >= threshold) covered += w * h * std::min(*level, 10);
        }
    }
    return covered;
}

} // namespace

namespace detail {

std::pair<double, double> ScaleOffset(const Project& p, Surface& s, Plane plane, double width,
                                      double height) {
    if (!s.legibility().scaleWhereFree) return {0, 0};
    const double right = s.scaleWidth() - width - 100;
    if (plane == Plane::XZ) {
        // The section's scale hangs from the top left, or from the top right
        // when the result there is weaker.
        const double top = kIconShapeHeight + 200;
        const bool moves = ResultUnder(p, plane, right, top, right + width, top + height) <
                           ResultUnder(p, plane, 0, top, width, top + height);
        return {moves ? right : 0, 0};
    }
    // The plan's scale sits on the bottom line of the map area; the other
    // corners are tried clockwise, the top-left one below the legal notes.
    const double bottom = kShape2Top - kHScrollHeight, top = bottom - height;
    const double up = kIconShapeHeight - top;
    const double points = s.fontSize();
    s.setFontSize(s.legibility().readableNotes ? 8 : 5);
    const double notes = kShape2Height + 300 + LegalNotes().size() * s.textExtent("0").height + 100;
    s.setFontSize(points);
    const std::pair<double, double> corners[] = {
        {0, 0}, {right, 0}, {right, up}, {0, std::max(up, notes - top)}};
    double least = -1;
    std::pair<double, double> best{0, 0};
    for (auto [cx, cy] : corners) {
        const double c = ResultUnder(p, plane, cx, top + cy, cx + width, bottom + cy);
        if (least < 0 || c < least) least = c, best = {cx, cy};
    }
    return best;
}

} // namespace detail

void DrawColourScale(const Project& p, Surface& s, Plane plane) {
    const bool white = p.WhiteBackground;
    const double m = plane == Plane::XY ? p.XY.MaxDensity : p.XZ.MaxDensity;
    struct Step {
        Rgb onWhite, onBlack;
        double value;
    };
    const Step steps[4] = {{{255, 0, 0}, {255, 0, 0}, m},
                           {{255, 128, 0}, {192, 0, 0}, 2 * m / 3},
                           {{255, 255, 0}, {127, 0, 0}, m / 2},
                           {{255, 255, 128}, {63, 0, 0}, m / 4}};
    if (plane == Plane::XY) s.setFontSize(10);
    double width = 0;
    for (const Step& st : steps)
        width = std::max(
            width, s.textExtent(detail::ResultText(p, st.value, plane == Plane::XY ? 6 : 4)).width);
    const auto [dx, dy] = detail::ScaleOffset(p, s, plane, width + 300, 800);
    for (int n = 1; n <= 4; ++n) {
        const Step& st = steps[n - 1];
        const double y = plane == Plane::XY ? kShape2Top - 200.0 * n - kHScrollHeight + dy
                                            : kIconShapeHeight + 200.0 * n + dy;
        // The boxes take the colour a cell of their value has.
        const Rgb classic = white ? st.onWhite : st.onBlack;
        s.setFillColour(p.Display.Colours == ColourScheme::Classic
                            ? classic
                            : LevelColour(p.Display, LevelOf(st.value, m).value_or(0), white));
        s.setFillStyle(FillStyle::Solid);
        s.box(dx, y, dx + 200, y + 200, QbColor(0));
        s.setTextPosition(dx + 300, y);
        s.setTextColour(white ? QbColor(0) : QbColor(15));
        s.print(detail::ResultText(p, st.value, plane == Plane::XY ? 6 : 4));
    }
}

namespace {

// Weak cells of the classic levels get a white outline on a white
// background, so they show a thin grid. The colour-blind-safe ramp keeps
// its lower half in colour: a white grid over fine cells would hide it.
bool WhiteGrid(const Project& p) {
    return p.WhiteBackground && p.Display.Colours == ColourScheme::Classic;
}

std::uint32_t Argb(Rgb c) {
    return 0xff000000u | static_cast<std::uint32_t>(c.r) << 16 |
           static_cast<std::uint32_t>(c.g) << 8 | static_cast<std::uint32_t>(c.b);
}

// The cells of a result finer than the target's pixels: each painted node
// sets the pixel its cell's corner falls in, and the last node drawn there
// gives the pixel its colour (white for the weak cells on a white background,
// whose outline would cover the whole pixel). So each pixel looks for that
// node from the end of its run of columns and rows and stops at the first
// one painted: one node per pixel instead of every node.
void PaintNodes(const PixelTarget& px, const detail::ResultView& r, const ResultTransform& t,
                double lastY, const Surface::Bounds& vb, int threshold, const Project& p,
                const Surface& s) {
    const bool white = p.WhiteBackground;
    const double side = t.side();
    // Runs of node rows and columns that land on one pixel row or column.
    struct Run {
        int first, last;
        std::ptrdiff_t pixel;
    };
    const auto runs = [](int count, const auto& pixelOf) {
        std::vector<Run> out;
        for (int k = 0; k <= count; ++k) {
            const std::ptrdiff_t p = pixelOf(k);
            if (p < 0) continue;
            if (!out.empty() && out.back().pixel == p && out.back().last == k - 1)
                out.back().last = k;
            else
                out.push_back(Run{k, k, p});
        }
        return out;
    };
    const std::vector<Run> rows = runs(r.lastJ, [&](int j) -> std::ptrdiff_t {
        const double y = t.y(j);
        if (y > lastY) return -1;
        const double py = std::floor(px.originY + y * px.scale);
        return py >= px.y1 && py < px.y2 ? static_cast<std::ptrdiff_t>(py) * px.stride : -1;
    });
    const std::vector<Run> columns = runs(r.lastI, [&](int i) -> std::ptrdiff_t {
        const double x = t.x(i);
        if (std::max(x, x + side) < vb.x1 || std::min(x, x + side) > vb.x2) return -1;
        const double pxX = std::floor(px.originX + x * px.scale);
        return pxX >= px.x1 && pxX < px.x2 ? static_cast<std::ptrdiff_t>(pxX) : -1;
    });
    std::uint32_t colours[11];
    for (int l = 0; l <= 10; ++l)
        colours[l] = Argb(l <= 5 && WhiteGrid(p) ? QbColor(15) : LevelColour(p.Display, l, white));
    for (const Run& c : columns) {
        s.checkCancel();
        for (const Run& row : rows) {
            // The last painted node of the pixel, in drawing order.
            for (int i = c.last, found = 0; i >= c.first && !found; --i) {
                const double* col = r.grid->column(i);
                for (int j = row.last; j >= row.first; --j) {
                    const auto level = LevelOf(col[j], r.maximum);
                    if (!level || *level < threshold) continue;
                    px.bits[row.pixel + c.pixel] =
                        *level <= 10 ? colours[*level]
                                     : Argb(LevelColour(p.Display, *level, white));
                    found = 1;
                    break;
                }
            }
        }
    }
}

} // namespace

void DrawGradient(const Project& p, Surface& s, Plane plane) {
    s.clear();
    const auto r = planeResult(p, plane);
    const ResultTransform t = resultTransform(p);
    const double side = t.side();
    const bool white = p.WhiteBackground;
    const int threshold = GradientThreshold(p);
    // A cell reaching into the strip below the map area is never painted;
    // the test uses the unscaled cell size.
    const double lastY = kShape2Top - p.CellSize;
    const Surface::Bounds vb = s.visibleBounds();

    Rgb colours[11];
    for (int l = 0; l <= 10; ++l)
        colours[l] = LevelColour(p.Display, l, white);
    const bool whiteGrid = WhiteGrid(p);

    // Cells smaller than a pixel go straight into the pixels; cells of a
    // pixel or more are drawn as boxes.
    const auto px = s.pixels();
    const bool finerThanPixels = px && std::fabs(side) * px->scale < 1.0;
    if (finerThanPixels) PaintNodes(*px, r, t, lastY, vb, threshold, p, s);
    for (int i = 0; i <= r.lastI && !finerThanPixels; ++i) {
        const double x = t.x(i);
        if (std::max(x, x + side) < vb.x1 || std::min(x, x + side) > vb.x2) continue;
        const double* col = r.grid->column(i);
        for (int j = 0; j <= r.lastJ; ++j) {
            const double y = t.y(j);
            if (y > lastY) continue;
            const auto level = LevelOf(col[j], r.maximum);
            if (!level || *level < threshold) continue;
            const Rgb colour = *level >= 0 && *level <= 10 ? colours[*level]
                                                           : LevelColour(p.Display, *level, white);
            s.setFillColour(colour);
            s.setFillStyle(FillStyle::Solid);
            s.box(x, y, x + side, y + side, colour);
            if (*level <= 5 && whiteGrid) s.box(x, y, x + side, y + side, QbColor(15));
        }
    }
    DrawColourScale(p, s, plane);
    s.setFillStyle(FillStyle::Transparent);
    DrawScene(p, s, plane);
}

} // namespace brenvik::render
