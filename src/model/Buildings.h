#pragma once

#include <string>
#include <vector>

namespace brenvik {

// The program's metres per floor: a height given in floors, and the floors
// of a building, count 3.0 m each.
inline constexpr double MetresPerFloor = 3.0;

// A corner of a footprint, drawing units at 100 % without scrolling.
struct PlanVertex {
    double x = 0.0, y = 0.0;
    friend bool operator==(const PlanVertex&, const PlanVertex&) = default;
};

// A building imported from a map: its footprint on the plan and the heights
// of its roof and of its lowest floor above the ground. Kept in the project
// file's extension block.
struct Building {
    std::string Id;       // the map's identifier ("way/123"); no comma
    std::string Name;     // may be empty
    double HeightM = 0.0; // roof above the ground
    double BaseM = 0.0;   // lowest floor above the ground (a part on stilts, an upper storey)
    std::vector<PlanVertex> Outline; // exterior ring, not closed (last != first)
    // Courtyards and light wells: rings inside the outline, not closed. A
    // point inside one is outside the building; their walls are façades.
    std::vector<std::vector<PlanVertex>> Holes;
    int floorCount() const {
        const double span = HeightM - BaseM;
        int n = static_cast<int>(span / MetresPerFloor + 0.999999);
        return n < 1 ? 1 : n;
    }
    friend bool operator==(const Building&, const Building&) = default;
};

// The exact evaluation of one floor: the worst point among the façade points
// and the points inside the footprint at the floor's receptor height.
struct FloorValue {
    int floor = 0;               // 0 = ground floor
    double baseM = 0.0;          // floor level above the ground
    double sUw = 0.0;            // uW/cm^2 at the worst point
    double eVm = 0.0;            // V/m there
    double percent = 0.0;        // % of the limit there
    double X = 0.0, Y = 0.0;     // the worst point, cartesian metres
    double lon = 0.0, lat = 0.0; // and in degrees
    int points = 0;              // points evaluated on this floor
};

struct BuildingValue {
    std::string id, name;
    std::vector<FloorValue> floors;
    int worst = 0; // index of the floor with the largest % (the largest S when no limit)
    const FloorValue& worstFloor() const { return floors.at(static_cast<std::size_t>(worst)); }
};

} // namespace brenvik
