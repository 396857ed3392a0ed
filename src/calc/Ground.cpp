#include "calc/Ground.h"

#include "model/Messages.h"

#include <algorithm>
#include <cmath>

namespace brenvik {

long long FillGroundRect(Project& p, long long col0, long long row0, long long col1,
                         long long row1) {
    Grid2D<double>& g = p.GroundGrid;
    const long long c0 = std::max<long long>(std::min(col0, col1), 0);
    const long long c1 = std::min<long long>(std::max(col0, col1), g.nx());
    const long long r0 = std::max<long long>(std::min(row0, row1), 0);
    const long long r1 = std::min<long long>(std::max(row0, row1), g.ny());
    long long written = 0;
    // Ground drawn by hand replaces the elevation model: places and antenna
    // feet go back to the grid's ground rather than stand on a model the
    // plan no longer shows.
    if (c0 <= c1 && r0 <= r1) p.Dem.reset();
    for (long long i = c0; i <= c1; ++i)
        for (long long j = r0; j <= r1; ++j) {
            g(static_cast<int>(i), static_cast<int>(j)) = p.ContourHeight;
            ++written;
        }
    return written;
}

namespace {

// Int() of a quotient that should land on a whole number when the point lies
// on a grid line: a result a hair below it (rounding in the metres
// conversion) still belongs to that line's cell.
long long CellIndex(double q) {
    const double f = std::floor(q);
    if (f + 1.0 - q <= 1e-9 * std::max(1.0, std::fabs(q))) return static_cast<long long>(f) + 1;
    return static_cast<long long>(f);
}

std::optional<GroundCell> Cell(const Project& p, long long c, long long r) {
    if (!p.GroundGrid.inBounds(c, r)) return std::nullopt;
    return GroundCell{static_cast<int>(c), static_cast<int>(r)};
}

bool Representable(double q) {
    return std::isfinite(q) && std::fabs(q) < 1e15;
}

} // namespace

std::optional<GroundCell> GroundCellAtUnits(const Project& p, double x, double y) {
    if (p.CellSize <= 0) return std::nullopt;
    const double qx = x / p.CellSize, qy = y / p.CellSize;
    if (!Representable(qx) || !Representable(qy)) return std::nullopt;
    return Cell(p, static_cast<long long>(std::floor(qx)), static_cast<long long>(std::floor(qy)));
}

std::optional<GroundCell> GroundCellAtMetres(const Project& p, double xm, double ym) {
    const double step = p.CellSize * p.MetersPerUnit;
    if (!(step > 0.0)) return std::nullopt;
    const double qx = xm / step, qy = ym / step;
    if (!Representable(qx) || !Representable(qy)) return std::nullopt;
    return Cell(p, CellIndex(qx), CellIndex(qy));
}

std::optional<double> GroundAtUnits(const Project& p, double x, double y) {
    auto c = GroundCellAtUnits(p, x, y);
    if (!c) return std::nullopt;
    return p.GroundGrid(c->col, c->row);
}

std::optional<double> GroundAtMetres(const Project& p, double xm, double ym) {
    auto c = GroundCellAtMetres(p, xm, ym);
    if (!c) return std::nullopt;
    return p.GroundGrid(c->col, c->row);
}

} // namespace brenvik
