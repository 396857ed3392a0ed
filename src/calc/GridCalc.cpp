#include "calc/GridCalc.h"

#include "calc/Kernel.h"
#include "calc/PowerDensity.h"
#include "model/Int16.h"
#include "model/Messages.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace brenvik {

// ---- The calculations
// ------------------------------------------------------------------------------

namespace {

struct CalcFailure {};
struct CalcCancelled {};

// The view the result is computed for.
struct View {
    int nx = 0, ny = 0, cell = 0;
    double mpu = 0.0, zoom = 1.0, scrollX = 0.0, scrollY = 0.0;

    // Plan metres of grid line k (column or row).
    double CoordX(long long k) const { return coord(k, scrollX); }
    double CoordY(long long k) const { return coord(k, scrollY); }
    // The ground cell under grid line k. The same quotient as metres / (CellSize *
    // MetersPerUnit), worked out in drawing units so that a node on a cell line
    // reads that cell and not its neighbour through the rounding of the metres.
    long long GroundX(long long k) const { return ground(k, scrollX); }
    long long GroundY(long long k) const { return ground(k, scrollY); }

  private:
    double coord(long long k, double scroll) const {
        return static_cast<double>(k * cell) * mpu / zoom - scroll * mpu / zoom;
    }
    long long ground(long long k, double scroll) const {
        const double q = (static_cast<double>(k * cell) - scroll) / (zoom * cell);
        if (!std::isfinite(q) || std::fabs(q) > 1e9) throw CalcFailure{};
        return static_cast<long long>(std::floor(q));
    }
};

View MakeView(const Project& p) {
    View v;
    v.nx = p.GridNX;
    v.ny = p.GridNY;
    v.cell = p.CellSize;
    v.mpu = p.MetersPerUnit;
    v.zoom = p.Zoom;
    v.scrollX = p.ScrollOffsetX;
    v.scrollY = p.ScrollOffsetY;
    if (v.nx < 1 || v.ny < 1 || v.cell < 1 || !(v.mpu > 0.0) || !std::isfinite(v.mpu) ||
        !(v.zoom > 0.0) || !std::isfinite(v.zoom) || !std::isfinite(v.scrollX) ||
        !std::isfinite(v.scrollY))
        throw CalcFailure{};
    if (p.GroundGrid.nx() != v.nx || p.GroundGrid.ny() != v.ny) throw CalcFailure{};
    if (p.AntennaCount < 0 || p.AntennaCount > p.AntennaSlotBound()) throw CalcFailure{};
    return v;
}

double Ground(const Project& p, long long col, long long row) {
    if (!p.GroundGrid.inBounds(col, row)) throw CalcFailure{};
    return p.GroundGrid(static_cast<int>(col), static_cast<int>(row));
}

// One antenna as the node loops need it.
struct Source {
    kernel::Antenna k{};
    double xs = 0.0, ys = 0.0;
    double h = 0.0; // AntHeight + ground at the antenna's foot
};

std::vector<Source> MakeSources(const Project& p) {
    std::vector<Source> out;
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
        const AntennaModel m = AntennaModel::From(a, p);
        Source src;
        src.k = kernel::Antenna{static_cast<int>(m.kind),
                                m.sinTheta,
                                m.cosTheta,
                                m.tilt,
                                m.cosTilt,
                                m.absSinTilt,
                                m.openAngle,
                                m.scale};
        src.xs = m.xs;
        src.ys = m.ys;
        const double qx = a.AntX / p.CellSize, qy = a.AntY / p.CellSize;
        if (!std::isfinite(qx) || !std::isfinite(qy) || std::fabs(qx) > 1e9 || std::fabs(qy) > 1e9)
            throw CalcFailure{};
        const double gS = Ground(p, static_cast<long long>(std::floor(qx)),
                                 static_cast<long long>(std::floor(qy)));
        src.h = a.AntHeight + gS;
        out.push_back(src);
    }
    return out;
}

using ColumnFn = void (*)(const kernel::Antenna&, const kernel::Column&, double*, int);

ColumnFn PickKernel(bool scalar) {
    if (scalar) return kernel::AddColumnScalar;
    static const kernel::Isa isa = kernel::BestIsa();
    switch (isa) {
    case kernel::Isa::Avx512:
        return kernel::AddColumnAvx512;
    case kernel::Isa::Avx2:
        return kernel::AddColumnAvx2;
    default:
        return kernel::AddColumnScalar;
    }
}

// True when source `s` adds nothing to a column at offset dx whose offsets
// along the plan's Y run from dy0 to dy1: a source of no known type, or a
// panel with the whole column behind it (u is monotonic in dy, so its ends
// decide, computed exactly as the column loops compute them).
bool Behind(const Source& s, double dx, double dy0, double dy1) {
    if (s.k.kind == static_cast<int>(AntennaKind::None)) return true;
    if (s.k.kind != static_cast<int>(AntennaKind::Panel)) return false;
    const double dxSin = dx * s.k.sinTheta;
    return dxSin + dy0 * s.k.cosTheta <= 0.0 && dxSin + dy1 * s.k.cosTheta <= 0.0;
}

// Adds every source, in order 1..N, to the `rows` nodes of every column c in
// [0, cols), which `target(c)` points at; `describe(source, c, column)` gives
// the column's offsets from the source, or false when the source adds
// nothing to it. The threads take blocks of columns
// and add every source to a column before the next: each node always gets
// the same sums in the same order, whatever the thread count, and no thread
// waits for another between sources.
template <class Describe, class Target>
void AddSources(const std::vector<Source>& sources, int cols, int rows, const CalcControl& ctl,
                CalcProgress progress, const Describe& describe, const Target& target) {
    const ColumnFn addColumn = PickKernel(ctl.scalarReference);
    const int n = static_cast<int>(sources.size());
    unsigned threads = ctl.threads ? ctl.threads : std::thread::hardware_concurrency();
    threads = std::max(1u, threads);
    // Blocks of some ten thousand evaluations: small enough to spread the
    // work and to notice a cancel quickly, large enough to cost nothing to
    // hand out.
    const long long perColumn = static_cast<long long>(std::max(rows, 1)) * std::max(n, 1);
    const int blockCols = static_cast<int>(std::max(1LL, 16384 / perColumn));
    const int blocks = (cols + blockCols - 1) / blockCols;
    threads = std::min<unsigned>(threads, static_cast<unsigned>(std::max(blocks, 1)));

    std::atomic<int> next{0};
    std::atomic<long long> doneCols{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};

    // The window counts as if the sources were added one after the other over
    // the whole grid: the same total, reached at the same pace.
    using Clock = std::chrono::steady_clock;
    auto lastReport = Clock::now();
    progress.antennaCount = n;
    const auto report = [&](bool force) {
        if (ctl.cancel && ctl.cancel->load()) stop = true;
        if (!ctl.progress || stop) return;
        const auto now = Clock::now();
        if (!force && now - lastReport < std::chrono::milliseconds(40)) return;
        lastReport = now;
        const long long done = doneCols.load() * n; // column-source pairs
        const long long s = cols > 0 ? done / cols : 0;
        progress.antenna = static_cast<int>(std::min<long long>(s + 1, n));
        progress.node = s >= n ? static_cast<long long>(cols) * rows : (done % cols) * rows;
        try {
            if (!ctl.progress(progress)) stop = true;
        } catch (...) {
            failed = true;
            stop = true;
        }
    };

    const auto work = [&](bool caller) {
        while (!stop) {
            const int b = next.fetch_add(1);
            if (b >= blocks) break;
            try {
                const int c1 = std::min(cols, (b + 1) * blockCols);
                for (int c = b * blockCols; c < c1; ++c) {
                    double* column = target(c);
                    for (const Source& src : sources) {
                        kernel::Column in{};
                        if (describe(src, c, in)) addColumn(src.k, in, column, rows);
                    }
                }
                doneCols += c1 - b * blockCols;
            } catch (...) {
                failed = true;
                stop = true;
            }
            if (caller) report(false);
        }
    };

    report(true); // the window shows the start before any work
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(work, false);
    } catch (...) {
        // No more threads to be had: the ones running share the work.
    }
    work(true);
    for (auto& t : pool)
        t.join();
    if (failed) throw CalcFailure{};
    if (ctl.cancel && ctl.cancel->load()) stop = true;
    if (stop) throw CalcCancelled{};
}

// Legacy temporal passes: every pass yields the same grid, and the result is
// their average, summed pass by pass as the passes would add it.
void AverageLegacyPasses(Grid2D<double>& g, int passes) {
    if (passes <= 1) return;
    double* d = g.data();
    for (std::size_t k = 0; k < g.size(); ++k) {
        const double share = d[k] / passes;
        double sum = 0.0;
        for (int q = 0; q < passes; ++q)
            sum += share;
        d[k] = sum;
    }
}

struct Extremes {
    double max = 0.0, min = 0.0;
    int maxI = -1, maxJ = -1;
};

Extremes Scan(const Grid2D<double>& g) {
    Extremes e;
    for (int i = 0; i <= g.nx(); ++i) {
        const double* col = g.column(i);
        for (int j = 0; j <= g.ny(); ++j) {
            const double d = col[j];
            if (d > e.max) {
                e.max = d;
                e.maxI = i;
                e.maxJ = j;
            }
            if (d < e.min) e.min = d;
        }
    }
    return e;
}

// The levels a neighbour pair (a, b) crosses, strictly: lo < level < hi.
// The levels rise with k, so they form one run, found from the quotient and
// then settled by the exact comparisons.
template <class Out>
void CrossedLevels(const std::vector<double>& levels, int count, double step, double a, double b,
                   const Out& out) {
    if (!(a < b) && !(a > b)) return;
    const double lo = std::min(a, b), hi = std::max(a, b);
    int k = 1;
    if (step > 0.0) {
        const double q = std::floor(lo / step);
        k = q < 1.0 ? 1 : q > count ? count + 1 : static_cast<int>(q);
        while (k > 1 && levels[static_cast<std::size_t>(k) - 1] > lo)
            --k;
    }
    while (k <= count && !(levels[static_cast<std::size_t>(k)] > lo))
        ++k;
    for (; k <= count && levels[static_cast<std::size_t>(k)] < hi; ++k)
        out(k);
}

// Levels k * |max - min| / count and the cells where each level crosses
// between neighbours: along a column (i, j)-(i, j + 1), scanned i then j, and
// along a row (i, j)-(i + 1, j), scanned j then i. The slot counter of each
// table runs over all levels together, level by level, in scan order.
void Isolines(const Grid2D<double>& g, int count, double max, double min,
              std::vector<double>& levels, CrossingTable& along, CrossingTable& across) {
    if (count < 1) throw CalcFailure{};
    const double step = std::fabs(max - min) / count;
    levels.assign(static_cast<std::size_t>(count) + 1, 0.0);
    for (int k = 1; k <= count; ++k)
        levels[static_cast<std::size_t>(k)] = k * step;
    // One pass over the grid for all levels; each level's cells come out in
    // scan order and are numbered level after level.
    using Cells = std::vector<std::pair<std::int16_t, std::int16_t>>;
    std::vector<Cells> alongCells(static_cast<std::size_t>(count) + 1);
    std::vector<Cells> acrossCells(static_cast<std::size_t>(count) + 1);
    const auto idx = [](int v) { return static_cast<std::int16_t>(v); };
    for (int i = 0; i <= g.nx(); ++i) {
        const double* col = g.column(i);
        for (int j = 0; j < g.ny(); ++j)
            CrossedLevels(levels, count, step, col[j], col[j + 1], [&](int k) {
                alongCells[static_cast<std::size_t>(k)].emplace_back(idx(i), idx(j));
            });
    }
    // Along the rows the grid is read column by column too (it is stored so);
    // each level's cells are then put in row order, stably.
    for (int i = 0; i < g.nx(); ++i) {
        const double* col = g.column(i);
        const double* next = g.column(i + 1);
        for (int j = 0; j <= g.ny(); ++j)
            CrossedLevels(levels, count, step, col[j], next[j], [&](int k) {
                acrossCells[static_cast<std::size_t>(k)].emplace_back(idx(i), idx(j));
            });
    }
    std::vector<std::size_t> start(static_cast<std::size_t>(g.ny()) + 2);
    for (auto& cells : acrossCells) {
        std::fill(start.begin(), start.end(), 0);
        for (const auto& c : cells)
            ++start[static_cast<std::size_t>(c.second) + 1];
        for (std::size_t r = 1; r < start.size(); ++r)
            start[r] += start[r - 1];
        Cells sorted(cells.size());
        for (const auto& c : cells)
            sorted[start[static_cast<std::size_t>(c.second)]++] = c;
        cells.swap(sorted);
    }
    along.reset(count);
    across.reset(count);
    for (int k = 1; k <= count; ++k) {
        for (auto [x, y] : alongCells[static_cast<std::size_t>(k)])
            along.append(k, x, y);
        for (auto [x, y] : acrossCells[static_cast<std::size_t>(k)])
            across.append(k, x, y);
    }
}

// A floating-point fault ends the calculation: an infinite or undefined node
// value is never stored.
double Checked(double d) {
    if (!std::isfinite(d)) throw CalcFailure{};
    return d;
}

CalcProgress StartProgress(const Project& p, const View& v) {
    CalcProgress c;
    c.passCount = p.LegacySourceCount;
    c.antennaCount = p.AntennaCount;
    c.nodeTotal = static_cast<std::int64_t>(v.nx + 1) * (v.ny + 1);
    return c;
}

// Reports the remaining legacy passes (their values need no new evaluation).
void ReportPasses(const CalcControl& ctl, CalcProgress c, std::int64_t nodesPerSource) {
    if (!ctl.progress) return;
    c.antenna = c.antennaCount;
    c.node = nodesPerSource;
    for (int q = 1; q <= c.passCount; ++q) {
        c.pass = q;
        if (!ctl.progress(c)) throw CalcCancelled{};
    }
}

template <class Body> CalcOutcome Guard(const Body& body) {
    try {
        body();
        return CalcOutcome{};
    } catch (const CalcCancelled&) {
        return CalcOutcome{CalcStatus::Cancelled, ""};
    } catch (...) {
        // Out-of-grid lookups, int16 overflows, non-finite values and memory
        // exhaustion all end the same way, with the project untouched.
        return CalcOutcome{CalcStatus::Failed, msg::InputDataError};
    }
}

// What both calculations leave behind besides their own result: the node
// positions in metres and the view and antenna count they were computed with.
void CommitGeometry(Project& p, const View& v, std::vector<double>&& xm, std::vector<double>&& ym,
                    std::int16_t antennaCount) {
    p.GridXm = std::move(xm);
    p.GridYm = std::move(ym);
    p.XYCalcZoom = v.zoom;
    p.XYCalcOffsetX = -v.scrollX;
    p.XYCalcOffsetY = -v.scrollY;
    p.CalcAntennaCount = antennaCount;
}

} // namespace

CalcOutcome RunXYCalculation(Project& p, const CalcControl& ctl) {
    return Guard([&] {
        const View v = MakeView(p);
        const std::vector<Source> sources = MakeSources(p);
        const int passes = p.LegacySourceCount;
        const bool surface = p.CalcOption == 1;
        const double z = p.CalcHeight;

        std::vector<double> xm(static_cast<std::size_t>(v.nx) + 1, 0.0);
        std::vector<double> ym(static_cast<std::size_t>(v.ny) + 1, 0.0);
        std::vector<long long> gcol(xm.size()), grow(ym.size());
        for (int i = 1; i <= v.nx; ++i) {
            xm[static_cast<std::size_t>(i)] = v.CoordX(i);
            gcol[static_cast<std::size_t>(i)] = v.GroundX(i);
        }
        for (int j = 1; j <= v.ny; ++j) {
            ym[static_cast<std::size_t>(j)] = v.CoordY(j);
            grow[static_cast<std::size_t>(j)] = v.GroundY(j);
        }
        // Ground under every node (column i, row j), checked once.
        const int rows = v.ny, cols = v.nx;
        for (int i = 1; i <= v.nx; ++i)
            if (gcol[static_cast<std::size_t>(i)] < 0 || gcol[static_cast<std::size_t>(i)] > v.nx)
                throw CalcFailure{};
        for (int j = 1; j <= v.ny; ++j)
            if (grow[static_cast<std::size_t>(j)] < 0 || grow[static_cast<std::size_t>(j)] > v.ny)
                throw CalcFailure{};
        // Ground under the nodes of each column (rows 1..ny): read straight from
        // GroundGrid when the rows map one to one onto its rows (no vertical
        // zoom or scroll), else gathered once.
        bool rowsInPlace = true;
        for (int j = 1; j <= v.ny; ++j)
            rowsInPlace = rowsInPlace && grow[static_cast<std::size_t>(j)] == j;
        std::unique_ptr<double[]> gathered;
        if (!rowsInPlace) {
            gathered.reset(
                new double[static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows)]);
            for (int i = 1; i <= v.nx; ++i) {
                const double* g =
                    p.GroundGrid.column(static_cast<int>(gcol[static_cast<std::size_t>(i)]));
                double* out = gathered.get() + static_cast<std::size_t>(i - 1) * rows;
                for (int j = 1; j <= v.ny; ++j)
                    out[j - 1] = g[grow[static_cast<std::size_t>(j)]];
            }
        }
        const auto groundColumn = [&](int c) -> const double* {
            if (rowsInPlace)
                return p.GroundGrid.column(
                           static_cast<int>(gcol[static_cast<std::size_t>(c) + 1])) +
                       1;
            return gathered.get() + static_cast<std::size_t>(c) * rows;
        };
        // The Y of rows 1..ny, and no ground at all for a plane at a fixed height.
        const std::vector<double> yRows(ym.begin() + 1, ym.end());
        const std::vector<double> flat(static_cast<std::size_t>(rows), 0.0);

        Grid2D<double> grid(v.nx, v.ny);
        if (passes >= 1 && !sources.empty()) {
            const auto describe = [&](const Source& s, int c, kernel::Column& col) {
                const double dx = xm[static_cast<std::size_t>(c) + 1] - s.xs;
                if (Behind(s, dx, yRows.front() - s.ys, yRows.back() - s.ys)) return false;
                const double* g = surface ? groundColumn(c) : flat.data();
                col = kernel::Column{dx, yRows.data(), s.ys, s.h, g, z};
                return true;
            };
            // Rows 1..ny of column c + 1.
            const auto target = [&](int c) { return grid.column(c + 1) + 1; };
            AddSources(sources, cols, rows, ctl, StartProgress(p, v), describe, target);
        }
        for (int i = 1; i <= v.nx; ++i) {
            double* col = grid.column(i);
            const double* g = groundColumn(i - 1);
            for (int j = 1; j <= v.ny; ++j) {
                Checked(col[j]);
                if (!surface && z < g[j - 1]) col[j] = 0.0; // below the ground
            }
        }
        if (passes > 1) AverageLegacyPasses(grid, passes);
        ReportPasses(ctl, StartProgress(p, v), static_cast<std::int64_t>(v.nx) * v.ny);

        const Extremes e = Scan(grid);
        std::vector<double> levels;
        CrossingTable along, across;
        Isolines(grid, p.IsolineCount, e.max, e.min, levels, along, across);
        Variant maxX = p.MaxPosX;
        std::int16_t maxY = p.MaxPosY;
        if (e.maxI >= 0) {
            maxX = Variant::real(xm[static_cast<std::size_t>(e.maxI)] / v.mpu);
            const double y = std::nearbyint(ym[static_cast<std::size_t>(e.maxJ)] / v.mpu);
            if (!(std::fabs(y) < 1e6)) throw CalcFailure{};
            maxY = checkedInt16(static_cast<long long>(y));
        }
        const std::int16_t antennaCount = p.AntennaCount;

        // Commit: nothing of the project changed before this point.
        p.DensityGrid = std::move(grid);
        CommitGeometry(p, v, std::move(xm), std::move(ym), antennaCount);
        p.MaxDensity = e.max;
        p.MinDensity = e.min;
        p.MaxPosX = maxX;
        p.MaxPosY = maxY;
        p.IsolineLevel = std::move(levels);
        p.Isolines = std::move(along);
        p.IsolinesAux = std::move(across);
        p.XYCalculated = 1;
    });
}

CalcOutcome RunXZCalculation(Project& p, const CalcControl& ctl) {
    return Guard([&] {
        const View v = MakeView(p);
        const std::vector<Source> sources = MakeSources(p);
        const int passes = p.LegacySourceCount;
        const int offset = p.XZRowOffset;
        const long long planeRow = p.XZPlaneRow;

        std::vector<double> xm(static_cast<std::size_t>(v.nx) + 1);
        std::vector<double> ym(static_cast<std::size_t>(v.ny) + 1);
        for (int i = 0; i <= v.nx; ++i)
            xm[static_cast<std::size_t>(i)] = v.CoordX(i);
        for (int j = 0; j <= v.ny; ++j)
            ym[static_cast<std::size_t>(j)] = v.CoordY(j);
        const double yPlane = v.CoordY(planeRow);
        const long long groundRow = v.GroundY(planeRow);

        // Height rows 0..ny - offset are computed, each into its stored row
        // ny - offset - j; columns 0..nx.
        const int rows = std::max(0, v.ny - offset + 1), cols = v.nx + 1;
        std::vector<double> gR(static_cast<std::size_t>(cols));
        for (int i = 0; i <= v.nx; ++i)
            gR[static_cast<std::size_t>(i)] = Ground(p, v.GroundX(i), groundRow);
        const auto heightRow = [&](int stored) { return v.ny - offset - stored; };

        Grid2D<double> grid(v.nx, v.ny);
        if (passes >= 1 && rows > 0 && !sources.empty()) {
            // Every node of the section lies on the plane's Y; its height is the
            // height row's Y in metres.
            const std::vector<double> yPlaneRows(static_cast<std::size_t>(rows), yPlane);
            std::vector<double> heights(static_cast<std::size_t>(rows));
            for (int k = 0; k < rows; ++k)
                heights[static_cast<std::size_t>(k)] = ym[static_cast<std::size_t>(heightRow(k))];
            const auto describe = [&](const Source& s, int c, kernel::Column& col) {
                const double dx = xm[static_cast<std::size_t>(c)] - s.xs;
                if (Behind(s, dx, yPlane - s.ys, yPlane - s.ys)) return false;
                col = kernel::Column{dx, yPlaneRows.data(), s.ys, s.h, heights.data(), 0.0};
                return true;
            };
            const auto target = [&](int c) { return grid.column(c); };
            AddSources(sources, cols, rows, ctl, StartProgress(p, v), describe, target);
        }
        for (int i = 0; i <= v.nx; ++i) {
            double* col = grid.column(i);
            const double ground = gR[static_cast<std::size_t>(i)];
            for (int r = 0; r < rows; ++r) {
                Checked(col[r]);
                // At or below the ground the section holds nothing.
                if (ym[static_cast<std::size_t>(heightRow(r))] <= ground) col[r] = 0.0;
            }
        }
        if (passes > 1) AverageLegacyPasses(grid, passes);
        ReportPasses(ctl, StartProgress(p, v),
                     static_cast<std::int64_t>(v.nx + 1) * static_cast<std::int64_t>(rows));

        // The section is drawn two rows higher than it is computed.
        for (int j = 2; j <= v.ny; ++j)
            for (int i = 1; i <= v.nx; ++i)
                grid(i, j - 2) = grid(i, j);

        const Extremes e = Scan(grid);
        std::vector<double> levels;
        CrossingTable along, across;
        Isolines(grid, p.IsolineCount, e.max, e.min, levels, along, across);
        Variant maxX = p.XZMaxPosX, maxY = p.XZMaxPosY;
        if (e.maxI >= 0) {
            maxX = Variant::real(xm[static_cast<std::size_t>(e.maxI)] / v.mpu);
            maxY = Variant::real(ym[static_cast<std::size_t>(e.maxJ)] / v.mpu);
        }
        const std::int16_t antennaCount = p.AntennaCount;

        p.XZDensityGrid = std::move(grid);
        CommitGeometry(p, v, std::move(xm), std::move(ym), antennaCount);
        p.XZMaxDensity = e.max;
        p.XZMinDensity = e.min;
        p.XZMaxPosX = maxX;
        p.XZMaxPosY = maxY;
        p.XZIsolineLevel = std::move(levels);
        p.XZIsolines = std::move(along);
        p.XZIsolinesAux = std::move(across);
        p.CurrentPlane = "planoxz";
        p.XZCalculated = 1;
    });
}

} // namespace brenvik
