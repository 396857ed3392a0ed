#pragma once

#include "compliance/Limits.h"
#include "compliance/Rules.h"
#include "model/Feedback.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// One set of antennas a rule sums: an installation's, an operator's (empty
// name: those without one) or, with `all`, every antenna (empty name).
struct RuleGroup {
    std::string name;
    std::vector<int> slots;
};
// The groups in the order their first antenna appears.
std::vector<RuleGroup> RuleGroups(const Project& p, RuleSum sum);

// The group's weights: weight[s] * S_s summed over the group's antennas (S in
// uW/cm^2 at maximum power) is its share of the limit in terms of power
// density, 1 at the limit; each weight carries the antenna's power factor.
// `limit` is the group's one limit in the rule's quantity, when it has one.
struct GroupWeights {
    std::vector<double> weight;      // slot 0 unused
    std::vector<double> powerFactor; // slot 0 unused; 0 outside the group
    std::optional<double> limit;
    std::optional<std::string> refusal;
};
GroupWeights RuleWeights(const Project& p, const Rule& r, const RuleGroup& g, const Library& lib);

// One judgement of a rule: one group at one place, floor or (the worst)
// node.
struct RuleFinding {
    std::string group; // the installation or operator; empty when every antenna is summed
    std::string where; // the place, "building (id), floor n" or "node at x = .., y = .. m"
    std::optional<double> value; // the group's E in V/m or S in W/m^2 there
    std::optional<double> limit; // the group's limit, same unit
    // Of the limit, 1 = at it: of the field for E, of the density for S.
    double share = 0.0;
    bool complies() const { return !(share > 1.0); }
};

struct RuleVerdict {
    Rule rule;
    std::vector<RuleFinding> findings;
    std::optional<std::string> refusal; // why the rule could not judge the site
    bool complies() const;
    // The finding of the largest share, overall or of one group.
    const RuleFinding* worst() const;
    const RuleFinding* worstOf(const std::string& group) const;
    // The groups judged, in order of appearance.
    std::vector<std::string> groups() const;
    // "complies: worst 62 % of the limit (installation North, School)",
    // "exceeds the limit at 2 of 15 points: worst 130 % of the limit (...)",
    // or the refusal.
    std::string text() const;
};

// Judges the project by the rule: every group at every place, at every
// point of every floor (the worst point of each floor), or at every node of
// the plan at the calculation's height (the worst node of each group, from
// one calculation pass per group; nothing judged without a current plan
// result). `fb` is asked for cancel; a cancelled run leaves the verdict
// incomplete.
RuleVerdict EvaluateRule(const Project& p, const Rule& r, const Library& lib,
                         Feedback* fb = nullptr);

// A rule whose limit is a fraction of a standard the library does not hold:
// the message naming the rule and the field; nothing for a sound rule.
std::optional<std::string> StandardRefusal(const Rule& r, const Library& lib);

// "installation North", "operator A" or "all antennas".
std::string GroupText(RuleSum sum, const std::string& group);
// The rule's quantity's unit: "V/m" or "W/m^2".
const char* RuleUnit(const Rule& r);

} // namespace brenvik::compliance
