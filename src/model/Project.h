#pragma once

#include "model/AntennaPattern.h"
#include "model/Buildings.h"
#include "model/CrossingTable.h"
#include "model/DemWindow.h"
#include "model/DisplaySettings.h"
#include "model/DrawingArea.h"
#include "model/Grid2D.h"
#include "model/Measurements.h"
#include "model/Places.h"
#include "model/PlaneResult.h"
#include "model/Variant.h"
#include "model/ViewState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

class Project;

// The carrier frequencies an antenna may have, in MHz: 100 kHz to 300 GHz.
inline constexpr double MinAntennaFrequencyMHz = 0.1;
inline constexpr double MaxAntennaFrequencyMHz = 300000.0;

// What an antenna is: a BTS panel, a DTS stick, or a type the program does not
// know, which radiates nothing.
enum class AntennaKind { Panel, Stick, None };
// Which power option the antenna's power was chosen with.
enum class PowerMode { Maximum, Average, Other };
// How the antenna's height was entered; it is stored in metres either way.
enum class HeightUnit { Metres, Floors };

// The file's own text of an antenna keyword the program does not know (a type
// other than panel or stick, a power option or height unit it does not name),
// written back as read; cleared when the antenna is edited.
struct VerbatimKeywords {
    std::optional<std::string> type, powerMode, heightUnit;
    friend bool operator==(const VerbatimKeywords&, const VerbatimKeywords&) = default;
};

// A point of the plan in metres from the plan's zero point (the lower left
// corner of the drawing area at 100 % without scrolling), east and north.
struct PlanPosition {
    double East = 0.0;
    double North = 0.0;
    friend bool operator==(const PlanPosition&, const PlanPosition&) = default;
};

// One antenna record. A tower has no record of its own: it is the set of
// antennas that share `AntTower`.
struct Antenna {
    double AntHeight = 0.0; // metres above the ground (floors are stored × 3.0)
    double AntTilt = 0.0;   // angle of fall, degrees, positive = beam down
    PowerMode AntPowerMode = PowerMode::Maximum;
    double AntPower = 0.0;     // ERP watts
    double AntDirection = 0.0; // azimuth, degrees clockwise from the top of the plan
    HeightUnit AntHeightUnit = HeightUnit::Metres;
    AntennaKind AntType = AntennaKind::Panel;
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
    VerbatimKeywords Verbatim{};
    // Where the antenna really stands when that is not its node (AntX, AntY):
    // an imported site, a drag or a typed coordinate lands between nodes, and
    // the node alone would move it by up to a cell's diagonal. The layout's
    // record keeps the node; this goes in the extension block.
    std::optional<PlanPosition> AntExact{};
    std::string AntSite{};         // the site it was imported from (extension block)
    std::string AntLabel{};        // its own name in the site inventory (extension block)
    std::string AntOperator{};     // the network operator running it (extension block)
    std::string AntInstallation{}; // the installation it belongs to (extension block)
    // An adaptive (beam-steering) antenna is an array of rows x columns
    // elements (0: not adaptive) whose beam may point anywhere within the
    // steering ranges; it is assessed with its envelope, the most any
    // steering gives in each direction. The envelope is the pattern AntPattern
    // names when it names one, else the one the element and array values
    // below give. Kept in the extension block.
    double AntArrayRows = 0.0;
    double AntArrayColumns = 0.0;
    double AntElementGainDbi = 5.0;      // one element's peak gain
    double AntElementHWidthDeg = 65.0;   // one element's horizontal half-power width
    double AntElementVWidthDeg = 65.0;   // one element's vertical half-power width
    double AntElementFrontBackDb = 30.0; // A_m
    double AntElementSideLobeDb = 30.0;  // SLA_v
    double AntArrayHSpacing = 0.5;       // between columns, wavelengths
    double AntArrayVSpacing = 0.5;       // between rows, wavelengths
    double AntSteerAzMinDeg = -60.0;     // steering in azimuth, from boresight
    double AntSteerAzMaxDeg = 60.0;
    double AntSteerTiltMinDeg = 0.0; // steering in tilt, degrees down from boresight
    double AntSteerTiltMaxDeg = 10.0;
    // The share of the maximum ERP (AntPower) the antenna is assessed with:
    // the "actual maximum" reduction, or a national factor, with where it
    // comes from. 1: the maximum itself.
    double AntPowerFactor = 1.0;
    std::string AntPowerFactorSource{};
    friend bool operator==(const Antenna&, const Antenna&) = default;
};

// The power factor of an antenna: every calculation, boundary and verdict
// takes AntPower times it; the maximum ERP stays AntPower.
double AntennaPowerFactor(const Antenna& a);
// The ERP the antenna is assessed with, watts: AntPower times its factor.
double AssessedPowerW(const Antenna& a);
// An adaptive antenna: one with an array of at least one row and column.
bool IsAdaptive(const Antenna& a);

// The height of the visible drawing area: the plan's zero point lies on its
// bottom line.
inline constexpr double PlanZeroY = area::IconShapeTop - area::HScrollHeight;

// The antenna's true position: its exact one when it has one, else its node.
PlanPosition AntennaPosition(const Project& p, const Antenna& a);
// The same in drawing units at 100 % (x right, y down, like AntX and AntY).
double AntennaDrawingX(const Project& p, const Antenna& a);
double AntennaDrawingY(const Project& p, const Antenna& a);
// The plan's contributions when they belong to its result as it stands, or
// null (none asked for, the result dropped, or a grid of another size).
const ContributionGrids* HeldContributions(const Project& p);

// Plan metres of the drawing position (x, y) at 100 % without scrolling.
PlanPosition PlanPositionAt(const Project& p, double x, double y);
// Keeps `at` as the antenna's exact position, or none when the node already
// stands there, to a micrometre (so a project of nodes only is written as
// before).
void SetExactPosition(const Project& p, Antenna& a, PlanPosition at);
// How far the node lies from the true position, metres (0 without one).
double NodeOffsetM(const Project& p, const Antenna& a);

// One source record of the older air-pollution model, carried unchanged.
struct LegacySource {
    double LegacyEmission = 0.0;
    double LegacyExitSpeed = 0.0;
    double LegacyGasTemp = 0.0;
    std::int16_t LegacyKind = 0;
    double LegacyD1 = 0.0, LegacyD2 = 0.0, LegacyD3 = 0.0, LegacyD4 = 0.0, LegacyD5 = 0.0;
    friend bool operator==(const LegacySource&, const LegacySource&) = default;
};

// Where the plan's calculation puts its receptors: at a fixed height
// (CalcHeight above the plan's zero) or at CalcHeight above the ground. The
// file's number is kept as read, whatever it is.
enum class CalcLevel : std::int16_t { AtHeight = 0, AtSurface = 1 };

// The kind of source of the older pollutant model, kept as the file holds it.
enum class LegacySourceKind : std::int16_t { Point = 0, Area = 1 };

// Whose reference levels a compliance answer uses.
enum class Population { Public, Occupational };

// The compliance choices of a project, kept in the file's extension block
// (written only when they differ from these defaults).
struct ComplianceSettings {
    std::string Standard = "icnirp-2020"; // an id of the limits library
    Population Group = Population::Public;
    std::string SiteName;
    std::string Assessor; // who signs the report
    // The rules the summary and the report judge the site by, in order: the
    // name of a rule the program knows, or the path of a rules file.
    std::vector<std::string> Rules;
    friend bool operator==(const ComplianceSettings&, const ComplianceSettings&) = default;
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
    AntennaKind DefType = AntennaKind::Panel;
    double DefHeight = 12.0;
    HeightUnit DefHeightUnit = HeightUnit::Floors;
    PowerMode DefPowerMode = PowerMode::Maximum;
    double DefPower = 1600.0;
    double DefTilt = 15.0;
    double DefDirection = 90.0;

    // Open angles of the beam model (kept for the whole run).
    double OpenAngleBTS = 3.6;
    double OpenAngleDTS = 12.0;

    // ---- 5. Grids --------------------------------------------------------------
    Grid2D<double> GroundGrid;
    double ContourHeight = 0.0; // height the next ground rectangles receive

    // ---- 6. XY result and its companions -------------------------------------------
    PlaneResult XY; // the plan at the calculation height
    CalcLevel CalcOption = CalcLevel::AtHeight;
    double CalcHeight = 0.0;
    double XYCalcOffsetX = 0.0;
    double XYCalcOffsetY = 0.0;
    double XYCalcZoom = 1.0;
    std::int16_t CalcAntennaCount = 0;
    std::vector<double> GridXm{0.0}; // X of column i in metres, 0..GridNX
    std::vector<double> GridYm{0.0}; // Y of row j in metres, 0..GridNY
    std::int16_t IsolineCount = 7;

    // ---- XZ section ----------------------------------------------------------------
    double XZDistance = -1.0; // -1: no plane chosen yet
    std::int64_t XZPlaneRow = 0;
    // 0: the section runs along X at XZDistance; N: it runs through antenna N
    // along its azimuth instead. Kept for the session only, not in the file.
    int XZThrough = 0;
    PlaneResult XZ;

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
    // Places of sensitive use (extension block).
    std::vector<Place> Places;
    // Elevation in metres of the ground grid's zero when the ground came from
    // an elevation model (extension block); none for hand-drawn ground.
    std::optional<double> TerrainDatumM;
    // Buildings imported from a map (extension block).
    std::vector<Building> Buildings;
    // The elevation model's pixels over the plan when the ground came from
    // one (extension block): places, floor points and antenna feet stand on
    // its surface; none for hand-drawn ground.
    std::optional<DemWindow> Dem;
    // Field measurements taken on the site (extension block).
    std::vector<Measurement> Measurements;

    // ---- 8. Legacy pollutant-model data -----------------------------------------------
    Variant SourceKindVar = Variant::integer(0);
    LegacySourceKind SourceKindInt = LegacySourceKind::Point;
    std::int16_t LegacySourceCount = 1;
    std::vector<LegacySource> LegacySources{1}; // 0..LegacySourceCount when above 1

    // ---- 9. View and tools (transient) ---------------------------------------------------
    Plane CurrentPlane = Plane::XY;
    ResultStyle DisplayMode = ResultStyle::Isolines;
    int ShareOperator = 0; // the operator "Operator share" shows: its place in XY.Contributions
    double Zoom = 1.0;
    double ScrollOffsetX = 0.0, ScrollOffsetY = 0.0;
    bool GridLinesOn = true;
    bool WhiteBackground = false;
    bool BackgroundLoaded = false;
    std::string ValueDecimals = "4";
    // The unit the values drawn with a result carry: the density's, or " %"
    // when the picture shows the exposure in % of the limit.
    std::string ResultUnit = " uW/cm^2";
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

    // Drops the tower being defined (the model's part of the window's tool reset).
    void ClearTowerDefinition();

    // The result of a plane: the plan's or the section's.
    PlaneResult& Result(Plane plane) { return plane == Plane::XY ? XY : XZ; }
    const PlaneResult& Result(Plane plane) const { return plane == Plane::XY ? XY : XZ; }

    // Grows every per-antenna array to 0..bound (contents kept; never shrinks).
    void EnsureAntennaSlots(int bound);
    int AntennaSlotBound() const { return static_cast<int>(Antennas.size()) - 1; }

    // The main window caption for the current file.
    std::string Title() const { return "Brenvik 5.0 english [" + FileName + "]"; }
};

} // namespace brenvik
