#pragma once

#include "model/Project.h"

namespace brenvik {

// Constants of the beam model, kept exactly as the program has always used
// them (a four-digit pi included): results must not move between versions.
namespace beam {
inline constexpr double Pi = 3.1416;
inline constexpr double PowerFactor = 8.64;     // S = 8.64 * P / r^2, uW/cm^2 for W and m
inline constexpr double TransitionWidth = 0.05; // radians, width of the logistic cut-off
inline constexpr double HalfTurnDeg = 180.0;
} // namespace beam

// Everything of one antenna that does not depend on the receptor, worked out
// once per antenna before the node loops.
struct AntennaModel {
    AntennaKind kind = AntennaKind::None;
    double xs = 0.0, ys = 0.0; // plan position, metres
    double power = 0.0;        // ERP watts
    double scale = 0.0;        // PowerFactor * power
    double sinTheta = 0.0, cosTheta = 0.0;
    double tilt = 0.0;       // t, radians (panel)
    double cosTilt = 1.0;    // cos t
    double absSinTilt = 0.0; // |sin t|
    double openAngle = 0.0;  // a0, radians
    // Prepares antenna `a` with the project's scale and open angles.
    static AntennaModel From(const Antenna& a, double metersPerUnit, double openAngleBTS,
                             double openAngleDTS);
    static AntennaModel From(const Antenna& a, const Project& p) {
        return From(a, p.MetersPerUnit, p.OpenAngleBTS, p.OpenAngleDTS);
    }
};

// True when the receptor at plan metres (x, y) lies exactly on the antenna's
// vertical: such a node receives nothing from this antenna and is not visited
// for it at all.
inline bool OnVertical(const AntennaModel& m, double x, double y) {
    return x - m.xs == 0.0 && y - m.ys == 0.0;
}

// Power density in uW/cm^2 (>= 0) that antenna `m` produces at the receptor in
// plan metres (x, y); `h` is the antenna's height and `z` the receptor's, both
// in the calculation's height frame. A receptor on the antenna's vertical gets
// 0 here; the grid calculations skip it before calling.
double Contribution(const AntennaModel& m, double x, double y, double h, double z);

// The same from the horizontal offsets dx = x - xs, dy = y - ys and dz = h - z
// (the grid loops hoist the per-column parts). `h <= z` and `h >= z` of the
// side rules are passed as dz <= 0 and dz >= 0.
double ContributionD(const AntennaModel& m, double dx, double dy, double dz);

} // namespace brenvik
