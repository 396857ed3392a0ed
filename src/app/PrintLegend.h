#pragma once

#include "app/PrintService.h"
#include "model/Project.h"

namespace brenvik::app {

// The legend printed beside the plane: the plane, the display style, the
// project file, `date`, the maximum, the plan width and the levels the plane
// draws (the isolines' lines, the gradient's or the dots' colours; none for
// the numerical grid), under a heading with their unit.
PrintLegend printLegend(const Project& p, const QString& date);

} // namespace brenvik::app
