#include "compliance/Summary.h"

#include "calc/PowerDensity.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/SiteInventory.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

// Two towers: a panel at 900 MHz and a stick at 1800 MHz on the first, a
// panel at 3500 MHz on the second.
const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\r\n"
                     "north,,,40,60,6,panel,800,90,0,900,A\r\n"
                     "north,,,40.2,60.1,9,stick,300,,,1800,\"B, stick\"\r\n"
                     "south,,,100,30,5,panel,1200,270,4,3500,C\r\n";

using brenvik::testing::ShippedLimits;

Project Site() {
    Project p;
    EXPECT_EQ(ImportSites(p, kSites, ImportMode::Replace), std::nullopt);
    return p;
}

// The XY plane at 5 m with the ratio, from the engine when it gives it.
Project Calculated(const std::string& standard) {
    Project p = Site();
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 5;
    p.Compliance.Standard = standard;
    const auto inv = InverseLimits(p, ShippedLimits(), standard, Population::Public);
    CalcControl ctl;
    ctl.inverseLimit = inv.inverse;
    EXPECT_TRUE(RunXYCalculation(p, ctl).ok());
    EXPECT_TRUE(HasRatio(p, false));
    return p;
}

} // namespace

TEST(Summary, MaximumVerdictsAndComplianceDistances) {
    const Project p = Calculated("icnirp-2020");
    const SummaryResult res = Summarise(p, ShippedLimits(), "icnirp-2020", Population::Public);
    ASSERT_FALSE(res.refusal);
    const Summary& s = res.summary;
    ASSERT_TRUE(s.planCalculated);
    EXPECT_NEAR(s.maxPercent, p.XY.Ratio(s.maxI, s.maxJ) * 100.0, 1e-12);
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j)
            ASSERT_LE(p.XY.Ratio(i, j) * 100.0, s.maxPercent);
    // The node back in the plan metres the site was given in (the first
    // tower stands on the node at or left of and below x 40, y 60).
    EXPECT_NEAR(s.xM, p.GridXm[s.maxI], 1e-9);

    // The chosen standard, then the five national values.
    ASSERT_EQ(s.verdicts.size(), 6u);
    EXPECT_EQ(s.verdicts[0].id, "icnirp-2020");
    const Verdict& strictest = s.verdicts.back();
    EXPECT_EQ(std::tuple(strictest.id, strictest.complies(), strictest.areaAboveM2 > 0),
              std::tuple("salzburg-0.1", false, true));
    EXPECT_EQ(strictest.text().rfind("exceeds the limit over ", 0), 0u) << strictest.text();
    EXPECT_EQ((Verdict{"x", "x", 42.5, 0}.text()), "complies: maximum 42.5 % of the limit");
    EXPECT_EQ((Verdict{"x", "x", 250, 12.25}.text()),
              "exceeds the limit over 12 m^2, maximum 250 %");

    // Compliance distance: the antenna's own density on its beam axis falls
    // to the limit there.
    ASSERT_EQ(s.antennas.size(), 3u);
    for (const AntennaLine& a : s.antennas) {
        SCOPED_TRACE(a.slot);
        const AntennaModel m = AntennaModel::From(p.Antennas[a.slot], p);
        const bool panel = m.kind == AntennaKind::Panel;
        const double ux = panel ? m.sinTheta : 1, uy = panel ? m.cosTheta : 0;
        const double slope = panel ? std::tan(m.tilt) : 0;
        const auto density = [&](double d) { return ContributionD(m, d * ux, d * uy, d * slope); };
        const double limitUw = a.limitWm2 * 100.0;
        ASSERT_GT(a.distanceM, 0.1);
        EXPECT_GT(density(a.distanceM * 0.999), limitUw);
        EXPECT_LT(density(a.distanceM * 1.001), limitUw);
    }
}

TEST(Inventory, RoundTripAndPlacementOnTheGrid) {
    const Project p = Site();
    ASSERT_EQ(p.AntennaCount, 3);
    ASSERT_EQ(p.TowerCount, 2);
    const Antenna& a = p.Antennas[1];
    EXPECT_EQ(std::tuple(a.AntTower, a.AntNumber),
              std::tuple(p.Antennas[2].AntTower, std::int16_t{2}));
    EXPECT_EQ(p.Antennas[3].AntFrequencyMHz, 3500);

    Project back;
    ASSERT_EQ(ImportSites(back, ExportSites(p), ImportMode::Replace), std::nullopt);
    EXPECT_EQ(back.Antennas, p.Antennas);

    // The same node given by longitude and latitude.
    const std::string exported = ExportSites(p);
    const auto line = exported.substr(exported.find("\r\n") + 2);
    const auto f = [&](int k) {
        std::size_t b = 0;
        for (int n = 0; n < k; ++n)
            b = line.find(',', b) + 1;
        return line.substr(b, line.find(',', b) - b);
    };
    Project geo;
    const std::string byLonLat =
        std::string(SitesHeader) + "\nx," + f(1) + "," + f(2) + ",,,6,panel,800,90,0,900,\n";
    ASSERT_EQ(ImportSites(geo, byLonLat, ImportMode::Replace), std::nullopt);
    EXPECT_EQ(std::tuple(geo.Antennas[1].AntX, geo.Antennas[1].AntY), std::tuple(a.AntX, a.AntY));

    // Adding keeps what is there and refuses a tower on a taken spot.
    Project added = p;
    EXPECT_NE(ImportSites(added, byLonLat, ImportMode::Add), std::nullopt);
    EXPECT_EQ(added.Antennas, p.Antennas);
    const std::string elsewhere = std::string(SitesHeader) + "\nz,,,10,10,6,stick,100,,,700,\n";
    ASSERT_EQ(ImportSites(added, elsewhere, ImportMode::Add), std::nullopt);
    EXPECT_EQ(std::tuple(added.AntennaCount, added.TowerCount), std::tuple(4, 3));
}

TEST(Inventory, BadRowsAreAllListedAndNothingIsImported) {
    Project p = Site();
    const Project before = p;
    const std::string csv = std::string(SitesHeader) +
                            "\na,,,40,60,6,panel,800,90,0,900,\nb,,,40,60,6,dish,lots,90,0,900,\n\n"
                            "c,,,-5,60,6,panel,800,90,0,50000000,\nd,,,,,6,stick,800,,,900,\n";
    const auto refused = ImportSites(p, csv, ImportMode::Replace);
    ASSERT_TRUE(refused);
    for (const char* says :
         {"Sites not imported:", "line 3: type 'dish' is neither panel nor stick",
          "line 3: erp_w 'lots' is not a number", "line 5: the position is off the plan",
          "line 5: frequency_mhz", "line 6: no position"})
        EXPECT_NE(refused->find(says), std::string::npos) << says << "\n" << *refused;
    EXPECT_EQ(refused->find("line 2"), std::string::npos) << *refused;
    EXPECT_TRUE(p.Antennas == before.Antennas && p.AntennaCount == before.AntennaCount);
}

TEST(Inventory, BeamColumnsReadEachPatternOnceAndComeBack) {
    // Without a beam the export keeps today's columns.
    EXPECT_EQ(ExportSites(Site()).substr(0, ExportSites(Site()).find("\r\n")), SitesHeader);
    const std::string head = std::string(SitesHeader) + "," + SitesBeamColumns + "\n";
    const std::string csv = head + "a,,,40,60,6,panel,800,90,0,900,,panel-65deg-0t.msi,,,\n"
                                   "a,,,40,60,8,panel,800,210,2,900,,panel-65deg-0t.msi,,,\n"
                                   "b,,,90,20,12,stick,300,,,1800,,,,20,-2\n"
                                   "c,,,10,20,12,panel,300,45,0,1800,,,65,,1.5\n";
    Project p;
    ASSERT_EQ(ImportSites(p, csv, ImportMode::Replace, BRENVIK_PATTERNS_DIR), std::nullopt);
    ASSERT_EQ(p.Patterns.size(), 1u);
    EXPECT_EQ(std::tuple(p.Antennas[1].AntPattern, p.Antennas[2].AntPattern,
                         p.Antennas[3].AntPattern, p.Antennas[3].AntVBeamwidthDeg,
                         p.Antennas[4].AntHBeamwidthDeg, p.Antennas[4].AntElectricalTiltDeg),
              std::tuple(p.Patterns[0].Name, p.Patterns[0].Name, "", 20.0, 65.0, 1.5));
    const std::string out = ExportSites(p);
    Project back;
    ASSERT_EQ(ImportSites(back, out, ImportMode::Replace, BRENVIK_PATTERNS_DIR), std::nullopt);
    EXPECT_EQ(std::tuple(back.Antennas, back.Patterns), std::tuple(p.Antennas, p.Patterns));
    // A bad pattern file refuses the whole import with the row and the file's reason.
    const auto refused =
        ImportSites(p, head + "z,,,10,10,6,panel,100,0,0,700,,bad-negative-loss.msi,,,\n",
                    ImportMode::Add, BRENVIK_PATTERNS_DIR);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("line 2: pattern bad-negative-loss.msi: line 14"), std::string::npos)
        << *refused;
    EXPECT_EQ(p.AntennaCount, 4);
}

TEST(Inventory, OversizedSitesAndLongErrorListsAreRefused) {
    const auto rows = [](int n, const std::string& row) {
        std::string csv = std::string(SitesHeader) + "\n";
        for (int k = 0; k < n; ++k)
            csv += row;
        return csv;
    };
    const std::string tall = "t,,,40,60,6,panel,1,0,0,900,\n";
    struct Case {
        std::string csv;
        const char* says;
        int lines; // of the message, 0: not counted
    };
    const Case cases[] = {
        {rows(32768, tall), "site t has 32768 antennas; a tower holds at most 32767", 2},
        {rows(65536, tall), "site t has 65536 antennas", 2},
        {rows(500, ",,,,,,,,,,,\n"), "\nand ", 22}, // the first 20 and a count
    };
    for (const Case& c : cases) {
        Project p = Site();
        const auto refused = ImportSites(p, c.csv, ImportMode::Replace);
        ASSERT_TRUE(refused);
        EXPECT_NE(refused->find(c.says), std::string::npos) << refused->substr(0, 300);
        EXPECT_EQ(std::count(refused->begin(), refused->end(), '\n') + 1, c.lines);
        EXPECT_EQ(p.AntennaCount, 3);
    }
}
