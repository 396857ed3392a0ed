#pragma once

// Antennas placed as the tower dialog places them, each alone on its tower,
// and the calculation's settings.
#include "calc/GridCalc.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace calctest {

// A one-antenna tower on grid node (i, j) with the given emission values and,
// when named, one of the project's imported patterns.
inline void AddTower(brenvik::Project& p, int i, int j, brenvik::AntennaKind type, double height,
                     double tilt, double direction, double power = 1600.0,
                     const std::string& pattern = "") {
    brenvik::TowerBeginNew(p);
    brenvik::Antenna& a = p.Antennas[p.AntennaCount + 1];
    std::tie(a.AntType, a.AntHeight, a.AntTilt, a.AntDirection, a.AntPower, a.AntPattern) =
        std::tie(type, height, tilt, direction, power, pattern);
    brenvik::PlaceTower(p, i * p.CellSize, j * p.CellSize, 1.0);
}

// The calculation on `threads` threads, by the plain loop when `scalar`, with
// the exposure ratio when given the inverse limits.
inline brenvik::CalcControl Control(unsigned threads, bool scalar = false,
                                    std::vector<double> inverse = {}) {
    brenvik::CalcControl c;
    c.threads = threads;
    c.scalarReference = scalar;
    c.inverseLimit = std::move(inverse);
    return c;
}

} // namespace calctest
