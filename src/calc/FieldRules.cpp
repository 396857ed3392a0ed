#include "calc/FieldRules.h"

#include "model/Project.h"

#include <cmath>
#include <cstdio>

namespace brenvik {

namespace {

std::string Shortest(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

} // namespace

bool FieldAccepts(const FieldRule& r, const std::string& text, const NumberParser& parse) {
    const std::optional<double> v = parse(text);
    if (!v || !std::isfinite(*v)) return false;
    const double x = r.magnitude ? std::fabs(*v) : *v;
    return x >= r.min && x <= r.max;
}

std::string FieldRefusal(const FieldRule& r) {
    return r.label + ": between " + Shortest(r.min) + " and " + Shortest(r.max);
}

const std::vector<FieldRule>& AntennaFormRules() {
    static const std::vector<FieldRule> rules = {
        {"angText", "Angle of fall (degrees)", -360.0, 360.0, false},
        {"antang", "Direction (degrees)", 0.0, 360.0, true},
        {"potext", "Power (W)", 0.0, 1e7, true},
        {"mText", "Height (m)", 0.0, 10000.0, true},
        {"pText", "Height (floors)", 0.0, 3000.0, true},
        {"freqtext", "Frequency (MHz)", MinAntennaFrequencyMHz, MaxAntennaFrequencyMHz, false},
    };
    return rules;
}

const std::vector<FieldRule>& OpenAnglesRules() {
    static const std::vector<FieldRule> rules = {
        {"Text1", "BTS (panel) open angle (degrees)", 0.0, 360.0, true},
        {"Text2", "DTS (stick) open angle (degrees)", 0.0, 360.0, true},
    };
    return rules;
}

const std::vector<FieldRule>& PictureRules() {
    static const std::vector<FieldRule> rules = {
        {"pictureWidth", "Width (pixels)", 16.0, 20000.0, false},
        {"pictureHeight", "Height (pixels)", 16.0, 20000.0, false},
        {"pictureDpi", "Resolution (dpi)", 10.0, 2400.0, false},
    };
    return rules;
}

} // namespace brenvik
