#pragma once

#include "model/Project.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// The scalar settings a user edits through the dialogs and tools, with the
// result flags a discarding edit clears. Small enough to keep whole.
struct EditSettings {
    double PlanWidthM = 0, MetersPerUnit = 0;
    std::int16_t GridNX = 0, GridNY = 0, CellSize = 0, XZRowOffset = 0;
    std::int16_t IsolineCount = 0;
    bool XYCalculated = false, XZCalculated = false;
    double OriginX = 0, OriginY = 0, EarthR = 0, OriginLon = 0, OriginLat = 0;
    double OriginMarkX = 0, OriginMarkY = 0, ScaleDistance = 0;
    double RefX = 0, RefY = 0, RefLon = 0, RefLat = 0;
    double EllipsoidA = 0, EllipsoidB = 0;
    double OpenAngleBTS = 0, OpenAngleDTS = 0;
    double ContourHeight = 0;
    ComplianceSettings Compliance;
    ExposureSettings Exposure;
    std::optional<double> TerrainDatumM;
    std::vector<Place> Places; // a handful: kept whole like the rest
    std::vector<Building> Buildings;
    std::vector<Measurement> Measurements;
    friend bool operator==(const EditSettings&, const EditSettings&) = default;
};

// One user action on the project, recorded so that it can be undone and
// redone. It holds what the action changed, not a copy of the project: the
// part it keeps is exchanged with the project's on every undo and redo, so
// the record always holds the other side of the action.
//
// Use: make the record with the constructor for the action just before it
// runs, run the action, then call after(). A record whose action was refused
// or changed nothing is not worth keeping (after() returns false).
//
// A result the action discards is undone with it: clearing the result flags
// is part of the settings, and a re-dimension of the grids hands the old
// grids, results included, to the record (moved, not copied).
//
// Records are undone in the reverse order of their actions; a calculation in
// between is not an edit and its result stays with the grids it was made on.
class Edit {
  public:
    // Placing or erasing towers and antennas, the tower and antenna dialogs:
    // the antenna slots and the counts.
    static Edit antennas(const Project& p);
    // A topographic rectangle between two ground cells (column, row), both
    // inclusive and in any order; the part outside the grid is ignored.
    static Edit groundRect(const Project& p, long long col0, long long row0, long long col1,
                           long long row1);
    // Origin, reference point, curvature radius, antenna parameters, a scale
    // that keeps the work, the compliance choices: the settings alone.
    static Edit settings(const Project& p);
    // Grid size: the settings and every grid the new size replaces, taken
    // out of the project now; the action makes the new ones.
    static Edit gridSize(Project& p);
    // Number of isolines: the settings and the plan's isoline tables.
    static Edit isolineCount(const Project& p);
    // A new scale, typed or measured, which resets the work measured in the
    // old one: the settings, the antennas, the file name and the ground and
    // plan grids, taken out of the project now; the reset makes new ones.
    static Edit scaleReset(Project& p);

    // After the action. `applied` is false when it was refused: whatever the
    // record took out of the project goes back. True when the record holds a
    // change worth an undo step.
    bool after(Project& p, bool applied = true);

    void undo(Project& p) { exchange(p); }
    void redo(Project& p) { exchange(p); }

    // What the record holds, in bytes, roughly: for bounding an undo history.
    std::size_t bytes() const;

  private:
    struct AntennaPart {
        std::vector<Antenna> Antennas;
        std::int16_t AntennaCount = 0, TowerCount = 0, TowerAntCount = 0, TowerAntSel = 0;
        std::vector<AntennaPattern> Patterns; // the patterns the antennas refer to
        friend bool operator==(const AntennaPart&, const AntennaPart&) = default;
    };
    struct RectPart {
        int col0 = 0, row0 = 0, col1 = -1, row1 = -1;
        std::vector<double> values; // column by column
    };
    // The ground grid with the results made on it, each whole: grids, view,
    // maximum, isolines, ratio and stamp, so that an undo never shows one
    // result's isolines or maximum over another's grid.
    struct GridPart {
        Grid2D<double> GroundGrid;
        PlaneResult XY, XZ; // but their flags, which the settings hold
        double XYCalcOffsetX = 0, XYCalcOffsetY = 0, XYCalcZoom = 1;
        std::int16_t CalcAntennaCount = 0;
        std::vector<double> GridXm, GridYm;
        bool section = true; // the section's result is one of them
    };
    // Hands the ground and results of `p` to a new part (the big items moved,
    // the small ones copied).
    static GridPart takeGrids(Project& p, bool section);
    struct IsolinePart {
        std::vector<double> IsolineLevel;
        CrossingTable Isolines, IsolinesAux;
        friend bool operator==(const IsolinePart&, const IsolinePart&) = default;
    };

    explicit Edit(const Project& p);
    void exchange(Project& p);

    EditSettings settings_;
    std::optional<AntennaPart> antennas_;
    std::optional<RectPart> rect_;
    // The elevation model's window a ground edit replaces or drops (none
    // when the record touches no ground).
    std::optional<std::optional<DemWindow>> dem_;
    std::unique_ptr<GridPart> grids_; // held apart: most records have none
    std::optional<IsolinePart> isolines_;
    std::optional<std::string> fileName_;
    bool settingsChanged_ = true;
};

} // namespace brenvik
