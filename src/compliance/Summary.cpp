#include "compliance/Summary.h"

#include "calc/PowerDensity.h"
#include "compliance/Units.h"
#include "geo/Geo.h"
#include "model/ResultStamp.h"

#include <cmath>

namespace brenvik::compliance {

bool HasRatio(const Project& p, bool section) {
    return RatioCurrent(p, section ? Plane::XZ : Plane::XY);
}

CalcOutcome ComputeRatios(Project& p, const std::vector<double>& inverse, const CalcControl& ctl) {
    CalcControl withRatio = ctl;
    withRatio.inverseLimit = inverse;
    Grid2D<double> ratio[2];
    bool done[2] = {false, false};
    std::uint64_t stamp[2] = {0, 0};
    for (const Plane plane : {Plane::XY, Plane::XZ}) {
        const int k = plane == Plane::XY ? 0 : 1;
        if (!ResultCurrent(p, plane) || RatioCurrent(p, plane)) continue;
        // The same inputs give the very same density: only the ratio of the
        // pass is kept.
        Project work = p;
        const CalcOutcome r = plane == Plane::XY ? RunXYCalculation(work, withRatio)
                                                 : RunXZCalculation(work, withRatio);
        if (!r.ok()) return r;
        ratio[k] = std::move(plane == Plane::XY ? work.XY.Ratio : work.XZ.Ratio);
        stamp[k] = (plane == Plane::XY ? work.XY.Stamp : work.XZ.Stamp).ratio;
        done[k] = true;
    }
    if (done[0]) {
        p.XY.Ratio = std::move(ratio[0]);
        p.XY.Stamp.ratio = stamp[0];
    }
    if (done[1]) {
        p.XZ.Ratio = std::move(ratio[1]);
        p.XZ.Stamp.ratio = stamp[1];
    }
    return {};
}

double ComplianceDistance(const Project& p, int slot, double limitUw) {
    if (slot < 1 || slot > p.AntennaSlotBound() || !(limitUw > 0.0)) return 0.0;
    const AntennaModel m = AntennaModel::From(p.Antennas[static_cast<std::size_t>(slot)], p);
    if (m.kind == AntennaKind::None) return 0.0;
    const bool panel = m.kind == AntennaKind::Panel;
    const double ux = panel ? m.sinTheta : 1.0, uy = panel ? m.cosTheta : 0.0;
    const double slope = panel ? std::tan(m.tilt) : 0.0;
    // The receptor follows the beam's axis: lower by d * tan(tilt) for a beam
    // pointing down.
    const auto density = [&](double d) { return ContributionD(m, d * ux, d * uy, d * slope); };
    double inner = 0.01;
    if (!(density(inner) >= limitUw)) return 0.0;
    double outer = inner;
    while (density(outer) >= limitUw) {
        inner = outer;
        outer *= 2.0;
        if (outer > 1.0e7) return outer;
    }
    for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (inner + outer);
        (density(mid) >= limitUw ? inner : outer) = mid;
    }
    return outer;
}

std::string Verdict::text() const {
    if (complies()) return "complies: maximum " + FormatPercent(maxPercent) + " % of the limit";
    return "exceeds the limit over " + FormatFixed(areaAboveM2, areaAboveM2 < 10.0 ? 1 : 0) +
           " m^2, maximum " + FormatPercent(maxPercent) + " %";
}

bool PlaneComplies(double maxPercent, const std::optional<PlaneCrossing>& c) {
    if (c && c->crosses()) return !(c->maxOutsidePercent > 100.0);
    return !(maxPercent > 100.0);
}

std::string PlaneVerdictText(double maxPercent, double areaAboveM2,
                             const std::optional<PlaneCrossing>& c) {
    const auto area = [](double a) { return FormatFixed(a, a < 10.0 ? 1 : 0); };
    if (!(maxPercent > 100.0) || !c || !c->crosses())
        return Verdict{"", "", maxPercent, areaAboveM2}.text();
    const double outside = c->areaAboveM2 - c->areaAboveInsideM2;
    if (!(c->maxOutsidePercent > 100.0))
        return "complies outside the compliance boundaries: maximum there " +
               FormatPercent(c->maxOutsidePercent) + " % of the limit";
    return "exceeds the limit outside the compliance boundaries over " + area(outside) +
           " m^2, maximum there " + FormatPercent(c->maxOutsidePercent) + " %";
}

std::string CrossingText(const Project& p, const PlaneCrossing& c) {
    std::string names;
    for (int slot : c.antennas) {
        const AntennaName n = NameOf(p, slot);
        if (!names.empty()) names += ", ";
        names += "T" + std::to_string(n.tower) + " A" + std::to_string(n.number);
    }
    const auto area = [](double a) { return FormatFixed(a, a < 10.0 ? 1 : 0); };
    return names + ": " + area(c.areaAboveM2) + " m^2 above 100 %, " + area(c.areaAboveInsideM2) +
           " m^2 of it inside their compliance boundaries; maximum outside them " +
           FormatPercent(c.maxOutsidePercent) + " %";
}

const char* PopulationText(Population g) {
    return g == Population::Occupational ? "occupational" : "general public";
}

std::optional<Population> PopulationFromName(const std::string& name) {
    if (name == "public") return Population::Public;
    if (name == "occupational") return Population::Occupational;
    return std::nullopt;
}

double AreaAbove(const Project& p, const Grid2D<double>& g, double above) {
    const double side = p.CellSize * p.MetersPerUnit / (p.XYCalcZoom > 0.0 ? p.XYCalcZoom : 1.0);
    long long n = 0;
    const int nx = std::min<int>(p.GridNX, g.nx()), ny = std::min<int>(p.GridNY, g.ny());
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j)
            if (g(i, j) > above) ++n;
    return static_cast<double>(n) * side * side;
}

namespace {

// The plan's verdicts: the chosen standard's from the ratio grid, with the
// node of its maximum, and each national limit's from the density.
void SummarisePlan(const Project& p, const Library& lib, const Standard& chosen, Population g,
                   Summary& s) {
    s.planCalculated = true;
    const Grid2D<double>& r = p.XY.Ratio;
    const int nx = std::min<int>(p.GridNX, r.nx()), ny = std::min<int>(p.GridNY, r.ny());
    double best = -1.0;
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j)
            if (r(i, j) > best) {
                best = r(i, j);
                s.maxI = i;
                s.maxJ = j;
            }
    s.maxPercent = std::max(best, 0.0) * 100.0;
    s.maxDensityUw = p.XY.Density.inBounds(s.maxI, s.maxJ) ? p.XY.Density(s.maxI, s.maxJ) : 0;
    // The node's plan metres from the engine's own node positions.
    const auto at = [](const std::vector<double>& v, int k) {
        return k >= 0 && k < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(k)] : 0.0;
    };
    const geo::Metres m{at(p.GridXm, s.maxI),
                        geo::VisibleHeight * p.MetersPerUnit - at(p.GridYm, s.maxJ)};
    const geo::Cartesian c = geo::ToCartesian(p, m);
    const geo::Geographic ll = geo::ToGeographic(p, m);
    s.xM = c.X;
    s.yM = c.Y;
    s.lon = ll.lon;
    s.lat = ll.lat;
    s.verdicts.push_back(Verdict{chosen.id, chosen.title, s.maxPercent, AreaAbove(p, r, 1.0)});
    for (const Standard& n : lib.standards()) {
        if (!n.national || n.id == chosen.id) continue;
        const auto level = ReferenceLevel(n, g, 900.0);
        if (!level || !(level->sWm2 > 0.0)) continue;
        const double limitUw = level->sWm2 * 100.0;
        s.verdicts.push_back(Verdict{n.id, n.title, p.XY.MaxDensity / limitUw * 100.0,
                                     AreaAbove(p, p.XY.Density, limitUw)});
    }
}

void SummariseSection(const Project& p, Summary& s) {
    double best = 0.0;
    long long above = 0;
    for (std::size_t k = 0; k < p.XZ.Ratio.size(); ++k) {
        best = std::max(best, p.XZ.Ratio.data()[k]);
        if (p.XZ.Ratio.data()[k] > 1.0) ++above;
    }
    s.sectionMaxPercent = best * 100.0;
    const double zc = p.XYCalcZoom > 0.0 ? p.XYCalcZoom : 1.0;
    const double side = p.CellSize * p.MetersPerUnit / zc;
    s.sectionAreaAboveM2 = static_cast<double>(above) * side * side;
}

} // namespace

std::string StandardCaption(const Project& p, const Library& lib) {
    const Standard* s = lib.find(p.Compliance.Standard);
    return (s ? s->title : p.Compliance.Standard) + ", " + PopulationText(p.Compliance.Group);
}

SummaryResult Summarise(const Project& p, const Library& lib, const std::string& standard,
                        Population g) {
    SummaryResult out;
    Summary& s = out.summary;
    const Standard* chosen = lib.find(standard);
    if (!chosen) {
        out.refusal = "Unknown standard " + standard;
        return out;
    }
    s.standardId = chosen->id;
    s.standardTitle = chosen->title;
    s.group = g;

    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const auto level = ReferenceLevel(*chosen, g, a.AntFrequencyMHz);
        if (!level) {
            out.refusal = InverseLimits(p, lib, standard, g).refusal;
            return out;
        }
        AntennaLine line{k, NameOf(p, k), a.AntFrequencyMHz, level->sWm2, level->eVm, 0.0};
        line.distanceM = ComplianceDistance(p, k, level->sWm2 * 100.0);
        s.antennas.push_back(line);
    }
    if (HasRatio(p, false)) SummarisePlan(p, lib, *chosen, g, s);
    if (HasRatio(p, true)) SummariseSection(p, s);
    s.model = p.Exposure.Model;
    if (s.model == ExposureModel::FarField) {
        std::vector<double> limits(static_cast<std::size_t>(std::max(count, 0)) + 1, 0.0);
        for (const AntennaLine& a : s.antennas)
            limits[static_cast<std::size_t>(a.slot)] = a.limitWm2;
        // Each adaptive array's envelope made once for all three.
        antenna::EnvelopeCache envelopes;
        s.boundaries = Boundaries(p, limits, &envelopes);
        s.planCrossing = PlanCrossing(p, limits, &envelopes);
        s.sectionCrossing = SectionCrossing(p, limits, &envelopes);
    }
    return out;
}

} // namespace brenvik::compliance
