#include "calc/GridCalc.h"

#include "calc/CalcEngine.h"
#include "calc/CalcForms.h"
#include "calc/Kernel.h"
#include "calc/PowerDensity.h"
#include "model/Int16.h"
#include "model/Messages.h"
#include "model/ResultStamp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace brenvik {

CalcProgress InitialProgress(const Project& p) {
    CalcProgress c;
    c.passCount = p.LegacySourceCount;
    c.antennaCount = p.AntennaCount;
    // Every node of the grid, 0..GridNX × 0..GridNY, as the engine counts them.
    c.nodeTotal = (std::int64_t{p.GridNX} + 1) * (std::int64_t{p.GridNY} + 1);
    return c;
}

double ProgressFraction(const CalcProgress& c) {
    if (c.passCount <= 0 || c.antennaCount <= 0 || c.nodeTotal <= 0) return 0.0;
    const double nodes = static_cast<double>(c.nodeTotal);
    const double done = (static_cast<double>(std::max(c.pass - 1, 0)) * c.antennaCount +
                         static_cast<double>(std::max(c.antenna - 1, 0))) *
                            nodes +
                        static_cast<double>(c.node);
    return std::clamp(done / (static_cast<double>(c.passCount) * c.antennaCount * nodes), 0.0, 1.0);
}

std::string ProgressLabel(const CalcProgress& c) {
    return "pass " + std::to_string(c.pass) + "/" + std::to_string(c.passCount) + "  antenna " +
           std::to_string(c.antenna) + "/" + std::to_string(c.antennaCount) + "  node " +
           std::to_string(c.node) + "/" + std::to_string(c.nodeTotal);
}

// ---- The calculations
// ------------------------------------------------------------------------------

namespace {

using engine::Behind;
using engine::CalcCancelled;
using engine::CalcFailure;
using engine::Checked;
using engine::Source;

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

std::vector<Source> MakeSources(const Project& p, const CalcControl& ctl) {
    const bool ratio = !ctl.inverseLimit.empty();
    if (ratio && ctl.inverseLimit.size() != static_cast<std::size_t>(p.AntennaCount) + 1)
        throw CalcFailure{};
    std::vector<Source> out;
    // Antennas of one array share its envelope; each beam keeps its table.
    antenna::EnvelopeCache own;
    antenna::EnvelopeCache* envelopes = ctl.envelopes ? ctl.envelopes : &own;
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
                                m.scale,
                                nullptr};
        if (p.Exposure.Model == ExposureModel::FarField && m.kind != AntennaKind::None) {
            try {
                src.beam = farfield::Prepare(p, a, true, envelopes);
            } catch (const std::invalid_argument&) {
                throw CalcFailure{};
            }
            src.k.kind = kernel::FarFieldKind;
            src.k.far = &src.beam->beam;
        }
        // The far-field model computes exactly at points, from where the
        // antenna really stands; the beam model computes from its node.
        const bool exact = p.Exposure.Model == ExposureModel::FarField;
        const double ax = exact ? AntennaDrawingX(p, a) : a.AntX;
        const double ay = exact ? AntennaDrawingY(p, a) : a.AntY;
        src.xs = exact ? ax * p.MetersPerUnit : m.xs;
        src.ys = exact ? ay * p.MetersPerUnit : m.ys;
        const double qx = ax / p.CellSize, qy = ay / p.CellSize;
        if (!std::isfinite(qx) || !std::isfinite(qy) || std::fabs(qx) > 1e9 || std::fabs(qy) > 1e9)
            throw CalcFailure{};
        const double gS = Ground(p, static_cast<long long>(std::floor(qx)),
                                 static_cast<long long>(std::floor(qy)));
        src.h = a.AntHeight + gS;
        if (ratio) {
            src.inverseLimit = ctl.inverseLimit[static_cast<std::size_t>(s)];
            if (!std::isfinite(src.inverseLimit) || src.inverseLimit < 0.0) throw CalcFailure{};
        }
        out.push_back(src);
    }
    return out;
}

// The view's grid is the project's (MakeView checks it), so the counts are
// the ones the window showed from the start.
CalcProgress StartProgress(const Project& p, const View&) {
    return InitialProgress(p);
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

// The control the engine reads: every report of the counts also reaches the
// feedback, and its cancel stops the calculation at the next report.
CalcControl WithFeedback(const CalcControl& ctl) {
    if (!ctl.feedback) return ctl;
    CalcControl c = ctl;
    Feedback* fb = ctl.feedback;
    c.progress = [fb, counts = ctl.progress](const CalcProgress& pr) {
        fb->setProgress(ProgressFraction(pr), ProgressLabel(pr));
        const bool go = !counts || counts(pr);
        return go && !fb->isCanceled();
    };
    return c;
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

// The far-field model's reflection factor, applied once to the finished
// sums (after the legacy average), so that it scales every node exactly.
void ApplyReflection(const Project& p, Grid2D<double>& g, unsigned threads) {
    if (p.Exposure.Model != ExposureModel::FarField) return;
    const double rf = p.Exposure.ReflectionFactor;
    if (!std::isfinite(rf) || rf <= 0.0) throw CalcFailure{};
    if (rf == 1.0) return;
    const std::size_t per = static_cast<std::size_t>(g.ny()) + 1;
    engine::ForEachPart<bool>(threads, g.nx() + 1, [&](int i0, int i1) {
        double* d = g.column(i0);
        for (std::size_t k = 0; k < static_cast<std::size_t>(i1 - i0) * per; ++k)
            d[k] = Checked(d[k] * rf);
        return true;
    });
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

// What a finished calculation found, on its way into the project.
struct Finished {
    Grid2D<double> density;
    Grid2D<double> ratio;
    engine::Extremes extremes;
    Variant maxX;
    Variant maxY;
    std::vector<double> levels;
    CrossingTable along;
    CrossingTable across;
};

// The plane's result replaced whole and stamped, with the node positions
// beside it: nothing of the project changed before this point. A section
// becomes the plane shown.
void CommitResult(Project& p, Plane plane, const View& v, std::vector<double>&& xm,
                  std::vector<double>&& ym, Finished&& f, bool withRatio) {
    CommitGeometry(p, v, std::move(xm), std::move(ym), p.AntennaCount);
    PlaneResult& r = p.Result(plane);
    r.Density = std::move(f.density);
    r.Ratio = std::move(f.ratio);
    r.MaxDensity = f.extremes.max;
    r.MinDensity = f.extremes.min;
    r.MaxPosX = f.maxX;
    r.MaxPosY = f.maxY;
    r.IsolineLevel = std::move(f.levels);
    r.Isolines = std::move(f.along);
    r.IsolinesAux = std::move(f.across);
    if (plane == Plane::XZ) p.CurrentPlane = Plane::XZ;
    // Who contributed what belonged to the result just replaced; its views
    // give way to isolines until it is asked for again.
    r.Contributions.reset();
    if (plane == Plane::XY && ShowsContributions(p.DisplayMode))
        p.DisplayMode = ResultStyle::Isolines;
    r.Calculated = true;
    StampResult(p, plane, withRatio);
}

} // namespace

CalcOutcome RunXYCalculation(Project& p, const CalcControl& control) {
    const CalcControl ctl = WithFeedback(control);
    return Guard([&] {
        const View v = MakeView(p);
        const std::vector<Source> sources = MakeSources(p, ctl);
        const int passes = p.LegacySourceCount;
        const bool surface = p.CalcOption == CalcLevel::AtSurface;
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

        const unsigned threads =
            engine::PassThreadCount(ctl, static_cast<long long>(v.nx + 1) * (v.ny + 1));
        const bool wantRatio = !ctl.inverseLimit.empty();
        Grid2D<double> grid(v.nx, v.ny), ratio;
        if (wantRatio) ratio.resize(v.nx, v.ny);
        if (passes >= 1 && !sources.empty()) {
            const auto describe = [&](const Source& s, int c, kernel::Column& col) {
                const double dx = xm[static_cast<std::size_t>(c) + 1] - s.xs;
                if (Behind(s, dx, yRows.front() - s.ys, yRows.back() - s.ys)) return false;
                const double* g = surface ? groundColumn(c) : flat.data();
                col = kernel::Column{dx, yRows.data(), s.ys, s.h, g, z};
                return true;
            };
            // Rows 1..ny of column c + 1.
            const auto target = [&](int c) {
                return engine::ColumnOut{grid.column(c + 1) + 1,
                                         wantRatio ? ratio.column(c + 1) + 1 : nullptr};
            };
            engine::AddSources(sources, cols, rows, ctl, StartProgress(p, v), describe, target);
        }
        engine::ForEachPart<bool>(threads, v.nx, [&](int c0, int c1) {
            for (int i = c0 + 1; i <= c1; ++i) {
                double* col = grid.column(i);
                double* r = wantRatio ? ratio.column(i) : nullptr;
                const double* g = groundColumn(i - 1);
                for (int j = 1; j <= v.ny; ++j) {
                    Checked(col[j]);
                    if (r) Checked(r[j]);
                    if (!surface && z < g[j - 1]) { // below the ground
                        col[j] = 0.0;
                        if (r) r[j] = 0.0;
                    }
                }
            }
            return true;
        });
        if (passes > 1) {
            engine::AverageLegacyPasses(grid, passes, threads);
            if (wantRatio) engine::AverageLegacyPasses(ratio, passes, threads);
        }
        ApplyReflection(p, grid, threads);
        if (wantRatio) ApplyReflection(p, ratio, threads);
        ReportPasses(ctl, StartProgress(p, v), static_cast<std::int64_t>(v.nx) * v.ny);

        const engine::Extremes e = engine::Scan(grid, threads);
        std::vector<double> levels;
        CrossingTable along, across;
        engine::Isolines(grid, p.IsolineCount, e.max, e.min, threads, levels, along, across, ctl);
        Variant maxX = p.XY.MaxPosX;
        Variant maxY = p.XY.MaxPosY; // the plan keeps its row whole
        if (e.maxI >= 0) {
            maxX = Variant::real(xm[static_cast<std::size_t>(e.maxI)] / v.mpu);
            const double y = std::nearbyint(ym[static_cast<std::size_t>(e.maxJ)] / v.mpu);
            if (!(std::fabs(y) < 1e6)) throw CalcFailure{};
            maxY = Variant::integer(CheckedInt16(static_cast<long long>(y)));
        }
        CommitResult(p, Plane::XY, v, std::move(xm), std::move(ym),
                     {std::move(grid), std::move(ratio), e, maxX, maxY, std::move(levels),
                      std::move(along), std::move(across)},
                     !ctl.inverseLimit.empty());
    });
}

CalcOutcome RunXZCalculation(Project& p, const CalcControl& control) {
    const CalcControl ctl = WithFeedback(control);
    return Guard([&] {
        const View v = MakeView(p);
        const std::vector<Source> sources = MakeSources(p, ctl);
        const int passes = p.LegacySourceCount;
        const int offset = p.XZRowOffset;
        const SectionLine line = SectionLineOf(p);
        // A section through an antenna the project no longer has is not
        // quietly computed along X instead.
        if (p.XZThrough != 0 && !line.through) throw CalcFailure{};

        std::vector<double> xm(static_cast<std::size_t>(v.nx) + 1);
        std::vector<double> ym(static_cast<std::size_t>(v.ny) + 1);
        for (int i = 0; i <= v.nx; ++i)
            xm[static_cast<std::size_t>(i)] = v.CoordX(i);
        for (int j = 0; j <= v.ny; ++j)
            ym[static_cast<std::size_t>(j)] = v.CoordY(j);

        // Height rows 0..ny - offset are computed, each into its stored row
        // ny - offset - j; columns 0..nx.
        const int rows = std::max(0, v.ny - offset + 1), cols = v.nx + 1;
        // Each column's plan point and the ground under it.
        std::vector<double> colX(static_cast<std::size_t>(cols)), colY(colX.size()),
            gR(colX.size());
        if (line.through) {
            // Along the antenna's azimuth: the ground of the grid's cell under
            // each point, the plan's edge cell beyond it.
            const double cellM = v.cell * v.mpu / v.zoom;
            const auto cellOf = [&](double m, int last) {
                const double q = std::floor(m / cellM);
                if (!std::isfinite(q)) throw CalcFailure{};
                return static_cast<long long>(std::clamp(q, 0.0, static_cast<double>(last)));
            };
            for (int i = 0; i <= v.nx; ++i) {
                const auto [x, y] = SectionPoint(line, line.along(i));
                colX[static_cast<std::size_t>(i)] = x;
                colY[static_cast<std::size_t>(i)] = y;
                gR[static_cast<std::size_t>(i)] = Ground(p, cellOf(x, v.nx), cellOf(y, v.ny));
            }
        } else {
            long long groundRow = 0;
            if (line.exact) {
                const double q = std::floor(line.planY / (v.cell * v.mpu / v.zoom));
                if (!std::isfinite(q) || std::fabs(q) > 1e9) throw CalcFailure{};
                groundRow = static_cast<long long>(q);
            } else {
                groundRow = v.GroundY(p.XZPlaneRow);
            }
            // The grid row's line is computed as the plan computes that row.
            const double yPlane = line.exact ? line.planY : v.CoordY(p.XZPlaneRow);
            for (int i = 0; i <= v.nx; ++i) {
                colX[static_cast<std::size_t>(i)] = xm[static_cast<std::size_t>(i)];
                colY[static_cast<std::size_t>(i)] = yPlane;
                gR[static_cast<std::size_t>(i)] = Ground(p, v.GroundX(i), groundRow);
            }
        }
        const auto heightRow = [&](int stored) { return v.ny - offset - stored; };

        const unsigned threads =
            engine::PassThreadCount(ctl, static_cast<long long>(v.nx + 1) * (v.ny + 1));
        const bool wantRatio = !ctl.inverseLimit.empty();
        Grid2D<double> grid(v.nx, v.ny), ratio;
        if (wantRatio) ratio.resize(v.nx, v.ny);
        if (passes >= 1 && rows > 0 && !sources.empty()) {
            // Every node of a column lies on the column's plan point; its
            // height is the height row's Y in metres. The kernel takes the
            // offset along Y as y[k] - ys: with y = 0 on every row and ys set
            // to ys - yColumn, it is yColumn - ys, to the bit.
            const std::vector<double> zeros(static_cast<std::size_t>(rows), 0.0);
            std::vector<double> heights(static_cast<std::size_t>(rows));
            for (int k = 0; k < rows; ++k)
                heights[static_cast<std::size_t>(k)] = ym[static_cast<std::size_t>(heightRow(k))];
            const auto describe = [&](const Source& s, int c, kernel::Column& col) {
                const double dx = colX[static_cast<std::size_t>(c)] - s.xs;
                const double yc = colY[static_cast<std::size_t>(c)];
                if (Behind(s, dx, yc - s.ys, yc - s.ys)) return false;
                col = kernel::Column{dx, zeros.data(), s.ys - yc, s.h, heights.data(), 0.0};
                return true;
            };
            const auto target = [&](int c) {
                return engine::ColumnOut{grid.column(c), wantRatio ? ratio.column(c) : nullptr};
            };
            engine::AddSources(sources, cols, rows, ctl, StartProgress(p, v), describe, target);
        }
        // Per column: the checks, the ground, and the move that draws the
        // section two rows higher than it is computed (not for column 0).
        engine::ForEachPart<bool>(threads, v.nx + 1, [&](int i0, int i1) {
            for (int i = i0; i < i1; ++i) {
                for (Grid2D<double>* g : {&grid, &ratio}) {
                    if (g == &ratio && !wantRatio) continue;
                    double* col = g->column(i);
                    const double ground = gR[static_cast<std::size_t>(i)];
                    for (int r = 0; r < rows; ++r) {
                        Checked(col[r]);
                        // At or below the ground the section holds nothing.
                        if (ym[static_cast<std::size_t>(heightRow(r))] <= ground) col[r] = 0.0;
                    }
                    if (i >= 1 && v.ny >= 2)
                        std::memmove(col, col + 2,
                                     static_cast<std::size_t>(v.ny - 1) * sizeof *col);
                }
            }
            return true;
        });
        // The legacy average works node by node: taken after the move, it
        // gives what it gives before.
        if (passes > 1) {
            engine::AverageLegacyPasses(grid, passes, threads);
            if (wantRatio) engine::AverageLegacyPasses(ratio, passes, threads);
        }
        ApplyReflection(p, grid, threads);
        if (wantRatio) ApplyReflection(p, ratio, threads);
        ReportPasses(ctl, StartProgress(p, v),
                     static_cast<std::int64_t>(v.nx + 1) * static_cast<std::int64_t>(rows));

        const engine::Extremes e = engine::Scan(grid, threads);
        std::vector<double> levels;
        CrossingTable along, across;
        engine::Isolines(grid, p.IsolineCount, e.max, e.min, threads, levels, along, across, ctl);
        Variant maxX = p.XZ.MaxPosX, maxY = p.XZ.MaxPosY;
        if (e.maxI >= 0) {
            maxX = Variant::real(xm[static_cast<std::size_t>(e.maxI)] / v.mpu);
            maxY = Variant::real(ym[static_cast<std::size_t>(e.maxJ)] / v.mpu);
        }
        CommitResult(p, Plane::XZ, v, std::move(xm), std::move(ym),
                     {std::move(grid), std::move(ratio), e, maxX, maxY, std::move(levels),
                      std::move(along), std::move(across)},
                     !ctl.inverseLimit.empty());
    });
}

} // namespace brenvik
