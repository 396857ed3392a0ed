#include "antenna/BeamCuts.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace brenvik::antenna {

namespace {

constexpr double HalfPowerDb = 3.0;

// Samples `gain(angle)` over a full turn; the half-power width counts from
// `referenceDb` when given.
template <class F> PlotCut Sample(double stepDeg, F gain, std::optional<double> referenceDb) {
    PlotCut c;
    const int n = std::max(4, static_cast<int>(std::lround(360.0 / stepDeg)));
    const double step = 360.0 / n;
    for (int k = 0; k < n; ++k) {
        c.angleDeg.push_back(k * step);
        c.gainDb.push_back(gain(k * step));
    }
    const auto peak = std::max_element(c.gainDb.begin(), c.gainDb.end());
    c.peakDeg = c.angleDeg[static_cast<std::size_t>(peak - c.gainDb.begin())];
    c.beamwidthDeg = HalfPowerWidth(c.angleDeg, c.gainDb, referenceDb);
    return c;
}

} // namespace

PlotCut HorizontalCut(const Beam& b, double stepDeg) {
    // A measured pattern shows its own horizontal cut: the combined gain at
    // theta = 0 also carries the difference of the two cuts behind the antenna.
    if (b.pattern)
        return Sample(
            stepDeg, [&](double a) { return -CutLossDb(b.pattern->Horizontal, a); }, 0.0);
    return Sample(
        stepDeg, [&](double a) { return b.GainDb(a > 180.0 ? a - 360.0 : a, 0.0); }, std::nullopt);
}

PlotCut VerticalCut(const Beam& b, double tiltDeg, double stepDeg) {
    return Sample(
        stepDeg,
        [&](double a) {
            // The beam's own vertical angle, in (-180, 180]: the front half is
            // phi = 0, the back half phi = 180 seen from behind.
            double v = std::remainder(a - tiltDeg, 360.0);
            if (v <= -180.0) v += 360.0;
            if (std::fabs(v) <= 90.0) return b.GainDb(0.0, v);
            return b.GainDb(180.0, v > 0.0 ? 180.0 - v : -180.0 - v);
        },
        b.pattern ? std::optional<double>(0.0) : std::nullopt);
}

PatternFigures PatternOwnFigures(const AntennaPattern& p) {
    const Beam b{&p, {}};
    const PlotCut v = VerticalCut(b, 0.0);
    return {HorizontalCut(b).beamwidthDeg, v.beamwidthDeg, std::remainder(v.peakDeg, 360.0)};
}

double HalfPowerWidth(const std::vector<double>& angleDeg, const std::vector<double>& gainDb,
                      std::optional<double> referenceDb) {
    const std::size_t n = std::min(angleDeg.size(), gainDb.size());
    if (n < 2) return 360.0;
    const double step = 360.0 / static_cast<double>(n);
    const std::size_t m = static_cast<std::size_t>(
        std::max_element(gainDb.begin(), gainDb.begin() + static_cast<std::ptrdiff_t>(n)) -
        gainDb.begin());
    const double threshold = referenceDb.value_or(gainDb[m]) - HalfPowerDb;
    if (gainDb[m] < threshold) return 0.0;
    // Degrees from the peak to the first crossing of the threshold, one way.
    const auto reach = [&](int dir) -> std::optional<double> {
        double prev = gainDb[m];
        for (std::size_t k = 1; k < n; ++k) {
            const double g = gainDb[dir > 0 ? (m + k) % n : (m + n - k) % n];
            if (g < threshold)
                return (static_cast<double>(k - 1) + (prev - threshold) / (prev - g)) * step;
            prev = g;
        }
        return std::nullopt;
    };
    const auto right = reach(1), left = reach(-1);
    if (!right || !left) return 360.0;
    return std::min(360.0, *right + *left);
}

double DirectivityDbi(const Beam& b) {
    constexpr double Deg = std::numbers::pi / 180.0;
    double sum = 0.0;
    for (int j = 0; j < 180; ++j) {
        const double theta = -89.5 + j;
        double ring = 0.0;
        for (int i = 0; i < 360; ++i)
            ring += std::pow(10.0, b.GainDb(-179.5 + i, theta) / 10.0);
        sum += ring * std::cos(theta * Deg);
    }
    sum *= Deg * Deg;
    return 10.0 * std::log10(4.0 * std::numbers::pi / sum);
}

} // namespace brenvik::antenna
