#include "render/Decorations.h"

#include "model/Messages.h"
#include "render/Dominant.h"
#include "render/Dots.h"
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
    // Who contributes what: the antennas' colours or the share ramp.
    const ResultStyle style = StyleShown(p, p.CurrentPlane);
    if (ShowsContributions(style)) return ContributionLegend(p);
    const double max = res.MaxDensity;
    std::vector<LegendEntry> out;
    if (style == ResultStyle::Isolines) {
        const int count = std::min({int(p.IsolineCount), res.Isolines.levels(),
                                    static_cast<int>(res.IsolineLevel.size()) - 1});
        for (int k = count; k >= 1; --k)
            if (!res.Isolines.row(k).empty() || !res.IsolinesAux.row(k).empty())
                out.push_back(
                    {formatFixed(res.IsolineLevel[std::size_t(k)], xz ? 4 : 3) + p.ResultUnit,
                     isolineColour(p.Display), true});
        return out;
    }
    // The numbers of the grid are their own legend.
    if (p.DisplayMode == ResultStyle::NumericalGrid) return out;
    const bool dots = p.DisplayMode == ResultStyle::Dots;
    // Dots start at a share of the maximum; the levels below draw nothing.
    const double from = dots ? p.Display.DotFromPercent / 10.0 : 0.0;
    for (int k = 10; k >= 0 && k >= from; --k)
        out.push_back({formatFixed(max * k / 10.0, 3) + p.ResultUnit,
                       dots ? DotColour(p.Display.DotScheme, k)
                            : LevelColour(p.Display, k, p.WhiteBackground)});
    return out;
}

std::string LegendHeading(const Project& p, const std::vector<LegendEntry>& entries) {
    const PlaneResult& res = p.CurrentPlane == Plane::XZ ? p.XZ : p.XY;
    std::string unit = p.ResultUnit;
    unit.erase(0, unit.find_first_not_of(' '));
    const bool percent = unit == "%";
    if (percent) {
        // Three figures of the maximum, however small.
        const double a = std::fabs(res.MaxDensity);
        const int decimals =
            a > 0 ? std::clamp(2 - static_cast<int>(std::floor(std::log10(a))), 0, 12) : 0;
        unit = "% of limit, max " + formatFixed(res.MaxDensity, decimals);
    }
    const bool lines = !entries.empty() && entries.front().line;
    if (ShowsContributions(StyleShown(p, p.CurrentPlane))) return ContributionHeading(p);
    return std::string(lines ? "Isolines (" : "Power density (") + unit + ")";
}

std::vector<std::string> TitleBlock(const Project& p, const std::string& date,
                                    const std::string& standard) {
    std::string name = p.FileName;
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const auto given = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
    return {"Project: " + (name.empty() ? std::string("Untitled") : name),
            "Site: " + given(p.Compliance.SiteName),
            "Assessor: " + given(p.Compliance.Assessor),
            "Date: " + date,
            "Standard: " + (standard.empty() ? std::string("none") : standard),
            std::string("Model: ") + msg::ModelName(p.Exposure.Model)};
}

} // namespace brenvik::render
