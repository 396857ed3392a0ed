#pragma once

#include <cstdint>

namespace brenvik {

// A 24-bit colour, the three components.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

} // namespace brenvik
