#pragma once

// Small texts the report's pages and its verdicts share (not part of the
// public interface).

#include "compliance/Summary.h"
#include "model/Project.h"

#include <string>
#include <vector>

namespace brenvik::compliance::reporttext {

// Metres with one decimal below 10 m, none above.
std::string Metres(double v);
// The calculation height as the header gives it: "h=5 m" or "at surface height".
std::string HeightText(const Project& p);
bool FarField(const Summary& s);
// The section's caption as a headline starts it: "Section at y = 50.42 m ...".
std::string SectionHeadline(const Project& p);
// The program's beam model's blind spots, with the project's own open angle.
std::vector<std::string> BlindSpots(const Project& p);

} // namespace brenvik::compliance::reporttext
