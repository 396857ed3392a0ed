#pragma once

// The power density of one antenna at one receptor with the project's
// exposure model, for everything outside the grid calculations that needs a
// single value (places, buildings, reports).
#include "model/Project.h"

namespace brenvik::antenna {
class EnvelopeCache;
}

namespace brenvik {

// Density in uW/cm^2 that antenna slot `s` (1..AntennaCount) produces at plan
// metres (x, y), with the antenna at height `zAntenna` and the receptor at
// `zReceptor`, both in one height frame (metres).
//  - Specified model: the beam model of the grid calculations, a receptor on
//    the antenna's vertical included (it gets 0).
//  - Far-field model: 100 RF 1.64 P g(phi, theta) / (4 pi r^2) with the
//    antenna's pattern (imported or parametric) and the project's reflection
//    factor RF; r is never taken below 0.1 m and the vertical is no exception.
//    The antenna stands at its exact position (AntennaPosition), the beam
//    model's at its node.
// A slot outside 1..AntennaCount, or an antenna whose pattern is not among
// Project::Patterns, throws std::invalid_argument. An adaptive antenna's
// envelope comes from `cache` when given: callers asking for many receptors
// hold one for the lot.
double AntennaDensityAt(const Project& p, int s, double x, double y, double zAntenna,
                        double zReceptor, antenna::EnvelopeCache* cache = nullptr);

} // namespace brenvik
