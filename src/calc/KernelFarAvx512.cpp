// The far-field column in eight-lane AVX-512 arithmetic with the SLEEF
// vector functions (atan2 and exp2 within 3.5 ulp). The cuts are read from
// their tables, a pair of neighbouring entries per node; the tables' linear
// interpolation is the cuts' own, so the node sums stay within 1e-12 of the
// plain loop; an adaptive antenna's envelope is read from its 2-D table the
// same way. Only this file's functions are compiled for AVX-512
// (kernel::BestIsa picks them).
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
#include <immintrin.h>
#if defined(__clang__)
#define SLEEF_ISA __attribute__((target("avx512f")))
#else
#define SLEEF_ISA
#endif
extern "C" {
SLEEF_ISA __m512d Sleef_atan2d8_u35avx512f(__m512d, __m512d);
SLEEF_ISA __m512d Sleef_exp2d8_u35avx512f(__m512d);
}
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#include "calc/Kernel.h"

namespace brenvik::kernel {

namespace {

// Every lane. (The zero-masked forms of the functions below: their plain
// forms trip a false warning about an undefined operand.)
constexpr __mmask8 all = 0xff;

// The table position of angles x (degrees from the table's first angle):
// the entry below and the fraction of the step beyond it.
struct Position {
    __m256i i;
    __m512d base, pos;
};

BRENVIK_VECTOR_FN("avx512f")
inline Position At(__m512d x, __m512d perDeg, __m512d last) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    Position p;
    p.pos = _mm512_mul_pd(x, perDeg);
    p.base = _mm512_maskz_min_pd(all, _mm512_maskz_roundscale_pd(all, p.pos, _MM_FROUND_TO_NEG_INF),
                                 last);
    p.i = _mm512_maskz_cvttpd_epi32(all, p.base);
    return p;
}

// The entries of a table below and above the positions of `at` (eight
// indices): each pair is one 16-byte load, the pairs are then split into the
// lower and the upper entries. (Two gathers per table did the same with
// sixteen element loads and stalled the loop.)
BRENVIK_VECTOR_FN("avx512f")
inline void Pairs(const double* table, const int* at, __m512d& lo, __m512d& hi) {
    const auto two = [table, at](int k) {
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(table + at[k])),
                                    _mm_loadu_pd(table + at[k + 1]), 1);
    };
    const __m512d a = _mm512_maskz_insertf64x4(all, _mm512_castpd256_pd512(two(0)), two(2), 1);
    const __m512d b = _mm512_maskz_insertf64x4(all, _mm512_castpd256_pd512(two(4)), two(6), 1);
    lo = _mm512_permutex2var_pd(a, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), b);
    hi = _mm512_permutex2var_pd(a, _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15), b);
}

// The loss in a table at a position: the entry below and the next, linearly
// interpolated.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d Lookup(const double* table, const int* at, const Position& p) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    __m512d lo, hi;
    Pairs(table, at, lo, hi);
    return _mm512_add_pd(lo, _mm512_mul_pd(_mm512_sub_pd(p.pos, p.base), _mm512_sub_pd(hi, lo)));
}

// The constants of one beam and column in every lane.
struct Consts {
    __m512d e, ys, h, z, sinAz, cosAz, sinT, cosT;
    __m512d scale, inverseLimit, perDeg, lastH, lastV, gh0, gh180, phi3, theta3, thetaE;
    __m512d envPerDeg, envLastPhi, envLastTheta, envPhiCount;
};

// An envelope's gain in dB towards (phi, theta), read from its table as the
// plain loop reads it: phi -180 taken as 180 and theta held to -90..90, the
// sample below in each angle and the next, bilinear in dB (first along phi,
// then along theta), so that every lane gives the plain loop's bits for the
// same angles.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d EnvelopeDb(const FarBeam& b, const Consts& c, __m512d phi, __m512d theta) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d zero = _mm512_setzero_pd(), half = _mm512_set1_pd(180.0),
                  quarter = _mm512_set1_pd(90.0);
    phi = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(phi, _mm512_sub_pd(zero, half), _CMP_EQ_OQ), phi,
                               half);
    theta = _mm512_maskz_max_pd(all, _mm512_maskz_min_pd(all, theta, quarter),
                                _mm512_sub_pd(zero, quarter));
    const Position h = At(_mm512_add_pd(phi, half), c.envPerDeg, c.envLastPhi);
    const Position v = At(_mm512_add_pd(theta, quarter), c.envPerDeg, c.envLastTheta);
    // Sample (i, j) is entry j phiCount + i; (i, j + 1) one row further.
    alignas(32) int at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at),
                       _mm512_maskz_cvttpd_epi32(
                           all, _mm512_add_pd(_mm512_mul_pd(v.base, c.envPhiCount), h.base)));
    __m512d lo0, hi0, lo1, hi1;
    Pairs(b.envelope, at, lo0, hi0);
    Pairs(b.envelope + b.envelopePhiCount, at, lo1, hi1);
    const __m512d fx = _mm512_sub_pd(h.pos, h.base), fy = _mm512_sub_pd(v.pos, v.base);
    const __m512d low = _mm512_add_pd(lo0, _mm512_mul_pd(fx, _mm512_sub_pd(hi0, lo0)));
    const __m512d high = _mm512_add_pd(lo1, _mm512_mul_pd(fx, _mm512_sub_pd(hi1, lo1)));
    return _mm512_add_pd(low, _mm512_mul_pd(fy, _mm512_sub_pd(high, low)));
}

// Nodes k..k+7 of the column: their angles in the beam and distances.
struct Block {
    __mmask8 inside;
    __m512d y, x, r2, phi, theta;
};

// The gain in dB of B blocks whose angles are known, stage by stage so that
// the gathers of one block Overlap the arithmetic of the others.
template <int B>
BRENVIK_VECTOR_FN("avx512f")
inline void Finish(const FarBeam& b, const Consts& c, Block* q, int k, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d zero = _mm512_setzero_pd(), one = _mm512_set1_pd(1.0);
    const __m512d half = _mm512_set1_pd(180.0), quarter = _mm512_set1_pd(90.0);
    const __m512d perHalfTurn = _mm512_set1_pd(1.0 / 180.0);
    const __m512d twelve = _mm512_set1_pd(12.0);
    // 10^(G/10) as 2^(G log2(10) / 10).
    const __m512d tenthLog2Ten = _mm512_set1_pd(0.33219280948873623478703194294893901758648313930);
    const __m512d am = _mm512_set1_pd(25.0), sla = _mm512_set1_pd(20.0);
    __m512d g[B];
    for (int n = 0; n < B; ++n) {
        const __m512d phi = q[n].phi, theta = q[n].theta;
        if (b.type == FarBeam::Envelope) {
            g[n] = EnvelopeDb(b, c, phi, theta);
        } else if (b.type == FarBeam::Measured) {
            const Position h = At(_mm512_add_pd(phi, half), c.perDeg, c.lastH);
            const Position v = At(_mm512_add_pd(theta, quarter), c.perDeg, c.lastV);
            alignas(32) int hAt[8], vAt[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(hAt), h.i);
            _mm256_store_si256(reinterpret_cast<__m256i*>(vAt), v.i);
            const __m512d lh = Lookup(b.hLoss, hAt, h);
            const __m512d lvFront = Lookup(b.vFront, vAt, v);
            const __m512d lvBack = Lookup(b.vBack, vAt, v);
            const __m512d a = _mm512_mul_pd(_mm512_abs_pd(phi), perHalfTurn);
            const __m512d front = _mm512_add_pd(c.gh0, lvFront);
            const __m512d back = _mm512_add_pd(c.gh180, lvBack);
            g[n] = _mm512_sub_pd(
                _mm512_sub_pd(zero, lh),
                _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(one, a), front), _mm512_mul_pd(a, back)));
            // No direction gains more than the peak, whatever the two cuts
            // make of it (the order keeps a NaN, as std::min does).
            g[n] = _mm512_maskz_min_pd(all, zero, g[n]);
        } else {
            const __m512d v = _mm512_div_pd(_mm512_sub_pd(theta, c.thetaE), c.theta3);
            const __m512d av = _mm512_sub_pd(
                zero, _mm512_maskz_min_pd(all, _mm512_mul_pd(twelve, _mm512_mul_pd(v, v)), sla));
            if (b.type == FarBeam::Panel) {
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
    for (int n = 0; n < B; ++n)
        g[n] = Sleef_exp2d8_u35avx512f(_mm512_mul_pd(g[n], tenthLog2Ten));
    for (int n = 0; n < B; ++n) {
        const __m512d sd = _mm512_div_pd(_mm512_mul_pd(c.scale, g[n]), q[n].r2);
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

// -x with the sign of a zero flipped, as the plain loop's unary minus does
// (0 - x would give +0 for +0): at the antenna itself the direction, and
// so the gain, turns on the signs of zero offsets.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d Negate(__m512d x) {
    return _mm512_castsi512_pd(
        _mm512_xor_si512(_mm512_castpd_si512(x), _mm512_castpd_si512(_mm512_set1_pd(-0.0))));
}

// Offsets, distance and the beam frame of nodes k..k+7; the angles follow.
BRENVIK_VECTOR_FN("avx512f")
inline Block Prepare(const Consts& c, const Column& col, int k, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d minR2 = _mm512_set1_pd(0.01);
    Block q;
    q.inside = n - k >= 8 ? 0xff : n - k > 0 ? static_cast<__mmask8>((1u << (n - k)) - 1) : 0;
    const __m512d dy = _mm512_sub_pd(_mm512_maskz_loadu_pd(q.inside, col.y + k), c.ys);
    const __m512d dz =
        _mm512_sub_pd(_mm512_sub_pd(c.h, _mm512_maskz_loadu_pd(q.inside, col.g + k)), c.z);
    // North is -dy, up is -dz.
    const __m512d nn = Negate(dy), u = Negate(dz);
    const __m512d f = _mm512_add_pd(_mm512_mul_pd(c.e, c.sinAz), _mm512_mul_pd(nn, c.cosAz));
    const __m512d s = _mm512_sub_pd(_mm512_mul_pd(c.e, c.cosAz), _mm512_mul_pd(nn, c.sinAz));
    const __m512d fp = _mm512_sub_pd(_mm512_mul_pd(f, c.cosT), _mm512_mul_pd(u, c.sinT));
    const __m512d up = _mm512_add_pd(_mm512_mul_pd(f, c.sinT), _mm512_mul_pd(u, c.cosT));
    q.y = s;
    q.x = fp;
    q.theta = Negate(up);
    q.phi = _mm512_maskz_sqrt_pd(all, _mm512_add_pd(_mm512_mul_pd(fp, fp), _mm512_mul_pd(s, s)));
    q.r2 = _mm512_maskz_max_pd(
        all,
        _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(c.e, c.e), _mm512_mul_pd(dy, dy)),
                      _mm512_mul_pd(dz, dz)),
        minR2);
    return q;
}

template <int B>
BRENVIK_VECTOR_FN("avx512f")
inline void Step(const FarBeam& b, const Consts& c, const Column& col, int k, int n,
                 const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d toDeg = _mm512_set1_pd(180.0 / 3.141592653589793238462643383279502884);
    Block q[B];
    for (int i = 0; i < B; ++i)
        q[i] = Prepare(c, col, k + 8 * i, n);
    // phi = atan2(s, f'), theta = atan2(-u', sqrt(f'^2 + s^2)), in degrees.
    for (int i = 0; i < B; ++i) {
        const __m512d horiz = q[i].phi;
        q[i].phi = _mm512_mul_pd(Sleef_atan2d8_u35avx512f(q[i].y, q[i].x), toDeg);
        q[i].theta = _mm512_mul_pd(Sleef_atan2d8_u35avx512f(q[i].theta, horiz), toDeg);
    }
    Finish<B>(b, c, q, k, out);
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
    c.scale = _mm512_set1_pd(b.scale);
    c.inverseLimit = _mm512_set1_pd(out.inverseLimit);
    c.perDeg = _mm512_set1_pd(b.perDeg);
    c.lastH = _mm512_set1_pd(static_cast<double>(b.perTurn - 1));
    c.lastV = _mm512_set1_pd(static_cast<double>(b.perTurn / 2 - 1));
    c.gh0 = _mm512_set1_pd(b.gh0);
    c.gh180 = _mm512_set1_pd(b.gh180);
    c.phi3 = _mm512_set1_pd(b.phi3);
    c.theta3 = _mm512_set1_pd(b.theta3);
    c.thetaE = _mm512_set1_pd(b.thetaE);
    c.envPerDeg = _mm512_set1_pd(b.envelopePerDeg);
    c.envLastPhi = _mm512_set1_pd(static_cast<double>(b.envelopePhiCount - 2));
    c.envLastTheta = _mm512_set1_pd(static_cast<double>((b.envelopePhiCount - 1) / 2 - 1));
    c.envPhiCount = _mm512_set1_pd(static_cast<double>(b.envelopePhiCount));
    // Eight blocks of eight per step (the loads of one overlap the arithmetic
    // of the others), then four, then the rest block by block.
    int k = 0;
    for (; k + 56 < n; k += 64)
        Step<8>(b, c, col, k, n, out);
    for (; k + 24 < n; k += 32)
        Step<4>(b, c, col, k, n, out);
    for (; k < n; k += 8)
        Step<1>(b, c, col, k, n, out);
}

} // namespace brenvik::kernel
