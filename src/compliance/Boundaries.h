#pragma once

// Compliance boundaries of the far-field model: for each antenna alone, at
// its own frequency's limit, the surface r_b(phi, theta) around it beyond
// which it stays below that limit; their traces on the plan and on the
// section, the total exposure ratio's 100 % line, and what a plane's result
// says once those boundaries are known.
#include "antenna/Pattern.h"
#include "compliance/Limits.h"
#include "model/Project.h"
#include "render/Surface.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// The beam antenna `a` radiates with in the far-field model: its imported
// pattern when it names one of the project's patterns, else its parametric
// beam, whose vertical width defaults to twice the type's open angle taken
// in degrees. The beam points into the project's pattern list, which must
// outlive it. An adaptive antenna's envelope comes from `envelopes` when
// given: whoever places several antennas or draws several things for one
// report holds one for the lot.
antenna::Beam BeamOf(const Project& p, const Antenna& a,
                     antenna::EnvelopeCache* envelopes = nullptr);
// The azimuth and mechanical down-tilt the beam is turned by; a stick keeps
// neither.
double BeamAzimuthDeg(const Antenna& a);
double BeamTiltDeg(const Antenna& a);
// The pattern's name, or "parametric".
std::string BeamName(const Project& p, const Antenna& a);

// Each antenna's limit S_L in W/m^2 at its frequency for the project's
// standard and population, slot 0 unused; or the refusal naming the antenna
// whose frequency the standard does not cover.
struct LimitsResult {
    std::vector<double> limitWm2;
    std::optional<std::string> refusal;
};
LimitsResult AntennaLimits(const Project& p, const Library& lib);

// One antenna's boundary: the distances in front, behind, to the side,
// above and below in its horizontal frame, in metres, at the power it is
// assessed with (AssessedPowerW), and at its maximum ERP; the two are one
// when its power factor is 1.
struct AntennaBoundary {
    int slot = 0;
    double limitWm2 = 0.0;
    antenna::BoundaryExtent extent;
    antenna::BoundaryExtent maximum;
};
// Every antenna that radiates (a panel or a stick); `limitWm2` as AntennaLimits gives.
std::vector<AntennaBoundary> Boundaries(const Project& p, const std::vector<double>& limitWm2,
                                        antenna::EnvelopeCache* envelopes = nullptr);

// True when receptor (x, y, z) -- plan metres and a height in the
// calculation's height frame -- lies within antenna `slot`'s boundary.
bool InsideBoundary(const Project& p, int slot, double limitWm2, double x, double y, double z);

// A trace drawn on a plane: straight pieces between points given as
// fractional node indices of the plane's result grid (column, row), so a
// picture places them as it places that grid's nodes.
struct Trace {
    struct Point {
        double i, j;
    };
    std::vector<std::pair<Point, Point>> pieces;
    bool empty() const { return pieces.empty(); }
};

// The traces on one plane: each antenna's boundary cut by the plane (slot
// order, empty when the plane misses it), and where the total ratio crosses
// 100 % (when the plane has a ratio).
struct PlaneTraces {
    std::vector<int> antennas;
    std::vector<Trace> boundaries;
    Trace ratioLimit;
};
// The plan: the horizontal cut at the XY result's height (at the ground
// plus that height for a surface result). The section: the cut by the
// vertical plane of the XZ result. Nothing for a plane without a result.
PlaneTraces PlanTraces(const Project& p, const std::vector<double>& limitWm2,
                       antenna::EnvelopeCache* envelopes = nullptr);
PlaneTraces SectionTraces(const Project& p, const std::vector<double>& limitWm2,
                          antenna::EnvelopeCache* envelopes = nullptr);

// What the boundaries change in the verdict of one plane: the antennas
// whose boundary it crosses, the area above 100 % and its part within those
// boundaries, and the highest ratio outside every boundary, in %.
struct PlaneCrossing {
    std::vector<int> antennas;
    double areaAboveM2 = 0.0;
    double areaAboveInsideM2 = 0.0;
    double maxOutsidePercent = 0.0;
    bool crosses() const { return !antennas.empty(); }
};
std::optional<PlaneCrossing> PlanCrossing(const Project& p, const std::vector<double>& limitWm2,
                                          antenna::EnvelopeCache* envelopes = nullptr);
std::optional<PlaneCrossing> SectionCrossing(const Project& p, const std::vector<double>& limitWm2,
                                             antenna::EnvelopeCache* envelopes = nullptr);

// The boundaries and the 100 % line are drawn with a far-field project's
// results, over what the view shows of the plane.
bool TracesShown(const Project& p);
// Draws the traces of the plane on view over a picture drawn as the window
// and the batch image draw it: thin outlines around each antenna and the
// 100 % line beside them. `asked`: the user wants them whatever the model
// (over the program's beam model they show what the far-field model says).
class OutlineCache;
// `outlines`: where a window that repaints often keeps the outlines between
// paints (none: worked out anew).
void DrawTraces(const Project& p, render::Surface& s, const std::vector<double>& limitWm2,
                bool asked = false, OutlineCache* outlines = nullptr);

// One antenna's boundary seen from above: the outline of its horizontal
// projection, in plan metres (x to the right, y as the plan's, growing
// southwards) at every half degree of azimuth, counter-clockwise on the
// map, not closed; and the heights the volume spans, in the calculation's
// height frame. The projection of a boundary seen from its antenna is
// star-shaped, so the farthest reach at each azimuth is its outline.
struct BoundaryOutline {
    int slot = 0;
    double limitWm2 = 0.0;
    std::vector<std::pair<double, double>> ring;
    double lowM = 0.0, highM = 0.0;
    antenna::BoundaryExtent extent;  // as AntennaBoundary gives it
    antenna::BoundaryExtent maximum; // the same at the maximum ERP
};
std::vector<BoundaryOutline> BoundaryOutlines(const Project& p, const std::vector<double>& limitWm2,
                                              antenna::EnvelopeCache* envelopes = nullptr);
// The outline as pieces between the plan result's node indices, as
// PlanTraces gives its cuts; empty when the plan has no frame.
Trace OutlineTrace(const Project& p, const BoundaryOutline& o);
// The outlines of the last project state and limits asked for: an outline
// takes some hundred thousand evaluations of its beam, too many for every
// paint of a window. The state is told by the plan's density stamp (every
// antenna, pattern, the ground and the model) and the limits.
class OutlineCache {
  public:
    const std::vector<BoundaryOutline>& outlines(const Project& p,
                                                 const std::vector<double>& limitWm2);
    // The adaptive antennas' envelopes, kept with the outlines for the
    // traces of every paint.
    antenna::EnvelopeCache* envelopes() { return &envelopes_; }

  private:
    antenna::EnvelopeCache envelopes_;
    std::mutex lock_;
    std::optional<std::pair<std::uint64_t, std::vector<double>>> key_;
    std::vector<BoundaryOutline> outlines_;
};
// "T1 A2, 22.4–28.1 m": the antenna and the heights its boundary spans.
std::string OutlineLabel(const Project& p, const BoundaryOutline& o);
// Every outline as a GeoJSON layer `boundaries`: one polygon per antenna in
// longitude/latitude, with the antenna, the site, the five extents, the
// height range and the limit used.
std::string BoundariesGeoJson(const Project& p, const std::vector<BoundaryOutline>& outlines);

} // namespace brenvik::compliance
