#pragma once

// What the polar plots of an antenna's beam show: its horizontal cut, its
// vertical cut as mounted (after the mechanical tilt), the half-power
// beamwidths read from them, and the directivity of a beam.
#include "antenna/Pattern.h"

#include <optional>
#include <vector>

namespace brenvik::antenna {

// A cut sampled over a full turn: gainDb[k] at angleDeg[k] (ascending, from
// 0, one step apart), in dB relative to the beam's peak.
struct PlotCut {
    std::vector<double> angleDeg;
    std::vector<double> gainDb;
    double beamwidthDeg = 0.0; // half-power width around the cut's peak; 360: never 3 dB down
    double peakDeg = 0.0;      // where the cut peaks
};

// Horizontal cut, angle clockwise from boresight: a measured pattern's own
// horizontal cut, or the parametric beam's gain at theta = 0.
PlotCut HorizontalCut(const Beam& b, double stepDeg = 0.25);
// Vertical cut in the antenna's vertical plane as mounted with a down-tilt
// `tiltDeg`: angle below the front horizon (90 down, 180 the back horizon,
// 270 up).
PlotCut VerticalCut(const Beam& b, double tiltDeg, double stepDeg = 0.25);

// Half-power width of a periodic sampled cut around its peak, in degrees,
// interpolated linearly between samples; 360 when it never falls 3 dB. The
// 3 dB are counted from `referenceDb` when given, else from the cut's own
// peak: a measured pattern's widths are those of the file's gain (0 dB), as
// its header states them, even where a cut never quite reaches it. 0 when
// the cut stays more than 3 dB below the reference.
double HalfPowerWidth(const std::vector<double>& angleDeg, const std::vector<double>& gainDb,
                      std::optional<double> referenceDb = std::nullopt);

// A measured pattern's own figures, in degrees, for the boxes of the
// parametric beam it stands in for: the half-power widths of its horizontal
// and vertical cuts (from the file's gain) and the electrical tilt, where its
// vertical cut peaks below the horizon (negative above).
struct PatternFigures {
    double hWidthDeg = 0.0;
    double vWidthDeg = 0.0;
    double tiltDeg = 0.0;
};
PatternFigures PatternOwnFigures(const AntennaPattern& p);

// Directivity of the beam in dBi: 4 pi over the integral of its linear gain
// over the sphere (sampled every degree).
double DirectivityDbi(const Beam& b);

} // namespace brenvik::antenna
