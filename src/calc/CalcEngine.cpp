#include "calc/CalcEngine.h"

#include "calc/PowerDensity.h"
#include "model/Memory.h"
#include "model/MemoryBudget.h"

#include <cstdint>
#include <cstring>
#include <mutex>

namespace brenvik::engine {

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

unsigned ThreadCount(const CalcControl& ctl) {
    return std::max(1u, ctl.threads ? ctl.threads : std::thread::hardware_concurrency());
}

unsigned PassThreadCount(const CalcControl& ctl, long long nodes) {
    return nodes < (1LL << 17) ? 1u : ThreadCount(ctl);
}

bool Behind(const Source& s, double dx, double dy0, double dy1) {
    if (s.k.kind == static_cast<int>(AntennaKind::None)) return true;
    if (s.k.kind != static_cast<int>(AntennaKind::Panel)) return false;
    const double dxSin = dx * s.k.sinTheta;
    return dxSin + dy0 * s.k.cosTheta <= 0.0 && dxSin + dy1 * s.k.cosTheta <= 0.0;
}

void AverageLegacyPasses(Grid2D<double>& g, int passes, unsigned threads) {
    if (passes <= 1) return;
    const std::size_t per = static_cast<std::size_t>(g.ny()) + 1;
    ForEachPart<bool>(threads, g.nx() + 1, [&](int i0, int i1) {
        double* d = g.column(i0);
        for (std::size_t k = 0; k < static_cast<std::size_t>(i1 - i0) * per; ++k) {
            const double share = d[k] / passes;
            double sum = 0.0;
            for (int q = 0; q < passes; ++q)
                sum += share;
            d[k] = sum;
        }
        return true;
    });
}

Extremes Scan(const Grid2D<double>& g, unsigned threads) {
    const auto parts = ForEachPart<Extremes>(threads, g.nx() + 1, [&](int i0, int i1) {
        Extremes e;
        for (int i = i0; i < i1; ++i) {
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
    });
    // The parts follow the scan order: a later part wins only when larger.
    Extremes e;
    for (const Extremes& q : parts) {
        if (q.max > e.max) {
            e.max = q.max;
            e.maxI = q.maxI;
            e.maxJ = q.maxJ;
        }
        e.min = std::min(e.min, q.min);
    }
    return e;
}

namespace {

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

// The cells where each level is crossed, by level, in the order found.
using Cells = std::vector<std::pair<std::int16_t, std::int16_t>>;
using CellsByLevel = std::vector<Cells>;

} // namespace

void Isolines(const Grid2D<double>& g, int count, double max, double min, unsigned threads,
              std::vector<double>& levels, CrossingTable& along, CrossingTable& across,
              const CalcControl& ctl) {
    if (count < 1) throw CalcFailure{};
    // The slots found so far are weighed against the memory as they are
    // found: the tables' layout holds every level × slot pair, so a count of
    // levels that would need more than the machine has is refused before it
    // is allocated. A cancel is looked for once per column.
    std::atomic<std::int64_t> found{0};
    std::atomic<std::uint64_t> room{0}; // bytes known to be available
    std::mutex asking;
    const auto column = [&](std::int64_t more) {
        if (ctl.canceled()) throw CalcCancelled{};
        const std::uint64_t need = IsolineTableBytes(count, found += more, 0);
        if (ctl.memoryLimit) {
            if (need > ctl.memoryLimit) throw CalcFailure{};
        } else if (need > room.load()) {
            const std::lock_guard<std::mutex> hold(asking);
            if (need <= room.load()) return;
            // Asked for twice the need, so the question comes back only when
            // the tables have doubled.
            if (!RoomFor(BytesFor(need, 2))) throw CalcFailure{};
            room = BytesFor(need, 2);
        }
    };
    const double step = std::fabs(max - min) / count;
    levels.assign(static_cast<std::size_t>(count) + 1, 0.0);
    for (int k = 1; k <= count; ++k)
        levels[static_cast<std::size_t>(k)] = k * step;
    const auto idx = [](int v) { return static_cast<std::int16_t>(v); };
    const std::size_t slots = static_cast<std::size_t>(count) + 1;
    // The parts scan their columns for all levels at once; taken part after
    // part, each level's cells come out in scan order.
    const auto alongParts = ForEachPart<CellsByLevel>(threads, g.nx() + 1, [&](int i0, int i1) {
        CellsByLevel cells(slots);
        for (int i = i0; i < i1; ++i) {
            const double* col = g.column(i);
            std::int64_t more = 0;
            for (int j = 0; j < g.ny(); ++j)
                CrossedLevels(levels, count, step, col[j], col[j + 1], [&](int k) {
                    cells[static_cast<std::size_t>(k)].emplace_back(idx(i), idx(j));
                    ++more;
                });
            column(more);
        }
        return cells;
    });
    // Along the rows the grid is read column by column too (it is stored so);
    // each level's cells are then put in row order, stably, level by level on
    // every thread.
    const auto acrossParts = ForEachPart<CellsByLevel>(threads, g.nx(), [&](int i0, int i1) {
        CellsByLevel cells(slots);
        for (int i = i0; i < i1; ++i) {
            const double* col = g.column(i);
            const double* next = g.column(i + 1);
            std::int64_t more = 0;
            for (int j = 0; j <= g.ny(); ++j)
                CrossedLevels(levels, count, step, col[j], next[j], [&](int k) {
                    cells[static_cast<std::size_t>(k)].emplace_back(idx(i), idx(j));
                    ++more;
                });
            column(more);
        }
        return cells;
    });
    const auto acrossSorted = ForEachPart<CellsByLevel>(threads, count, [&](int k0, int k1) {
        CellsByLevel sorted;
        std::vector<std::size_t> start(static_cast<std::size_t>(g.ny()) + 2);
        for (int k = k0 + 1; k <= k1; ++k) {
            std::fill(start.begin(), start.end(), 0);
            std::size_t total = 0;
            for (const CellsByLevel& part : acrossParts) {
                total += part[static_cast<std::size_t>(k)].size();
                for (const auto& c : part[static_cast<std::size_t>(k)])
                    ++start[static_cast<std::size_t>(c.second) + 1];
            }
            for (std::size_t r = 1; r < start.size(); ++r)
                start[r] += start[r - 1];
            Cells level(total);
            for (const CellsByLevel& part : acrossParts)
                for (const auto& c : part[static_cast<std::size_t>(k)])
                    level[start[static_cast<std::size_t>(c.second)]++] = c;
            sorted.push_back(std::move(level));
        }
        return sorted;
    });
    along.reset(count);
    across.reset(count);
    for (int k = 1; k <= count; ++k)
        for (const CellsByLevel& part : alongParts)
            for (auto [x, y] : part[static_cast<std::size_t>(k)])
                along.append(k, x, y);
    int level = 0; // the parts hold levels 1..count in turn
    for (const CellsByLevel& part : acrossSorted)
        for (const Cells& cells : part) {
            ++level;
            for (auto [x, y] : cells)
                across.append(level, x, y);
        }
}

} // namespace brenvik::engine
