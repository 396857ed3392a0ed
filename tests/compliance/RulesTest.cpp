#include "compliance/Rules.h"

#include "calc/GridCalc.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Contributions.h"
#include "compliance/Csv.h"
#include "compliance/RuleVerdicts.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <sstream>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

const RuleBook& Shipped() {
    static const LoadedRules rules = LoadRules(ShippedRulesPath(), "");
    return rules.book;
}

// Two operators, three installations of stick antennas 20 m up:
// North (A 900 + A 1800 MHz: mixed), South (B 1800), East (B 800 + A 700).
struct Mast {
    double power, mhz, i, j;
    const char *op, *inst;
};
const Mast Masts[] = {{400, 900, 30, 30, "A", "North"},
                      {300, 1800, 32, 30, "A", "North"},
                      {500, 1800, 60, 40, "B", "South"},
                      {200, 800, 45, 55, "B", "East"},
                      {250, 700, 47, 55, "A", "East"}};

Project TwoOperatorSite() {
    Project p;
    for (const Mast& m : Masts) {
        Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Stick, m.power, 20, 0, m.i, m.j);
        a.AntFrequencyMHz = m.mhz;
        a.AntOperator = m.op;
        a.AntInstallation = m.inst;
    }
    const double cell = p.CellSize;
    for (const auto& [name, i, j, h] : {std::tuple("School", 40.0, 35.0, 18.0),
                                        {"Home", 50.0, 50.0, 19.5},
                                        {"Clinic", 25.0, 45.0, 16.0},
                                        {"Creche", 62.0, 37.0, 21.0},
                                        {"Park", 46.0, 60.0, 19.0}})
        p.Places.push_back(Place{name, "", i * cell + 3.0, j * cell + 1.0, h});
    return p;
}

// The stick antenna's density by hand: 8.64 P / r^2 times the vertical
// cut-off at 12/180 rad, with the model's four-digit pi.
double HandDensity(const Project& p, int s, const Place& q) {
    const Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
    const double dx = (q.X - a.AntX) * p.MetersPerUnit, dy = (q.Y - a.AntY) * p.MetersPerUnit;
    const double dz = 20.0 - q.HeightM, dh = std::hypot(dx, dy);
    const double f = 1.0 / (1.0 + std::exp((12.0 / 180.0 - std::atan(std::abs(dz) / dh)) / 0.05));
    const double g = std::cos(3.1416 / 2 * f);
    return 8.64 * a.AntPower / (dh * dh + dz * dz) * g * g;
}

// ICNIRP 1998's public field at f MHz, typed from its table.
double Icnirp98E(double mhz) {
    return mhz < 400 ? 28.0 : mhz < 2000 ? 1.375 * std::sqrt(mhz) : 61.0;
}

} // namespace

TEST(Rules, ShippedRulesCiteTheirSource) {
    ASSERT_EQ(Shipped().rules().size(), 4u);
    for (const Rule& r : Shipped().rules()) {
        EXPECT_FALSE(r.citation.empty()) << r.id;
        EXPECT_EQ(r.date.size(), 10u) << r.id;
    }
    const Rule* ch = Shipped().find("ch-installation");
    ASSERT_TRUE(ch);
    EXPECT_EQ(std::tuple(ch->sum, ch->where, ch->limit.otherwise.value_or(0)),
              std::tuple(RuleSum::Installation, RuleWhere::Places, 5.0));
}

TEST(Rules, BadFieldIsRefusedNamingRuleAndField) {
    const std::string head = R"({"rules": [{"id": "mine", "citation": "c", "date": "d", )";
    const std::string good = R"("sum": "all", "where": "places", "quantity": "E", )"
                             R"("power": "maximum", "limit": {"value": 5})";
    // One part of the good rule put in place of another: what it says.
    const std::tuple<std::string, std::string, const char*> cases[] = {
        {R"("sum": "all")", R"("sum": "everyone")",
         "field \"sum\" is none of all, installation, operator"},
        {R"("quantity": "E")", R"("quantity": "H")", "field \"quantity\" is none of E, S"},
        {R"({"value": 5})", R"({"value": -5})", "field \"limit.value\" must be a positive number"},
        {R"({"value": 5})", R"({"bands": [{"from_mhz": 900, "to_mhz": 800, "value": 4}]})",
         "field \"limit.bands.to_mhz\" lies below from_mhz"},
        {R"({"value": 5})", R"({"fraction": 0.5})",
         "field \"limit.standard\" names no standard of the limits library"},
        {R"("where": "places")", R"("where": "roofs")",
         "field \"where\" is none of nodes, places, floors"},
        {R"("limit")", R"("time_factor": 0.5, "limit")",
         "field \"time_factor\" belongs to a time-averaged power only"},
    };
    for (const auto& [from, to, why] : cases) {
        std::string fields = good;
        fields.replace(fields.find(from), from.size(), to);
        RuleBook book;
        const auto refused = book.addFromText(head + fields + "}]}", "own.json");
        ASSERT_TRUE(refused) << fields;
        EXPECT_EQ(*refused, "own.json: rule \"mine\": " + std::string(why));
        EXPECT_TRUE(book.rules().empty());
    }
    RuleBook book;
    EXPECT_FALSE(book.addFromText(head + good + "}]}", "own.json"));
    EXPECT_EQ(*RuleBook().addFromText(R"({"rules": [{"id": "x",)", "own.json"),
              "own.json: line 1: not a valid rules file");
    EXPECT_EQ(*RuleBook().addFromText(head + good + R"(, "time_factor": 1e999}]})", "own.json"),
              "own.json: a number is too large");
}

// Each rule's share at each place equals the hand sum over its installation
// or operator (or every antenna), at maximum power.
TEST(Rules, VerdictsAreHandSumsPerInstallationAndOperator) {
    const Project p = TwoOperatorSite();
    Rule bru = *Shipped().find("be-bru-operator"), band = *Shipped().find("it-exposure");
    bru.where = band.where = RuleWhere::Places; // the same sums, at the places
    const Rule ch = *Shipped().find("ch-installation"), it = *Shipped().find("it-attention");
    const std::map<std::string, double> chLimit = {{"North", 5.0}, {"South", 6.0}, {"East", 4.0}};
    const auto hand = [&](const Rule& r, const std::string& group, const Place& q) {
        double ratio = 0.0; // sum of S / S_limit over the group
        for (int s = 1; s <= 5; ++s) {
            const Mast& m = Masts[s - 1];
            const std::string mine = r.sum == RuleSum::Operator       ? m.op
                                     : r.sum == RuleSum::Installation ? m.inst
                                                                      : "";
            if (mine != group) continue;
            const double e = &r == &ch    ? chLimit.at(group)
                             : &r == &it  ? 15.0
                             : &r == &bru ? 3.0 / 41.25 * Icnirp98E(m.mhz)
                                          : (m.mhz <= 3000 ? 20.0 : 40.0);
            ratio += HandDensity(p, s, q) / (e * e / 376.73 * 100.0);
        }
        return std::sqrt(ratio);
    };
    for (const Rule* r : std::initializer_list<const Rule*>{&ch, &bru, &it, &band}) {
        const RuleVerdict v = EvaluateRule(p, *r, brenvik::testing::ShippedLimits());
        ASSERT_FALSE(v.refusal) << *v.refusal;
        const std::size_t groups = r->sum == RuleSum::All ? 1 : r->sum == RuleSum::Operator ? 2 : 3;
        ASSERT_EQ(v.findings.size(), 5 * groups) << r->id;
        bool complies = true;
        for (std::size_t k = 0; k < v.findings.size(); ++k) {
            const RuleFinding& f = v.findings[k];
            const Place& q = p.Places[k / groups];
            EXPECT_EQ(f.where, q.Name);
            const double want = hand(*r, f.group, q);
            EXPECT_NEAR(f.share, want, 1e-9 * want) << r->id << " " << f.group << " " << q.Name;
            complies = complies && want <= 1.0;
        }
        EXPECT_EQ(v.complies(), complies) << r->id;
        EXPECT_GT(v.worst()->share, 0.01) << r->id; // the places lie in the beams
        EXPECT_EQ(v.text().substr(0, 8), complies ? "complies" : "exceeds ") << v.text();
    }
}

// At the nodes the rule reads the engine's grid: one antenna against one
// value peaks where the plan's density does.
TEST(Rules, NodesJudgeTheWorstNodeOfTheGrid) {
    Project p;
    brenvik::testing::AddAntenna(p, AntennaKind::Stick, 800, 6, 0, 40, 40);
    Rule r = *Shipped().find("it-attention");
    r.where = RuleWhere::Nodes;
    EXPECT_TRUE(EvaluateRule(p, r, brenvik::testing::ShippedLimits()).refusal);
    ASSERT_TRUE(RunXYCalculation(p).ok());
    const RuleVerdict v = EvaluateRule(p, r, brenvik::testing::ShippedLimits());
    ASSERT_FALSE(v.refusal) << *v.refusal;
    ASSERT_EQ(v.findings.size(), 1u);
    const double e = std::sqrt(p.XY.MaxDensity / 100.0 * 376.73);
    EXPECT_NEAR(v.findings[0].share, e / 15.0, 1e-9 * e);
    EXPECT_NEAR(*v.findings[0].value, e, 1e-9 * e);
}

// The report gives each rule a page: its source, the verdict of every
// installation at every place, and each installation's antennas seen from
// the places; the library's flat national values give way to the rules.
TEST(Rules, ReportHasAPagePerRule) {
    Project p = TwoOperatorSite();
    CalcControl ctl;
    ctl.inverseLimit = brenvik::testing::IcnirpInverse(p);
    ASSERT_TRUE(RunXYCalculation(p, ctl).ok());
    const auto& lib = brenvik::testing::ShippedLimits();
    const SummaryResult s = Summarise(p, lib, "icnirp-2020", Population::Public);
    ReportInput in{&p, s.summary, "site.bvk", "2026-12-07 10:00"};
    in.places = EvaluatePlaces(p, brenvik::testing::IcnirpInverse(p));
    const ReportLayout plain(in);
    in.rules = {EvaluateRule(p, *Shipped().find("ch-installation"), lib),
                EvaluateRule(p, *Shipped().find("it-exposure"), lib)};
    const ReportLayout judged(in);
    EXPECT_GE(judged.pageCount(), plain.pageCount() + 2);
    const auto has = [](const std::vector<std::string>& texts, const std::string& t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    };
    const std::vector<std::string> before = brenvik::testing::ReportTexts(plain),
                                   after = brenvik::testing::ReportTexts(judged);
    EXPECT_TRUE(has(before, "4,2 uW/cm^2 = Maximum limit allowed in Suiza"));
    EXPECT_FALSE(has(after, "4,2 uW/cm^2 = Maximum limit allowed in Suiza"));
    EXPECT_TRUE(has(after, "Rule: Switzerland: installation limit at places of sensitive use"));
    EXPECT_TRUE(has(after, "Verdict: " + in.rules[0].text()));
    EXPECT_TRUE(has(after, "installation North: its antennas seen from each place"));
    // T1 A1 seen from the school: a stick radiates alike all round, so its
    // attenuation is the parametric beam's below the horizon.
    const PlaceValue& school = in.places[0];
    const auto a = std::find_if(school.antennas.begin(), school.antennas.end(),
                                [](const AntennaAtPlace& x) { return x.slot == 1; });
    const double th = std::atan2(20.0 - 18.0, a->horizontalM) * 180.0 / std::numbers::pi;
    const double vbw = 2 * 12.0; // twice the stick's open angle
    const double db = std::min(12 * (th / vbw) * (th / vbw), 20.0);
    const auto row = std::find(after.begin(), after.end(), FormatFixed(db, 1));
    ASSERT_NE(row, after.end());
    EXPECT_EQ(std::tuple(*(row - 5), *(row - 4)), std::tuple("School", "T1 A1"));
}

TEST(Rules, NowhereToJudgeIsNoPass) {
    Project p = TwoOperatorSite();
    p.Places.clear();
    for (const char* id : {"ch-installation", "be-bru-operator"}) {
        const RuleVerdict v =
            EvaluateRule(p, *Shipped().find(id), brenvik::testing::ShippedLimits());
        EXPECT_FALSE(v.complies()) << id;
        EXPECT_EQ(v.text().substr(0, 12), "not judged: ") << id;
    }
}

// Each place's share per operator is the hand sum of the operator's antennas
// over the hand sum of all.
TEST(Rules, PlaceSharesPerOperatorAreHandSums) {
    const Project p = TwoOperatorSite();
    const std::string csv = PlaceSharesCsv(p, EvaluatePlaces(p, {}));
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, std::string(PlaceSharesHeader) + "\r");
    for (const Place& q : p.Places) {
        std::map<std::string, double> hand;
        double total = 0.0, most = 0.0;
        int dominant = 0;
        for (int s = 1; s <= 5; ++s) {
            hand[Masts[s - 1].op] += HandDensity(p, s, q);
            total += HandDensity(p, s, q);
            if (HandDensity(p, s, q) > most) most = HandDensity(p, s, q), dominant = s;
        }
        for (const char* op : {"A", "B"}) { // in the order they first appear
            ASSERT_TRUE(std::getline(in, line));
            const std::vector<std::string> f = SplitCsvLine(line.substr(0, line.size() - 1));
            ASSERT_EQ(f.size(), 5u) << line;
            EXPECT_EQ(std::tuple(f[0], f[1]), std::tuple(q.Name, std::string(op)));
            EXPECT_NEAR(std::stod(f[2]), hand[op], 1e-9 * hand[op]);
            EXPECT_NEAR(std::stod(f[3]), 100.0 * hand[op] / total, 1e-9);
            EXPECT_EQ(f[4], std::to_string(dominant));
        }
    }
}

// A user's file that does not read leaves the shipped rules and says why,
// naming the rule and the field.
TEST(Rules, UsersBadFileLeavesTheShippedRules) {
    brenvik::testing::TempDir dir;
    const std::string user = dir.path() / "rules.json";
    std::ofstream(user) << R"({"rules": [{"id": "mine", "citation": "c", "date": "d",
        "sum": "all", "where": "places", "quantity": "E", "power": "peak",
        "limit": {"value": 5}}]})";
    const LoadedRules loaded = LoadRules(ShippedRulesPath(), user);
    EXPECT_EQ(loaded.book.rules().size(), 4u);
    EXPECT_EQ(loaded.warning, "The rules file was refused: " + user +
                                  ": rule \"mine\": field \"power\" is none of maximum, reduced, "
                                  "time-averaged");
}

// An antenna whose power factor is 0.25 counts at its maximum, its reduced
// or its time-averaged power as the rule's basis says, the others at their
// ERP whatever it says.
TEST(Rules, PowerBasisTakesEachAntennasOwnFactor) {
    Project p = TwoOperatorSite();
    p.Antennas[1].AntPowerFactor = 0.25;
    Rule r = *Shipped().find("it-attention");
    for (const auto& [power, timeFactor, first] :
         {std::tuple(RulePower::Maximum, 1.0, 1.0), std::tuple(RulePower::Reduced, 1.0, 0.25),
          std::tuple(RulePower::TimeAveraged, 0.5, 0.5)}) {
        r.power = power;
        r.timeFactor = timeFactor;
        const RuleVerdict v = EvaluateRule(p, r, brenvik::testing::ShippedLimits());
        ASSERT_FALSE(v.refusal) << *v.refusal;
        ASSERT_EQ(v.findings.size(), p.Places.size());
        for (std::size_t k = 0; k < p.Places.size(); ++k) {
            double ratio = 0.0;
            for (int s = 1; s <= 5; ++s) {
                const double basis = s == 1 ? first : power == RulePower::TimeAveraged ? 0.5 : 1.0;
                ratio += basis * HandDensity(p, s, p.Places[k]) / (15.0 * 15.0 / 376.73 * 100.0);
            }
            EXPECT_NEAR(v.findings[k].share, std::sqrt(ratio), 1e-9 * std::sqrt(ratio))
                << static_cast<int>(power) << " " << p.Places[k].Name;
        }
    }
}
