#pragma once

#include "model/Project.h"
#include "model/Rgb.h"

#include <string>
#include <vector>

namespace brenvik::render {

// What a picture of the whole plan carries besides the plan: a scale bar, the
// legend of the result and a title block. The painting is the backend's; the
// choices are made here so that every picture makes the same ones.

// A scale bar of a round length (1, 2 or 5 × 10^k metres), the longest that
// takes at most `fraction` of the plan's width.
struct ScaleBar {
    double metres = 0.0;
    double units = 0.0; // drawing units at 100 %
    std::string label;  // "50 m", "2 km"
};
ScaleBar ChooseScaleBar(double planWidthM, double areaWidthUnits, double fraction);

struct LegendEntry {
    std::string text;
    Rgb colour;
    bool line = false; // a line of this colour rather than a filled box
};
// What the plane on view shows, as drawn: with isolines, one line per level
// that crosses the plane, in the isolines' colour, the highest first; with
// the gradient its levels, the maximum first, in the colours it has on the
// project's background; with dots the levels they are drawn at, in their
// scheme's colours; nothing for the numerical grid, whose numbers speak for
// themselves; with the views of who contributes what, each antenna's colour
// with its number and operator, or the share ramp. Texts carry the result's
// unit; empty without a result.
std::vector<LegendEntry> ResultLegend(const Project& p);

// The legend's heading: what its entries are and their unit, with the
// maximum when they are shares of the limit ("Isolines (% of limit, max
// 0.136)", "Power density (uW/cm^2)").
std::string LegendHeading(const Project& p, const std::vector<LegendEntry>& entries);

// Project (the file's name, or "Untitled"), site, assessor, date, standard
// (`standard`: its caption with the population), exposure model.
std::vector<std::string> TitleBlock(const Project& p, const std::string& date,
                                    const std::string& standard);

} // namespace brenvik::render
