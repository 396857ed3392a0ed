#include "calc/PowerDensity.h"

#include "calc/Kernel.h"

#include <cmath>

namespace brenvik {

AntennaModel AntennaModel::From(const Antenna& a, double metersPerUnit, double openAngleBTS,
                                double openAngleDTS) {
    using namespace beam;
    AntennaModel m;
    m.kind = a.AntType;
    m.xs = a.AntX * metersPerUnit;
    m.ys = a.AntY * metersPerUnit;
    m.power = AssessedPowerW(a);
    m.scale = PowerFactor * m.power;
    const double theta = Pi - Pi * a.AntDirection / HalfTurnDeg;
    m.sinTheta = std::sin(theta);
    m.cosTheta = std::cos(theta);
    m.tilt = a.AntTilt * Pi / HalfTurnDeg;
    m.cosTilt = std::cos(m.tilt);
    m.absSinTilt = std::fabs(std::sin(m.tilt));
    // The stick's open angle is taken as radians after dividing by 180 only.
    m.openAngle =
        m.kind == AntennaKind::Stick ? openAngleDTS / HalfTurnDeg : openAngleBTS * Pi / HalfTurnDeg;
    return m;
}

namespace {

// Vertical beam factor: the logistic cut-off at the open angle, squared cosine.
inline double VerticalFactor(double openAngle, double av) {
    const double f = 1.0 / (1.0 + std::exp((openAngle - av) / beam::TransitionWidth));
    const double c = std::cos(beam::Pi / 2.0 * f);
    return c * c;
}

} // namespace

double ContributionD(const AntennaModel& m, double dx, double dy, double dz) {
    if (m.kind == AntennaKind::None) return 0.0;
    if (dx == 0.0 && dy == 0.0) return 0.0;
    const double u = dx * m.sinTheta + dy * m.cosTheta;
    const double v = -dx * m.cosTheta + dy * m.sinTheta;
    const double uv2 = u * u + v * v;
    const double r2 = uv2 + dz * dz;
    if (m.kind == AntennaKind::Panel) {
        if (u <= 0.0) return 0.0;
        if (m.tilt > 0.0 && dz <= 0.0) return 0.0;
        if (m.tilt < 0.0 && dz >= 0.0) return 0.0;
        // cos^2(atan(|v| / u)) written as u^2 / (u^2 + v^2): the same value
        // without the loss of the arctangent near a right angle.
        const double gh = (u * u) / uv2;
        const double w = std::fabs(dz) * m.cosTilt - u * m.absSinTilt;
        const double av = std::atan(std::fabs(w) / u);
        return m.scale / r2 * VerticalFactor(m.openAngle, av) * gh;
    }
    const double dh = std::sqrt(dx * dx + dy * dy);
    const double av = std::atan(std::fabs(dz) / dh);
    return m.scale / r2 * VerticalFactor(m.openAngle, av);
}

double Contribution(const AntennaModel& m, double x, double y, double h, double z) {
    return ContributionD(m, x - m.xs, y - m.ys, h - z);
}

namespace kernel {

void AddColumnScalar(const Antenna& a, const Column& c, const Sums& out, int n) {
    if (a.kind == FarFieldKind) return AddFarColumnScalar(*a.far, c, out, n);
    AntennaModel m;
    m.kind = static_cast<AntennaKind>(a.kind);
    m.sinTheta = a.sinTheta;
    m.cosTheta = a.cosTheta;
    m.tilt = a.tilt;
    m.cosTilt = a.cosTilt;
    m.absSinTilt = a.absSinTilt;
    m.openAngle = a.openAngle;
    m.scale = a.scale;
    for (int k = 0; k < n; ++k) {
        const double dy = c.y[k] - c.ys;
        if (c.dx == 0.0 && dy == 0.0) continue;
        const double s = ContributionD(m, c.dx, dy, (c.h - c.g[k]) - c.z);
        out.density[k] += s;
        if (out.ratio) out.ratio[k] += s * out.inverseLimit;
    }
}

Isa BestIsa() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return Isa::Avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return Isa::Avx2;
    return Isa::Scalar;
}

} // namespace kernel

} // namespace brenvik
