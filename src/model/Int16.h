#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace brenvik {

// Counts of the project are signed 16-bit: arithmetic on them is checked and an
// overflow ends the running operation through its error path.
struct Int16Overflow : std::overflow_error {
    Int16Overflow() : std::overflow_error("Overflow") {}
};

inline std::int16_t CheckedInt16(long long v) {
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max())
        throw Int16Overflow();
    return static_cast<std::int16_t>(v);
}

inline std::int16_t AddInt16(std::int16_t a, long long b) {
    return CheckedInt16(a + b);
}

} // namespace brenvik
