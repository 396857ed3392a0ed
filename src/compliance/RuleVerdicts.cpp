#include "compliance/RuleVerdicts.h"

#include "antenna/Adaptive.h"
#include "calc/GridCalc.h"
#include "compliance/Buildings.h"
#include "compliance/Places.h"
#include "compliance/Units.h"
#include "geo/Geo.h"
#include "model/ResultStamp.h"

#include <algorithm>
#include <cmath>

namespace brenvik::compliance {

std::vector<RuleGroup> RuleGroups(const Project& p, RuleSum sum) {
    std::vector<RuleGroup> out;
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    for (int s = 1; s <= count; ++s) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
        const std::string name = sum == RuleSum::Installation ? a.AntInstallation
                                 : sum == RuleSum::Operator   ? a.AntOperator
                                                              : std::string();
        auto g = std::find_if(out.begin(), out.end(),
                              [&](const RuleGroup& o) { return o.name == name; });
        if (g == out.end()) g = out.insert(out.end(), RuleGroup{name, {}});
        g->slots.push_back(s);
    }
    return out;
}

namespace {

// A limit in the rule's quantity as a power density in uW/cm^2.
double LimitDensityUw(const Rule& r, double limit) {
    return r.quantity == RuleQuantity::E ? limit * limit / FreeSpaceImpedance * 100.0
                                         : limit * 100.0;
}

const RuleBand* RuleBandOf(const RuleLimit& l, double mhz) {
    for (const RuleBand& b : l.bands)
        if (mhz >= b.fromMHz && mhz <= b.toMHz) return &b;
    return nullptr;
}

// The one limit of a group judged by band: the band all its antennas lie
// in, else the other value.
double GroupBandLimit(const Project& p, const RuleLimit& l, const RuleGroup& g) {
    const RuleBand* common = nullptr;
    for (int s : g.slots) {
        const RuleBand* b = RuleBandOf(l, p.Antennas[static_cast<std::size_t>(s)].AntFrequencyMHz);
        if (!b || (common && b != common)) return *l.otherwise;
        common = b;
    }
    return common ? common->value : *l.otherwise;
}

// Each antenna's own limit in the rule's quantity, or the refusal.
std::optional<std::string> AntennaLimit(const Project& p, const Rule& r, const Library& lib, int s,
                                        double& limit) {
    const double mhz = p.Antennas[static_cast<std::size_t>(s)].AntFrequencyMHz;
    if (r.limit.kind == RuleLimit::Kind::Bands) {
        const RuleBand* b = RuleBandOf(r.limit, mhz);
        if (!b) return "rule \"" + r.id + "\": " + ShortName(p, s) + "'s frequency lies in no band";
        limit = b->value;
        return std::nullopt;
    }
    const Standard* st = lib.find(r.limit.standard);
    if (!st) return StandardRefusal(r, lib);
    const auto level = ReferenceLevel(*st, Population::Public, mhz);
    if (!level)
        return "rule \"" + r.id + "\": " + ShortName(p, s) + "'s frequency lies outside " + st->id;
    limit = r.limit.fraction * (r.quantity == RuleQuantity::E ? level->eVm : level->sWm2);
    return std::nullopt;
}

} // namespace

GroupWeights RuleWeights(const Project& p, const Rule& r, const RuleGroup& g, const Library& lib) {
    GroupWeights w;
    const std::size_t n = static_cast<std::size_t>(std::max(p.AntennaSlotBound(), 0)) + 1;
    w.weight.assign(n, 0.0);
    w.powerFactor.assign(n, 0.0);
    if (r.limit.kind == RuleLimit::Kind::Value)
        w.limit = r.limit.value;
    else if (r.limit.kind == RuleLimit::Kind::Bands && r.limit.otherwise)
        w.limit = GroupBandLimit(p, r.limit, g);
    for (int s : g.slots) {
        const auto k = static_cast<std::size_t>(s);
        double limit = w.limit.value_or(0.0);
        if (!w.limit)
            if (auto refused = AntennaLimit(p, r, lib, s, limit)) {
                w.refusal = refused;
                return w;
            }
        w.powerFactor[k] = AntennaPowerFactor(p.Antennas[k], r);
        w.weight[k] = w.powerFactor[k] / LimitDensityUw(r, limit);
    }
    return w;
}

namespace {

// The finding of a group whose density S (uW/cm^2, power factors applied)
// and share in power terms `ratio` are known at one point.
RuleFinding Finding(const Rule& r, const std::string& group, const std::string& where,
                    const GroupWeights& w, double sUw, double ratio) {
    RuleFinding f;
    f.group = group;
    f.where = where;
    f.limit = w.limit;
    f.share = r.quantity == RuleQuantity::E ? std::sqrt(std::max(ratio, 0.0)) : ratio;
    f.value =
        r.quantity == RuleQuantity::E ? std::sqrt(sUw / 100.0 * FreeSpaceImpedance) : sUw / 100.0;
    return f;
}

struct Weighted {
    std::string group;
    GroupWeights w;
};

void JudgePlaces(const Project& p, const Rule& r, const std::vector<Weighted>& groups,
                 RuleVerdict& v) {
    antenna::EnvelopeCache envelopes;
    for (const Place& place : p.Places) {
        const PlaceValue pv = EvaluatePlace(p, place, {}, &envelopes);
        for (const Weighted& g : groups) {
            double s = 0.0, ratio = 0.0;
            for (const AntennaAtPlace& a : pv.antennas) {
                const auto k = static_cast<std::size_t>(a.slot);
                s += a.sUw * g.w.powerFactor[k];
                ratio += a.sUw * g.w.weight[k];
            }
            v.findings.push_back(Finding(r, g.group, place.Name, g.w, s, ratio));
        }
    }
}

std::string FloorText(const Building& b, int floor) {
    return (b.Name.empty() ? b.Id : b.Name + " (" + b.Id + ")") + ", floor " +
           std::to_string(floor);
}

void JudgeFloors(const Project& p, const Rule& r, const std::vector<Weighted>& groups,
                 RuleVerdict& v, Feedback* fb) {
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    std::vector<double> zA(static_cast<std::size_t>(std::max(count, 0)) + 1), d(zA.size());
    for (int s = 1; s <= count; ++s)
        zA[static_cast<std::size_t>(s)] = AntennaZ(p, s);
    antenna::EnvelopeCache envelopes; // one per array for every point
    for (const Building& b : p.Buildings) {
        const std::vector<FloorPoint> pts = FloorPoints(p, b, fb);
        for (int f = 0; f < b.floorCount(); ++f) {
            if (fb && fb->isCanceled()) return;
            std::vector<RuleFinding> worst(groups.size());
            for (std::size_t g = 0; g < groups.size(); ++g)
                worst[g] = Finding(r, groups[g].group, FloorText(b, f), groups[g].w, 0.0, 0.0);
            for (const FloorPoint& q : pts) {
                const double z =
                    GroundAt(p, q.xm, q.ym) + b.BaseM + f * MetresPerFloor + ReceptorAboveFloorM;
                for (int s = 1; s <= count; ++s)
                    d[static_cast<std::size_t>(s)] = AntennaDensity(
                        p, s, q.xm, q.ym, zA[static_cast<std::size_t>(s)], z, &envelopes);
                for (std::size_t g = 0; g < groups.size(); ++g) {
                    double sUw = 0.0, ratio = 0.0;
                    for (std::size_t s = 1; s < d.size(); ++s) {
                        sUw += d[s] * groups[g].w.powerFactor[s];
                        ratio += d[s] * groups[g].w.weight[s];
                    }
                    const RuleFinding here =
                        Finding(r, groups[g].group, worst[g].where, groups[g].w, sUw, ratio);
                    if (here.share > worst[g].share) worst[g] = here;
                }
            }
            v.findings.insert(v.findings.end(), worst.begin(), worst.end());
        }
    }
}

// The node's cartesian metres, as the summary states its maximum.
std::string NodeText(const Project& p, int i, int j) {
    const auto at = [](const std::vector<double>& m, int k) {
        return k >= 0 && k < static_cast<int>(m.size()) ? m[static_cast<std::size_t>(k)] : 0.0;
    };
    const geo::Cartesian c = geo::ToCartesian(
        p, geo::Metres{at(p.GridXm, i), geo::VisibleHeight * p.MetersPerUnit - at(p.GridYm, j)});
    return "node at x = " + FormatFixed(c.X, 1) + " m, y = " + FormatFixed(c.Y, 1) + " m";
}

void JudgeNodes(const Project& p, const Rule& r, const std::vector<Weighted>& groups,
                RuleVerdict& v, Feedback* fb) {
    if (!ResultCurrent(p, Plane::XY)) {
        v.refusal = "the plan has no current result to judge";
        return;
    }
    for (const Weighted& g : groups) {
        // One pass per group: its weights as the inverse limits give the
        // group's share at every node in the ratio grid.
        Project copy = p;
        CalcControl ctl;
        ctl.feedback = fb;
        ctl.inverseLimit = g.w.weight;
        ctl.inverseLimit.resize(static_cast<std::size_t>(std::max<int>(p.AntennaCount, 0)) + 1);
        const CalcOutcome done = RunXYCalculation(copy, ctl);
        if (!done.ok()) {
            v.refusal = done.status == CalcStatus::Cancelled ? "cancelled" : done.message;
            return;
        }
        const Grid2D<double>& ratio = copy.XY.Ratio;
        if (ratio.nx() < 1 || ratio.ny() < 1) {
            v.refusal = "the plan has no nodes to judge";
            return;
        }
        int bi = 1, bj = 1;
        for (int i = 1; i <= std::min<int>(p.GridNX, ratio.nx()); ++i)
            for (int j = 1; j <= std::min<int>(p.GridNY, ratio.ny()); ++j)
                if (ratio(i, j) > ratio(bi, bj)) bi = i, bj = j;
        RuleFinding f = Finding(r, g.group, NodeText(p, bi, bj), g.w, 0.0, ratio(bi, bj));
        // The nodes give the group's share only; its value follows from one limit.
        f.value.reset();
        if (f.limit) f.value = *f.limit * f.share;
        v.findings.push_back(f);
    }
}

} // namespace

RuleVerdict EvaluateRule(const Project& p, const Rule& r, const Library& lib, Feedback* fb) {
    RuleVerdict v;
    v.rule = r;
    std::vector<Weighted> groups;
    for (const RuleGroup& g : RuleGroups(p, r.sum)) {
        groups.push_back(Weighted{g.name, RuleWeights(p, r, g, lib)});
        if (groups.back().w.refusal) {
            v.refusal = groups.back().w.refusal;
            return v;
        }
    }
    // A rule with nowhere to judge says so rather than pass the site.
    if (r.where == RuleWhere::Places && p.Places.empty())
        v.refusal = "the project has no places of sensitive use";
    else if (r.where == RuleWhere::Floors && p.Buildings.empty())
        v.refusal = "the project has no buildings";
    else if (r.where == RuleWhere::Places)
        JudgePlaces(p, r, groups, v);
    else if (r.where == RuleWhere::Floors)
        JudgeFloors(p, r, groups, v, fb);
    else
        JudgeNodes(p, r, groups, v, fb);
    return v;
}

bool RuleVerdict::complies() const {
    return !refusal && std::all_of(findings.begin(), findings.end(),
                                   [](const RuleFinding& f) { return f.complies(); });
}

const RuleFinding* RuleVerdict::worstOf(const std::string& group) const {
    const RuleFinding* best = nullptr;
    for (const RuleFinding& f : findings)
        if (f.group == group && (!best || f.share > best->share)) best = &f;
    return best;
}

const RuleFinding* RuleVerdict::worst() const {
    const RuleFinding* best = nullptr;
    for (const RuleFinding& f : findings)
        if (!best || f.share > best->share) best = &f;
    return best;
}

std::vector<std::string> RuleVerdict::groups() const {
    std::vector<std::string> out;
    for (const RuleFinding& f : findings)
        if (std::find(out.begin(), out.end(), f.group) == out.end()) out.push_back(f.group);
    return out;
}

std::optional<std::string> StandardRefusal(const Rule& r, const Library& lib) {
    if (r.limit.kind != RuleLimit::Kind::Fraction || lib.find(r.limit.standard))
        return std::nullopt;
    return "rule \"" + r.id + "\": field \"limit.standard\": no standard " + r.limit.standard +
           " in the limits library";
}

std::string GroupText(RuleSum sum, const std::string& group) {
    if (sum == RuleSum::All) return "all antennas";
    const std::string name = group.empty() ? "(none)" : group;
    return (sum == RuleSum::Installation ? "installation " : "operator ") + name;
}

const char* RuleUnit(const Rule& r) {
    return r.quantity == RuleQuantity::E ? "V/m" : "W/m^2";
}

std::string RuleVerdict::text() const {
    if (refusal) return "not judged: " + *refusal;
    const RuleFinding* w = worst();
    if (!w) return "nothing to judge";
    const std::string at = " (" + GroupText(rule.sum, w->group) + ", " + w->where + ")";
    const std::string worstText = "worst " + FormatPercent(w->share * 100.0) + " % of the limit";
    if (complies()) return "complies: " + worstText + at;
    const auto above = std::count_if(findings.begin(), findings.end(),
                                     [](const RuleFinding& f) { return !f.complies(); });
    return "exceeds the limit at " + std::to_string(above) + " of " +
           std::to_string(findings.size()) + " points: " + worstText + at;
}

} // namespace brenvik::compliance
