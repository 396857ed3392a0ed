// The far-field column in four-lane AVX2 arithmetic. The angles and the
// power of ten are this file's own polynomials (atan2 within about 2e-14
// degrees, 2^x within 4e-14 relative), evaluated inline so that the blocks
// of nodes stay in registers. The cuts are read from their tables, a pair of
// neighbouring entries per node; the tables' linear interpolation is the
// cuts' own, so the node sums stay within 1e-12 of the plain loop; an
// adaptive antenna's envelope is read from its 2-D table the same way. The
// arithmetic is the AVX-512 loop's, step for step, so that both give the same
// densities (all but the faintest, below 2^-1022 of the beam's scale). Only
// this file's functions are compiled for AVX2 and FMA (kernel::BestIsa picks
// them).
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
#include <immintrin.h>
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#include "calc/FarMath.h"
#include "calc/Kernel.h"

namespace brenvik::kernel {

namespace {

// The angles of one beam in its table's units (1 / perDeg of a degree):
// atan's coefficients in those units (FarBeam::atanUnits) and the fold's
// angles in them, so that no product converts the angle afterwards.
struct AngleUnits {
    const double* k;
    __m256d a45, a90, a180;
};

// atan2(y, x) in the units of `a`, or -atan2(y, x) for `negated` (then x must
// not be negative: its sign is not looked at), folded and signed as
// farmath's notes say.
template <bool negated>
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline __m256d
    Atan2Units(__m256d y, __m256d x, const AngleUnits& a) {
    const __m256d signs = _mm256_set1_pd(-0.0);
    const __m256d ax = negated ? x : _mm256_andnot_pd(signs, x), ay = _mm256_andnot_pd(signs, y);
    const __m256d u = _mm256_min_pd(ax, ay), v = _mm256_max_pd(ax, ay);
    const __m256d big =
        _mm256_cmp_pd(u, _mm256_mul_pd(v, _mm256_set1_pd(0.41421356237309503)), _CMP_GT_OQ);
    const __m256d num = _mm256_blendv_pd(u, _mm256_sub_pd(u, v), big);
    const __m256d den = _mm256_blendv_pd(v, _mm256_add_pd(u, v), big);
    // At the origin (0 / 0) the folded angle is 0.
    const __m256d t = _mm256_and_pd(_mm256_div_pd(num, den),
                                    _mm256_cmp_pd(den, _mm256_setzero_pd(), _CMP_NEQ_UQ));
    const __m256d z = _mm256_mul_pd(t, t);
    __m256d p = _mm256_set1_pd(a.k[0]);
    for (int i = 1; i <= farmath::AtanTerms; ++i)
        p = _mm256_fmadd_pd(p, z, _mm256_set1_pd(a.k[i]));
    // (The 45 degrees of the fold added in the same rounding.)
    __m256d d = _mm256_fmadd_pd(p, t, _mm256_and_pd(big, a.a45));
    d = _mm256_blendv_pd(d, _mm256_sub_pd(a.a90, d), _mm256_cmp_pd(ay, ax, _CMP_GT_OQ));
    // x's sign bit picks 180 - d (blendv reads only the sign bit).
    if (!negated) d = _mm256_blendv_pd(d, _mm256_sub_pd(a.a180, d), x);
    // d is not negative: its sign becomes y's (d | (y & sign)), or the
    // opposite of y's (d | (~y & sign)).
    return _mm256_or_pd(d, negated ? _mm256_andnot_pd(y, signs) : _mm256_and_pd(y, signs));
}

// s 2^x: x = n + f with n whole and |f| <= 1/2, 2^f = 1 + f T(f) with T a
// polynomial of degree 8 (error below 4e-14), times 2^n built in the
// exponent bits; `k` holds s T's coefficients, then s, so that the beam's
// scale s costs no product of its own. x is held to -1022..1023 first (a
// NaN stays NaN), so that 2^n is a normal number; below -1022 the result is
// off by less than s 2^-1022 absolute. n is rounded by adding and taking
// away 1.5 2^52, which leaves n in the low bits of the sum: the same n as a
// rounding to the nearest, without moving it through 32-bit integers.
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline __m256d
ScaledExp2(__m256d x, const double (&k)[farmath::Exp2Terms + 1]) {
    const __m256d shifter = _mm256_set1_pd(6755399441055744.0);
    x = _mm256_max_pd(_mm256_set1_pd(-1022.0), x);
    x = _mm256_min_pd(_mm256_set1_pd(1023.0), x);
    const __m256d shifted = _mm256_add_pd(x, shifter);
    const __m256d n = _mm256_sub_pd(shifted, shifter);
    const __m256d f = _mm256_sub_pd(x, n);
    __m256d p = _mm256_set1_pd(k[0]);
    for (int i = 1; i < farmath::Exp2Terms; ++i)
        p = _mm256_fmadd_pd(p, f, _mm256_set1_pd(k[i]));
    const __m256i bits = _mm256_slli_epi64(
        _mm256_add_epi64(_mm256_castpd_si256(shifted), _mm256_set1_epi64x(1023)), 52);
    return _mm256_mul_pd(_mm256_fmadd_pd(f, p, _mm256_set1_pd(k[farmath::Exp2Terms])),
                         _mm256_castsi256_pd(bits));
}

// The table position of angles x (in the table's units; its first angle is
// -first): the entry below and the fraction of the step beyond it.
struct Position {
    __m128i i;
    __m256d base, pos;
};

BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline Position At(__m256d x, __m256d first, __m256d last) {
    Position p;
    p.pos = _mm256_add_pd(x, first);
    p.base = _mm256_min_pd(_mm256_floor_pd(p.pos), last);
    p.i = _mm256_cvttpd_epi32(p.base);
    return p;
}

// Four table indices taken out of a vector two at a time (each 64-bit half
// holds two), which costs fewer moves out of the vector unit than one at a
// time.
struct Indices {
    long long q[2];
    int operator[](int k) const {
        return k & 1 ? static_cast<int>(q[k >> 1] >> 32) : static_cast<int>(q[k >> 1]);
    }
};

BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline Indices Split(__m128i v) {
    return {{_mm_cvtsi128_si64(v), _mm_extract_epi64(v, 1)}};
}

// The entries of a table below and above the positions of `at` (four
// indices): each pair is one 16-byte load, the pairs are then split into the
// lower and the upper entries. (Two gathers per table did the same with
// eight element loads and stalled the loop.)
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline void Pairs(const double* table, const Indices& at,
                                                 __m256d& lo, __m256d& hi) {
    const auto two = [table, at](int k) BRENVIK_VECTOR_FN("avx2,fma") {
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(table + at[k])),
                                    _mm_loadu_pd(table + at[k + 2]), 1);
    };
    const __m256d a = two(0), b = two(1);
    lo = _mm256_unpacklo_pd(a, b);
    hi = _mm256_unpackhi_pd(a, b);
}

// The loss in a table at a position: the entry below and the next, linearly
// interpolated.
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline __m256d Lookup(const double* table, const Indices& at,
                                                     const Position& p) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    __m256d lo, hi;
    Pairs(table, at, lo, hi);
    return _mm256_fmadd_pd(_mm256_sub_pd(p.pos, p.base), _mm256_sub_pd(hi, lo), lo);
}

// The constants of one beam and column in every lane.
struct Consts {
    __m256d e, ys, h, z, sinAz, cosAz, sinT, cosT;
    __m256d eSinAz, eCosAz, minusCosAz; // products of the column's dx
    __m256d inverseLimit, lastH, lastV, phi3, theta3, thetaE;
    __m256d envLastPhi, envLastTheta, envPhiCount;
    __m256d halfTurn, quarterTurn; // 180 and 90 degrees in the tables' units
    AngleUnits units;
};

// An envelope's gain in dB towards (phi, theta), read from its table as the
// plain loop reads it: the sample below in each angle and the next, bilinear
// in dB (first along phi, then along theta). The plain loop takes phi -180
// as 180; the table holds the same gains at both (one direction), so -180
// is read at its own end here. theta is within -90..90 as Atan2Units gives it.
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline __m256d EnvelopeDb(const FarBeam& b, const Consts& c,
                                                         __m256d phi, __m256d theta) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const Position h = At(phi, c.halfTurn, c.envLastPhi);
    const Position v = At(theta, c.quarterTurn, c.envLastTheta);
    // Sample (i, j) is entry j phiCount + i; (i, j + 1) one row further.
    const Indices at = Split(_mm256_cvttpd_epi32(_mm256_fmadd_pd(v.base, c.envPhiCount, h.base)));
    __m256d lo0, hi0, lo1, hi1;
    Pairs(b.envelope, at, lo0, hi0);
    Pairs(b.envelope + b.envelopePhiCount, at, lo1, hi1);
    const __m256d fx = _mm256_sub_pd(h.pos, h.base), fy = _mm256_sub_pd(v.pos, v.base);
    const __m256d low = _mm256_fmadd_pd(fx, _mm256_sub_pd(hi0, lo0), lo0);
    const __m256d high = _mm256_fmadd_pd(fx, _mm256_sub_pd(hi1, lo1), lo1);
    return _mm256_fmadd_pd(fy, _mm256_sub_pd(high, low), low);
}

// A measured beam's gain as a power of two towards (phi, theta): its
// horizontal cut's loss, plus the front of the vertical cut at theta and its
// step towards the back cut per unit of |phi| (G_H(0) and G_H(180)
// included), each table read as a pair of neighbouring entries.
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline __m256d MeasuredLog2(const FarBeam& b, const Consts& c,
                                                           __m256d phi, __m256d theta) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const Position h = At(phi, c.halfTurn, c.lastH);
    const Position v = At(theta, c.quarterTurn, c.lastV);
    const Indices hAt = Split(h.i), vAt = Split(_mm_slli_epi32(v.i, 2));
    const __m256d lh = Lookup(b.hLog2, hAt, h);
    // Each quad F[k], F[k + 1] - F[k], D[k], D[k + 1] - D[k] read as two
    // pairs.
    __m256d f0, df, d0, dd;
    Pairs(b.vQuads, vAt, f0, df);
    Pairs(b.vQuads + 2, vAt, d0, dd);
    const __m256d fv = _mm256_sub_pd(v.pos, v.base);
    const __m256d front = _mm256_fmadd_pd(fv, df, f0);
    const __m256d step = _mm256_fmadd_pd(fv, dd, d0);
    const __m256d gain = _mm256_add_pd(
        lh, _mm256_fmadd_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), phi), step, front));
    // No direction gains more than the peak, whatever the two cuts make of
    // it (the order keeps a NaN, as std::min does).
    return _mm256_min_pd(_mm256_setzero_pd(), gain);
}

// Nodes k..k+3 of the column: their angles in the beam and distances.
struct Block {
    __m256i inside;
    __m256d y, x, r2, phi, theta;
};

// The densities of B blocks whose angles are known, stage by stage so that
// the table reads of one block overlap the arithmetic of the others. Each
// gain is worked out as a power of two (10^(G/10) = 2^(G log2(10) / 10)):
// the measured beam's tables hold their losses so, and the parametric
// beam's constants are so scaled. A block that `Tail` marks may end past
// the column: its lanes there are neither read nor written.
template <int B, int Type, bool Tail>
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline void Finish(const FarBeam& b, const Consts& c, Block* q,
                                                  int k, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    constexpr double tenthLog2Ten = 0.33219280948873623478703194294893901758648313930;
    const __m256d zero = _mm256_setzero_pd();
    const __m256d twelve = _mm256_set1_pd(12.0 * tenthLog2Ten);
    const __m256d am = _mm256_set1_pd(25.0 * tenthLog2Ten),
                  sla = _mm256_set1_pd(20.0 * tenthLog2Ten);
    __m256d g[B];
#pragma GCC unroll 16
    for (int n = 0; n < B; ++n) {
        const __m256d phi = q[n].phi, theta = q[n].theta;
        if constexpr (Type == FarBeam::Envelope) {
            g[n] = _mm256_mul_pd(EnvelopeDb(b, c, phi, theta), _mm256_set1_pd(tenthLog2Ten));
        } else if constexpr (Type == FarBeam::Measured) {
            g[n] = MeasuredLog2(b, c, phi, theta);
        } else {
            const __m256d v = _mm256_div_pd(_mm256_sub_pd(theta, c.thetaE), c.theta3);
            const __m256d av =
                _mm256_sub_pd(zero, _mm256_min_pd(_mm256_mul_pd(twelve, _mm256_mul_pd(v, v)), sla));
            if constexpr (Type == FarBeam::Panel) {
                const __m256d h = _mm256_div_pd(phi, c.phi3);
                const __m256d ah = _mm256_sub_pd(
                    zero, _mm256_min_pd(_mm256_mul_pd(twelve, _mm256_mul_pd(h, h)), am));
                g[n] = _mm256_sub_pd(zero,
                                     _mm256_min_pd(_mm256_sub_pd(zero, _mm256_add_pd(ah, av)), am));
            } else {
                g[n] = av;
            }
        }
    }
#pragma GCC unroll 16
    for (int n = 0; n < B; ++n)
        g[n] = ScaledExp2(g[n], b.expScaled);
#pragma GCC unroll 16
    for (int n = 0; n < B; ++n) {
        const __m256d sd = _mm256_div_pd(g[n], q[n].r2);
        double* acc = out.density + k + 4 * n;
        double* r = out.ratio ? out.ratio + k + 4 * n : nullptr;
        if constexpr (Tail) {
            const __m256i in = q[n].inside;
            _mm256_maskstore_pd(acc, in, _mm256_add_pd(_mm256_maskload_pd(acc, in), sd));
            if (r)
                _mm256_maskstore_pd(
                    r, in,
                    _mm256_add_pd(_mm256_maskload_pd(r, in), _mm256_mul_pd(sd, c.inverseLimit)));
        } else {
            _mm256_storeu_pd(acc, _mm256_add_pd(_mm256_loadu_pd(acc), sd));
            if (r)
                _mm256_storeu_pd(
                    r, _mm256_add_pd(_mm256_loadu_pd(r), _mm256_mul_pd(sd, c.inverseLimit)));
        }
    }
}

// Offsets, distance and the beam frame of nodes k..k+3; the angles follow.
template <bool Tail>
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline Block
    Prepare(const Consts& c, const Column& col, int k, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d minR2 = _mm256_set1_pd(0.01);
    Block q;
    __m256d y, g;
    if constexpr (Tail) {
        q.inside = _mm256_cmpgt_epi64(_mm256_set1_epi64x(n - k), _mm256_setr_epi64x(0, 1, 2, 3));
        y = _mm256_maskload_pd(col.y + k, q.inside);
        g = _mm256_maskload_pd(col.g + k, q.inside);
    } else {
        y = _mm256_loadu_pd(col.y + k);
        g = _mm256_loadu_pd(col.g + k);
    }
    const __m256d dy = _mm256_sub_pd(y, c.ys);
    const __m256d dz = _mm256_sub_pd(_mm256_sub_pd(c.h, g), c.z);
    // North is -dy, up is -dz; the products and sums are the plain loop's,
    // in its order and unfused (the minus signs moved onto the constants,
    // which keeps every bit), so that nodes the plain loop sees at mirror
    // angles are seen so here too, ties and all. The distance is taken in
    // the beam's frame, f'^2 + s^2 + u'^2, which mirror images share to the
    // bit, and which is the plain loop's own sum for a beam facing north.
    const __m256d f = _mm256_add_pd(c.eSinAz, _mm256_mul_pd(dy, c.minusCosAz));
    const __m256d s = _mm256_add_pd(c.eCosAz, _mm256_mul_pd(dy, c.sinAz));
    const __m256d fp = _mm256_add_pd(_mm256_mul_pd(f, c.cosT), _mm256_mul_pd(dz, c.sinT));
    // u' (theta is the angle of -u': Step negates it).
    q.theta = _mm256_sub_pd(_mm256_mul_pd(f, c.sinT), _mm256_mul_pd(dz, c.cosT));
    q.y = s;
    q.x = fp;
    const __m256d h2 = _mm256_add_pd(_mm256_mul_pd(fp, fp), _mm256_mul_pd(s, s));
    q.phi = _mm256_sqrt_pd(h2);
    q.r2 = _mm256_max_pd(_mm256_add_pd(h2, _mm256_mul_pd(q.theta, q.theta)), minR2);
    return q;
}

template <int B, int Type, bool Tail>
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((always_inline)) inline void Step(const FarBeam& b, const Consts& c,
                                                const Column& col, int k, int n, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Block q[B];
#pragma GCC unroll 16
    for (int i = 0; i < B; ++i)
        q[i] = Prepare<Tail>(c, col, k + 4 * i, n);
// phi = atan2(s, f'), theta = atan2(-u', sqrt(f'^2 + s^2)).
#pragma GCC unroll 16
    for (int i = 0; i < B; ++i) {
        const __m256d horiz = q[i].phi;
        q[i].phi = Atan2Units<false>(q[i].y, q[i].x, c.units);
        q[i].theta = Atan2Units<true>(q[i].theta, horiz, c.units);
    }
    Finish<B, Type, Tail>(b, c, q, k, out);
}

// The column for one type of beam: eight blocks of four per step (the
// loads of one overlap the arithmetic of the others; eight ran a quarter
// faster than four, and twelve no faster than eight, the sixteen registers
// spilling either way), then four, then the whole blocks one by one, then
// the last few nodes under a mask. (Masks on every block, as the AVX-512
// loop has them, cost the measured beam a few per cent.) A function of its
// own for each type, as in the AVX-512 loop, so that each gets its own
// register allocation.
template <int Type>
BRENVIK_VECTOR_FN("avx2,fma")
__attribute__((noinline)) void Blocks(const FarBeam& b, const Consts& c, const Column& col,
                                      const Sums& out, int n) {
    int k = 0;
    for (; k + 32 <= n; k += 32)
        Step<8, Type, false>(b, c, col, k, n, out);
    for (; k + 16 <= n; k += 16)
        Step<4, Type, false>(b, c, col, k, n, out);
    for (; k + 4 <= n; k += 4)
        Step<1, Type, false>(b, c, col, k, n, out);
    if (k < n) Step<1, Type, true>(b, c, col, k, n, out);
}

} // namespace

BRENVIK_VECTOR_FN("avx2,fma")
void AddFarColumnAvx2(const FarBeam& b, const Column& col, const Sums& out, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Consts c;
    c.e = _mm256_set1_pd(col.dx);
    c.ys = _mm256_set1_pd(col.ys);
    c.h = _mm256_set1_pd(col.h);
    c.z = _mm256_set1_pd(col.z);
    c.sinAz = _mm256_set1_pd(b.sinAz);
    c.cosAz = _mm256_set1_pd(b.cosAz);
    c.sinT = _mm256_set1_pd(b.sinTilt);
    c.cosT = _mm256_set1_pd(b.cosTilt);
    c.eSinAz = _mm256_set1_pd(col.dx * b.sinAz);
    c.eCosAz = _mm256_set1_pd(col.dx * b.cosAz);
    c.minusCosAz = _mm256_set1_pd(-b.cosAz);
    c.inverseLimit = _mm256_set1_pd(out.inverseLimit);
    c.lastH = _mm256_set1_pd(static_cast<double>(b.perTurn - 1));
    c.lastV = _mm256_set1_pd(static_cast<double>(b.perTurn / 2 - 1));
    c.phi3 = _mm256_set1_pd(b.phi3);
    c.theta3 = _mm256_set1_pd(b.theta3);
    c.thetaE = _mm256_set1_pd(b.thetaE);
    const double perDeg = b.unitsPerDeg;
    c.units.k = b.atanUnits;
    c.units.a45 = _mm256_set1_pd(45.0 * perDeg);
    c.units.a90 = _mm256_set1_pd(90.0 * perDeg);
    c.units.a180 = _mm256_set1_pd(180.0 * perDeg);
    c.halfTurn = c.units.a180;
    c.quarterTurn = c.units.a90;
    c.envLastPhi = _mm256_set1_pd(static_cast<double>(b.envelopePhiCount - 2));
    c.envLastTheta = _mm256_set1_pd(static_cast<double>((b.envelopePhiCount - 1) / 2 - 1));
    c.envPhiCount = _mm256_set1_pd(static_cast<double>(b.envelopePhiCount));
    switch (b.type) {
    case FarBeam::Measured:
        return Blocks<FarBeam::Measured>(b, c, col, out, n);
    case FarBeam::Envelope:
        return Blocks<FarBeam::Envelope>(b, c, col, out, n);
    case FarBeam::Panel:
        return Blocks<FarBeam::Panel>(b, c, col, out, n);
    default:
        return Blocks<FarBeam::Stick>(b, c, col, out, n);
    }
}

} // namespace brenvik::kernel
