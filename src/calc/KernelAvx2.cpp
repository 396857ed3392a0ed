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

BRENVIK_VECTOR_FN("avx2")
void AddColumnAvx2(const Antenna& a, const Column& col, double* acc, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    if (a.kind != 0 && a.kind != 1) return;
    const double dx = col.dx;
    const __m256d ys = _mm256_set1_pd(col.ys);
    const __m256d h = _mm256_set1_pd(col.h);
    const __m256d z = _mm256_set1_pd(col.z);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    const __m256d dxSin = _mm256_set1_pd(dx * a.sinTheta);
    const __m256d dxCos = _mm256_set1_pd(-dx * a.cosTheta);
    const __m256d sinT = _mm256_set1_pd(a.sinTheta);
    const __m256d cosT = _mm256_set1_pd(a.cosTheta);
    const __m256d dx2 = _mm256_set1_pd(dx * dx);
    const __m256d cosTilt = _mm256_set1_pd(a.cosTilt);
    const __m256d absSinTilt = _mm256_set1_pd(a.absSinTilt);
    const __m256d openAngle = _mm256_set1_pd(a.openAngle);
    const __m256d width = _mm256_set1_pd(0.05);
    const __m256d halfPi = _mm256_set1_pd(3.1416 / 2.0);
    const __m256d scale = _mm256_set1_pd(a.scale);
    const bool panel = a.kind == 0;
    const bool dxZero = dx == 0.0;
    for (int k = 0; k < n; k += 4) {
        // Lanes past the end of the column are neither read nor written.
        const __m256i inside =
            _mm256_cmpgt_epi64(_mm256_set1_epi64x(n - k), _mm256_setr_epi64x(0, 1, 2, 3));
        const __m256d vdy = _mm256_sub_pd(_mm256_maskload_pd(col.y + k, inside), ys);
        const __m256d vdz =
            _mm256_sub_pd(_mm256_sub_pd(h, _mm256_maskload_pd(col.g + k, inside)), z);
        const __m256d u = _mm256_add_pd(dxSin, _mm256_mul_pd(vdy, cosT));
        const __m256d v = _mm256_add_pd(dxCos, _mm256_mul_pd(vdy, sinT));
        const __m256d uv2 = _mm256_add_pd(_mm256_mul_pd(u, u), _mm256_mul_pd(v, v));
        const __m256d r2 = _mm256_add_pd(uv2, _mm256_mul_pd(vdz, vdz));
        const __m256d adz = _mm256_and_pd(vdz, absMask);
        __m256d keep = _mm256_castsi256_pd(inside);
        if (panel) {
            keep = _mm256_and_pd(keep, _mm256_cmp_pd(u, zero, _CMP_NLE_UQ));
            if (a.tilt > 0.0) keep = _mm256_and_pd(keep, _mm256_cmp_pd(vdz, zero, _CMP_NLE_UQ));
            if (a.tilt < 0.0) keep = _mm256_and_pd(keep, _mm256_cmp_pd(vdz, zero, _CMP_NGE_UQ));
        }
        if (dxZero) keep = _mm256_andnot_pd(_mm256_cmp_pd(vdy, zero, _CMP_EQ_OQ), keep);
        // Behind a panel (half the plan) nothing is added: skip the functions.
        if (_mm256_movemask_pd(keep) == 0) continue;
        __m256d av;
        if (panel) {
            const __m256d w =
                _mm256_sub_pd(_mm256_mul_pd(adz, cosTilt), _mm256_mul_pd(u, absSinTilt));
            av = Sleef_atand4_u35avx2(_mm256_div_pd(_mm256_and_pd(w, absMask), u));
        } else {
            const __m256d dh = _mm256_sqrt_pd(_mm256_add_pd(dx2, _mm256_mul_pd(vdy, vdy)));
            av = Sleef_atand4_u35avx2(_mm256_div_pd(adz, dh));
        }
        const __m256d e = Sleef_expd4_u10avx2(_mm256_div_pd(_mm256_sub_pd(openAngle, av), width));
        const __m256d f = _mm256_div_pd(one, _mm256_add_pd(one, e));
        const __m256d c = Sleef_cosd4_u35avx2(_mm256_mul_pd(halfPi, f));
        __m256d s = _mm256_mul_pd(_mm256_div_pd(scale, r2), _mm256_mul_pd(c, c));
        if (panel) s = _mm256_mul_pd(s, _mm256_div_pd(_mm256_mul_pd(u, u), uv2));
        s = _mm256_and_pd(s, keep);
        _mm256_maskstore_pd(acc + k, inside, _mm256_add_pd(_mm256_maskload_pd(acc + k, inside), s));
    }
}

} // namespace brenvik::kernel
