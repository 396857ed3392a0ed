// The far-field column in four-lane AVX2 arithmetic. The angles and the
// power of ten are this file's own polynomials (atan2 within about 2e-14
// degrees, 2^x within 4e-14 relative), evaluated inline. The cuts are read
// from their tables, a pair of neighbouring entries per node; the tables'
// linear interpolation is the cuts' own, so the node sums stay within 1e-12
// of the plain loop; an adaptive antenna's envelope is read from its 2-D
// table the same way. Only this file's functions are compiled for AVX2 and
// FMA (kernel::BestIsa picks them).
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

using farmath::AtanS;
using farmath::Exp2T;

// atan2(y, x) in degrees. The octant of (|x|, |y|) is folded onto
// t = u / v in [0, 1] (u, v the smaller and the larger of the two), and t
// above tan(pi/8) onto (u - v) / (u + v) with 45 degrees added, so that one
// division leaves |t| <= tan(pi/8), where atan t = t + t^3 S(t^2) with S a
// fitted polynomial of degree 8 (error below 3e-16). The quadrant and the
// sign follow as in std::atan2, the signs of zeros included: (+-0, -0)
// gives +-180, (+-0, +0) gives +-0. Odd in y, so mirror-image nodes see
// opposite angles.
BRENVIK_VECTOR_FN("avx2,fma")
inline __m256d Atan2Deg(__m256d y, __m256d x) {
    const __m256d signs = _mm256_set1_pd(-0.0);
    const __m256d ax = _mm256_andnot_pd(signs, x), ay = _mm256_andnot_pd(signs, y);
    const __m256d u = _mm256_min_pd(ax, ay), v = _mm256_max_pd(ax, ay);
    const __m256d big =
        _mm256_cmp_pd(u, _mm256_mul_pd(v, _mm256_set1_pd(0.41421356237309503)), _CMP_GT_OQ);
    const __m256d num = _mm256_blendv_pd(u, _mm256_sub_pd(u, v), big);
    const __m256d den = _mm256_blendv_pd(v, _mm256_add_pd(u, v), big);
    // At the origin (0 / 0) the folded angle is 0.
    const __m256d t = _mm256_and_pd(_mm256_div_pd(num, den),
                                    _mm256_cmp_pd(den, _mm256_setzero_pd(), _CMP_NEQ_UQ));
    const __m256d z = _mm256_mul_pd(t, t);
    __m256d p = _mm256_set1_pd(AtanS[0]);
    for (int i = 1; i < farmath::AtanTerms; ++i)
        p = _mm256_fmadd_pd(p, z, _mm256_set1_pd(AtanS[i]));
    const __m256d radians = _mm256_fmadd_pd(_mm256_mul_pd(t, z), p, t);
    __m256d d = _mm256_mul_pd(radians, _mm256_set1_pd(57.295779513082320876798154814105170));
    d = _mm256_add_pd(d, _mm256_and_pd(big, _mm256_set1_pd(45.0)));
    d = _mm256_blendv_pd(d, _mm256_sub_pd(_mm256_set1_pd(90.0), d),
                         _mm256_cmp_pd(ay, ax, _CMP_GT_OQ));
    // x's sign bit picks 180 - d (blendv reads only the sign bit).
    d = _mm256_blendv_pd(d, _mm256_sub_pd(_mm256_set1_pd(180.0), d), x);
    return _mm256_or_pd(d, _mm256_and_pd(y, signs));
}

// 2^x: x = n + f with n whole and |f| <= 1/2, 2^f = 1 + f T(f) with T a
// polynomial of degree 8 (error below 4e-14), times 2^n built in
// the exponent bits. x is held to -1022..1023 first (a NaN stays NaN), so
// that 2^n is a normal number; below -1022 the result is off by less than
// 2^-1022 absolute.
BRENVIK_VECTOR_FN("avx2,fma")
inline __m256d Exp2(__m256d x) {
    x = _mm256_max_pd(_mm256_set1_pd(-1022.0), x);
    x = _mm256_min_pd(_mm256_set1_pd(1023.0), x);
    const __m256d n = _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256d f = _mm256_sub_pd(x, n);
    __m256d p = _mm256_set1_pd(Exp2T[0]);
    for (int i = 1; i < farmath::Exp2Terms; ++i)
        p = _mm256_fmadd_pd(p, f, _mm256_set1_pd(Exp2T[i]));
    const __m256i bits = _mm256_slli_epi64(
        _mm256_add_epi64(_mm256_cvtepi32_epi64(_mm256_cvtpd_epi32(n)), _mm256_set1_epi64x(1023)),
        52);
    return _mm256_mul_pd(_mm256_fmadd_pd(f, p, _mm256_set1_pd(1.0)), _mm256_castsi256_pd(bits));
}

// The table position of angles x (degrees from the table's first angle):
// the entry below and the fraction of the step beyond it.
struct Position {
    __m128i i;
    __m256d base, pos;
};

BRENVIK_VECTOR_FN("avx2,fma")
inline Position At(__m256d x, __m256d perDeg, __m256d last) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Position p;
    p.pos = _mm256_mul_pd(x, perDeg);
    p.base = _mm256_min_pd(_mm256_floor_pd(p.pos), last);
    p.i = _mm256_cvttpd_epi32(p.base);
    return p;
}

// The entries of a table below and above the positions of `at` (four
// indices): each pair is one 16-byte load, the pairs are then split into the
// lower and the upper entries. (Two gathers per table did the same with
// eight element loads and stalled the loop.)
BRENVIK_VECTOR_FN("avx2,fma")
inline void Pairs(const double* table, const int* at, __m256d& lo, __m256d& hi) {
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
inline __m256d Lookup(const double* table, const int* at, const Position& p) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    __m256d lo, hi;
    Pairs(table, at, lo, hi);
    return _mm256_add_pd(lo, _mm256_mul_pd(_mm256_sub_pd(p.pos, p.base), _mm256_sub_pd(hi, lo)));
}

// The constants of one beam and column in every lane.
struct Consts {
    __m256d e, ys, h, z, sinAz, cosAz, sinT, cosT;
    __m256d scale, inverseLimit, perDeg, lastH, lastV, gh0, gh180, phi3, theta3, thetaE;
    __m256d envPerDeg, envLastPhi, envLastTheta, envPhiCount;
};

// An envelope's gain in dB towards (phi, theta), read from its table as the
// plain loop reads it: phi -180 taken as 180 and theta held to -90..90, the
// sample below in each angle and the next, bilinear in dB (first along phi,
// then along theta), so that every lane gives the plain loop's bits for the
// same angles.
BRENVIK_VECTOR_FN("avx2,fma")
inline __m256d EnvelopeDb(const FarBeam& b, const Consts& c, __m256d phi, __m256d theta) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d zero = _mm256_setzero_pd(), half = _mm256_set1_pd(180.0),
                  quarter = _mm256_set1_pd(90.0);
    phi = _mm256_blendv_pd(phi, half, _mm256_cmp_pd(phi, _mm256_sub_pd(zero, half), _CMP_EQ_OQ));
    theta = _mm256_max_pd(_mm256_min_pd(theta, quarter), _mm256_sub_pd(zero, quarter));
    const Position h = At(_mm256_add_pd(phi, half), c.envPerDeg, c.envLastPhi);
    const Position v = At(_mm256_add_pd(theta, quarter), c.envPerDeg, c.envLastTheta);
    // Sample (i, j) is entry j phiCount + i; (i, j + 1) one row further.
    alignas(16) int at[4];
    _mm_store_si128(
        reinterpret_cast<__m128i*>(at),
        _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(v.base, c.envPhiCount), h.base)));
    __m256d lo0, hi0, lo1, hi1;
    Pairs(b.envelope, at, lo0, hi0);
    Pairs(b.envelope + b.envelopePhiCount, at, lo1, hi1);
    const __m256d fx = _mm256_sub_pd(h.pos, h.base), fy = _mm256_sub_pd(v.pos, v.base);
    const __m256d low = _mm256_add_pd(lo0, _mm256_mul_pd(fx, _mm256_sub_pd(hi0, lo0)));
    const __m256d high = _mm256_add_pd(lo1, _mm256_mul_pd(fx, _mm256_sub_pd(hi1, lo1)));
    return _mm256_add_pd(low, _mm256_mul_pd(fy, _mm256_sub_pd(high, low)));
}

// Nodes k..k+3 of the column: their angles in the beam and distances.
struct Block {
    __m256i inside;
    __m256d y, x, r2, phi, theta;
};

// The gain in dB of B blocks whose angles are known, stage by stage so that
// the gathers of one block Overlap the arithmetic of the others.
template <int B>
BRENVIK_VECTOR_FN("avx2,fma")
inline void Finish(const FarBeam& b, const Consts& c, Block* q, int k, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    const __m256d half = _mm256_set1_pd(180.0), quarter = _mm256_set1_pd(90.0);
    const __m256d perHalfTurn = _mm256_set1_pd(1.0 / 180.0);
    const __m256d twelve = _mm256_set1_pd(12.0);
    // 10^(G/10) as 2^(G log2(10) / 10).
    const __m256d tenthLog2Ten = _mm256_set1_pd(0.33219280948873623478703194294893901758648313930);
    const __m256d am = _mm256_set1_pd(25.0), sla = _mm256_set1_pd(20.0);
    __m256d g[B];
    for (int n = 0; n < B; ++n) {
        const __m256d phi = q[n].phi, theta = q[n].theta;
        if (b.type == FarBeam::Envelope) {
            g[n] = EnvelopeDb(b, c, phi, theta);
        } else if (b.type == FarBeam::Measured) {
            const Position h = At(_mm256_add_pd(phi, half), c.perDeg, c.lastH);
            const Position v = At(_mm256_add_pd(theta, quarter), c.perDeg, c.lastV);
            alignas(16) int hAt[4], vAt[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(hAt), h.i);
            _mm_store_si128(reinterpret_cast<__m128i*>(vAt), v.i);
            const __m256d lh = Lookup(b.hLoss, hAt, h);
            const __m256d lvFront = Lookup(b.vFront, vAt, v);
            const __m256d lvBack = Lookup(b.vBack, vAt, v);
            const __m256d a =
                _mm256_mul_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), phi), perHalfTurn);
            const __m256d front = _mm256_add_pd(c.gh0, lvFront);
            const __m256d back = _mm256_add_pd(c.gh180, lvBack);
            g[n] = _mm256_sub_pd(
                _mm256_sub_pd(zero, lh),
                _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(one, a), front), _mm256_mul_pd(a, back)));
            // No direction gains more than the peak, whatever the two cuts
            // make of it (the order keeps a NaN, as std::min does).
            g[n] = _mm256_min_pd(zero, g[n]);
        } else {
            const __m256d v = _mm256_div_pd(_mm256_sub_pd(theta, c.thetaE), c.theta3);
            const __m256d av =
                _mm256_sub_pd(zero, _mm256_min_pd(_mm256_mul_pd(twelve, _mm256_mul_pd(v, v)), sla));
            if (b.type == FarBeam::Panel) {
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
    for (int n = 0; n < B; ++n)
        g[n] = Exp2(_mm256_mul_pd(g[n], tenthLog2Ten));
    for (int n = 0; n < B; ++n) {
        const __m256d sd = _mm256_div_pd(_mm256_mul_pd(c.scale, g[n]), q[n].r2);
        const __m256i in = q[n].inside;
        double* acc = out.density + k + 4 * n;
        _mm256_maskstore_pd(acc, in, _mm256_add_pd(_mm256_maskload_pd(acc, in), sd));
        if (out.ratio) {
            double* r = out.ratio + k + 4 * n;
            _mm256_maskstore_pd(
                r, in, _mm256_add_pd(_mm256_maskload_pd(r, in), _mm256_mul_pd(sd, c.inverseLimit)));
        }
    }
}

// -x with the sign of a zero flipped, as the plain loop's unary minus does
// (0 - x would give +0 for +0): at the antenna itself the direction, and
// so the gain, turns on the signs of zero offsets.
BRENVIK_VECTOR_FN("avx2,fma")
inline __m256d Negate(__m256d x) {
    return _mm256_xor_pd(x, _mm256_set1_pd(-0.0));
}

// Offsets, distance and the beam frame of nodes k..k+3; the angles follow.
BRENVIK_VECTOR_FN("avx2,fma")
inline Block Prepare(const Consts& c, const Column& col, int k, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d minR2 = _mm256_set1_pd(0.01);
    Block q;
    // Lanes past the end of the column are neither read nor written.
    q.inside = _mm256_cmpgt_epi64(_mm256_set1_epi64x(n - k), _mm256_setr_epi64x(0, 1, 2, 3));
    const __m256d dy = _mm256_sub_pd(_mm256_maskload_pd(col.y + k, q.inside), c.ys);
    const __m256d dz =
        _mm256_sub_pd(_mm256_sub_pd(c.h, _mm256_maskload_pd(col.g + k, q.inside)), c.z);
    // North is -dy, up is -dz.
    const __m256d nn = Negate(dy), u = Negate(dz);
    const __m256d f = _mm256_add_pd(_mm256_mul_pd(c.e, c.sinAz), _mm256_mul_pd(nn, c.cosAz));
    const __m256d s = _mm256_sub_pd(_mm256_mul_pd(c.e, c.cosAz), _mm256_mul_pd(nn, c.sinAz));
    const __m256d fp = _mm256_sub_pd(_mm256_mul_pd(f, c.cosT), _mm256_mul_pd(u, c.sinT));
    const __m256d up = _mm256_add_pd(_mm256_mul_pd(f, c.sinT), _mm256_mul_pd(u, c.cosT));
    q.y = s;
    q.x = fp;
    q.theta = Negate(up);
    q.phi = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(fp, fp), _mm256_mul_pd(s, s)));
    q.r2 =
        _mm256_max_pd(_mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(c.e, c.e), _mm256_mul_pd(dy, dy)),
                                    _mm256_mul_pd(dz, dz)),
                      minR2);
    return q;
}

template <int B>
BRENVIK_VECTOR_FN("avx2,fma")
inline void Step(const FarBeam& b, const Consts& c, const Column& col, int k, int n,
                 const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Block q[B];
    for (int i = 0; i < B; ++i)
        q[i] = Prepare(c, col, k + 4 * i, n);
    // phi = atan2(s, f'), theta = atan2(-u', sqrt(f'^2 + s^2)), in degrees.
    for (int i = 0; i < B; ++i) {
        const __m256d horiz = q[i].phi;
        q[i].phi = Atan2Deg(q[i].y, q[i].x);
        q[i].theta = Atan2Deg(q[i].theta, horiz);
    }
    Finish<B>(b, c, q, k, out);
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
    c.scale = _mm256_set1_pd(b.scale);
    c.inverseLimit = _mm256_set1_pd(out.inverseLimit);
    c.perDeg = _mm256_set1_pd(b.perDeg);
    c.lastH = _mm256_set1_pd(static_cast<double>(b.perTurn - 1));
    c.lastV = _mm256_set1_pd(static_cast<double>(b.perTurn / 2 - 1));
    c.gh0 = _mm256_set1_pd(b.gh0);
    c.gh180 = _mm256_set1_pd(b.gh180);
    c.phi3 = _mm256_set1_pd(b.phi3);
    c.theta3 = _mm256_set1_pd(b.theta3);
    c.thetaE = _mm256_set1_pd(b.thetaE);
    c.envPerDeg = _mm256_set1_pd(b.envelopePerDeg);
    c.envLastPhi = _mm256_set1_pd(static_cast<double>(b.envelopePhiCount - 2));
    c.envLastTheta = _mm256_set1_pd(static_cast<double>((b.envelopePhiCount - 1) / 2 - 1));
    c.envPhiCount = _mm256_set1_pd(static_cast<double>(b.envelopePhiCount));
    // Four blocks of four per step (the gathers of one Overlap the arithmetic
    // of the others), then the rest block by block.
    int k = 0;
    for (; k + 12 < n; k += 16)
        Step<4>(b, c, col, k, n, out);
    for (; k < n; k += 4)
        Step<1>(b, c, col, k, n, out);
}

} // namespace brenvik::kernel
