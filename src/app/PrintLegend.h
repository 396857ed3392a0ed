#pragma once

#include "app/PrintService.h"
#include "model/Project.h"

namespace brenvik::app {

// The legend printed beside the plane: the plane, the display style, the
// project file, `date`, the maximum, the plan width and, except for the dots
// (which carry their own scale box), the eleven levels of the colour scale in
// the white background's colours.
PrintLegend printLegend(const Project& p, const QString& date);

} // namespace brenvik::app
