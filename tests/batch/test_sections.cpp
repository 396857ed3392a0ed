// The section asked for with --xz or --xz-through, at the user's own
// Coordinates: the section export read back with GDAL's CSV driver.
#include "BatchTestSupport.h"

#include <cmath>
#include <gdal_priv.h>
#include <map>
#include <numbers>
#include <ogrsf_frmts.h>

using namespace brenvik;
using namespace batchtest;

namespace {

std::vector<std::map<std::string, double>> ReadTable(const std::string& path) {
    GDALAllRegister();
    const char* const drivers[] = {"CSV", nullptr};
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR, drivers));
    std::vector<std::map<std::string, double>> out;
    EXPECT_TRUE(ds) << path;
    if (ds)
        for (const auto& f : *ds->GetLayer(0)) {
            out.emplace_back();
            for (const char* c : {"d", "x", "y"})
                out.back()[c] = f->GetFieldAsDouble(c);
        }
    return out;
}

} // namespace

TEST(Sections, EveryNodeLiesOnTheLineAskedForOrThroughTheAntenna) {
    brenvik::testing::TempDir scratch;
    const auto at = [&](const char* name) { return (scratch.path() / name).string(); };
    ASSERT_TRUE(SaveProjectFile(Project(), at("site.bvk")));
    std::ofstream(at("sites.csv"))
        << "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label\n"
           "roof,,,50,40,8,panel,1500,45,2,900,\nmast,,,100,70,15,panel,2500,200,6,3500,\n";
    const auto run = [&](const std::string& args) {
        const std::string cmd = std::string(BRENVIK_BATCH_EXE) + " " + at("site.bvk") +
                                " --import-sites " + at("sites.csv") + " " + args + " 2>/dev/null";
        const int st = std::system(cmd.c_str());
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    };
    // The beam model computes on grid row floor((cell + 9345 - D / mpu) /
    // cell), whose y is OriginY + (9600 - row * cell) * mpu; the far-field
    // model on y = OriginY + D.
    const Project p;
    const double mpu = p.MetersPerUnit, cell = p.CellSize;
    for (const auto& [model, distance] : {std::pair{"specified", 48.5}, {"far-field", 21.3}}) {
        ASSERT_EQ(run("--model " + std::string(model) + " --xz " + std::to_string(distance) +
                      " --export section-cartesian=" + at("s.csv")),
                  0);
        const double row = std::floor((cell + 9345 - distance / mpu) / cell);
        const double want = std::string(model) == "far-field"
                                ? p.OriginY + distance
                                : p.OriginY + (9600 - row * cell) * mpu;
        const auto table = ReadTable(at("s.csv"));
        ASSERT_EQ(table.size(), std::size_t(p.GridNX + 1) * (p.GridNY - p.XZRowOffset - 1));
        for (const auto& r : table)
            ASSERT_NEAR(r.at("y"), want, 1e-3) << model;
    }
    // Through the mast's panel: every node d metres along azimuth 200 deg
    // (east sin, north cos) from where the sources export puts the antenna.
    ASSERT_EQ(run("--model far-field --xz-through 2 --export section-cartesian=" + at("s.csv") +
                  " --export sources-cartesian=" + at("src.csv")),
              0);
    std::ifstream src(at("src.csv"));
    std::string line;
    for (int k = 0; k < 3; ++k)
        std::getline(src, line);
    double x2 = 0, y2 = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "2,%lf,%lf", &x2, &y2), 2) << line;
    const double az = 200 * std::numbers::pi / 180;
    int behind = 0;
    for (const auto& r : ReadTable(at("s.csv"))) {
        ASSERT_NEAR(r.at("x"), x2 + r.at("d") * std::sin(az), 1e-3);
        ASSERT_NEAR(r.at("y"), y2 + r.at("d") * std::cos(az), 1e-3);
        behind += r.at("d") < -1.0;
    }
    EXPECT_GT(behind, 10);
    EXPECT_EQ(run("--xz-through 3"), 1); // no third antenna
    EXPECT_EQ(run("--xz 30 --xz-through 1"), 2);
}
