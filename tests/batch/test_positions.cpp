// An inventory by longitude/latitude through the built program: its positions
// and names come back out of the exports and the saved project.

#include "BatchTestSupport.h"
#include "compliance/Csv.h"
#include "model/ProjectFile.h"

#include <cmath>
#include <sstream>

using namespace brenvik;
using namespace batchtest;

namespace {

// Between grid nodes east and north of the default origin (63 E, 64 N).
const char* kSites = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                     "label\n"
                     "Torre Norte,63.0007654321,64.0004123456,,,12,panel,1500,45,2,900,sector A\n"
                     "Torre Norte,63.0007654321,64.0004123456,,,14,stick,400,,,1800,omni\n"
                     "\"Cerro, alto\",63.0021234567,64.0007765432,,,20,panel,900,300,4,3500,\n";

struct Want {
    const char* site;
    double lon, lat;
    const char* label;
};
const Want kWant[] = {{"Torre Norte", 63.0007654321, 64.0004123456, "sector A"},
                      {"Torre Norte", 63.0007654321, 64.0004123456, "omni"},
                      {"Cerro, alto", 63.0021234567, 64.0007765432, "tower 2, antenna 1"}};

std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(compliance::SplitCsvLine(line));
    }
    return out;
}

} // namespace

class Positions : public ScratchTest {};

TEST_F(Positions, AnInventoryComesOutWhereItWentIn) {
    writeSite(Project(), at("site.bvk"));
    std::ofstream(at("sites.csv")) << kSites;
    ASSERT_EQ(sh(at("site.bvk") + " --quiet --import-sites " + at("sites.csv") +
                 " --model far-field --xy 4 --export sources-geographic=" + at("s.csv") +
                 " --export sites=" + at("back.csv") + " --save " + at("saved.bvk")),
              0)
        << err;
    const auto sources = Rows(slurp(dir / "s.csv"));
    const auto sites = Rows(slurp(dir / "back.csv"));
    ASSERT_EQ(std::tuple(sources.size(), sites.size()), std::tuple(3u, 3u));
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(std::stod(sources[k][1]), kWant[k].lon, 1e-7) << k;
        EXPECT_NEAR(std::stod(sources[k][2]), kWant[k].lat, 1e-7) << k;
        EXPECT_EQ(std::tuple(sites[k][0], sites[k][11]), std::tuple(kWant[k].site, kWant[k].label));
        EXPECT_NEAR(std::stod(sites[k][1]), kWant[k].lon, 1e-9) << k;
        EXPECT_NEAR(std::stod(sites[k][2]), kWant[k].lat, 1e-9) << k;
    }
    // The saved project, opened again, exports the same sources.
    ASSERT_EQ(sh(at("saved.bvk") + " --quiet --export sources-geographic=" + at("again.csv")), 0)
        << err;
    EXPECT_EQ(slurp(dir / "again.csv"), slurp(dir / "s.csv"));
}
