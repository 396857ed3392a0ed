// The section asked for with --xz or --xz-through, placed at the user's own
// coordinates: the section export read back with GDAL's CSV driver.
#include "BatchTestSupport.h"

#include <cmath>
#include <gdal_priv.h>
#include <map>
#include <numbers>
#include <ogrsf_frmts.h>

using namespace brenvik;
using namespace batchtest;

namespace {

const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\n"
                     "roof,,,50,40,8,panel,1500,45,2,900,\n"
                     "roof,,,50,40,11,stick,400,,,1800,\n"
                     "mast,,,100,70,15,panel,2500,200,6,3500,\n";

// Every record of a CSV table with the given columns, through OGR.
std::vector<std::map<std::string, double>> ReadTable(const std::string& path,
                                                     const std::vector<std::string>& columns) {
    GDALAllRegister();
    const char* const drivers[] = {"CSV", nullptr};
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR, drivers));
    std::vector<std::map<std::string, double>> out;
    EXPECT_TRUE(ds) << path;
    if (!ds) return out;
    OGRLayer* layer = ds->GetLayer(0);
    for (const auto& f : *layer) {
        std::map<std::string, double> r;
        for (const std::string& c : columns)
            r[c] = f->GetFieldAsDouble(c.c_str());
        out.push_back(r);
    }
    return out;
}

} // namespace

class Sections : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kSites;
    }
    int run(const std::string& args) {
        return sh(at("site.bvk") + " --import-sites " + at("sites.csv") + " " + args);
    }
};

TEST_F(Sections, AlongXEveryNodeLiesOnTheLineItsModelComputes) {
    // The exports' y of drawing y v is OriginY + (9600 - v) * mpu. The beam
    // model computes on grid row floor((cell + 9345 - D / mpu) / cell); the
    // far-field model on y = OriginY + D.
    Project p;
    const double mpu = p.MetersPerUnit, cell = p.CellSize;
    for (const auto& [model, distance] : {std::pair{"specified", 48.5}, {"specified", 40.0},
                                          {"far-field", 48.5}, {"far-field", 21.3}}) {
        SCOPED_TRACE(std::string(model) + " " + std::to_string(distance));
        ASSERT_EQ(run("--model " + std::string(model) + " --xz " + std::to_string(distance) +
                      " --export section-cartesian=" + at("s.csv") +
                      " --export grid-xz=" + at("g.csv")),
                  0)
            << err;
        const double row = std::floor((cell + 9345 - distance / mpu) / cell);
        const double want = std::string(model) == "far-field"
                                ? p.OriginY + distance
                                : p.OriginY + (9600 - row * cell) * mpu;
        const auto table = ReadTable(at("s.csv"), {"n", "d", "x", "y", "z", "c"});
        const int top = p.GridNY - p.XZRowOffset - 2;
        ASSERT_EQ(table.size(), static_cast<std::size_t>((p.GridNX + 1) * (top + 1)));
        const Grid2D<double> grid = readDump(dir / "g.csv", p.GridNX, p.GridNY);
        for (std::size_t k = 0; k < table.size(); ++k) {
            const auto& r = table[k];
            const int i = static_cast<int>(k) / (top + 1), j = static_cast<int>(k) % (top + 1);
            ASSERT_NEAR(r.at("y"), want, 1e-3) << k;
            ASSERT_NEAR(r.at("x"), p.OriginX + i * cell * mpu, 1e-3) << k;
            ASSERT_NEAR(r.at("z"), (top - j) * cell * mpu, 1e-3) << k;
            ASSERT_NEAR(r.at("c"), grid(i, j), 1e-8) << k;
        }
    }
}

TEST_F(Sections, ThroughAnAntennaRunsFromItAlongItsAzimuth) {
    ASSERT_EQ(run("--model far-field --xz-through 3 --export section-cartesian=" + at("s.csv") +
                  " --export sources-cartesian=" + at("src.csv")),
              0)
        << err;
    const auto sources = ReadTable(at("src.csv"), {"n", "x", "y"});
    ASSERT_EQ(sources.size(), 3u);
    const double x3 = sources[2].at("x"), y3 = sources[2].at("y");
    const double az = 200 * std::numbers::pi / 180;
    int atAntenna = 0, behind = 0;
    for (const auto& r : ReadTable(at("s.csv"), {"d", "x", "y"})) {
        // East sin az and north cos az for every metre along the azimuth.
        ASSERT_NEAR(r.at("x"), x3 + r.at("d") * std::sin(az), 1e-3);
        ASSERT_NEAR(r.at("y"), y3 + r.at("d") * std::cos(az), 1e-3);
        atAntenna += std::fabs(r.at("d")) < 1e-6;
        behind += r.at("d") < -1.0;
    }
    EXPECT_GT(atAntenna, 10); // the antenna's column, every height
    EXPECT_GT(behind, 10);

    // Only a panel or a stick of the project, and one section at a time.
    EXPECT_EQ(run("--xz-through 4"), 1);
    EXPECT_NE(err.find("antenna 4"), std::string::npos) << err;
    EXPECT_EQ(run("--xz 30 --xz-through 1"), 2);
}
