#include "measure/ReportPages.h"

#include "compliance/Places.h"
#include "compliance/Units.h"
#include "measure/DifferenceBands.h"
#include "model/DrawingArea.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace brenvik::measure {

using render::Surface;

namespace {

constexpr double kLeftEdge = 800, kRightEdge = area::ScaleWidth - 800, kPageBottom = 10150;
constexpr Rgb kBlack{0, 0, 0}, kMid{110, 110, 110}, kLight{170, 170, 170};
constexpr double kLineStep = 270;
constexpr int kListRows = 28;
// +-3 dB in decades.
const double kThreeDb = 0.3;

// A density for the tables: four significant digits.
std::string Density(double uw) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.4g", uw);
    return buf;
}

std::string Db(double db) {
    if (std::isinf(db)) return db > 0 ? "+inf" : "-inf";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%+.2f", db);
    return buf;
}

// The label of a decade on the axes: "0.01", "1", "100".
std::string DecadeLabel(int decade) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%g", std::pow(10.0, decade));
    return buf;
}

// The decades spanning every positive value of the points, at least one.
std::pair<int, int> Decades(const std::vector<PairedPoint>& points) {
    double lo = std::numeric_limits<double>::infinity(), hi = 0.0;
    for (const PairedPoint& q : points)
        for (double v : {q.extrapolated, q.predicted})
            if (v > 0.0 && std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    if (!(hi > 0.0)) return {-1, 1};
    const int a = static_cast<int>(std::floor(std::log10(lo)));
    const int b = static_cast<int>(std::ceil(std::log10(hi)));
    return {a, std::max(b, a + 1)};
}

// A position along an axis from `from` to `to` of a value in uW/cm^2.
double Along(const ScatterFrame& f, double v, double from, double to) {
    const double u = (std::log10(v) - f.loDecade) / (f.hiDecade - f.loDecade);
    return from + u * (to - from);
}

} // namespace

MeasurementPages::MeasurementPages(const Project& p)
    : project_(&p), points_(PairMeasurements(p)), agreement_(Summarise(points_)) {
    frame_.left = 1900;
    frame_.top = 2400;
    frame_.right = 7300;
    frame_.bottom = 7800;
    std::tie(frame_.loDecade, frame_.hiDecade) = Decades(points_);
}

int MeasurementPages::pageCount() const {
    const int rows = static_cast<int>(listLines().size());
    return 1 + (rows + kListRows - 1) / kListRows;
}

void MeasurementPages::drawPage(int page, Surface& s) const {
    if (page == 0)
        scatterPage(s);
    else if (page > 0 && page < pageCount())
        listPage(page - 1, s);
}

void MeasurementPages::scatterPage(Surface& s) const {
    s.printAt(kLeftEdge, 1150, "Measurements against the prediction", 12);
    s.printAt(
        kLeftEdge, 1500,
        "Each measurement, extrapolated to full load, beside the prediction at the same point "
        "and height; difference = 10 log10(extrapolated / predicted).",
        7.5, kMid);
    scatterPlot(s);
    statistics(s, 8300, 2400);
    pointsMap(s, 8300, 6300, kRightEdge, 9900);
}

void MeasurementPages::scatterPlot(Surface& s) const {
    const ScatterFrame& f = frame_;
    s.setFillStyle(render::FillStyle::Transparent);
    s.box(f.left, f.top, f.right, f.bottom, kBlack);
    for (int d = f.loDecade; d <= f.hiDecade; ++d) {
        const double x = Along(f, std::pow(10.0, d), f.left, f.right);
        const double y = Along(f, std::pow(10.0, d), f.bottom, f.top);
        s.line(x, f.bottom, x, f.bottom + 80, kBlack);
        s.line(f.left - 80, y, f.left, y, kBlack);
        s.printAt(x - 150, f.bottom + 140, DecadeLabel(d), 7);
        s.printAt(f.left - 900, y - 100, DecadeLabel(d), 7);
    }
    s.printAt(f.left + 800, f.bottom + 450, "Measured, extrapolated (uW/cm^2)", 8);
    s.printAt(f.left - 1000, f.top - 350, "Predicted (uW/cm^2)", 8);
    // The 1:1 line and the lines 3 dB either side, each inside the frame.
    const double span = f.hiDecade - f.loDecade;
    for (double off : {0.0, kThreeDb, -kThreeDb}) {
        const double u0 = std::max(0.0, -off / span), u1 = std::min(1.0, 1.0 - off / span);
        const auto x = [&](double u) { return f.left + u * (f.right - f.left); };
        const auto y = [&](double u) { return f.bottom - (u + off / span) * (f.bottom - f.top); };
        s.line(x(u0), y(u0), x(u1), y(u1), off == 0.0 ? kBlack : kLight);
    }
    s.printAt(f.right - 1300, f.top - 250, "1:1, +-3 dB", 7, kMid);
    int unplotted = 0;
    s.setFillStyle(render::FillStyle::Solid);
    for (const PairedPoint& q : points_) {
        if (!(q.extrapolated > 0.0) || !(q.predicted > 0.0)) {
            ++unplotted;
            continue;
        }
        s.setFillColour(DifferenceColour(q.differenceDb));
        s.circle(Along(f, q.extrapolated, f.left, f.right), Along(f, q.predicted, f.bottom, f.top),
                 70, q.flagged ? Rgb{180, 0, 0} : kBlack);
    }
    s.setFillStyle(render::FillStyle::Transparent);
    if (unplotted > 0)
        s.printAt(f.left, f.bottom + 800,
                  std::to_string(unplotted) +
                      " point(s) with nothing measured or predicted not plotted",
                  7, kMid);
}

void MeasurementPages::statistics(Surface& s, double x, double y) const {
    std::vector<const AgreementStats*> columns{&agreement_.all};
    // Four bands fit beside the plot; the page says how many more there are.
    for (std::size_t k = 0; k < agreement_.bands.size() && k < 4; ++k)
        columns.push_back(&agreement_.bands[k]);
    if (agreement_.bands.size() > 4)
        s.printAt(x + 2900, y - 300,
                  "(" + std::to_string(agreement_.bands.size() - 4) + " more bands not shown)", 7,
                  kMid);
    const double colWidth = 1250, first = x + 2900;
    s.printAt(x, y - 300, "Agreement (dB)", 9);
    for (std::size_t c = 0; c < columns.size(); ++c)
        s.printAt(first + c * colWidth, y, c == 0 ? "All" : columns[c]->band, 7.5);
    const struct {
        const char* title;
        std::string (*cell)(const AgreementStats&);
    } rows[] = {
        {"Points compared", [](const AgreementStats& a) { return std::to_string(a.count); }},
        {"Mean difference", [](const AgreementStats& a) { return Db(a.meanDb); }},
        {"Median difference", [](const AgreementStats& a) { return Db(a.medianDb); }},
        {"Standard deviation",
         [](const AgreementStats& a) { return compliance::FormatFixed(a.stdDevDb, 2); }},
        {"Conservative (%)",
         [](const AgreementStats& a) {
             return compliance::FormatFixed(100 * a.conservativeShare, 1);
         }},
        {"Flagged", [](const AgreementStats& a) { return std::to_string(a.flagged); }},
    };
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        const double ry = y + (r + 1) * kLineStep;
        s.printAt(x, ry, rows[r].title, 7.5);
        for (std::size_t c = 0; c < columns.size(); ++c)
            s.printAt(first + c * colWidth, ry, rows[r].cell(*columns[c]), 7.5);
    }
    double wy = y + (std::size(rows) + 2) * kLineStep;
    s.printAt(x, wy, "Worst under-predictions", 9);
    if (agreement_.all.worst.empty()) s.printAt(x, wy + kLineStep, "none", 7.5, kMid);
    for (int k : agreement_.all.worst) {
        wy += kLineStep;
        const PairedPoint& q = points_[static_cast<std::size_t>(k)];
        s.printAt(x, wy, q.name.empty() ? "(unnamed)" : q.name, 7.5);
        s.printAt(first, wy, Db(q.differenceDb) + " dB", 7.5);
    }
}

void MeasurementPages::pointsMap(Surface& s, double x0, double y0, double x1, double y1) const {
    const Project& p = *project_;
    // The points and the antennas, with a margin, at one scale for both axes.
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    const auto take = [&](double x, double y) {
        lo[0] = std::min(lo[0], x), hi[0] = std::max(hi[0], x);
        lo[1] = std::min(lo[1], y), hi[1] = std::max(hi[1], y);
    };
    for (const Measurement& m : p.Measurements)
        take(m.X, m.Y);
    for (int k = 1; k <= p.AntennaCount && k < p.AntennaSlotBound() + 1; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        take(AntennaDrawingX(p, a), AntennaDrawingY(p, a));
    }
    const double w = std::max(hi[0] - lo[0], 1.0), h = std::max(hi[1] - lo[1], 1.0);
    const double scale = std::min((x1 - x0) / (w * 1.2), (y1 - y0 - 400) / (h * 1.2));
    const double cx = (x0 + x1) / 2, cy = (y0 + 400 + y1) / 2;
    const auto mapX = [&](double x) { return cx + (x - (lo[0] + hi[0]) / 2) * scale; };
    const auto mapY = [&](double y) { return cy + (y - (lo[1] + hi[1]) / 2) * scale; };
    s.printAt(x0, y0 - 300, "Map of the points by difference", 9);
    s.setFillStyle(render::FillStyle::Transparent);
    s.box(x0, y0, x1, y1, kLight);
    double lx = x0 + 100;
    for (const DifferenceBand& b : DifferenceBands()) {
        s.filledBox(lx, y0 + 100, lx + 150, y0 + 250, b.colour);
        s.printAt(lx + 200, y0 + 80, b.label, 6);
        lx += 1200;
    }
    for (int k = 1; k <= p.AntennaCount && k < p.AntennaSlotBound() + 1; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const double ax = mapX(AntennaDrawingX(p, a)), ay = mapY(AntennaDrawingY(p, a));
        s.filledBox(ax - 50, ay - 50, ax + 50, ay + 50, kBlack);
    }
    s.setFillStyle(render::FillStyle::Solid);
    for (std::size_t k = 0; k < points_.size(); ++k) {
        s.setFillColour(DifferenceColour(points_[k].differenceDb));
        s.circle(mapX(p.Measurements[k].X), mapY(p.Measurements[k].Y), 60, kBlack);
    }
    s.setFillStyle(render::FillStyle::Transparent);
}

std::vector<MeasurementPages::Line> MeasurementPages::listLines() const {
    std::vector<Line> out;
    out.push_back({true, {"Flagged points"}});
    for (const PairedPoint& q : points_)
        if (q.flagged) out.push_back({false, {q.name, q.band, FlagReason(q)}});
    if (out.size() == 1) out.push_back({false, {"none"}});
    out.push_back({true, {"Every point and the value it is assessed by"}});
    out.push_back({false,
                   {"Point", "Band", "Measured", "Extrapolated", "Predicted", "Difference (dB)",
                    "Assessed", "From"}});
    for (const PairedPoint& q : points_)
        out.push_back(
            {false,
             {q.name, q.band, Density(q.measured), Density(q.extrapolated), Density(q.predicted),
              Db(q.differenceDb), Density(q.assessed), AssessedSource(q)}});
    return out;
}

void MeasurementPages::listPage(int index, Surface& s) const {
    static constexpr double kCols[] = {0, 2600, 3900, 5400, 6900, 8400, 10000, 11500};
    const std::vector<Line> lines = listLines();
    s.printAt(kLeftEdge, 1150, "Measurements: points (densities in uW/cm^2)", 12);
    double y = 1700;
    const std::size_t first = static_cast<std::size_t>(index) * kListRows;
    for (std::size_t k = first; k < lines.size() && k < first + kListRows; ++k) {
        const Line& l = lines[k];
        if (l.heading) {
            if (k > first) y += kLineStep / 2;
            s.printAt(kLeftEdge, y, l.cells.front(), 9);
        } else if (l.cells.size() == 3) {
            // A flagged point: its name and band, then the reason.
            s.printAt(kLeftEdge, y, l.cells[0], 7.5);
            s.printAt(kLeftEdge + kCols[1], y, l.cells[1], 7.5);
            s.printAt(kLeftEdge + kCols[2], y, l.cells[2], 7.5);
        } else {
            for (std::size_t c = 0; c < l.cells.size() && c < std::size(kCols); ++c)
                s.printAt(kLeftEdge + kCols[c], y, l.cells[c], 7.5);
        }
        y += kLineStep;
        if (y > kPageBottom - kLineStep) break;
    }
}

} // namespace brenvik::measure
