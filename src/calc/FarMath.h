#pragma once

// The polynomials of the far-field vector loops' inline atan2 and 2^x, shared
// by their AVX2 and AVX-512 forms so that both give the same values.

namespace brenvik::kernel::farmath {

// Both loops' atan2 folds the octant of (|x|, |y|) onto t = u / v in [0, 1]
// (u, v the smaller and the larger of the two), and t above tan(pi/8) onto
// (u - v) / (u + v) with 45 degrees added, so that one division leaves
// |t| <= tan(pi/8), where the polynomial below serves. The quadrant and the
// sign follow as in std::atan2, the signs of zeros included: (+-0, -0) gives
// +-180, (+-0, +0) gives +-0. Odd in y, so mirror-image nodes see opposite
// angles.
//
// atan t = t + t^3 S(t^2) for |t| <= tan(pi/8): the coefficients of S,
// highest power first, fitted for the least largest error of atan itself
// (2e-16 radians).
inline constexpr int AtanTerms = 9;
inline constexpr double AtanS[AtanTerms] = {
    -0.024778460895266075, 0.049818294948441727,  -0.064916409601022573,
    0.076709373603844319,  -0.090892539006857884, 0.11111031510098708,
    -0.14285712047392571,  0.19999999967652857,   -0.3333333333315901};
// 2^f = 1 + f T(f) for f in [-0.5, 0.5]: the coefficients of T, highest power
// first (T interpolated at Chebyshev nodes; 2^f within 4e-14 relative, far
// below what the densities are held to, for two terms fewer than full
// precision takes).
inline constexpr int Exp2Terms = 9;
inline constexpr double Exp2T[Exp2Terms] = {
    1.0203121099464901e-07, 1.3255224877382095e-06, 1.5252686846036059e-05,
    0.00015403455852455513, 0.0013333558179043595,  0.0096181291594025671,
    0.055504108664760424,   0.24022650695812989,    0.69314718055994529};

} // namespace brenvik::kernel::farmath
