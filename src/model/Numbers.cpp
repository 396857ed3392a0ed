#include "model/Numbers.h"

#include "model/FileValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace brenvik {

namespace {

// Only digits, an optional sign, one point and one exponent may make up a
// number: from_chars alone would also take "inf", "nan" and hex forms.
bool LooksNumeric(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    }
    return true;
}

// The largest double written at 15 digits, divided by ten so that it fits.
constexpr double LargestWrittenTenth = 1.79769313486232E+307;

// The power of ten of the first significant digit of a number that is not
// zero (unsigned, "." decimal point, checked already): 2 for "150", -5 for
// "1E-05" and for ".00001", 318 for "1000E+315".
long long LeadingPowerOfTen(std::string_view s) {
    long long exponent = 0;
    auto ePos = s.find_first_of("eE");
    if (ePos != std::string_view::npos) {
        std::string_view e = s.substr(ePos + 1);
        if (!e.empty() && e.front() == '+') e.remove_prefix(1);
        auto r = std::from_chars(e.data(), e.data() + e.size(), exponent);
        if (r.ec != std::errc()) // an exponent beyond any double: its sign decides
            exponent = (!e.empty() && e.front() == '-') ? -(1LL << 40) : (1LL << 40);
        s = s.substr(0, ePos);
    }
    auto point = s.find('.');
    if (point == std::string_view::npos) point = s.size();
    auto first = s.find_first_of("123456789");
    if (first == std::string_view::npos) return 0;
    long long digitsBefore = static_cast<long long>(point) - static_cast<long long>(first);
    return exponent + (first < point ? digitsBefore - 1 : digitsBefore);
}

// A number too large for a double (unsigned, "." decimal point, checked
// already), read with its exponent lowered by one.
std::optional<double> TenthOfLarge(std::string_view s) {
    std::string_view mantissa = s;
    long long exponent = 0;
    auto ePos = s.find_first_of("eE");
    if (ePos != std::string_view::npos) {
        mantissa = s.substr(0, ePos);
        std::string_view e = s.substr(ePos + 1);
        if (!e.empty() && e.front() == '+') e.remove_prefix(1);
        auto r = std::from_chars(e.data(), e.data() + e.size(), exponent);
        if (r.ec != std::errc() || r.ptr != e.data() + e.size()) return std::nullopt;
    }
    std::string text(mantissa);
    text += 'e';
    text += std::to_string(exponent - 1);
    double v = 0.0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

std::string WithDecimalPoint(std::string s, char decimalPoint) {
    if (decimalPoint != '.') std::replace(s.begin(), s.end(), '.', decimalPoint);
    return s;
}

} // namespace

// ---- Reading -------------------------------------------------------------------

std::optional<double> ParseNumberC(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b < e && text[b] == '+') {
        ++b;
        if (b < e && (text[b] == '-' || text[b] == '+')) return std::nullopt; // one sign only
    }
    if (b == e) return std::nullopt;
    double v = 0.0;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> ParseFileDouble(std::string_view text) {
    std::string_view s = TrimBlanks(text);
    if (!LooksNumeric(s)) return std::nullopt;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
        if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
    }
    double v = 0.0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ptr != s.data() + s.size()) return std::nullopt;
    if (r.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is an error, but for
        // the 15-digit form of the largest doubles themselves, which the writer
        // produces ("1.79769313486232E+308").
        if (LeadingPowerOfTen(s) < 0) {
            v = 0.0;
        } else if (auto tenth = TenthOfLarge(s); tenth && *tenth <= LargestWrittenTenth) {
            v = std::numeric_limits<double>::max();
        } else {
            return std::nullopt;
        }
    } else if (r.ec != std::errc()) {
        return std::nullopt;
    }
    if (!std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
}

std::optional<double> ParseOptionNumber(const std::string& text) {
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    std::string t = text.substr(b, e - b + 1);
    bool negative = false;
    if (t[0] == '+' || t[0] == '-') {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    if (t.empty() || t[0] == '+' || t[0] == '-') return std::nullopt;
    // from_chars takes neither a sign nor "inf"/"nan" spelled by the user as a
    // number we want; only digits, a point and an exponent may follow.
    if (t.find_first_not_of("0123456789.eE+-") != std::string::npos) return std::nullopt;
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
}

std::optional<long long> ParseOptionInteger(const std::string& text) {
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    std::string t = text.substr(b, e - b + 1);
    if (t[0] == '+') {
        t.erase(0, 1);
        if (!t.empty() && t[0] == '-') return std::nullopt; // one sign only
    }
    long long v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

// ---- Writing -------------------------------------------------------------------

std::string FormatNumberC(double value) {
    if (value == 0.0) return "0"; // no "-0"
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return "0";
    return std::string(buf, ptr);
}

std::string FormatFixed2C(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    return buf;
}

std::string formatFixed(double v, int decimals) {
    if (!std::isfinite(v)) return std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "Overflow";
    std::string s(buf, end);
    // A negative value that rounds to zero prints as zero.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string FormatDensity(double v, int decimals) {
    return formatFixed(v, decimals) + " uW/cm^2";
}

std::string FormatShortest(double v) {
    if (!std::isfinite(v)) return formatFixed(v, 0);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string FormatFixedBox(double v, int decimals, char decimalPoint) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return WithDecimalPoint(FormatPlainBox(v), decimalPoint);
    std::string s(buf, r.ptr);
    // A value that rounds to zero is shown without a sign.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return WithDecimalPoint(s, decimalPoint);
}

std::string FormatPlainBox(double v, char decimalPoint) {
    if (v == 0.0) return "0";
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string s(buf, r.ptr);
    std::replace(s.begin(), s.end(), 'e', 'E');
    return WithDecimalPoint(s, decimalPoint);
}

} // namespace brenvik
