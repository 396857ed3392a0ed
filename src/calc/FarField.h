#pragma once

// The far-field model's beams as the calculations use them: one antenna's
// beam prepared once (pattern tables included) and the plain evaluation at a
// receptor, the reference the vector loops are held to.
#include "antenna/Adaptive.h"
#include "calc/Kernel.h"
#include "model/Project.h"

#include <memory>
#include <vector>

namespace brenvik::farfield {

// A beam and the tables its pointers refer to; shared, so that copies of it
// keep the pointers valid.
struct PreparedBeam {
    kernel::FarBeam beam;
    std::vector<double> tables;
    std::shared_ptr<const antenna::EnvelopeTable> envelope; // an adaptive antenna's
};

// What a beam is made of, whoever holds it: a project's antenna or a tile's.
struct BeamParts {
    bool stick = false;
    double azimuthDeg = 0.0, tiltDeg = 0.0; // a stick has neither
    double erpW = 0.0;
    const AntennaPattern* pattern = nullptr; // null: the envelope or parametric beam below
    std::shared_ptr<const antenna::EnvelopeTable> envelope; // an adaptive antenna's; null: none
    double hBeamwidthDeg = 90.0, vBeamwidthDeg = 7.2, electricalTiltDeg = 0.0;
};
// The beam of `parts`; throws std::invalid_argument for a beamwidth that is
// not positive or values that are not finite. The pattern must outlive it.
std::shared_ptr<const PreparedBeam> Prepare(const BeamParts& parts, bool tables = true);
// Points `b` (a beam prepared for its pattern) along another azimuth and
// tilt with another power, keeping its tables: antennas of one pattern share them.
void Aim(kernel::FarBeam& b, bool stick, double azimuthDeg, double tiltDeg, double erpW);

// One beam added to a column of nodes with the variant `isa` names, the plain
// loop for a measured beam whose tables are not exact.
void AddColumn(kernel::Isa isa, const kernel::FarBeam& b, const kernel::Column& c,
               const kernel::Sums& out, int n);

// The beam of antenna `a` of project `p` (a panel or a stick: the caller
// leaves other kinds out) at its assessed power (AssessedPowerW): its
// imported pattern when AntPattern names one, else an adaptive panel's
// envelope, else the parametric beam, whose vertical width defaults to twice
// the type's open angle taken in degrees. Throws std::invalid_argument for a
// pattern the project does not hold or a beamwidth that is not positive.
// Without `tables`, the beam serves the plain evaluation only (DensityAt).
// The envelope comes from `cache` when given.
std::shared_ptr<const PreparedBeam> Prepare(const Project& p, const Antenna& a, bool tables = true,
                                            antenna::EnvelopeCache* cache = nullptr);

// The largest step of 1/m degree (m = 1..100) that divides every listed
// angle of the cut, or 0 when none does.
double TableStep(const PatternCut& cut);

// Density in uW/cm^2, reflection not included, at the offsets (e, n, u) of
// the receptor from the antenna (east, north, up; metres).
double DensityAt(const kernel::FarBeam& b, double e, double n, double u);

} // namespace brenvik::farfield
