// The far-field column in eight-lane AVX-512 arithmetic. The angles and the
// power of ten are this file's own polynomials (atan2 within about 2e-14
// degrees, 2^x within 4e-14 relative), evaluated inline so that the blocks
// of nodes stay in registers. The cuts are read from their tables, a pair of
// neighbouring entries per node; the tables' linear interpolation is the
// cuts' own, so the node sums stay within 1e-12 of the plain loop; an
// adaptive antenna's envelope is read from its 2-D table the same way. Only
// this file's functions are compiled for AVX-512 (kernel::BestIsa picks them).
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
#include <immintrin.h>
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#include "calc/FarMath.h"
#include "calc/Kernel.h"

namespace brenvik::kernel {

namespace {

// Every lane. (The zero-masked forms of the functions below: their plain
// forms trip a false warning about an undefined operand.)
constexpr __mmask8 all = 0xff;

// The angles of one beam in its table's units (1 / perDeg of a degree):
// atan's coefficients in those units (FarBeam::atanUnits) and the fold's
// angles in them, so that no product converts the angle afterwards.
struct AngleUnits {
    const double* k;
    __m512d a45, a90, a180;
};

// atan2(y, x) in the units of `a`, or -atan2(y, x) for `negated` (then x must
// not be negative: its sign is not looked at), folded and signed as
// farmath's notes say.
template <bool negated>
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline __m512d
    Atan2Units(__m512d y, __m512d x, const AngleUnits& a) {
    const __m512d ax = negated ? x : _mm512_abs_pd(x), ay = _mm512_abs_pd(y);
    const __m512d u = _mm512_maskz_min_pd(all, ax, ay), v = _mm512_maskz_max_pd(all, ax, ay);
    const __mmask8 big =
        _mm512_cmp_pd_mask(u, _mm512_mul_pd(v, _mm512_set1_pd(0.41421356237309503)), _CMP_GT_OQ);
    const __m512d num = _mm512_mask_sub_pd(u, big, u, v);
    const __m512d den = _mm512_mask_add_pd(v, big, u, v);
    // At the origin (0 / 0) the folded angle is 0.
    const __m512d t =
        _mm512_maskz_div_pd(_mm512_cmp_pd_mask(den, _mm512_setzero_pd(), _CMP_NEQ_UQ), num, den);
    const __m512d z = _mm512_mul_pd(t, t);
    __m512d p = _mm512_set1_pd(a.k[0]);
    for (int i = 1; i <= farmath::AtanTerms; ++i)
        p = _mm512_fmadd_pd(p, z, _mm512_set1_pd(a.k[i]));
    // (The 45 degrees of the fold added in the same rounding.)
    __m512d d = _mm512_fmadd_pd(p, t, _mm512_maskz_mov_pd(big, a.a45));
    d = _mm512_mask_sub_pd(d, _mm512_cmp_pd_mask(ay, ax, _CMP_GT_OQ), a.a90, d);
    const __m512i signs = _mm512_set1_epi64(static_cast<long long>(0x8000000000000000ull));
    if (!negated)
        d = _mm512_mask_sub_pd(d, _mm512_test_epi64_mask(_mm512_castpd_si512(x), signs), a.a180, d);
    // d is not negative: its sign becomes y's (d | (y & sign)), or the
    // opposite of y's (d | (~y & sign)).
    return _mm512_castsi512_pd(_mm512_ternarylogic_epi64(
        _mm512_castpd_si512(d), _mm512_castpd_si512(y), signs, negated ? 0xf2 : 0xf8));
}

// s 2^x: x = n + f with n whole and |f| <= 1/2, 2^f = 1 + f T(f) with T a
// polynomial of degree 8 (error below 4e-14), scaled by 2^n; `k`
// holds s T's coefficients, then s, so that the beam's scale s costs no
// product of its own. x is held above -2000 first (0 either way), so that
// x = -infinity gives 0 rather than NaN; a NaN stays NaN.
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline __m512d
ScaledExp2(__m512d x, const double (&k)[farmath::Exp2Terms + 1]) {
    x = _mm512_maskz_max_pd(all, _mm512_set1_pd(-2000.0), x);
    const __m512d n = _mm512_maskz_roundscale_pd(all, x, _MM_FROUND_TO_NEAREST_INT);
    const __m512d f = _mm512_sub_pd(x, n);
    __m512d p = _mm512_set1_pd(k[0]);
    for (int i = 1; i < farmath::Exp2Terms; ++i)
        p = _mm512_fmadd_pd(p, f, _mm512_set1_pd(k[i]));
    return _mm512_maskz_scalef_pd(all, _mm512_fmadd_pd(f, p, _mm512_set1_pd(k[farmath::Exp2Terms])),
                                  n);
}

// The table position of angles x (in the table's units; its first angle is
// -first): the entry below and the fraction of the step beyond it.
struct Position {
    __m256i i;
    __m512d base, pos;
};

BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline Position At(__m512d x, __m512d first, __m512d last) {
    Position p;
    p.pos = _mm512_add_pd(x, first);
    p.base = _mm512_maskz_min_pd(all, _mm512_maskz_roundscale_pd(all, p.pos, _MM_FROUND_TO_NEG_INF),
                                 last);
    p.i = _mm512_maskz_cvttpd_epi32(all, p.base);
    return p;
}

// Eight table indices taken out of a vector two at a time (each 64-bit
// half holds two), which costs fewer moves out of the vector unit than one
// at a time.
struct Indices {
    long long q[4];
    int operator[](int k) const {
        return k & 1 ? static_cast<int>(q[k >> 1] >> 32) : static_cast<int>(q[k >> 1]);
    }
};

BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline Indices Split(__m256i v) {
    const __m128i lo = _mm256_castsi256_si128(v), hi = _mm256_extracti128_si256(v, 1);
    return {{_mm_cvtsi128_si64(lo), _mm_extract_epi64(lo, 1), _mm_cvtsi128_si64(hi),
             _mm_extract_epi64(hi, 1)}};
}

// The entries of a table below and above the positions of `at` (eight
// indices): each pair is one 16-byte load, the pairs are then split into the
// lower and the upper entries. (Two gathers per table did the same with
// sixteen element loads and stalled the loop.)
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline void Pairs(const double* table, const Indices& at,
                                                 __m512d& lo, __m512d& hi) {
    const auto two = [table, at](int k) BRENVIK_VECTOR_FN("avx512f") {
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(table + at[k])),
                                    _mm_loadu_pd(table + at[k + 1]), 1);
    };
    const __m512d a = _mm512_maskz_insertf64x4(all, _mm512_castpd256_pd512(two(0)), two(2), 1);
    const __m512d b = _mm512_maskz_insertf64x4(all, _mm512_castpd256_pd512(two(4)), two(6), 1);
    lo = _mm512_permutex2var_pd(a, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), b);
    hi = _mm512_permutex2var_pd(a, _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15), b);
}

// Four entries per lane, from a table of quads (4 at[k] .. 4 at[k] + 3): each
// quad is one 32-byte load; the lanes' quads are then transposed into the
// four entries.
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline void Quads(const double* table, const Indices& at,
                                                 __m512d (&e)[4]) {
    const auto two = [table, at](int k) BRENVIK_VECTOR_FN("avx512f") {
        return _mm512_maskz_insertf64x4(all, _mm512_castpd256_pd512(_mm256_loadu_pd(table + at[k])),
                                        _mm256_loadu_pd(table + at[k + 1]), 1);
    };
    const __m512d z0 = two(0), z1 = two(2), z2 = two(4), z3 = two(6);
    for (int m = 0; m < 4; m += 2) {
        // Entries m and m + 1 of lanes 0..3, then of lanes 4..7.
        const __m512i pick =
            _mm512_setr_epi64(m, m + 4, m + 8, m + 12, m + 1, m + 5, m + 9, m + 13);
        const __m512d low = _mm512_permutex2var_pd(z0, pick, z1);
        const __m512d high = _mm512_permutex2var_pd(z2, pick, z3);
        e[m] = _mm512_maskz_shuffle_f64x2(all, low, high, _MM_SHUFFLE(1, 0, 1, 0));
        e[m + 1] = _mm512_maskz_shuffle_f64x2(all, low, high, _MM_SHUFFLE(3, 2, 3, 2));
    }
}

// The loss in a table at a position: the entry below and the next, linearly
// interpolated.
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline __m512d Lookup(const double* table, const Indices& at,
                                                     const Position& p) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    __m512d lo, hi;
    Pairs(table, at, lo, hi);
    return _mm512_fmadd_pd(_mm512_sub_pd(p.pos, p.base), _mm512_sub_pd(hi, lo), lo);
}

// The constants of one beam and column in every lane.
struct Consts {
    __m512d e, ys, h, z, sinAz, cosAz, sinT, cosT;
    __m512d eSinAz, eCosAz, minusCosAz; // products of the column's dx
    __m512d inverseLimit, lastH, lastV, phi3, theta3, thetaE;
    __m512d envLastPhi, envLastTheta, envPhiCount;
    __m512d halfTurn, quarterTurn; // 180 and 90 degrees in the tables' units
    AngleUnits units;
};

// An envelope's gain in dB towards (phi, theta), read from its table as the
// plain loop reads it: the sample below in each angle and the next, bilinear
// in dB (first along phi, then along theta). The plain loop takes phi -180
// as 180; the table holds the same gains at both (one direction), so -180
// is read at its own end here. theta is within -90..90 as Atan2Units gives it.
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline __m512d EnvelopeDb(const FarBeam& b, const Consts& c,
                                                         __m512d phi, __m512d theta) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const Position h = At(phi, c.halfTurn, c.envLastPhi);
    const Position v = At(theta, c.quarterTurn, c.envLastTheta);
    // Sample (i, j) is entry j phiCount + i; (i, j + 1) one row further.
    const Indices at =
        Split(_mm512_maskz_cvttpd_epi32(all, _mm512_fmadd_pd(v.base, c.envPhiCount, h.base)));
    __m512d lo0, hi0, lo1, hi1;
    Pairs(b.envelope, at, lo0, hi0);
    Pairs(b.envelope + b.envelopePhiCount, at, lo1, hi1);
    const __m512d fx = _mm512_sub_pd(h.pos, h.base), fy = _mm512_sub_pd(v.pos, v.base);
    const __m512d low = _mm512_fmadd_pd(fx, _mm512_sub_pd(hi0, lo0), lo0);
    const __m512d high = _mm512_fmadd_pd(fx, _mm512_sub_pd(hi1, lo1), lo1);
    return _mm512_fmadd_pd(fy, _mm512_sub_pd(high, low), low);
}

// Nodes k..k+7 of the column: their angles in the beam and distances.
struct Block {
    __mmask8 inside;
    __m512d y, x, r2, phi, theta;
};

// The densities of B blocks whose angles are known, stage by stage so that
// the table reads of one block overlap the arithmetic of the others. Each
// gain is worked out as a power of two (10^(G/10) = 2^(G log2(10) / 10)):
// the measured beam's tables hold their losses so, and the parametric
// beam's constants are so scaled.
template <int B, int Type>
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline void Finish(const FarBeam& b, const Consts& c, Block* q,
                                                  int k, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    constexpr double tenthLog2Ten = 0.33219280948873623478703194294893901758648313930;
    const __m512d zero = _mm512_setzero_pd();
    const __m512d twelve = _mm512_set1_pd(12.0 * tenthLog2Ten);
    const __m512d am = _mm512_set1_pd(25.0 * tenthLog2Ten),
                  sla = _mm512_set1_pd(20.0 * tenthLog2Ten);
    __m512d g[B];
#pragma GCC unroll 8
    for (int n = 0; n < B; ++n) {
        const __m512d phi = q[n].phi, theta = q[n].theta;
        if constexpr (Type == FarBeam::Envelope) {
            g[n] = _mm512_mul_pd(EnvelopeDb(b, c, phi, theta), _mm512_set1_pd(tenthLog2Ten));
        } else if constexpr (Type == FarBeam::Measured) {
            const Position h = At(phi, c.halfTurn, c.lastH);
            const Position v = At(theta, c.quarterTurn, c.lastV);
            const Indices hAt = Split(h.i), vAt = Split(_mm256_slli_epi32(v.i, 2));
            const __m512d lh = Lookup(b.hLog2, hAt, h);
            // The front cut at theta and its step towards the back cut per
            // unit of |phi|, G_H(0) and G_H(180) included.
            __m512d cut[4];
            Quads(b.vQuads, vAt, cut);
            const __m512d fv = _mm512_sub_pd(v.pos, v.base);
            const __m512d front = _mm512_fmadd_pd(fv, cut[1], cut[0]);
            const __m512d step = _mm512_fmadd_pd(fv, cut[3], cut[2]);
            const __m512d gain =
                _mm512_add_pd(lh, _mm512_fmadd_pd(_mm512_abs_pd(phi), step, front));
            // No direction gains more than the peak, whatever the two cuts
            // make of it (the order keeps a NaN, as std::min does).
            g[n] = _mm512_maskz_min_pd(all, zero, gain);
        } else {
            const __m512d v = _mm512_div_pd(_mm512_sub_pd(theta, c.thetaE), c.theta3);
            const __m512d av = _mm512_sub_pd(
                zero, _mm512_maskz_min_pd(all, _mm512_mul_pd(twelve, _mm512_mul_pd(v, v)), sla));
            if constexpr (Type == FarBeam::Panel) {
                const __m512d h = _mm512_div_pd(phi, c.phi3);
                const __m512d ah = _mm512_sub_pd(
                    zero, _mm512_maskz_min_pd(all, _mm512_mul_pd(twelve, _mm512_mul_pd(h, h)), am));
                g[n] = _mm512_sub_pd(
                    zero, _mm512_maskz_min_pd(all, _mm512_sub_pd(zero, _mm512_add_pd(ah, av)), am));
            } else {
                g[n] = av;
            }
        }
    }
#pragma GCC unroll 8
    for (int n = 0; n < B; ++n)
        g[n] = ScaledExp2(g[n], b.expScaled);
#pragma GCC unroll 8
    for (int n = 0; n < B; ++n) {
        const __m512d sd = _mm512_div_pd(g[n], q[n].r2);
        const __mmask8 in = q[n].inside;
        double* acc = out.density + k + 8 * n;
        _mm512_mask_storeu_pd(acc, in, _mm512_add_pd(_mm512_maskz_loadu_pd(in, acc), sd));
        if (out.ratio) {
            double* r = out.ratio + k + 8 * n;
            _mm512_mask_storeu_pd(
                r, in,
                _mm512_add_pd(_mm512_maskz_loadu_pd(in, r), _mm512_mul_pd(sd, c.inverseLimit)));
        }
    }
}

// Offsets, distance and the beam frame of nodes k..k+7; the angles follow.
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline Block Prepare(const Consts& c, const Column& col, int k,
                                                    int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d minR2 = _mm512_set1_pd(0.01);
    Block q;
    q.inside = n - k >= 8 ? 0xff : n - k > 0 ? static_cast<__mmask8>((1u << (n - k)) - 1) : 0;
    const __m512d dy = _mm512_sub_pd(_mm512_maskz_loadu_pd(q.inside, col.y + k), c.ys);
    const __m512d dz =
        _mm512_sub_pd(_mm512_sub_pd(c.h, _mm512_maskz_loadu_pd(q.inside, col.g + k)), c.z);
    // North is -dy, up is -dz; the products and sums are the plain loop's,
    // in its order and unfused (the minus signs moved onto the constants,
    // which keeps every bit), so that nodes the plain loop sees at mirror
    // angles are seen so here too, ties and all. The distance is taken in
    // the beam's frame, f'^2 + s^2 + u'^2, which mirror images share to the
    // bit, and which is the plain loop's own sum for a beam facing north.
    const __m512d f = _mm512_add_pd(c.eSinAz, _mm512_mul_pd(dy, c.minusCosAz));
    const __m512d s = _mm512_add_pd(c.eCosAz, _mm512_mul_pd(dy, c.sinAz));
    const __m512d fp = _mm512_add_pd(_mm512_mul_pd(f, c.cosT), _mm512_mul_pd(dz, c.sinT));
    // u' (theta is the angle of -u': Step negates it).
    q.theta = _mm512_sub_pd(_mm512_mul_pd(f, c.sinT), _mm512_mul_pd(dz, c.cosT));
    q.y = s;
    q.x = fp;
    const __m512d h2 = _mm512_add_pd(_mm512_mul_pd(fp, fp), _mm512_mul_pd(s, s));
    q.phi = _mm512_maskz_sqrt_pd(all, h2);
    q.r2 = _mm512_maskz_max_pd(all, _mm512_add_pd(h2, _mm512_mul_pd(q.theta, q.theta)), minR2);
    return q;
}

template <int B, int Type>
BRENVIK_VECTOR_FN("avx512f")
__attribute__((always_inline)) inline void Step(const FarBeam& b, const Consts& c,
                                                const Column& col, int k, int n, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Block q[B];
#pragma GCC unroll 8
    for (int i = 0; i < B; ++i)
        q[i] = Prepare(c, col, k + 8 * i, n);
// phi = atan2(s, f'), theta = atan2(-u', sqrt(f'^2 + s^2)).
#pragma GCC unroll 8
    for (int i = 0; i < B; ++i) {
        const __m512d horiz = q[i].phi;
        q[i].phi = Atan2Units<false>(q[i].y, q[i].x, c.units);
        q[i].theta = Atan2Units<true>(q[i].theta, horiz, c.units);
    }
    Finish<B, Type>(b, c, q, k, out);
}

// The column for one type of beam: eight blocks of eight per step (the
// loads of one overlap the arithmetic of the others), then four, then the
// rest block by block. A function of its own for each type: inlined into
// the dispatch, the four loops shared one register allocation and the
// measured beam's lost a sixth of its speed.
template <int Type>
BRENVIK_VECTOR_FN("avx512f")
__attribute__((noinline)) void Blocks(const FarBeam& b, const Consts& c, const Column& col,
                                      const Sums& out, int n) {
    int k = 0;
    for (; k + 56 < n; k += 64)
        Step<8, Type>(b, c, col, k, n, out);
    for (; k + 24 < n; k += 32)
        Step<4, Type>(b, c, col, k, n, out);
    for (; k < n; k += 8)
        Step<1, Type>(b, c, col, k, n, out);
}

} // namespace

BRENVIK_VECTOR_FN("avx512f")
void AddFarColumnAvx512(const FarBeam& b, const Column& col, const Sums& out, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Consts c;
    c.e = _mm512_set1_pd(col.dx);
    c.ys = _mm512_set1_pd(col.ys);
    c.h = _mm512_set1_pd(col.h);
    c.z = _mm512_set1_pd(col.z);
    c.sinAz = _mm512_set1_pd(b.sinAz);
    c.cosAz = _mm512_set1_pd(b.cosAz);
    c.sinT = _mm512_set1_pd(b.sinTilt);
    c.cosT = _mm512_set1_pd(b.cosTilt);
    c.eSinAz = _mm512_set1_pd(col.dx * b.sinAz);
    c.eCosAz = _mm512_set1_pd(col.dx * b.cosAz);
    c.minusCosAz = _mm512_set1_pd(-b.cosAz);
    c.inverseLimit = _mm512_set1_pd(out.inverseLimit);
    c.lastH = _mm512_set1_pd(static_cast<double>(b.perTurn - 1));
    c.lastV = _mm512_set1_pd(static_cast<double>(b.perTurn / 2 - 1));
    c.phi3 = _mm512_set1_pd(b.phi3);
    c.theta3 = _mm512_set1_pd(b.theta3);
    c.thetaE = _mm512_set1_pd(b.thetaE);
    const double perDeg = b.unitsPerDeg;
    c.units.k = b.atanUnits;
    c.units.a45 = _mm512_set1_pd(45.0 * perDeg);
    c.units.a90 = _mm512_set1_pd(90.0 * perDeg);
    c.units.a180 = _mm512_set1_pd(180.0 * perDeg);
    c.halfTurn = c.units.a180;
    c.quarterTurn = c.units.a90;
    c.envLastPhi = _mm512_set1_pd(static_cast<double>(b.envelopePhiCount - 2));
    c.envLastTheta = _mm512_set1_pd(static_cast<double>((b.envelopePhiCount - 1) / 2 - 1));
    c.envPhiCount = _mm512_set1_pd(static_cast<double>(b.envelopePhiCount));
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
