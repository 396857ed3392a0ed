#pragma once

// The node passes the XY and XZ calculations share: the antennas added to the
// columns on every thread, and the passes over the finished grid (checks,
// extremes, isolines), also spread over the threads. Every pass gives the same
// bits whatever the thread count: each node is worked out by one thread in a
// fixed order, and the parts' findings are combined in the order of the columns.
#include "calc/FarField.h"
#include "calc/GridCalc.h"
#include "calc/Kernel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brenvik::engine {

struct CalcFailure {};
struct CalcCancelled {};

// One antenna as the node loops need it.
struct Source {
    kernel::Antenna k{};
    double xs = 0.0, ys = 0.0;
    double h = 0.0;            // AntHeight + ground at the antenna's foot
    double inverseLimit = 0.0; // its ratio share per uW/cm^2, when a ratio is wanted
    // The far-field beam k.far points into (far-field model only).
    std::shared_ptr<const farfield::PreparedBeam> beam;
};

// Where one column's sums go; ratio is null when no ratio is wanted.
struct ColumnOut {
    double* density;
    double* ratio;
};

using ColumnFn = void (*)(const kernel::Antenna&, const kernel::Column&, const kernel::Sums&, int);
ColumnFn PickKernel(bool scalar);

// The worker count a control asks for (0 = every core), at least one.
unsigned ThreadCount(const CalcControl& ctl);
// The same for the light passes over a finished grid of `nodes` nodes: one
// below some hundred thousand nodes, where starting threads costs more than
// it saves.
unsigned PassThreadCount(const CalcControl& ctl, long long nodes);

// Runs body(begin, end) over contiguous pieces of [0, count) on up to
// `threads` threads and returns the pieces' results in the order of the
// pieces; an exception of any piece is rethrown once all have stopped.
template <class R>
std::vector<R> ForEachPart(unsigned threads, int count,
                           const std::function<R(int begin, int end)>& body);

// True when source `s` adds nothing to a column at offset dx whose offsets
// along the plan's Y run from dy0 to dy1: a source of no known type, or a
// panel with the whole column behind it (u is monotonic in dy, so its ends
// decide, computed exactly as the column loops compute them).
bool Behind(const Source& s, double dx, double dy0, double dy1);

// Adds every source, in order 1..N, to the `rows` nodes of every column c in
// [0, cols), which `target(c)` points at; `describe(source, c, column)` gives
// the column's offsets from the source, or false when the source adds
// nothing to it. The threads take blocks of columns and add each source to a
// group of neighbouring columns before the next source: each node always gets
// the same sums in the same order, whatever the thread count, and no thread
// waits for another between sources.
template <class Describe, class Target>
void AddSources(const std::vector<Source>& sources, int cols, int rows, const CalcControl& ctl,
                CalcProgress progress, const Describe& describe, const Target& target);

// Legacy temporal passes: every pass yields the same grid, and the result is
// their average, summed pass by pass as the passes would add it.
void AverageLegacyPasses(Grid2D<double>& g, int passes, unsigned threads);

struct Extremes {
    double max = 0.0, min = 0.0;
    int maxI = -1, maxJ = -1; // the first maximum in scan order (i, then j)
};
Extremes Scan(const Grid2D<double>& g, unsigned threads);

// Levels k * |max - min| / count and the cells where each level crosses
// between neighbours: along a column (i, j)-(i, j + 1), scanned i then j, and
// along a row (i, j)-(i + 1, j), scanned j then i. The slot counter of each
// table runs over all levels together, level by level, in scan order.
// Refused (CalcFailure) when the tables would need more memory than
// ctl.memoryLimit or the machine has; cancelled within a column of work.
void Isolines(const Grid2D<double>& g, int count, double max, double min, unsigned threads,
              std::vector<double>& levels, CrossingTable& along, CrossingTable& across,
              const CalcControl& ctl);

// A floating-point fault ends the calculation: an infinite or undefined node
// value is never stored.
inline double Checked(double d) {
    if (!std::isfinite(d)) throw CalcFailure{};
    return d;
}

// ---- templates ---------------------------------------------------------------

template <class R>
std::vector<R> ForEachPart(unsigned threads, int count,
                           const std::function<R(int begin, int end)>& body) {
    threads = std::max(1u, threads);
    // A few pieces per thread even out uneven columns.
    const int parts = std::max(1, std::min(count, static_cast<int>(threads) * 4));
    std::vector<R> results(static_cast<std::size_t>(parts));
    // A failure hands out no more parts: the counter jumps past the end.
    std::atomic<int> next{0};
    std::exception_ptr error;
    std::mutex errorLock;
    const auto work = [&] {
        for (int q = next.fetch_add(1); q < parts; q = next.fetch_add(1)) {
            try {
                const int begin = static_cast<int>(static_cast<long long>(count) * q / parts);
                const int end = static_cast<int>(static_cast<long long>(count) * (q + 1) / parts);
                results[static_cast<std::size_t>(q)] = body(begin, end);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(errorLock);
                if (!error) error = std::current_exception();
                next.store(parts);
            }
        }
    };
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 1; t < std::min<unsigned>(threads, static_cast<unsigned>(parts)); ++t)
            pool.emplace_back(work);
    } catch (...) {
        // No more threads to be had: the ones running share the work.
    }
    work();
    for (auto& t : pool)
        t.join();
    if (error) std::rethrow_exception(error);
    return results;
}

template <class Describe, class Target>
void AddSources(const std::vector<Source>& sources, int cols, int rows, const CalcControl& ctl,
                CalcProgress progress, const Describe& describe, const Target& target) {
    const ColumnFn addColumn = PickKernel(ctl.scalarReference);
    const int n = static_cast<int>(sources.size());
    unsigned threads = ThreadCount(ctl);
    // Blocks of some ten thousand evaluations: small enough to spread the
    // work and to notice a cancel quickly, large enough to cost nothing to
    // hand out.
    const long long perColumn = static_cast<long long>(std::max(rows, 1)) * std::max(n, 1);
    // Neighbouring columns take each source in turn, a group at a time:
    // they see much the same directions from it, so its tables (an adaptive
    // antenna's envelope runs to megabytes) stay in the cache for the group,
    // while the group's sums (128 KB at most) stay there too. Each node still
    // receives the sources in their order, so the sums keep every bit.
    const int group = std::clamp(16384 / std::max(rows, 1), 1, 16);
    const int blockCols = static_cast<int>(std::max<long long>(group, 16384 / perColumn));
    const int blocks = (cols + blockCols - 1) / blockCols;
    threads = std::min<unsigned>(threads, static_cast<unsigned>(std::max(blocks, 1)));

    std::atomic<int> next{0};
    std::atomic<long long> doneCols{0};
    // Running until a report cancels or a block fails; a failure outranks a
    // cancel.
    enum class Run { Going, Stopped, Failed };
    std::atomic<Run> run{Run::Going};
    const auto halt = [&run](Run why) {
        Run was = Run::Going;
        if (!run.compare_exchange_strong(was, why) && why == Run::Failed) run = Run::Failed;
    };

    // The window counts as if the sources were added one after the other over
    // the whole grid: the same total, reached at the same pace.
    using Clock = std::chrono::steady_clock;
    auto lastReport = Clock::now();
    progress.antennaCount = n;
    const auto report = [&](bool force) {
        if (ctl.canceled()) halt(Run::Stopped);
        if (!ctl.progress || run != Run::Going) return;
        const auto now = Clock::now();
        if (!force && now - lastReport < std::chrono::milliseconds(40)) return;
        lastReport = now;
        const long long done = doneCols.load() * n; // column-source pairs
        const long long s = cols > 0 ? done / cols : 0;
        progress.antenna = static_cast<int>(std::min<long long>(s + 1, n));
        progress.node = s >= n ? static_cast<long long>(cols) * rows : (done % cols) * rows;
        try {
            if (!ctl.progress(progress)) halt(Run::Stopped);
        } catch (...) {
            halt(Run::Failed);
        }
    };

    const auto work = [&](bool caller) {
        while (run == Run::Going) {
            const int b = next.fetch_add(1);
            if (b >= blocks) break;
            try {
                const int c1 = std::min(cols, (b + 1) * blockCols);
                for (int g0 = b * blockCols; g0 < c1; g0 += group) {
                    const int g1 = std::min(c1, g0 + group);
                    ColumnOut columns[16];
                    for (int c = g0; c < g1; ++c)
                        columns[c - g0] = target(c);
                    for (const Source& src : sources)
                        for (int c = g0; c < g1; ++c) {
                            kernel::Column in{};
                            const ColumnOut& column = columns[c - g0];
                            if (describe(src, c, in))
                                addColumn(
                                    src.k, in,
                                    kernel::Sums{column.density, column.ratio, src.inverseLimit},
                                    rows);
                        }
                }
                doneCols += c1 - b * blockCols;
            } catch (...) {
                halt(Run::Failed);
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
    if (ctl.canceled()) halt(Run::Stopped);
    if (run == Run::Failed) throw CalcFailure{};
    if (run == Run::Stopped) throw CalcCancelled{};
}

} // namespace brenvik::engine
