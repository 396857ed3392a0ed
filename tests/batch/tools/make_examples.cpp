// Writes the sample sites of examples/ with the program's own operations: the
// tower and antenna dialogs' rules, the topographic tool, the XY calculation
// and the project file writer. Run once: brenvik-make-examples DIR
// (or brenvik-make-examples --large GRIDNX TOWERS PATH for a timing site).

#include "calc/GridCalc.h"
#include "calc/Ground.h"
#include "calc/Towers.h"
#include "model/ProjectFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace brenvik;

namespace {

struct AntennaSpec {
    bool panel;
    double heightM, tilt, power, direction;
};

void fail(const std::string& what) {
    std::fprintf(stderr, "brenvik-make-examples: %s\n", what.c_str());
    std::exit(1);
}

void placeTower(Project& p, double x, double y, const std::vector<AntennaSpec>& antennas) {
    TowerBeginNew(p);
    for (std::size_t k = 0; k < antennas.size(); ++k) {
        if (k > 0) TowerAddAntenna(p);
        int slot = TowerOptionsSlot(p, static_cast<int>(k) + 1);
        AntennaForm f = AntennaFormLoad(p, slot);
        const AntennaSpec& a = antennas[k];
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
        if (auto refused = AntennaFormAccept(p, f, slot, false)) fail(*refused);
    }
    PlaceTower(p, x, y, 1.0);
}

void ground(Project& p, double height, int c0, int r0, int c1, int r1) {
    std::string text = FormatNumberC(height);
    if (auto refused = TopoLineAccept(p, text)) fail(*refused);
    FillGroundRect(p, c0, r0, c1, r1);
}

void save(const Project& p, const std::string& path) {
    if (!SaveProjectFile(p, path)) fail("cannot write " + path);
    std::printf("%s\n", path.c_str());
}

// The older layout: no format line at the head, no AntFactor per antenna and
// no view record after the result settings (this sample has no result).
void saveOlderLayout(const Project& p, const std::string& path) {
    std::string text;
    if (p.XYCalculated || !WriteProjectText(p, text)) fail("cannot write " + path);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l); // keeps the CR
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::size_t antennaStart = 5, antennaLines = 12;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        bool inAntennas = n >= antennaStart && n < antennaStart + antennaLines * p.AntennaCount;
        if (inAntennas && (n - antennaStart) % antennaLines == antennaLines - 1) continue;
        out << lines[n] << '\n';
    }
    if (!out) fail("cannot write " + path);
    std::printf("%s\n", path.c_str());
}

// A large site for timing runs: GridNX columns, `towers` three-sector towers
// spread over the plan, on a terrace of stepped ground.
void largeSite(int gridNX, int towers, const std::string& path) {
    Project p;
    p.PlanWidthM = 1500.0;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.DensityGrid.resize(p.GridNX, p.GridNY);
    ground(p, 6, gridNX / 2, 1, gridNX, p.GridNY);
    for (int t = 0; t < towers; ++t) {
        double x = 700.0 + (t * 2731) % 12600 + 0.5 * t;
        double y = 600.0 + (t * 1913) % 8600 + 0.25 * t;
        placeTower(p, x, y,
                   {{true, 20.0 + t % 7, 5, 1600, 10.0 * t},
                    {true, 20.0 + t % 7, 5, 1200, 10.0 * t + 120},
                    {t % 2 == 0, 24, 3, 800, 10.0 * t + 240}});
    }
    save(p, path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--large") {
        largeSite(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
        return 0;
    }
    std::string dir = argc > 1 ? argv[1] : "examples";

    // A single tower of three sectors on flat ground.
    {
        Project p;
        placeTower(p, 7650, 4650,
                   {{true, 25, 20, 1600, 0}, {true, 25, 20, 1600, 120}, {true, 25, 20, 1600, 240}});
        save(p, dir + "/single-tower-flat.bvk");
    }

    // Four towers over stepped ground: a terrace rising to the east, a hill
    // in the north-west; the file keeps its XY result at surface height with
    // five isolines.
    {
        Project p;
        p.PlanWidthM = 400.0;
        p.RecomputeDerived();
        p.GroundGrid.resize(p.GridNX, p.GridNY);
        p.DensityGrid.resize(p.GridNX, p.GridNY);
        ground(p, 5, 50, 1, 100, 68);
        ground(p, 12, 75, 1, 100, 68);
        ground(p, 20, 10, 8, 30, 25);
        placeTower(p, 3100, 2600, {{true, 25, 12, 1200, 90}, {true, 25, 12, 1200, 270}});
        placeTower(p, 9300, 6200,
                   {{true, 35, 15, 1600, 0}, {true, 35, 15, 1600, 120}, {true, 35, 15, 1600, 240}});
        placeTower(p, 12400, 3050, {{false, 18, 0, 400, 0}});
        placeTower(p, 5050, 7900, {{true, 20, 10, 800, 45}, {false, 22, 0, 300, 0}});
        p.IsolineCount = 5;
        CalForm f = CalFormLoad(p);
        CalFormOption1(p, f);
        if (auto refused = CalFormAccept(p, f)) fail(*refused);
        if (!RunXYCalculation(p).ok()) fail("XY calculation");
        save(p, dir + "/stepped-towers.bvk");
    }

    // A site of the older layout: 200 m across, two antennas on one tower next
    // to a raised block.
    {
        Project p;
        p.PlanWidthM = 200.0;
        p.RecomputeDerived();
        ground(p, 8, 60, 20, 80, 40);
        placeTower(p, 6120, 4590, {{true, 21, 5, 1000, 90}, {false, 24, 0, 500, 0}});
        saveOlderLayout(p, dir + "/older-layout.bvk");
    }
    return 0;
}
