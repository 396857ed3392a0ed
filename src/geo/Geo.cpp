#include "geo/Geo.h"

#include <algorithm>
#include <cmath>

namespace brenvik::geo {

Metres PlanMeters(const Project& p, float x, float y) {
    Metres m;
    m.dx = (static_cast<double>(x) - p.ScrollOffsetX) * p.MetersPerUnit / p.Zoom;
    m.dy = (VisibleHeight - (static_cast<double>(y) - p.ScrollOffsetY) / p.Zoom) * p.MetersPerUnit;
    return m;
}

Cartesian ToCartesian(const Project& p, Metres m) {
    return {p.OriginX + m.dx, p.OriginY + m.dy};
}

DegreeLengths MetresPerDegree(const Project& p, double lat0) {
    const double phi = lat0 / DegreeDivisor;
    const double a = p.EllipsoidA;
    const double b = p.EllipsoidB;
    const double ac = a * std::cos(phi);
    const double bs = b * std::sin(phi);
    const double d = std::sqrt(ac * ac + bs * bs);
    const double n = a * a / d;                   // prime vertical
    const double m = a * a * b * b / (d * d * d); // meridian
    return {n * std::cos(phi) / DegreeDivisor, m / DegreeDivisor};
}

Geographic ToGeographic(const Project& p, Metres m) {
    DegreeLengths l = MetresPerDegree(p, p.OriginLat);
    return {p.OriginLon + m.dx / l.Lx, p.OriginLat + m.dy / l.Ly};
}

Metres FromGeographic(const Project& p, Geographic g) {
    const DegreeLengths l = MetresPerDegree(p, p.OriginLat);
    return {(g.lon - p.OriginLon) * l.Lx, (g.lat - p.OriginLat) * l.Ly};
}

Geographic PlanToGeographic(const Project& p, double xm, double ym) {
    return ToGeographic(p, Metres{xm, VisibleHeight * p.MetersPerUnit - ym});
}

double ClampLatitude(double lat) {
    return std::clamp(lat, -MaxLatitude, MaxLatitude);
}

void PlaceReferencePoint(Project& p, float x, float y) {
    p.OriginMarkX = x;
    p.OriginMarkY = y;
    Metres m = PlanMeters(p, x, y);
    p.OriginX = p.RefX - m.dx;
    p.OriginY = p.RefY - m.dy;
    // The factors of the latitude the origin had before it moves.
    DegreeLengths l = MetresPerDegree(p, p.OriginLat);
    p.OriginLon = p.RefLon - m.dx / l.Lx;
    p.OriginLat = p.RefLat - m.dy / l.Ly;
}

void ApplyScaleByTwoPoints(Project& p, double x1, double y1, double x2, double y2) {
    double d = std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
    if (d == 0.0) d = 1.0;
    if (p.ScaleDistance == 0.0) p.ScaleDistance = 0.1;
    const double metersPerUnit = p.ScaleDistance / d;
    p.PlanWidthM = area::ScaleWidth * metersPerUnit;
    p.FileName.clear();
    p.ResetProject(); // recomputes MetersPerUnit from the new width
    p.OriginMarkX = 10.0;
    p.OriginMarkY = area::ScaleHeight - 10.0;
}

OriginMarkerLines OriginMarker(const Project& p) {
    OriginMarkerLines l;
    l.x = p.OriginMarkX * p.Zoom + p.ScrollOffsetX;
    l.y = p.OriginMarkY * p.Zoom + p.ScrollOffsetY;
    l.rightX = l.x + 200.0;
    l.rightY = l.y;
    l.upX = l.x;
    l.upY = l.y - 200.0;
    return l;
}

} // namespace brenvik::geo
