#include "compliance/Boundaries.h"

#include "calc/CalcForms.h"
#include "compliance/GeoJson.h"
#include "compliance/Summary.h"
#include "compliance/Units.h"
#include "geo/DemHeight.h"
#include "geo/Geo.h"
#include "model/ResultStamp.h"
#include "render/Scene.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <numbers>

namespace brenvik::compliance {

namespace {

bool Radiates(const Antenna& a) {
    return a.AntType == AntennaKind::Panel || a.AntType == AntennaKind::Stick;
}
bool IsStick(const Antenna& a) {
    return a.AntType == AntennaKind::Stick;
}

int AntennaBound(const Project& p) {
    return std::min<int>(p.AntennaCount, p.AntennaSlotBound());
}

double CalcZoom(const Project& p) {
    return p.XYCalcZoom > 0.0 && std::isfinite(p.XYCalcZoom) ? p.XYCalcZoom : 1.0;
}

// Ground height under a plan position in metres, 0 off the terrain grid.
double GroundAt(const Project& p, double xM, double yM) {
    if (!(p.MetersPerUnit > 0.0) || p.CellSize < 1) return 0.0;
    const double ci = std::floor(xM / p.MetersPerUnit / p.CellSize);
    const double cj = std::floor(yM / p.MetersPerUnit / p.CellSize);
    if (!(std::fabs(ci) < 1e6) || !(std::fabs(cj) < 1e6)) return 0.0;
    const int i = static_cast<int>(ci), j = static_cast<int>(cj);
    return p.GroundGrid.inBounds(i, j) ? p.GroundGrid(i, j) : 0.0;
}

// One antenna placed in the calculation's frame: plan metres and its
// height above the frame's zero (its own height plus the ground under it).
struct Placed {
    antenna::Beam beam;
    double xs = 0, ys = 0, h = 0;
    double az = 0, tilt = 0;
    double power = 0, reflection = 1, limit = 0;
    double reach = 0; // r_b at the beam's peak: nothing lies farther out

    double radius(double x, double y, double z) const {
        const double e = x - xs, n = -(y - ys), u = z - h;
        const antenna::Direction d = antenna::DirectionInBeam(e, n, u, az, tilt);
        return antenna::BoundaryRadius(beam, power, reflection, limit, d.phiDeg, d.thetaDeg);
    }
    // Positive inside the boundary, in metres.
    double margin(double x, double y, double z) const {
        const double r = std::sqrt((x - xs) * (x - xs) + (y - ys) * (y - ys) + (z - h) * (z - h));
        return radius(x, y, z) - std::max(r, antenna::MinDistanceM);
    }
};

std::optional<Placed> Place(const Project& p, int slot, double limitWm2,
                            antenna::EnvelopeCache* envelopes) {
    const Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    if (!Radiates(a) || !(limitWm2 > 0.0) || !(a.AntPower > 0.0)) return std::nullopt;
    Placed m;
    m.beam = compliance::BeamOf(p, a, envelopes);
    m.xs = AntennaDrawingX(p, a) * p.MetersPerUnit;
    m.ys = AntennaDrawingY(p, a) * p.MetersPerUnit;
    m.h = a.AntHeight + geo::DemHeightAt(p, m.xs, m.ys).value_or(GroundAt(p, m.xs, m.ys));
    m.az = BeamAzimuthDeg(a);
    m.tilt = BeamTiltDeg(a);
    m.power = AssessedPowerW(a);
    m.reflection = p.Exposure.ReflectionFactor;
    m.limit = limitWm2;
    // A pattern's gain is relative to its peak, so never above 0 dB.
    m.reach =
        std::sqrt(m.reflection * antenna::ErpToEirp * m.power / (4.0 * std::numbers::pi * m.limit));
    if (!std::isfinite(m.reach)) return std::nullopt;
    return m;
}

// The pieces where a sampled field crosses zero (marching squares), the
// field given at (a, b) for a = 0..na, b = 0..nb; `at` turns a fractional
// sample index into a trace point.
template <class Value, class At> Trace ZeroLine(int na, int nb, const Value& value, const At& at) {
    Trace t;
    if (na < 1 || nb < 1) return t;
    std::vector<double> v(static_cast<std::size_t>(na + 1) * static_cast<std::size_t>(nb + 1));
    const auto idx = [nb](int a, int b) {
        return static_cast<std::size_t>(a) * static_cast<std::size_t>(nb + 1) +
               static_cast<std::size_t>(b);
    };
    for (int a = 0; a <= na; ++a)
        for (int b = 0; b <= nb; ++b)
            v[idx(a, b)] = value(a, b);
    // Where the edge from (a0, b0) to (a1, b1) crosses zero.
    const auto cross = [&](int a0, int b0, int a1, int b1) {
        const double f0 = v[idx(a0, b0)], f1 = v[idx(a1, b1)];
        const double s = f0 == f1 ? 0.5 : f0 / (f0 - f1);
        return at(a0 + s * (a1 - a0), b0 + s * (b1 - b0));
    };
    for (int a = 0; a < na; ++a)
        for (int b = 0; b < nb; ++b) {
            const bool in00 = v[idx(a, b)] >= 0, in10 = v[idx(a + 1, b)] >= 0;
            const bool in11 = v[idx(a + 1, b + 1)] >= 0, in01 = v[idx(a, b + 1)] >= 0;
            const int cas = (in00 ? 1 : 0) | (in10 ? 2 : 0) | (in11 ? 4 : 0) | (in01 ? 8 : 0);
            if (cas == 0 || cas == 15) continue;
            // The cell's edges: bottom (b), right (a + 1), top (b + 1), left (a).
            const auto e0 = [&] { return cross(a, b, a + 1, b); };
            const auto e1 = [&] { return cross(a + 1, b, a + 1, b + 1); };
            const auto e2 = [&] { return cross(a, b + 1, a + 1, b + 1); };
            const auto e3 = [&] { return cross(a, b, a, b + 1); };
            const auto add = [&](Trace::Point p, Trace::Point q) { t.pieces.emplace_back(p, q); };
            const double centre =
                (v[idx(a, b)] + v[idx(a + 1, b)] + v[idx(a + 1, b + 1)] + v[idx(a, b + 1)]) / 4.0;
            switch (cas) {
            case 1:
            case 14:
                add(e3(), e0());
                break;
            case 2:
            case 13:
                add(e0(), e1());
                break;
            case 3:
            case 12:
                add(e3(), e1());
                break;
            case 4:
            case 11:
                add(e1(), e2());
                break;
            case 6:
            case 9:
                add(e0(), e2());
                break;
            case 7:
            case 8:
                add(e3(), e2());
                break;
            case 5: // opposite corners inside: joined through the centre or not
                if (centre >= 0) {
                    add(e3(), e2());
                    add(e0(), e1());
                } else {
                    add(e3(), e0());
                    add(e1(), e2());
                }
                break;
            case 10:
                if (centre >= 0) {
                    add(e3(), e0());
                    add(e1(), e2());
                } else {
                    add(e3(), e2());
                    add(e0(), e1());
                }
                break;
            default:
                break;
            }
        }
    return t;
}

// Samples across a boundary's trace: fine enough for a sharp outline at
// any size the pictures show.
constexpr int kSamples = 160;

// The geometry of a plane's result: plan metres of node (i, j) and back.
struct PlaneFrame {
    const Project* p;
    bool section;
    double mpu, cell, zc, offX, offY;
    int nx, ny, topRow; // section: stored rows 0..topRow hold heights
    // Section: where it lies; its horizontal coordinate a is x along X, the
    // distance from the antenna through one along its azimuth.
    SectionLine line;

    explicit PlaneFrame(const Project& pr, bool sec) : p(&pr), section(sec) {
        mpu = pr.MetersPerUnit;
        cell = pr.CellSize;
        zc = CalcZoom(pr);
        offX = pr.XYCalcOffsetX;
        offY = pr.XYCalcOffsetY;
        nx = pr.GridNX;
        ny = pr.GridNY;
        topRow = ny - pr.XZRowOffset - 2;
        if (section) {
            line = SectionLineOf(pr);
            // A grid row's line with the offsets the result was computed at.
            if (!line.through && !line.exact)
                line.planY = (static_cast<double>(pr.XZPlaneRow) * cell + offY) * mpu / zc;
        }
    }
    // Plan metres of the section's point at a, and a's column.
    std::pair<double, double> at(double a) const {
        return line.through ? SectionPoint(line, a) : std::pair{a, line.planY};
    }
    double iOfA(double a) const { return line.through ? a / line.step + line.centre : iOf(a); }
    double aOf(int i) const { return line.through ? line.along(i) : xOf(i); }
    bool valid() const { return mpu > 0.0 && cell > 0.0 && std::isfinite(mpu); }
    // Node index of a plan coordinate in metres, and back.
    double index(double m, double off) const { return (m / mpu * zc - off) / cell; }
    double metres(double k, double off) const { return (k * cell + off) * mpu / zc; }
    double iOf(double x) const { return index(x, offX); }
    double xOf(double i) const { return metres(i, offX); }
    // Plan: row of a plan y. Section: row of a height.
    double jOf(double v) const { return section ? topRow - index(v, offY) : index(v, offY); }
    double vOf(double j) const { return section ? metres(topRow - j, offY) : metres(j, offY); }
    // The receptor at node (i, j): plan metres and height.
    struct Node {
        double x, y, z;
    };
    Node node(int i, int j) const {
        if (section) {
            const auto [x, y] = at(aOf(i));
            return {x, y, vOf(j)};
        }
        const double x = xOf(i), y = vOf(j);
        const double z = p->CalcOption == CalcLevel::AtSurface ? GroundAt(*p, x, y) + p->CalcHeight
                                                               : p->CalcHeight;
        return {x, y, z};
    }
    int firstRow() const { return section ? 0 : 1; }
    int lastRow() const { return section ? std::min(topRow, ny) : ny; }
    double cellArea() const {
        const double side = cell * mpu / zc;
        return side * side;
    }
};

Trace BoundaryTrace(const PlaneFrame& f, const Placed& m) {
    const double reach = m.reach * 1.02;
    if (!f.section && f.p->CalcOption != CalcLevel::AtSurface &&
        std::fabs(f.p->CalcHeight - m.h) >= reach)
        return {};
    // The antenna's own place along the section, and how far off it it stands.
    double a0 = m.xs;
    if (f.section) {
        const SectionLine& l = f.line;
        const double off =
            l.through ? -(m.xs - l.x0) * l.ey + (m.ys - l.y0) * l.ex : l.planY - m.ys;
        if (std::fabs(off) >= reach) return {};
        if (l.through) {
            a0 = (m.xs - l.x0) * l.ex + (m.ys - l.y0) * l.ey;
            // Along its azimuth the section is as long as its columns reach.
            if (a0 + reach <= l.along(0) || a0 - reach >= l.along(f.nx)) return {};
        }
    }
    const double step = 2.0 * reach / kSamples;
    // a runs along x (along the section); b along the plan's y or the height.
    const double b0 = f.section ? m.h : m.ys;
    const auto point = [&](double a, double b) {
        const double u = a0 - reach + a * step;
        return Trace::Point{f.section ? f.iOfA(u) : f.iOf(u), f.jOf(b0 - reach + b * step)};
    };
    const auto value = [&](int a, int b) {
        const double x = a0 - reach + a * step, v = b0 - reach + b * step;
        if (f.section) {
            const auto [px, py] = f.at(x);
            return m.margin(px, py, v);
        }
        const double z = f.p->CalcOption == CalcLevel::AtSurface
                             ? GroundAt(*f.p, x, v) + f.p->CalcHeight
                             : f.p->CalcHeight;
        return m.margin(x, v, z);
    };
    return ZeroLine(kSamples, kSamples, value, point);
}

Trace RatioTrace(const PlaneFrame& f, const Grid2D<double>& r) {
    const int nx = std::min(f.nx, r.nx());
    const int j0 = f.firstRow(), j1 = std::min(f.lastRow(), r.ny());
    if (nx < 2 || j1 - j0 < 1) return {};
    return ZeroLine(
        nx - 1, j1 - j0, [&](int a, int b) { return r(a + 1, b + j0) - 1.0; },
        [&](double a, double b) {
            return Trace::Point{a + 1, b + j0};
        });
}

PlaneTraces Traces(const Project& p, const std::vector<double>& limitWm2, bool section,
                   antenna::EnvelopeCache* envelopes) {
    PlaneTraces out;
    const PlaneFrame f(p, section);
    const bool calculated = section ? p.XZ.Calculated : p.XY.Calculated;
    if (!calculated || !f.valid()) return out;
    for (int k = 1; k <= AntennaBound(p) && k < static_cast<int>(limitWm2.size()); ++k) {
        const auto m = Place(p, k, limitWm2[static_cast<std::size_t>(k)], envelopes);
        if (!m) continue;
        out.antennas.push_back(k);
        out.boundaries.push_back(BoundaryTrace(f, *m));
    }
    if (HasRatio(p, section)) out.ratioLimit = RatioTrace(f, section ? p.XZ.Ratio : p.XY.Ratio);
    return out;
}

std::optional<PlaneCrossing> Crossing(const Project& p, const std::vector<double>& limitWm2,
                                      bool section, antenna::EnvelopeCache* envelopes) {
    if (!HasRatio(p, section)) return std::nullopt;
    const PlaneFrame f(p, section);
    if (!f.valid()) return std::nullopt;
    const PlaneTraces t = Traces(p, limitWm2, section, envelopes);
    PlaneCrossing c;
    std::vector<Placed> crossed;
    for (std::size_t k = 0; k < t.antennas.size(); ++k) {
        if (t.boundaries[k].empty()) continue;
        c.antennas.push_back(t.antennas[k]);
        crossed.push_back(
            *Place(p, t.antennas[k], limitWm2[static_cast<std::size_t>(t.antennas[k])], envelopes));
    }
    const Grid2D<double>& r = section ? p.XZ.Ratio : p.XY.Ratio;
    const int nx = std::min(f.nx, r.nx());
    const int j1 = std::min(f.lastRow(), r.ny());
    long long above = 0, aboveInside = 0;
    double maxOutside = 0.0;
    for (int i = 1; i <= nx; ++i)
        for (int j = f.firstRow(); j <= j1; ++j) {
            const double v = r(i, j);
            const PlaneFrame::Node n = f.node(i, j);
            bool inside = false;
            for (const Placed& m : crossed) {
                const double dx = n.x - m.xs, dy = n.y - m.ys, dz = n.z - m.h;
                if (dx * dx + dy * dy + dz * dz > m.reach * m.reach) continue;
                if (m.margin(n.x, n.y, n.z) >= 0.0) {
                    inside = true;
                    break;
                }
            }
            if (v > 1.0) {
                ++above;
                if (inside) ++aboveInside;
            }
            if (!inside) maxOutside = std::max(maxOutside, v);
        }
    c.areaAboveM2 = static_cast<double>(above) * f.cellArea();
    c.areaAboveInsideM2 = static_cast<double>(aboveInside) * f.cellArea();
    c.maxOutsidePercent = maxOutside * 100.0;
    return c;
}

} // namespace

antenna::Beam BeamOf(const Project& p, const Antenna& a, antenna::EnvelopeCache* envelopes) {
    antenna::Beam b;
    if (!a.AntPattern.empty())
        for (const AntennaPattern& pat : p.Patterns)
            if (pat.Name == a.AntPattern) b.pattern = &pat;
    b.parametric.stick = IsStick(a);
    b.parametric.hBeamwidthDeg = a.AntHBeamwidthDeg;
    b.parametric.vBeamwidthDeg = a.AntVBeamwidthDeg > 0.0
                                     ? a.AntVBeamwidthDeg
                                     : 2.0 * (IsStick(a) ? p.OpenAngleDTS : p.OpenAngleBTS);
    b.parametric.electricalTiltDeg = a.AntElectricalTiltDeg;
    if (!b.pattern && IsAdaptive(a) && a.AntType == AntennaKind::Panel)
        b.envelope = antenna::EnvelopeOf(antenna::ArrayOf(a), envelopes);
    return b;
}

double BeamAzimuthDeg(const Antenna& a) {
    return IsStick(a) ? 0.0 : a.AntDirection;
}

double BeamTiltDeg(const Antenna& a) {
    return IsStick(a) ? 0.0 : a.AntTilt;
}

std::string BeamName(const Project& p, const Antenna& a) {
    // Named without working out an adaptive antenna's envelope.
    if (const AntennaPattern* pat = antenna::FindPattern(p.Patterns, a.AntPattern))
        return pat->Name;
    return IsAdaptive(a) && a.AntType == AntennaKind::Panel ? "adaptive" : "parametric";
}

LimitsResult AntennaLimits(const Project& p, const Library& lib) {
    LimitsResult out;
    const InverseLimitsResult inv =
        InverseLimits(p, lib, p.Compliance.Standard, p.Compliance.Group);
    if (inv.refusal) {
        out.refusal = inv.refusal;
        return out;
    }
    const Standard* s = lib.find(p.Compliance.Standard);
    out.limitWm2.assign(static_cast<std::size_t>(AntennaBound(p)) + 1, 0.0);
    for (int k = 1; k <= AntennaBound(p); ++k) {
        const auto level = ReferenceLevel(*s, p.Compliance.Group,
                                          p.Antennas[static_cast<std::size_t>(k)].AntFrequencyMHz);
        if (level) out.limitWm2[static_cast<std::size_t>(k)] = level->sWm2;
    }
    return out;
}

std::vector<AntennaBoundary> Boundaries(const Project& p, const std::vector<double>& limitWm2,
                                        antenna::EnvelopeCache* envelopes) {
    std::vector<AntennaBoundary> out;
    for (int k = 1; k <= AntennaBound(p) && k < static_cast<int>(limitWm2.size()); ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const double limit = limitWm2[static_cast<std::size_t>(k)];
        if (!Radiates(a) || !(limit > 0.0)) continue;
        const antenna::Beam beam = compliance::BeamOf(p, a, envelopes);
        const auto extent = [&](double erpW) {
            return antenna::ComplianceBoundary(beam, erpW, p.Exposure.ReflectionFactor, limit,
                                               BeamTiltDeg(a));
        };
        AntennaBoundary b;
        b.slot = k;
        b.limitWm2 = limit;
        b.extent = extent(AssessedPowerW(a));
        b.maximum = AntennaPowerFactor(a) == 1.0 ? b.extent : extent(a.AntPower);
        out.push_back(b);
    }
    return out;
}

bool InsideBoundary(const Project& p, int slot, double limitWm2, double x, double y, double z) {
    if (slot < 1 || slot > AntennaBound(p)) return false;
    const auto m = Place(p, slot, limitWm2, nullptr);
    return m && m->margin(x, y, z) >= 0.0;
}

PlaneTraces PlanTraces(const Project& p, const std::vector<double>& limitWm2,
                       antenna::EnvelopeCache* envelopes) {
    return Traces(p, limitWm2, false, envelopes);
}

PlaneTraces SectionTraces(const Project& p, const std::vector<double>& limitWm2,
                          antenna::EnvelopeCache* envelopes) {
    return Traces(p, limitWm2, true, envelopes);
}

std::optional<PlaneCrossing> PlanCrossing(const Project& p, const std::vector<double>& limitWm2,
                                          antenna::EnvelopeCache* envelopes) {
    return Crossing(p, limitWm2, false, envelopes);
}

std::optional<PlaneCrossing> SectionCrossing(const Project& p, const std::vector<double>& limitWm2,
                                             antenna::EnvelopeCache* envelopes) {
    return Crossing(p, limitWm2, true, envelopes);
}

bool TracesShown(const Project& p) {
    return p.Exposure.Model == ExposureModel::FarField &&
           render::PlaneCalculated(p, render::currentPlane(p));
}

namespace {

// Azimuths every half degree; elevations every degree from straight down to
// straight up.
constexpr int kOutlineAzimuths = 720;
constexpr int kOutlineElevations = 180;

std::optional<BoundaryOutline> OutlineOf(const Project& p, int slot, double limitWm2,
                                         antenna::EnvelopeCache* envelopes) {
    const auto m = Place(p, slot, limitWm2, envelopes);
    if (!m) return std::nullopt;
    BoundaryOutline o;
    o.slot = slot;
    o.limitWm2 = limitWm2;
    o.lowM = o.highM = m->h;
    std::vector<double> reach(kOutlineAzimuths, antenna::MinDistanceM);
    std::vector<double> sinE(kOutlineElevations + 1), cosE(kOutlineElevations + 1);
    for (int e = 0; e <= kOutlineElevations; ++e) {
        const double eps = std::numbers::pi * (double(e) / kOutlineElevations - 0.5);
        sinE[static_cast<std::size_t>(e)] = std::sin(eps);
        cosE[static_cast<std::size_t>(e)] = std::cos(eps);
    }
    for (int a = 0; a < kOutlineAzimuths; ++a) {
        // Clockwise from north, as the antenna's azimuth.
        const double psi = 2.0 * std::numbers::pi * a / kOutlineAzimuths;
        const double east = std::sin(psi), north = std::cos(psi);
        double& far = reach[static_cast<std::size_t>(a)];
        for (int e = 0; e <= kOutlineElevations; ++e) {
            const double ce = cosE[static_cast<std::size_t>(e)],
                         se = sinE[static_cast<std::size_t>(e)];
            const double r = m->radius(m->xs + east * ce, m->ys - north * ce, m->h + se);
            far = std::max(far, r * ce);
            o.lowM = std::min(o.lowM, m->h + r * se);
            o.highM = std::max(o.highM, m->h + r * se);
        }
    }
    // Counter-clockwise on the map: azimuth decreasing.
    for (int a = kOutlineAzimuths - 1; a >= 0; --a) {
        const double psi = 2.0 * std::numbers::pi * a / kOutlineAzimuths;
        const double d = reach[static_cast<std::size_t>(a)];
        o.ring.emplace_back(m->xs + d * std::sin(psi), m->ys - d * std::cos(psi));
    }
    o.extent = antenna::ComplianceBoundary(m->beam, m->power, m->reflection, m->limit, m->tilt);
    const Antenna& ant = p.Antennas[static_cast<std::size_t>(slot)];
    o.maximum =
        AntennaPowerFactor(ant) == 1.0
            ? o.extent
            : antenna::ComplianceBoundary(m->beam, ant.AntPower, m->reflection, m->limit, m->tilt);
    return o;
}

// The outlines dashed over the plan as the view shows it, each labelled at
// its northernmost point.
void DrawOutlines(const Project& p, render::Surface& s,
                  const std::vector<BoundaryOutline>& outlines, render::Rgb colour) {
    const PlaneFrame f(p, false);
    if (!f.valid()) return;
    const double cell = p.CellSize, k = p.Zoom / CalcZoom(p);
    const double ox = k * p.XYCalcOffsetX + p.ScrollOffsetX,
                 oy = k * p.XYCalcOffsetY + p.ScrollOffsetY;
    const double dashOnScreen = 6.0 * std::max(s.unitsPerPixel(), 1.0);
    for (const BoundaryOutline& o : outlines) {
        std::vector<std::pair<double, double>> pts;
        for (const auto& [x, y] : o.ring)
            pts.emplace_back(ox + k * cell * (f.iOf(x) + 0.5), oy + k * cell * (f.jOf(y) + 0.5));
        if (pts.size() < 3) continue;
        // Dashes of a fixed length on the screen, whatever the zoom; an
        // outline far larger than the view (a high zoom) gets at most a few
        // thousand of them.
        double perimeter = 0.0;
        for (std::size_t n = 0; n < pts.size(); ++n) {
            const auto [x0, y0] = pts[n];
            const auto [x1, y1] = pts[(n + 1) % pts.size()];
            perimeter += std::hypot(x1 - x0, y1 - y0);
        }
        if (!std::isfinite(perimeter)) continue;
        const double dash = std::max(dashOnScreen, perimeter / 4000.0);
        // Dash k covers [k, k + 1) dash lengths along the outline; the even
        // ones are drawn.
        double run = 0.0;
        for (std::size_t n = 0; n < pts.size(); ++n) {
            const auto [x0, y0] = pts[n];
            const auto [x1, y1] = pts[(n + 1) % pts.size()];
            const double len = std::hypot(x1 - x0, y1 - y0);
            if (len > 0.0)
                for (auto k = static_cast<long long>(std::floor(run / dash)); k * dash < run + len;
                     ++k) {
                    if (k % 2 != 0) continue;
                    const double t0 = std::max(0.0, (k * dash - run) / len);
                    const double t1 = std::min(1.0, ((k + 1) * dash - run) / len);
                    if (t1 > t0)
                        s.line(x0 + (x1 - x0) * t0, y0 + (y1 - y0) * t0, x0 + (x1 - x0) * t1,
                               y0 + (y1 - y0) * t1, colour);
                }
            run += len;
        }
        const auto top = std::min_element(pts.begin(), pts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        });
        const std::string label = OutlineLabel(p, o);
        s.setTextColour(colour);
        s.setTextPosition(top->first - s.textExtent(label).width / 2,
                          top->second - s.textExtent(label).height);
        s.printLabel(label);
    }
}

} // namespace

void DrawTraces(const Project& p, render::Surface& s, const std::vector<double>& limitWm2,
                bool asked, OutlineCache* cache) {
    const bool shown = asked ? render::PlaneCalculated(p, render::currentPlane(p)) : TracesShown(p);
    if (!shown) return;
    const bool section = render::currentPlane(p) == Plane::XZ;
    antenna::EnvelopeCache own;
    antenna::EnvelopeCache* envelopes = cache ? cache->envelopes() : &own;
    const PlaneTraces t =
        section ? SectionTraces(p, limitWm2, envelopes) : PlanTraces(p, limitWm2, envelopes);
    const double cell = p.CellSize;
    // The section is drawn straight from its grid; the plan follows the view.
    const double k = section ? 1.0 : p.Zoom / CalcZoom(p);
    const double ox = section ? 0.0 : k * p.XYCalcOffsetX + p.ScrollOffsetX;
    const double oy = section ? 0.0 : k * p.XYCalcOffsetY + p.ScrollOffsetY;
    const auto draw = [&](const Trace& tr, render::Rgb colour, bool dashed) {
        for (const auto& [a, b] : tr.pieces) {
            // A dashed line leaves out the pieces of every other cell.
            if (dashed && (static_cast<long long>(std::floor(std::min(a.i, b.i))) +
                           static_cast<long long>(std::floor(std::min(a.j, b.j)))) %
                                  2 !=
                              0)
                continue;
            s.line(ox + k * cell * (a.i + 0.5), oy + k * cell * (a.j + 0.5),
                   ox + k * cell * (b.i + 0.5), oy + k * cell * (b.j + 0.5), colour);
        }
    };
    // The 100 % line dashed under the boundaries, which often lie close to it.
    draw(t.ratioLimit, render::Rgb{255, 0, 255}, true);
    const bool white = p.WhiteBackground;
    const render::Rgb colour = white ? render::Rgb{0, 0, 255} : render::Rgb{0, 255, 255};
    for (const Trace& b : t.boundaries)
        draw(b, colour, false);
    if (!section) {
        if (cache)
            DrawOutlines(p, s, cache->outlines(p, limitWm2), colour);
        else
            DrawOutlines(p, s, BoundaryOutlines(p, limitWm2, envelopes), colour);
    }
}

std::vector<BoundaryOutline> BoundaryOutlines(const Project& p, const std::vector<double>& limitWm2,
                                              antenna::EnvelopeCache* envelopes) {
    std::vector<BoundaryOutline> out;
    for (int slot = 1; slot <= AntennaBound(p) && slot < static_cast<int>(limitWm2.size()); ++slot)
        if (auto o = OutlineOf(p, slot, limitWm2[static_cast<std::size_t>(slot)], envelopes))
            out.push_back(std::move(*o));
    return out;
}

const std::vector<BoundaryOutline>& OutlineCache::outlines(const Project& p,
                                                           const std::vector<double>& limitWm2) {
    const std::lock_guard<std::mutex> hold(lock_);
    auto key = std::pair(DensityStampOf(p, Plane::XY), limitWm2);
    if (!key_ || *key_ != key) {
        outlines_ = BoundaryOutlines(p, limitWm2, &envelopes_);
        key_ = std::move(key);
    }
    return outlines_;
}

Trace OutlineTrace(const Project& p, const BoundaryOutline& o) {
    Trace t;
    const PlaneFrame f(p, false);
    if (!f.valid() || o.ring.size() < 3) return t;
    for (std::size_t n = 0; n < o.ring.size(); ++n) {
        const auto [x0, y0] = o.ring[n];
        const auto [x1, y1] = o.ring[(n + 1) % o.ring.size()];
        t.pieces.push_back({{f.iOf(x0), f.jOf(y0)}, {f.iOf(x1), f.jOf(y1)}});
    }
    return t;
}

std::string OutlineLabel(const Project& p, const BoundaryOutline& o) {
    const AntennaName n = NameOf(p, o.slot);
    return "T" + std::to_string(n.tower) + " A" + std::to_string(n.number) + ", " +
           FormatFixed(o.lowM, 1) + "\u2013" + FormatFixed(o.highM, 1) + " m";
}

std::string BoundariesGeoJson(const Project& p, const std::vector<BoundaryOutline>& outlines) {
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (const BoundaryOutline& o : outlines) {
        nlohmann::ordered_json ring = nlohmann::ordered_json::array();
        for (const auto& [x, y] : o.ring) {
            const geo::Geographic g = geo::PlanToGeographic(p, x, y);
            ring.push_back({g.lon, g.lat});
        }
        if (!ring.empty()) ring.push_back(ring.front());
        nlohmann::ordered_json props;
        props["antenna"] = NameText(p, o.slot);
        const std::string& site = p.Antennas[static_cast<std::size_t>(o.slot)].AntSite;
        props["site"] = site.empty() ? p.Compliance.SiteName : site;
        props["front_m"] = o.extent.front;
        props["back_m"] = o.extent.back;
        props["side_m"] = o.extent.side;
        props["above_m"] = o.extent.above;
        props["below_m"] = o.extent.below;
        // An antenna assessed below its maximum ERP also gives its boundary
        // at the maximum.
        const double factor = AntennaPowerFactor(p.Antennas[static_cast<std::size_t>(o.slot)]);
        if (factor != 1.0) {
            props["power_factor"] = factor;
            props["front_max_m"] = o.maximum.front;
            props["back_max_m"] = o.maximum.back;
            props["side_max_m"] = o.maximum.side;
            props["above_max_m"] = o.maximum.above;
            props["below_max_m"] = o.maximum.below;
        }
        props["low_m"] = o.lowM;
        props["high_m"] = o.highM;
        props["limit_w_m2"] = o.limitWm2;
        features.push_back(
            GeoJsonFeature(std::move(props), {{"type", "Polygon"}, {"coordinates", {ring}}}));
    }
    return GeoJsonText("boundaries", std::move(features));
}

} // namespace brenvik::compliance
