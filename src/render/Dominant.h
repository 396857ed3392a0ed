#pragma once

#include "model/Project.h"
#include "render/Decorations.h"
#include "render/Surface.h"

#include <optional>
#include <vector>

namespace brenvik::render {

// Who contributes what, drawn on the plan: in "Dominant antenna" each node
// in the colour of the antenna whose own density is the largest there, in
// "Operator share" each node by the chosen operator's share of the total on
// the density ramp from 0 to 100 %. Nodes where nothing radiates keep the
// back colour.

// The style the plane's result is drawn in: DisplayMode, but the views of
// who contributes what show isolines where they have nothing to show (the
// section, a plan without its contributions, an operator it does not hold).
ResultStyle StyleShown(const Project& p, Plane plane);

// The colours of `count` antennas by number (index 0 unused): one colour
// each along the density ramp, spread so that antennas of neighbouring
// numbers are far apart on it.
std::vector<Rgb> DominantColours(int count);

// The colour of node (i, j) in the style shown, or none where nothing
// radiates (or the style shows no contributions).
std::optional<Rgb> ContributionColour(const Project& p, int i, int j);

// The legend of the style shown: each antenna's colour with its number and
// operator, or the share ramp from 100 % down to 0 %.
std::vector<LegendEntry> ContributionLegend(const Project& p);
// Its heading: "Dominant antenna" or "Share of operator X (%)".
std::string ContributionHeading(const Project& p);

// The cells, the legend, then the plan scene over them (as the colour
// gradient paints). Draws nothing without contributions.
void DrawContributions(const Project& p, Surface& s);

} // namespace brenvik::render
