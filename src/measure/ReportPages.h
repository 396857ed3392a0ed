#pragma once

#include "measure/Agreement.h"
#include "model/Project.h"
#include "render/Surface.h"

#include <string>
#include <vector>

namespace brenvik::measure {

// Where the scatter plot stands on its page, in drawing units, and the
// decades of uW/cm^2 its two log axes span (the same for both).
struct ScatterFrame {
    double left = 0, top = 0, right = 0, bottom = 0;
    int loDecade = 0, hiDecade = 1;
};

// The report's pages of field measurements, drawn below the pages' common
// header. The first: the scatter plot of the prediction against the
// extrapolated measurement on log axes with the 1:1 and +-3 dB lines, the
// agreement's statistics (all points, then each band), the five worst
// under-predictions, and a map of the points coloured by their difference.
// Then the flagged points, each with its reason, and every point with the
// value it is assessed by and where that comes from.
class MeasurementPages {
  public:
    explicit MeasurementPages(const Project& p);
    int pageCount() const;
    void drawPage(int page, render::Surface& s) const;
    const ScatterFrame& frame() const { return frame_; }

  private:
    struct Line {
        bool heading = false;
        std::vector<std::string> cells;
    };
    void scatterPage(render::Surface& s) const;
    void scatterPlot(render::Surface& s) const;
    void statistics(render::Surface& s, double x, double y) const;
    void pointsMap(render::Surface& s, double x0, double y0, double x1, double y1) const;
    void listPage(int index, render::Surface& s) const;
    std::vector<Line> listLines() const;
    const Project* project_;
    std::vector<PairedPoint> points_;
    Agreement agreement_;
    ScatterFrame frame_;
};

} // namespace brenvik::measure
