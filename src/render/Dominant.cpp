#include "render/Dominant.h"

#include "render/Colour.h"
#include "render/Palette.h"
#include "render/Results.h"
#include "render/View.h"

#include <algorithm>
#include <cmath>

namespace brenvik::render {

namespace {

// An operator as the legend names it.
std::string OperatorCaption(const std::string& name) {
    return name.empty() ? std::string("(none)") : name;
}

// The chosen operator's place, when the contributions hold it.
std::optional<std::size_t> SharedOperator(const Project& p, const ContributionGrids& c) {
    if (p.ShareOperator < 0 || static_cast<std::size_t>(p.ShareOperator) >= c.Operators.size())
        return std::nullopt;
    return static_cast<std::size_t>(p.ShareOperator);
}

// The part of the total density at node (i, j) that operator `op` gives;
// none where nothing radiates.
std::optional<double> ShareAt(const ContributionGrids& c, std::size_t op, int i, int j) {
    double total = 0.0;
    for (const Grid2D<double>& g : c.OperatorDensity)
        total += g(i, j);
    if (!(total > 0.0) || !std::isfinite(total)) return std::nullopt;
    return std::clamp(c.OperatorDensity[op](i, j) / total, 0.0, 1.0);
}

} // namespace

ResultStyle StyleShown(const Project& p, Plane plane) {
    if (!ShowsContributions(p.DisplayMode)) return p.DisplayMode;
    const ContributionGrids* c = plane == Plane::XY ? HeldContributions(p) : nullptr;
    if (!c || (p.DisplayMode == ResultStyle::OperatorShare && !SharedOperator(p, *c)))
        return ResultStyle::Isolines;
    return p.DisplayMode;
}

std::vector<Rgb> DominantColours(int count) {
    // The golden ratio's steps never repeat and leave consecutive numbers
    // far apart; the ramp's colours are then dealt out by their rank.
    std::vector<double> spread;
    for (int k = 0; k < count; ++k)
        spread.push_back(std::fmod(k * 0.6180339887498949, 1.0));
    std::vector<Rgb> out{kWhite};
    const std::vector<Rgb> ramp = LevelColours(spread);
    out.insert(out.end(), ramp.begin(), ramp.end());
    return out;
}

namespace {

// What a node's colour depends on, looked up once per picture.
struct CellPainter {
    const ContributionGrids& c;
    ResultStyle style;
    std::size_t op;
    std::vector<Rgb> colours; // by antenna number

    CellPainter(const Project& p, const ContributionGrids& grids)
        : c(grids), style(StyleShown(p, Plane::XY)), op(SharedOperator(p, grids).value_or(0)),
          colours(DominantColours(static_cast<int>(grids.AntennaNames.size()) - 1)) {}

    std::optional<Rgb> operator()(int i, int j) const {
        if (!c.Dominant.inBounds(i, j)) return std::nullopt;
        if (style == ResultStyle::OperatorShare) {
            const auto share = ShareAt(c, op, i, j);
            return share ? std::optional(DensityRamp(*share)) : std::nullopt;
        }
        const double n = c.Dominant(i, j);
        if (!(n >= 1 && n < static_cast<double>(colours.size()))) return std::nullopt;
        return colours[static_cast<std::size_t>(n)];
    }
};

} // namespace

std::optional<Rgb> ContributionColour(const Project& p, int i, int j) {
    if (!ShowsContributions(StyleShown(p, Plane::XY))) return std::nullopt;
    return CellPainter(p, *HeldContributions(p))(i, j);
}

std::vector<LegendEntry> ContributionLegend(const Project& p) {
    const ResultStyle style = StyleShown(p, Plane::XY);
    if (!ShowsContributions(style)) return {};
    const ContributionGrids& c = *HeldContributions(p);
    std::vector<LegendEntry> out;
    if (style == ResultStyle::OperatorShare) {
        for (int k = 10; k >= 0; --k)
            out.push_back({std::to_string(10 * k) + " %", DensityRamp(k / 10.0)});
        return out;
    }
    const std::vector<Rgb> colours = DominantColours(static_cast<int>(c.AntennaNames.size()) - 1);
    for (std::size_t n = 1; n < c.AntennaNames.size(); ++n)
        out.push_back({std::to_string(n) + ": " + c.AntennaNames[n], colours[n]});
    return out;
}

std::string ContributionHeading(const Project& p) {
    const ResultStyle style = StyleShown(p, Plane::XY);
    if (style == ResultStyle::DominantAntenna) return "Dominant antenna";
    if (style != ResultStyle::OperatorShare) return {};
    const ContributionGrids& c = *HeldContributions(p);
    return "Share of operator " + OperatorCaption(c.Operators[*SharedOperator(p, c)]) + " (%)";
}

namespace {

// The legend in the plan's bottom-left corner (or the corner where it hides
// the least), its heading over it.
void DrawContributionLegend(const Project& p, Surface& s) {
    const std::vector<LegendEntry> entries = ContributionLegend(p);
    const std::string heading = ContributionHeading(p);
    s.setFontSize(10);
    double width = s.textExtent(heading).width;
    for (const LegendEntry& e : entries)
        width = std::max(width, s.textExtent(e.text).width + 300);
    const double rows = static_cast<double>(entries.size());
    const auto [dx, dy] = detail::ScaleOffset(p, s, Plane::XY, width, 200 * (rows + 1));
    const double bottom = kShape2Top - kHScrollHeight + dy;
    const Rgb ink = p.WhiteBackground ? QbColor(0) : QbColor(15);
    s.setFillStyle(FillStyle::Transparent);
    s.setTextColour(ink);
    s.setTextPosition(dx, bottom - 200 * (rows + 1));
    s.print(heading);
    for (std::size_t m = 0; m < entries.size(); ++m) {
        const double y = bottom - 200 * (rows - static_cast<double>(m));
        s.setFillColour(entries[m].colour);
        s.setFillStyle(FillStyle::Solid);
        s.box(dx, y, dx + 200, y + 200, QbColor(0));
        s.setFillStyle(FillStyle::Transparent);
        s.setTextPosition(dx + 300, y);
        s.setTextColour(ink);
        s.print(entries[m].text);
    }
}

} // namespace

void DrawContributions(const Project& p, Surface& s) {
    const ContributionGrids* c = HeldContributions(p);
    if (!c || !ShowsContributions(StyleShown(p, Plane::XY))) return;
    s.clear();
    const ResultTransform t = resultTransform(p);
    const double side = t.side();
    // A cell reaching into the strip below the map area is never painted.
    const double lastY = kShape2Top - p.CellSize;
    const Surface::Bounds vb = s.visibleBounds();
    const int lastI = std::min<int>(p.GridNX, c->Dominant.nx());
    const int lastJ = std::min<int>(p.GridNY, c->Dominant.ny());
    const CellPainter colourOf(p, *c);
    for (int i = 0; i <= lastI; ++i) {
        const double x = t.x(i);
        if (std::max(x, x + side) < vb.x1 || std::min(x, x + side) > vb.x2) continue;
        s.checkCancel();
        for (int j = 0; j <= lastJ; ++j) {
            const double y = t.y(j);
            if (y > lastY) continue;
            const std::optional<Rgb> colour = colourOf(i, j);
            if (!colour) continue;
            s.setFillColour(*colour);
            s.setFillStyle(FillStyle::Solid);
            s.box(x, y, x + side, y + side, *colour);
        }
    }
    DrawContributionLegend(p, s);
    s.setFillStyle(FillStyle::Transparent);
    DrawScene(p, s, Plane::XY);
}

} // namespace brenvik::render
