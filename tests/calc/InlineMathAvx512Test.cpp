// The AVX-512 loop's inline atan, exp and cos against the library functions
// they stand for, bit for bit.
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
SLEEF_ISA __m512d Sleef_atand8_u35avx512f(__m512d);
SLEEF_ISA __m512d Sleef_expd8_u10avx512f(__m512d);
SLEEF_ISA __m512d Sleef_cosd8_u35avx512f(__m512d);
}
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#include "calc/InlineMathAvx512.h"
#include "calc/Kernel.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace inlinemath512 {

using namespace brenvik::kernel;

enum class Fn { Atan, Exp, Cos };

// out[0] the inline result, out[1] the reference, for 8 arguments.
BRENVIK_VECTOR_FN("avx512f")
void Both(Fn fn, const double* in, double* inlined, double* reference) {
    const __m512d x = _mm512_loadu_pd(in);
    __m512d a, b;
    switch (fn) {
    case Fn::Atan:
        a = avx512::AtanU35(x), b = Sleef_atand8_u35avx512f(x);
        break;
    case Fn::Exp:
        a = avx512::ExpU10(x), b = Sleef_expd8_u10avx512f(x);
        break;
    default:
        a = avx512::CosU35(x), b = Sleef_cosd8_u35avx512f(x);
        break;
    }
    _mm512_storeu_pd(inlined, a);
    _mm512_storeu_pd(reference, b);
}

std::uint64_t Bits(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// Arguments drawn uniformly in [lo, hi], or log-uniformly in magnitude
// with either sign, or as arbitrary bit patterns; then the edges.
enum class Draw { Uniform, Magnitude, AnyBits };
struct Case {
    const char* name;
    Fn fn;
    Draw draw;
    double lo, hi;
    int count;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr Case Cases[] = {
    // The loop's own ranges: tangents of the angle, the exponent, the angle.
    {"atan tangents", Fn::Atan, Draw::Uniform, 0.0, 4.0, 1 << 20},
    {"atan magnitudes", Fn::Atan, Draw::Magnitude, -320, 300, 1 << 20},
    {"atan any bits", Fn::Atan, Draw::AnyBits, 0, 0, 1 << 18},
    {"exp loop range", Fn::Exp, Draw::Uniform, -80.0, 80.0, 1 << 20},
    {"exp whole range", Fn::Exp, Draw::Uniform, -1100.0, 720.0, 1 << 20},
    {"exp magnitudes", Fn::Exp, Draw::Magnitude, -320, 4, 1 << 18},
    {"exp any bits", Fn::Exp, Draw::AnyBits, 0, 0, 1 << 18},
    {"cos loop range", Fn::Cos, Draw::Uniform, 0.0, 1.5708, 1 << 20},
    {"cos short path", Fn::Cos, Draw::Uniform, -15.0, 15.0, 1 << 20},
    {"cos both paths", Fn::Cos, Draw::Uniform, -40.0, 40.0, 1 << 18},
    {"cos magnitudes", Fn::Cos, Draw::Magnitude, -320, 30, 1 << 18},
};

const double Edges[] = {0.0,
                        -0.0,
                        1e-300,
                        -1e-300,
                        4.9e-324,
                        2.2250738585072014e-308,
                        1.0,
                        -1.0,
                        std::nextafter(1.0, 2.0),
                        std::nextafter(1.0, 0.0),
                        1.5707963267948966,
                        3.141592653589793,
                        1.6,
                        std::nextafter(1.6, 2.0),
                        14.999999999999998,
                        15.0,
                        -15.0,
                        709.7827111495575,
                        709.79,
                        -745.2,
                        -1000.0,
                        std::nextafter(-1000.0, 0.0),
                        std::nextafter(-1000.0, -2000.0),
                        1e300,
                        -1e300,
                        Inf,
                        -Inf,
                        std::numeric_limits<double>::quiet_NaN()};

std::vector<double> Arguments(const Case& c) {
    std::mt19937_64 rng(0x5eed + static_cast<unsigned>(c.fn) * 7 + c.count);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> xs;
    for (int i = 0; i < c.count; ++i) {
        if (c.draw == Draw::Uniform) {
            xs.push_back(c.lo + (c.hi - c.lo) * unit(rng));
        } else if (c.draw == Draw::Magnitude) {
            const double m = std::exp2(c.lo + (c.hi - c.lo) * unit(rng));
            xs.push_back(rng() & 1 ? -m : m);
        } else {
            const std::uint64_t u = rng();
            double v;
            std::memcpy(&v, &u, sizeof v);
            xs.push_back(v);
        }
    }
    // Every edge in every lane, between ordinary neighbours.
    for (double e : Edges)
        for (int lane = 0; lane < 8; ++lane)
            for (int k = 0; k < 8; ++k)
                xs.push_back(k == lane ? e : xs[(lane * 8 + k) % c.count]);
    while (xs.size() % 8)
        xs.push_back(0.5);
    return xs;
}

class InlineMathAvx512 : public testing::TestWithParam<Case> {};

TEST_P(InlineMathAvx512, GivesTheLibrarysBits) {
    ASSERT_EQ(BestIsa(), Isa::Avx512) << "this processor has no AVX-512";
    const Case& c = GetParam();
    const std::vector<double> xs = Arguments(c);
    int differ = 0;
    for (std::size_t i = 0; i < xs.size(); i += 8) {
        double a[8], b[8];
        Both(c.fn, xs.data() + i, a, b);
        for (int k = 0; k < 8; ++k) {
            // NaN payloads depend on operand order alone; a NaN must meet a NaN.
            const bool same = Bits(a[k]) == Bits(b[k]) || (std::isnan(a[k]) && std::isnan(b[k]));
            if (!same && ++differ <= 5)
                ADD_FAILURE() << c.name << ": x = " << xs[i + k] << " gives " << a[k] << " inline, "
                              << b[k] << " from the reference";
        }
    }
    EXPECT_EQ(differ, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Ranges, InlineMathAvx512, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

} // namespace inlinemath512
