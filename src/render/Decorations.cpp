#include "render/Decorations.h"

#include "render/Scene.h"

#include <algorithm>
#include <cmath>

namespace brenvik::render {

ScaleBar ChooseScaleBar(double planWidthM, double areaWidthUnits, double fraction) {
    ScaleBar bar;
    const double limit = planWidthM * fraction;
    if (!(limit > 0) || !(areaWidthUnits > 0)) return bar;
    double best = 0;
    for (double decade = std::pow(10.0, std::floor(std::log10(limit)) - 1); decade <= limit * 10;
         decade *= 10)
        for (double step : {1.0, 2.0, 5.0})
            if (step * decade <= limit * (1 + 1e-12)) best = std::max(best, step * decade);
    bar.metres = best;
    bar.units = best / planWidthM * areaWidthUnits;
    bar.label = best >= 1000 ? FormatShortest(best / 1000) + " km" : FormatShortest(best) + " m";
    return bar;
}

std::vector<LegendEntry> ResultLegend(const Project& p) {
    const bool xz = p.CurrentPlane == Plane::XZ;
    const PlaneResult& res = xz ? p.XZ : p.XY;
    if (!res.Calculated) return {};
    const double max = res.MaxDensity;
    std::vector<LegendEntry> out;
    for (int k = 10; k >= 0; --k)
        out.push_back(
            {formatFixed(max * k / 10.0, 3) + p.ResultUnit, GradientColour(k, p.WhiteBackground)});
    return out;
}

std::vector<std::string> TitleBlock(const Project& p, const std::string& date,
                                    const std::string& standard) {
    std::string name = p.FileName;
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    return {"Project: " + (name.empty() ? std::string("Untitled") : name), "Date: " + date,
            "Standard: " + (standard.empty() ? std::string("none") : standard)};
}

} // namespace brenvik::render
