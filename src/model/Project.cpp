#include "model/Project.h"

#include <algorithm>
#include <cmath>

namespace brenvik {

Project::Project() {
    RecomputeDerived();
    GroundGrid.resize(GridNX, GridNY);
    XY.Density.resize(GridNX, GridNY);
    XZ.Density.resize(GridNX, GridNY);
    XY.Isolines.reset(IsolineCount);
    XY.IsolinesAux.reset(IsolineCount);
    XZ.Isolines.reset(IsolineCount);
    XZ.IsolinesAux.reset(IsolineCount);
}

std::int16_t Project::CellSizeFor(int gridNX) {
    return static_cast<std::int16_t>(area::ScaleWidth / gridNX);
}

std::int16_t Project::GridNYFor(int gridNX) {
    return static_cast<std::int16_t>(static_cast<long long>(area::ScaleHeight) * gridNX /
                                     area::ScaleWidth);
}

void Project::RecomputeDerived() {
    MetersPerUnit = PlanWidthM / area::ScaleWidth;
    CellSize = CellSizeFor(GridNX);
    GridNY = GridNYFor(GridNX);
    XZRowOffset = static_cast<std::int16_t>(
        (area::ScaleHeight + area::HScrollHeight - area::Shape2Top) / CellSize);
}

void Project::ClearTowerDefinition() {
    TowerAntCount = 1;
    TowerAntSel = 1;
}

void Project::ResetProject() {
    AntennaCount = 0;
    RecomputeDerived();
    GroundGrid.resize(GridNX, GridNY);
    XY.Density.resize(GridNX, GridNY);
    RefLon = RefLat = 0.0;
    OriginX = OriginY = 0.0;
    OriginLon = 63.0;
    OriginLat = 64.0;
    RefX = RefY = 0.0;
    ClearTowerDefinition();
    XY.Calculated = false;
    XZ.Calculated = false; // a section of the previous work must not outlive it
    XY.Stamp = XZ.Stamp = ResultStamps{};
    XY.Contributions.reset();
    XZ.Contributions.reset();
    // Nor its site name and compliance standard.
    Compliance = ComplianceSettings{};
    // And its exposure model and patterns.
    Exposure = ExposureSettings{};
    Patterns.clear();
    for (Antenna& a : Antennas) // no slot may name a pattern gone with them
        a.AntPattern.clear();
    Places.clear();
    TerrainDatumM.reset();
    Dem.reset();
    Buildings.clear();
    SourceKindVar = Variant::integer(0);
    SourceKindInt = LegacySourceKind::Point;
    DisplayMode = ResultStyle::Isolines;
}

const ContributionGrids* HeldContributions(const Project& p) {
    const ContributionGrids* c = p.XY.Contributions.get();
    if (!c || !p.XY.Calculated) return nullptr;
    const auto sameSize = [&](const Grid2D<double>& g) {
        return g.nx() == p.XY.Density.nx() && g.ny() == p.XY.Density.ny();
    };
    if (!sameSize(c->Dominant) || c->OperatorDensity.size() != c->Operators.size() ||
        !std::all_of(c->OperatorDensity.begin(), c->OperatorDensity.end(), sameSize))
        return nullptr;
    return c;
}

void Project::EnsureAntennaSlots(int bound) {
    if (bound > AntennaSlotBound()) Antennas.resize(static_cast<std::size_t>(bound) + 1);
}

namespace {

PlanPosition NodePosition(const Project& p, const Antenna& a) {
    return {a.AntX * p.MetersPerUnit, (PlanZeroY - a.AntY) * p.MetersPerUnit};
}

} // namespace

PlanPosition PlanPositionAt(const Project& p, double x, double y) {
    return {x * p.MetersPerUnit, (PlanZeroY - y) * p.MetersPerUnit};
}

PlanPosition AntennaPosition(const Project& p, const Antenna& a) {
    return a.AntExact ? *a.AntExact : NodePosition(p, a);
}

double AntennaDrawingX(const Project& p, const Antenna& a) {
    return a.AntExact ? a.AntExact->East / p.MetersPerUnit : a.AntX;
}

double AntennaDrawingY(const Project& p, const Antenna& a) {
    return a.AntExact ? PlanZeroY - a.AntExact->North / p.MetersPerUnit : a.AntY;
}

void SetExactPosition(const Project& p, Antenna& a, PlanPosition at) {
    // A node read back through map Coordinates (an inventory the program
    // wrote) comes back a few picometres off: that is still the node.
    constexpr double SameM = 1e-6;
    const PlanPosition n = NodePosition(p, a);
    if (std::fabs(n.East - at.East) <= SameM && std::fabs(n.North - at.North) <= SameM)
        a.AntExact.reset();
    else
        a.AntExact = at;
}

double NodeOffsetM(const Project& p, const Antenna& a) {
    if (!a.AntExact) return 0.0;
    const PlanPosition n = NodePosition(p, a);
    return std::hypot(a.AntExact->East - n.East, a.AntExact->North - n.North);
}

double AntennaPowerFactor(const Antenna& a) {
    return a.AntPowerFactor;
}

double AssessedPowerW(const Antenna& a) {
    // A factor of 1 gives AntPower's own bits.
    return a.AntPower * AntennaPowerFactor(a);
}

bool IsAdaptive(const Antenna& a) {
    return a.AntArrayRows >= 1.0 && a.AntArrayColumns >= 1.0;
}

} // namespace brenvik
