// The report's texts that say what the pictures show: the bands of the
// exposure ratio, the verdicts and maxima, and the method.
#include "antenna/Pattern.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "compliance/Boundaries.h"
#include "compliance/ReportLayout.h"
#include "compliance/ReportText.h"
#include "compliance/Units.h"
#include "model/Messages.h"

#include <algorithm>
#include <cmath>

namespace brenvik::compliance {

using render::Rgb;

const std::vector<double>& PercentLevels() {
    static const std::vector<double> levels{1, 5, 10, 20, 50, 100};
    return levels;
}

Rgb BandColour(int band) {
    // From a pale blue for the weak exposure to red above the limit.
    static const Rgb colours[] = {{198, 219, 239}, {120, 198, 121}, {217, 240, 80},
                                  {254, 217, 60},  {253, 141, 60},  {215, 25, 28}};
    return colours[std::clamp(band, 0, 5)];
}

int BandOf(double percent) {
    const auto& l = PercentLevels();
    int band = -1;
    for (std::size_t k = 0; k < l.size(); ++k)
        if (percent >= l[k]) band = static_cast<int>(k);
    return band;
}

std::vector<double> BandLevels(double maxPercent) {
    std::vector<double> levels = PercentLevels();
    if (!(maxPercent > 0.0) || maxPercent >= levels.front() || !std::isfinite(maxPercent))
        return levels;
    // The power of ten that brings the maximum to between 10 and 100 % of
    // the top level's scale: 0.733 % gives bands from 0.01 % to 1 %.
    const double shift = std::ceil(std::log10(10.0 / maxPercent));
    const double k = std::pow(10.0, -std::min(shift, 300.0));
    for (double& l : levels)
        l *= k;
    return levels;
}

int BandOf(double percent, const std::vector<double>& levels) {
    int band = -1;
    for (std::size_t k = 0; k < levels.size(); ++k)
        if (percent >= levels[k]) band = static_cast<int>(k);
    return band;
}

std::string ProgramVersion() {
#ifdef BRENVIK_VERSION
    return std::string("Brenvik ") + BRENVIK_VERSION;
#else
    return "Brenvik";
#endif
}

namespace reporttext {

std::string Metres(double v) {
    return FormatFixed(v, std::fabs(v) < 10.0 ? 1 : 0);
}

std::string SectionHeadline(const Project& p) {
    std::string text = SectionCaption(p);
    if (!text.empty()) text[0] = 'S';
    return text;
}

std::string HeightText(const Project& p) {
    if (p.CalcOption == CalcLevel::AtSurface) return "at surface height";
    return "h=" + FormatFixed(p.CalcHeight, 0) + " m";
}

bool FarField(const Summary& s) {
    return s.model == ExposureModel::FarField;
}

// The specified beam model's blind spots, with the project's own open angle.
std::vector<std::string> BlindSpots(const Project& p) {
    const double stickDeg = p.OpenAngleDTS / 180.0 * 180.0 / 3.14159265358979323846;
    return {"no field at all above a down-tilted panel's height, nor below an up-tilted one's",
            "a stick antenna's vertical beam is taken as " + FormatFixed(p.OpenAngleDTS, 1) +
                "/180 radians (" + FormatFixed(stickDeg, 1) + " deg) wide",
            "8.64 P/r^2 for an ERP of P watts is 2.3 dB below the free-space density of that "
            "ERP, 1.64 P/(4 pi r^2) = 13.05 P/r^2 uW/cm^2"};
}

} // namespace reporttext

using namespace reporttext;

std::vector<std::string> ReportLayout::verdictLines() const {
    std::vector<std::string> out;
    for (const Verdict& v : in_.summary.verdicts)
        out.push_back(v.title + ": " + v.text());
    for (const RuleVerdict& r : in_.rules)
        out.push_back(r.rule.title + ": " + r.text());
    if (std::string line = realPlacesLine(); !line.empty()) out.push_back(std::move(line));
    return out;
}

std::string ReportLayout::maximumLine() const {
    const Summary& s = in_.summary;
    if (!s.planCalculated) return "The plan has not been calculated.";
    return "Maximum " + FormatPercent(s.maxPercent) + " % of the limit";
}

std::string ReportLayout::planVerdictLine() const {
    const Summary& s = in_.summary;
    if (!s.planCalculated || s.verdicts.empty()) return "The plan has not been calculated.";
    // "plan at h=5 m", "plan at surface height".
    const bool surface = in_.project->CalcOption == CalcLevel::AtSurface;
    const std::string who = s.standardTitle + " " + PopulationText(s.group) + ", plan " +
                            (surface ? "" : "at ") + HeightText(*in_.project) + ": ";
    const std::string v =
        PlaneVerdictText(s.maxPercent, s.verdicts.front().areaAboveM2, s.planCrossing);
    return (FarField(s) ? "" : "Indicative: ") + who + v;
}

std::optional<std::string> ReportLayout::sectionVerdictLine() const {
    const Summary& s = in_.summary;
    if (!s.sectionMaxPercent) return std::nullopt;
    return std::string(FarField(s) ? "" : "Indicative: ") +
           (FarField(s) ? SectionHeadline(*in_.project) : SectionCaption(*in_.project)) + ": " +
           PlaneVerdictText(*s.sectionMaxPercent, s.sectionAreaAboveM2, s.sectionCrossing);
}

std::optional<std::string> ReportLayout::signedSectionVerdictLine() const {
    if (!signed_) return std::nullopt;
    return signed_->line;
}

namespace {

// The section of a project computed with the program's beam model,
// recomputed with the far-field model on the same plane: a grid row's line
// (the far-field model puts its section on the line asked for, so it is
// asked for the row's), or the same azimuth through the same antenna.
std::optional<std::pair<std::string, bool>> FarFieldSectionVerdict(const Project& p,
                                                                   const Summary& s) {
    if (FarField(s) || !s.sectionMaxPercent) return std::nullopt;
    const std::string head = "To sign: far-field model, ";
    Project q = p;
    q.Exposure.Model = ExposureModel::FarField;
    const SectionLine line = SectionLineOf(p);
    if (!line.through) q.XZDistance = line.y - p.OriginY;
    std::vector<double> limits(static_cast<std::size_t>(std::max(0, p.AntennaSlotBound())) + 1,
                               0.0);
    CalcControl ctl;
    ctl.inverseLimit.assign(static_cast<std::size_t>(std::max<int>(0, p.AntennaCount)) + 1, 0.0);
    for (const AntennaLine& a : s.antennas) {
        if (a.slot < 1 || a.slot > p.AntennaCount || !(a.limitWm2 > 0.0)) continue;
        limits[static_cast<std::size_t>(a.slot)] = a.limitWm2;
        ctl.inverseLimit[static_cast<std::size_t>(a.slot)] = 1.0 / (a.limitWm2 * 100.0);
    }
    const CalcOutcome out = RunXZCalculation(q, ctl);
    if (!out.ok())
        return std::pair{head + "its verdict on this section could not be calculated (" +
                             (out.message.empty() ? std::string("cancelled") : out.message) + ")",
                         false};
    double best = 0.0;
    long long above = 0;
    for (std::size_t k = 0; k < q.XZ.Ratio.size(); ++k) {
        best = std::max(best, q.XZ.Ratio.data()[k]);
        if (q.XZ.Ratio.data()[k] > 1.0) ++above;
    }
    const double side = q.CellSize * q.MetersPerUnit / (q.XYCalcZoom > 0.0 ? q.XYCalcZoom : 1.0);
    const auto crossing = SectionCrossing(q, limits);
    return std::pair{
        head + SectionCaption(q) + ": " +
            PlaneVerdictText(best * 100.0, static_cast<double>(above) * side * side, crossing),
        PlaneComplies(best * 100.0, crossing)};
}

} // namespace

void ReportLayout::signSection() {
    if (auto v = FarFieldSectionVerdict(*in_.project, in_.summary))
        signed_ = SignedSection{std::move(v->first), v->second};
}

std::vector<std::string> ReportLayout::methodLines() const {
    const Project& p = *in_.project;
    const Summary& s = in_.summary;
    std::vector<std::string> out;
    if (FarField(s)) {
        out.push_back(std::string("Exposure model: ") + msg::ModelFarField);
        out.push_back("Formula: S = 100 RF 1.64 P g(phi, theta) / (4 pi r^2) uW/cm^2, P the ERP in "
                      "W, g the antenna's gain relative to its peak, r the distance in m (not "
                      "below 0.1 m)");
        out.push_back("Reflection factor RF: " + FormatFixed(p.Exposure.ReflectionFactor, 2));
        out.push_back("Compliance boundary of each antenna alone at its frequency's limit: r_b = "
                      "sqrt(RF 1.64 P g / (4 pi S_L)), S_L in W/m^2, directions every 0.5 deg");
    } else {
        out.push_back(std::string("Exposure model: ") + msg::ModelSimplified);
        out.push_back("Formula: S = 8.64 P / r^2 gv gh uW/cm^2, P the ERP in W, gv and gh "
                      "logistic cut-offs of the beam at the open angles (panels " +
                      FormatFixed(p.OpenAngleBTS, 1) + " deg, sticks " +
                      FormatFixed(p.OpenAngleDTS, 1) + "/180 rad)");
        out.push_back("Reflection factor: none (not part of this model)");
        out.push_back("Compliance distance: along the azimuth of the main beam, on the beam's "
                      "axis, where the antenna alone falls to its limit in this model");
        out.push_back("Indicative: this model's blind spots:");
        for (const std::string& b : BlindSpots(p))
            out.push_back("  - " + b);
    }
    // The patterns the antennas use, each once.
    std::vector<std::string> used;
    for (const AntennaLine& a : s.antennas) {
        const std::string& name = p.Antennas[static_cast<std::size_t>(a.slot)].AntPattern;
        if (!name.empty() && std::find(used.begin(), used.end(), name) == used.end())
            used.push_back(name);
    }
    if (used.empty()) out.push_back("Patterns: none imported; parametric beams only");
    for (const std::string& name : used) {
        const auto pat = std::find_if(p.Patterns.begin(), p.Patterns.end(),
                                      [&](const AntennaPattern& x) { return x.Name == name; });
        if (pat == p.Patterns.end()) {
            out.push_back("Pattern " + name + ": not in the project");
            continue;
        }
        std::string t = "Pattern " + pat->Name + ": file " +
                        (pat->Source.empty() ? std::string("not named") : pat->Source);
        if (!pat->Make.empty()) t += ", " + pat->Make;
        if (pat->FrequencyMHz > 0) t += ", " + FormatFixed(pat->FrequencyMHz, 1) + " MHz";
        t += ", gain " + FormatFixed(pat->GainDbi, 2) + " dBi";
        out.push_back(t);
    }
    // What the user was told on importing a pattern (a cut that never reaches
    // the file's gain, a pattern of another band) stays with its results.
    for (const std::string& w : antenna::ProjectPatternWarnings(p))
        out.push_back("Warning: " + w);
    const double zc = p.XYCalcZoom > 0.0 ? p.XYCalcZoom : 1.0;
    out.push_back("Grid: " + std::to_string(p.GridNX) + " x " + std::to_string(p.GridNY) +
                  " nodes, step " + FormatFixed(p.CellSize * p.MetersPerUnit / zc, 3) + " m");
    out.push_back(
        "Calculation height: " + FormatFixed(p.CalcHeight, 2) + " m" +
        (p.CalcOption == CalcLevel::AtSurface ? " above the ground (at surface height)" : ""));
    out.push_back("Program: " + ProgramVersion());
    const std::string blank = "_______________________";
    out.push_back("Site: " + (p.Compliance.SiteName.empty() ? blank : p.Compliance.SiteName));
    out.push_back("Assessor: " + (p.Compliance.Assessor.empty() ? blank : p.Compliance.Assessor));
    return out;
}
} // namespace brenvik::compliance
