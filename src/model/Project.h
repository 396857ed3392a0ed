#pragma once

#include "model/AntennaPattern.h"
#include "model/CrossingTable.h"
#include "model/DisplaySettings.h"
#include "model/DrawingArea.h"
#include "model/Buildings.h"
#include "model/Grid2D.h"
#include "model/Places.h"
#include "model/Variant.h"
#include "model/ViewState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// The carrier frequencies an antenna may have, in MHz: 100 kHz to 300 GHz.
inline constexpr double MinAntennaFrequencyMHz = 0.1;
inline constexpr double MaxAntennaFrequencyMHz = 300000.0;

// One antenna record. A tower has no record of its own: it is the set of
// antennas that share `AntTower`.
struct Antenna {
    double AntHeight = 0.0;     // metres above the ground (floors are stored × 3.0)
    double AntTilt = 0.0;       // angle of fall, degrees, positive = beam down
    std::string AntPowerMode;   // "maxima", "media" or "otra"
    double AntPower = 0.0;      // ERP watts
    double AntDirection = 0.0;  // azimuth, degrees clockwise from the top of the plan
    std::string AntHeightUnit;  // "pisos" when entered in floors, else " "
    std::string AntType;        // "alta" = BTS (panel), "baja" = DTS (stick)
    std::int16_t AntTower = 0;  // number of the carrying tower
    std::int16_t AntNumber = 0; // number of antennas on that tower
    double AntX = 0.0;          // plan position, drawing units
    double AntY = 0.0;
    double AntFactor = 1.0;         // the zoom in force when the antenna was placed
    Variant AntCellX;               // derived: AntX / CellSize
    std::int16_t AntCellY = 0;      // derived: round(AntY / CellSize)
    double AntFrequencyMHz = 900.0; // carrier; kept in the file's extension block
    // The beam of the far-field model, kept in the extension block.
    std::string AntPattern{};          // Name of one of Project::Patterns; empty: parametric
    double AntHBeamwidthDeg = 90.0;    // parametric horizontal half-power beamwidth
    double AntVBeamwidthDeg = 0.0;     // parametric vertical one; 0: twice the type's open angle
    double AntElectricalTiltDeg = 0.0; // parametric electrical tilt, degrees down
    friend bool operator==(const Antenna&, const Antenna&) = default;
};

// One source record of the older air-pollution model, carried unchanged.
struct LegacySource {
    double LegacyEmission = 0.0;
    double LegacyExitSpeed = 0.0;
    double LegacyGasTemp = 0.0;
    std::int16_t LegacyKind = 0;
    double LegacyD1 = 0.0, LegacyD2 = 0.0, LegacyD3 = 0.0, LegacyD4 = 0.0, LegacyD5 = 0.0;
    friend bool operator==(const LegacySource&, const LegacySource&) = default;
};

// Whose reference levels a compliance answer uses.
enum class Population { Public, Occupational };

// The compliance choices of a project, kept in the file's extension block
// (written only when they differ from these defaults).
struct ComplianceSettings {
    std::string Standard = "icnirp-2020"; // an id of the limits library
    Population Group = Population::Public;
    std::string SiteName;
    std::string Assessor; // who signs the report
    friend bool operator==(const ComplianceSettings&, const ComplianceSettings&) = default;
};

// The fingerprints of the inputs a plane's result was computed from
// (model/ResultStamp.h); 0: none.
struct ResultStamps {
    std::uint64_t density = 0; // the density, its maximum and isolines
    std::uint64_t ratio = 0;   // the exposure ratio grid; 0: no ratio
    friend bool operator==(const ResultStamps&, const ResultStamps&) = default;
};

// The pointer tool that the clicks on the plan go to.
enum class PointerToolKind {
    Select,         // a click on an antenna opens its dialog
    PlaceAntenna,   // the next click places the antenna being defined
    ReferencePoint, // the next click sets the reference point
    PlaceTower,     // the next click places the tower being defined
    Topographic,    // drags rectangles of a ground height
    ScaleMeasure,   // two clicks measure the scale distance
    Erase,          // clicks and drags remove antennas
};

// Pointer-tool state of the main window; all off at start-up and after ResetTools.
struct ToolFlags {
    PointerToolKind Active = PointerToolKind::Select;
    bool TowerToolOn = false;     // the tower picture is pressed
    bool TowerDialogOpen = false; // a tower is being defined
    bool AverageToolOn = false;
    bool EditMode = false;       // a placed antenna or tower is being edited
    std::int16_t ClickCount = 0; // clicks of the scale measure so far

    void arm(PointerToolKind tool) { Active = tool; }
    // Ends `tool` when it is the active one.
    void end(PointerToolKind tool) {
        if (Active == tool) Active = PointerToolKind::Select;
    }
    bool placing() const {
        return Active == PointerToolKind::PlaceAntenna || Active == PointerToolKind::PlaceTower;
    }
    // An accepted definition arms its placement, a second accept disarms it:
    // a tower while a tower is being defined, otherwise a single antenna.
    void togglePlacement() {
        if (placing())
            Active = PointerToolKind::Select;
        else
            Active = TowerDialogOpen ? PointerToolKind::PlaceTower : PointerToolKind::PlaceAntenna;
    }
    void endPlacement() {
        if (placing()) Active = PointerToolKind::Select;
    }
};

// The one open project: every stored, derived and transient item of the
// program. Whoever needs the state is handed this document.
class Project {
  public:
    Project();

    // ---- 1. File identity (transient) -------------------------------------
    std::string FileName;
    PendingCommand PendingAction = PendingCommand::None;

    // ---- 2. Format ---------------------------------------------------------
    std::int16_t FormatVersion = 2;

    // ---- 3. Plan geometry and scale -----------------------------------------
    double PlanWidthM = 150.0;
    std::int16_t GridNX = 100;
    double MetersPerUnit = 0.0;   // derived
    std::int16_t GridNY = 0;      // derived
    std::int16_t CellSize = 0;    // derived
    std::int16_t XZRowOffset = 0; // derived: rows of the strip below the map area

    // ---- 4. Antennas ---------------------------------------------------------
    std::int16_t AntennaCount = 0;
    std::int16_t TowerCount = 0;
    // Slots 0..bound; slot 0 holds no antenna. Slots beyond AntennaCount are the
    // pending slots of a tower or antenna being defined.
    std::vector<Antenna> Antennas{1};
    std::int16_t TowerAntCount = 1; // antennas of the tower being defined
    std::int16_t TowerAntSel = 1;   // antenna chosen in the tower dialog's combo

    // Defaults for the first antenna of a new tower (kept for the whole run).
    std::string DefType = "alta";
    double DefHeight = 12.0;
    std::string DefHeightUnit = "pisos";
    std::string DefPowerMode = "maxima";
    double DefPower = 1600.0;
    double DefTilt = 15.0;
    double DefDirection = 90.0;

    // Open angles of the beam model (kept for the whole run).
    double OpenAngleBTS = 3.6;
    double OpenAngleDTS = 12.0;

    // ---- 5. Grids --------------------------------------------------------------
    Grid2D<double> GroundGrid;
    Grid2D<double> DensityGrid;
    std::int16_t XYCalculated = 0;
    double ContourHeight = 0.0; // height the next ground rectangles receive

    // ---- 6. XY result companions -------------------------------------------------
    std::int16_t CalcOption = 0;
    double CalcHeight = 0.0;
    double XYCalcOffsetX = 0.0;
    double XYCalcOffsetY = 0.0;
    double XYCalcZoom = 1.0;
    std::int16_t CalcAntennaCount = 0;
    double MaxDensity = 0.0;
    Variant MaxPosX;
    std::int16_t MaxPosY = 0;
    double MinDensity = 0.0;
    std::vector<double> GridXm{0.0}; // X of column i in metres, 0..GridNX
    std::vector<double> GridYm{0.0}; // Y of row j in metres, 0..GridNY
    std::int16_t IsolineCount = 7;
    std::vector<double> IsolineLevel{0.0}; // 0..IsolineCount
    CrossingTable Isolines;                // IsolineX / IsolineY, slots 1..IsolinePointMax
    CrossingTable IsolinesAux;             // IsolineAuxX / IsolineAuxY, slots 1..IsolineAuxMax
    std::int64_t IsolinePointMax() const { return Isolines.slotMax(); }
    std::int64_t IsolineAuxMax() const { return IsolinesAux.slotMax(); }

    // ---- XZ section ----------------------------------------------------------------
    double XZDistance = -1.0; // -1: no plane chosen yet
    std::int64_t XZPlaneRow = 0;
    Grid2D<double> XZDensityGrid;
    std::int16_t XZCalculated = 0;
    double XZMaxDensity = 0.0;
    double XZMinDensity = 0.0;
    Variant XZMaxPosX;
    Variant XZMaxPosY;
    std::vector<double> XZIsolineLevel{0.0};
    CrossingTable XZIsolines;
    CrossingTable XZIsolinesAux;
    std::int64_t XZIsolinePointMax() const { return XZIsolines.slotMax(); }
    std::int64_t XZIsolineAuxMax() const { return XZIsolinesAux.slotMax(); }

    // ---- 7. Geographic referencing ---------------------------------------------------
    double OriginX = 0.0, OriginY = 0.0;
    double EarthR = 6371000.0;
    double OriginLon = 63.0, OriginLat = 64.0;
    double OriginMarkX = 10.0, OriginMarkY = area::ScaleHeight - 10.0;
    double ScaleDistance = 300.0;
    double ReservedValue = 0.0;
    double RefX = 0.0, RefY = 0.0, RefLon = 0.0, RefLat = 0.0;
    double EllipsoidA = 6378136.6;
    double EllipsoidB = 6356751.9;

    // ---- Compliance ----------------------------------------------------------------
    ComplianceSettings Compliance;
    // Items of the file's extension block this program does not know, in file
    // order, written back unchanged so that a later program's data survive.
    std::vector<std::pair<std::string, std::string>> ExtensionExtra;
    // The version of an extension block newer than this program reads (0: none).
    // Such a project is not saved: the block's data would be lost.
    int ExtensionNewerVersion = 0;
    // The exposure model and the patterns the antennas use (extension block).
    ExposureSettings Exposure;
    std::vector<AntennaPattern> Patterns;
    // Total exposure ratio at each node, sum over antennas of S_i / S_L(f_i)
    // (1 = at the limit), computed in the same pass as the density when the
    // calculation is given the antennas' limits; empty (size 1) otherwise.
    Grid2D<double> RatioGrid;
    Grid2D<double> XZRatioGrid;
    // What the XY and XZ results were computed from: set by the calculations
    // and by the project reader; a result whose stamp no longer matches the
    // project is out of date.
    ResultStamps XYStamp, XZStamp;
    // Places of sensitive use (extension block).
    std::vector<Place> Places;
    // Elevation in metres of the ground grid's zero when the ground came from
    // an elevation model (extension block); none for hand-drawn ground.
    std::optional<double> TerrainDatumM;
    // Buildings imported from a map (extension block).
    std::vector<Building> Buildings;

    // ---- 8. Legacy pollutant-model data -----------------------------------------------
    Variant SourceKindVar = Variant::integer(0);
    std::int16_t SourceKindInt = 0;
    std::int16_t LegacySourceCount = 1;
    std::vector<LegacySource> LegacySources{1}; // 0..LegacySourceCount when above 1

    // ---- 9. View and tools (transient) ---------------------------------------------------
    Plane CurrentPlane = Plane::XY;
    ResultStyle DisplayMode = ResultStyle::Isolines;
    double Zoom = 1.0;
    double ScrollOffsetX = 0.0, ScrollOffsetY = 0.0;
    std::int16_t GridLinesOn = 1;
    std::int16_t WhiteBackground = 0;
    std::int16_t BackgroundLoaded = 0;
    std::string ValueDecimals = "4";
    // The unit the values drawn with a result carry: the density's, or " %"
    // when the picture shows the exposure in % of the limit.
    std::string ResultUnit = " uW/cm^2";
    ToolFlags Tools;
    DisplaySettings Display;

    // ---- Operations ---------------------------------------------------------------------

    // Recomputes MetersPerUnit, CellSize, GridNY and XZRowOffset from the stored
    // items and the fixed drawing area.
    void RecomputeDerived();
    static std::int16_t CellSizeFor(int gridNX);
    static std::int16_t GridNYFor(int gridNX);

    // The document reset used by New, by Open before a file is read, by a
    // failed read and by the scale-by-two-points procedure (the model's part of
    // it; the window clears and redraws itself around it).
    void ResetProject();

    // Ends every pointer tool (the model's part of the window's tool reset).
    void ClearToolFlags();

    // Grows every per-antenna array to 0..bound (contents kept; never shrinks).
    void EnsureAntennaSlots(int bound);
    int AntennaSlotBound() const { return static_cast<int>(Antennas.size()) - 1; }

    // The main window caption for the current file.
    std::string Title() const { return "Brenvik 5.0 english [" + FileName + "]"; }
};

} // namespace brenvik
