#include "compliance/Contributions.h"

#include "calc/GridCalc.h"
#include "compliance/Csv.h"

#include <algorithm>
#include <cstdio>

namespace brenvik::compliance {

namespace {

// The operator's place in `c`, added when it is new.
std::size_t OperatorIndex(Contributions& c, const std::string& name, int nx, int ny) {
    const auto at = std::find(c.operators.begin(), c.operators.end(), name);
    if (at != c.operators.end()) return static_cast<std::size_t>(at - c.operators.begin());
    c.operators.push_back(name);
    c.density.emplace_back(nx, ny);
    return c.operators.size() - 1;
}

} // namespace

std::optional<Contributions> ComputeContributions(const Project& p, Feedback* fb,
                                                  std::string& why) {
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    const int nx = p.GridNX, ny = p.GridNY;
    Contributions c;
    c.dominant.resize(nx, ny);
    Grid2D<double> best(nx, ny);
    for (int s = 1; s <= count; ++s) {
        Project one = p;
        CalcControl ctl;
        ctl.feedback = fb;
        ctl.inverseLimit.assign(static_cast<std::size_t>(std::max<int>(p.AntennaCount, 0)) + 1,
                                0.0);
        ctl.inverseLimit[static_cast<std::size_t>(s)] = 1.0;
        const CalcOutcome done = RunXYCalculation(one, ctl);
        if (!done.ok()) {
            why = done.message;
            return std::nullopt;
        }
        const Grid2D<double>& own = one.XY.Ratio;
        Grid2D<double>& op = c.density[OperatorIndex(
            c, p.Antennas[static_cast<std::size_t>(s)].AntOperator, nx, ny)];
        for (int i = 1; i <= std::min(nx, own.nx()); ++i)
            for (int j = 1; j <= std::min(ny, own.ny()); ++j) {
                const double v = own(i, j);
                op(i, j) += v;
                // The first of equal antennas keeps the node.
                if (v > best(i, j)) {
                    best(i, j) = v;
                    c.dominant(i, j) = s;
                }
            }
    }
    return c;
}

namespace {

std::string ShareNumber(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v == 0.0 ? 0.0 : v);
    return buf;
}

} // namespace

std::string PlaceSharesCsv(const Project& p, const std::vector<PlaceValue>& values) {
    std::vector<std::string> operators;
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    for (int s = 1; s <= count; ++s) {
        const std::string& op = p.Antennas[static_cast<std::size_t>(s)].AntOperator;
        if (std::find(operators.begin(), operators.end(), op) == operators.end())
            operators.push_back(op);
    }
    std::string out = std::string(PlaceSharesHeader) + "\r\n";
    for (const PlaceValue& v : values) {
        // The place's antennas come largest share first; the dominant one is
        // the one of the largest density.
        int dominant = 0;
        double most = 0.0;
        for (const AntennaAtPlace& a : v.antennas)
            if (a.sUw > most || (a.sUw == most && dominant && a.slot < dominant))
                most = a.sUw, dominant = a.slot;
        for (const std::string& op : operators) {
            double s = 0.0;
            for (const AntennaAtPlace& a : v.antennas)
                if (p.Antennas[static_cast<std::size_t>(a.slot)].AntOperator == op) s += a.sUw;
            out += CsvQuoted(v.name) + "," + CsvQuoted(op) + "," + ShareNumber(s) + "," +
                   ShareNumber(v.sUw > 0.0 ? 100.0 * s / v.sUw : 0.0) + "," +
                   std::to_string(dominant) + "\r\n";
        }
    }
    return out;
}

std::string DominantName(const Project& p, int slot) {
    const std::string& op = p.Antennas[static_cast<std::size_t>(slot)].AntOperator;
    return ShortName(p, slot) + (op.empty() ? "" : " (" + op + ")");
}

} // namespace brenvik::compliance
