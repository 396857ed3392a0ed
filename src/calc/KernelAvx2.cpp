// The column loop in four-lane AVX2 arithmetic with the SLEEF vector functions
// (exp within 1 ulp of the correctly rounded value, atan and cos within 3.5
// ulp: the node sums stay within 1e-12 of the plain loop, and these are about
// twice as fast as their 1-ulp variants). Only this function is compiled for
// AVX2; it runs when the processor reports it (kernel::BestIsa).
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
#include <immintrin.h>
// The SLEEF vector functions this file calls (sleef.h declares them only
// when the whole file is compiled for the instruction set).
#if defined(__clang__)
#define SLEEF_ISA __attribute__((target("avx2")))
#else
#define SLEEF_ISA
#endif
extern "C" {
SLEEF_ISA __m256d Sleef_atand4_u35avx2(__m256d);
SLEEF_ISA __m256d Sleef_expd4_u10avx2(__m256d);
SLEEF_ISA __m256d Sleef_cosd4_u35avx2(__m256d);
}
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#include "calc/Kernel.h"

namespace brenvik::kernel {

namespace {

// The antenna's and the column's values in every lane.
struct Consts {
    __m256d ys, h, z, dxSin, dxCos, sinT, cosT, dx2, cosTilt, absSinTilt, openAngle, scale;
    bool panel, dxZero;
    bool below, above; // a panel tilted down reaches only nodes below it; up, above
};

// How many blocks are finished side by side.
constexpr int Batch = 8;

// The cheap part of one block of four nodes: offsets, distances and the
// lanes that receive something.
struct Block {
    __m256d dy, u, uv2, r2, adz, keep;
    __m256i inside;
    int at;
};

// Fills block b with nodes k..k+3 unless none of them receives anything;
// a node behind a panel is ruled out before the rest is worked out.
BRENVIK_VECTOR_FN("avx2")
inline bool Prepare(const Consts& c, const Column& col, int k, int n, Block& b) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d zero = _mm256_setzero_pd();
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    // Lanes past the end of the column are neither read nor written.
    const __m256i inside =
        _mm256_cmpgt_epi64(_mm256_set1_epi64x(n - k), _mm256_setr_epi64x(0, 1, 2, 3));
    const __m256d dy = _mm256_sub_pd(_mm256_maskload_pd(col.y + k, inside), c.ys);
    const __m256d u = _mm256_add_pd(c.dxSin, _mm256_mul_pd(dy, c.cosT));
    __m256d keep = _mm256_castsi256_pd(inside);
    if (c.panel) keep = _mm256_and_pd(keep, _mm256_cmp_pd(u, zero, _CMP_NLE_UQ));
    if (c.dxZero) keep = _mm256_andnot_pd(_mm256_cmp_pd(dy, zero, _CMP_EQ_OQ), keep);
    if (_mm256_movemask_pd(keep) == 0) return false;
    const __m256d dz =
        _mm256_sub_pd(_mm256_sub_pd(c.h, _mm256_maskload_pd(col.g + k, inside)), c.z);
    if (c.below) keep = _mm256_and_pd(keep, _mm256_cmp_pd(dz, zero, _CMP_NLE_UQ));
    if (c.above) keep = _mm256_and_pd(keep, _mm256_cmp_pd(dz, zero, _CMP_NGE_UQ));
    if (_mm256_movemask_pd(keep) == 0) return false;
    const __m256d v = _mm256_add_pd(c.dxCos, _mm256_mul_pd(dy, c.sinT));
    b.dy = dy;
    b.u = u;
    b.uv2 = _mm256_add_pd(_mm256_mul_pd(u, u), _mm256_mul_pd(v, v));
    b.r2 = _mm256_add_pd(b.uv2, _mm256_mul_pd(dz, dz));
    b.adz = _mm256_and_pd(dz, absMask);
    b.inside = inside;
    b.keep = keep;
    b.at = k;
    return true;
}

// The costly part for B blocks side by side, stage by stage, so that the
// long dependent chains of the blocks Overlap.
template <int B>
BRENVIK_VECTOR_FN("avx2")
inline void Finish(const Consts& c, const Block* b, const Sums& out) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    // The same operations in the same order as the plain loop: every lane
    // gets the bits it gets in one block at a time. (A product by 20 for the
    // quotient by 0.05, and one division for the last two, were tried: a few
    // per cent faster, but more section nodes strayed past 1e-12 of the plain
    // loop.)
    const __m256d width = _mm256_set1_pd(0.05);
    const __m256d halfPi = _mm256_set1_pd(3.1416 / 2.0);
    __m256d x[B];
    for (int i = 0; i < B; ++i) {
        if (c.panel) {
            const __m256d w = _mm256_sub_pd(_mm256_mul_pd(b[i].adz, c.cosTilt),
                                            _mm256_mul_pd(b[i].u, c.absSinTilt));
            x[i] = _mm256_div_pd(_mm256_and_pd(w, absMask), b[i].u);
        } else {
            const __m256d dh =
                _mm256_sqrt_pd(_mm256_add_pd(c.dx2, _mm256_mul_pd(b[i].dy, b[i].dy)));
            x[i] = _mm256_div_pd(b[i].adz, dh);
        }
    }
    for (int i = 0; i < B; ++i)
        x[i] = Sleef_atand4_u35avx2(x[i]);
    for (int i = 0; i < B; ++i)
        x[i] = Sleef_expd4_u10avx2(_mm256_div_pd(_mm256_sub_pd(c.openAngle, x[i]), width));
    for (int i = 0; i < B; ++i)
        x[i] = Sleef_cosd4_u35avx2(
            _mm256_mul_pd(halfPi, _mm256_div_pd(one, _mm256_add_pd(one, x[i]))));
    for (int i = 0; i < B; ++i) {
        const __m256d c2 = _mm256_mul_pd(x[i], x[i]);
        __m256d s = _mm256_mul_pd(_mm256_div_pd(c.scale, b[i].r2), c2);
        if (c.panel) s = _mm256_mul_pd(s, _mm256_div_pd(_mm256_mul_pd(b[i].u, b[i].u), b[i].uv2));
        s = _mm256_and_pd(s, b[i].keep);
        double* acc = out.density + b[i].at;
        _mm256_maskstore_pd(acc, b[i].inside,
                            _mm256_add_pd(_mm256_maskload_pd(acc, b[i].inside), s));
        if (out.ratio) {
            double* r = out.ratio + b[i].at;
            const __m256d share = _mm256_mul_pd(s, _mm256_set1_pd(out.inverseLimit));
            _mm256_maskstore_pd(r, b[i].inside,
                                _mm256_add_pd(_mm256_maskload_pd(r, b[i].inside), share));
        }
    }
}

// The last blocks of a column, fewer than a batch.
BRENVIK_VECTOR_FN("avx2")
inline void FinishSome(const Consts& c, const Block* b, int m, const Sums& out) {
    if (m >= 4) {
        Finish<4>(c, b, out);
        b += 4;
        m -= 4;
    }
    if (m >= 2) {
        Finish<2>(c, b, out);
        b += 2;
        m -= 2;
    }
    if (m) Finish<1>(c, b, out);
}

} // namespace

BRENVIK_VECTOR_FN("avx2")
void AddColumnAvx2(const Antenna& a, const Column& col, const Sums& out, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    if (a.kind == FarFieldKind) {
        // Every beam but a measured one without exact cut tables has its
        // vector loop (within 1e-12 of the plain one).
        if (a.far->type != FarBeam::Measured || a.far->tablesExact)
            return AddFarColumnAvx2(*a.far, col, out, n);
        return AddFarColumnScalar(*a.far, col, out, n);
    }
    if (a.kind != 0 && a.kind != 1) return;
    const double dx = col.dx;
    Consts c;
    c.ys = _mm256_set1_pd(col.ys);
    c.h = _mm256_set1_pd(col.h);
    c.z = _mm256_set1_pd(col.z);
    c.dxSin = _mm256_set1_pd(dx * a.sinTheta);
    c.dxCos = _mm256_set1_pd(-dx * a.cosTheta);
    c.sinT = _mm256_set1_pd(a.sinTheta);
    c.cosT = _mm256_set1_pd(a.cosTheta);
    c.dx2 = _mm256_set1_pd(dx * dx);
    c.cosTilt = _mm256_set1_pd(a.cosTilt);
    c.absSinTilt = _mm256_set1_pd(a.absSinTilt);
    c.openAngle = _mm256_set1_pd(a.openAngle);
    c.scale = _mm256_set1_pd(a.scale);
    c.panel = a.kind == 0;
    c.dxZero = dx == 0.0;
    c.below = c.panel && a.tilt > 0.0;
    c.above = c.panel && a.tilt < 0.0;
    // Behind a panel (half the plan) nothing is added: a block without a
    // receiving lane skips the functions. The others are finished eight at a
    // time, so that the long dependent chains of the blocks overlap.
    Block b[Batch];
    int m = 0;
    for (int k = 0; k < n; k += 4) {
        if (Prepare(c, col, k, n, b[m]) && ++m == Batch) {
            Finish<Batch>(c, b, out);
            m = 0;
        }
    }
    FinishSome(c, b, m, out);
}

} // namespace brenvik::kernel
