// The report's pages of real places: each building's floors and the places
// of sensitive use, after the other pages.
#include "compliance/ReportLayout.h"
#include "compliance/Units.h"
#include "model/DrawingArea.h"

#include <algorithm>

namespace brenvik::compliance {

namespace {

using render::Rgb;
using render::Surface;

constexpr double kLeft = 800;
constexpr Rgb kInk{0, 0, 0}, kGrey{110, 110, 110}, kRule{170, 170, 170};
constexpr int kRowsPerPage = 28;
constexpr double kRow = 270;

std::string Num(double v, int decimals) {
    return FormatFixed(v, decimals);
}

// One line of the pages: a heading, a table's column titles, or a row.
struct Line {
    enum Kind { Heading, Titles, Row, Note } kind;
    std::vector<std::string> cells;
};

constexpr double kBuildingCols[] = {0, 3600, 5600, 7400, 9300, 11000, 12400};
constexpr double kPlaceCols[] = {0, 3000, 4300, 6200, 7900, 9300, 10900, 12300};

std::vector<Line> Lines(const ReportInput& in) {
    std::vector<Line> out;
    const Project& p = *in.project;
    if (p.TerrainDatumM)
        out.push_back({Line::Note,
                       {"Ground heights are relative to the lowest elevation-model value inside "
                        "the plan, " +
                        Num(*p.TerrainDatumM, 2) + " m."}});
    if (!in.buildings.empty()) {
        out.push_back({Line::Heading, {"Buildings"}});
        out.push_back(
            {Line::Note,
             {"Each floor evaluated exactly at 1.5 m above its level, along the facade "
              "every metre and inside on the calculation's cell step; its worst point."}});
        for (const BuildingValue& b : in.buildings) {
            const std::string name = b.name.empty() ? b.id : b.name + " (" + b.id + ")";
            out.push_back({Line::Heading,
                           {name + ": worst floor " + std::to_string(b.worstFloor().floor) + ", " +
                            FormatPercent(b.worstFloor().percent) + " %"}});
            out.push_back(
                {Line::Titles,
                 {"Floor", "Level (m)", "S (uW/cm^2)", "E (V/m)", "% of limit", "lon", "lat"}});
            for (const FloorValue& f : b.floors)
                out.push_back({Line::Row,
                               {std::to_string(f.floor) + (f.floor == b.worst ? " (worst)" : ""),
                                Num(f.baseM, 1), Num(f.sUw, 6), Num(f.eVm, 3),
                                FormatPercent(f.percent), Num(f.lon, 6), Num(f.lat, 6)}});
        }
    }
    if (!in.places.empty()) {
        out.push_back({Line::Heading, {"Places of sensitive use"}});
        out.push_back({Line::Titles,
                       {"Place", "Kind", "S (uW/cm^2)", "E (V/m)", "% of limit", "Main antenna",
                        "Distance (m)", "Az / El (deg)"}});
        for (const PlaceValue& v : in.places) {
            const AntennaAtPlace* a = v.antennas.empty() ? nullptr : &v.antennas.front();
            out.push_back({Line::Row,
                           {v.name, v.kind, Num(v.sUw, 6), Num(v.eVm, 3), FormatPercent(v.percent),
                            a ? a->label : "-", a ? Num(a->directM, 1) : "-",
                            a ? Num(a->azimuthDeg, 0) + " / " + Num(a->elevationDeg, 1) : "-"}});
        }
    }
    return out;
}

} // namespace

std::string ReportLayout::realPlacesLine() const {
    std::string out;
    const BuildingValue* worstB = nullptr;
    for (const BuildingValue& b : in_.buildings)
        if (!worstB || b.worstFloor().percent > worstB->worstFloor().percent) worstB = &b;
    if (worstB)
        out = "Worst building: " +
              (worstB->name.empty() ? worstB->id : worstB->name + " (" + worstB->id + ")") +
              ", floor " + std::to_string(worstB->worstFloor().floor) + ": " +
              FormatPercent(worstB->worstFloor().percent) + " % of the limit";
    const PlaceValue* worstP = nullptr;
    for (const PlaceValue& v : in_.places)
        if (!worstP || v.percent > worstP->percent) worstP = &v;
    if (worstP)
        out += (out.empty() ? "Worst place: " : "; worst place: ") + worstP->name + ": " +
               FormatPercent(worstP->percent) + " %" + (worstB ? "" : " of the limit");
    return out;
}

bool ReportLayout::realPlacesComply() const {
    for (const BuildingValue& b : in_.buildings)
        if (!b.floors.empty() && b.worstFloor().percent > 100.0) return false;
    for (const PlaceValue& v : in_.places)
        if (v.percent > 100.0) return false;
    return true;
}

int ReportLayout::realPlacesPageCount() const {
    if (in_.buildings.empty() && in_.places.empty()) return 0;
    const int n = static_cast<int>(Lines(in_).size()) + 2;
    return (n + kRowsPerPage - 1) / kRowsPerPage;
}

void ReportLayout::realPlacesPage(int index, Surface& s) const {
    const std::vector<Line> lines = Lines(in_);
    double y = 1150;
    int first = index * kRowsPerPage - (index > 0 ? 2 : 0);
    int last = first + kRowsPerPage - (index == 0 ? 2 : 0);
    if (index == 0) {
        s.printAt(kLeft, y, "Buildings and places", 12);
        y += 480;
        s.printAt(kLeft, y, realPlacesLine(), 8);
        y += kRow + 80;
    }
    // The table a row belongs to decides its columns.
    const double* cols = kBuildingCols;
    for (int k = 0; k < static_cast<int>(lines.size()) && k < last; ++k) {
        const Line& l = lines[static_cast<std::size_t>(k)];
        if (l.kind == Line::Heading)
            cols = l.cells.front() == "Places of sensitive use" ? kPlaceCols : kBuildingCols;
        if (k < first) continue;
        switch (l.kind) {
        case Line::Heading:
            s.printAt(kLeft, y + 60, l.cells.front(), 9);
            y += kRow + 60;
            break;
        case Line::Note:
            s.printAt(kLeft, y, l.cells.front(), 7, kGrey);
            y += kRow;
            break;
        case Line::Titles:
        case Line::Row:
            for (std::size_t c = 0; c < l.cells.size(); ++c)
                s.printAt(kLeft + cols[c], y, l.cells[c], l.kind == Line::Titles ? 7 : 7.5,
                          l.kind == Line::Titles ? kGrey : kInk);
            if (l.kind == Line::Titles)
                s.line(kLeft, y + kRow - 30, kLeft + 14000, y + kRow - 30, kRule);
            y += kRow;
            break;
        }
    }
}

} // namespace brenvik::compliance
