#include "geo/GeoForms.h"

#include "model/Messages.h"

#include <cmath>
#include <utility>

namespace brenvik::geo {

namespace {

// Reads one box: a text that does not convert shows the message and leaves
// the item as it was.
bool TakeBox(double& item, const std::string& text, Prompts& prompts, const NumberParser& parse) {
    auto v = parse(text);
    if (!v || !std::isfinite(*v)) {
        prompts.message(msg::BoxNotANumber);
        return false;
    }
    item = *v;
    return true;
}

} // namespace

ScaleForm OpenScaleForm(const Project& p, char decimalPoint) {
    return {FormatPlainBox(p.PlanWidthM, decimalPoint)};
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
    return {FormatPlainBox(p.ScaleDistance, decimalPoint)};
}

bool AcceptScaleCalculation(Project& p, const ScaleCalculationForm& form, Prompts& prompts,
                            const NumberParser& parse) {
    auto v = parse(form.distance);
    if (!v || !std::isfinite(*v)) {
        prompts.message(msg::InputDataError);
        return false;
    }
    p.ScaleDistance = *v;
    return true;
}

OriginForm OpenOriginForm(const Project& p, char decimalPoint) {
    return {FormatFixedBox(p.OriginX, 2, decimalPoint), FormatFixedBox(p.OriginY, 2, decimalPoint),
            FormatFixedBox(p.OriginLon, 8, decimalPoint),
            FormatFixedBox(p.OriginLat, 8, decimalPoint)};
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
    return {FormatFixedBox(p.RefX, 2, decimalPoint), FormatFixedBox(p.RefY, 2, decimalPoint),
            FormatFixedBox(p.OriginLon, 8, decimalPoint),
            FormatFixedBox(p.OriginLat, 8, decimalPoint)};
}

int AcceptReference(Project& p, const ReferenceForm& form, Prompts& prompts,
                    const NumberParser& parse) {
    int failed = 0;
    failed += !TakeBox(p.RefX, form.x, prompts, parse);
    failed += !TakeBox(p.RefY, form.y, prompts, parse);
    failed += !TakeBox(p.RefLon, form.lon, prompts, parse);
    failed += !TakeBox(p.RefLat, form.lat, prompts, parse);
    p.RefLat = ClampLatitude(p.RefLat);
    return failed;
}

CurvatureForm OpenCurvatureForm(const Project& p, char decimalPoint) {
    return {FormatFixedBox(p.EarthR, 2, decimalPoint),
            FormatFixedBox(p.EllipsoidA, 2, decimalPoint),
            FormatFixedBox(p.EllipsoidB, 2, decimalPoint)};
}

int AcceptCurvature(Project& p, const CurvatureForm& form, Prompts& prompts,
                    const NumberParser& parse) {
    int failed = 0;
    failed += !TakeBox(p.EarthR, form.earthR, prompts, parse);
    // An axis of the ellipsoid is a length: none or a negative one would turn
    // every geographic position into infinities.
    for (auto [item, text] :
         {std::pair{&p.EllipsoidA, &form.a}, std::pair{&p.EllipsoidB, &form.b}}) {
        double axis = *item;
        if (!TakeBox(axis, *text, prompts, parse)) {
            ++failed;
        } else if (axis <= 0.0) {
            prompts.message(msg::InputDataError);
            ++failed;
        } else {
            *item = axis;
        }
    }
    return failed;
}

// Plans are of a town or a district: a million metres is far beyond any, and
// keeps a drawing unit a sensible length.
constexpr double MaxPlanMetres = 1e6;

const std::vector<FieldRule>& ScaleRules() {
    static const std::vector<FieldRule> rules = {
        {.box = "Text1",
         .label = "Width of the plan (m)",
         .min = 1.0,
         .max = MaxPlanMetres,
         .magnitude = true,
         .raisedToMin = true},
    };
    return rules;
}

const std::vector<FieldRule>& ScaleCalculationRules() {
    static const std::vector<FieldRule> rules = {
        {.box = "Text1",
         .label = "Distance between the two points (m)",
         .min = 0.0,
         .max = MaxPlanMetres,
         .aboveMin = true},
    };
    return rules;
}

const std::vector<FieldRule>& PositionRules() {
    // Cartesian positions are in any projected grid: ten thousand kilometres
    // each way hold every false easting and northing in use.
    static const std::vector<FieldRule> rules = {
        {"Text1", "X (m)", -1e7, 1e7},
        {"Text2", "Y (m)", -1e7, 1e7},
        {"Text3", "Longitude (degrees)", -180.0, 180.0},
        {"Text4", "Latitude (degrees)", -MaxLatitude, MaxLatitude},
    };
    return rules;
}

const std::vector<FieldRule>& CurvatureRules() {
    static const std::vector<FieldRule> rules = {
        {.box = "Text1", .label = "Curvature radius (m)", .min = 0.0, .max = 1e9, .aboveMin = true},
        {.box = "Text2",
         .label = "Ellipsoid semi-major axis a (m)",
         .min = 0.0,
         .max = 1e9,
         .aboveMin = true},
        {.box = "Text3",
         .label = "Ellipsoid semi-minor axis b (m)",
         .min = 0.0,
         .max = 1e9,
         .aboveMin = true},
    };
    return rules;
}

} // namespace brenvik::geo
