#pragma once

// The inner loop of the grid calculations: one antenna added to one column of
// nodes. Kept free of library headers so that the vectorised variants can be
// compiled for their instruction sets without pulling in shared inline code.
#include "calc/FarMath.h"

namespace brenvik {
struct AntennaPattern;
}

namespace brenvik::kernel {

// The beam of one antenna in the far-field model, everything that does not
// depend on the receptor. A receptor at offsets (e, n, u) (east, north, up)
// from the antenna is seen in the beam frame as
//   f = e sin az + n cos az,  s = e cos az - n sin az,
//   f' = f cos t - u sin t,   u' = f sin t + u cos t,
//   phi = atan2(s, f'), theta = atan2(-u', sqrt(f'^2 + s^2))   (degrees)
// and receives scale * 10^(G(phi, theta) / 10) / max(r^2, 0.01).
struct FarBeam {
    enum Type { Measured = 0, Panel = 1, Stick = 2, Envelope = 3 };
    int type = Panel;
    double azDeg = 0.0, tiltDeg = 0.0; // a stick has 0 and 0
    double sinAz = 0.0, cosAz = 1.0, sinTilt = 0.0, cosTilt = 1.0;
    double erp = 0.0;   // watts
    double scale = 0.0; // 100 * 1.64 * erp / (4 pi), uW/cm^2 m^2
    // The vector loops' own forms of the beam: 2^x's coefficients times the
    // scale, then the scale; the units of the beam's tables per degree (a
    // parametric beam's angles stay in degrees) and atan's coefficients
    // times the units per radian, then the units per radian.
    double expScaled[farmath::Exp2Terms + 1] = {};
    double unitsPerDeg = 1.0;
    double atanUnits[farmath::AtanTerms + 1] = {};
    // Parametric beams: half-power widths and electrical tilt, degrees.
    double phi3 = 90.0, theta3 = 7.2, thetaE = 0.0;
    // Measured beams: the pattern, and for the vector loops its cuts sampled
    // every 1 / perDeg degrees, as powers of two of the gain (times
    // -log2(10) / 10) and per table step rather than per degree. hLog2 holds
    // the horizontal cut's loss at phi = -180..180 (perTurn + 1 entries);
    // vQuads one quad per step k of theta = -90..90, F[k], F[k + 1] - F[k],
    // D[k], D[k + 1] - D[k], with F from gh0 + the vertical cut at theta (the
    // loss straight ahead) and D from (gh180 + the cut at 180 - theta - F) /
    // 180 (its change per degree of |phi| towards the back) over perDeg. The
    // step divides every listed angle and 90, so that linear interpolation in
    // a table gives the cut's own interpolation; when no such step was found
    // (tablesExact false) the plain loop serves.
    const AntennaPattern* pattern = nullptr;
    const double* hLog2 = nullptr;
    const double* vQuads = nullptr;
    double perDeg = 1.0;
    int perTurn = 0;
    double gh0 = 0.0, gh180 = 0.0; // G_H(0), G_H(180)
    bool tablesExact = false;
    // Adaptive antennas' envelopes: the gain in dB relative to the peak at
    // phi = -180..180 and theta = -90..90 every 1 / envelopePerDeg degrees,
    // entry [theta index * envelopePhiCount + phi index], read bilinearly
    // in dB, by the plain loop and the vector loops alike.
    const double* envelope = nullptr;
    int envelopePhiCount = 0;
    double envelopePerDeg = 1.0;
};

// Kind codes as in AntennaKind: 0 panel, 1 stick, 2 none; 3 a far-field beam.
inline constexpr int FarFieldKind = 3;
struct Antenna {
    int kind;
    double sinTheta, cosTheta;
    double tilt, cosTilt, absSinTilt;
    double openAngle;
    double scale;                 // 8.64 * power
    const FarBeam* far = nullptr; // the beam, for kind FarFieldKind
};

// One column of nodes as seen from one antenna. Node k lies at the offsets
//   dx,  dy = y[k] - ys,  dz = (h - g[k]) - z
// from the antenna (h: the antenna's height; g: the ground under the node or
// the node's own height; z: the receptor's height), worked out inside the
// loop so that nothing is copied per antenna.
struct Column {
    double dx;
    const double* y;
    double ys;
    double h;
    const double* g;
    double z;
};

// Where one antenna's contributions to a column go: density[k] += S and,
// when a ratio column is given, ratio[k] += S * inverseLimit (the antenna's
// share of its exposure limit). The density gets the same bits either way.
struct Sums {
    double* density;
    double* ratio; // nullptr: no ratio wanted
    double inverseLimit;
};

// Adds the contribution at node k for k in [0, n); a node with dx = dy = 0
// receives nothing, except from a far-field beam, which sees every node. y, g and the sums are read
// and written only in [0, n).
void AddColumnScalar(const Antenna& a, const Column& c, const Sums& out, int n);
void AddColumnAvx2(const Antenna& a, const Column& c, const Sums& out, int n);
void AddColumnAvx512(const Antenna& a, const Column& c, const Sums& out, int n);
// The far-field beam's column (the vector variants call the plain one for a
// beam whose tables are not exact).
void AddFarColumnScalar(const FarBeam& b, const Column& c, const Sums& out, int n);
void AddFarColumnAvx2(const FarBeam& b, const Column& c, const Sums& out, int n);
void AddFarColumnAvx512(const FarBeam& b, const Column& c, const Sums& out, int n);

// The vector variants are compiled for their instruction set and without
// contraction into fused multiply-adds, so that mirror-image nodes get the
// same value, as in the plain loop.
#if defined(__clang__)
#define BRENVIK_VECTOR_FN(isa) __attribute__((target(isa)))
#else
#define BRENVIK_VECTOR_FN(isa) __attribute__((target(isa), optimize("fp-contract=off")))
#endif

enum class Isa { Scalar, Avx2, Avx512 };
// The best variant this processor runs.
Isa BestIsa();

} // namespace brenvik::kernel
