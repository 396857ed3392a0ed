#pragma once

#include <string>

namespace brenvik {

// A place of sensitive use (a school, a home, a playground): where the
// exposure is evaluated exactly, at a receptor `HeightM` metres above the
// local ground. Kept in the project file's extension block.
struct Place {
    std::string Name;
    std::string Kind; // free text: "school", "home", ...; no comma
    double X = 0.0;   // plan position, drawing units at 100 % without scrolling
    double Y = 0.0;
    double HeightM = 1.5; // receptor height above the ground there
    friend bool operator==(const Place&, const Place&) = default;
};

} // namespace brenvik
