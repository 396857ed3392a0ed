#include "compliance/Limits.h"

#include "compliance/ComplianceTestSupport.h"
#include "compliance/Units.h"
#include "model/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;
using namespace brenvik::compliance;

using brenvik::testing::ShippedLimits;

TEST(Limits, ReferenceLevelsOfTheStandards) {
    struct Case {
        const char* id;
        Population g;
        double mhz, sWm2, eVm; // eVm 0: not checked
    };
    const Population P = Population::Public, O = Population::Occupational;
    // clang-format off
    const Case cases[] = {
        {"icnirp-2020", P, 900, 4.5, 0}, {"icnirp-2020", P, 1800, 9, 0},
        {"icnirp-2020", P, 2100, 10, 0}, {"icnirp-2020", P, 3500, 10, 0},
        {"icnirp-2020", P, 100, 2, 27.7}, {"icnirp-2020", O, 900, 22.5, 0},
        {"icnirp-2020", O, 3500, 50, 0}, {"icnirp-1998", P, 900, 4.5, 41.25},
        {"icnirp-1998", P, 3500, 10, 61}, {"icnirp-1998", O, 1800, 45, 0},
        {"fcc", P, 900, 6.0, 0}, {"fcc", P, 3500, 10, 0}, {"fcc", P, 100, 2, 27.5},
        {"fcc", O, 900, 30, 0}, {"eu-es-450", O, 3500, 4.5, 0}, {"salzburg-0.1", P, 900, 0.001, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.mhz));
        const Standard* s = ShippedLimits().find(c.id);
        ASSERT_NE(s, nullptr);
        const auto l = ReferenceLevel(*s, c.g, c.mhz);
        ASSERT_TRUE(l);
        EXPECT_NEAR(l->sWm2, c.sWm2, 1e-9 * c.sWm2);
        if (c.eVm > 0) {
            EXPECT_NEAR(l->eVm, c.eVm, 1e-9 * c.eVm);
        }
    }
    // Below 300 kHz the FCC table gives nothing; a field-only range gives S
    // from E.
    EXPECT_FALSE(ReferenceLevel(*ShippedLimits().find("fcc"), Population::Public, 0.2));
    const auto low = ReferenceLevel(*ShippedLimits().find("icnirp-1998"), Population::Public, 0.5);
    ASSERT_TRUE(low);
    EXPECT_NEAR(low->sWm2, 87.0 * 87.0 / 376.73, 1e-9);
}

TEST(Limits, UserFileAddsStandardsAndABadFileIsNamedWithItsLine) {
    brenvik::testing::TempDir dir;
    const std::string user = dir.file("limits.json");
    std::ofstream(user)
        << "{\"standards\": [\n"
           "  {\"id\": \"local-6vm\", \"title\": \"6 V/m\", \"national\": true,\n"
           "   \"public\": [{\"from_mhz\": 0.1, \"to_mhz\": 300000, \"E\": [6, 0]}]}]}";
    LoadedLibrary lib = LoadLibrary(dir.file("missing.json"), user);
    EXPECT_EQ(lib.warning, "");
    ASSERT_NE(lib.library.find("icnirp-2020"), nullptr); // the built-in copy stands in
    const auto l = ReferenceLevel(*lib.library.find("local-6vm"), Population::Public, 900);
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->sWm2, 36.0 / 376.73, 1e-12);

    const std::size_t before = lib.library.standards().size();
    struct Bad {
        std::string text;
        const char* says;
    } bad[] = {
        {"{\"standards\": [\n{\"id\": \"x\",\n \"public\": [ }]}", ": line 3:"},
        {"{\"standards\": [{\"id\": \"x\", \"public\": [{\"from_mhz\": 1}]}]}", "standard x"},
        // 1e300 * 300000^2 = 9e310 passes the largest double; 1e-300 * 300000^-10 is
        // far below the smallest, and so is its inverse's reciprocal.
        {"{\"standards\": [{\"id\": \"big\", \"public\": [{\"from_mhz\": 1, \"to_mhz\": 300000, "
         "\"S\": [1e300, 2]}]}]}",
         "standard big: the level over 1 to 300000 MHz overflows"},
        {"{\"standards\": [{\"id\": \"tiny\", \"public\": [{\"from_mhz\": 1, \"to_mhz\": 300000, "
         "\"E\": [1e-300, -10]}]}]}",
         "standard tiny: the level over 1 to 300000 MHz underflows"},
        // Too large for a double: named with its line like any other fault.
        {"{\"standards\": [\n{\"id\": \"x\",\n \"public\": [{\"from_mhz\": 1e400}]}]}",
         ": line 3: a number is too large"},
        {"{\"standards\": [{\"id\": \"x\", \"title\": 5, \"public\": []}]}",
         "standard x: its title is not a text"},
        {"{\"standards\": " + std::string(100000, '[') + std::string(100000, ']') + "}",
         "its lists nest deeper than 32 levels"},
    };
    const std::string longId(1 << 20, 'i');
    const std::string longBad = "{\"standards\": [{\"id\": \"" + longId + "\"}]}";
    const auto cut = lib.library.addFromText(longBad, user);
    ASSERT_TRUE(cut);
    EXPECT_LT(cut->size(), user.size() + 200) << "a long id is quoted whole";
    for (const Bad& b : bad) {
        auto refused = lib.library.addFromText(b.text, user);
        ASSERT_TRUE(refused);
        EXPECT_NE(refused->find(user), std::string::npos) << *refused;
        EXPECT_NE(refused->find(b.says), std::string::npos) << *refused;
        EXPECT_EQ(lib.library.standards().size(), before);
    }
}

TEST(Limits, FrequencyRuleAndInverseLimitsNameTheAntenna) {
    for (double ok : {0.1, 900.0, 300000.0})
        EXPECT_FALSE(FrequencyRefusal(ok)) << ok;
    for (double bad : {0.09, 300001.0, std::nan("")})
        EXPECT_EQ(FrequencyRefusal(bad).value_or(""), "Input data error") << bad;

    Project p;
    p.AntennaCount = 3;
    p.Antennas.resize(4);
    for (auto [k, mhz, tower] : {std::tuple{1, 900.0, 1}, {2, 3500.0, 2}, {3, 0.2, 2}})
        p.Antennas[k].AntFrequencyMHz = mhz,
        p.Antennas[k].AntTower = static_cast<std::int16_t>(tower);
    auto r = InverseLimits(p, ShippedLimits(), "icnirp-2020", Population::Public);
    ASSERT_FALSE(r.refusal);
    EXPECT_EQ(std::tuple(r.inverse[1], r.inverse[2]), std::tuple(1.0 / 450.0, 1.0 / 1000.0));
    r = InverseLimits(p, ShippedLimits(), "fcc", Population::Public);
    ASSERT_TRUE(r.refusal);
    EXPECT_NE(r.refusal->find("tower 2, antenna 2"), std::string::npos) << *r.refusal;
    EXPECT_TRUE(InverseLimits(p, ShippedLimits(), "nope", Population::Public).refusal);
}

TEST(Units, ConversionsAndTexts) {
    struct Case {
        Unit u;
        double value; // of 100 uW/cm^2
        const char* text;
    } cases[] = {
        {Unit::MicroWattPerCm2, 100, "100.00 uW/cm^2"},
        {Unit::MilliWattPerM2, 1000, "1000.00 mW/m^2"},
        {Unit::WattPerM2, 1, "1.00 W/m^2"},
        {Unit::VoltPerMetre, std::sqrt(376.73), "19.41 V/m"},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(FromMicroWattPerCm2(100, c.u), c.value, 1e-9);
        EXPECT_NEAR(ToMicroWattPerCm2(c.value, c.u), 100, 1e-9);
        EXPECT_EQ(FormatValue(100, c.u, 2), c.text);
        EXPECT_EQ(UnitFromText(UnitText(c.u)), c.u);
    }
}

// A standard of a known id replaces it where it stands, the last of a file
// winning; new ones follow in the file's order. A refused user file is told
// as such, and the built-in standards stay.
TEST(Limits, ReplacedByIdInPlaceAndARefusedFileIsTold) {
    const auto standard = [](const std::string& id, double e) {
        return "{\"id\": \"" + id + "\", \"public\": [{\"from_mhz\": 0.1, \"to_mhz\": 300000, " +
               "\"E\": [" + std::to_string(e) + ", 0]}]}";
    };
    Library lib;
    ASSERT_FALSE(lib.addFromText("{\"standards\": [" + standard("a", 1) + "," + standard("b", 2) +
                                     "," + standard("c", 3) + "]}",
                                 "one.json"));
    ASSERT_FALSE(lib.addFromText("{\"standards\": [" + standard("d", 4) + "," + standard("b", 5) +
                                     "," + standard("b", 6) + "]}",
                                 "two.json"));
    EXPECT_EQ(lib.ids(), (std::vector<std::string>{"a", "b", "c", "d"}));
    const auto e = [&](const char* id) {
        return ReferenceLevel(*lib.find(id), Population::Public, 900)->eVm;
    };
    EXPECT_EQ(std::tuple(e("a"), e("b"), e("c"), e("d")), std::tuple(1.0, 6.0, 3.0, 4.0));

    brenvik::testing::TempDir dir;
    const std::string user = dir.file("limits.json");
    std::ofstream(user) << "{\"standards\": [\n" << standard("u", 1) << ",\n{\"id\": 1e999}]}";
    const LoadedLibrary loaded = LoadLibrary(ShippedLimitsPath(), user);
    EXPECT_EQ(loaded.warning,
              "The limits file was refused: " + user + ": line 3: a number is too large");
    EXPECT_EQ(loaded.library.find("u"), nullptr);
    EXPECT_NE(loaded.library.find("icnirp-2020"), nullptr);
}
