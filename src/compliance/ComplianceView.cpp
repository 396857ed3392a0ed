#include "compliance/ComplianceView.h"

#include "compliance/ReportLayout.h"
#include "compliance/ReportText.h"
#include "geo/Readout.h"
#include "model/Messages.h"

#include <algorithm>
#include <cmath>

namespace brenvik::compliance {

namespace {

// The crossings of each fixed level between neighbouring nodes, in the order
// and the slot numbering the isoline tables keep: along the columns scanned i
// then j, along the rows scanned j then i, level after level.
void FixedIsolines(const Grid2D<double>& g, const std::vector<double>& levels, CrossingTable& along,
                   CrossingTable& across) {
    const int count = static_cast<int>(levels.size()) - 1;
    along.reset(count);
    across.reset(count);
    const auto crossed = [](double a, double b, double l) { return (a < l) != (b < l); };
    const auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
    for (int k = 1; k <= count; ++k) {
        const double l = levels[static_cast<std::size_t>(k)];
        for (int i = 0; i <= g.nx(); ++i)
            for (int j = 0; j < g.ny(); ++j)
                if (crossed(g(i, j), g(i, j + 1), l)) along.append(k, i16(i), i16(j));
        for (int j = 0; j <= g.ny(); ++j)
            for (int i = 0; i < g.nx(); ++i)
                if (crossed(g(i, j), g(i + 1, j), l)) across.append(k, i16(i), i16(j));
    }
}

struct Extremes {
    double max = 0.0, min = 0.0;
    int maxI = 0, maxJ = 0;
};

Extremes Percent(const Grid2D<double>& ratio, Grid2D<double>& out) {
    out.resize(ratio.nx(), ratio.ny());
    Extremes e;
    bool first = true;
    for (int i = 0; i <= ratio.nx(); ++i)
        for (int j = 0; j <= ratio.ny(); ++j) {
            const double v = 100.0 * ratio(i, j);
            out(i, j) = v;
            if (first || v > e.max) e.max = v, e.maxI = i, e.maxJ = j;
            if (first || v < e.min) e.min = v;
            first = false;
        }
    return e;
}

bool ForbiddenInName(char c) {
    return c == '\n' || c == '\r' || c == '=';
}

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Three significant figures without trailing zeros: "0.733", "0.00123", "60".
std::string ThreeFigures(double v) {
    const double a = std::fabs(v);
    const int decimals =
        a > 0.0 ? std::clamp(2 - static_cast<int>(std::floor(std::log10(a))), 0, 12) : 0;
    std::string t = FormatFixed(v, decimals);
    if (t.find('.') != std::string::npos) {
        t.erase(t.find_last_not_of('0') + 1);
        if (t.back() == '.') t.pop_back();
    }
    return t;
}

} // namespace

std::vector<double> PercentIsolineLevels(double maxPercent) {
    std::vector<double> levels = BandLevels(maxPercent);
    const auto under = [&] {
        return std::count_if(levels.begin(), levels.end(),
                             [&](double l) { return l < maxPercent; });
    };
    // Twelve decades down reach any share a density can have; a plane of
    // zeros keeps the bands.
    for (int k = 0; k < 12 && maxPercent > 0.0 && under() < 3; ++k)
        for (double& l : levels)
            l /= 10.0;
    return levels;
}

std::string PercentNote(const Project& view) {
    const bool xz = view.CurrentPlane == Plane::XZ;
    const PlaneResult& r = xz ? view.XZ : view.XY;
    if (!r.Calculated || view.ResultUnit != " %") return {};
    std::string lines;
    for (std::size_t k = 1; k < r.IsolineLevel.size(); ++k)
        if (r.IsolineLevel[k] < r.MaxDensity)
            lines += (lines.empty() ? "" : ", ") + ThreeFigures(r.IsolineLevel[k]);
    std::string note =
        "% of limit: " + ThreeFigures(r.MinDensity) + " to " + ThreeFigures(r.MaxDensity) + " %";
    return lines.empty() ? note : note + "; lines at " + lines + " %";
}

Project PercentView(const Project& p) {
    Project v = p;
    const auto levelsUpTo = [](double maxPercent) {
        std::vector<double> levels{0.0};
        for (double l : PercentIsolineLevels(maxPercent))
            levels.push_back(l);
        return levels;
    };
    std::vector<double> levels = levelsUpTo(100.0);
    bool any = false;
    if (HasRatio(p, false)) {
        const Extremes e = Percent(p.XY.Ratio, v.XY.Density);
        levels = levelsUpTo(e.max);
        v.XY.MaxDensity = e.max;
        v.XY.MinDensity = e.min;
        // The mark goes to the node of the highest ratio, where the result
        // was calculated.
        if (p.XYCalcZoom > 0.0) {
            v.XY.MaxPosX = Variant::real((e.maxI * p.CellSize + p.XYCalcOffsetX) / p.XYCalcZoom);
            const double y = std::nearbyint((e.maxJ * p.CellSize + p.XYCalcOffsetY) / p.XYCalcZoom);
            if (std::fabs(y) < 32767.0)
                v.XY.MaxPosY = Variant::integer(static_cast<std::int16_t>(y));
        }
        v.XY.IsolineLevel = levels;
        FixedIsolines(v.XY.Density, levels, v.XY.Isolines, v.XY.IsolinesAux);
        any = true;
    }
    if (HasRatio(p, true)) {
        const Extremes e = Percent(p.XZ.Ratio, v.XZ.Density);
        levels = levelsUpTo(e.max);
        v.XZ.MaxDensity = e.max;
        v.XZ.MinDensity = e.min;
        v.XZ.IsolineLevel = levels;
        FixedIsolines(v.XZ.Density, levels, v.XZ.Isolines, v.XZ.IsolinesAux);
        any = true;
    }
    if (any) v.IsolineCount = static_cast<std::int16_t>(levels.size() - 1);
    // The values drawn on the plane shown are percentages when it has a ratio.
    if (HasRatio(p, p.CurrentPlane == Plane::XZ)) v.ResultUnit = " %";
    return v;
}

std::optional<RatioReadout> RatioReadoutAt(const Project& p, double x, double y, Unit unit) {
    const bool section = p.CurrentPlane == Plane::XZ;
    if (!HasRatio(p, section)) return std::nullopt;
    const geo::PointerCell c = geo::PointerCellAt(p, x, y);
    const Grid2D<double>& ratio = section ? p.XZ.Ratio : p.XY.Ratio;
    const Grid2D<double>& density = section ? p.XZ.Density : p.XY.Density;
    if (c.ix > p.GridNX || c.iy > p.GridNY || !ratio.inBounds(c.ix, c.iy)) return std::nullopt;
    RatioReadout r;
    r.percent = "% limit=" + FormatPercent(100.0 * ratio(c.ix, c.iy));
    const int decimals = unit == Unit::MicroWattPerCm2 ? 6 : 4;
    r.value = (unit == Unit::VoltPerMetre ? "E=" : "S=") +
              FormatValue(density(c.ix, c.iy), unit, decimals);
    return r;
}

ComplianceForm ComplianceFormLoad(const Project& p, Unit unit) {
    return {p.Compliance.Standard, p.Compliance.Group, p.Compliance.SiteName, p.Compliance.Assessor,
            unit};
}

std::optional<std::string> ComplianceFormAccept(Project& p, const ComplianceForm& f,
                                                const Library& lib) {
    if (!lib.find(f.standard) ||
        std::any_of(f.siteName.begin(), f.siteName.end(), ForbiddenInName) ||
        std::any_of(f.assessor.begin(), f.assessor.end(), ForbiddenInName))
        return std::string(msg::InputDataError);
    p.Compliance.Standard = f.standard;
    p.Compliance.Group = f.group;
    p.Compliance.SiteName = Trimmed(f.siteName);
    p.Compliance.Assessor = Trimmed(f.assessor);
    return std::nullopt;
}

std::vector<std::string> SummaryLines(const Project& p, const Summary& s, Unit unit) {
    std::vector<std::string> out;
    out.push_back(s.standardTitle + " (" + s.standardId + "), " + PopulationText(s.group));
    if (s.model == ExposureModel::Specified)
        out.push_back(std::string("Indicative: ") + msg::ModelSimplified +
                      " (see the report's method)");
    if (!s.planCalculated) {
        out.push_back("The plan has no calculated result.");
    } else {
        out.push_back("Maximum " + FormatPercent(s.maxPercent) + " % of the limit at X=" +
                      FormatFixed(s.xM, 2) + " m, Y=" + FormatFixed(s.yM, 2) + " m (lon " +
                      FormatFixed(s.lon, 6) + ", lat " + FormatFixed(s.lat, 6) + ")");
        out.push_back("  there " + FormatValue(s.maxDensityUw, unit, 4));
        for (const Verdict& v : s.verdicts)
            out.push_back(v.title + ": " +
                          (&v == &s.verdicts.front()
                               ? PlaneVerdictText(v.maxPercent, v.areaAboveM2, s.planCrossing)
                               : v.text()));
    }
    if (s.sectionMaxPercent)
        out.push_back(
            reporttext::SectionHeadline(p) + ": " +
            PlaneVerdictText(*s.sectionMaxPercent, s.sectionAreaAboveM2, s.sectionCrossing));
    if (s.model == ExposureModel::FarField) {
        if (s.planCrossing && s.planCrossing->crosses())
            out.push_back("The plan crosses the compliance boundaries of " +
                          CrossingText(p, *s.planCrossing));
        if (s.sectionCrossing && s.sectionCrossing->crosses())
            out.push_back("The section crosses the compliance boundaries of " +
                          CrossingText(p, *s.sectionCrossing));
        out.push_back("Compliance boundaries (front, back, side, above, below):");
        for (const AntennaBoundary& b : s.boundaries) {
            const AntennaName n = NameOf(p, b.slot);
            const antenna::BoundaryExtent& e = b.extent;
            out.push_back("  tower " + std::to_string(n.tower) + ", antenna " +
                          std::to_string(n.number) + ": " + FormatFixed(e.front, 2) + ", " +
                          FormatFixed(e.back, 2) + ", " + FormatFixed(e.side, 2) + ", " +
                          FormatFixed(e.above, 2) + ", " + FormatFixed(e.below, 2) + " m");
        }
        return out;
    }
    out.push_back("Compliance distance along the main beam:");
    for (const AntennaLine& a : s.antennas)
        out.push_back("  tower " + std::to_string(a.name.tower) + ", antenna " +
                      std::to_string(a.name.number) + ", " + FormatFixed(a.frequencyMHz, 1) +
                      " MHz, limit " + FormatFixed(a.limitWm2, 2) +
                      " W/m^2: " + FormatFixed(a.distanceM, 1) + " m");
    return out;
}

} // namespace brenvik::compliance
