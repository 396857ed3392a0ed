#pragma once

#include <cstdint>

namespace brenvik {

// A few project items may hold an integer, a double or nothing; the project
// file writes each in the form of what it currently holds, and an empty one as
// an empty line.
struct Variant {
    enum class Kind { Empty, Integer, Double };
    Kind kind = Kind::Empty;
    std::int64_t i = 0;
    double d = 0.0;

    static Variant integer(std::int64_t v) { return Variant{Kind::Integer, v, 0.0}; }
    static Variant real(double v) { return Variant{Kind::Double, 0, v}; }

    bool isEmpty() const { return kind == Kind::Empty; }
    double toDouble() const {
        return kind == Kind::Integer ? static_cast<double>(i) : kind == Kind::Double ? d : 0.0;
    }
    friend bool operator==(const Variant&, const Variant&) = default;
};

} // namespace brenvik
