#include "calc/FieldRules.h"

#include "model/AntennaFields.h"
#include "model/Project.h"

namespace brenvik {

namespace {

// A box of one of the antenna's fields, over the field's own range.
FieldRule FieldBox(const char* box, AntennaField f, bool magnitude) {
    const AntennaFieldRow& r = FieldRow(f);
    return {box, r.label, r.min, r.max, magnitude, r.aboveMin};
}

} // namespace

const std::vector<FieldRule>& AntennaFormRules() {
    // Any angle of a turn is a typed angle of fall; it is stored within the
    // field's range. A floor is 3 m, so at most 3000 floors fit the height.
    static const std::vector<FieldRule> rules = {
        {"angText", "Angle of fall (degrees)", -360.0, 360.0, false},
        FieldBox("antang", AntennaField::Direction, true),
        FieldBox("potext", AntennaField::Power, true),
        FieldBox("mText", AntennaField::Height, true),
        {"pText", "Height (floors)", 0.0, 3000.0, true},
        FieldBox("freqtext", AntennaField::FrequencyMHz, false),
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
