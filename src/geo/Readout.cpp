#include "geo/Readout.h"

#include "geo/Geo.h"
#include "model/Numbers.h"

#include <cmath>

namespace brenvik::geo {

PointerCell PointerCellAt(const Project& p, double x, double y) {
    PointerCell r;
    const double cs = p.CellSize;
    r.xp = (x - p.ScrollOffsetX) / p.Zoom;
    r.yp = (y - p.ScrollOffsetY) / p.Zoom;
    r.xs = std::floor((x - p.ScrollOffsetX) / cs) * cs / p.Zoom;
    r.ys = std::floor((y - p.ScrollOffsetY) / cs) * cs / p.Zoom;
    r.ix = int(std::floor(r.xp / cs));
    r.iy = int(std::floor(r.yp / cs));
    return r;
}

std::string DensityReadout(double value, const std::string& valueDecimals, bool firstRowOrColumn) {
    if (firstRowOrColumn) return "C=" + formatFixed(value, 6) + " microWatts/cm^2";
    int decimals = 4;
    if (valueDecimals == "0")
        decimals = 0;
    else if (valueDecimals == "2")
        decimals = 2;
    else if (valueDecimals == "6")
        decimals = 9;
    return "C=" + formatFixed(value, decimals) + " uW/cm^2";
}

std::string ContributionReadout(const Project& p, int ix, int iy) {
    const ContributionGrids* c = ShowsContributions(p.DisplayMode) ? HeldContributions(p) : nullptr;
    if (!c || !c->Dominant.inBounds(ix, iy)) return "";
    if (p.DisplayMode == ResultStyle::DominantAntenna) {
        const double n = c->Dominant(ix, iy);
        if (!(n >= 1) || n >= double(c->AntennaNames.size())) return ", nothing radiates";
        // As the legend names it: its number, tower, antenna and operator.
        return ", dominant " + std::to_string(int(n)) + ": " + c->AntennaNames[std::size_t(n)];
    }
    if (p.ShareOperator < 0 || std::size_t(p.ShareOperator) >= c->Operators.size()) return "";
    double total = 0;
    for (const Grid2D<double>& g : c->OperatorDensity)
        total += g(ix, iy);
    if (!(total > 0)) return ", nothing radiates";
    const std::string& name = c->Operators[std::size_t(p.ShareOperator)];
    const double share = 100.0 * c->OperatorDensity[std::size_t(p.ShareOperator)](ix, iy) / total;
    return ", " + (name.empty() ? std::string("no operator") : name) + " " + formatFixed(share, 1) +
           " %";
}

ReadoutTexts ReadoutAt(const Project& p, double x, double y, bool sectionPlane) {
    ReadoutTexts r;
    r.h1 = p.CalcOption == CalcLevel::AtSurface ? "h=ground level"
                                                : "h=" + FormatShortest(p.CalcHeight) + " m";
    const PointerCell pos = PointerCellAt(p, x, y);
    if (pos.ix < 0 || pos.iy < 0 || pos.ix > p.GridNX || pos.iy > p.GridNY) return r;
    r.onGrid = true;
    if (!sectionPlane) {
        const double xm = pos.xp * p.MetersPerUnit + p.OriginX;
        const double ym = (VisibleHeight - pos.yp) * p.MetersPerUnit + p.OriginY;
        r.x = "X=" + formatFixed(xm, 2) + " m";
        r.y = "Y=" + formatFixed(ym, 2) + " m";
        // Pointer events deliver single precision; the degrees follow them.
        const Geographic g = ToGeographic(p, PlanMeters(p, float(x), float(y)));
        r.lon = "X(long)=" + formatFixed(g.lon, 8) + "\u00b0";
        r.lat = "Y(lat)=" + formatFixed(g.lat, 8) + "\u00b0";
        const double z =
            p.CalcOption == CalcLevel::AtSurface && p.GroundGrid.inBounds(pos.ix, pos.iy)
                ? p.GroundGrid(pos.ix, pos.iy)
                : p.CalcHeight;
        r.z = "Z=" + formatFixed(z, 2) + " m";
    } else {
        r.x = "X=" + formatFixed(pos.xp * p.MetersPerUnit, 2) + " m";
        r.y = "Y=" + formatFixed(p.XZDistance, 2) + " m";
        r.z = "Z=" + formatFixed((VisibleHeight - y) * p.MetersPerUnit, 2) + " m";
    }
    const Grid2D<double>& grid = sectionPlane ? p.XZ.Density : p.XY.Density;
    const double v = grid.inBounds(pos.ix, pos.iy) ? grid(pos.ix, pos.iy) : 0.0;
    r.c = DensityReadout(v, p.ValueDecimals, pos.ix == 0 || pos.iy == 0);
    if (!sectionPlane) r.c += ContributionReadout(p, pos.ix, pos.iy);
    return r;
}

} // namespace brenvik::geo
