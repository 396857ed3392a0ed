#pragma once

#include "model/Project.h"

#include <cstdint>

namespace brenvik {

// Fingerprints of what a plane's result was computed from, over a canonical
// byte encoding of the inputs (0 stands for "none").
//
// The density stamp covers every input the calculation reads: the antennas
// of slots 1..AntennaCount with every field the antenna field table marks as
// an input (their names are none), the patterns they name, the
// ground grid, the grid size and scale, the plane with its calculation height
// or section row, the open angles, the view the calculation covered (zoom and
// scroll) and the exposure model. An antenna's frequency enters it only under
// the far-field model: the beam model's density does not depend on it.
//
// The ratio stamp covers what the exposure ratio adds: the standard, the
// population and every antenna's frequency.
std::uint64_t DensityStampOf(const Project& p, Plane plane);
// The density stamp of a result saved while out of date: it matches no inputs,
// so the result opens out of date again.
inline constexpr std::uint64_t OutOfDateStamp = 1;
std::uint64_t RatioStampOf(const Project& p);

// What a calculation records when it commits a result: the stamps of the
// inputs it was computed from (ratio 0 when it computed no ratio).
void StampResult(Project& p, Plane plane, bool withRatio);

// The plane holds a result, and the project still holds the inputs it was
// computed from: the density, its maximum and isolines are current.
bool ResultCurrent(const Project& p, Plane plane);
// The plane holds a result that is out of date: drawn, but never certified.
bool ResultStale(const Project& p, Plane plane);
// The result is current and so is its exposure ratio for the project's
// standard, population and frequencies.
bool RatioCurrent(const Project& p, Plane plane);

} // namespace brenvik
