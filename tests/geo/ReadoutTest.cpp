#include "geo/Readout.h"

#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace brenvik::geo {
namespace {

TEST(Readout, DensityTextsAndThePlanAndSectionTextsUnderThePointer) {
    // Decimals chosen, on the first row or column, the text.
    for (auto [decimals, firstRowOrColumn, text] : {std::tuple{"4", false, "C=1.2346 uW/cm^2"},
                                                    {"2", false, "C=1.23 uW/cm^2"},
                                                    {"6", false, "C=1.234567890 uW/cm^2"},
                                                    {"0", false, "C=1 uW/cm^2"},
                                                    {"2", true, "C=1.234568 microWatts/cm^2"}})
        EXPECT_EQ(DensityReadout(1.23456789, decimals, firstRowOrColumn), text);

    Project p;
    p.XY.Density(10, 52) = 1.23456789;
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 10;
    // 1536 drawing units are 15 m; the Y axis grows upwards from 9600.
    ReadoutTexts r = ReadoutAt(p, 1536, 9600 - 1536, false);
    ASSERT_TRUE(r.onGrid);
    EXPECT_EQ(std::tuple(r.x, r.y, r.z, r.c, r.h1),
              std::tuple("X=15.00 m", "Y=15.00 m", "Z=10.00 m", "C=1.2346 uW/cm^2", "h=10 m"));
    EXPECT_EQ(r.lon.rfind("X(long)=63.0", 0), 0u);
    // Eight decimals, then the degree sign.
    EXPECT_EQ(r.lat.substr(r.lat.find('.') + 1), r.lat.substr(r.lat.find('.') + 1, 8) + "\u00b0");

    p.CalcOption = CalcLevel::AtSurface;
    p.GroundGrid(10, 52) = 25;
    EXPECT_EQ(ReadoutAt(p, 1540, 9600 - 1536, false).z, "Z=25.00 m");
    p.XZDistance = 7.5;
    r = ReadoutAt(p, 1536, 9600 - 1536, true);
    EXPECT_EQ(std::tuple(r.y, r.z), std::tuple("Y=7.50 m", "Z=15.00 m"));

    r = ReadoutAt(p, -500, -500, false);
    EXPECT_EQ(std::tuple(r.onGrid, r.h1), std::tuple(false, "h=ground level"));
}

// Who contributes what follows the density in the two views of the plan's
// contributions: node (10, 52) under the pointer at (1536, 9600 - 1536).
TEST(Readout, TheDominantAntennaOrTheOperatorsShareFollowTheDensity) {
    Project p;
    p.XY.Calculated = true;
    p.XY.Density(10, 52) = 4.0;
    auto c = std::make_shared<ContributionGrids>();
    c->Dominant.resize(p.GridNX, p.GridNY);
    c->Dominant(10, 52) = 2;
    c->Operators = {"Movil", ""};
    c->OperatorDensity.assign(2, c->Dominant);
    c->OperatorDensity[0].fill(0);
    c->OperatorDensity[1].fill(0);
    c->OperatorDensity[0](10, 52) = 1.0; // 25 % of 4
    c->OperatorDensity[1](10, 52) = 3.0;
    c->AntennaNames = {"", "T1 A1 (Movil)", "T1 A2"};
    p.XY.Contributions = c;
    const auto at = [&p] { return ReadoutAt(p, 1536, 9600 - 1536, false).c; };
    for (auto [style, share, text] :
         {std::tuple{ResultStyle::DominantAntenna, 0, "C=4.0000 uW/cm^2, dominant 2: T1 A2"},
          {ResultStyle::OperatorShare, 0, "C=4.0000 uW/cm^2, Movil 25.0 %"},
          {ResultStyle::OperatorShare, 1, "C=4.0000 uW/cm^2, no operator 75.0 %"},
          {ResultStyle::Gradient, 0, "C=4.0000 uW/cm^2"}}) {
        p.DisplayMode = style;
        p.ShareOperator = share;
        EXPECT_EQ(at(), text) << int(style) << " " << share;
    }
    // A node where nothing radiates, and contributions of another grid size.
    p.DisplayMode = ResultStyle::DominantAntenna;
    c->Dominant(10, 52) = 0;
    EXPECT_EQ(at(), "C=4.0000 uW/cm^2, nothing radiates");
    c->Dominant.resize(5, 5);
    EXPECT_EQ(at(), "C=4.0000 uW/cm^2");
}

} // namespace
} // namespace brenvik::geo
