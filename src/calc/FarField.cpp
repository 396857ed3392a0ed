#include "calc/FarField.h"

#include "antenna/Pattern.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <stdexcept>

namespace brenvik::farfield {

double TableStep(const PatternCut& cut) {
    // Steps of 1/m degree, m = 1..100: pattern files list whole, half or
    // tenth degrees in practice; 1/100 gives tables of 36001 entries.
    if (cut.Angle.empty()) return 0.0;
    for (int m = 1; m <= 100; ++m) {
        const auto divides = [m](double a) {
            const double q = a * m;
            return std::fabs(q - std::nearbyint(q)) <= 1e-9 * std::max(1.0, std::fabs(q));
        };
        if (std::all_of(cut.Angle.begin(), cut.Angle.end(), divides)) return 1.0 / m;
    }
    return 0.0;
}

void Aim(kernel::FarBeam& b, bool stick, double azimuthDeg, double tiltDeg, double erpW) {
    // A stick has no direction and no tilt.
    b.azDeg = stick ? 0.0 : azimuthDeg;
    b.tiltDeg = stick ? 0.0 : tiltDeg;
    const double toRad = std::numbers::pi / 180.0;
    b.sinAz = std::sin(b.azDeg * toRad);
    b.cosAz = std::cos(b.azDeg * toRad);
    b.sinTilt = std::sin(b.tiltDeg * toRad);
    b.cosTilt = std::cos(b.tiltDeg * toRad);
    b.erp = erpW;
    b.scale = 100.0 * antenna::ErpToEirp * erpW / (4.0 * std::numbers::pi);
    for (int i = 0; i < kernel::farmath::Exp2Terms; ++i)
        b.expScaled[i] = kernel::farmath::Exp2T[i] * b.scale;
    b.expScaled[kernel::farmath::Exp2Terms] = b.scale;
    if (!std::isfinite(b.scale) || !std::isfinite(b.sinAz) || !std::isfinite(b.sinTilt))
        throw std::invalid_argument("antenna values out of range");
}

namespace {

// Angles in `perDeg` units of a degree for the vector loops.
void SetUnits(kernel::FarBeam& b, double perDeg) {
    b.unitsPerDeg = perDeg;
    const double perRadian = 180.0 / std::numbers::pi * perDeg;
    for (int i = 0; i < kernel::farmath::AtanTerms; ++i)
        b.atanUnits[i] = kernel::farmath::AtanS[i] * perRadian;
    b.atanUnits[kernel::farmath::AtanTerms] = perRadian;
}

// A measured beam's tables: its cuts' losses at one step that divides every
// listed angle, when there is one.
void FillTables(PreparedBeam& out, bool tables) {
    kernel::FarBeam& b = out.beam;
    const AntennaPattern& pattern = *b.pattern;
    b.gh0 = -antenna::CutLossDb(pattern.Horizontal, 0.0);
    b.gh180 = -antenna::CutLossDb(pattern.Horizontal, 180.0);
    const double hs = TableStep(pattern.Horizontal), vs = TableStep(pattern.Vertical);
    // One step for both cuts: 1 / lcm of their m.
    const long mh = hs > 0.0 ? std::lround(1.0 / hs) : 0, mv = vs > 0.0 ? std::lround(1.0 / vs) : 0;
    const long m = mh && mv ? std::lcm(mh, mv) : 0;
    b.tablesExact = tables && m > 0 && m <= 100;
    if (!b.tablesExact) return;
    b.perTurn = static_cast<int>(360 * m);
    b.perDeg = b.perTurn / 360.0;
    const std::size_t h = static_cast<std::size_t>(b.perTurn) + 1, v = h / 2 + 1;
    // The cuts' losses every step: the horizontal at phi = -180..180, the
    // vertical at theta = -90..90 (front) and at 180 - theta (back).
    const auto at = [&](std::size_t k) { return static_cast<double>(k) * 360.0 / b.perTurn; };
    std::vector<double> front(v), back(v);
    for (std::size_t k = 0; k < v; ++k) {
        front[k] = antenna::CutLossDb(pattern.Vertical, at(k) - 90.0);
        back[k] = antenna::CutLossDb(pattern.Vertical, 270.0 - at(k));
    }
    out.tables.resize(h + 4 * (v - 1));
    // 10^(-L/10) = 2^(L toLog2).
    const double toLog2 = -0.33219280948873623478703194294893901758648313930;
    double* hLog2 = out.tables.data();
    for (std::size_t k = 0; k < h; ++k)
        hLog2[k] = antenna::CutLossDb(pattern.Horizontal, at(k) - 180.0) * toLog2;
    b.hLog2 = hLog2;
    double* quads = hLog2 + h;
    for (std::size_t k = 0; k + 1 < v; ++k) {
        const double f0 = b.gh0 + front[k], f1 = b.gh0 + front[k + 1];
        const double d0 = ((b.gh180 + back[k]) - f0) / 180.0 / b.perDeg * toLog2;
        const double d1 = ((b.gh180 + back[k + 1]) - f1) / 180.0 / b.perDeg * toLog2;
        quads[4 * k] = f0 * toLog2;
        quads[4 * k + 1] = f1 * toLog2 - f0 * toLog2;
        quads[4 * k + 2] = d0;
        quads[4 * k + 3] = d1 - d0;
    }
    b.vQuads = quads;
}

} // namespace

std::shared_ptr<const PreparedBeam> Prepare(const BeamParts& parts, bool tables) {
    auto out = std::make_shared<PreparedBeam>();
    kernel::FarBeam& b = out->beam;
    Aim(b, parts.stick, parts.azimuthDeg, parts.tiltDeg, parts.erpW);
    if (parts.pattern) {
        b.type = kernel::FarBeam::Measured;
        b.pattern = parts.pattern;
        FillTables(*out, tables);
        SetUnits(b, b.perDeg);
        return out;
    }
    if (parts.envelope) {
        b.type = kernel::FarBeam::Envelope;
        out->envelope = parts.envelope;
        b.envelope = parts.envelope->gainDb.data();
        b.envelopePhiCount = parts.envelope->phiCount;
        b.envelopePerDeg = parts.envelope->perDeg;
        SetUnits(b, b.envelopePerDeg);
        return out;
    }
    b.type = parts.stick ? kernel::FarBeam::Stick : kernel::FarBeam::Panel;
    SetUnits(b, 1.0);
    b.phi3 = parts.hBeamwidthDeg;
    b.theta3 = parts.vBeamwidthDeg;
    b.thetaE = parts.electricalTiltDeg;
    if (!(b.phi3 > 0.0) || !(b.theta3 > 0.0) || !std::isfinite(b.phi3) ||
        !std::isfinite(b.theta3) || !std::isfinite(b.thetaE))
        throw std::invalid_argument("beamwidth not positive");
    return out;
}

std::shared_ptr<const PreparedBeam> Prepare(const Project& p, const Antenna& a, bool tables,
                                            antenna::EnvelopeCache* cache) {
    BeamParts parts;
    parts.stick = a.AntType == AntennaKind::Stick;
    parts.azimuthDeg = a.AntDirection;
    parts.tiltDeg = a.AntTilt;
    parts.erpW = AssessedPowerW(a);
    if (!a.AntPattern.empty()) {
        const auto it =
            std::find_if(p.Patterns.begin(), p.Patterns.end(),
                         [&](const AntennaPattern& q) { return q.Name == a.AntPattern; });
        if (it == p.Patterns.end())
            throw std::invalid_argument("pattern not in the project: " + a.AntPattern);
        parts.pattern = &*it;
        return Prepare(parts, tables);
    }
    if (IsAdaptive(a) && !parts.stick) {
        parts.envelope = antenna::EnvelopeOf(antenna::ArrayOf(a), cache);
        return Prepare(parts, tables);
    }
    parts.hBeamwidthDeg = a.AntHBeamwidthDeg;
    parts.vBeamwidthDeg = a.AntVBeamwidthDeg > 0.0
                              ? a.AntVBeamwidthDeg
                              : 2.0 * (parts.stick ? p.OpenAngleDTS : p.OpenAngleBTS);
    parts.electricalTiltDeg = a.AntElectricalTiltDeg;
    return Prepare(parts, tables);
}

void AddColumn(kernel::Isa isa, const kernel::FarBeam& b, const kernel::Column& c,
               const kernel::Sums& out, int n) {
    // A measured beam without exact tables has only the plain loop.
    const bool vector = b.type != kernel::FarBeam::Measured || b.tablesExact;
    if (vector && isa == kernel::Isa::Avx512) return kernel::AddFarColumnAvx512(b, c, out, n);
    if (vector && isa == kernel::Isa::Avx2) return kernel::AddFarColumnAvx2(b, c, out, n);
    kernel::AddFarColumnScalar(b, c, out, n);
}

double DensityAt(const kernel::FarBeam& b, double e, double n, double u) {
    const antenna::Direction d = antenna::DirectionInBeam(e, n, u, b.azDeg, b.tiltDeg);
    double gainDb = 0.0;
    if (b.type == kernel::FarBeam::Measured) {
        gainDb = antenna::PatternGainDb(*b.pattern, d.phiDeg, d.thetaDeg);
    } else if (b.type == kernel::FarBeam::Envelope) {
        gainDb = antenna::EnvelopeLookupDb(b.envelope, b.envelopePhiCount, b.envelopePerDeg,
                                           d.phiDeg, d.thetaDeg);
    } else {
        antenna::ParametricBeam pb;
        pb.stick = b.type == kernel::FarBeam::Stick;
        pb.hBeamwidthDeg = b.phi3;
        pb.vBeamwidthDeg = b.theta3;
        pb.electricalTiltDeg = b.thetaE;
        gainDb = antenna::ParametricGainDb(pb, d.phiDeg, d.thetaDeg);
    }
    return antenna::FarFieldDensity(b.erp, 1.0, std::pow(10.0, gainDb / 10.0),
                                    std::sqrt(e * e + n * n + u * u));
}

} // namespace brenvik::farfield

namespace brenvik::kernel {

void AddFarColumnScalar(const FarBeam& b, const Column& c, const Sums& out, int n) {
    for (int k = 0; k < n; ++k) {
        const double dy = c.y[k] - c.ys;
        const double dz = (c.h - c.g[k]) - c.z;
        // Plan Y grows towards the bottom: north is -dy; up is -dz.
        const double s = farfield::DensityAt(b, c.dx, -dy, -dz);
        out.density[k] += s;
        if (out.ratio) out.ratio[k] += s * out.inverseLimit;
    }
}

} // namespace brenvik::kernel
