#pragma once

// The inner loop of the grid calculations: one antenna added to one column of
// nodes. Kept free of library headers so that the vectorised variants can be
// compiled for their instruction sets without pulling in shared inline code.
namespace brenvik::kernel {

// Kind codes as in AntennaKind: 0 panel, 1 stick, 2 none.
struct Antenna {
    int kind;
    double sinTheta, cosTheta;
    double tilt, cosTilt, absSinTilt;
    double openAngle;
    double scale; // 8.64 * power
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
// receives nothing. y, g and the sums are read and written only in [0, n).
void AddColumnScalar(const Antenna& a, const Column& c, const Sums& out, int n);
void AddColumnAvx2(const Antenna& a, const Column& c, const Sums& out, int n);
void AddColumnAvx512(const Antenna& a, const Column& c, const Sums& out, int n);

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
