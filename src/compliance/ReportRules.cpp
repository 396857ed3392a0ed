// The report's pages of the rules: for each rule its source, what it sums
// and where, the verdict of every group at every place, floor or node with
// the worst of each group, and for a rule judging installations at places
// the table of each installation's antennas seen from each place.
#include "antenna/Pattern.h"
#include "compliance/ReportLayout.h"
#include "compliance/Units.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brenvik::compliance {

namespace rulepage {

using render::Rgb;
using render::Surface;

constexpr double Left = 800;
constexpr Rgb Ink{0, 0, 0}, Grey{110, 110, 110}, Ruler{170, 170, 170};
constexpr Rgb Passes{0, 110, 40}, Fails{180, 0, 0};
constexpr int RowsPerPage = 27;
constexpr double RowHeight = 270;
// Characters of a note's line at its size across the page.
constexpr std::size_t NoteWidth = 170;
constexpr double FindingCols[] = {0, 3200, 7800, 9600, 11200, 12800};
constexpr double InstallationCols[] = {0, 2600, 4000, 5600, 7000, 8600, 10200, 11800};

struct Line {
    enum Kind { Heading, Note, Titles, Row } kind;
    std::vector<std::string> cells;
    const double* cols = FindingCols;
    std::optional<bool> complies{}; // colours a row's last cell
};

// A long note cut at words into lines of the page's width.
void AddWrapped(std::vector<Line>& out, const std::string& text) {
    std::string rest = text;
    while (rest.size() > NoteWidth) {
        std::size_t cut = rest.rfind(' ', NoteWidth);
        if (cut == std::string::npos || cut == 0) cut = NoteWidth;
        out.push_back({Line::Note, {rest.substr(0, cut)}});
        rest = rest.substr(cut + (rest[cut] == ' ' ? 1 : 0));
    }
    if (!rest.empty()) out.push_back({Line::Note, {rest}});
}

std::string Described(const Rule& r) {
    const char* sum = r.sum == RuleSum::All            ? "all antennas together"
                      : r.sum == RuleSum::Installation ? "each installation's antennas"
                                                       : "each operator's antennas";
    const char* where = r.where == RuleWhere::Nodes    ? "every node of the plan"
                        : r.where == RuleWhere::Places ? "every place of sensitive use"
                                                       : "every point of every building floor";
    std::string limit;
    if (r.limit.kind == RuleLimit::Kind::Value)
        limit = FormatFixed(r.limit.value, 2) + " " + RuleUnit(r);
    else if (r.limit.kind == RuleLimit::Kind::Fraction)
        limit = FormatFixed(r.limit.fraction * 100.0, 2) + " % of " + r.limit.standard + "'s " +
                (r.quantity == RuleQuantity::E ? "field" : "power density");
    else
        for (const RuleBand& b : r.limit.bands)
            limit += (limit.empty() ? "" : ", ") + FormatFixed(b.value, 2) + " " + RuleUnit(r) +
                     " from " + FormatFixed(b.fromMHz, 1) + " to " + FormatFixed(b.toMHz, 1) +
                     " MHz";
    if (r.limit.otherwise) limit += ", otherwise " + FormatFixed(*r.limit.otherwise, 2);
    const char* power = r.power == RulePower::Maximum   ? "maximum power"
                        : r.power == RulePower::Reduced ? "reduced power"
                                                        : "time-averaged power";
    return std::string("Sums ") + sum + " at " + where + "; " +
           (r.quantity == RuleQuantity::E ? "E" : "S") + " against " + limit + "; " + power +
           (r.power == RulePower::TimeAveraged && r.timeFactor != 1.0
                ? " (factor " + FormatFixed(r.timeFactor, 3) + ")"
                : "") +
           ".";
}

std::string Value(const std::optional<double>& v, const Rule& r) {
    return v ? FormatFixed(*v, r.quantity == RuleQuantity::E ? 3 : 6) : "-";
}

void AddFindings(std::vector<Line>& out, const RuleVerdict& v) {
    const std::string unit = RuleUnit(v.rule);
    out.push_back({Line::Titles,
                   {"Group", "Where", "Value (" + unit + ")", "Limit (" + unit + ")", "% of limit",
                    "Verdict"}});
    for (const std::string& g : v.groups()) {
        const RuleFinding* worst = v.worstOf(g);
        for (const RuleFinding& f : v.findings)
            if (f.group == g)
                out.push_back(
                    {Line::Row,
                     {GroupText(v.rule.sum, g), f.where + (&f == worst ? " (worst)" : ""),
                      Value(f.value, v.rule), Value(f.limit, v.rule),
                      FormatPercent(f.share * 100.0), f.complies() ? "complies" : "exceeds"},
                     FindingCols,
                     f.complies()});
    }
}

// How far below its main beam the antenna radiates towards the place, dB,
// from its pattern (or parametric beam).
double AttenuationDb(const Project& p, const AntennaAtPlace& a, antenna::EnvelopeCache* envelopes) {
    const Antenna& ant = p.Antennas[static_cast<std::size_t>(a.slot)];
    const double az = a.azimuthDeg / 180.0 * std::numbers::pi,
                 el = a.elevationDeg / 180.0 * std::numbers::pi;
    const bool stick = antenna::IsStick(ant);
    const antenna::Direction d = antenna::DirectionInBeam(
        a.horizontalM * std::sin(az), a.horizontalM * std::cos(az), a.horizontalM * std::tan(el),
        stick ? 0.0 : ant.AntDirection, stick ? 0.0 : ant.AntTilt);
    return -antenna::BeamOf(p, ant, envelopes).GainDb(d.phiDeg, d.thetaDeg);
}

void AddInstallations(std::vector<Line>& out, const Project& p, const RuleVerdict& v,
                      const std::vector<PlaceValue>& places) {
    antenna::EnvelopeCache envelopes;
    for (const RuleGroup& g : RuleGroups(p, RuleSum::Installation)) {
        out.push_back({Line::Heading,
                       {GroupText(RuleSum::Installation, g.name) + ": its antennas "
                                                                   "seen from "
                                                                   "each place"}});
        out.push_back({Line::Titles,
                       {"Place", "Antenna", "Distance (m)", "Azimuth (deg)", "Elevation (deg)",
                        "Attenuation (dB)", "E (V/m)", "Limit (V/m)"},
                       InstallationCols});
        for (const PlaceValue& pv : places)
            for (const AntennaAtPlace& a : pv.antennas) {
                if (std::find(g.slots.begin(), g.slots.end(), a.slot) == g.slots.end()) continue;
                const double factor =
                    AntennaPowerFactor(p.Antennas[static_cast<std::size_t>(a.slot)], v.rule);
                const double e = std::sqrt(a.sUw * factor / 100.0 * FreeSpaceImpedance);
                out.push_back(
                    {Line::Row,
                     {pv.name, a.label, FormatFixed(a.directM, 1), FormatFixed(a.azimuthDeg, 1),
                      FormatFixed(a.elevationDeg, 1),
                      FormatFixed(AttenuationDb(p, a, &envelopes), 1), FormatFixed(e, 3), ""},
                     InstallationCols});
            }
        for (const RuleFinding& f : v.findings)
            if (f.group == g.name)
                out.push_back({Line::Row,
                               {f.where, "installation", "", "", "", "", Value(f.value, v.rule),
                                Value(f.limit, v.rule)},
                               InstallationCols,
                               f.complies()});
    }
}

std::vector<Line> Lines(const Project& p, const RuleVerdict& v,
                        const std::vector<PlaceValue>& places) {
    std::vector<Line> out;
    const Rule& r = v.rule;
    AddWrapped(out, "Source: " + r.citation + " (" + r.date + ").");
    AddWrapped(out, Described(r));
    if (!r.note.empty()) AddWrapped(out, "Note: " + r.note);
    out.push_back({Line::Heading, {"Verdict: " + v.text()}, FindingCols, v.complies()});
    if (v.refusal) return out;
    AddFindings(out, v);
    if (r.sum == RuleSum::Installation && r.where == RuleWhere::Places &&
        r.quantity == RuleQuantity::E)
        AddInstallations(out, p, v, places);
    return out;
}

void Draw(Surface& s, const Line& l, double& y) {
    switch (l.kind) {
    case Line::Heading:
        s.printAt(Left, y + 60, l.cells.front(), 9,
                  l.complies ? (*l.complies ? Passes : Fails) : Ink);
        y += RowHeight + 60;
        break;
    case Line::Note:
        s.printAt(Left, y, l.cells.front(), 7, Grey);
        y += RowHeight;
        break;
    case Line::Titles:
    case Line::Row:
        for (std::size_t c = 0; c < l.cells.size(); ++c) {
            const bool last = c + 1 == l.cells.size();
            const Rgb ink = l.kind == Line::Titles ? Grey
                            : last && l.complies   ? (*l.complies ? Passes : Fails)
                                                   : Ink;
            s.printAt(Left + l.cols[c], y, l.cells[c], l.kind == Line::Titles ? 7 : 7.5, ink);
        }
        if (l.kind == Line::Titles)
            s.line(Left, y + RowHeight - 30, Left + 14000, y + RowHeight - 30, Ruler);
        y += RowHeight;
        break;
    }
}

} // namespace rulepage

int ReportLayout::rulePageCount(int rule) const {
    const auto& v = in_.rules.at(static_cast<std::size_t>(rule));
    const int n = static_cast<int>(rulepage::Lines(*in_.project, v, in_.places).size());
    return std::max(1, (n + rulepage::RowsPerPage - 1) / rulepage::RowsPerPage);
}

void ReportLayout::rulePage(int rule, int index, render::Surface& s) const {
    const auto& v = in_.rules.at(static_cast<std::size_t>(rule));
    const std::vector<rulepage::Line> lines = rulepage::Lines(*in_.project, v, in_.places);
    double y = 1150;
    s.printAt(rulepage::Left, y, "Rule: " + v.rule.title, 12, rulepage::Ink);
    y += 480;
    const std::size_t first = static_cast<std::size_t>(index) * rulepage::RowsPerPage;
    for (std::size_t k = first; k < lines.size() && k < first + rulepage::RowsPerPage; ++k)
        rulepage::Draw(s, lines[k], y);
}

} // namespace brenvik::compliance
