#include "app/PrintLegend.h"

#include "render/Colour.h"
#include "render/Decorations.h"
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
    // The levels as the printed plane draws them, in its colours and
    // styles; the unit goes with the heading.
    const std::vector<render::LegendEntry> entries = render::ResultLegend(p);
    legend.heading = q(render::LegendHeading(p, entries));
    // Levels print lowest first; the antennas of "Dominant antenna" keep
    // their numbers' order.
    std::vector<render::LegendEntry> row(entries.rbegin(), entries.rend());
    if (p.DisplayMode == ResultStyle::DominantAntenna) row = entries;
    for (auto e = row.begin(); e != row.end(); ++e) {
        std::string text = e->text;
        if (text.ends_with(p.ResultUnit)) text.resize(text.size() - p.ResultUnit.size());
        legend.levels << q(text);
        legend.levelColours << QColor(e->colour.r, e->colour.g, e->colour.b);
        legend.levelLines << e->line;
    }
    return legend;
}

} // namespace brenvik::app
