// The far-field column in eight-lane AVX-512 arithmetic with the SLEEF
// vector functions (atan2 and exp10 within 1 ulp). The cuts are read from
// their tables with gathers; the tables' linear interpolation is the cuts'
// own, so the node sums stay within 1e-12 of the plain loop. Only this file's
// functions are compiled for AVX-512 (kernel::BestIsa picks them).
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
SLEEF_ISA __m512d Sleef_atan2d8_u10avx512f(__m512d, __m512d);
SLEEF_ISA __m512d Sleef_exp10d8_u10avx512f(__m512d);
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

// Loss of a cut at angles x in [0, 360]: the table entry below and the
// next, linearly interpolated.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d Lookup(const double* table, __m512d x, __m512d perDeg, __m512d last) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d pos = _mm512_mul_pd(x, perDeg);
    const __m512d base = _mm512_maskz_min_pd(all, _mm512_maskz_roundscale_pd(all, pos, _MM_FROUND_TO_NEG_INF), last);
    const __m256i i = _mm512_maskz_cvttpd_epi32(all, base);
    const __m512d lo = _mm512_mask_i32gather_pd(_mm512_setzero_pd(), all, i, table, 8);
    const __m512d hi = _mm512_mask_i32gather_pd(_mm512_setzero_pd(), all, i, table + 1, 8);
    return _mm512_add_pd(lo, _mm512_mul_pd(_mm512_sub_pd(pos, base), _mm512_sub_pd(hi, lo)));
}

} // namespace

BRENVIK_VECTOR_FN("avx512f")
void AddFarColumnAvx512(const FarBeam& b, const Column& col, const Sums& out, int n) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    const __m512d zero = _mm512_setzero_pd();
    const __m512d e = _mm512_set1_pd(col.dx);
    const __m512d ys = _mm512_set1_pd(col.ys), h = _mm512_set1_pd(col.h), z = _mm512_set1_pd(col.z);
    const __m512d sinAz = _mm512_set1_pd(b.sinAz), cosAz = _mm512_set1_pd(b.cosAz);
    const __m512d sinT = _mm512_set1_pd(b.sinTilt), cosT = _mm512_set1_pd(b.cosTilt);
    const __m512d toDeg = _mm512_set1_pd(180.0 / 3.141592653589793238462643383279502884);
    const __m512d turn = _mm512_set1_pd(360.0), half = _mm512_set1_pd(180.0);
    const __m512d minR2 = _mm512_set1_pd(0.01), scale = _mm512_set1_pd(b.scale);
    const __m512d tenth = _mm512_set1_pd(0.1), one = _mm512_set1_pd(1.0);
    const __m512d inverseLimit = _mm512_set1_pd(out.inverseLimit);
    const __m512d perDeg = _mm512_set1_pd(b.perDeg);
    const __m512d last = _mm512_set1_pd(static_cast<double>(b.perTurn - 1));
    const __m512d gh0 = _mm512_set1_pd(b.gh0), gh180 = _mm512_set1_pd(b.gh180);
    const __m512d twelve = _mm512_set1_pd(12.0);
    const __m512d phi3 = _mm512_set1_pd(b.phi3), theta3 = _mm512_set1_pd(b.theta3);
    const __m512d thetaE = _mm512_set1_pd(b.thetaE);
    const __m512d am = _mm512_set1_pd(25.0), sla = _mm512_set1_pd(20.0);
    for (int k = 0; k < n; k += 8) {
        const __mmask8 inside =
            n - k >= 8 ? 0xff : static_cast<__mmask8>((1u << (n - k)) - 1);
        const __m512d dy = _mm512_sub_pd(_mm512_maskz_loadu_pd(inside, col.y + k), ys);
        const __m512d dz =
            _mm512_sub_pd(_mm512_sub_pd(h, _mm512_maskz_loadu_pd(inside, col.g + k)), z);
        // North is -dy, up is -dz.
        const __m512d nn = _mm512_sub_pd(zero, dy), u = _mm512_sub_pd(zero, dz);
        const __m512d f = _mm512_add_pd(_mm512_mul_pd(e, sinAz), _mm512_mul_pd(nn, cosAz));
        const __m512d s = _mm512_sub_pd(_mm512_mul_pd(e, cosAz), _mm512_mul_pd(nn, sinAz));
        const __m512d fp = _mm512_sub_pd(_mm512_mul_pd(f, cosT), _mm512_mul_pd(u, sinT));
        const __m512d up = _mm512_add_pd(_mm512_mul_pd(f, sinT), _mm512_mul_pd(u, cosT));
        const __m512d horiz = _mm512_maskz_sqrt_pd(
            all, _mm512_add_pd(_mm512_mul_pd(fp, fp), _mm512_mul_pd(s, s)));
        const __m512d phi = _mm512_mul_pd(Sleef_atan2d8_u10avx512f(s, fp), toDeg);
        const __m512d theta =
            _mm512_mul_pd(Sleef_atan2d8_u10avx512f(_mm512_sub_pd(zero, up), horiz), toDeg);
        __m512d g;
        if (b.type == FarBeam::Measured) {
            // Angles taken into [0, 360] for the tables.
            const __m512d phiT =
                _mm512_mask_add_pd(phi, _mm512_cmp_pd_mask(phi, zero, _CMP_LT_OQ), phi, turn);
            const __m512d thetaT = _mm512_mask_add_pd(
                theta, _mm512_cmp_pd_mask(theta, zero, _CMP_LT_OQ), theta, turn);
            const __m512d lh = Lookup(b.hLoss, phiT, perDeg, last);
            const __m512d lvFront = Lookup(b.vLoss, thetaT, perDeg, last);
            const __m512d lvBack = Lookup(b.vLoss, _mm512_sub_pd(half, theta), perDeg, last);
            const __m512d a = _mm512_div_pd(_mm512_abs_pd(phi), half);
            const __m512d front = _mm512_add_pd(gh0, lvFront);
            const __m512d back = _mm512_add_pd(gh180, lvBack);
            g = _mm512_sub_pd(_mm512_sub_pd(zero, lh),
                              _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(one, a), front),
                                            _mm512_mul_pd(a, back)));
        } else {
            const __m512d q = _mm512_div_pd(_mm512_sub_pd(theta, thetaE), theta3);
            const __m512d av = _mm512_sub_pd(zero, _mm512_maskz_min_pd(all, _mm512_mul_pd(twelve, _mm512_mul_pd(q, q)), sla));
            if (b.type == FarBeam::Panel) {
                const __m512d p = _mm512_div_pd(phi, phi3);
                const __m512d ah = _mm512_sub_pd(
                    zero, _mm512_maskz_min_pd(all, _mm512_mul_pd(twelve, _mm512_mul_pd(p, p)), am));
                g = _mm512_sub_pd(zero,
                                  _mm512_maskz_min_pd(all, _mm512_sub_pd(zero, _mm512_add_pd(ah, av)), am));
            } else {
                g = av;
            }
        }
        const __m512d r2 = _mm512_maskz_max_pd(all, 
            _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(e, e), _mm512_mul_pd(dy, dy)),
                          _mm512_mul_pd(dz, dz)),
            minR2);
        const __m512d sd = _mm512_div_pd(
            _mm512_mul_pd(scale, Sleef_exp10d8_u10avx512f(_mm512_mul_pd(g, tenth))), r2);
        double* acc = out.density + k;
        _mm512_mask_storeu_pd(acc, inside, _mm512_add_pd(_mm512_maskz_loadu_pd(inside, acc), sd));
        if (out.ratio) {
            double* r = out.ratio + k;
            _mm512_mask_storeu_pd(
                r, inside,
                _mm512_add_pd(_mm512_maskz_loadu_pd(inside, r), _mm512_mul_pd(sd, inverseLimit)));
        }
    }
}

} // namespace brenvik::kernel
