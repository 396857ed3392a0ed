#pragma once

// The colours of the map layers: one ramp for the power density and one for
// the share of the limit, both ordered in lightness so that they read the
// same to readers with a common colour-vision deficiency and in grey print.

#include "model/Rgb.h"

#include <string>
#include <vector>

namespace brenvik::render {

// The density ramp at t in [0, 1]: dark violet through blue and green to
// yellow, interpolated between eleven fixed steps (t = 0, 0.1, ..., 1).
Rgb DensityRamp(double t);
// The step of the tenth `level` (0..10) of the maximum.
Rgb DensityStep(int level);

// The share of the limit, in %, on a logarithmic scale that turns at 100 %:
// blues from 0.001 % (lightening towards the limit) and reds above it,
// darkening to 1000 %. Low shares stay apart: 0.01 %, 0.1 % and 1 % are
// three different blues.
Rgb RatioColour(double percent);

// One colour for each of the levels (any order, all distinct), taken along
// the density ramp by rank, so that no two levels share a colour however
// close their values are.
std::vector<Rgb> LevelColours(const std::vector<double>& levels);

// "#rrggbb".
std::string HexColour(Rgb c);

} // namespace brenvik::render
