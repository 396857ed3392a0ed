#pragma once

#include "model/CrossingTable.h"
#include "model/Grid2D.h"
#include "model/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brenvik {

// The fingerprints of the inputs a plane's result was computed from
// (model/ResultStamp.h); 0: none.
struct ResultStamps {
    std::uint64_t density = 0; // the density, its maximum and isolines
    std::uint64_t ratio = 0;   // the exposure ratio grid; 0: no ratio
    friend bool operator==(const ResultStamps&, const ResultStamps&) = default;
};

// Who contributes what at each node of a plan's result, worked out from it
// by a pass of the calculation per antenna.
struct ContributionGrids {
    // The number of the antenna whose own density is the largest at the
    // node; 0 where no antenna gives anything.
    Grid2D<double> Dominant;
    // The operators in the order their first antenna appears (an antenna
    // without one counts under the empty name), and each one's density in
    // uW/cm^2.
    std::vector<std::string> Operators;
    std::vector<Grid2D<double>> OperatorDensity;
    // Each antenna by number (0 unused) as the legend names it: its number
    // and operator.
    std::vector<std::string> AntennaNames;
};

// The result of one plane (the plan at a height, or the vertical section):
// the density grid with everything derived from it, held together so that a
// maximum, isolines or ratio can never sit beside another calculation's grid.
struct PlaneResult {
    Grid2D<double> Density;
    bool Calculated = false;
    double MaxDensity = 0.0;
    double MinDensity = 0.0;
    // Stored drawing-unit position of the maximum node. The plan's row is a
    // whole number; the section's may be either form, as the file holds it.
    Variant MaxPosX;
    Variant MaxPosY;
    std::vector<double> IsolineLevel{0.0}; // 0..isoline count
    CrossingTable Isolines;                // slots 1..IsolinePointMax
    CrossingTable IsolinesAux;             // slots 1..IsolineAuxMax
    // Total exposure ratio at each node, sum over antennas of S_i / S_L(f_i)
    // (1 = at the limit); empty (size 1) when the result has no ratio.
    Grid2D<double> Ratio;
    // What the result was computed from; a stamp that no longer matches the
    // project marks the result out of date.
    ResultStamps Stamp;
    // Who contributes what, once asked for: it goes with the result it was
    // worked out from (a new result drops it, an undo brings it back with its
    // own).
    std::shared_ptr<const ContributionGrids> Contributions;

    std::int64_t IsolinePointMax() const { return Isolines.slotMax(); }
    std::int64_t IsolineAuxMax() const { return IsolinesAux.slotMax(); }
};

} // namespace brenvik
