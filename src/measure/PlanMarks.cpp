#include "measure/PlanMarks.h"

#include "measure/Agreement.h"
#include "measure/DifferenceBands.h"
#include "render/View.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace brenvik::measure {

MeasurementMarks MarksOf(const Project& p) {
    MeasurementMarks marks;
    for (const PairedPoint& q : PairMeasurements(p)) {
        char db[40];
        if (std::isfinite(q.differenceDb))
            std::snprintf(db, sizeof db, "%+.1f dB", q.differenceDb);
        else
            std::snprintf(db, sizeof db, "%s", q.differenceDb > 0 ? "+inf dB" : "-inf dB");
        marks.differenceDb.push_back(q.differenceDb);
        marks.label.push_back(q.name.empty() ? db : q.name + " " + db);
    }
    return marks;
}

void DrawMeasurements(const Project& p, render::Surface& s, const MeasurementMarks& marks) {
    // The labels in a grey that reads on the plan's own background.
    constexpr Rgb kRing{0, 0, 0};
    const Rgb text = p.WhiteBackground ? Rgb{40, 40, 40} : Rgb{225, 225, 225};
    const double r = std::max(45.0, 6 * s.unitsPerPixel());
    for (std::size_t k = 0; k < p.Measurements.size() && k < marks.label.size(); ++k) {
        const render::Point at = render::PlanToScreen(p, p.Measurements[k].X, p.Measurements[k].Y);
        s.setFillStyle(render::FillStyle::Solid);
        s.setFillColour(DifferenceColour(marks.differenceDb[k]));
        s.circle(at.x, at.y, r, kRing);
        s.setFillStyle(render::FillStyle::Transparent);
        s.setTextColour(text);
        s.setTextPosition(at.x + r * 1.5, at.y - s.textExtent(marks.label[k]).height / 2);
        s.printLabel(marks.label[k]);
    }
}

} // namespace brenvik::measure
