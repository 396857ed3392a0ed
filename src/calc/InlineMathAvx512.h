#pragma once

// The three SLEEF vector functions of the AVX-512 column loop, written out so
// that the compiler can inline them and interleave several blocks: the same
// constants and the same floating-point operations in the same order (fused
// where the library fuses, separate where it does not), so that every lane
// gets the library's bits. Where a shortcut is taken (exp's one scaling,
// cos's near path) it is exact on the inputs it is taken for. Only cos has a
// second path in the library, for arguments of 15 or more, infinite or not a
// number; a vector with such a lane is handed to the library whole, as the
// library then takes that path for every lane. The constants are the
// library's, as bit patterns.
// Include after <immintrin.h> and the declaration of Sleef_cosd8_u35avx512f.

#include "calc/Kernel.h"

namespace brenvik::kernel::avx512 {

BRENVIK_VECTOR_FN("avx512f")
inline __m512d Broadcast(unsigned long long bits) {
    return _mm512_castsi512_pd(_mm512_set1_epi64(static_cast<long long>(bits)));
}

BRENVIK_VECTOR_FN("avx512f")
inline __m512d Fma(__m512d a, __m512d b, __m512d c) {
    return _mm512_fmadd_pd(a, b, c);
}

// x hi + lo, fused: the library's pairs of neighbouring terms.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d Pair(__m512d x, unsigned long long hi, unsigned long long lo) {
    return Fma(x, Broadcast(hi), Broadcast(lo));
}

// (The zero-masked forms below with every lane set: the plain ones trip a
// false warning about an undefined source.)

// Sleef_atand8_u35avx512f: within 3.5 ulp.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d AtanU35(__m512d d) {
    // The sign is taken off and put back at the end; beyond 1 the function
    // works on the reciprocal and returns pi/2 minus the result.
    const __m512d one = _mm512_set1_pd(1.0);
    __m512d s = _mm512_abs_pd(d);
    const __mmask8 reciprocal = _mm512_cmp_pd_mask(one, s, _CMP_LT_OS);
    // (Mostly no lane is past 1, and the divider is the loop's bottleneck.)
    if (reciprocal) s = _mm512_mask_div_pd(s, reciprocal, one, s);
    const __m512d t = _mm512_mul_pd(s, s);
    const __m512d t2 = _mm512_mul_pd(t, t);
    const __m512d t4 = _mm512_mul_pd(t2, t2);
    const __m512d t8 = _mm512_mul_pd(t4, t4);
    const __m512d t16 = _mm512_mul_pd(t8, t8);
    // The degree-18 polynomial in t by the library's pairing of terms.
    const __m512d c18 = Fma(t2, Broadcast(0xbef3cbf44a88555full),
                            Pair(t, 0x3f2b81666eb938afull, 0xbf521f657f3915daull));
    const __m512d c12 = Fma(t2, Pair(t, 0x3f6e5005f4c78c20ull, 0xbf82399e74a75e56ull),
                            Pair(t, 0x3f90ff6a2a0d2286ull, 0xbf9a1006de22cdacull));
    __m512d c8 = Fma(t2, Pair(t, 0x3fa14c4d24651f2eull, 0xbfa4dee09915f638ull),
                     Pair(t, 0x3fa7e4b31d8a55aeull, 0xbfaacfe938e04fcaull));
    c8 = Fma(t4, c12, c8);
    const __m512d c4 = Fma(t2, Pair(t, 0x3fae16a933b73622ull, 0xbfb11074e45f93e0ull),
                           Pair(t, 0x3fb3b1283c0ca0b1ull, 0xbfb745cfd878fee8ull));
    __m512d c0 = Fma(t2, Pair(t, 0x3fbc71c704fb4f9full, 0xbfc2492491e100bbull),
                     Pair(t, 0x3fc999999997b9ddull, 0xbfd55555555553c5ull));
    c0 = Fma(t4, c4, c0);
    c0 = Fma(t8, c8, c0);
    const __m512d u = Fma(t16, c18, c0);
    __m512d r = Fma(_mm512_mul_pd(t, u), s, s);
    r = _mm512_mask_sub_pd(r, reciprocal, Broadcast(0x3ff921fb54442d18ull), r);
    // r ^ (d & sign bit): 0x78 is a ^ (b & c).
    return _mm512_castsi512_pd(
        _mm512_ternarylogic_epi64(_mm512_castpd_si512(r), _mm512_castpd_si512(d),
                                  _mm512_set1_epi64(0x8000000000000000ll), 0x78));
}

// 2^q for q in the 32-bit lanes of q, as the library builds it: the biased
// exponent shifted into the upper half of each 64-bit lane.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d PowerOfTwo(__m256i q) {
    const __m256i biased = _mm256_add_epi32(q, _mm256_set1_epi32(0x3ff));
    const __m512i spread = _mm512_maskz_expand_epi32(0xaaaa, _mm512_castsi256_si512(biased));
    return _mm512_castsi512_pd(_mm512_maskz_slli_epi32(0xffff, spread, 20));
}

// Sleef_expd8_u10avx512f: within 1 ulp.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d ExpU10(__m512d d) {
    const __m512d q =
        _mm512_maskz_roundscale_pd(0xff, _mm512_mul_pd(d, Broadcast(0x3ff71547652b82feull)),
                                   _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    __m512d s = Fma(q, Broadcast(0xbfe62e42fefa3000ull), d);
    s = Fma(q, Broadcast(0xbd53de6af278ece6ull), s);
    const __m512d s2 = _mm512_mul_pd(s, s);
    const __m512d s4 = _mm512_mul_pd(s2, s2);
    const __m512d s8 = _mm512_mul_pd(s4, s4);
    const __m512d c8 = Pair(s, 0x3e21e0c670afff06ull, 0x3e5af6c36f75740cull);
    const __m512d c4 = Fma(s2, Pair(s, 0x3e927e5d38a23654ull, 0x3ec71ddef633fb47ull),
                           Pair(s, 0x3efa01a0127f883aull, 0x3f2a01a01b4421fdull));
    __m512d u = Fma(s2, Pair(s, 0x3f56c16c16c3396bull, 0x3f8111111110e7a5ull),
                    Pair(s, 0x3fa55555555554f9ull, 0x3fc555555555555eull));
    u = Fma(s4, c4, u);
    u = Fma(s8, c8, u);
    u = Fma(s, u, _mm512_set1_pd(0.5));
    u = Fma(s, u, _mm512_set1_pd(1.0));
    u = Fma(s, u, _mm512_set1_pd(1.0));
    // Within 700 of zero, 2^q and u 2^q are normal numbers, the products by
    // them exact, and one scaling by q gives the same bits as the library's
    // two products. Elsewhere (and for not a number) the library's way:
    // u 2^q in two factors, so that neither leaves the exponent range.
    if (!_mm512_cmp_pd_mask(_mm512_abs_pd(d), _mm512_set1_pd(700.0), _CMP_NLE_US))
        return _mm512_maskz_scalef_pd(0xff, u, q);
    const __m256i qi =
        _mm512_maskz_cvt_roundpd_epi32(0xff, q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256i half = _mm256_srai_epi32(qi, 1);
    u = _mm512_mul_pd(u, PowerOfTwo(half));
    u = _mm512_mul_pd(u, PowerOfTwo(_mm256_sub_epi32(qi, half)));
    u = _mm512_mask_mov_pd(u, _mm512_cmp_pd_mask(d, Broadcast(0x40862e42fe102c83ull), _CMP_GT_OS),
                           Broadcast(0x7ff0000000000000ull));
    return _mm512_maskz_mov_pd(_mm512_cmp_pd_mask(d, _mm512_set1_pd(-1000.0), _CMP_NLT_US), u);
}

// Whether the library's cos takes its short path for every lane of d
// (|d| < 15, not a number excluded).
BRENVIK_VECTOR_FN("avx512f")
inline bool CosShortPath(__m512d d) {
    return !_mm512_cmp_pd_mask(_mm512_abs_pd(d), _mm512_set1_pd(15.0), _CMP_NLT_US);
}

// The short path after its reduction: cos of the reduced d, negated in the
// lanes of flip.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d CosReduced(__m512d d, __mmask8 flip) {
    const __m512d s = _mm512_mul_pd(d, d);
    const __m512d s2 = _mm512_mul_pd(s, s);
    const __m512d s4 = _mm512_mul_pd(s2, s2);
    const __m512d c4 = Fma(s2, Pair(s, 0xbc62622b22d526beull, 0x3ce94fa618796592ull),
                           Pair(s, 0xbd6ae7ea531357bfull, 0x3de6124601c23966ull));
    __m512d u = Fma(s2, Pair(s, 0xbe5ae64567cb5786ull, 0x3ec71de3a5568a50ull),
                    Pair(s, 0xbf2a01a01a019fc7ull, 0x3f8111111111110full));
    u = Fma(s4, c4, u);
    u = Fma(s, u, Broadcast(0xbfc5555555555555ull));
    d = _mm512_castsi512_pd(_mm512_mask_xor_epi64(_mm512_castpd_si512(d), flip,
                                                  _mm512_castpd_si512(d),
                                                  _mm512_set1_epi64(0x8000000000000000ll)));
    // Not fused: the library rounds the products before the sum here.
    return _mm512_add_pd(_mm512_mul_pd(s, _mm512_mul_pd(u, d)), d);
}

// Sleef_cosd8_u35avx512f's short path (within 3.5 ulp); the caller makes
// sure CosShortPath(d) holds.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d CosU35Short(__m512d d) {
    // d = d' - (q/2) pi with q = 2 round(d / pi - 1/2) + 1, in two parts.
    const __m512d n = _mm512_maskz_roundscale_pd(
        0xff, Fma(d, Broadcast(0x3fd45f306dc9c883ull), _mm512_set1_pd(-0.5)),
        _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m512d q = Fma(n, _mm512_set1_pd(2.0), _mm512_set1_pd(1.0));
    const __m256i qi =
        _mm512_maskz_cvt_roundpd_epi32(0xff, q, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    d = Fma(q, Broadcast(0xbff921fb54442d18ull), d);
    d = Fma(q, Broadcast(0xbc91a62633145c07ull), d);
    const __m512i two = _mm512_castsi256_si512(_mm256_and_si256(qi, _mm256_set1_epi32(2)));
    return CosReduced(d, static_cast<__mmask8>(_mm512_testn_epi32_mask(two, two)));
}

// Whether every lane of d lies in [+0, 1.6] (compared as unsigned bit
// patterns, which order the positive numbers and put -0, the negative ones
// and not a number past 1.6).
BRENVIK_VECTOR_FN("avx512f")
inline bool CosNearPath(__m512d d) {
    return _mm512_cmp_epu64_mask(_mm512_castpd_si512(d), _mm512_set1_epi64(0x3ff999999999999all),
                                 _MM_CMPINT_LE) == 0xff;
}

// CosU35Short where CosNearPath(d) holds: there q is 1 in every lane, the
// fused steps by q are plain sums with the same rounding, and every lane is
// negated.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d CosU35Near(__m512d d) {
    d = _mm512_add_pd(d, Broadcast(0xbff921fb54442d18ull));
    d = _mm512_add_pd(d, Broadcast(0xbc91a62633145c07ull));
    return CosReduced(d, 0xff);
}

// Sleef_cosd8_u35avx512f.
BRENVIK_VECTOR_FN("avx512f")
inline __m512d CosU35(__m512d d) {
    if (CosNearPath(d)) return CosU35Near(d);
    return CosShortPath(d) ? CosU35Short(d) : Sleef_cosd8_u35avx512f(d);
}

} // namespace brenvik::kernel::avx512
