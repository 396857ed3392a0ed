#include "compliance/Rules.h"

#include "compliance/BuiltInRules.inc" // kBuiltInRules, generated from data/rules.json
#include "model/InputFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <unistd.h>
#include <variant>

namespace brenvik::compliance {

namespace fs = std::filesystem;
using nlohmann::json;

const Rule* RuleBook::find(const std::string& id) const {
    for (const Rule& r : rules_)
        if (r.id == id) return &r;
    return nullptr;
}

namespace {

// A fault of one field of one rule: the reader names both.
struct BadRuleField {
    std::string field, why;
};

// A rules file holds a handful of rules; one of this size is not one.
constexpr std::uintmax_t MaxRulesFileBytes = 4u << 20;
// A rules file nests four levels; deeper brackets are no rules file.
constexpr int MaxRulesDepth = 16;

bool NestsTooDeep(const std::string& text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (inString) {
            if (c == '\\')
                ++k;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MaxRulesDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

std::string TextField(const json& j, const char* name, bool required) {
    if (!j.contains(name)) {
        if (required) throw BadRuleField{name, "is missing"};
        return {};
    }
    if (!j[name].is_string()) throw BadRuleField{name, "is not a text"};
    return j[name].get<std::string>();
}

// A number of the file that must be finite and positive.
double PositiveNumber(const json& j, const std::string& field) {
    if (!j.is_number()) throw BadRuleField{field, "is not a number"};
    const double v = j.get<double>();
    if (!std::isfinite(v) || !(v > 0.0)) throw BadRuleField{field, "must be a positive number"};
    return v;
}

template <class E>
E Choice(const json& j, const char* name, std::initializer_list<std::pair<const char*, E>> items) {
    std::string list;
    for (const auto& [key, value] : items) {
        if (j.contains(name) && j[name].is_string() && j[name].get<std::string>() == key)
            return value;
        list += (list.empty() ? "" : ", ") + std::string(key);
    }
    throw BadRuleField{name, j.contains(name) ? "is none of " + list : "is missing (" + list + ")"};
}

std::vector<RuleBand> ReadBands(const json& j) {
    if (!j.is_array() || j.empty()) throw BadRuleField{"limit.bands", "is no list of bands"};
    std::vector<RuleBand> out;
    for (const json& b : j) {
        if (!b.is_object()) throw BadRuleField{"limit.bands", "holds an item that is no band"};
        for (const char* key : {"from_mhz", "to_mhz", "value"})
            if (!b.contains(key))
                throw BadRuleField{std::string("limit.bands.") + key, "is missing"};
        RuleBand band{PositiveNumber(b["from_mhz"], "limit.bands.from_mhz"),
                      PositiveNumber(b["to_mhz"], "limit.bands.to_mhz"),
                      PositiveNumber(b["value"], "limit.bands.value")};
        if (band.toMHz < band.fromMHz)
            throw BadRuleField{"limit.bands.to_mhz", "lies below from_mhz"};
        out.push_back(band);
    }
    return out;
}

RuleLimit ReadLimit(const json& j) {
    if (!j.is_object()) throw BadRuleField{"limit", "is missing or no object"};
    RuleLimit l;
    const int kinds =
        int(j.contains("value")) + int(j.contains("bands")) + int(j.contains("fraction"));
    if (kinds != 1) throw BadRuleField{"limit", "gives exactly one of value, bands, fraction"};
    if (j.contains("value")) {
        l.kind = RuleLimit::Kind::Value;
        l.value = PositiveNumber(j["value"], "limit.value");
    } else if (j.contains("bands")) {
        l.kind = RuleLimit::Kind::Bands;
        l.bands = ReadBands(j["bands"]);
        if (j.contains("otherwise"))
            l.otherwise = PositiveNumber(j["otherwise"], "limit.otherwise");
    } else {
        l.kind = RuleLimit::Kind::Fraction;
        l.fraction = PositiveNumber(j["fraction"], "limit.fraction");
        if (l.fraction > 1.0) throw BadRuleField{"limit.fraction", "lies above 1"};
        if (!j.contains("standard") || !j["standard"].is_string() ||
            j["standard"].get<std::string>().empty())
            throw BadRuleField{"limit.standard", "names no standard of the limits library"};
        l.standard = j["standard"].get<std::string>();
    }
    return l;
}

Rule ReadRuleFields(const json& j, Rule r) {
    r.title = TextField(j, "title", false);
    if (r.title.empty()) r.title = r.id;
    r.citation = TextField(j, "citation", true);
    r.date = TextField(j, "date", true);
    r.note = TextField(j, "note", false);
    r.sum = Choice<RuleSum>(j, "sum",
                            {{"all", RuleSum::All},
                             {"installation", RuleSum::Installation},
                             {"operator", RuleSum::Operator}});
    r.where = Choice<RuleWhere>(j, "where",
                                {{"nodes", RuleWhere::Nodes},
                                 {"places", RuleWhere::Places},
                                 {"floors", RuleWhere::Floors}});
    r.quantity =
        Choice<RuleQuantity>(j, "quantity", {{"E", RuleQuantity::E}, {"S", RuleQuantity::S}});
    r.power = Choice<RulePower>(j, "power",
                                {{"maximum", RulePower::Maximum},
                                 {"reduced", RulePower::Reduced},
                                 {"time-averaged", RulePower::TimeAveraged}});
    if (j.contains("time_factor")) {
        r.timeFactor = PositiveNumber(j["time_factor"], "time_factor");
        if (r.timeFactor > 1.0) throw BadRuleField{"time_factor", "lies above 1"};
        if (r.power != RulePower::TimeAveraged)
            throw BadRuleField{"time_factor", "belongs to a time-averaged power only"};
    }
    if (!j.contains("limit")) throw BadRuleField{"limit", "is missing"};
    r.limit = ReadLimit(j["limit"]);
    return r;
}

// One rule of the list, or the message naming it and its field.
std::variant<Rule, std::string> ReadRule(const json& j, std::size_t index) {
    Rule r;
    if (!j.is_object() || !j.contains("id") || !j["id"].is_string() ||
        j["id"].get<std::string>().empty())
        return "rule " + std::to_string(index + 1) + ": field \"id\": every rule needs an id";
    r.id = j["id"].get<std::string>();
    try {
        return ReadRuleFields(j, std::move(r));
    } catch (const BadRuleField& e) {
        return "rule \"" + QuoteCut(j["id"].get<std::string>()) + "\": field \"" + e.field + "\" " +
               e.why;
    }
}

int LineAt(const std::string& text, std::size_t byte) {
    const std::size_t end = std::min(byte, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + end, '\n'));
}

std::variant<std::vector<Rule>, std::string> ReadRulesText(const std::string& text) {
    if (NestsTooDeep(text))
        return "its lists nest deeper than " + std::to_string(MaxRulesDepth) + " levels";
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        const std::size_t at = e.byte > 0 ? e.byte - 1 : 0;
        return "line " + std::to_string(LineAt(text, at)) + ": not a valid rules file";
    } catch (const json::out_of_range&) {
        // A number beyond a double's range: the parser says no more.
        return std::string("a number is too large");
    } catch (const json::exception& e) {
        return QuoteCut(e.what(), 200);
    }
    if (!doc.is_object() || !doc.contains("rules") || !doc["rules"].is_array())
        return std::string("line 1: a rules file holds a list \"rules\"");
    std::vector<Rule> read;
    for (std::size_t k = 0; k < doc["rules"].size(); ++k) {
        auto one = ReadRule(doc["rules"][k], k);
        if (auto* bad = std::get_if<std::string>(&one)) return *bad;
        read.push_back(std::get<Rule>(std::move(one)));
    }
    return read;
}

} // namespace

std::optional<std::string> RuleBook::addFromText(const std::string& text,
                                                 const std::string& fileName) {
    auto read = ReadRulesText(text);
    if (auto* bad = std::get_if<std::string>(&read)) return fileName + ": " + *bad;
    for (Rule& r : std::get<std::vector<Rule>>(read)) {
        const auto same =
            std::find_if(rules_.begin(), rules_.end(), [&](const Rule& o) { return o.id == r.id; });
        if (same == rules_.end())
            rules_.push_back(std::move(r));
        else
            *same = std::move(r);
    }
    return std::nullopt;
}

std::optional<std::string> RuleBook::addFromFile(const std::string& path,
                                                 std::vector<std::string>* ids) {
    std::string text;
    if (auto refused = ReadInputFile(path, MaxRulesFileBytes, text)) return path + ": " + *refused;
    auto read = ReadRulesText(text);
    if (auto* bad = std::get_if<std::string>(&read)) return path + ": " + *bad;
    if (ids)
        for (const Rule& r : std::get<std::vector<Rule>>(read))
            ids->push_back(r.id);
    return addFromText(text, path);
}

std::string ShippedRulesPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    const fs::path exe(std::string(buf, static_cast<std::size_t>(n)));
    return (exe.parent_path().parent_path() / "share" / "brenvik" / "rules.json").string();
}

std::string UserRulesPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return (fs::path(xdg) / "brenvik" / "rules.json").string();
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return (fs::path(home) / ".config" / "brenvik" / "rules.json").string();
}

LoadedRules LoadRules(const std::string& shippedPath, const std::string& userPath) {
    LoadedRules out;
    std::error_code ec;
    // A shipped file that does not read is a broken installation: the copy
    // built into the program stands in for it.
    if (shippedPath.empty() || !fs::exists(fs::symlink_status(shippedPath, ec)) ||
        out.book.addFromFile(shippedPath))
        out.book.addFromText(kBuiltInRules, "rules.json");
    if (!userPath.empty() && fs::exists(fs::symlink_status(userPath, ec)))
        if (auto refused = out.book.addFromFile(userPath))
            out.warning = "The rules file was refused: " + *refused;
    return out;
}

LoadedRules LoadRules() {
    return LoadRules(ShippedRulesPath(), UserRulesPath());
}

ChosenRules ChooseRules(const RuleBook& book, const std::vector<std::string>& names) {
    ChosenRules out;
    for (const std::string& name : names) {
        if (const Rule* r = book.find(name)) {
            out.rules.push_back(*r);
            continue;
        }
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(name, ec))) {
            out.refusal = "No rule or rules file " + QuoteCut(name);
            return out;
        }
        RuleBook own;
        std::vector<std::string> ids;
        if (auto refused = own.addFromFile(name, &ids)) {
            out.refusal = "The rules file was refused: " + *refused;
            return out;
        }
        for (const std::string& id : ids)
            out.rules.push_back(*own.find(id));
    }
    return out;
}

double AntennaPowerFactor(const Antenna& a, const Rule& r) {
    // The calculations take each antenna at its reduced ERP: its maximum
    // times its own power factor (F_PR or a national one; 1 for an antenna
    // without). The factor on the calculated density undoes that for a rule
    // on the maximum, and applies the rule's own factor to the maximum for a
    // time-averaged one.
    const double reduced = ::brenvik::AntennaPowerFactor(a);
    switch (r.power) {
    case RulePower::Maximum:
        return 1.0 / reduced;
    case RulePower::Reduced:
        return 1.0;
    case RulePower::TimeAveraged:
        return r.timeFactor / reduced;
    }
    return 1.0;
}

} // namespace brenvik::compliance
