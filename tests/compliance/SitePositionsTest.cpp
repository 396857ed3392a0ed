// The site inventory: where its antennas land, and the rows it refuses.
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/ReportLayout.h"
#include "compliance/SiteInventory.h"
#include "compliance/Summary.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

const std::string kHead = std::string(SitesHeader) + "\n";

// Plan metres per drawing unit and the grid's cell at the default 150 m
// across 100 columns; the plan's zero point is 9600 units below the top.
constexpr double kMpu = 150.0 / 15360, kCell = 153, kTop = 9600;

} // namespace

TEST(SitePositions, EachAntennaStandsAtItsRowAndItsNodeIsAClicks) {
    // x_m/y_m between nodes (102.4 units a metre, y down from 9600 units up);
    // the node is the one north-west of the point, as a placing click floors.
    const std::tuple<double, double, int, int> cases[] = {
        {40.3, 33.7, 26, 40},            // 26.97 and 40.19 cells
        {0.5, 92.9, 0, 0},               // 0.33 and 0.57
        {149.2, 0.4, 99, 62},            // 99.86 and 62.48
        {12 * kCell * kMpu, 50, 12, 29}, // on column 12's line, 29.28
    };
    for (const auto& [x, y, col, row] : cases) {
        Project p;
        std::tie(p.OriginX, p.OriginY) = std::tuple(1000.0, 2000.0);
        char line[200];
        std::snprintf(line, sizeof line, "s,,,%.10f,%.10f,6,panel,100,0,0,900,\n", 1000 + x,
                      2000 + y);
        ASSERT_EQ(ImportSites(p, kHead + line, ImportMode::Replace), std::nullopt) << line;
        const Antenna& a = p.Antennas[1];
        EXPECT_EQ(std::tuple(a.AntX, a.AntY), std::tuple(col * kCell, row * kCell))
            << x << "," << y;
        ASSERT_TRUE(a.AntExact);
        EXPECT_NEAR(a.AntExact->East, x, 1e-9);
        EXPECT_NEAR(a.AntExact->North, y, 1e-9);
    }
}

TEST(SitePositions, BadNamesAndNumbersAreRefusedNamingTheLine) {
    const std::string huge(5000, 'x');
    struct Case {
        std::string row;
        std::string says;
    } const cases[] = {
        {"to\rrre,,,40,60,6,panel,800,90,0,900,a\n",
         "line 2: site 'to?rre' holds a control character"},
        {"t,,,40,60,6,panel,800,90,0,900,sec\x1b"
         "tor\n",
         "line 2: label 'sec?tor' holds a control"},
        {"t,,,40,60,inf,panel,800,90,0,900,\n", "line 2: height_m 'inf' is not a number"},
        {"t,,,40,60,1e300,panel,800,90,0,900,\n", "line 2: height_m is not within 0 to 10000"},
        {"t,,,40,60,6,panel,1e12,90,0,900,\n", "line 2: erp_w is not within 0 to 10000000"},
        {"t,,,nan,60,6,panel,800,90,0,900,\n", "line 2: x_m 'nan' is not a number"},
        {"t,200,45,,,6,panel,800,90,0,900,\n", "line 2: lon is not within -180 to 180"},
        {"t,10,-95,,,6,panel,800,90,0,900,\n", "line 2: lat is not within -90 to 90"},
        {"t,,,40,60,6," + huge + ",800,90,0,900,\n",
         "line 2: type '" + huge.substr(0, 80) + "\xE2\x80\xA6'"},
    };
    for (const Case& c : cases) {
        Project p;
        const auto refused = ImportSites(p, kHead + c.row, ImportMode::Replace);
        ASSERT_TRUE(refused) << c.says;
        EXPECT_NE(refused->find(c.says), std::string::npos) << *refused;
        EXPECT_EQ(refused->find('\r'), std::string::npos);
        EXPECT_LT(refused->size(), 300u);
        EXPECT_EQ(p.AntennaCount, 0);
    }
}

TEST(SitePositions, TheBeamModelsMethodNamesAntennasAwayFromTheirNodes) {
    // (40.3, 33.7) m is (4126.7, 6149.1) u from the top left: 26.97 and 40.19
    // cells, so its node is column 26, row 40.
    Project p;
    ASSERT_EQ(ImportSites(p,
                          kHead +
                              "a,,,40.3,33.7,6,panel,800,90,0,900,north mast\n"
                              "b,,," +
                              std::to_string(30 * kCell * kMpu) + "," +
                              std::to_string((kTop - 20 * kCell) * kMpu) +
                              ",6,panel,800,90,0,900,on its node\n",
                          ImportMode::Replace),
              std::nullopt);
    const double dx = 40.3 - 26 * kCell * kMpu, dy = 33.7 - (kTop - 40 * kCell) * kMpu;
    char want[80];
    std::snprintf(want, sizeof want, "  T1 A1 north mast %.2f m", std::hypot(dx, dy));
    for (ExposureModel model : {ExposureModel::Specified, ExposureModel::FarField}) {
        p.Exposure.Model = model;
        const auto texts = brenvik::testing::ReportTexts(brenvik::testing::IcnirpReport(p));
        // The far-field model computes at the true positions: nothing to say.
        const bool named = std::find(texts.begin(), texts.end(), want) != texts.end();
        EXPECT_EQ(named, model == ExposureModel::Specified) << want;
        for (const std::string& t : texts)
            EXPECT_EQ(t.find("T2 A1 on its node"), std::string::npos) << t;
    }
}

TEST(SitePositions, TheAntennasFootFollowsTheModelsPosition) {
    // Node (10, 20) on ground 5 m; the antenna really stands in cell (12, 20)
    // on ground 30 m, where a drag of its tower's other antenna left it.
    Project p;
    p.EnsureAntennaSlots(1);
    p.AntennaCount = 1;
    Antenna& a = p.Antennas[1];
    std::tie(a.AntX, a.AntY, a.AntHeight, a.AntTower) = std::tuple(10 * kCell, 20 * kCell, 12.0, 1);
    a.AntExact = PlanPosition{12.5 * kCell * kMpu, (kTop - 20.5 * kCell) * kMpu};
    p.GroundGrid(10, 20) = 5;
    p.GroundGrid(12, 20) = 30;
    for (const auto& [model, want] :
         {std::pair(ExposureModel::Specified, 17.0), std::pair(ExposureModel::FarField, 42.0)}) {
        p.Exposure.Model = model;
        EXPECT_EQ(AntennaZ(p, 1), want);
    }
}

TEST(SitePositions, AnInventoryOfNodesReadsBackOntoTheNodes) {
    // Far from the map's zero, the inventory's x_m/y_m come back picometres
    // off the nodes they were written from: still the nodes, nothing to keep.
    Project p;
    std::tie(p.OriginX, p.OriginY, p.OriginLon, p.OriginLat, p.PlanWidthM) =
        std::tuple(512345.678, 4412345.321, -3.7, 40.4, 212.75);
    p.RecomputeDerived();
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 17, 23);
    brenvik::testing::AddAntenna(p, AntennaKind::Stick, 300, 9, 0, 61, 7);
    Project back = p;
    ASSERT_EQ(ImportSites(back, ExportSites(p), ImportMode::Replace), std::nullopt);
    for (int k : {1, 2})
        EXPECT_EQ(
            std::tuple(back.Antennas[k].AntX, back.Antennas[k].AntY, back.Antennas[k].AntExact),
            std::tuple(p.Antennas[k].AntX, p.Antennas[k].AntY, std::nullopt))
            << k;
}
