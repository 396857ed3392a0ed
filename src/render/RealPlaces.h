#pragma once

#include "render/Colour.h"
#include "render/Surface.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik {
class Project;
}

namespace brenvik::render {

// What the exposure adds to the buildings and places on the plan: each
// building's fill (its worst floor's level colour) and each place's label
// ("3.5 %"), in the project's order. Empty: outlines and names alone.
struct RealPlaceMarks {
    std::vector<std::optional<Rgb>> buildingFill;
    std::vector<std::string> placeLabel;
};

// The buildings' footprints (filled when a fill is given, then outlined) and
// the places of sensitive use (a ringed point, its name and its label) over
// the plan; nothing when the project has neither.
void DrawRealPlaces(const Project& p, Surface& s, const RealPlaceMarks& marks = {});

} // namespace brenvik::render
