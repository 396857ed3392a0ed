#pragma once

#include "compliance/Places.h"
#include "model/Feedback.h"
#include "model/Grid2D.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// Who contributes what on the plan, node by node, on the XY result's grid.
struct Contributions {
    // The number of the antenna (as the sources tables number it) whose own
    // density is the largest at the node; 0 where no antenna gives anything.
    Grid2D<double> dominant;
    // The operators in the order their first antenna appears (an antenna
    // without one counts under the empty name), and each one's density in
    // uW/cm^2.
    std::vector<std::string> operators;
    std::vector<Grid2D<double>> density;
};

// One pass of the XY calculation per antenna, at the plan's calculation
// height, each reading the antenna's own density from the ratio grid with
// its weight 1 and every other antenna's 0. Nothing, with the reason in
// `why`, when a pass fails or `fb` is cancelled.
std::optional<Contributions> ComputeContributions(const Project& p, Feedback* fb, std::string& why);

// Each place's share per operator: a row per place and operator, in the
// order the operators first appear ("place,operator,s_uw_cm2,share_percent,
// dominant_antenna": the operator's density there, its part of the place's
// total in %, and the number of the antenna giving the place most); numbers
// with 17 significant digits, lines ending in CR LF.
inline constexpr const char* PlaceSharesHeader =
    "place,operator,s_uw_cm2,share_percent,dominant_antenna";
std::string PlaceSharesCsv(const Project& p, const std::vector<PlaceValue>& values);

// "T1 A2 (operator A)": an antenna and its operator, as a map legend names
// a dominant antenna.
std::string DominantName(const Project& p, int slot);

} // namespace brenvik::compliance
