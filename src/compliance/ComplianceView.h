#pragma once

#include "compliance/Limits.h"
#include "compliance/Summary.h"
#include "compliance/Units.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// The project as the "% of limit" display shows it: each plane whose ratio
// belongs to its result has its density replaced by the ratio in % (maximum,
// minimum and the maximum's mark following), and its isolines redrawn at the
// percentages of PercentIsolineLevels for its own maximum; the values drawn on
// the plane shown then carry " %". A plane without a ratio keeps its density.
// Everything else is the project's own.
Project PercentView(const Project& p);

// The levels, in % of the limit, the "% of limit" isolines of a plane whose
// highest share is `maxPercent` are drawn at: the report's bands for that
// maximum, a decade lower while fewer than three of them lie under it, so
// that a weak result still shows labelled lines.
std::vector<double> PercentIsolineLevels(double maxPercent);

// The note under a "% of limit" view (`view` is PercentView's project) of the
// plane shown: its range and the levels of its lines, e.g. "% of limit:
// 0.0012 to 0.733 %; lines at 0.01, 0.05, 0.1, 0.2, 0.5 %". Empty when that
// plane shows no ratio.
std::string PercentNote(const Project& view);

// The pointer read-out of the exposure at the node under (x, y) (drawing
// units) of the current plane, when that plane has a ratio: "% limit=12.5"
// and the density in `unit` ("E=3.21 V/m", "S=0.0412 W/m^2").
struct RatioReadout {
    std::string percent, value;
};
std::optional<RatioReadout> RatioReadoutAt(const Project& p, double x, double y, Unit unit);

// The "Compliance" dialog's values: the standard and population the answers
// use, the site's name and the unit the read-out and the summary show.
struct ComplianceForm {
    std::string standard;
    Population group = Population::Public;
    std::string siteName;
    std::string assessor;
    Unit unit = Unit::MicroWattPerCm2;
};
ComplianceForm ComplianceFormLoad(const Project& p, Unit unit);
// Accept: a standard the library does not know, or a site name that would
// break the project file's line layout (a line break, '='), gives "Input data
// error" and stores nothing; otherwise the choices go into the project (the
// name without surrounding blanks).
std::optional<std::string> ComplianceFormAccept(Project& p, const ComplianceForm& f,
                                                const Library& lib);

// The compliance summary as the dialog lists it, densities in `unit`.
std::vector<std::string> SummaryLines(const Project& p, const Summary& s, Unit unit);

} // namespace brenvik::compliance
