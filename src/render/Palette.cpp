#include "render/Palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace brenvik::render {

namespace {

// Eleven samples of a perceptually uniform violet-to-yellow ramp.
constexpr std::array<Rgb, 11> kDensitySteps{{{0x44, 0x01, 0x54},
                                             {0x48, 0x24, 0x75},
                                             {0x41, 0x44, 0x87},
                                             {0x35, 0x5f, 0x8d},
                                             {0x2a, 0x78, 0x8e},
                                             {0x21, 0x91, 0x8c},
                                             {0x22, 0xa8, 0x84},
                                             {0x44, 0xbf, 0x70},
                                             {0x7a, 0xd1, 0x51},
                                             {0xbd, 0xdf, 0x26},
                                             {0xfd, 0xe7, 0x25}}};

// A blue-to-red scale that keeps blue and red apart for every common
// colour-vision deficiency: dark blue to pale blue below the limit, pale red
// to dark red above it.
constexpr std::array<Rgb, 5> kBelowLimit{{{0x08, 0x30, 0x6b},
                                          {0x21, 0x66, 0xac},
                                          {0x43, 0x93, 0xc3},
                                          {0x92, 0xc5, 0xde},
                                          {0xd1, 0xe5, 0xf0}}};
constexpr std::array<Rgb, 3> kAboveLimit{
    {{0xf4, 0xa5, 0x82}, {0xd6, 0x60, 0x4d}, {0x67, 0x00, 0x1f}}};

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, double f) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
}

template <std::size_t N> Rgb Along(const std::array<Rgb, N>& steps, double t) {
    if (!(t > 0.0)) return steps.front();
    if (t >= 1.0) return steps.back();
    const double at = t * (N - 1);
    const std::size_t k = static_cast<std::size_t>(at);
    const double f = at - static_cast<double>(k);
    const Rgb a = steps[k], b = steps[std::min(k + 1, N - 1)];
    return {Mix(a.r, b.r, f), Mix(a.g, b.g, f), Mix(a.b, b.b, f)};
}

} // namespace

Rgb DensityRamp(double t) {
    return Along(kDensitySteps, t);
}

Rgb DensityStep(int level) {
    return kDensitySteps[static_cast<std::size_t>(std::clamp(level, 0, 10))];
}

Rgb RatioColour(double percent) {
    if (!(percent > 0.0)) return kBelowLimit.front();
    const double decade = std::log10(percent); // -3 .. 3
    if (percent <= 100.0) return Along(kBelowLimit, (decade + 3.0) / 5.0);
    return Along(kAboveLimit, (decade - 2.0));
}

std::vector<Rgb> LevelColours(const std::vector<double>& levels) {
    std::vector<std::size_t> order(levels.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return levels[a] < levels[b]; });
    std::vector<Rgb> out(levels.size());
    // From a tenth of the way up, so that the lowest level stands out from a
    // dark map, to the top of the ramp for the highest.
    const double n = static_cast<double>(levels.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        Rgb c = DensityRamp(n == 1 ? 1.0 : 0.1 + 0.9 * static_cast<double>(rank) / (n - 1));
        // Many close levels could round to one colour; the blue channel,
        // which the ramp moves least at its top, takes the difference.
        while (rank > 0 && std::any_of(order.begin(), order.begin() + static_cast<long>(rank),
                                       [&](std::size_t k) { return out[k] == c; }))
            c.b = static_cast<std::uint8_t>(c.b == 0 ? 255 : c.b - 1);
        out[order[rank]] = c;
    }
    return out;
}

std::string HexColour(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

} // namespace brenvik::render
