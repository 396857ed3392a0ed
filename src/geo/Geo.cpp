#include "geo/Geo.h"

#include "model/Messages.h"
#include "model/ProjectFile.h"

#include <algorithm>
#include <charconv>
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

double ClampLatitude(double lat) {
    return std::clamp(lat, -MaxLatitude, MaxLatitude);
}

void PlaceReferencePoint(Project& p, float x, float y) {
    p.Tools.RefPointPick = Variant::integer(0);
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

// ---- dialogs -----------------------------------------------------------------------

std::optional<double> ParseCNumber(const std::string& text) {
    return ParseFileDouble(text);
}

namespace {

std::string WithDecimalPoint(std::string s, char decimalPoint) {
    if (decimalPoint != '.') std::replace(s.begin(), s.end(), '.', decimalPoint);
    return s;
}

// Reads one box: a text that does not convert shows the message and leaves
// the item as it was.
bool TakeBox(double& item, const std::string& text, Prompts& prompts, const NumberParser& parse) {
    auto v = parse(text);
    if (!v || !std::isfinite(*v)) {
        prompts.message(msg::InputDataErrorEs);
        return false;
    }
    item = *v;
    return true;
}

} // namespace

std::string FormatFixed(double v, int decimals, char decimalPoint) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return WithDecimalPoint(FormatPlain(v), decimalPoint);
    std::string s(buf, r.ptr);
    // A value that rounds to zero is shown without a sign.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return WithDecimalPoint(s, decimalPoint);
}

std::string FormatPlain(double v, char decimalPoint) {
    if (v == 0.0) return "0";
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string s(buf, r.ptr);
    std::replace(s.begin(), s.end(), 'e', 'E');
    return WithDecimalPoint(s, decimalPoint);
}

ScaleForm OpenScaleForm(const Project& p, char decimalPoint) {
    return {FormatPlain(p.PlanWidthM, decimalPoint)};
}

ScaleOutcome AcceptScale(Project& p, const ScaleForm& form, Prompts& prompts,
                         const NumberParser& parse) {
    auto v = parse(form.width);
    if (!v || !std::isfinite(*v)) {
        prompts.message(msg::InputDataError);
        return ScaleOutcome::InputError;
    }
    const double oldMetersPerUnit = p.MetersPerUnit;
    p.PlanWidthM = std::fabs(*v);
    if (p.PlanWidthM <= 1.0) p.PlanWidthM = 1.0;
    p.MetersPerUnit = p.PlanWidthM / area::ScaleWidth;
    if (p.MetersPerUnit == oldMetersPerUnit) return ScaleOutcome::Kept;
    // Everything placed so far was measured in the old scale.
    p.FileName.clear();
    p.ResetProject();
    return ScaleOutcome::Reset;
}

ScaleCalculationForm OpenScaleCalculationForm(const Project& p, char decimalPoint) {
    return {FormatPlain(p.ScaleDistance, decimalPoint)};
}

bool AcceptScaleCalculation(Project& p, const ScaleCalculationForm& form, Prompts& prompts,
                            const NumberParser& parse) {
    auto v = parse(form.distance);
    if (!v || !std::isfinite(*v)) {
        prompts.message(msg::InputDataError);
        return false;
    }
    p.ScaleDistance = *v;
    p.Tools.ScaleMeasureOn = 1;
    return true;
}

OriginForm OpenOriginForm(const Project& p, char decimalPoint) {
    return {FormatFixed(p.OriginX, 2, decimalPoint), FormatFixed(p.OriginY, 2, decimalPoint),
            FormatFixed(p.OriginLon, 8, decimalPoint), FormatFixed(p.OriginLat, 8, decimalPoint)};
}

int AcceptOrigin(Project& p, const OriginForm& form, Prompts& prompts, const NumberParser& parse) {
    int failed = 0;
    failed += !TakeBox(p.OriginX, form.x, prompts, parse);
    failed += !TakeBox(p.OriginY, form.y, prompts, parse);
    failed += !TakeBox(p.OriginLon, form.lon, prompts, parse);
    failed += !TakeBox(p.OriginLat, form.lat, prompts, parse);
    p.OriginLat = ClampLatitude(p.OriginLat);
    return failed;
}

ReferenceForm OpenReferenceForm(const Project& p, char decimalPoint) {
    return {FormatFixed(p.RefX, 2, decimalPoint), FormatFixed(p.RefY, 2, decimalPoint),
            FormatFixed(p.OriginLon, 8, decimalPoint), FormatFixed(p.OriginLat, 8, decimalPoint)};
}

int AcceptReference(Project& p, const ReferenceForm& form, Prompts& prompts,
                    const NumberParser& parse) {
    p.Tools.RefPointPick = Variant::integer(1);
    int failed = 0;
    failed += !TakeBox(p.RefX, form.x, prompts, parse);
    failed += !TakeBox(p.RefY, form.y, prompts, parse);
    failed += !TakeBox(p.RefLon, form.lon, prompts, parse);
    failed += !TakeBox(p.RefLat, form.lat, prompts, parse);
    p.RefLat = ClampLatitude(p.RefLat);
    return failed;
}

CurvatureForm OpenCurvatureForm(const Project& p, char decimalPoint) {
    return {FormatFixed(p.EarthR, 2, decimalPoint), FormatFixed(p.EllipsoidA, 2, decimalPoint),
            FormatFixed(p.EllipsoidB, 2, decimalPoint)};
}

int AcceptCurvature(Project& p, const CurvatureForm& form, Prompts& prompts,
                    const NumberParser& parse) {
    int failed = 0;
    failed += !TakeBox(p.EarthR, form.earthR, prompts, parse);
    failed += !TakeBox(p.EllipsoidA, form.a, prompts, parse);
    failed += !TakeBox(p.EllipsoidB, form.b, prompts, parse);
    return failed;
}

} // namespace brenvik::geo
