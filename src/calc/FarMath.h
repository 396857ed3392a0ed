#pragma once

// The polynomials of the far-field vector loops' inline atan2 and 2^x, shared
// by their AVX2 and AVX-512 forms so that both give the same values.

namespace brenvik::kernel::farmath {

// atan t = t + t^3 S(t^2) for |t| <= tan(pi/8): the coefficients of S,
// highest power first (error below 1e-16).
inline constexpr double AtanS[10] = {
    0.022748939747779046, -0.04483218628995374, 0.057362969593526145, -0.06649607953399717,
    0.07691054614825647,  -0.09090852527088297, 0.11111109635603796,  -0.1428571426608229,
    0.19999999999898324,  -0.3333333333333325};
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
