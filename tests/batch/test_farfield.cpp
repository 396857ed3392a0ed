// The far-field model from the command line: a site inventory mixing
// imported patterns, parametric panels and a stick, both planes dumped and
// every node checked against the model's formulas.
#include "BatchTestSupport.h"
#include "../calc/FarFieldHand.h"
#include "calc/CalcForms.h"

using namespace brenvik;
using namespace batchtest;

class FarFieldBatch : public ScratchTest {};

TEST_F(FarFieldBatch, EveryNodeOfBothPlanesFollowsTheFormulasAndReflectionScalesThem) {
    for (const char* f : {"panel-65deg-0t.msi", "omni-10deg-halfstep.msi",
                          "asymmetric-beam-no-count.msi"})
        fs::copy_file(fs::path(BRENVIK_PATTERNS_DIR) / f, dir / f);
    std::ofstream(dir / "sites.csv")
        << "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label,"
           "pattern,h_beamwidth_deg,v_beamwidth_deg,electrical_tilt_deg\n"
           "north,,,40,60,12,panel,1500,30,4,1842.5,,panel-65deg-0t.msi,,,\n"
           "north,,,40,60,15,stick,300,,,900,,omni-10deg-halfstep.msi,,,\n"
           "east,,,110,35,10,panel,800,200,-2,900,,,65,,3\n"
           "south,,,70,15,2,stick,200,,,900,,,,,\n"
           "west,,,20,25,25,panel,900,333,0,2450,,asymmetric-beam-no-count.msi,,9,\n";
    writeSite(Project{}, dir / "empty.bvk");
    for (const std::string tag : {"a", "b"})
        ASSERT_EQ(sh(at("empty.bvk") + " --import-sites " + at("sites.csv") +
                     " --model far-field --reflection " + (tag == "a" ? "1" : "2.56") +
                     " --xy 2 --xz 40 --export grid-xy=" + at(tag + "xy.csv") +
                     " --export grid-xz=" + at(tag + "xz.csv") + " --save " + at(tag + ".bvk")),
                  0)
            << err;
    Project p;
    ASSERT_TRUE(LoadProjectFile(p, at("a.bvk")));
    ASSERT_EQ(std::tuple(p.AntennaCount, p.Patterns.size()), std::tuple(5, 3u));
    ASSERT_FALSE(XZDialogAccept(p, "40")); // the section's row, as --xz 40 places it
    const int nx = p.GridNX, ny = p.GridNY, off = p.XZRowOffset;
    const double cell = p.CellSize * p.MetersPerUnit, yPlane = p.XZPlaneRow * cell;
    const Grid2D<double> xy = readDump(dir / "axy.csv", nx, ny),
                         xz = readDump(dir / "axz.csv", nx, ny);
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j) {
            const double want = farfieldhand::HandSum(p, i * cell, j * cell, 2, 1.0);
            ASSERT_NEAR(xy(i, j), want, 1e-9 * want) << i << "," << j;
        }
    // Height row j is stored in row ny - j - offset, drawn two rows higher.
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny - off - 2; ++j) {
            const double want = farfieldhand::HandSum(p, i * cell, yPlane, j * cell, 1.0);
            ASSERT_NEAR(xz(i, ny - j - off - 2), want, 1e-9 * want) << i << "," << j;
        }
    const Grid2D<double> xy2 = readDump(dir / "bxy.csv", nx, ny),
                         xz2 = readDump(dir / "bxz.csv", nx, ny);
    for (std::size_t k = 0; k < xy.size(); ++k) {
        ASSERT_EQ(xy2.data()[k], xy.data()[k] * 2.56) << k;
        ASSERT_EQ(xz2.data()[k], xz.data()[k] * 2.56) << k;
    }
}
