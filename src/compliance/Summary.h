#pragma once

#include "calc/GridCalc.h"
#include "compliance/Limits.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// True when the plane's ratio grid belongs to its current result and to the
// project's standard, population and frequencies.
bool HasRatio(const Project& p, bool section);

// Gives every plane whose result is current but whose ratio is not (a result
// read from a file, a new standard, population or frequency) its ratio grid,
// from one calculation pass per plane with the antennas' inverse limits; the
// density, maximum and isolines stay as they were. Leaves the project as it
// was unless every pass completes.
CalcOutcome ComputeRatios(Project& p, const std::vector<double>& inverse,
                          const CalcControl& ctl = {});

// Horizontal distance in metres from the antenna, along the azimuth of its
// main beam with the receptor on the beam's axis (at the antenna's own height
// when it has no tilt), beyond which the antenna's own density stays below
// `limitUw` (uW/cm^2). 0 when it is below the limit everywhere.
double ComplianceDistance(const Project& p, int slot, double limitUw);

// One standard's answer for the plan.
struct Verdict {
    std::string id, title;
    double maxPercent = 0.0;
    double areaAboveM2 = 0.0;
    bool complies() const { return !(maxPercent > 100.0); }
    // "complies: maximum X % of the limit" or
    // "exceeds the limit over N m^2, maximum X %".
    std::string text() const;
};

struct AntennaLine {
    int slot = 0;
    AntennaName name;
    double frequencyMHz = 0.0;
    double limitWm2 = 0.0, limitVm = 0.0;
    double distanceM = 0.0;
};

struct Summary {
    std::string standardId, standardTitle;
    Population group = Population::Public;
    bool planCalculated = false; // the XY result and its ratio are there
    // The maximum % of the limit on the plan and where: the node, plan
    // metres as the cartesian exports give them, longitude and latitude.
    double maxPercent = 0.0;
    int maxI = 0, maxJ = 0;
    double xM = 0.0, yM = 0.0, lon = 0.0, lat = 0.0;
    double maxDensityUw = 0.0; // the density there
    // The chosen standard first, then each national value of the library.
    std::vector<Verdict> verdicts;
    std::vector<AntennaLine> antennas;
    std::optional<double> sectionMaxPercent; // when the section has a ratio
};

struct SummaryResult {
    Summary summary;
    std::optional<std::string> refusal;
};
SummaryResult Summarise(const Project& p, const Library& lib, const std::string& standard,
                        Population g);

const char* PopulationText(Population g); // "general public" / "occupational"
std::optional<Population> PopulationFromName(const std::string& name); // public|occupational

} // namespace brenvik::compliance
