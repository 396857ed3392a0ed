#include "app/PrintLegend.h"

#include "render/Colour.h"
#include "render/Scene.h"

namespace brenvik::app {

namespace {
QString q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

PrintLegend printLegend(const Project& p, const QString& date) {
    const bool xz = p.CurrentPlane == Plane::XZ;
    static const char* const styles[] = {"Isolines",        "Colour gradient",  "Numerical grid",
                                         "Dots of colours", "Dominant antenna", "Operator share"};
    const double max = xz ? p.XZ.MaxDensity : p.XY.MaxDensity;
    PrintLegend legend;
    legend.plane = xz ? "XZ-Plane (vertical section)" : "XY-Plane (plan)";
    legend.style = styles[int(p.DisplayMode)];
    legend.fileName = q(p.FileName);
    legend.date = date;
    legend.maximum = q(render::FormatDensity(max, 6));
    legend.width = q(render::FormatShortest(p.PlanWidthM)) + " m";
    // Paper is white: the scale shows the colours of the white background.
    for (int k = 0; k <= 10 && p.DisplayMode != ResultStyle::Dots; ++k) {
        legend.levels << q(render::formatFixed(max * k / 10.0, 3));
        const render::Rgb c = render::GradientColour(k, true);
        legend.levelColours << QColor(c.r, c.g, c.b);
    }
    return legend;
}

} // namespace brenvik::app
