#pragma once

// Sites built with the program's own operations (the tower and antenna
// dialogs' rules, the topographic tool), for the sample files and the tests.

#include "calc/CalcForms.h"
#include "calc/Ground.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"
#include "model/Project.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace batchsites {

struct Ant {
    bool panel;
    double heightM, tilt, power, direction;
};

// One tower placed as the tower dialog and a click on the plan place it.
inline void placeTower(brenvik::Project& p, double x, double y, const std::vector<Ant>& ants) {
    using namespace brenvik;
    TowerBeginNew(p);
    for (std::size_t k = 0; k < ants.size(); ++k) {
        if (k > 0) TowerAddAntenna(p);
        int slot = TowerOptionsSlot(p, static_cast<int>(k) + 1);
        AntennaForm f = AntennaFormLoad(p, slot);
        const Ant& a = ants[k];
        AntennaFormClickType(f, a.panel ? FuentType::Alta : FuentType::Baja);
        AntennaFormClickHeight(f, FuentHeight::Altm);
        f.mText = FormatNumberC(a.heightM);
        AntennaFormClickPower(f, FuentPower::Otr);
        f.potext = FormatNumberC(a.power);
        if (a.panel) {
            AntennaFormClickDirection(f, FuentDirection::Ang);
            f.antang = FormatNumberC(a.direction);
            f.angText = FormatNumberC(a.tilt);
        }
        if (auto refused = AntennaFormAccept(p, f, slot, false)) throw std::runtime_error(*refused);
    }
    PlaceTower(p, x, y, 1.0);
}

// A rectangle of the topographic tool: grid corners (column, row), both inclusive.
inline void RaiseGround(brenvik::Project& p, double height, int c0, int r0, int c1, int r1) {
    std::string text = brenvik::FormatNumberC(height);
    if (auto refused = brenvik::TopoLineAccept(p, text)) throw std::runtime_error(*refused);
    brenvik::FillGroundRect(p, c0, r0, c1, r1);
}

// GridNX columns with `towers` three-sector towers spread over the part of the
// plan the grid covers.
inline brenvik::Project SpreadSite(int gridNX, int towers, double planWidthM) {
    brenvik::Project p;
    p.PlanWidthM = planWidthM;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.XY.Density.resize(p.GridNX, p.GridNY);
    const int spanX = gridNX * p.CellSize - 1400, spanY = p.GridNY * p.CellSize - 1200;
    for (int t = 0; t < towers; ++t) {
        double x = 700.0 + (t * 2731) % spanX + 0.5 * t;
        double y = 600.0 + (t * 1913) % spanY + 0.25 * t;
        placeTower(p, x, y,
                   {{true, 20.0 + t % 7, 5, 1600, 10.0 * t},
                    {true, 20.0 + t % 7, 5, 1200, 10.0 * t + 120},
                    {t % 2 == 0, 24, 3, 800, 10.0 * t + 240}});
    }
    return p;
}

} // namespace batchsites
