#include "calc/CalcForms.h"

#include "geo/Geo.h"
#include "model/DrawingArea.h"
#include "model/Int16.h"
#include "model/Messages.h"
#include "model/ResultStamp.h"

#include <algorithm>
#include <cmath>
#include <tuple>

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
    p.XZThrough = 0;
    p.CurrentPlane = Plane::XZ;
    return std::nullopt;
}

// ---- Where the section lies --------------------------------------------------------------

std::pair<double, double> SectionAntennaPosition(const Project& p, int n) {
    const Antenna& a = p.Antennas[static_cast<std::size_t>(n)];
    // The far-field model computes from where the antenna really stands, so
    // a section through it passes there; the beam model's from its node.
    if (p.Exposure.Model == ExposureModel::FarField)
        return {AntennaDrawingX(p, a) * p.MetersPerUnit, AntennaDrawingY(p, a) * p.MetersPerUnit};
    return {a.AntX * p.MetersPerUnit, a.AntY * p.MetersPerUnit};
}

namespace {

// The exports' frame from the calculation's plan metres: the exports place
// a point through the drawing, whose y runs down from the top of the area
// while theirs runs up from the origin.
double ExportX(const Project& p, double planX) {
    return p.OriginX + planX;
}
double ExportY(const Project& p, double planY) {
    return p.OriginY + geo::VisibleHeight * p.MetersPerUnit - planY;
}

bool Radiates(const Antenna& a) {
    return a.AntType == AntennaKind::Panel || a.AntType == AntennaKind::Stick;
}

} // namespace

SectionLine SectionLineOf(const Project& p) {
    SectionLine l;
    const double mpu = p.MetersPerUnit, zoom = p.Zoom;
    if (p.XZThrough >= 1 && p.XZThrough <= std::min<int>(p.AntennaCount, p.AntennaSlotBound())) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(p.XZThrough)];
        l.through = true;
        l.antenna = p.XZThrough;
        std::tie(l.x0, l.y0) = SectionAntennaPosition(p, p.XZThrough);
        // A stick radiates alike all round: its section runs towards north,
        // as its beam's own frame does.
        l.azimuthDeg = a.AntType == AntennaKind::Stick ? 0.0 : a.AntDirection;
        const double az = l.azimuthDeg * 3.14159265358979323846 / 180.0;
        // Azimuth from north, clockwise; north is up the plan (y decreasing).
        l.ex = std::sin(az);
        l.ey = -std::cos(az);
        l.step = p.CellSize * mpu / zoom;
        // A quarter of the columns behind the antenna, the rest in front.
        l.centre = p.GridNX / 4;
        l.atX = ExportX(p, l.x0);
        l.atY = ExportY(p, l.y0);
        return l;
    }
    l.requestedY = p.OriginY + p.XZDistance;
    if (p.Exposure.Model == ExposureModel::FarField) {
        // The far-field model works at any point: the section lies where it
        // was asked for.
        l.exact = true;
        l.y = l.requestedY;
        l.planY = geo::VisibleHeight * mpu - p.XZDistance;
        l.drawingY = l.planY * zoom / mpu + p.ScrollOffsetY;
        return l;
    }
    // The grid row's own metres, as the calculation computes them.
    l.planY = (static_cast<double>(p.XZPlaneRow * p.CellSize) - p.ScrollOffsetY) * mpu / zoom;
    l.y = ExportY(p, l.planY);
    l.drawingY = double(p.CellSize) * double(p.XZPlaneRow);
    return l;
}

int SectionTopRow(const Project& p) {
    // The calculation stores height row h in row ny - offset - h, then moves
    // every column two rows towards row 0.
    return p.GridNY - p.XZRowOffset - 2;
}

std::optional<SectionNode> SectionNodeAt(const Project& p, const SectionLine& l, int i, int j) {
    const int top = SectionTopRow(p);
    if (i < 0 || j < 0 || j > top || i >= static_cast<int>(p.GridXm.size()) ||
        top >= static_cast<int>(p.GridYm.size()))
        return std::nullopt;
    SectionNode n;
    // The heights and columns as the calculation computed them.
    n.z = p.GridYm[static_cast<std::size_t>(top - j)];
    if (l.through) {
        n.d = l.along(i);
        const auto [x, y] = SectionPoint(l, n.d);
        n.x = ExportX(p, x);
        n.y = ExportY(p, y);
    } else {
        n.d = p.GridXm[static_cast<std::size_t>(i)];
        n.x = ExportX(p, n.d);
        n.y = l.y;
    }
    return n;
}

std::pair<double, double> SectionPoint(const SectionLine& l, double along) {
    return {l.x0 + along * l.ex, l.y0 + along * l.ey};
}

std::string SectionCaption(const Project& p) {
    const SectionLine l = SectionLineOf(p);
    if (l.through)
        return "section through antenna " + std::to_string(l.antenna) +
               " at x = " + formatFixed(l.atX, 2) + " m, y = " + formatFixed(l.atY, 2) +
               " m, along azimuth " + FormatShortest(l.azimuthDeg) + " deg";
    std::string text = "section at y = " + formatFixed(l.y, 2) + " m";
    // Said whenever the two differ by what the caption shows.
    if (formatFixed(l.y, 2) != formatFixed(l.requestedY, 2))
        text += " (requested y = " + formatFixed(l.requestedY, 2) + " m: grid row)";
    return text;
}

std::optional<std::string> SetSectionThrough(Project& p, int n) {
    if (n < 1 || n > std::min<int>(p.AntennaCount, p.AntennaSlotBound()) ||
        !Radiates(p.Antennas[static_cast<std::size_t>(n)]))
        return std::string(msg::DistanceNotAllowed);
    p.XZThrough = n;
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
    if (p.SourceKindVar.toDouble() == 0.0 && p.SourceKindInt == LegacySourceKind::Point)
        text = "Fuente activada";
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
