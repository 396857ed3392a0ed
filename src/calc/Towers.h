#pragma once

#include "model/Project.h"

namespace brenvik {

// ---- Placing towers and antennas on the plan ------------------------------------
//
// Counts are int16: an overflow throws Int16Overflow (model/Int16.h) and the
// caller reports it through its error path. The pending antennas are filled by
// the tower and antenna dialogs (calc/TowerForms.h).

// The placement hit test: true when an antenna already stands on (xs, ys).
bool SpotTaken(const Project& p, double xs, double ys);

// Places the pending tower at the snapped plan position (xs, ys): its
// TowerAntCount slots get the position, AntCellX/AntCellY, AntFactor = zoom,
// AntTower = TowerCount + 1 and AntNumber = TowerAntCount; then TowerCount and
// AntennaCount grow. Nothing changes when a count would overflow (throws).
void PlaceTower(Project& p, double xs, double ys, double zoom);

// Places the single antenna pending in slot AntennaCount + 1 (filled by the
// "Antenna options" dialog): AntennaCount += 1, TowerCount += 1, AntTower =
// TowerCount, AntNumber = 0 (a standalone antenna).
void PlaceAntenna(Project& p, double xs, double ys, double zoom);

} // namespace brenvik
