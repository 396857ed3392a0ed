#include "calc/Towers.h"

#include "model/Int16.h"

#include <cmath>

namespace brenvik {

namespace {

void SetPosition(Project& p, Antenna& a, double xs, double ys, double zoom) {
    a.AntX = xs;
    a.AntY = ys;
    a.AntCellX = Variant::real(xs / p.CellSize);
    a.AntCellY = CheckedInt16(static_cast<long long>(std::trunc(ys / p.CellSize)));
    a.AntFactor = zoom;
    // A click places the antenna on the node itself, under no inventory's name.
    a.AntExact.reset();
    a.AntSite.clear();
    a.AntLabel.clear();
}

} // namespace

bool SpotTaken(const Project& p, double xs, double ys) {
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        if (a.AntX == xs && a.AntY == ys) return true;
    }
    return false;
}

void PlaceTower(Project& p, double xs, double ys, double zoom) {
    const std::int16_t n = p.TowerAntCount;
    const std::int16_t last = AddInt16(p.AntennaCount, n);
    const std::int16_t tower = AddInt16(p.TowerCount, 1);
    p.EnsureAntennaSlots(last);
    for (int k = 1; k <= n; ++k) {
        Antenna& a = p.Antennas[static_cast<std::size_t>(p.AntennaCount + k)];
        a.AntNumber = n;
        a.AntTower = tower;
        SetPosition(p, a, xs, ys, zoom);
    }
    p.TowerCount = tower;
    p.AntennaCount = last;
}

void PlaceAntenna(Project& p, double xs, double ys, double zoom) {
    const std::int16_t slot = AddInt16(p.AntennaCount, 1);
    const std::int16_t tower = AddInt16(p.TowerCount, 1);
    p.EnsureAntennaSlots(slot);
    Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    a.AntTower = tower;
    a.AntNumber = 0;
    SetPosition(p, a, xs, ys, zoom);
    p.TowerCount = tower;
    p.AntennaCount = slot;
}

} // namespace brenvik
