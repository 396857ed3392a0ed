#include "model/FileValues.h"

#include "model/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace brenvik {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsPlainWhole(std::string_view s) {
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
    if (s.empty()) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

double RoundHalfEven(double v) {
    double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
    return r;
}

// ---- value forms ---------------------------------------------------------------

void AppendDouble(std::string& out, double v) {
    if (v == 0.0 || std::isnan(v)) { // also turns -0 into "0"
        out += std::isnan(v) ? "NaN" : "0";
        return;
    }
    if (std::isinf(v)) {
        out += v > 0 ? "Inf" : "-Inf";
        return;
    }
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    char* b = buf;
    char* e = r.ptr;
    for (char* c = b; c != e; ++c)
        if (*c == 'e') *c = 'E';
    if (b[0] == '-') {
        out += '-';
        ++b;
    }
    if (e - b >= 2 && b[0] == '0' && b[1] == '.') ++b; // ".5", not "0.5"
    out.append(b, e);
}

std::string FormatDouble(double v) {
    std::string s;
    AppendDouble(s, v);
    return s;
}

std::string FormatVariant(const Variant& v) {
    switch (v.kind) {
    case Variant::Kind::Empty:
        return {};
    case Variant::Kind::Integer:
        return std::to_string(v.i);
    case Variant::Kind::Double:
        return FormatDouble(v.d);
    }
    return {};
}

std::optional<std::int64_t> ParseFileInt64(std::string_view text) {
    std::string_view s = TrimBlanks(text);
    if (IsPlainWhole(s)) {
        std::string_view d = s;
        if (d.front() == '+') d.remove_prefix(1);
        std::int64_t v = 0;
        auto r = std::from_chars(d.data(), d.data() + d.size(), v);
        if (r.ec == std::errc() && r.ptr == d.data() + d.size()) return v;
        return std::nullopt;
    }
    auto d = ParseFileDouble(s);
    if (!d) return std::nullopt;
    double r = RoundHalfEven(*d);
    // 2^63 itself does not fit.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
    return static_cast<std::int64_t>(r);
}

std::optional<std::int16_t> ParseFileInt16(std::string_view text) {
    auto v = ParseFileInt64(text);
    if (!v || *v < std::numeric_limits<std::int16_t>::min() ||
        *v > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(*v);
}

std::optional<Variant> ParseFileVariant(std::string_view text) {
    std::string_view s = TrimBlanks(text);
    if (s.empty()) return Variant{};
    if (IsPlainWhole(s)) {
        if (auto i = ParseFileInt64(s)) return Variant::integer(*i);
    }
    auto d = ParseFileDouble(s);
    if (!d) return std::nullopt;
    return Variant::real(*d);
}

std::string ParseFileString(std::string_view text) {
    std::string_view s = TrimBlanks(text);
    if (!s.empty() && s.front() == '"') s.remove_prefix(1);
    // A string ends at its closing quote; quotes are never part of a value
    // (the writer has no escape for them), so an unquoted line stops there too.
    auto end = s.find('"');
    if (end != std::string_view::npos) s = s.substr(0, end);
    return std::string(s);
}

} // namespace brenvik
