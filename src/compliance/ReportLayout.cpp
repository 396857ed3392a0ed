#include "compliance/ReportLayout.h"

#include "calc/CalcForms.h"
#include "compliance/Boundaries.h"
#include "compliance/Places.h"
#include "compliance/ReportText.h"
#include "compliance/Units.h"
#include "geo/Geo.h"
#include "model/AntennaFields.h"
#include "model/DrawingArea.h"
#include "model/ResultStamp.h"

#include <algorithm>
#include <cmath>

namespace brenvik::compliance {

using render::FillStyle;
using render::Rgb;
using render::Surface;
using namespace reporttext;

namespace {

constexpr double kLeft = 800, kRight = area::ScaleWidth - 800;
constexpr double kTop = 450, kBottom = 10150;
constexpr Rgb kInk{0, 0, 0}, kGrey{110, 110, 110}, kRule{170, 170, 170};
constexpr Rgb kRed{180, 0, 0}, kGreen{0, 110, 40};
constexpr Rgb kBoundary{0, 60, 200}, kLimitLine{200, 0, 160};
constexpr int kFirstTableRows = 14, kTableRows = 26;
constexpr double kRow = 270;

// A tick step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double NiceStep(double span, int count) {
    const double raw = span / std::max(count, 1);
    if (!(raw > 0.0) || !std::isfinite(raw)) return 1.0;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * p >= raw) return m * p;
    return 10.0 * p;
}

// A tick label: as many decimals as the step needs.
std::string Tick(double v, double step) {
    const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    return FormatFixed(std::fabs(v) < step * 1e-9 ? 0.0 : v, decimals);
}

// A window of drawing units (u to the right, v downward) shown in a page
// rectangle at one scale.
struct Picture {
    double x0 = 0, y0 = 0, w = 0, h = 0;
    double u0 = 0, u1 = 1, v0 = 0, v1 = 1;
    double k() const { return w / (u1 - u0); }
    double kv() const { return h / (v1 - v0); } // k() unless the heights are stretched
    double px(double u) const { return x0 + (u - u0) * k(); }
    double py(double v) const { return y0 + (v - v0) * kv(); }
};

Picture Fit(double x0, double y0, double maxW, double maxH, double u0, double u1, double v0,
            double v1) {
    Picture p{x0, y0, maxW, maxH, u0, u1, v0, v1};
    const double aspect = (u1 - u0) / (v1 - v0);
    if (maxW / maxH > aspect)
        p.w = maxH * aspect;
    else
        p.h = maxW / aspect;
    return p;
}

// The cells of a ratio grid in their % bands; node (i, j) paints the cell
// to its right and below, as on the screen. `rowOf(j)` gives the row's v.
template <class RowV>
void Bands(Surface& s, const Picture& pic, const Grid2D<double>& r, int i0, int i1, int j0, int j1,
           double cell, const RowV& rowOf, const std::vector<double>& levels) {
    for (int i = i0; i <= i1 && i <= r.nx(); ++i)
        for (int j = j0; j <= j1 && j <= r.ny(); ++j) {
            const int band = BandOf(r(i, j) * 100.0, levels);
            if (band < 0) continue;
            const double u = i * cell, v = rowOf(j);
            s.filledBox(pic.px(u), pic.py(v), pic.px(u + cell), pic.py(v + cell), BandColour(band));
        }
    // The levels as lines: the cell edges where the band changes.
    const Rgb edge{90, 90, 90};
    const auto bandAt = [&](int i, int j) {
        return i >= i0 && i <= i1 && j >= j0 && j <= j1 && r.inBounds(i, j)
                   ? BandOf(r(i, j) * 100.0, levels)
                   : -1;
    };
    for (int i = i0; i <= i1 && i <= r.nx(); ++i)
        for (int j = j0; j <= j1 && j <= r.ny(); ++j) {
            const int band = bandAt(i, j);
            const double u = i * cell, v = rowOf(j);
            if (band != bandAt(i + 1, j))
                s.line(pic.px(u + cell), pic.py(v), pic.px(u + cell), pic.py(v + cell), edge);
            if (band != bandAt(i, j + 1))
                s.line(pic.px(u), pic.py(v + cell), pic.px(u + cell), pic.py(v + cell), edge);
            if (band >= 0 && i == i0)
                s.line(pic.px(u), pic.py(v), pic.px(u), pic.py(v + cell), edge);
            if (band >= 0 && j == j0)
                s.line(pic.px(u), pic.py(v), pic.px(u + cell), pic.py(v), edge);
        }
}

void Frame(Surface& s, const Picture& pic) {
    s.setFillStyle(FillStyle::Transparent);
    s.box(pic.x0, pic.y0, pic.x0 + pic.w, pic.y0 + pic.h, kInk);
}

// Ticks and labels: `xOf(u)` and `yOf(v)` give the metres an axis shows.
template <class XOf, class YOf>
void Axes(Surface& s, const Picture& pic, const XOf& xOf, const YOf& yOf, const std::string& xName,
          const std::string& yName) {
    const double bottom = pic.y0 + pic.h;
    const double xa = xOf(pic.u0), xb = xOf(pic.u1);
    const double xs = NiceStep(std::fabs(xb - xa), 7);
    for (double m = std::ceil(std::min(xa, xb) / xs) * xs; m <= std::max(xa, xb); m += xs) {
        const double x = pic.x0 + (m - xa) / (xb - xa) * pic.w;
        s.line(x, bottom, x, bottom + 80, kInk);
        s.printAt(x - 120, bottom + 100, Tick(m, xs), 6.5);
    }
    s.printAt(pic.x0 + pic.w - 900, bottom + 300, xName, 6.5, kGrey);
    const double ya = yOf(pic.v0), yb = yOf(pic.v1);
    const double ys = NiceStep(std::fabs(yb - ya), 6);
    for (double m = std::ceil(std::min(ya, yb) / ys) * ys; m <= std::max(ya, yb); m += ys) {
        const double y = pic.y0 + (m - ya) / (yb - ya) * pic.h;
        s.line(pic.x0 - 80, y, pic.x0, y, kInk);
        s.printAt(pic.x0 - 520, y - 70, Tick(m, ys), 6.5);
    }
    s.printAt(pic.x0 - 520, pic.y0 - 330, yName, 6.5, kGrey);
}

// A level as the legend writes it: as many decimals as it needs.
std::string LevelText(double v) {
    const int decimals = v >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(v) - 1e-9));
    return FormatFixed(v, std::clamp(decimals, 0, 12));
}

void Legend(Surface& s, double x, double y, const std::vector<double>& l) {
    s.printAt(x, y, "% of the limit", 8);
    for (std::size_t k = 0; k < l.size(); ++k) {
        const double top = y + 320 + 260 * static_cast<double>(l.size() - 1 - k);
        s.filledBox(x, top, x + 360, top + 200, BandColour(static_cast<int>(k)));
        s.setFillStyle(FillStyle::Transparent);
        s.box(x, top, x + 360, top + 200, kGrey);
        const std::string t = k + 1 < l.size()
                                  ? LevelText(l[k]) + " to " + LevelText(l[k + 1]) + " %"
                                  : "above " + LevelText(l[k]) + " %";
        s.printAt(x + 480, top + 10, t, 7);
    }
    s.printAt(x, y + 320 + 260 * static_cast<double>(l.size()) + 40,
              "below " + LevelText(l.front()) + " %: not coloured", 6.5, kGrey);
    if (l.back() < PercentLevels().back())
        s.printAt(x, y + 320 + 260 * static_cast<double>(l.size()) + 260,
                  "bands scaled to this result, all below " + LevelText(l.back()) + " %", 6.5,
                  kGrey);
}

// The traces of the compliance boundaries and of the 100 % line, clipped
// to the picture; a trace point (i, j) is a node's place, drawn at the
// middle of the node's cell as the bands are.
void PictureTraces(Surface& s, const Picture& pic, const PlaneTraces& t, double cell) {
    const auto in = [&](double x, double y) {
        return x >= pic.x0 && x <= pic.x0 + pic.w && y >= pic.y0 && y <= pic.y0 + pic.h;
    };
    const auto draw = [&](const Trace& tr, Rgb colour) {
        for (const auto& [a, b] : tr.pieces) {
            const double x1 = pic.px((a.i + 0.5) * cell), y1 = pic.py((a.j + 0.5) * cell);
            const double x2 = pic.px((b.i + 0.5) * cell), y2 = pic.py((b.j + 0.5) * cell);
            if (in(x1, y1) && in(x2, y2)) s.line(x1, y1, x2, y2, colour);
        }
    };
    draw(t.ratioLimit, kLimitLine);
    for (const Trace& b : t.boundaries)
        draw(b, kBoundary);
}

// Each boundary seen from above, dashed: every other of its half-degree
// pieces.
void PictureOutlines(Surface& s, const Picture& pic, const Project& p,
                     const std::vector<double>& limits, double cell,
                     antenna::EnvelopeCache* envelopes) {
    const auto in = [&](double x, double y) {
        return x >= pic.x0 && x <= pic.x0 + pic.w && y >= pic.y0 && y <= pic.y0 + pic.h;
    };
    for (const BoundaryOutline& o : BoundaryOutlines(p, limits, envelopes)) {
        const Trace t = OutlineTrace(p, o);
        for (std::size_t n = 0; n < t.pieces.size(); n += 4)
            for (std::size_t m = n; m < n + 2 && m < t.pieces.size(); ++m) {
                const auto& [a, b] = t.pieces[m];
                const double x1 = pic.px((a.i + 0.5) * cell), y1 = pic.py((a.j + 0.5) * cell);
                const double x2 = pic.px((b.i + 0.5) * cell), y2 = pic.py((b.j + 0.5) * cell);
                if (in(x1, y1) && in(x2, y2)) s.line(x1, y1, x2, y2, kBoundary);
            }
    }
}

void TraceKey(Surface& s, double x, double y) {
    s.line(x, y + 110, x + 360, y + 110, kBoundary);
    s.printAt(x + 480, y, "compliance boundary of each antenna alone", 6.5);
    s.line(x, y + 370, x + 360, y + 370, kLimitLine);
    s.printAt(x + 480, y + 260, "100 % of the limit, all antennas", 6.5);
}

std::string Title(const Summary& s) {
    return s.standardTitle + ", " + PopulationText(s.group);
}

} // namespace

namespace {

constexpr int kMethodRows = 12; // antenna rows on the method's first page

std::string Clipped(std::string t, std::size_t n) {
    if (t.size() > n) t = t.substr(0, n - 3) + "...";
    return t;
}

} // namespace

ReportLayout::ReportLayout(ReportInput in) : in_(std::move(in)) {
    // A flat national value is a precautionary note at one frequency, not a
    // limit: the rules' verdicts take its place.
    if (!in_.rules.empty() && !in_.summary.verdicts.empty()) in_.summary.verdicts.resize(1);
    signSection();
    const int n = static_cast<int>(in_.summary.antennas.size());
    const auto pagesFor = [n](int first) {
        return 1 + (std::max(0, n - first) + kTableRows - 1) / kTableRows;
    };
    pages_.push_back({PageKind::Plan, 0});
    for (int k = 0; k < pagesFor(kFirstTableRows); ++k)
        pages_.push_back({PageKind::Table, k});
    for (int k = 0; k < pagesFor(kMethodRows); ++k)
        pages_.push_back({PageKind::Method, k});
    // A section without a current result keeps its page, which says so.
    if (in_.summary.sectionMaxPercent || in_.project->XZ.Calculated)
        pages_.push_back({PageKind::Section, 0});
    for (int k = 0; k < realPlacesPageCount(); ++k)
        pages_.push_back({PageKind::RealPlaces, k});
    for (int r = 0; r < static_cast<int>(in_.rules.size()); ++r)
        for (int k = 0; k < rulePageCount(r); ++k)
            pages_.push_back({PageKind::Rule, k, r});
    for (int k = 0; k < static_cast<int>(in_.laterPages.size()); ++k)
        pages_.push_back({PageKind::Later, k});
}

int ReportLayout::pageCount() const {
    return static_cast<int>(pages_.size());
}

std::vector<double> ReportLayout::limits() const {
    const Project& p = *in_.project;
    std::vector<double> out(static_cast<std::size_t>(std::max(0, p.AntennaSlotBound())) + 1, 0.0);
    for (const AntennaLine& a : in_.summary.antennas)
        if (a.slot >= 0 && a.slot < static_cast<int>(out.size()))
            out[static_cast<std::size_t>(a.slot)] = a.limitWm2;
    return out;
}

void ReportLayout::header(int page, Surface& s) const {
    const Project& p = *in_.project;
    s.printAt(kLeft, kTop, "Project: " + in_.projectFile, 7.5);
    s.printAt(kRight - 3600, kTop, "Date: " + in_.date, 7.5);
    s.printAt(kLeft, kTop + 230, "Standard: " + Title(in_.summary), 7.5);
    s.printAt(kRight - 3600, kTop + 230, "Calculation height: " + HeightText(p), 7.5);
    s.line(kLeft, kTop + 520, kRight, kTop + 520, kRule);
    s.line(kLeft, kBottom, kRight, kBottom, kRule);
    s.printAt(kLeft, kBottom + 60, "Exposure compliance report, " + ProgramVersion(), 6.5, kGrey);
    s.printAt(kRight - 1500, kBottom + 60,
              "Page " + std::to_string(page + 1) + " of " + std::to_string(pageCount()), 6.5,
              kGrey);
}

void ReportLayout::drawPage(int page, Surface& s) const {
    if (page < 0 || page >= pageCount()) return;
    header(page, s);
    const Page& pg = pages_[static_cast<std::size_t>(page)];
    switch (pg.kind) {
    case PageKind::Plan:
        planPage(s);
        break;
    case PageKind::Table:
        tablePage(pg.index, s);
        break;
    case PageKind::Method:
        methodPage(pg.index, s);
        break;
    case PageKind::Section:
        sectionPage(s);
        break;
    case PageKind::RealPlaces:
        realPlacesPage(pg.index, s);
        break;
    case PageKind::Rule:
        rulePage(pg.rule, pg.index, s);
        break;
    case PageKind::Later:
        in_.laterPages[static_cast<std::size_t>(pg.index)](s);
        break;
    }
}

namespace {

// Notes that wrap at words, the later lines indented; the y below them.
double WrappedNotes(Surface& s, const std::vector<std::string>& notes, double y) {
    for (const std::string& n : notes) {
        std::string rest = n;
        double indent = 0;
        while (!rest.empty()) {
            std::size_t cut = rest.size() > 165 ? rest.rfind(' ', 165) : std::string::npos;
            if (cut == 0) cut = 165;
            s.printAt(kLeft + indent, y, rest.substr(0, cut), 6.5, kGrey);
            rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
            y += 200;
            indent = 200;
        }
    }
    return y;
}

// The section's line where it was computed: along the antenna's azimuth
// over the section's columns, in dashes cut to the picture, or along X.
void PlanSectionLine(Surface& s, const Picture& pic, const Project& p) {
    const SectionLine line = SectionLineOf(p);
    if (!line.through) {
        const double y = pic.py(line.drawingY);
        if (y > pic.y0 && y < pic.y0 + pic.h) {
            for (double x = pic.x0; x < pic.x0 + pic.w; x += 240)
                s.line(x, y, std::min(x + 140, pic.x0 + pic.w), y, kGrey);
            s.printAt(pic.x0 + 60, y - 200, "section", 6.5, kGrey);
        }
        return;
    }
    const double zoom = p.Zoom, mpu = p.MetersPerUnit;
    const auto at = [&](double along) {
        const auto [x, y] = SectionPoint(line, along);
        return std::pair{pic.px(x * zoom / mpu + p.ScrollOffsetX),
                         pic.py(y * zoom / mpu + p.ScrollOffsetY)};
    };
    const double a0 = line.along(0), a1 = line.along(p.GridNX);
    const double dash = 240.0 / std::max(pic.k(), 1e-9) * mpu;
    bool labelled = false;
    for (double a = a0; a < a1; a += dash) {
        const auto [x0, y0] = at(a);
        const auto [x1, y1] = at(std::min(a + dash * 140.0 / 240.0, a1));
        const auto inside = [&](double x, double y) {
            return x >= pic.x0 && x <= pic.x0 + pic.w && y >= pic.y0 && y <= pic.y0 + pic.h;
        };
        if (!inside(x0, y0) || !inside(x1, y1)) continue;
        s.line(x0, y0, x1, y1, kGrey);
        if (!labelled && a >= 0.0) {
            s.printAt(x0 + 60, y0 - 200, "section", 6.5, kGrey);
            labelled = true;
        }
    }
}

// The antennas where they really stand, each tower named once (after its
// site too when it came from the site inventory).
void PlanAntennas(Surface& s, const Picture& pic, const Project& p) {
    const double cell = p.CellSize;
    s.setFillStyle(FillStyle::Transparent);
    int lastTower = -1;
    for (int k = 1; k <= std::min<int>(p.AntennaCount, p.AntennaSlotBound()); ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const double x = pic.px(AntennaDrawingX(p, a) + cell / 2);
        const double y = pic.py(AntennaDrawingY(p, a) + cell / 2);
        if (x < pic.x0 || x > pic.x0 + pic.w || y < pic.y0 || y > pic.y0 + pic.h) continue;
        s.filledBox(x - 45, y - 45, x + 45, y + 45, kInk);
        if (a.AntTower != lastTower)
            s.printAt(x + 70, y - 200,
                      "T" + std::to_string(a.AntTower) +
                          (a.AntSite.empty() ? "" : " " + Clipped(a.AntSite, 20)),
                      7);
        lastTower = a.AntTower;
    }
}

// Scale bar and north arrow (the top of the plan is north).
void ScaleBarAndNorth(Surface& s, const Picture& pic, double mpu) {
    const double bar = NiceStep((pic.u1 - pic.u0) * mpu, 5);
    const double barLen = bar / mpu * pic.k(), bx = pic.x0, by = pic.y0 + pic.h + 650;
    s.filledBox(bx, by, bx + barLen / 2, by + 60, kInk);
    s.setFillStyle(FillStyle::Transparent);
    s.box(bx, by, bx + barLen, by + 60, kInk);
    s.printAt(bx + barLen + 120, by - 60, Metres(bar) + " m", 7);
    const double nx0 = pic.x0 + pic.w - 250, ny1 = pic.y0 + 650;
    s.line(nx0, ny1, nx0, ny1 - 450, kInk);
    s.line(nx0, ny1 - 450, nx0 - 90, ny1 - 300, kInk);
    s.line(nx0, ny1 - 450, nx0 + 90, ny1 - 300, kInk);
    s.printAt(nx0 - 60, ny1 + 20, "N", 8);
}

} // namespace

double ReportLayout::planVerdicts(Surface& s) const {
    const Project& p = *in_.project;
    const Summary& sum = in_.summary;
    const std::string site = p.Compliance.SiteName.empty() ? "" : ": " + p.Compliance.SiteName;
    s.printAt(kLeft, 1150, "Exposure compliance" + site, 14);
    const bool planOk = sum.planCalculated && PlaneComplies(sum.maxPercent, sum.planCrossing);
    // The verdict in large type, smaller when it is long enough to leave the page.
    const std::string verdict = planVerdictLine();
    s.printAt(kLeft, 1600, verdict, verdict.size() > 110 ? 8.5 : 10, planOk ? kGreen : kRed);
    double vy = 1950;
    if (const auto line = sectionVerdictLine()) {
        const bool ok = PlaneComplies(*sum.sectionMaxPercent, sum.sectionCrossing);
        s.printAt(kLeft, vy, *line, 8, ok ? kGreen : kRed);
        vy += 250;
    }
    if (signed_) {
        s.printAt(kLeft, vy, signed_->line, 8, signed_->complies ? kGreen : kRed);
        vy += 250;
    }
    // The worst building, floor and place belong to the verdict.
    if (const std::string line = realPlacesLine(); !line.empty()) {
        s.printAt(kLeft, vy, line, 8, realPlacesComply() ? kGreen : kRed);
        vy += 250;
    }
    for (const RuleVerdict& r : in_.rules) {
        s.printAt(kLeft, vy, r.rule.title + ": " + r.text(), 8, r.complies() ? kGreen : kRed);
        vy += 250;
    }
    // What the verdicts rest on: the boundaries a plane reaches into, or the
    // model's blind spots.
    std::vector<std::string> notes;
    if (sum.planCrossing && sum.planCrossing->crosses())
        notes.push_back("The plan crosses the compliance boundaries of " +
                        CrossingText(p, *sum.planCrossing) + ".");
    if (sum.sectionCrossing && sum.sectionCrossing->crosses())
        notes.push_back("The section crosses the compliance boundaries of " +
                        CrossingText(p, *sum.sectionCrossing) + ".");
    if (!FarField(sum)) {
        notes.push_back("Indicative: the program's beam model has blind spots (see Method): ");
        for (const std::string& b : BlindSpots(p))
            notes.back() += b == BlindSpots(p).front() ? b : "; " + b;
    }
    return WrappedNotes(s, notes, std::max(2200.0, vy));
}

void ReportLayout::planMaxima(Surface& s, double cx, double y) const {
    const Project& p = *in_.project;
    const Summary& sum = in_.summary;
    s.printAt(cx, y, "Maxima", 8);
    const auto line = [&](const std::string& t) { s.printAt(cx, y += 230, t, 7); };
    y += 80;
    if (!sum.planCalculated) {
        line("The plan has not been calculated.");
        return;
    }
    line(maximumLine());
    line("at x " + Metres(sum.xM) + " m, y " + Metres(sum.yM) + " m");
    line("lon " + FormatFixed(sum.lon, 6) + ", lat " + FormatFixed(sum.lat, 6));
    const bool field = in_.unit == Unit::VoltPerMetre;
    const int decimals = in_.unit == Unit::MicroWattPerCm2 ? 3 : field ? 2 : 4;
    line(std::string("there ") + (field ? "E = " : "S = ") +
         FormatValue(sum.maxDensityUw, in_.unit, decimals));
    line("  = " + FormatValue(sum.maxDensityUw, Unit::WattPerM2, 4) +
         ", E = " + FormatValue(sum.maxDensityUw, Unit::VoltPerMetre, 2));
    line(field ? "Highest field on the plan:" : "Highest density on the plan:");
    line("  " + FormatValue(p.XY.MaxDensity, in_.unit, decimals));
    if (sum.sectionMaxPercent)
        line("Section maximum " + FormatPercent(*sum.sectionMaxPercent) + " % of the limit");
}

void ReportLayout::planPage(Surface& s) const {
    const Project& p = *in_.project;
    const Summary& sum = in_.summary;
    const double ny0 = planVerdicts(s);
    const double cell = p.CellSize;
    const double mpu = p.MetersPerUnit;
    // The window is the plan's grid; the ratio may be missing (not calculated).
    const int nx = std::max<int>(p.GridNX, 1), ny = std::max<int>(p.GridNY, 1);
    const double uMax = std::min<double>((nx + 1) * cell, area::ScaleWidth);
    const double vMax = std::min<double>((ny + 1) * cell, area::Shape2Top);
    const double top = std::max(2700.0, ny0 + 450);
    const Picture pic = Fit(kLeft + 600, top, 9800, 9100 - top, cell, uMax, cell, vMax);
    const std::vector<double> levels = BandLevels(sum.planCalculated ? sum.maxPercent : 100.0);
    if (sum.planCalculated) {
        // A cell reaching into the strip below the map area is not shown.
        const int jMax = std::min(ny, static_cast<int>((area::Shape2Top - cell) / cell));
        Bands(
            s, pic, p.XY.Ratio, 1, nx, 1, jMax, cell, [&](int j) { return j * cell; }, levels);
        if (FarField(sum)) {
            PictureTraces(s, pic, PlanTraces(p, limits(), envelopes_.get()), cell);
            PictureOutlines(s, pic, p, limits(), cell, envelopes_.get());
        }
    }
    if (p.XZ.Calculated) PlanSectionLine(s, pic, p);
    // Antennas, then the maximum.
    PlanAntennas(s, pic, p);
    if (sum.planCalculated) {
        const double x = pic.px(sum.maxI * cell + cell / 2), y = pic.py(sum.maxJ * cell + cell / 2);
        s.setFillStyle(FillStyle::Transparent);
        s.circle(x, y, 110, kInk);
        // On a white ground, so the label reads over the bands and their lines.
        const std::string label = "max " + FormatPercent(sum.maxPercent) + " %";
        s.filledBox(x + 130, y + 50, x + 160 + 85.0 * static_cast<double>(label.size()), y + 230,
                    render::kWhite);
        s.printAt(x + 150, y + 40, label, 7);
    }
    Frame(s, pic);
    const auto xOf = [&](double u) { return p.OriginX + u * mpu; };
    const auto yOf = [&](double v) { return p.OriginY + (geo::VisibleHeight - v) * mpu; };
    Axes(s, pic, xOf, yOf, "x (m)", "y (m)");
    ScaleBarAndNorth(s, pic, mpu);

    // The right column: legend and maxima.
    const double cx = pic.x0 + pic.w + 700;
    Legend(s, cx, pic.y0, levels);
    double y = pic.y0 + 2400;
    if (FarField(sum)) {
        TraceKey(s, cx, y);
        y += 700;
    }
    planMaxima(s, cx, y);
}

namespace {

// A column of the antenna table: its title and where it starts, at full size.
struct Col {
    const char* title;
    double x;
};

// The name columns of the antenna table and how the table closes up for them.
struct NameColumns {
    std::vector<const AntennaFieldRow*> rows;
    double scale = 1.0;    // of the positions and type sizes
    std::size_t chars = 0; // a name's longest text in its column
};

// Adds a column per field of names some antenna has, sharing the room the
// table leaves at the right when drawn at 78 %.
NameColumns FitNameColumns(const Project& p, std::vector<Col>& cols) {
    NameColumns n;
    for (const AntennaFieldRow& r : AntennaFieldTable())
        if (r.inventory == InventoryPart::Own && r.text && AnyAntennaHas(p, r.id))
            n.rows.push_back(&r);
    if (n.rows.empty()) return n;
    n.scale = 0.78;
    const double from = (cols.back().x + 1800) * n.scale;
    const double width = (kRight - kLeft - from) / static_cast<double>(n.rows.size());
    // About 80 units a character at the smaller body size.
    n.chars = std::max<std::size_t>(8, static_cast<std::size_t>(width / 80));
    for (std::size_t k = 0; k < n.rows.size(); ++k)
        cols.push_back({n.rows[k]->header, (from + width * static_cast<double>(k)) / n.scale});
    return n;
}

// An antenna's ERP: the maximum, and after a slash the reduced one it is
// assessed with when its power factor is not 1.
std::string ErpText(const Antenna& a) {
    const std::string most = FormatFixed(a.AntPower, 0);
    if (AntennaPowerFactor(a) == 1.0) return most;
    return most + "/" + FormatFixed(AssessedPowerW(a), 0);
}

// The table of the antennas' values on the summary's pages: the first rows on
// the first page, the rest on the next ones.
void DrawAntennaTable(const Project& p, const Summary& sum, int index, double y, Surface& s) {
    s.printAt(kLeft, y, "Antennas", 12);
    y += 480;
    std::vector<Col> cols = {
        {"Antenna", 0},
        {"Type", 1150},
        {"Height (m)", 2000},
        {AnyAntennaHas(p, AntennaField::PowerFactor) ? "ERP max/red. (W)" : "ERP (W)", 3150},
        {"Azimuth (deg)", 4100},
        {"Tilt (deg)", 5450},
        {"Frequency (MHz)", 6500},
        {"Limit S (W/m^2)", 7950},
        {"Limit E (V/m)", 9350},
        {"Pattern", 10600},
        {FarField(sum) ? "Boundary front (m)" : "Distance (m)", 12250}};
    // The antennas' names of their own (operator and the like), only when
    // some antenna has one: the columns close up in a smaller type to make
    // room for them at the right.
    const NameColumns names = FitNameColumns(p, cols);
    for (const Col& c : cols)
        s.printAt(kLeft + c.x * names.scale, y, c.title, 7 * names.scale, kGrey);
    y += kRow;
    s.line(kLeft, y - 30, kRight, y - 30, kRule);
    const int n = static_cast<int>(sum.antennas.size());
    const int first = index == 0 ? 0 : kFirstTableRows + (index - 1) * kTableRows;
    const int last = std::min(n, index == 0 ? kFirstTableRows : first + kTableRows);
    for (int k = first; k < last; ++k) {
        const AntennaLine& a = sum.antennas[static_cast<std::size_t>(k)];
        const Antenna& ant = p.Antennas[static_cast<std::size_t>(a.slot)];
        double distance = a.distanceM;
        if (FarField(sum)) {
            distance = 0.0;
            for (const AntennaBoundary& b : sum.boundaries)
                if (b.slot == a.slot) distance = b.extent.front;
        }
        std::vector<std::string> texts = {
            "T" + std::to_string(a.name.tower) + " A" + std::to_string(a.name.number),
            ant.AntType == AntennaKind::Panel   ? "panel"
            : ant.AntType == AntennaKind::Stick ? "stick"
                                                : "none",
            FormatFixed(ant.AntHeight, 1),
            ErpText(ant),
            ant.AntType == AntennaKind::Stick ? "-" : FormatFixed(ant.AntDirection, 0),
            ant.AntType == AntennaKind::Stick ? "-" : FormatFixed(ant.AntTilt, 1),
            FormatFixed(a.frequencyMHz, a.frequencyMHz < 10 ? 3 : 0),
            FormatFixed(a.limitWm2, 2),
            FormatFixed(a.limitVm, 2),
            Clipped(BeamName(p, ant), 20),
            FormatFixed(distance, distance < 10.0 ? 2 : 1)};
        for (const AntennaFieldRow* r : names.rows)
            texts.push_back(Clipped(FieldText(ant, *r), names.chars));
        for (std::size_t c = 0; c < cols.size(); ++c)
            s.printAt(kLeft + cols[c].x * names.scale, y, texts[c], 7.5 * names.scale);
        y += kRow;
    }
    if (n == 0) s.printAt(kLeft, y, "No antenna.", 7.5);
}

} // namespace

void ReportLayout::tablePage(int index, Surface& s) const {
    const Project& p = *in_.project;
    const Summary& sum = in_.summary;
    double y = 1150;
    if (index == 0) {
        s.printAt(kLeft, y, "Compliance summary", 12);
        y += 480;
        if (!sum.planCalculated) {
            s.printAt(kLeft, y, "The plan has not been calculated.", 8);
            y += kRow;
        }
        for (const Verdict& v : sum.verdicts) {
            // The chosen standard's verdict knows the compliance boundaries.
            const bool chosen = &v == &sum.verdicts.front();
            const std::string text =
                chosen ? PlaneVerdictText(v.maxPercent, v.areaAboveM2, sum.planCrossing) : v.text();
            const bool ok = chosen ? PlaneComplies(v.maxPercent, sum.planCrossing) : v.complies();
            s.printAt(kLeft, y, v.title, 8);
            s.printAt(kLeft + 6800, y, text, 8, ok ? kGreen : kRed);
            y += kRow;
        }
        for (const RuleVerdict& r : in_.rules) {
            s.printAt(kLeft, y, r.rule.title, 8);
            s.printAt(kLeft + 6800, y, r.text(), 8, r.complies() ? kGreen : kRed);
            y += kRow;
        }
        if (const std::string line = realPlacesLine(); !line.empty()) {
            s.printAt(kLeft, y, line, 8, realPlacesComply() ? kGreen : kRed);
            y += kRow;
        }
        if (sum.planCalculated) {
            s.printAt(kLeft, y,
                      maximumLine() + " at x " + Metres(sum.xM) + " m, y " + Metres(sum.yM) +
                          " m (lon " + FormatFixed(sum.lon, 6) + ", lat " +
                          FormatFixed(sum.lat, 6) + ")",
                      8);
            y += kRow;
        }
        y += 80;
        s.printAt(
            kLeft, y,
            "The exposure ratio adds over the antennas each antenna's power density divided by "
            "the limit at its frequency; 100 % is at the limit.",
            7, kGrey);
        y += 220;
        s.printAt(
            kLeft, y,
            FarField(sum)
                ? "Boundary front: how far the compliance boundary of the antenna alone reaches "
                  "along the azimuth of its main beam, in its horizontal frame (see Method)."
                : "Compliance distance: from the antenna along the azimuth of its main beam, on "
                  "the beam's axis, beyond which the antenna alone stays below its limit, in "
                  "the program's beam model.",
            7, kGrey);
        y += 420;
    }
    DrawAntennaTable(p, sum, index, y, s);
}

namespace {

// This model computes from the grid nodes: where an antenna stands away
// from its node, the reader is told which and by how much. The y below.
double NodeOffsets(Surface& s, const Project& p, const Summary& sum, double y) {
    std::vector<std::pair<double, int>> off;
    for (const AntennaLine& a : sum.antennas) {
        const double d = NodeOffsetM(p, p.Antennas[static_cast<std::size_t>(a.slot)]);
        if (d >= 0.005) off.emplace_back(-d, a.slot);
    }
    std::sort(off.begin(), off.end());
    if (off.empty()) return y;
    s.printAt(kLeft, y,
              "Positions: this model computes each antenna from its grid node; these stand "
              "away from it (largest first):",
              7.5);
    y += 230;
    std::string list;
    const std::size_t shown = std::min<std::size_t>(off.size(), 6);
    for (std::size_t k = 0; k < shown; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(off[k].second)];
        list += (k ? "; " : "  ") + ShortName(p, off[k].second) +
                (a.AntLabel.empty() ? "" : " " + Clipped(a.AntLabel, 18)) + " " +
                FormatFixed(-off[k].first, 2) + " m";
    }
    if (off.size() > shown) list += "; and " + std::to_string(off.size() - shown) + " more";
    s.printAt(kLeft, y, list, 7.5);
    return y + 230;
}

struct MethodColumn {
    const char* title;
    double x;
};

std::vector<MethodColumn> MethodColumns(bool farField) {
    std::vector<MethodColumn> cols = {{"Antenna", 0}, {"x (m)", 1150}, {"y (m)", 2300},
                                      {"lon", 3450},  {"lat", 4950},   {"Beam", 6450}};
    if (farField) {
        for (const MethodColumn c :
             {MethodColumn{"Front (m)", 9000}, MethodColumn{"Back (m)", 10000},
              MethodColumn{"Side (m)", 11000}, MethodColumn{"Above (m)", 12000},
              MethodColumn{"Below (m)", 13000}})
            cols.push_back(c);
    } else {
        cols.push_back({"Compliance distance (m)", 9000});
    }
    return cols;
}

// One antenna's row of the positions table.
std::vector<std::string> MethodRow(const Project& p, const Summary& sum, const AntennaLine& a) {
    const double mpu = p.MetersPerUnit;
    const Antenna& ant = p.Antennas[static_cast<std::size_t>(a.slot)];
    const geo::Metres m =
        ant.AntExact ? geo::Metres{ant.AntExact->East, ant.AntExact->North}
                     : geo::Metres{ant.AntX * mpu, geo::VisibleHeight * mpu - ant.AntY * mpu};
    // A true position is given to the centimetre; a node as it always was.
    const int places = ant.AntExact ? 7 : 6;
    const std::string name =
        ShortName(p, a.slot) + (ant.AntLabel.empty() ? "" : " " + ant.AntLabel);
    const geo::Cartesian c = geo::ToCartesian(p, m);
    const geo::Geographic ll = geo::ToGeographic(p, m);
    std::string beam = BeamName(p, ant);
    if (!FarField(sum)) {
        // This model has its own beam; a pattern the antenna names waits
        // for the far-field model.
        const bool stick = ant.AntType == AntennaKind::Stick;
        beam = "beam model, open angle " + (stick ? FormatFixed(p.OpenAngleDTS, 1) + "/180 rad"
                                                  : FormatFixed(p.OpenAngleBTS, 1) + " deg");
    } else if (beam == "adaptive") {
        beam += " (" + FormatFixed(ant.AntArrayRows, 0) + " x " +
                FormatFixed(ant.AntArrayColumns, 0) + " elements)";
    } else if (ant.AntPattern.empty()) {
        const antenna::ParametricBeam pb = BeamOf(p, ant).parametric;
        beam += pb.stick ? " (" + FormatFixed(pb.vBeamwidthDeg, 1) + " deg)"
                         : " (" + FormatFixed(pb.hBeamwidthDeg, 0) + " x " +
                               FormatFixed(pb.vBeamwidthDeg, 1) + " deg)";
    }
    std::vector<std::string> texts = {Clipped(name, 15),           FormatFixed(c.X, 2),
                                      FormatFixed(c.Y, 2),         FormatFixed(ll.lon, places),
                                      FormatFixed(ll.lat, places), Clipped(beam, 34)};
    if (FarField(sum)) {
        antenna::BoundaryExtent e, most;
        for (const AntennaBoundary& b : sum.boundaries)
            if (b.slot == a.slot) e = b.extent, most = b.maximum;
        // An antenna assessed below its maximum ERP: its boundary at the
        // reduced ERP, then at the maximum.
        const bool reduced = AntennaPowerFactor(ant) != 1.0;
        const double at[] = {e.front, e.back, e.side, e.above, e.below};
        const double top[] = {most.front, most.back, most.side, most.above, most.below};
        for (std::size_t k = 0; k < std::size(at); ++k)
            texts.push_back(reduced ? FormatFixed(at[k], 1) + "/" + FormatFixed(top[k], 1)
                                    : FormatFixed(at[k], 2));
    } else {
        texts.push_back(FormatFixed(a.distanceM, 2));
    }
    return texts;
}

} // namespace

void ReportLayout::methodPage(int index, Surface& s) const {
    const Project& p = *in_.project;
    const Summary& sum = in_.summary;
    double y = 1150;
    if (index == 0) {
        s.printAt(kLeft, y, "Method", 12);
        y += 480;
        for (const std::string& line : methodLines()) {
            s.printAt(kLeft, y, line, 7.5);
            y += 230;
        }
        if (!FarField(sum)) y = NodeOffsets(s, p, sum, y);
        y += 250;
    }
    const std::string boundaries =
        AnyAntennaHas(p, AntennaField::PowerFactor)
            ? "Antenna positions and compliance boundaries (reduced/maximum ERP)"
            : "Antenna positions and compliance boundaries";
    s.printAt(kLeft, y, FarField(sum) ? boundaries : "Antenna positions", 12);
    y += 480;
    const std::vector<MethodColumn> cols = MethodColumns(FarField(sum));
    for (const MethodColumn& c : cols)
        s.printAt(kLeft + c.x, y, c.title, 7, kGrey);
    y += kRow;
    s.line(kLeft, y - 30, kRight, y - 30, kRule);
    const int n = static_cast<int>(sum.antennas.size());
    const int first = index == 0 ? 0 : kMethodRows + (index - 1) * kTableRows;
    const int last = std::min(n, index == 0 ? kMethodRows : first + kTableRows);
    for (int k = first; k < last; ++k) {
        const std::vector<std::string> texts =
            MethodRow(p, sum, sum.antennas[static_cast<std::size_t>(k)]);
        for (std::size_t col = 0; col < cols.size(); ++col)
            s.printAt(kLeft + cols[col].x, y, texts[col], 7.5);
        y += kRow;
    }
    if (n == 0) s.printAt(kLeft, y, "No antenna.", 7.5);
}

namespace {

// The section's antennas at their heights: where each stands along it (its
// x, or through an antenna its distance along the azimuth, in drawing units
// of the columns, from where the section's model places it).
void SectionAntennas(Surface& s, const Picture& pic, const Project& p, const SectionLine& line,
                     int jLast) {
    const double cell = p.CellSize, mpu = p.MetersPerUnit;
    const auto uOf = [&](int k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        if (!line.through) return AntennaDrawingX(p, a) + cell / 2;
        const auto [ax, ay] = SectionAntennaPosition(p, k);
        const double along = (ax - line.x0) * line.ex + (ay - line.y0) * line.ey;
        return (along / line.step + line.centre) * cell + cell / 2;
    };
    for (int k = 1; k <= std::min<int>(p.AntennaCount, p.AntennaSlotBound()); ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const double x = pic.px(uOf(k));
        const double y = pic.py(jLast * cell + cell / 2 - a.AntHeight / mpu);
        if (x < pic.x0 || x > pic.x0 + pic.w || y < pic.y0 || y > pic.y0 + pic.h) continue;
        s.setFillStyle(FillStyle::Transparent);
        s.box(x - 45, y - 45, x + 45, y + 45, kInk);
        s.printAt(x + 70, y - 200, "T" + std::to_string(a.AntTower), 7);
    }
}

} // namespace

void ReportLayout::sectionPage(Surface& s) const {
    const Project& p = *in_.project;
    const Summary& sum = in_.summary;
    if (!sum.sectionMaxPercent) {
        // Nothing of it is certified: the page says why instead of its numbers.
        const std::string why = ResultStale(p, Plane::XZ)
                                    ? "it was calculated for other antennas, ground or settings"
                                    : "it has no exposure ratio for the chosen standard";
        s.printAt(kLeft, 1150, "No current XZ-plane result: " + SectionCaption(p), 12);
        s.printAt(kLeft, 1550, "The section is left out of this report because " + why + ".", 8);
        s.printAt(kLeft, 1800,
                  "Recalculate it (XZ-Calculation, F6) and write the report again to include it.",
                  8);
        return;
    }
    s.printAt(kLeft, 1150,
              SectionHeadline(p) + ": maximum " + FormatPercent(sum.sectionMaxPercent.value_or(0)) +
                  " % of the limit",
              12);
    if (const auto line = sectionVerdictLine()) {
        const bool ok = PlaneComplies(sum.sectionMaxPercent.value_or(0), sum.sectionCrossing);
        s.printAt(kLeft, 1550, *line, 8, ok ? kGreen : kRed);
    }
    if (signed_) s.printAt(kLeft, 1780, signed_->line, 8, signed_->complies ? kGreen : kRed);
    if (sum.sectionCrossing && sum.sectionCrossing->crosses())
        s.printAt(kLeft, signed_ ? 2010 : 1780,
                  "The section crosses the compliance boundaries of " +
                      CrossingText(p, *sum.sectionCrossing) + ".",
                  6.5, kGrey);
    const double cell = p.CellSize, mpu = p.MetersPerUnit;
    const int nx = std::min<int>(p.GridNX, p.XZ.Ratio.nx());
    // The section's rows: row j lies (jLast - j) cells above the ground line.
    const int jLast = std::min<int>(p.GridNY - p.XZRowOffset - 2, p.XZ.Ratio.ny());
    if (jLast < 1 || nx < 1) return;
    const double uMax = std::min<double>((nx + 1) * cell, area::ScaleWidth);
    // Up to well above the highest antenna: the air above holds nothing to see.
    double top = 0.0;
    for (int k = 1; k <= std::min<int>(p.AntennaCount, p.AntennaSlotBound()); ++k)
        top = std::max(top, p.Antennas[static_cast<std::size_t>(k)].AntHeight);
    const int rows = static_cast<int>(std::ceil(std::max(30.0, 2.5 * top) / (cell * mpu)));
    const int jTop = std::max(0, jLast - rows);
    Picture pic = Fit(kLeft + 600, 2500, 11000, 6500, cell, uMax, jTop * cell, (jLast + 1) * cell);
    // A section is long and low: its heights are stretched to a readable
    // picture, and the caption says by how much.
    const double stretch = std::max(1.0, std::floor(5000.0 / pic.h));
    pic.h *= stretch;
    const std::vector<double> levels = BandLevels(sum.sectionMaxPercent.value_or(100.0));
    Bands(
        s, pic, p.XZ.Ratio, 1, nx, jTop, jLast, cell, [&](int j) { return j * cell; }, levels);
    if (FarField(sum)) PictureTraces(s, pic, SectionTraces(p, limits(), envelopes_.get()), cell);
    const SectionLine line = SectionLineOf(p);
    SectionAntennas(s, pic, p, line, jLast);
    const std::string scale =
        stretch > 1.0 ? "heights stretched " + FormatFixed(stretch, 0) + " times; " : "";
    const std::string runs =
        line.through ? "the section runs along azimuth " + FormatFixed(line.azimuthDeg, 0) +
                           " deg through antenna " + std::to_string(line.antenna) +
                           ", distances from it (negative behind)."
                     : "the section runs along x.";
    s.printAt(pic.x0, pic.y0 + pic.h + 650,
              "Antennas of every tower shown at their heights; " + scale + runs, 6.5, kGrey);
    Frame(s, pic);
    const auto xOf = [&](double u) {
        return line.through ? line.along(u / cell) : p.OriginX + u * mpu;
    };
    const auto hOf = [&](double v) { return (jLast * cell - v) * mpu; };
    Axes(s, pic, xOf, hOf, line.through ? "distance (m)" : "x (m)", "height (m)");
    Legend(s, pic.x0 + pic.w + 600, pic.y0, levels);
    if (FarField(sum)) TraceKey(s, pic.x0 + 7000, pic.y0 + pic.h + 500);
}

} // namespace brenvik::compliance
