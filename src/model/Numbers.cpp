#include "model/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace brenvik {

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

} // namespace brenvik
