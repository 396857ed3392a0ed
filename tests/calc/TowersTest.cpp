#include "calc/Towers.h"

#include "calc/CalcForms.h"
#include "calc/Ground.h"
#include "calc/TowerForms.h"
#include "model/Int16.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;

namespace {

// A project with one placed tower of one antenna and a new tower being defined.
Project Defining() {
    Project p;
    TowerBeginNew(p);
    PlaceTower(p, 153, 306, 1.0);
    TowerBeginNew(p);
    return p;
}

} // namespace

TEST(TowerDialog, AddCopiesRemoveKeepsOne) {
    Project p = Defining();
    EXPECT_FALSE(TowerRemoveAntenna(p));
    EXPECT_EQ(p.TowerAntCount, 1);
    p.Antennas[2].AntPower = 77;
    TowerAddAntenna(p);
    TowerAddAntenna(p);
    EXPECT_EQ(p.TowerAntCount, 3);
    EXPECT_TRUE(p.Antennas[3] == p.Antennas[2] && p.Antennas[4] == p.Antennas[2]);
    EXPECT_EQ(TowerComboItems(p), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(TowerRemoveAntenna(p));
    EXPECT_EQ(p.TowerAntCount, 2);

    PlaceTower(p, 459, 612, 2.0);
    EXPECT_EQ(std::tuple(p.AntennaCount, p.TowerCount), std::tuple(3, 2));
    for (int k : {2, 3}) {
        const Antenna& a = p.Antennas[k];
        EXPECT_EQ(std::tuple(a.AntTower, a.AntNumber, a.AntX, a.AntFactor),
                  std::tuple(2, 2, 459.0, 2.0))
            << k;
    }
    EXPECT_TRUE(SpotTaken(p, 459, 612) && !SpotTaken(p, 459, 0));
    // Editing the second tower from the map reaches its placed records.
    TowerBeginEdit(p, 2);
    EXPECT_EQ(p.TowerAntCount, 2);
    EXPECT_EQ(
        std::tuple(TowerOptionsSlot(p, 1, 2), TowerOptionsSlot(p, 2, 2), TowerOptionsSlot(p, 3, 2)),
        std::tuple(2, 3, -1));
}

TEST(TowerDialog, CountsStopAtTheInt16Limit) {
    Project p = Defining();
    p.AntennaCount = 32767;
    const Project before = p;
    EXPECT_THROW(PlaceTower(p, 0, 0, 1.0), Int16Overflow);
    EXPECT_EQ(std::tuple(p.AntennaCount, p.TowerCount),
              std::tuple(before.AntennaCount, before.TowerCount));
}

TEST(AntennaDialog, AcceptNormalisesAndReopens) {
    Project p = Defining();
    const int slot = TowerOptionsSlot(p, 1);
    AntennaForm f = AntennaFormLoad(p, slot);
    f.angText = "100";
    AntennaFormClickPower(f, FuentPower::Otr);
    EXPECT_TRUE(f.potextEnabled);
    f.potext = "-500";
    f.pText = "5";
    AntennaFormClickDirection(f, FuentDirection::Ang);
    f.antang = "45";
    ASSERT_EQ(AntennaFormAccept(p, f, slot, false), std::nullopt);
    const Antenna& a = p.Antennas[slot];
    EXPECT_EQ(std::tuple(a.AntTilt, a.AntPower, a.AntPowerMode, a.AntHeight, a.AntHeightUnit,
                         a.AntDirection),
              std::tuple(85.0, 500.0, PowerMode::Other, 15.0, HeightUnit::Floors, 45.0));
    EXPECT_EQ(std::tuple(f.angText, f.potext), std::tuple(std::string("85"), std::string("500")));

    AntennaForm again = AntennaFormLoad(p, slot);
    EXPECT_EQ(
        std::tuple(again.height, again.pText, again.direction, again.antang, again.antangEnabled),
        std::tuple(FuentHeight::Pisos, std::string("5"), FuentDirection::Ang, std::string("45"),
                   true));

    again.angText = "-90";
    AntennaFormClickDirection(again, FuentDirection::S);
    ASSERT_EQ(AntennaFormAccept(p, again, slot, false), std::nullopt);
    EXPECT_EQ(a.AntTilt, -85);
    EXPECT_EQ(AntennaFormLoad(p, slot).direction, FuentDirection::S);
}

TEST(AntennaDialog, NonNumericOrOutOfRangeBoxStopsAndKeepsEarlierFields) {
    Project p = Defining();
    AntennaForm f = AntennaFormLoad(p, 2);
    AntennaFormClickType(f, FuentType::Baja);
    f.pText = "6";
    f.angText = "-20";
    AntennaFormClickPower(f, FuentPower::Otr);
    f.potext = "lots";
    f.antang = "12";
    EXPECT_EQ(AntennaFormAccept(p, f, 2, false), "Input data error");
    const Antenna& a = p.Antennas[2]; // the power box is not reached
    EXPECT_EQ(std::tuple(a.AntType, a.AntHeight, a.AntTilt, a.AntPower, a.AntDirection),
              std::tuple(AntennaKind::Stick, 18.0, -20.0, 1600.0, 90.0));

    // A single new antenna: the slot is appended.
    Project q;
    AntennaForm g = AntennaFormLoad(q, 1);
    EXPECT_EQ(g.pText, "4");
    g.mText = "10";
    AntennaFormClickHeight(g, FuentHeight::Altm);
    ASSERT_EQ(AntennaFormAccept(q, g, 1, true), std::nullopt);
    PlaceAntenna(q, 306, 306, 1.0);
    EXPECT_EQ(std::tuple(q.AntennaCount, q.Antennas[1].AntNumber, q.Antennas[1].AntTower,
                         q.Antennas[1].AntHeight),
              std::tuple(1, 0, 1, 10.0));

    // 1e308 floors is a number, but not once in metres: Accept stops at the
    // height like a box that is not a number; what came before it is stored.
    AntennaForm h = AntennaFormLoad(p = Defining(), 2);
    AntennaFormClickType(h, FuentType::Baja);
    h.pText = "1e308";
    EXPECT_EQ(AntennaFormAccept(p, h, 2, false), "Input data error");
    const Antenna& b = p.Antennas[2];
    EXPECT_EQ(std::tuple(b.AntType, b.AntHeightUnit, b.AntHeight, b.AntTilt),
              std::tuple(AntennaKind::Stick, HeightUnit::Floors, 12.0, 15.0));
}

TEST(AntennaDialog, PanelOptionEnablesTheDirectionBox) {
    // Choosing "BTS (panel)" enables the direction box whatever compass button
    // is selected; a compass click disables it again.
    Project p = Defining();
    AntennaForm f = AntennaFormLoad(p, 2);
    EXPECT_EQ(std::tuple(f.direction, f.antangEnabled), std::tuple(FuentDirection::E, false));
    AntennaFormClickType(f, FuentType::Baja);
    EXPECT_FALSE(f.antangEnabled);
    AntennaFormClickType(f, FuentType::Alta);
    EXPECT_TRUE(f.panelControlsEnabled && f.antangEnabled);
    AntennaFormClickDirection(f, FuentDirection::N);
    EXPECT_EQ(std::tuple(f.antangEnabled, f.antang), std::tuple(false, std::string("0")));
}

TEST(AntennaParameters, OpenAnglesArePositiveAndCapped) {
    Project p;
    OpenAnglesForm f = {"120", "-10"};
    ASSERT_EQ(OpenAnglesFormAccept(p, f), std::nullopt);
    EXPECT_EQ(std::tuple(p.OpenAngleBTS, p.OpenAngleDTS), std::tuple(85.0, 10.0));
    f = {"5", "x"};
    EXPECT_EQ(OpenAnglesFormAccept(p, f), "Input data error");
    EXPECT_EQ(p.OpenAngleBTS, 85);
    // The application hands in its locale's parser: a decimal comma here.
    const NumberParser comma = [](const std::string& t) {
        return t == "4,5" ? std::optional<double>(4.5) : ParseNumberC(t);
    };
    f = {"4,5", "7"};
    ASSERT_EQ(OpenAnglesFormAccept(p, f, comma), std::nullopt);
    EXPECT_EQ(p.OpenAngleBTS, 4.5);
}

TEST(Ground, TopographicLineAndRectangles) {
    Project p;
    const std::optional<std::string> ok, bad = "Input data error";
    for (auto [typed, answer, height, shown] :
         {std::tuple{"12.9", ok, 12.0, "12.9"}, {"-5", ok, 0.0, "0"}, {"high", bad, 3.0, "high"}}) {
        std::string text = typed;
        p.ContourHeight = 3;
        const auto refused = TopoLineAccept(p, text);
        EXPECT_EQ(std::tuple(refused, p.ContourHeight, text), std::tuple(answer, height, shown))
            << typed;
    }

    p.ContourHeight = 10;
    EXPECT_EQ(FillGroundRect(p, 12, 8, 10, 5), 12); // corners in any order, both inclusive
    p.ContourHeight = 20;
    FillGroundRect(p, 11, 7, 14, 9);
    EXPECT_EQ(std::tuple(p.GroundGrid(10, 5), p.GroundGrid(11, 7), p.GroundGrid(14, 9),
                         p.GroundGrid(9, 5)),
              std::tuple(10, 20, 20, 0));
    // Partly outside the grid: only the inside is written.
    p.Dem = DemWindow{};
    EXPECT_EQ(FillGroundRect(p, -40, -3, -1, 2), 0);
    EXPECT_TRUE(p.Dem); // nothing drawn: the elevation model stays
    EXPECT_EQ(FillGroundRect(p, 98, 66, 140, 900), 3 * 3);
    EXPECT_FALSE(p.Dem); // ground drawn by hand replaces it
    EXPECT_EQ(p.GroundGrid(100, 68), 20);

    EXPECT_EQ(GroundAtUnits(p, 11 * 153 + 152, 7 * 153), 20);
    EXPECT_EQ(GroundAtUnits(p, 10 * 153 - 1, 5 * 153), 0);
    EXPECT_EQ(GroundAtUnits(p, -1, 0), std::nullopt);
    EXPECT_EQ(GroundAtMetres(p, 11 * 153 * p.MetersPerUnit, 7 * 153 * p.MetersPerUnit), 20);
    EXPECT_EQ(GroundAtMetres(p, 1e6, 0), std::nullopt);
}
