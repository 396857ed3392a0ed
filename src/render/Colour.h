#pragma once

#include "model/Rgb.h"

#include <cstdint>

namespace brenvik::render {

using brenvik::Rgb;

// RGB(r, g, b) with every Component clamped to 0..255 (a Component above 255
// is taken as 255, a negative one as 0).
Rgb rgb(long r, long g, long b);

// Entry n (0..15) of the classic 16-colour console palette.
Rgb QbColor(int n);

// The long colour value (red + 256 × green + 65536 × blue).
long ColourValue(Rgb c);

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kOlive{128, 128, 0};
inline constexpr Rgb kTeal{0, 128, 128};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kPurple{128, 0, 128};

} // namespace brenvik::render
