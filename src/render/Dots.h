#pragma once

#include "render/Colour.h"

#include <cstdint>

namespace brenvik::render {

// The uniform [0, 1) source behind the dots. It starts from the same state at
// every start of the program, so the sequence repeats from run to run while
// the dots still move at every redraw; tests seed it.
class DotRandom {
  public:
    static constexpr std::uint64_t kStartSeed = 0x2545F4914F6CDD1DULL;
    explicit DotRandom(std::uint64_t seed = kStartSeed) { reseed(seed); }
    void reseed(std::uint64_t seed);
    double next(); // uniform in [0, 1)

  private:
    std::uint64_t state_ = 0;
};

inline constexpr int kDotSchemeCount = 17;

struct DotSchemeInfo {
    int scheme;             // 1..17
    const char* optionName; // option button of the dialog
    const char* caption;
    bool blackRow; // on the "With black:" row (schemes 11..17)
    Rgb scaleBox;  // colour of the scale box
    Rgb swatch;    // dialog swatch
};
// Scheme 1..17; an out-of-range scheme reads as the start-up scheme 15.
const DotSchemeInfo& dotScheme(int scheme);

// Colour of a dot at a level in a scheme.
Rgb DotColour(int scheme, int level);

} // namespace brenvik::render
