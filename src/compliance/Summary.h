#pragma once

#include "calc/GridCalc.h"
#include "compliance/Boundaries.h"
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
    // The far-field model's compliance boundaries and what each calculated
    // plane's result says about them (empty with the program's beam model).
    ExposureModel model = ExposureModel::Specified;
    std::vector<AntennaBoundary> boundaries;
    std::optional<PlaneCrossing> planCrossing, sectionCrossing;
    // The section's area above 100 %, in m^2 of the vertical plane.
    double sectionAreaAboveM2 = 0.0;
};

// The verdict of a plane whose result may reach into compliance boundaries:
// "complies: maximum X % of the limit" when nothing is above 100 %;
// "complies outside the compliance boundaries: maximum there X %" when all
// that is above lies inside them; else "exceeds the limit ..." with the
// area and maximum outside them.
std::string PlaneVerdictText(double maxPercent, double areaAboveM2,
                             const std::optional<PlaneCrossing>& c);
bool PlaneComplies(double maxPercent, const std::optional<PlaneCrossing>& c);
// "T1 A1, T2 A3: 18 m^2 above 100 %, 18 m^2 of it inside their compliance
// boundaries; maximum outside them 45 %", for a plane that crosses them.
std::string CrossingText(const Project& p, const PlaneCrossing& c);

// The area in m^2 of the plan's nodes (rows and columns from 1, the
// calculated ones) whose value exceeds `above`, each node standing for one
// grid cell. The summary's verdicts and the map's zones both state it.
double AreaAbove(const Project& p, const Grid2D<double>& g, double above);

struct SummaryResult {
    Summary summary;
    std::optional<std::string> refusal;
};
SummaryResult Summarise(const Project& p, const Library& lib, const std::string& standard,
                        Population g);

const char* PopulationText(Population g); // "general public" / "occupational"
// The project's standard as people name it, with the population it protects
// ("ICNIRP 2020 guidelines, general public"); its id when the library lacks it.
std::string StandardCaption(const Project& p, const Library& lib);
std::optional<Population> PopulationFromName(const std::string& name); // public|occupational

} // namespace brenvik::compliance
