#include "geo/Readout.h"

#include <gtest/gtest.h>
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

} // namespace
} // namespace brenvik::geo
