#pragma once

#include "model/DrawingArea.h"
#include "model/Project.h"

namespace brenvik::geo {

// Degrees are turned into radians by this rounded divisor, which every stored
// geographic position of the program was computed with.
inline constexpr double DegreeDivisor = 57.2956;
// Height of the visible drawing area (above the horizontal scroll bar), in
// drawing units: the plan's zero point lies on this line.
inline constexpr double VisibleHeight = area::IconShapeTop - area::HScrollHeight;
// Latitudes typed in the dialogs are kept within ±89 degrees.
inline constexpr double MaxLatitude = 89.0;

struct Metres {
    double dx = 0.0; // from the plan's zero point, growing to the right
    double dy = 0.0; // growing upwards
};
struct Cartesian {
    double X = 0.0;
    double Y = 0.0;
};
struct Geographic {
    double lon = 0.0;
    double lat = 0.0;
};
struct DegreeLengths {
    double Lx = 0.0; // metres per degree of longitude
    double Ly = 0.0; // metres per degree of latitude
};

// A drawing position (as pointer events deliver it: single precision, zoom and
// scrolling applied) in plan metres from the zero point, the lower left corner
// of the visible area at 100 % without scrolling.
Metres PlanMeters(const Project& p, float x, float y);
Cartesian ToCartesian(const Project& p, Metres m);
DegreeLengths MetresPerDegree(const Project& p, double lat0);
// Factors are always those at the origin's latitude.
Geographic ToGeographic(const Project& p, Metres m);
// The inverse: metres east and north of the origin, with the same factors.
// Every reader of longitude/latitude (inventories, places, footprints)
// places its points through this one conversion.
Metres FromGeographic(const Project& p, Geographic g);

// A point in plan metres as the calculation has them (x to the right, y
// down from the top of the drawing area) in longitude/latitude.
Geographic PlanToGeographic(const Project& p, double xm, double ym);

double ClampLatitude(double lat);

// The next click while the reference point is armed: the origin moves so that
// the clicked position (x, y) gets the reference point's Coordinates, and the
// origin marker moves to the click.
void PlaceReferencePoint(Project& p, float x, float y);

// The scale by two clicked points (x1, y1), (x2, y2) in drawing units: the
// points lie ScaleDistance metres apart (a zero distance counts as 0.1 m, a
// zero length as one drawing unit). Resets the project and empties FileName.
void ApplyScaleByTwoPoints(Project& p, double x1, double y1, double x2, double y2);

// The two arms of the origin marker, 200 drawing units to the right and
// upwards from the marker's screen position.
struct OriginMarkerLines {
    double x = 0.0, y = 0.0;           // common start point
    double rightX = 0.0, rightY = 0.0; // end of the horizontal arm
    double upX = 0.0, upY = 0.0;       // end of the vertical arm
};
OriginMarkerLines OriginMarker(const Project& p);

} // namespace brenvik::geo
