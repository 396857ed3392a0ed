#include "render/Colour.h"

#include <algorithm>

namespace brenvik::render {

namespace {
std::uint8_t Component(long v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0L, 255L));
}
} // namespace

Rgb rgb(long r, long g, long b) {
    return Rgb{Component(r), Component(g), Component(b)};
}

Rgb QbColor(int n) {
    static constexpr Rgb palette[16] = {
        {0, 0, 0},     {0, 0, 128},     {0, 128, 0},     {0, 128, 128},  {128, 0, 0}, {128, 0, 128},
        {128, 128, 0}, {192, 192, 192}, {128, 128, 128}, {0, 0, 255},    {0, 255, 0}, {0, 255, 255},
        {255, 0, 0},   {255, 0, 255},   {255, 255, 0},   {255, 255, 255}};
    return palette[std::clamp(n, 0, 15)];
}

long ColourValue(Rgb c) {
    return long{c.r} + 256L * c.g + 65536L * c.b;
}

} // namespace brenvik::render
