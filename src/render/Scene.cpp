#include "render/Scene.h"

#include "calc/CalcForms.h"
#include "model/Project.h"
#include "render/Dominant.h"
#include "render/Dots.h"
#include "render/RealPlaces.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace brenvik::render {

namespace {

const LegalNote kLegalNotes[] = {
    {450.0, "450 uW/cm^2 = Maximum limit allowed in la UE y España"},
    {200.0, "200 uW/cm^2 = Maximum limit allowed in Alemania"},
    {100.0, "100 uW/cm^2 = Maximum limit allowed in Italia"},
    {4.2, "4,2 uW/cm^2 = Maximum limit allowed in Suiza"},
    {0.1, "0,1 uW/cm^2 = Maximum limit allowed in Salzburgo (Austria)"},
};

// Upper bounds of a loop over grid nodes: the grid settings, but never past
// the grid actually held (a grid size just changed may not have been applied
// to every grid yet).
int LastColumn(const Project& p, const Grid2D<double>& g) {
    return std::min<int>(p.GridNX, g.nx());
}
int lastRow(const Project& p, const Grid2D<double>& g) {
    return std::min<int>(p.GridNY, g.ny());
}

// The antenna was placed at another zoom when its factor differs from the
// current one; a factor that is not positive reads as 100 %.
double AntennaFactor(const Antenna& a) {
    return a.AntFactor > 0.0 ? a.AntFactor : 1.0;
}

Rgb AntennaColour(const Project& p, const Antenna& a) {
    if (a.AntFactor == p.Zoom) return markColour(p.Display);
    // An antenna placed at another zoom: purple, a light one on the black
    // background, where the dark purple hardly shows.
    return p.WhiteBackground ? kPurple : Rgb{255, 128, 255};
}

int antennaBound(const Project& p) {
    return std::min<int>(p.AntennaCount, p.AntennaSlotBound());
}

// First row of the ground's base band on the section: the rows below the map
// area's bottom line and one more.
int BaseBandTop(const Project& p) {
    return p.GridNY - p.XZRowOffset - 1;
}

int ReliefCells(const Project& p, double ground) {
    const double cellM = p.CellSize * p.MetersPerUnit;
    if (!(cellM > 0.0) || !std::isfinite(ground)) return 0;
    const double h = std::trunc(ground / cellM);
    return static_cast<int>(std::clamp(h, 0.0, double(std::max(BaseBandTop(p), 0))));
}

// The first k in [from, to) where a[k] and b[k] differ (NaN differs from
// everything), or `to`. Ground is flat over most of a plan, so the scan goes
// eight pairs at a time, a test the compiler can make one vector compare.
int NextDifference(const double* a, const double* b, int from, int to) {
    int k = from;
    for (; k + 8 <= to; k += 8) {
        bool differ = false;
        for (int m = 0; m < 8; ++m)
            differ |= !(a[k + m] == b[k + m]);
        if (differ) break;
    }
    while (k < to && a[k] == b[k])
        ++k;
    return k;
}

} // namespace

Plane currentPlane(const Project& p) {
    return p.CurrentPlane;
}

bool PlaneCalculated(const Project& p, Plane plane) {
    return p.Result(plane).Calculated;
}

Rgb isolineColour(const DisplaySettings& d) {
    return d.IsolineColour;
}
Rgb markColour(const DisplaySettings& d) {
    return d.MarkColour;
}

void drawGridLines(const Project& p, Surface& s) {
    // A tenth of the plan width on screen; the plan width in drawing units is
    // the width of the drawing area.
    const double planUnits =
        p.MetersPerUnit > 0.0 ? p.PlanWidthM / p.MetersPerUnit : double(area::ScaleWidth);
    const double w = p.Zoom * planUnits / 10.0;
    for (int i = 1; i <= 9; ++i) {
        const double x = i * w + p.ScrollOffsetX;
        s.line(x, 0, x, kShape2Top, kOlive);
    }
    // Counted upward from the bottom line of the map area.
    const double bottom = kShape2Top * p.Zoom + p.ScrollOffsetY - kHScrollHeight * p.Zoom;
    for (int i = 1; i <= 10; ++i) {
        const double y = bottom - i * w;
        s.line(0, y, s.scaleWidth() * p.Zoom, y, kOlive);
    }
}

void DrawLegalNotes(Surface& s, bool whiteBackground) {
    // On a screen the notes take a colour that stands out from the back
    // colour and the size of the other labels; paper keeps its small teal.
    const bool readable = s.legibility().readableNotes;
    s.setFontSize(readable ? 8 : 5);
    s.setTextColour(!readable ? kTeal : whiteBackground ? Rgb{0, 96, 96} : Rgb{64, 224, 208});
    s.setTextPosition(0, kShape2Height + 300);
    for (const LegalNote& note : kLegalNotes)
        s.print(note.text);
}

std::span<const LegalNote> LegalNotes() {
    return kLegalNotes;
}

void DrawTopography(const Project& p, Surface& s) {
    const auto& g = p.GroundGrid;
    const int nx = LastColumn(p, g), ny = lastRow(p, g);
    const double c = p.CellSize, z = p.Zoom, ox = p.ScrollOffsetX, oy = p.ScrollOffsetY;
    const double t = c / 3.0;
    // Horizontal dashes between vertically neighbouring nodes; none in the
    // strip below the map area.
    for (int i = 1; i <= nx; ++i) {
        const double x1 = (i * c + t) * z + ox, x2 = ((i + 1) * c - t) * z + ox;
        if (x1 > s.visibleBounds().x2 || x2 < s.visibleBounds().x1) continue;
        const double* col = g.column(i);
        for (int j = NextDifference(col, col + 1, 0, ny); j < ny;
             j = NextDifference(col, col + 1, j + 1, ny)) {
            if ((j + 1) * c > kShape2Top) continue;
            const double y = (j + 1) * c * z + oy;
            s.line(x1, y, x2, y, kGreen);
        }
    }
    // Vertical dashes between horizontally neighbouring nodes.
    for (int i = 0; i < nx; ++i) {
        const double x = (i + 1) * c * z + ox;
        if (x < s.visibleBounds().x1 || x > s.visibleBounds().x2) continue;
        const double* a = g.column(i);
        const double* b = g.column(i + 1);
        for (int j = NextDifference(a, b, 0, ny + 1); j <= ny;
             j = NextDifference(a, b, j + 1, ny + 1))
            s.line(x, (j * c + t) * z + oy, x, ((j + 1) * c - t) * z + oy, kGreen);
    }
    // Height labels where the ground drops along the middle row.
    const int m = p.GridNY / 2;
    if (m > ny) return;
    for (int i = 0; i < nx; ++i) {
        if (g(i + 1, m) < g(i, m)) {
            s.setTextPosition((i + 1) * c * z + ox, m * c * z + oy);
            s.printLabel(FormatShortest(g(i, m)) + " m");
        }
    }
}

void DrawAntennas(const Project& p, Surface& s) {
    s.setFillStyle(FillStyle::Transparent);
    // On a small window a symbol keeps a readable size, still centred on the
    // tower's cell, and the tower's number stands beside it once.
    const double minHalf = s.minSymbolSide() / 2;
    std::vector<std::int16_t> numbered;
    for (int n = 1; n <= antennaBound(p); ++n) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(n)];
        // Where the antenna really stands: its node unless it was put
        // between nodes.
        const Point at = PlanToScreen(p, AntennaDrawingX(p, a), AntennaDrawingY(p, a));
        const double r = p.Zoom / AntennaFactor(a);
        const double cx = at.x + p.CellSize * r / 2, cy = at.y + p.CellSize * r / 2;
        double h = p.CellSize * r / 4;
        if (minHalf > 0) h = std::max(h, minHalf);
        const Rgb colour = AntennaColour(p, a);
        s.box(cx - h, cy - h, cx + h, cy + h, colour);
        if (!s.legibility().towerNumbers ||
            std::find(numbered.begin(), numbered.end(), a.AntTower) != numbered.end())
            continue;
        numbered.push_back(a.AntTower);
        const std::string number = std::to_string(a.AntTower);
        s.setTextColour(colour);
        s.setTextPosition(cx + h * 1.5, cy - s.textExtent(number).height / 2);
        s.print(number);
    }
}

SceneControls DrawPlanScene(const Project& p, Surface& s) {
    SceneControls ctl;
    ctl.geoLinesVisible = true;
    if (p.DisplayMode == ResultStyle::Isolines) s.clear();
    // The section's line follows the zoom and the scrolling like the plan
    // under it (at 100 % without scrolling a grid row's section is the row's
    // own line). A section through an antenna runs along its azimuth over
    // the section's columns.
    const SectionLine line = SectionLineOf(p);
    const double sectionY = line.drawingY * p.Zoom + p.ScrollOffsetY;
    Segment cut{0, sectionY, s.scaleWidth(), sectionY};
    double labelX = 0, labelY = sectionY;
    if (line.through && p.MetersPerUnit > 0.0) {
        const auto at = [&](double along) {
            const auto [x, y] = SectionPoint(line, along);
            return std::pair{x / p.MetersPerUnit * p.Zoom + p.ScrollOffsetX,
                             y / p.MetersPerUnit * p.Zoom + p.ScrollOffsetY};
        };
        std::tie(cut.x1, cut.y1) = at(line.along(0));
        std::tie(cut.x2, cut.y2) = at(line.along(p.GridNX));
        std::tie(labelX, labelY) = at(0.0); // the label at the antenna
    }
    s.setTextPosition(labelX, labelY);
    s.setFillStyle(FillStyle::Transparent);
    s.setTextColour(kYellow);
    if (p.XZ.Calculated) {
        ctl.cortez = cut;
        // A section off the grid's rows also says where it lies.
        s.print(line.through || line.exact ? "corte de plano XZ: " + SectionCaption(p)
                                           : std::string("corte de plano XZ"));
        s.line(cut.x1, cut.y1, cut.x2, cut.y2, kOlive);
    }
    ctl.scrollBarsVisible = true;
    if (p.GridLinesOn) drawGridLines(p, s);
    DrawLegalNotes(s, p.WhiteBackground);
    DrawTopography(p, s);
    DrawRealPlaces(p, s);
    DrawAntennas(p, s);
    return ctl;
}

namespace {

// Where the plan's calculation plane cuts the section, labelled.
void DrawPlaneCut(const Project& p, Surface& s, SceneControls& ctl) {
    if (!(p.XY.Calculated && p.CalcOption == CalcLevel::AtHeight && p.MetersPerUnit > 0.0)) return;
    const double y = kShape2Top - p.CellSize - p.CalcHeight / p.MetersPerUnit - kHScrollHeight;
    ctl.cortexy = Segment{0, y, s.scaleWidth(), y};
    s.setTextPosition(0, y);
    s.setFillStyle(FillStyle::Transparent);
    s.setTextColour(kYellow);
    s.print("corte de plano XY");
    s.line(0, y, s.scaleWidth(), y, kOlive);
}

// The plan's row under the section: its grid row, or the row of the line a
// far-field section lies on.
struct SectionGround {
    const Project& p;
    SectionLine line;
    double cellM;
    int row;
    bool valid;

    explicit SectionGround(const Project& project)
        : p(project), line(SectionLineOf(project)), cellM(project.CellSize * project.MetersPerUnit),
          row(static_cast<int>(project.XZPlaneRow)) {
        const auto& g = p.GroundGrid;
        if (line.exact && cellM > 0.0)
            row = static_cast<int>(
                std::clamp(std::floor(line.planY / cellM), -1.0, double(g.ny()) + 1));
        valid = line.through || (row >= 0 && row <= g.ny());
    }

    // The ground under column i: on the row, or through an antenna under the
    // column's point (the plan's edge beyond it).
    double at(int i) const {
        const auto& g = p.GroundGrid;
        if (!line.through) return g(i, row);
        const auto [x, y] = SectionPoint(line, line.along(i));
        const auto cellOf = [&](double m, int last) {
            const double q = cellM > 0.0 ? std::floor(m / cellM) : 0.0;
            return static_cast<int>(std::clamp(std::isfinite(q) ? q : 0.0, 0.0, double(last)));
        };
        return g(cellOf(x, g.nx()), cellOf(y, g.ny()));
    }
};

void DrawSectionRelief(const Project& p, Surface& s, const SectionGround& ground, int nx,
                       int base) {
    const double c = p.CellSize;
    for (int i = 1; i <= nx; ++i) {
        const int h = ReliefCells(p, ground.at(i));
        for (int u = 1; u <= h; ++u)
            s.filledBox(i * c, (base - u) * c, (i + 1) * c, (base - u + 1) * c, kGreen);
    }
    // Heights where the ground drops, above the top of the higher column.
    s.setTextColour(kTeal);
    for (int i = 0; i < nx; ++i) {
        if (ground.at(i + 1) < ground.at(i)) {
            s.setTextPosition((i + 1) * c, (base - ReliefCells(p, ground.at(i)) - 1) * c);
            s.printLabel(FormatShortest(ground.at(i)) + " m");
        }
    }
}

// Antennas at their height above the ground, counted up from the base band.
void DrawSectionAntennas(const Project& p, Surface& s, const SectionGround& ground, int base) {
    const double c = p.CellSize;
    const auto& g = p.GroundGrid;
    const SectionLine& line = ground.line;
    for (int n = 1; n <= antennaBound(p); ++n) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(n)];
        double x = AntennaDrawingX(p, a) * p.Zoom + p.ScrollOffsetX;
        // Through an antenna: where it stands along the azimuth, and whether
        // it stands on the section (within half a cell of it).
        bool onSection = false;
        if (line.through && line.step > 0.0) {
            // Measured from where the model the section was computed with
            // places the antenna, as the line itself is.
            const auto [axm, aym] = SectionAntennaPosition(p, n);
            const double ax = axm - line.x0, ay = aym - line.y0;
            const double along = ax * line.ex + ay * line.ey;
            x = (along / line.step + line.centre) * c * p.Zoom + p.ScrollOffsetX;
            onSection = std::fabs(ay * line.ex - ax * line.ey) <= ground.cellM / 2;
        }
        const int ci = c > 0 ? static_cast<int>(std::lround(a.AntX / c)) : 0;
        const int cj = c > 0 ? static_cast<int>(std::lround(a.AntY / c)) : 0;
        const double under = g.inBounds(ci, cj) ? g(ci, cj) : 0.0;
        const double up = p.MetersPerUnit > 0.0 ? a.AntHeight / p.MetersPerUnit : 0.0;
        const double y = (base - ReliefCells(p, under)) * c - up;
        double h = c / 7.0 * p.Zoom / AntennaFactor(a);
        if (s.minSymbolSide() > 0) h = std::max(h, s.minSymbolSide() / 2);
        s.filledBox(x - h, y - h, x + h, y + h, AntennaColour(p, a));
        if (line.through ? onSection : ground.valid && cj == ground.row) {
            s.setTextColour(kTeal);
            s.setTextPosition(x + 100, y - 200 - h);
            s.print(std::to_string(n));
        }
    }
}

} // namespace

SceneControls DrawSectionScene(const Project& p, Surface& s) {
    SceneControls ctl;
    ctl.geoLinesVisible = false;
    ctl.scrollBarsVisible = false;
    if (p.DisplayMode == ResultStyle::Isolines) s.clear();
    // The section's texts (plane label, heights, antenna numbers).
    s.setFontSize(8);
    DrawPlaneCut(p, s, ctl);

    const double c = p.CellSize;
    const int nx = LastColumn(p, p.GroundGrid);
    const int base = BaseBandTop(p);
    for (int i = 1; i <= nx; ++i)
        for (int j = std::max(base, 0); j <= p.GridNY; ++j)
            s.filledBox(i * c, j * c, (i + 1) * c, (j + 1) * c, kGreen);

    const SectionGround ground(p);
    if (ground.valid) DrawSectionRelief(p, s, ground, nx, base);
    DrawSectionAntennas(p, s, ground, base);
    return ctl;
}

SceneControls DrawScene(const Project& p, Surface& s, Plane plane) {
    return plane == Plane::XY ? DrawPlanScene(p, s) : DrawSectionScene(p, s);
}

void DrawResults(const Project& p, Surface& s, Plane plane, DotRandom& rnd) {
    switch (StyleShown(p, plane)) {
    case ResultStyle::Isolines:
        DrawIsolines(p, s, plane);
        break;
    case ResultStyle::Gradient:
        DrawGradient(p, s, plane);
        break;
    case ResultStyle::NumericalGrid:
        DrawNumericalGrid(p, s, plane);
        break;
    case ResultStyle::Dots:
        DrawDots(p, s, plane, rnd);
        break;
    case ResultStyle::DominantAntenna:
    case ResultStyle::OperatorShare:
        DrawContributions(p, s);
        break;
    }
}

SceneControls redrawView(const Project& p, Surface& s, DotRandom& rnd) {
    const Plane plane = currentPlane(p);
    s.clear();
    SceneControls ctl = DrawScene(p, s, plane);
    if (PlaneCalculated(p, plane)) DrawResults(p, s, plane, rnd);
    return ctl;
}

} // namespace brenvik::render
