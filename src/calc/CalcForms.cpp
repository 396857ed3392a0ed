#include "calc/CalcForms.h"

#include "model/Int16.h"
#include "model/Messages.h"
#include "model/ResultStamp.h"

#include <cmath>

namespace brenvik {

// ---- Preconditions ---------------------------------------------------------------------

std::optional<std::string> XYCalcRefusal(const Project& p) {
    if (p.AntennaCount == 0) return std::string(msg::NoSource);
    return std::nullopt;
}

std::optional<std::string> XZViewRefusal(const Project& p) {
    if (p.Zoom != 1.0) return std::string(msg::XZNeedsZoom);
    if (p.XYCalcZoom != 1.0) return std::string(msg::XZNeedsXYZoom);
    return std::nullopt;
}

std::optional<std::string> XZSourceRefusal(const Project& p) {
    return XYCalcRefusal(p);
}

// ---- "Calculation" ---------------------------------------------------------------------------

CalForm CalFormLoad(const Project& p, const NumberFormatter& fmt) {
    CalForm f;
    f.option1 = p.CalcOption == CalcLevel::AtSurface;
    f.text1Enabled = !f.option1;
    f.text1 = fmt(p.CalcHeight);
    return f;
}

void CalFormOption1(Project& p, CalForm& f) {
    p.CalcOption = CalcLevel::AtSurface;
    f.option1 = true;
    f.text1Enabled = false;
    p.CalcHeight = 0.0;
    SetText(f.text1, "0");
}

void CalFormOption2(Project& p, CalForm& f) {
    p.CalcOption = CalcLevel::AtHeight;
    f.option1 = false;
    f.text1Enabled = true;
}

std::optional<std::string> CalFormRead(const CalForm& f, CalcSettings& out,
                                       const NumberParser& parse) {
    const auto v = parse(f.text1);
    if (!v) return std::string(msg::InputDataError);
    out.level = f.option1 ? CalcLevel::AtSurface : CalcLevel::AtHeight;
    out.height = std::floor(*v);
    return std::nullopt;
}

void ApplyCalcSettings(Project& p, const CalcSettings& s) {
    p.CalcOption = s.level;
    SetCalculationHeight(p, s.height);
}

std::optional<std::string> CalFormAccept(Project& p, const CalForm& f, const NumberParser& parse) {
    CalcSettings s;
    if (auto err = CalFormRead(f, s, parse)) return err;
    ApplyCalcSettings(p, s);
    return std::nullopt;
}

void SetCalculationHeight(Project& p, double height) {
    p.CalcHeight = std::floor(height);
}

std::string HeightLabelText(const Project& p, const NumberFormatter& fmt) {
    return "h=" + fmt(p.CalcHeight) + " m";
}

std::string RecalculationSettingsText(const Project& p, const NumberFormatter& fmt) {
    std::string text =
        p.CalcOption == CalcLevel::AtSurface
            ? "XY-Plane: calculation at surface height"
            : "XY-Plane: calculation at a certain height, " + HeightLabelText(p, fmt);
    text += "\nGrid: " + std::to_string(p.GridNX) + " x " + std::to_string(p.GridNY) +
            " points, plan " + fmt(p.PlanWidthM) + " m wide";
    if (ResultStale(p, Plane::XZ))
        text += "\nThe XZ-Plane section is out of date too and is not recalculated: "
                "XZ-Calculation (F6) recalculates it.";
    return text;
}

// ---- "XZ-Calculation" ------------------------------------------------------------------

double XZDialogDistance(Project& p) {
    p.XZDistance = XZDialogProposal(p);
    return p.XZDistance;
}

double XZDialogProposal(const Project& p) {
    if (p.XZDistance == -1.0)
        return (area::Shape2Top - area::HScrollHeight) * p.MetersPerUnit / 2.0;
    return p.XZDistance;
}

std::optional<std::string> SectionDistanceRefusal(const Project& p, double v) {
    const double planHeight = p.GridNY * p.CellSize * p.MetersPerUnit;
    // Written so that a distance that is not a number is refused too.
    if (!(v > 0.0) || v > planHeight) return std::string(msg::DistanceNotAllowed);
    return std::nullopt;
}

std::optional<std::string> XZDialogAccept(Project& p, const std::string& text2,
                                          const NumberParser& parse) {
    const auto v = parse(text2);
    if (!v) return std::string(msg::InputDataError);
    return SetSectionDistance(p, *v);
}

std::optional<std::string> SetSectionDistance(Project& p, double v) {
    if (auto refused = SectionDistanceRefusal(p, v)) return refused;
    p.XZDistance = v;
    p.XZPlaneRow = static_cast<std::int64_t>(std::floor(
        (p.CellSize + area::Shape2Top - area::HScrollHeight - v / p.MetersPerUnit) / p.CellSize));
    p.CurrentPlane = Plane::XZ;
    return std::nullopt;
}

// ---- Progress texts --------------------------------------------------------------------

std::string RunningLabel2(const Project& p) {
    return p.LegacySourceCount == 1 ? "Without temporal average" : "There is a temporal average";
}

std::string RunningLabel3(const CalcProgress& c) {
    return "Running " + std::to_string(c.pass) + " of " + std::to_string(c.passCount) +
           " tempotal point(s)";
}

std::string RunningLabel4(const CalcProgress& c) {
    return "Running " + std::to_string(c.antenna) + " of " + std::to_string(c.antennaCount) +
           " pollution sources";
}

std::string RunningLabel5(const CalcProgress& c) {
    return "Running " + std::to_string(c.node) + " of " + std::to_string(c.nodeTotal) +
           " calculation points";
}

std::string RunningLabel6(const Project& p) {
    std::string text;
    if (p.SourceKindVar.toDouble() == 1.0) text = "L\u00ednea activada";
    if (p.SourceKindInt == LegacySourceKind::Area) text = "\u00c1rea activada";
    if (p.SourceKindVar.toDouble() == 0.0 && p.SourceKindInt == LegacySourceKind::Point) text = "Fuente activada";
    return text;
}

// ---- "Topographic line" ----------------------------------------------------------------

std::optional<std::string> TopoLineAccept(Project& p, std::string& text1,
                                          const NumberParser& parse) {
    auto v = parse(text1);
    if (!v) return std::string(msg::InputDataError);
    if (*v < 0.0) {
        SetText(text1, "0");
        v = 0.0;
    }
    p.ContourHeight = std::floor(*v);
    return std::nullopt;
}

} // namespace brenvik
