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
// first.
inline constexpr double Exp2T[11] = {
    4.4549753175879637e-10, 7.072587020366988e-09,  1.0178062363400923e-07, 1.321544258256613e-06,
    1.525273382999557e-05,  0.00015403530441744837, 0.0013333558146416812,  0.009618129107606883,
    0.0555041086648216,     0.24022650695910097,    0.6931471805599453};

} // namespace brenvik::kernel::farmath
