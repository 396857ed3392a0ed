#include "render/Scene.h"

#include <charconv>
#include <cmath>

namespace brenvik::render {

// The texts on the map use '.' whatever the user's locale, so a picture
// reads the same everywhere; std::to_chars never looks at the locale.
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

std::string formatDensity(double v, int decimals) {
    return formatFixed(v, decimals) + " uW/cm^2";
}

std::string formatShortest(double v) {
    if (!std::isfinite(v)) return formatFixed(v, 0);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

} // namespace brenvik::render
