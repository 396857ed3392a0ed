#include "compliance/Boundaries.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Places.h"
#include "compliance/SiteInventory.h"
#include "compliance/Summary.h"
#include "compliance/Units.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

// An adaptive panel of 1000 W (8 x 8 elements) and a parametric one of 400 W,
// under the far-field model.
Project TwoPanels(double factor) {
    Project p;
    p.Exposure = {ExposureModel::FarField, 1.0};
    Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1000, 25, 90, 40, 30);
    a.AntArrayRows = a.AntArrayColumns = 8;
    a.AntPowerFactor = factor;
    a.AntPowerFactorSource = "Operator's traffic study, 2026";
    Antenna& b = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 400, 15, 200, 60, 45);
    b.AntTilt = 4;
    b.AntPowerFactor = factor;
    return p;
}

} // namespace

TEST(AdaptiveCompliance, ThePowerFactorScalesTheBoundariesBySquareRoot) {
    const double limit = 10.0; // W/m^2
    const std::vector<AntennaBoundary> full = Boundaries(TwoPanels(1.0), {0, limit, limit});
    const std::vector<AntennaBoundary> reduced = Boundaries(TwoPanels(0.36), {0, limit, limit});
    ASSERT_EQ(full.size(), 2u);
    ASSERT_EQ(reduced.size(), 2u);
    // The adaptive panel's reach at its peak, by hand: r = sqrt(1.64 P / (4 pi S)).
    EXPECT_NEAR(full[0].extent.front, std::sqrt(1.64 * 1000 / (4 * std::numbers::pi * limit)),
                1e-9);
    for (std::size_t k = 0; k < 2; ++k) {
        const auto& f = full[k].extent;
        const auto& r = reduced[k].extent;
        const auto& m = reduced[k].maximum;
        const double want[][3] = {{r.front, f.front, m.front},
                                  {r.back, f.back, m.back},
                                  {r.side, f.side, m.side},
                                  {r.above, f.above, m.above},
                                  {r.below, f.below, m.below}};
        for (const auto& [got, whole, most] : want) {
            EXPECT_NEAR(got, 0.6 * whole, 1e-12 * whole) << k;
            EXPECT_EQ(most, whole) << k;
        }
    }
}

TEST(AdaptiveCompliance, TheReportShowsTheMaximumAndTheReducedErp) {
    Project p = TwoPanels(0.25);
    brenvik::testing::BlankResult(p, Plane::XY);
    const std::vector<std::string> texts =
        brenvik::testing::ReportTexts(brenvik::testing::IcnirpReport(p));
    for (const char* says : {"ERP max/red. (W)", "1000/250", "400/100", "adaptive", "Factor source",
                             "Operator's traffic study, 2026",
                             "Antenna positions and compliance boundaries (reduced/maximum ERP)"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), says), texts.end()) << says;
    // The boundaries at the reduced and at the maximum ERP: half as far at a
    // quarter of the power.
    const SummaryResult sum =
        Summarise(p, brenvik::testing::ShippedLimits(), "icnirp-2020", Population::Public);
    const auto& all = sum.summary.boundaries;
    const auto b =
        std::find_if(all.begin(), all.end(), [](const AntennaBoundary& x) { return x.slot == 1; });
    ASSERT_NE(b, all.end());
    EXPECT_NEAR(b->extent.front, 0.5 * b->maximum.front, 1e-9);
    const std::string front =
        FormatFixed(b->extent.front, 1) + "/" + FormatFixed(b->maximum.front, 1);
    EXPECT_NE(std::find(texts.begin(), texts.end(), front), texts.end()) << front;
}

TEST(AdaptiveCompliance, AFileWithAPowerFactorOutOfRangeIsRefused) {
    Project p = TwoPanels(0.5);
    std::string text;
    ASSERT_TRUE(WriteProjectText(p, text));
    const std::string key = "beam-power-factor.1=";
    const std::size_t at = text.find(key);
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = text.find("\r\n", at);
    for (const char* bad : {"1.5", "0", "-0.5"}) {
        std::string changed = text;
        changed.replace(at, end - at, key + bad);
        Project back;
        std::string why;
        EXPECT_FALSE(ReadProjectText(back, changed, &why)) << bad;
    }
    ASSERT_TRUE(ReadProjectText(p, text)); // the factor as written reads back
    EXPECT_EQ(p.Antennas[1].AntPowerFactor, 0.5);
    // And from the site inventory, naming the column.
    Project q;
    const std::string csv =
        std::string(SitesHeader) + ",power_factor\nmast,,,40,60,6,panel,100,90,2,900,,1.2\n";
    const auto refused = ImportSites(q, csv, ImportMode::Replace);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("power_factor is not within 0 to 1"), std::string::npos) << *refused;
}

TEST(AdaptiveCompliance, TheBoundariesLayerGivesBothExtentsOnlyForAReducedAntenna) {
    Project p = TwoPanels(0.49);
    p.Antennas[2].AntPowerFactor = 1.0;
    const std::vector<BoundaryOutline> outlines = BoundaryOutlines(p, {0, 10.0, 10.0});
    ASSERT_EQ(outlines.size(), 2u);
    const auto doc = nlohmann::json::parse(BoundariesGeoJson(p, outlines));
    const auto& reduced = doc["features"][0]["properties"];
    EXPECT_EQ(reduced["power_factor"], 0.49);
    EXPECT_NEAR(reduced["front_m"].get<double>(), 0.7 * reduced["front_max_m"].get<double>(), 1e-9);
    EXPECT_FALSE(doc["features"][1]["properties"].contains("front_max_m"));
}

// Three adaptive panels of one array: the boundaries and the places made
// with one held envelope give what each antenna's own table gives.
TEST(AdaptiveCompliance, OneHeldEnvelopeServesEveryAntennaOfItsArray) {
    Project p = TwoPanels(0.5);
    Antenna& c = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 700, 20, 330, 50, 60);
    c.AntArrayRows = c.AntArrayColumns = 8;
    p.Antennas[2].AntArrayRows = p.Antennas[2].AntArrayColumns = 8;
    p.Places = {{"School", "school", 45, 35, 4}, {"Home", "home", 70, 58, 1.5}};
    const std::vector<double> limits = {0, 10, 10, 10};
    antenna::EnvelopeCache held;
    const auto shared = Boundaries(p, limits, &held);
    const auto own = Boundaries(p, limits);
    ASSERT_EQ(shared.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(shared[k].extent.front, own[k].extent.front) << k;
    for (const Place& place : p.Places) {
        const PlaceValue a = EvaluatePlace(p, place, {}, &held), b = EvaluatePlace(p, place, {});
        EXPECT_EQ(a.sUw, b.sUw) << place.Name;
        EXPECT_GT(a.sUw, 0.0) << place.Name;
    }
    EXPECT_EQ(held.made(), 1);
}
