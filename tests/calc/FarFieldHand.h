#pragma once

// The far-field density written from the model's formulas, independently of
// the program's code: the check the calculation and the batch results are
// held to.
#include "model/Project.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace farfieldhand {

using brenvik::Antenna;
using brenvik::AntennaPattern;
using brenvik::PatternCut;
using brenvik::Project;

inline double HandLoss(const PatternCut& c, double deg) {
    double x = std::fmod(deg, 360.0);
    if (x < 0) x += 360.0;
    if (x < c.Angle.front()) x += 360.0;
    const std::size_t n = c.Angle.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double a0 = c.Angle[k], a1 = k + 1 < n ? c.Angle[k + 1] : c.Angle[0] + 360.0;
        const double l1 = k + 1 < n ? c.Loss[k + 1] : c.Loss[0];
        if (x >= a0 && x <= a1) return c.Loss[k] + (x - a0) / (a1 - a0) * (l1 - c.Loss[k]);
    }
    return NAN;
}

// Density of one antenna at offsets east e, north n, up u (metres).
inline double Hand(const Project& p, const Antenna& a, double e, double n, double u, double rf) {
    const double pi = std::numbers::pi, deg = pi / 180;
    const bool stick = a.AntType == brenvik::AntennaKind::Stick;
    const double az = stick ? 0 : a.AntDirection * deg, t = stick ? 0 : a.AntTilt * deg;
    const double f = e * std::sin(az) + n * std::cos(az), s = e * std::cos(az) - n * std::sin(az);
    const double f1 = f * std::cos(t) - u * std::sin(t), u1 = f * std::sin(t) + u * std::cos(t);
    const double phi = std::atan2(s, f1) / deg;
    const double theta = std::atan2(-u1, std::sqrt(f1 * f1 + s * s)) / deg;
    double G;
    if (!a.AntPattern.empty()) {
        const AntennaPattern& q = *std::find_if(p.Patterns.begin(), p.Patterns.end(),
                                                [&](auto& x) { return x.Name == a.AntPattern; });
        const auto gh = [&](double x) { return -HandLoss(q.Horizontal, x); };
        const auto gv = [&](double x) { return -HandLoss(q.Vertical, x); };
        const double w = std::fabs(phi) / 180;
        G = gh(phi) - ((1 - w) * (gh(0) - gv(theta)) + w * (gh(180) - gv(180 - theta)));
        G = std::min(G, 0.0); // never above the pattern's peak
    } else {
        const double t3 = a.AntVBeamwidthDeg > 0 ? a.AntVBeamwidthDeg
                                                 : 2 * (stick ? p.OpenAngleDTS : p.OpenAngleBTS);
        const double x = (theta - a.AntElectricalTiltDeg) / t3, y = phi / a.AntHBeamwidthDeg;
        const double av = -std::min(12 * x * x, 20.0), ah = -std::min(12 * y * y, 25.0);
        G = stick ? av : -std::min(-(ah + av), 25.0);
    }
    const double r = std::max(std::sqrt(e * e + n * n + u * u), 0.1);
    return 100 * rf * 1.64 * a.AntPower * std::pow(10.0, G / 10) / (4 * pi * r * r);
}

inline double HandSum(const Project& p, double x, double y, double z, double rf) {
    double sum = 0;
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const Antenna& a = p.Antennas[s];
        const double xs = a.AntX * p.MetersPerUnit, ys = a.AntY * p.MetersPerUnit;
        sum += Hand(p, a, x - xs, -(y - ys), z - a.AntHeight, rf);
    }
    return sum;
}

} // namespace farfieldhand
