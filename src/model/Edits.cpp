#include "model/Edits.h"

#include <algorithm>
#include <utility>

namespace brenvik {

namespace {

// Calls f(project item, settings item) for every item of EditSettings.
template <class P, class S, class F> void EachSetting(P& p, S& s, F f) {
    f(p.PlanWidthM, s.PlanWidthM);
    f(p.MetersPerUnit, s.MetersPerUnit);
    f(p.GridNX, s.GridNX);
    f(p.GridNY, s.GridNY);
    f(p.CellSize, s.CellSize);
    f(p.XZRowOffset, s.XZRowOffset);
    f(p.IsolineCount, s.IsolineCount);
    f(p.XY.Calculated, s.XYCalculated);
    f(p.XZ.Calculated, s.XZCalculated);
    f(p.OriginX, s.OriginX);
    f(p.OriginY, s.OriginY);
    f(p.EarthR, s.EarthR);
    f(p.OriginLon, s.OriginLon);
    f(p.OriginLat, s.OriginLat);
    f(p.OriginMarkX, s.OriginMarkX);
    f(p.OriginMarkY, s.OriginMarkY);
    f(p.ScaleDistance, s.ScaleDistance);
    f(p.RefX, s.RefX);
    f(p.RefY, s.RefY);
    f(p.RefLon, s.RefLon);
    f(p.RefLat, s.RefLat);
    f(p.EllipsoidA, s.EllipsoidA);
    f(p.EllipsoidB, s.EllipsoidB);
    f(p.OpenAngleBTS, s.OpenAngleBTS);
    f(p.OpenAngleDTS, s.OpenAngleDTS);
    f(p.ContourHeight, s.ContourHeight);
    f(p.Compliance, s.Compliance);
    f(p.Exposure, s.Exposure);
    f(p.TerrainDatumM, s.TerrainDatumM);
    f(p.Places, s.Places);
    f(p.Buildings, s.Buildings);
    f(p.Measurements, s.Measurements);
}

EditSettings SettingsOf(const Project& p) {
    EditSettings s;
    EachSetting(p, s, [](const auto& from, auto& to) { to = from; });
    return s;
}

template <class T> std::size_t VectorBytes(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

std::size_t TableBytes(const CrossingTable& t) {
    std::size_t n = 0;
    for (int k = 0; k <= t.levels(); ++k)
        n += VectorBytes(t.row(k)) + sizeof(std::vector<CrossingTable::Entry>);
    return n;
}

// The rectangle's nodes and the project's exchanged, column by column.
void ExchangeRect(Grid2D<double>& g, int col0, int row0, int col1, int row1,
                  std::vector<double>& values) {
    const std::size_t rows = static_cast<std::size_t>(row1 - row0 + 1);
    if (col1 < col0 || row1 < row0 || !g.inBounds(col1, row1) ||
        values.size() != static_cast<std::size_t>(col1 - col0 + 1) * rows)
        return; // not the grid the rectangle was taken from
    for (int i = col0; i <= col1; ++i)
        std::swap_ranges(g.column(i) + row0, g.column(i) + row1 + 1,
                         values.begin() + static_cast<std::ptrdiff_t>((i - col0) * rows));
}

// Calls f(project item, record item) for the ground grid and every item of the
// plan's result, and of the section's when the record holds it.
// Calls f(project item, record item) for every item of a plane's result but
// its flag, which the settings hold.
template <class R, class F> void EachResultItem(R& p, R& g, F f) {
    f(p.Density, g.Density);
    f(p.Ratio, g.Ratio);
    f(p.MaxDensity, g.MaxDensity);
    f(p.MinDensity, g.MinDensity);
    f(p.MaxPosX, g.MaxPosX);
    f(p.MaxPosY, g.MaxPosY);
    f(p.IsolineLevel, g.IsolineLevel);
    f(p.Isolines, g.Isolines);
    f(p.IsolinesAux, g.IsolinesAux);
    f(p.Stamp, g.Stamp);
}

template <class P, class G, class F> void EachGridItem(P& p, G& g, F f) {
    f(p.GroundGrid, g.GroundGrid);
    EachResultItem(p.XY, g.XY, f);
    f(p.XYCalcOffsetX, g.XYCalcOffsetX);
    f(p.XYCalcOffsetY, g.XYCalcOffsetY);
    f(p.XYCalcZoom, g.XYCalcZoom);
    f(p.CalcAntennaCount, g.CalcAntennaCount);
    f(p.GridXm, g.GridXm);
    f(p.GridYm, g.GridYm);
    if (g.section) EachResultItem(p.XZ, g.XZ, f);
}

// The big items leave the project empty until the action makes new ones; the
// small ones are copied, so the project keeps a consistent shape meanwhile.
template <class T> void TakeItem(T& from, T& to) {
    to = from;
}
void TakeItem(Grid2D<double>& from, Grid2D<double>& to) {
    to = std::exchange(from, Grid2D<double>());
}
void TakeItem(CrossingTable& from, CrossingTable& to) {
    to = std::exchange(from, CrossingTable());
}

} // namespace

Edit::GridPart Edit::takeGrids(Project& p, bool section) {
    GridPart g;
    g.section = section;
    EachGridItem(p, g, [](auto& from, auto& to) { TakeItem(from, to); });
    return g;
}

Edit::Edit(const Project& p) : settings_(SettingsOf(p)) {}

Edit Edit::antennas(const Project& p) {
    Edit e(p);
    e.antennas_ = AntennaPart{p.Antennas,      p.AntennaCount, p.TowerCount,
                              p.TowerAntCount, p.TowerAntSel,  p.Patterns};
    return e;
}

Edit Edit::groundRect(const Project& p, long long col0, long long row0, long long col1,
                      long long row1) {
    Edit e(p);
    const auto& g = p.GroundGrid;
    RectPart r;
    r.col0 = static_cast<int>(std::clamp<long long>(std::min(col0, col1), 0, g.nx()));
    r.col1 = static_cast<int>(std::clamp<long long>(std::max(col0, col1), -1, g.nx()));
    r.row0 = static_cast<int>(std::clamp<long long>(std::min(row0, row1), 0, g.ny()));
    r.row1 = static_cast<int>(std::clamp<long long>(std::max(row0, row1), -1, g.ny()));
    if (std::max(col0, col1) < 0 || std::min(col0, col1) > g.nx() || std::max(row0, row1) < 0 ||
        std::min(row0, row1) > g.ny())
        r.col1 = r.col0 - 1; // wholly outside: nothing to keep
    for (int i = r.col0; i <= r.col1; ++i)
        r.values.insert(r.values.end(), g.column(i) + r.row0, g.column(i) + r.row1 + 1);
    e.rect_ = std::move(r);
    // A ground edit replaces (an import) or drops (a rectangle) the model
    // places stand on; undo brings it back with the grid.
    e.dem_ = p.Dem;
    return e;
}

Edit Edit::settings(const Project& p) {
    return Edit(p);
}

Edit Edit::gridSize(Project& p) {
    Edit e(p);
    // The action replaces the grids and discards the results made on them:
    // they are handed over instead of copied.
    e.grids_ = std::make_unique<GridPart>(takeGrids(p, true));
    return e;
}

Edit Edit::scaleReset(Project& p) {
    Edit e = antennas(p);
    e.fileName_ = p.FileName;
    // The reset re-creates the ground and plan grids; the section's stays.
    e.grids_ = std::make_unique<GridPart>(takeGrids(p, false));
    e.dem_ = p.Dem; // the reset drops the model with the ground
    return e;
}

Edit Edit::isolineCount(const Project& p) {
    Edit e(p);
    e.isolines_ = IsolinePart{p.XY.IsolineLevel, p.XY.Isolines, p.XY.IsolinesAux};
    return e;
}

bool Edit::after(Project& p, bool applied) {
    // Grids the action did not replace are the project's still.
    if (grids_ && p.GroundGrid.size() == 1 && grids_->GroundGrid.size() != 1) applied = false;
    if (!applied) {
        // Refused: the project keeps what it had, and the record nothing.
        if (grids_) EachGridItem(p, *grids_, [](auto& a, auto& b) { a = std::move(b); });
        grids_.reset();
        fileName_.reset();
        antennas_.reset();
        rect_.reset();
        isolines_.reset();
        settingsChanged_ = false;
        return false;
    }
    // Parts the action left as they were need no exchange.
    settingsChanged_ = !(settings_ == SettingsOf(p));
    if (antennas_ && *antennas_ == AntennaPart{p.Antennas, p.AntennaCount, p.TowerCount,
                                               p.TowerAntCount, p.TowerAntSel, p.Patterns})
        antennas_.reset();
    if (rect_) {
        bool same = true;
        std::size_t k = 0;
        for (int i = rect_->col0; same && i <= rect_->col1; ++i)
            for (int j = rect_->row0; same && j <= rect_->row1; ++j)
                same = p.GroundGrid.inBounds(i, j) && p.GroundGrid(i, j) == rect_->values[k++];
        if (same) rect_.reset();
    }
    if (isolines_ && *isolines_ == IsolinePart{p.XY.IsolineLevel, p.XY.Isolines, p.XY.IsolinesAux})
        isolines_.reset();
    if (fileName_ && *fileName_ == p.FileName) fileName_.reset();
    return settingsChanged_ || antennas_ || rect_ || grids_ || isolines_ || fileName_;
}

void Edit::exchange(Project& p) {
    if (settingsChanged_) EachSetting(p, settings_, [](auto& a, auto& b) { std::swap(a, b); });
    if (antennas_) {
        std::swap(p.Antennas, antennas_->Antennas);
        std::swap(p.AntennaCount, antennas_->AntennaCount);
        std::swap(p.TowerCount, antennas_->TowerCount);
        std::swap(p.TowerAntCount, antennas_->TowerAntCount);
        std::swap(p.TowerAntSel, antennas_->TowerAntSel);
        std::swap(p.Patterns, antennas_->Patterns);
    }
    if (rect_)
        ExchangeRect(p.GroundGrid, rect_->col0, rect_->row0, rect_->col1, rect_->row1,
                     rect_->values);
    if (dem_) std::swap(p.Dem, *dem_);
    if (grids_) EachGridItem(p, *grids_, [](auto& a, auto& b) { std::swap(a, b); });
    if (fileName_) std::swap(p.FileName, *fileName_);
    if (isolines_) {
        std::swap(p.XY.IsolineLevel, isolines_->IsolineLevel);
        std::swap(p.XY.Isolines, isolines_->Isolines);
        std::swap(p.XY.IsolinesAux, isolines_->IsolinesAux);
    }
}

std::size_t Edit::bytes() const {
    std::size_t n = sizeof(Edit);
    if (antennas_) {
        n += VectorBytes(antennas_->Antennas);
        // The texts of a record outgrow the small-string buffer only rarely.
        for (const Antenna& a : antennas_->Antennas)
            n += a.AntPattern.capacity() + a.AntSite.capacity() + a.AntLabel.capacity();
        for (const AntennaPattern& q : antennas_->Patterns)
            n += sizeof q +
                 (q.Horizontal.Angle.size() + q.Vertical.Angle.size()) * 2 * sizeof(double);
    }
    if (rect_) n += VectorBytes(rect_->values);
    if (dem_ && *dem_) n += VectorBytes((*dem_)->Heights) + (*dem_)->CrsWkt.capacity();
    if (grids_)
        n += sizeof(GridPart) +
             (grids_->GroundGrid.size() + grids_->XY.Density.size() + grids_->XY.Ratio.size() +
              grids_->XZ.Density.size() + grids_->XZ.Ratio.size()) *
                 sizeof(double) +
             TableBytes(grids_->XY.Isolines) + TableBytes(grids_->XY.IsolinesAux) +
             TableBytes(grids_->XZ.Isolines) + TableBytes(grids_->XZ.IsolinesAux);
    if (isolines_)
        n += VectorBytes(isolines_->IsolineLevel) + TableBytes(isolines_->Isolines) +
             TableBytes(isolines_->IsolinesAux);
    return n;
}

} // namespace brenvik
