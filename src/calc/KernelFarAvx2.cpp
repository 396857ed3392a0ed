// The far-field column in four-lane AVX2 arithmetic with the SLEEF
// vector functions (atan2 and exp2 within 3.5 ulp). The cuts are read from
// their tables, a pair of neighbouring entries per node; the tables' linear
// interpolation is the cuts' own, so the node sums stay within 1e-12 of the
// plain loop; an adaptive antenna's envelope is read from its 2-D table the
// same way. Only this file's functions are compiled for AVX2
// (kernel::BestIsa picks them).
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#include <immintrin.h>
#if defined(__clang__)
#define SLEEF_ISA __attribute__((target("avx2")))
#else
#define SLEEF_ISA
#endif
extern "C" {
SLEEF_ISA __m256d Sleef_atan2d4_u35avx2(__m256d, __m256d);
SLEEF_ISA __m256d Sleef_exp2d4_u35avx2(__m256d);
}
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#include "calc/Kernel.h"

namespace brenvik::kernel {

namespace {

// The table position of angles x (degrees from the table's first angle):
// the entry below and the fraction of the step beyond it.
struct Position {
    __m128i i;
    __m256d base, pos;
};

BRENVIK_VECTOR_FN("avx2")
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
BRENVIK_VECTOR_FN("avx2")
inline void Pairs(const double* table, const int* at, __m256d& lo, __m256d& hi) {
    const auto two = [table, at](int k) {
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(table + at[k])),
                                    _mm_loadu_pd(table + at[k + 2]), 1);
    };
    const __m256d a = two(0), b = two(1);
    lo = _mm256_unpacklo_pd(a, b);
    hi = _mm256_unpackhi_pd(a, b);
}

// The loss in a table at a position: the entry below and the next, linearly
// interpolated.
BRENVIK_VECTOR_FN("avx2")
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
BRENVIK_VECTOR_FN("avx2")
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
BRENVIK_VECTOR_FN("avx2")
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
        g[n] = Sleef_exp2d4_u35avx2(_mm256_mul_pd(g[n], tenthLog2Ten));
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
BRENVIK_VECTOR_FN("avx2")
inline __m256d Negate(__m256d x) {
    return _mm256_xor_pd(x, _mm256_set1_pd(-0.0));
}

// Offsets, distance and the beam frame of nodes k..k+3; the angles follow.
BRENVIK_VECTOR_FN("avx2")
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
BRENVIK_VECTOR_FN("avx2")
inline void Step(const FarBeam& b, const Consts& c, const Column& col, int k, int n,
                 const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d toDeg = _mm256_set1_pd(180.0 / 3.141592653589793238462643383279502884);
    Block q[B];
    for (int i = 0; i < B; ++i)
        q[i] = Prepare(c, col, k + 4 * i, n);
    // phi = atan2(s, f'), theta = atan2(-u', sqrt(f'^2 + s^2)), in degrees.
    for (int i = 0; i < B; ++i) {
        const __m256d horiz = q[i].phi;
        q[i].phi = _mm256_mul_pd(Sleef_atan2d4_u35avx2(q[i].y, q[i].x), toDeg);
        q[i].theta = _mm256_mul_pd(Sleef_atan2d4_u35avx2(q[i].theta, horiz), toDeg);
    }
    Finish<B>(b, c, q, k, out);
}

} // namespace

BRENVIK_VECTOR_FN("avx2")
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
