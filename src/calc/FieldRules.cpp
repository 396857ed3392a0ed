#include "calc/FieldRules.h"

#include "model/Project.h"

namespace brenvik {

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

const std::vector<FieldRule>& CalcFormRules() {
    // The ground is at 0 or above: a plane below it would read 0 everywhere.
    static const std::vector<FieldRule> rules = {
        {"Text1", "Height of the calculation plane (m)", 0.0, 10000.0},
    };
    return rules;
}

std::vector<FieldRule> SectionRules(const Project& p) {
    const double planHeight = p.GridNY * p.CellSize * p.MetersPerUnit;
    return {{.box = "Text2",
             .label = "Distance from the origin to the XZ-Plane (m)",
             .min = 0.0,
             .max = planHeight,
             .aboveMin = true}};
}

const std::vector<FieldRule>& ReliefRules() {
    static const std::vector<FieldRule> rules = {
        {.box = "Text1",
         .label = "Height of the contour line (m)",
         .min = 0.0,
         .max = 10000.0,
         .raisedToMin = true},
    };
    return rules;
}

} // namespace brenvik
