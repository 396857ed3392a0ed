#pragma once

// Antenna patterns of the far-field model: reading pattern files (the
// MSI/Planet layout), the gain of a measured or a parametric beam in any
// direction, the direction of a receptor in an antenna's frame, and the
// compliance boundary of one antenna. Standard C++ only; used by the grid
// calculations, the reports, the window and the tile runner alike.
#include "antenna/Adaptive.h"
#include "model/AntennaPattern.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {
struct Antenna;
class Project;
} // namespace brenvik

namespace brenvik::antenna {

// ---- Pattern files -------------------------------------------------------------------------

// What reading a pattern file gave: the pattern, or the refusal as one text
// naming the line and the reason ("line 14: negative loss -0.5"), plus the
// warnings of an accepted file (e.g. a cut whose smallest loss is not 0 dB).
struct PatternRead {
    std::optional<AntennaPattern> pattern;
    std::string error;
    int line = 0; // the line the error names, 1-based; 0 when none
    std::vector<std::string> warnings;
};

// Reads MSI/Planet text. Header keys are case-insensitive; spaces or tabs,
// CR LF or LF; NAME may be missing; a HORIZONTAL/VERTICAL line without a count
// means 360 points; FREQUENCY may read "947.5", "2.45 GHz" or "2450-2550"
// (the middle of a range); GAIN in dBi or dBd (no unit: dBd).
PatternRead ParsePattern(std::string_view text);
// The same from a file (a regular file only); Source is set to the file's
// name and Name, when the file has none, to its stem.
PatternRead ReadPatternFile(const std::string& path);

// What the user is told about a pattern before trusting results worked out
// with it: each cut whose smallest loss is not 0 dB (its gains then never
// reach the file's GAIN).
std::vector<std::string> PatternWarnings(const AntennaPattern& p);
// A pattern measured at a frequency more than 20 % from the carrier of the
// antenna that uses it describes another band's beam: the note, or no value
// (also when either frequency is not given).
inline constexpr double PatternFrequencyTolerance = 0.20;
std::optional<std::string> FrequencyWarning(const AntennaPattern& p, double antennaMHz);
// The warnings of every pattern the project's antennas use, each once, and
// of each antenna whose carrier is far from its pattern's frequency.
std::vector<std::string> ProjectPatternWarnings(const Project& p);

// ---- Gains --------------------------------------------------------------------------------

// The loss of a cut at `angleDeg` (any real angle, taken modulo 360): linear
// interpolation in dB between the listed angles, periodic over 360 degrees.
double CutLossDb(const PatternCut& cut, double angleDeg);

// Gain in dB relative to the peak, of a measured pattern, in the direction
// phi (degrees clockwise from boresight, -180..180) and theta (degrees below
// the horizon, -90..90), combining the cuts by horizontal projection
// interpolation, with a = |phi| / 180:
//   G = G_H(phi) - [(1 - a)(G_H(0) - G_V(theta)) + a (G_H(180) - G_V(180 - theta))]
// where G_H = -L_H and G_V = -L_V. Where the two cuts disagree (a wide
// horizontal beam over a deep back null) the sum may come out above 0 dB; no
// direction gains more than the peak, so G is taken as at most 0 dB.
double PatternGainDb(const AntennaPattern& p, double phiDeg, double thetaDeg);

// A beam without a pattern file: a panel (horizontal and vertical beams) or
// a stick (vertical beam only). Beamwidths are half-power widths in degrees.
struct ParametricBeam {
    bool stick = false;
    double hBeamwidthDeg = 90.0;    // phi3
    double vBeamwidthDeg = 7.2;     // theta3
    double electricalTiltDeg = 0.0; // theta_e, degrees down
};
inline constexpr double ParametricMaxAttenuationDb = 25.0; // A_m
inline constexpr double ParametricSideLobeDb = 20.0;       // SLA_V
// A_V = -min(12((theta - theta_e)/theta3)^2, SLA_V); a panel adds
// A_H = -min(12(phi/phi3)^2, A_m) and is bounded: G = -min(-(A_H + A_V), A_m);
// a stick's G is A_V.
double ParametricGainDb(const ParametricBeam& b, double phiDeg, double thetaDeg);

// The beam of one antenna: a measured pattern when `pattern` is set, else an
// adaptive antenna's envelope when `envelope` is, else the parametric beam.
struct Beam {
    const AntennaPattern* pattern = nullptr;
    ParametricBeam parametric;
    std::shared_ptr<const EnvelopeTable> envelope{};
    double GainDb(double phiDeg, double thetaDeg) const;
};

// A stick (omnidirectional) antenna: its direction and tilt are not used.
bool IsStick(const Antenna& a);
// The pattern called `name`, or null (also for an empty name).
const AntennaPattern* FindPattern(const std::vector<AntennaPattern>& patterns,
                                  const std::string& name);
// An antenna's parametric beam; a vertical beamwidth of 0 stands for twice
// the open angle of its type (degrees).
ParametricBeam ParametricBeamOf(const Antenna& a, double openAngleBTS, double openAngleDTS);
// An antenna's beam in a project: its pattern when the project holds one of
// that name, else an adaptive panel's envelope of its array, else its
// parametric beam. Points into p.Patterns. The envelope comes from `cache`
// when given.
Beam BeamOf(const Project& p, const Antenna& a, EnvelopeCache* cache = nullptr);

// ---- Geometry ------------------------------------------------------------------------------

// The direction of a receptor in an antenna's frame. (e, n, u) is the
// receptor minus the antenna in metres: east, north, up. az is the azimuth
// (degrees clockwise from north) and tilt the mechanical down-tilt (degrees,
// positive down); a stick passes 0 and 0. With
//   f = e sin az + n cos az,  s = e cos az - n sin az,
//   f' = f cos t - u sin t,   u' = f sin t + u cos t:
// phi = atan2(s, f') and theta = atan2(-u', sqrt(f'^2 + s^2)), in degrees.
struct Direction {
    double phiDeg = 0.0;
    double thetaDeg = 0.0;
};
Direction DirectionInBeam(double e, double n, double u, double azDeg, double tiltDeg);

inline constexpr double MinDistanceM = 0.1; // r is never taken below this
inline constexpr double ErpToEirp = 1.64;   // a half-wave dipole's gain
// Far-field power density in uW/cm^2 of an antenna of ERP `erpW` watts with
// linear gain `gain` at distance r metres (r < MinDistanceM taken as it):
//   S = 100 * reflection * 1.64 * erpW * gain / (4 pi r^2).
double FarFieldDensity(double erpW, double reflection, double gain, double rM);

// ---- Compliance boundary ------------------------------------------------------------------

// The extent of one antenna's compliance boundary r_b = sqrt(RF 1.64 P g / (4 pi S_L))
// (S_L in W/m^2) along the axes of its horizontal frame: in front (along the
// azimuth), behind, to the side (the larger of left and right), above and
// below, in metres. Directions are sampled every 0.5 degrees or finer.
struct BoundaryExtent {
    double front = 0.0, back = 0.0, side = 0.0, above = 0.0, below = 0.0;
};
BoundaryExtent ComplianceBoundary(const Beam& b, double erpW, double reflection, double limitWm2,
                                  double tiltDeg);
// r_b in the direction (phi, theta) of the beam frame, metres.
double BoundaryRadius(const Beam& b, double erpW, double reflection, double limitWm2, double phiDeg,
                      double thetaDeg);

} // namespace brenvik::antenna
