#pragma once

#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// What a rule sums before it judges: every antenna together, each
// installation's antennas, or each operator's (the antennas' `installation`
// and `operator` fields).
enum class RuleSum { All, Installation, Operator };
// Where it judges: every node of the plan, the places of sensitive use, or
// every point of every building floor.
enum class RuleWhere { Nodes, Places, Floors };
// The quantity the limit is stated in: the field E in V/m or the power
// density S in W/m^2.
enum class RuleQuantity { E, S };
// The power the antennas radiate with in the rule's eyes.
enum class RulePower { Maximum, Reduced, TimeAveraged };

// One frequency band of a limit by band, both ends included; the first band
// holding a frequency gives its value.
struct RuleBand {
    double fromMHz = 0.0, toMHz = 0.0;
    double value = 0.0; // in the rule's quantity
};

struct RuleLimit {
    enum class Kind { Value, Bands, Fraction };
    Kind kind = Kind::Value;
    double value = 0.0; // Value: V/m or W/m^2
    std::vector<RuleBand> bands;
    // Bands with this value judge a group against one limit: the band every
    // antenna of the group lies in, else this one. Without it each antenna
    // is judged against its own band and the shares add up.
    std::optional<double> otherwise;
    double fraction = 0.0; // Fraction: of the standard's public reference level
    std::string standard;  // an id of the limits library
};

struct Rule {
    std::string id, title;
    std::string citation, date, note;
    RuleSum sum = RuleSum::All;
    RuleWhere where = RuleWhere::Places;
    RuleQuantity quantity = RuleQuantity::E;
    RuleLimit limit;
    RulePower power = RulePower::Maximum;
    double timeFactor = 1.0; // time-averaged: the rule's own factor on the power
};

// The rules the program knows: the shipped ones, then those of the user's
// own file (a rule of the same id replaces the shipped one).
class RuleBook {
  public:
    const Rule* find(const std::string& id) const;
    const std::vector<Rule>& rules() const { return rules_; }
    // Reads a rules file's text; on success adds (or replaces) its rules and
    // returns nothing. On failure returns the message naming `fileName`, the
    // rule and the field, and the book is left as it was.
    std::optional<std::string> addFromText(const std::string& text, const std::string& fileName);
    // Reads the file at `path` as addFromText does; its rules' ids in `ids`.
    std::optional<std::string> addFromFile(const std::string& path,
                                           std::vector<std::string>* ids = nullptr);

  private:
    std::vector<Rule> rules_;
};

// share/brenvik/rules.json beside the program's folder, and the user's own
// $XDG_CONFIG_HOME/brenvik/rules.json (else ~/.config/brenvik/rules.json).
std::string ShippedRulesPath();
std::string UserRulesPath();

// The shipped rules (or the copy built into the program when the file cannot
// be found) plus the user's file when there is one; a user's file that does
// not read leaves the shipped rules and gives "The rules file was refused: "
// and why in `warning`.
struct LoadedRules {
    RuleBook book;
    std::string warning;
};
LoadedRules LoadRules();
LoadedRules LoadRules(const std::string& shippedPath, const std::string& userPath);

// The rules a list of NAME|PATH arguments asks for, in order: a name is a
// rule of the book, anything else is read as a rules file and gives each of
// its rules. The refusal names the argument.
struct ChosenRules {
    std::vector<Rule> rules;
    std::optional<std::string> refusal;
};
ChosenRules ChooseRules(const RuleBook& book, const std::vector<std::string>& names);

// The factor on an antenna's calculated density (at its reduced ERP, the
// maximum times its power factor) that the rule's power basis takes: the
// maximum, the reduced power, or the maximum times the rule's time factor.
double AntennaPowerFactor(const Antenna& a, const Rule& r);

} // namespace brenvik::compliance
