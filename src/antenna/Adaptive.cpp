#include "antenna/Adaptive.h"

#include "model/Project.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brenvik::antenna {

namespace {

constexpr double ToRad = std::numbers::pi / 180.0;
// The weakest array factor kept, so that a direction in a null of every beam
// stays a finite number of dB down (-200 dB) rather than minus infinity.
constexpr double LeastFactor = 1e-20;
// The finest table: a quarter degree.
constexpr double MostPerDeg = 4.0;

// |sum over k = 0..n-1 of exp(i 2 pi k psi)|^2 = sin^2(n pi psi) / sin^2(pi psi),
// n^2 where psi is whole: the power of one line of elements whose phase
// steps by psi turns from one element to the next.
double LinePower(int n, double psi) {
    const double x = psi - std::nearbyint(psi);
    const double s = std::sin(std::numbers::pi * x);
    if (std::fabs(s) < 1e-12) return static_cast<double>(n) * n;
    const double t = std::sin(n * std::numbers::pi * x);
    return t * t / (s * s);
}

// Where LinePower peaks between its zeros in (0, 1): the side lobes, found
// by golden section between each pair of neighbouring zeros j/n, (j+1)/n.
std::vector<double> SideLobePeaks(int n) {
    std::vector<double> peaks;
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int j = 1; j + 1 < n; ++j) {
        double lo = static_cast<double>(j) / n, hi = static_cast<double>(j + 1) / n;
        for (int it = 0; it < 80; ++it) {
            const double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
            if (LinePower(n, a) < LinePower(n, b))
                lo = a;
            else
                hi = b;
        }
        peaks.push_back((lo + hi) / 2.0);
    }
    return peaks;
}

// The most LinePower gives over psi in [lo, hi]: n^2 when the interval holds
// a whole number, else the larger of its ends and of the side-lobe peaks
// within it.
double MostLinePower(int n, const std::vector<double>& peaks, double lo, double hi) {
    if (hi - lo >= 1.0) return static_cast<double>(n) * n;
    const double k = std::floor(lo);
    lo -= k, hi -= k;
    if (lo == 0.0 || hi >= 1.0) return static_cast<double>(n) * n;
    double best = std::max(LinePower(n, lo), LinePower(n, hi));
    for (double p : peaks)
        if (p > lo && p < hi) best = std::max(best, LinePower(n, p));
    return best;
}

double Wrap180(double deg) {
    const double w = std::remainder(deg, 360.0);
    return w == -180.0 ? 180.0 : w;
}

// What the envelope needs of an array once.
struct Sweep {
    const ArrayParams& a;
    std::vector<double> rowPeaks, columnPeaks;
    double sinAzMin, sinAzMax;
    double tiltStepDeg; // a side lobe of the rows spans more than 8 such steps

    explicit Sweep(const ArrayParams& p)
        : a(p), rowPeaks(SideLobePeaks(p.rows)), columnPeaks(SideLobePeaks(p.columns)),
          sinAzMin(std::sin(p.azMinDeg * ToRad)), sinAzMax(std::sin(p.azMaxDeg * ToRad)) {
        // Between zeros of the rows' power lie 1/rows turns of phase, at most
        // vSpacing turns per radian of tilt.
        const double lobeDeg = 1.0 / (p.rows * p.vSpacing) / ToRad;
        tiltStepDeg = std::min(1.0, lobeDeg / 8.0);
    }

    // The array factor towards (phi, theta), the beam tilted by `tiltDeg`,
    // at the best azimuth of steering.
    double Factor(double cosThetaSinPhi, double sinTheta, double tiltDeg) const {
        const double t = tiltDeg * ToRad;
        const double rows = LinePower(a.rows, a.vSpacing * (std::sin(t) - sinTheta));
        const double c = std::cos(t);
        const double lo = a.hSpacing * (cosThetaSinPhi - c * sinAzMax);
        const double hi = a.hSpacing * (cosThetaSinPhi - c * sinAzMin);
        return rows * MostLinePower(a.columns, columnPeaks, lo, hi) /
               (static_cast<double>(a.rows) * a.columns);
    }

    // The tilts worth trying towards theta: both ends of the range, every
    // step between, and wherever the rows' power peaks (their phases align,
    // or a side lobe's top).
    std::vector<double> Tilts(double sinTheta) const {
        const double t0 = a.tiltMinDeg, t1 = a.tiltMaxDeg;
        std::vector<double> out{t0};
        const int n = static_cast<int>(std::ceil((t1 - t0) / tiltStepDeg));
        for (int k = 1; k <= n; ++k)
            out.push_back(k == n ? t1 : t0 + (t1 - t0) * k / n);
        const double lo = std::sin(t0 * ToRad), hi = std::sin(t1 * ToRad);
        const auto add = [&](double psi) { // psi: turns of phase between rows
            const int k0 = static_cast<int>(std::ceil((lo - sinTheta) * a.vSpacing - psi));
            const int k1 = static_cast<int>(std::floor((hi - sinTheta) * a.vSpacing - psi));
            for (int k = k0; k <= k1; ++k) {
                const double s = sinTheta + (k + psi) / a.vSpacing;
                if (s >= -1.0 && s <= 1.0) out.push_back(std::clamp(std::asin(s) / ToRad, t0, t1));
            }
        };
        add(0.0);
        for (double p : rowPeaks)
            add(p);
        return out;
    }

    // The most Factor gives over the tilts: the tilts above, then golden
    // section around the best of them.
    double MostFactor(double phiDeg, double thetaDeg) const {
        const double csp = std::cos(thetaDeg * ToRad) * std::sin(phiDeg * ToRad);
        const double st = std::sin(thetaDeg * ToRad);
        double bestT = a.tiltMinDeg, best = 0.0;
        for (double t : Tilts(st)) {
            const double f = Factor(csp, st, t);
            if (f > best) best = f, bestT = t;
        }
        double l = std::max(a.tiltMinDeg, bestT - tiltStepDeg);
        double h = std::min(a.tiltMaxDeg, bestT + tiltStepDeg);
        const double g = (std::sqrt(5.0) - 1.0) / 2.0;
        double x = h - g * (h - l), y = l + g * (h - l);
        double fx = Factor(csp, st, x), fy = Factor(csp, st, y);
        for (int it = 0; it < 40 && h - l > 1e-7; ++it) {
            if (fx < fy) {
                l = x, x = y, fx = fy;
                y = l + g * (h - l), fy = Factor(csp, st, y);
            } else {
                h = y, y = x, fy = fx;
                x = h - g * (h - l), fx = Factor(csp, st, x);
            }
        }
        return std::max({best, fx, fy, LeastFactor});
    }
};

// The samples of a table every 1 / perDeg degrees, both ends included.
int PhiCount(double perDeg) {
    return static_cast<int>(360 * perDeg) + 1;
}
int ThetaCount(double perDeg) {
    return static_cast<int>(180 * perDeg) + 1;
}

// One tilt worth trying for a row of the table: the rows' power there and
// the cosine the columns' phases scale with.
struct TiltTry {
    double rows, cosTilt;
};

// The envelope sampled every 1 / perDeg degrees, relative to nothing (dBi).
// A table holds a million directions: each takes the tilts worth trying of
// its row, strongest rows first, and stops where even the columns' full
// power could not beat the best so far; without the golden section, a tilt
// that the samples miss by a fraction of a side lobe costs far less than the
// table's tolerance.
std::vector<double> SampleEnvelope(const Sweep& s, double perDeg) {
    const ArrayParams& a = s.a;
    const int np = PhiCount(perDeg), nt = ThetaCount(perDeg);
    std::vector<double> out(static_cast<std::size_t>(np) * static_cast<std::size_t>(nt));
    const double cells = static_cast<double>(a.rows) * a.columns;
    std::vector<TiltTry> tries;
    // A steering range even about boresight gives an envelope even in phi:
    // the half from 0 to 180 degrees is the mirror of the other.
    const bool even = a.azMinDeg == -a.azMaxDeg;
    const int last = even ? np / 2 : np - 1;
    for (int j = 0; j < nt; ++j) {
        const double theta = -90.0 + j / perDeg;
        const double st = std::sin(theta * ToRad), ct = std::cos(theta * ToRad);
        tries.clear();
        for (double t : s.Tilts(st))
            tries.push_back({LinePower(a.rows, a.vSpacing * (std::sin(t * ToRad) - st)) / cells,
                             std::cos(t * ToRad)});
        std::sort(tries.begin(), tries.end(),
                  [](const TiltTry& x, const TiltTry& y) { return x.rows > y.rows; });
        for (int i = 0; i <= last; ++i) {
            const double phi = -180.0 + i / perDeg;
            const double csp = ct * std::sin(phi * ToRad);
            double best = LeastFactor;
            for (const TiltTry& t : tries) {
                if (t.rows * a.columns * a.columns <= best) break;
                const double lo = a.hSpacing * (csp - t.cosTilt * s.sinAzMax);
                const double hi = a.hSpacing * (csp - t.cosTilt * s.sinAzMin);
                best = std::max(best, t.rows * MostLinePower(a.columns, s.columnPeaks, lo, hi));
            }
            out[static_cast<std::size_t>(j) * np + i] =
                ElementGainDbi(a, phi, theta) + 10.0 * std::log10(best);
        }
        double* row = out.data() + static_cast<std::ptrdiff_t>(j) * np;
        for (int i = last + 1; i < np; ++i)
            row[i] = row[np - 1 - i];
    }
    return out;
}

// The largest difference between a table sampled every 1 / perDeg degrees
// and its own interpolation at the samples of the table twice as fine.
double HalvingChange(const std::vector<double>& coarse, const std::vector<double>& fine,
                     double perDeg) {
    const int np = PhiCount(perDeg);
    const int fp = PhiCount(2 * perDeg), ft = ThetaCount(2 * perDeg);
    double worst = 0.0;
    for (int i = 0; i < fp; ++i)
        for (int j = 0; j < ft; ++j) {
            if (i % 2 == 0 && j % 2 == 0) continue;
            const double v = EnvelopeLookupDb(coarse.data(), np, perDeg, -180.0 + i / (2 * perDeg),
                                              -90.0 + j / (2 * perDeg));
            worst = std::max(worst, std::fabs(v - fine[static_cast<std::size_t>(j) * fp + i]));
        }
    return worst;
}

// The envelope at the step the table keeps: whole degrees first, then halves
// and quarters, until the next halving moves no sample by more than the
// tolerance; a quarter degree at most (a million values, 8 MB).
struct Refined {
    double perDeg = 1.0;
    std::vector<double> table;
};
Refined Refine(const Sweep& s) {
    Refined r;
    r.table = SampleEnvelope(s, r.perDeg);
    for (; r.perDeg < MostPerDeg; r.perDeg *= 2.0) {
        std::vector<double> finer = SampleEnvelope(s, 2.0 * r.perDeg);
        if (HalvingChange(r.table, finer, r.perDeg) <= EnvelopeToleranceDb) break;
        r.table = std::move(finer);
    }
    return r;
}

} // namespace

ArrayParams ArrayOf(const Antenna& a) {
    ArrayParams p;
    p.rows = static_cast<int>(std::lround(std::clamp(a.AntArrayRows, 1.0, 64.0)));
    p.columns = static_cast<int>(std::lround(std::clamp(a.AntArrayColumns, 1.0, 64.0)));
    p.elementGainDbi = a.AntElementGainDbi;
    p.hWidthDeg = a.AntElementHWidthDeg;
    p.vWidthDeg = a.AntElementVWidthDeg;
    p.frontBackDb = a.AntElementFrontBackDb;
    p.sideLobeDb = a.AntElementSideLobeDb;
    p.hSpacing = a.AntArrayHSpacing;
    p.vSpacing = a.AntArrayVSpacing;
    p.azMinDeg = std::min(a.AntSteerAzMinDeg, a.AntSteerAzMaxDeg);
    p.azMaxDeg = std::max(a.AntSteerAzMinDeg, a.AntSteerAzMaxDeg);
    p.tiltMinDeg = std::min(a.AntSteerTiltMinDeg, a.AntSteerTiltMaxDeg);
    p.tiltMaxDeg = std::max(a.AntSteerTiltMinDeg, a.AntSteerTiltMaxDeg);
    return p;
}

double ElementGainDbi(const ArrayParams& a, double phiDeg, double thetaDeg) {
    const double h = Wrap180(phiDeg) / a.hWidthDeg, v = thetaDeg / a.vWidthDeg;
    const double ah = -std::min(12.0 * h * h, a.frontBackDb);
    const double av = -std::min(12.0 * v * v, a.sideLobeDb);
    return a.elementGainDbi - std::min(-(ah + av), a.frontBackDb);
}

double SteeredGainDbi(const ArrayParams& a, double phiDeg, double thetaDeg, double steerAzDeg,
                      double steerTiltDeg) {
    const double th = thetaDeg * ToRad, t = steerTiltDeg * ToRad;
    const double rows = LinePower(a.rows, a.vSpacing * (std::sin(t) - std::sin(th)));
    const double columns =
        LinePower(a.columns, a.hSpacing * (std::cos(th) * std::sin(phiDeg * ToRad) -
                                           std::cos(t) * std::sin(steerAzDeg * ToRad)));
    const double factor = rows * columns / (static_cast<double>(a.rows) * a.columns);
    return ElementGainDbi(a, phiDeg, thetaDeg) + 10.0 * std::log10(std::max(factor, LeastFactor));
}

double EnvelopeGainDbi(const ArrayParams& a, double phiDeg, double thetaDeg) {
    const Sweep s(a);
    return ElementGainDbi(a, phiDeg, thetaDeg) + 10.0 * std::log10(s.MostFactor(phiDeg, thetaDeg));
}

double EnvelopeLookupDb(const double* gainDb, int phiCount, double perDeg, double phiDeg,
                        double thetaDeg) {
    const double x = (Wrap180(phiDeg) + 180.0) * perDeg;
    const double y = (std::clamp(thetaDeg, -90.0, 90.0) + 90.0) * perDeg;
    const int i = std::clamp(static_cast<int>(std::floor(x)), 0, phiCount - 2);
    const int j = std::clamp(static_cast<int>(std::floor(y)), 0, (phiCount - 1) / 2 - 1);
    const double fx = x - i, fy = y - j;
    // Along phi within each of the two rows of theta, then between them.
    const double* r0 = gainDb + static_cast<std::ptrdiff_t>(j) * phiCount + i;
    const double* r1 = r0 + phiCount;
    const double low = r0[0] + fx * (r0[1] - r0[0]);
    const double high = r1[0] + fx * (r1[1] - r1[0]);
    return low + fy * (high - low);
}

double EnvelopeTable::GainDb(double phiDeg, double thetaDeg) const {
    return EnvelopeLookupDb(gainDb.data(), phiCount, perDeg, phiDeg, thetaDeg);
}

std::shared_ptr<const EnvelopeTable> MakeEnvelope(const ArrayParams& a) {
    Refined r = Refine(Sweep(a));
    std::vector<double>& table = r.table;
    auto out = std::make_shared<EnvelopeTable>();
    out->perDeg = r.perDeg;
    out->phiCount = PhiCount(r.perDeg);
    out->thetaCount = ThetaCount(r.perDeg);
    // The peak: the most of any sample, or of any beam at its own steering
    // direction nearest boresight, whichever is higher.
    const double az = std::clamp(0.0, a.azMinDeg, a.azMaxDeg);
    const double tilt = std::clamp(0.0, a.tiltMinDeg, a.tiltMaxDeg);
    out->peakDbi = std::max(*std::max_element(table.begin(), table.end()),
                            SteeredGainDbi(a, az, tilt, az, tilt));
    for (double& g : table)
        g = std::min(0.0, g - out->peakDbi);
    out->gainDb = std::move(table);
    return out;
}

std::uint64_t EnvelopeBytesAt(double perDeg) {
    return static_cast<std::uint64_t>(PhiCount(perDeg)) *
           static_cast<std::uint64_t>(ThetaCount(perDeg)) * sizeof(double);
}

std::uint64_t EnvelopeBytes(const ArrayParams& a) {
    return EnvelopeBytesAt(Refine(Sweep(a)).perDeg);
}

std::shared_ptr<const EnvelopeTable> EnvelopeCache::Get(const ArrayParams& a) {
    // Made under the lock: two threads asking for one array would otherwise
    // both spend the time.
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [params, table] : tables_)
        if (params == a) return table;
    if (tables_.size() == Kept) tables_.erase(tables_.begin());
    tables_.emplace_back(a, MakeEnvelope(a));
    ++made_;
    return tables_.back().second;
}

int EnvelopeCache::made() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return made_;
}

std::shared_ptr<const EnvelopeTable> EnvelopeOf(const ArrayParams& a, EnvelopeCache* cache) {
    return cache ? cache->Get(a) : MakeEnvelope(a);
}

} // namespace brenvik::antenna
