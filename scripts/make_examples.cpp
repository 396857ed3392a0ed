// Writes the sample sites of examples/ with the program's own operations: the
// tower and antenna dialogs' rules, the topographic tool, the XY calculation
// and the project file writer. Run once: brenvik-make-examples DIR
// (or brenvik-make-examples --large GRIDNX TOWERS PATH for a timing site).

#include "Sites.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "model/ProjectFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace brenvik;
using namespace batchsites;

namespace {

void fail(const std::string& what) {
    std::fprintf(stderr, "brenvik-make-examples: %s\n", what.c_str());
    std::exit(1);
}

void save(const Project& p, const std::string& path) {
    if (!SaveProjectFile(p, path)) fail("cannot write " + path);
    std::printf("%s\n", path.c_str());
}

// The older layout: no format line at the head, no AntFactor per antenna and
// no view record after the result settings (this sample has no result).
void saveOlderLayout(const Project& p, const std::string& path) {
    std::string text;
    if (p.XY.Calculated || !WriteProjectText(p, text)) fail("cannot write " + path);
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

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--large") {
        // A large site for timing runs, with a terrace over its eastern half.
        Project p = SpreadSite(std::atoi(argv[2]), std::atoi(argv[3]), 1500.0);
        RaiseGround(p, 6, p.GridNX / 2, 1, p.GridNX, p.GridNY);
        save(p, argv[4]);
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
        p.XY.Density.resize(p.GridNX, p.GridNY);
        RaiseGround(p, 5, 50, 1, 100, 68);
        RaiseGround(p, 12, 75, 1, 100, 68);
        RaiseGround(p, 20, 10, 8, 30, 25);
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
        RaiseGround(p, 8, 60, 20, 80, 40);
        placeTower(p, 6120, 4590, {{true, 21, 5, 1000, 90}, {false, 24, 0, 500, 0}});
        saveOlderLayout(p, dir + "/older-layout.bvk");
    }
    return 0;
}
