#pragma once

// An adaptive array's gain written from the ITU-R M.2101 formulas as they
// stand there, independently of the program's code, and a receptor's
// direction in an antenna's frame: what the envelopes are checked against.
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>
#include <vector>

namespace arrayhand {

inline constexpr double Deg = std::numbers::pi / 180.0;

// theta from the zenith (90: the horizon): element A_E = G - min(-(A_EH +
// A_EV), A_m) with A_EH = -min(12 (phi/65)^2, 30), A_EV = -min(12 ((theta -
// 90)/65)^2, 30), G = 5 dBi; composite A_E + 10 log10(1 + rho (|sum w v|^2 -
// 1)), rho = 1, v = exp(i 2 pi ((n-1) dV cos theta + (m-1) dH sin theta sin phi)),
// w = exp(i 2 pi ((n-1) dV sin etilt - (m-1) dH cos etilt sin escan)) / sqrt(NH NV).
struct Hand {
    int nv = 8, nh = 8;
    double dv = 0.5, dh = 0.5;
    double element(double phi, double thetaZenith) const {
        const double aeh = -std::min(12.0 * std::pow(phi / 65.0, 2), 30.0);
        const double aev = -std::min(12.0 * std::pow((thetaZenith - 90.0) / 65.0, 2), 30.0);
        return 5.0 - std::min(-(aeh + aev), 30.0);
    }
    std::vector<std::complex<double>> v(double phi, double thetaZenith) const {
        std::vector<std::complex<double>> out;
        for (int n = 0; n < nv; ++n)
            for (int m = 0; m < nh; ++m)
                out.push_back(std::polar(
                    1.0, 2 * std::numbers::pi *
                             (n * dv * std::cos(thetaZenith * Deg) +
                              m * dh * std::sin(thetaZenith * Deg) * std::sin(phi * Deg))));
        return out;
    }
    std::vector<std::complex<double>> w(double escan, double etilt) const {
        std::vector<std::complex<double>> out;
        for (int n = 0; n < nv; ++n)
            for (int m = 0; m < nh; ++m)
                out.push_back(
                    std::polar(1.0 / std::sqrt(nv * nh),
                               2 * std::numbers::pi *
                                   (n * dv * std::sin(etilt * Deg) -
                                    m * dh * std::cos(etilt * Deg) * std::sin(escan * Deg))));
        return out;
    }
    // The envelope in dB below the boresight peak (5 dBi + 10 log10(NH NV))
    // towards phi and theta below the horizon: the most any steering over
    // -60..60 and 0..10 degrees gives, tried every 0.25 degrees.
    double envelopeBelowPeak(double phi, double theta) const {
        const auto vs = v(phi, 90.0 + theta);
        double most = 0.0;
        for (double es = -60.0; es <= 60.0; es += 0.25)
            for (double et = 0.0; et <= 10.0; et += 0.25) {
                const auto ws = w(es, et);
                std::complex<double> sum = 0.0;
                for (std::size_t k = 0; k < ws.size(); ++k)
                    sum += ws[k] * vs[k];
                most = std::max(most, std::norm(sum));
            }
        return element(phi, 90.0 + theta) + 10.0 * std::log10(most / (nv * nh)) - 5.0;
    }
};

// (phi, theta below the horizon) in degrees of the offsets east e, north n,
// up u (metres) from an antenna looking along `azimuth` (clockwise from
// north), tilted down by `tilt`.
inline std::pair<double, double> Direction(double e, double n, double u, double azimuth,
                                           double tilt) {
    const double az = azimuth * Deg, t = tilt * Deg;
    const double f = e * std::sin(az) + n * std::cos(az), s = e * std::cos(az) - n * std::sin(az);
    const double f1 = f * std::cos(t) - u * std::sin(t), u1 = f * std::sin(t) + u * std::cos(t);
    return {std::atan2(s, f1) / Deg, std::atan2(-u1, std::sqrt(f1 * f1 + s * s)) / Deg};
}

} // namespace arrayhand
