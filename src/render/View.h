#pragma once

namespace brenvik {
class Project;
}

namespace brenvik::render {

struct Point {
    double x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Stored plan position (antennas, maximum positions; drawing units at 100 %)
// to the screen: x × Zoom + ScrollOffsetX.
Point PlanToScreen(const Project& p, double x, double y);
// Screen position back to the stored plan position.
Point ScreenToPlan(const Project& p, double sx, double sy);

// Node (i, j) of a result grid: the result stays where it was calculated,
// scaled by k = Zoom / XYCalcZoom.
struct ResultTransform {
    double k = 1.0;                // Zoom / XYCalcZoom
    double cell = 0.0;             // CellSize
    double offX = 0.0, offY = 0.0; // k × XYCalcOffset + ScrollOffset
    double x(double i) const { return k * i * cell + offX; }
    double y(double j) const { return k * j * cell + offY; }
    Point node(double i, double j) const { return {x(i), y(j)}; }
    double side() const { return k * cell; } // a result cell on screen
};
ResultTransform resultTransform(const Project& p);

} // namespace brenvik::render
