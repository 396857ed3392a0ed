#pragma once

// Projects built by hand for the tests: a calculated plan from a formula and
// antennas on their own towers.

#include "model/Project.h"
#include "model/ProjectFile.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace brenvik::testing {

// A calculated plan at the project's grid whose node (i, j) holds f(i, j);
// the maximum is the largest value.
template <class F> void FillPlan(Project& p, F f) {
    p.RecomputeDerived();
    p.XY.Density.resize(p.GridNX, p.GridNY);
    p.XY.MaxDensity = 0.0;
    for (int i = 0; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY; ++j) {
            p.XY.Density(i, j) = f(i, j);
            p.XY.MaxDensity = std::max(p.XY.MaxDensity, p.XY.Density(i, j));
        }
    p.XY.Calculated = true;
}

// A new antenna, alone on a new tower at node (i, j), the next slot.
inline Antenna& AddAntenna(Project& p, AntennaKind kind, double powerW, double heightM,
                           double directionDeg, double i, double j) {
    const int k = p.AntennaCount + 1;
    p.EnsureAntennaSlots(k);
    p.AntennaCount = p.TowerCount = static_cast<std::int16_t>(k);
    Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
    a.AntType = kind;
    a.AntPower = powerW;
    a.AntHeight = heightM;
    a.AntDirection = directionDeg;
    a.AntTower = static_cast<std::int16_t>(k);
    a.AntNumber = 1;
    a.AntX = i * p.CellSize;
    a.AntY = j * p.CellSize;
    return a;
}

// The project's file text; a project the writer refuses fails the test.
inline std::string ProjectText(const Project& p) {
    std::string text;
    EXPECT_TRUE(WriteProjectText(p, text));
    return text;
}

// The project as its file text reads back.
inline Project ReadBack(const Project& p) {
    Project back;
    std::string why;
    EXPECT_TRUE(ReadProjectText(back, ProjectText(p), &why)) << why;
    return back;
}

// A pattern that loses nothing in any direction.
inline AntennaPattern IsotropicPattern(const std::string& name = "iso") {
    AntennaPattern iso;
    iso.Name = name;
    iso.Horizontal = {{0}, {0}};
    iso.Vertical = {{0}, {0}};
    return iso;
}

} // namespace brenvik::testing
