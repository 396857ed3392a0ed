// What a run says about the patterns its antennas use: on its standard
// error and on the report's Method page; and the site inventory it writes
// back, where a pattern stands alone for the beam.

#include "BatchTestSupport.h"

#include <string>

using namespace brenvik;
using namespace batchtest;

namespace {

// A pattern at 1842.5 MHz whose horizontal cut stays 1 dB under its gain.
std::string LiftedPattern() {
    std::string s = "NAME LIFTED\nFREQUENCY 1842.5\nGAIN 17 dBi\nHORIZONTAL 4\n";
    s += "0 1\n90 11\n180 25\n270 11\nVERTICAL 4\n0 0\n90 15\n180 25\n270 15\n";
    return s;
}

} // namespace

using PatternNotes = ScratchTest;

TEST_F(PatternNotes, ReachStandardErrorAndTheReportAndTheInventoryKeepsNoWidths) {
    writeSite(Project(), at("site.bvk"));
    std::ofstream(at("lifted.msi")) << LiftedPattern();
    // The pattern's antenna on 2600 MHz, 29 % from the pattern's band.
    std::ofstream(at("sites.csv"))
        << "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,"
           "pattern,h_beamwidth_deg,v_beamwidth_deg,electrical_tilt_deg\n"
           "north,,,40,60,12,panel,1500,30,4,2600,,lifted.msi,,,\n"
           "east,,,110,35,10,panel,800,200,-2,900,,,65,,3\n";
    ASSERT_EQ(sh(at("site.bvk") + " --import-sites " + at("sites.csv") +
                 " --model far-field --xy 2 --report " + at("r.pdf") +
                 " --export sites=" + at("out.csv")),
              0)
        << err;
    const std::string cut = "Warning: Pattern LIFTED: HORIZONTAL cut: the smallest loss is 1 dB",
                      band = "Warning: Pattern LIFTED: measured at 1842.5 MHz, 29 % from the "
                             "2600 MHz of the antenna that uses it";
    EXPECT_NE(err.find(cut), std::string::npos) << err;
    EXPECT_NE(err.find(band), std::string::npos) << err;

    const auto text = PdfText(dir / "r.pdf");
    ASSERT_TRUE(text);
    // The PDF's text may break a long line; its start is on one line.
    EXPECT_NE(text->find("Warning: Pattern LIFTED: HORIZONTAL cut"), std::string::npos) << *text;
    EXPECT_NE(text->find("Warning: Pattern LIFTED: measured at 1842.5 MHz"), std::string::npos)
        << *text;

    // The pattern's row names its file and no widths; the parametric row keeps its own.
    const std::string sites = slurp(dir / "out.csv");
    EXPECT_NE(sites.find(",lifted.msi,,,\r\n"), std::string::npos) << sites;
    EXPECT_NE(sites.find(",,65,,3\r\n"), std::string::npos) << sites;
}
