// The far-field model from the command line: a site inventory mixing
// imported patterns, parametric panels and a stick, both planes dumped and
// every node checked against the model's formulas.
#include "BatchTestSupport.h"
#include "../calc/FarFieldHand.h"
#include "calc/CalcForms.h"

#include <sstream>
#include <sys/wait.h>

using namespace brenvik;
using namespace batchtest;

namespace {

int runBatch(const std::vector<std::string>& args) {
    std::string cmd = std::string(BRENVIK_BATCH_EXE);
    for (const auto& a : args)
        cmd += " '" + a + "'";
    const int st = std::system((cmd + " > /dev/null 2>&1").c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// A grid dump ("i","j","c" and one i,j,c line per node) as a grid.
Grid2D<double> readDump(const fs::path& path, int nx, int ny) {
    Grid2D<double> g(nx, ny);
    std::istringstream in(slurp(path));
    std::string line;
    std::getline(in, line);
    int i = 0, j = 0;
    char comma = 0;
    double c = 0;
    while (in >> i >> comma >> j >> comma >> c)
        g(i, j) = c;
    return g;
}

} // namespace

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
    const auto run = [&](const std::string& tag, const char* reflection) {
        return runBatch({at("empty.bvk"), "--import-sites", at("sites.csv"), "--model",
                         "far-field", "--reflection", reflection, "--xy", "2", "--xz", "40",
                         "--export", "grid-xy=" + at(tag + "xy.csv"), "--export",
                         "grid-xz=" + at(tag + "xz.csv"), "--save", at(tag + ".bvk")});
    };
    ASSERT_EQ(run("a", "1"), 0);
    ASSERT_EQ(run("b", "2.56"), 0);
    Project p;
    ASSERT_TRUE(LoadProjectFile(p, at("a.bvk")));
    ASSERT_EQ(std::tuple(p.AntennaCount, p.Patterns.size()), std::tuple(5, 3u));
    ASSERT_FALSE(XZDialogAccept(p, "40")); // the section's row, as --xz 40 places it
    const int nx = p.GridNX, ny = p.GridNY, off = p.XZRowOffset;
    const double cell = p.CellSize * p.MetersPerUnit, yPlane = p.XZPlaneRow * cell;
    const Grid2D<double> xy = readDump(dir / "axy.csv", nx, ny), xz = readDump(dir / "axz.csv", nx, ny);
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
