#include "calc/Towers.h"

#include "calc/CalcForms.h"
#include "calc/Ground.h"
#include "calc/TowerForms.h"
#include "model/Int16.h"

#include <gtest/gtest.h>

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

TEST(TowerDialog, NewTowerStartsFromTheDefaults) {
    Project p = Defining();
    EXPECT_EQ(p.TowerAntCount, 1);
    const Antenna& a = p.Antennas[2];
    EXPECT_EQ(a.AntType, "alta");
    EXPECT_EQ(a.AntPower, 1600.0);
    EXPECT_EQ(a.AntPowerMode, "maxima");
    EXPECT_EQ(a.AntHeight, 12.0);
    EXPECT_EQ(a.AntTilt, 15.0);
    EXPECT_EQ(a.AntDirection, 90.0);
    EXPECT_EQ(a.AntTower, 2);
    const AntennaForm f = AntennaFormLoad(p, TowerOptionsSlot(p, 1));
    EXPECT_EQ(f.height, FuentHeight::Pisos);
    EXPECT_EQ(f.pText, "4");
    EXPECT_EQ(f.direction, FuentDirection::E);
    EXPECT_FALSE(f.potextEnabled);
}

TEST(TowerDialog, AddCopiesRemoveKeepsOne) {
    Project p = Defining();
    EXPECT_FALSE(TowerRemoveAntenna(p));
    EXPECT_EQ(p.TowerAntCount, 1);
    p.Antennas[2].AntPower = 77;
    TowerAddAntenna(p);
    TowerAddAntenna(p);
    EXPECT_EQ(p.TowerAntCount, 3);
    EXPECT_EQ(p.Antennas[3], p.Antennas[2]);
    EXPECT_EQ(p.Antennas[4], p.Antennas[2]);
    EXPECT_EQ(TowerComboItems(p), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(TowerRemoveAntenna(p));
    EXPECT_EQ(p.TowerAntCount, 2);

    PlaceTower(p, 459, 612, 2.0);
    EXPECT_EQ(p.AntennaCount, 3);
    EXPECT_EQ(p.TowerCount, 2);
    for (int k : {2, 3}) {
        EXPECT_EQ(p.Antennas[k].AntTower, 2);
        EXPECT_EQ(p.Antennas[k].AntNumber, 2);
        EXPECT_EQ(p.Antennas[k].AntX, 459);
        EXPECT_EQ(p.Antennas[k].AntFactor, 2.0);
    }
    EXPECT_TRUE(SpotTaken(p, 459, 612));
    EXPECT_FALSE(SpotTaken(p, 459, 0));
    // Editing the second tower from the map reaches its placed records.
    TowerBeginEdit(p, 2);
    EXPECT_EQ(p.TowerAntCount, 2);
    EXPECT_EQ(TowerOptionsSlot(p, 1, 2), 2);
    EXPECT_EQ(TowerOptionsSlot(p, 2, 2), 3);
    EXPECT_EQ(TowerOptionsSlot(p, 3, 2), -1);
}

TEST(TowerDialog, CountsStopAtTheInt16Limit) {
    Project p = Defining();
    p.AntennaCount = 32767;
    const Project before = p;
    EXPECT_THROW(PlaceTower(p, 0, 0, 1.0), Int16Overflow);
    EXPECT_EQ(p.AntennaCount, before.AntennaCount);
    EXPECT_EQ(p.TowerCount, before.TowerCount);
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
    EXPECT_EQ(a.AntTilt, 85);
    EXPECT_EQ(f.angText, "85");
    EXPECT_EQ(a.AntPower, 500);
    EXPECT_EQ(f.potext, "500");
    EXPECT_EQ(a.AntPowerMode, "otra");
    EXPECT_EQ(a.AntHeight, 15);
    EXPECT_EQ(a.AntHeightUnit, "pisos");
    EXPECT_EQ(a.AntDirection, 45);

    AntennaForm again = AntennaFormLoad(p, slot);
    EXPECT_EQ(again.height, FuentHeight::Pisos);
    EXPECT_EQ(again.pText, "5");
    EXPECT_EQ(again.direction, FuentDirection::Ang);
    EXPECT_EQ(again.antang, "45");
    EXPECT_TRUE(again.antangEnabled);

    again.angText = "-90";
    AntennaFormClickDirection(again, FuentDirection::S);
    ASSERT_EQ(AntennaFormAccept(p, again, slot, false), std::nullopt);
    EXPECT_EQ(a.AntTilt, -85);
    EXPECT_EQ(AntennaFormLoad(p, slot).direction, FuentDirection::S);
}

TEST(AntennaDialog, NonNumericBoxStopsAndKeepsEarlierFields) {
    Project p = Defining();
    AntennaForm f = AntennaFormLoad(p, 2);
    AntennaFormClickType(f, FuentType::Baja);
    f.pText = "6";
    f.angText = "-20";
    AntennaFormClickPower(f, FuentPower::Otr);
    f.potext = "lots";
    f.antang = "12";
    EXPECT_EQ(AntennaFormAccept(p, f, 2, false), "Input data error");
    const Antenna& a = p.Antennas[2];
    EXPECT_EQ(a.AntType, "baja");
    EXPECT_EQ(a.AntHeight, 18);
    EXPECT_EQ(a.AntTilt, -20);
    EXPECT_EQ(a.AntPower, 1600); // not reached
    EXPECT_EQ(a.AntDirection, 90);

    // A single new antenna: the slot is appended and placement armed.
    Project q;
    AntennaForm g = AntennaFormLoad(q, 1);
    EXPECT_EQ(g.pText, "4");
    g.mText = "10";
    AntennaFormClickHeight(g, FuentHeight::Altm);
    ASSERT_EQ(AntennaFormAccept(q, g, 1, true), std::nullopt);
    EXPECT_TRUE(q.Tools.placing());
    PlaceAntenna(q, 306, 306, 1.0);
    EXPECT_EQ(q.AntennaCount, 1);
    EXPECT_EQ(q.Antennas[1].AntNumber, 0);
    EXPECT_EQ(q.Antennas[1].AntTower, 1);
    EXPECT_EQ(q.Antennas[1].AntHeight, 10);
}

TEST(AntennaDialog, HeightInFloorsBeyondRangeStopsAtTheHeight) {
    // 1e308 floors is a number, but not once in metres: Accept stops at the
    // height like a box that is not a number; what came before it is stored.
    Project p = Defining();
    AntennaForm f = AntennaFormLoad(p, 2);
    AntennaFormClickType(f, FuentType::Baja);
    f.pText = "1e308";
    EXPECT_EQ(AntennaFormAccept(p, f, 2, false), "Input data error");
    const Antenna& a = p.Antennas[2];
    EXPECT_EQ(a.AntType, "baja");
    EXPECT_EQ(a.AntHeightUnit, "pisos");
    EXPECT_EQ(a.AntHeight, 12.0);
    EXPECT_EQ(a.AntTilt, 15.0);
}

TEST(AntennaDialog, PanelOptionEnablesTheDirectionBox) {
    // Choosing "BTS (panel)" enables the direction box whatever compass button
    // is selected; a compass click disables it again.
    Project p = Defining();
    AntennaForm f = AntennaFormLoad(p, 2);
    EXPECT_EQ(f.direction, FuentDirection::E);
    EXPECT_FALSE(f.antangEnabled);
    AntennaFormClickType(f, FuentType::Baja);
    EXPECT_FALSE(f.antangEnabled);
    AntennaFormClickType(f, FuentType::Alta);
    EXPECT_TRUE(f.panelControlsEnabled);
    EXPECT_TRUE(f.antangEnabled);
    AntennaFormClickDirection(f, FuentDirection::N);
    EXPECT_FALSE(f.antangEnabled);
    EXPECT_EQ(f.antang, "0");
}

TEST(AntennaParameters, OpenAnglesArePositiveAndCapped) {
    Project p;
    OpenAnglesForm f = OpenAnglesFormLoad(p);
    EXPECT_EQ(f.text1, "3.6");
    EXPECT_EQ(f.text2, "12");
    f.text1 = "120";
    f.text2 = "-10";
    ASSERT_EQ(OpenAnglesFormAccept(p, f), std::nullopt);
    EXPECT_EQ(p.OpenAngleBTS, 85);
    EXPECT_EQ(p.OpenAngleDTS, 10);
    f.text1 = "5";
    f.text2 = "x";
    EXPECT_EQ(OpenAnglesFormAccept(p, f), "Input data error");
    EXPECT_EQ(p.OpenAngleBTS, 85);
}

TEST(Numbers, LocaleParserIsUsed) {
    // The application hands in its locale's parser: a decimal comma here.
    const NumberParser comma = [](const std::string& t) {
        return t == "4,5" ? std::optional<double>(4.5) : ParseNumberC(t);
    };
    Project p = Defining();
    OpenAnglesForm f{"4,5", "7"};
    ASSERT_EQ(OpenAnglesFormAccept(p, f, comma), std::nullopt);
    EXPECT_EQ(p.OpenAngleBTS, 4.5);
}

TEST(Ground, TopographicLineAndRectangles) {
    Project p;
    std::string text = "12.9";
    ASSERT_EQ(TopoLineAccept(p, text), std::nullopt);
    EXPECT_EQ(p.ContourHeight, 12);
    text = "-5";
    ASSERT_EQ(TopoLineAccept(p, text), std::nullopt);
    EXPECT_EQ(text, "0");
    EXPECT_EQ(p.ContourHeight, 0);
    p.ContourHeight = 3;
    text = "high";
    EXPECT_EQ(TopoLineAccept(p, text), "Input data error");
    EXPECT_EQ(p.ContourHeight, 3);

    p.ContourHeight = 10;
    EXPECT_EQ(FillGroundRect(p, 12, 8, 10, 5), 12); // corners in any order, both inclusive
    p.ContourHeight = 20;
    FillGroundRect(p, 11, 7, 14, 9);
    EXPECT_EQ(p.GroundGrid(10, 5), 10);
    EXPECT_EQ(p.GroundGrid(11, 7), 20);
    EXPECT_EQ(p.GroundGrid(14, 9), 20);
    EXPECT_EQ(p.GroundGrid(9, 5), 0);
    // Partly outside the grid: only the inside is written.
    EXPECT_EQ(FillGroundRect(p, 98, 66, 140, 900), 3 * 3);
    EXPECT_EQ(FillGroundRect(p, -40, -3, -1, 2), 0);
    EXPECT_EQ(p.GroundGrid(100, 68), 20);

    EXPECT_EQ(GroundAtUnits(p, 11 * 153 + 152, 7 * 153), 20);
    EXPECT_EQ(GroundAtUnits(p, 10 * 153 - 1, 5 * 153), 0);
    EXPECT_EQ(GroundAtUnits(p, -1, 0), std::nullopt);
    EXPECT_EQ(GroundAtMetres(p, 11 * 153 * p.MetersPerUnit, 7 * 153 * p.MetersPerUnit), 20);
    EXPECT_EQ(GroundAtMetres(p, 1e6, 0), std::nullopt);
}
