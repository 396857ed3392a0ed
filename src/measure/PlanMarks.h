#pragma once

#include "model/Project.h"
#include "render/Surface.h"

#include <string>
#include <vector>

namespace brenvik::measure {

// What the plan shows of each measurement, worked out once from the
// project: its difference from the prediction and the label beside it
// ("M3 +4.2 dB").
struct MeasurementMarks {
    std::vector<double> differenceDb;
    std::vector<std::string> label;
};
MeasurementMarks MarksOf(const Project& p);

// Each measurement as a point filled in its difference's colour, ringed,
// and labelled; nothing when the project has none.
void DrawMeasurements(const Project& p, render::Surface& s, const MeasurementMarks& marks);

} // namespace brenvik::measure
