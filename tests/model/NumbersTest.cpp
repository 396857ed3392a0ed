#include "model/Numbers.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace brenvik {
namespace {

constexpr double No = std::numeric_limits<double>::quiet_NaN(); // refused
constexpr double Inf = std::numeric_limits<double>::infinity();

void ExpectRead(std::optional<double> got, double want, const std::string& what) {
    if (std::isnan(want))
        EXPECT_FALSE(got) << what;
    else
        EXPECT_EQ(got, want) << what;
}

// The three readers side by side: a dialog box, a project file line, a batch
// option value. Where they differ, they differ on purpose.
TEST(Numbers, EachReaderTakesItsOwnTexts) {
    struct Case {
        const char* text;
        double box, file, option;
    } cases[] = {
        {" +2.5 ", 2.5, 2.5, 2.5},
        {"-5", -5, -5, -5},
        {" .5 ", .5, .5, .5},
        {"2.5e+20", 2.5e20, 2.5e20, 2.5e20},
        {"\t7\t", 7, 7, No},   // the command line trims spaces only
        {"1e-400", No, 0, No}, // the file reads what underflows as zero
        {"1.79769313486232E+308", No, std::numeric_limits<double>::max(), No},
    };
    for (const Case& c : cases) {
        ExpectRead(ParseNumberC(c.text), c.box, std::string("box '") + c.text + "'");
        ExpectRead(ParseFileDouble(c.text), c.file, std::string("file '") + c.text + "'");
        ExpectRead(ParseOptionNumber(c.text), c.option, std::string("option '") + c.text + "'");
    }
    for (const char* t : {"1.79769313486233E+308", "+-5", "++5", "--1", "2,5", "", "  ", "12abc",
                          "inf", "nan", "0x10", "1e999", "1 000", "1.2.3", ".", "e5"})
        EXPECT_TRUE(!ParseNumberC(t) && !ParseFileDouble(t) && !ParseOptionNumber(t)) << t;
    // Too large is too large whatever the sign of its exponent.
    EXPECT_FALSE(ParseFileDouble("1" + std::string(320, '0') + "E-01"));
    EXPECT_EQ(ParseFileDouble("." + std::string(330, '0') + "1E+02"), 0.0);

    EXPECT_EQ(ParseOptionInteger(" +12 "), 12);
    for (const char* bad : {"12a", "7.5", "", "+-1", "++1"})
        EXPECT_FALSE(ParseOptionInteger(bad)) << bad;
}

TEST(Numbers, EachWriterGivesItsOwnForm) {
    struct Case {
        std::string got, want;
    } cases[] = {
        // clang-format off
        {FormatNumberC(12), "12"}, {FormatNumberC(-0.0), "0"}, {FormatNumberC(3.6), "3.6"},
        {FormatFixed2C(45.625), "45.62"}, {formatFixed(-0.0001, 2), "0.00"},
        {formatFixed(1.23456789, 4), "1.2346"}, {formatFixed(Inf, 2), "Inf"},
        {formatFixed(-Inf, 2), "-Inf"}, {formatFixed(No, 2), "NaN"},
        {formatDensity(0.5, 3), "0.500 uW/cm^2"}, {formatShortest(25), "25"},
        {formatShortest(2.5), "2.5"}, {FormatFixedBox(-0.001, 2, ','), "0,00"},
        {FormatFixedBox(12.345678901, 8, '.'), "12.34567890"},
        {FormatFixedBox(1e300, 400, '.'), "1E+300"}, // too long for fixed decimals
        {FormatPlainBox(212.5, ','), "212,5"}, {FormatPlainBox(2.5e20), "2.5E+20"},
        {FormatPlainBox(-0.0), "0"},
        // clang-format on
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want);
}

} // namespace
} // namespace brenvik
