// Field measurements through the built program: a logger's file read with
// its own column names, unit and full-load factors, set against the
// prediction and written as CSV and GeoJSON; bad files and options refused.

#include "BatchTestSupport.h"
#include "compliance/Csv.h"

#include <cmath>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

using namespace brenvik;
using namespace batchtest;

namespace {

const char* kMeasureSites =
    "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label\n"
    "roof,,,50,40,8,panel,1500,45,2,900,\n"
    "mast,,,100,70,15,panel,2500,200,6,3500,\n";

// The rows of a CSV text, header first.
std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        rows.push_back(compliance::SplitCsvLine(line));
    }
    return rows;
}

} // namespace

class Measurements : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        writeSite(Project(), at("site.bvk"));
        std::ofstream(at("sites.csv")) << kMeasureSites;
        std::ofstream(at("log.csv")) << "Point,East,North,Band,E\nA,70,60,LTE,1.2\n"
                                        "B,80,30,NR,0.8\nC,60,90,LTE,0.5\n";
        std::ofstream(at("places.csv")) << "name,lon,lat,x_m,y_m,height_m,kind\nA,,,70,60,1.5,\n"
                                           "B,,,80,30,1.5,\nC,,,60,90,1.5,\n";
    }
    int run(const std::string& args) {
        return sh(at("site.bvk") + " --import-sites " + at("sites.csv") + " " + args);
    }
    const std::string logger = " --measurements " + at("log.csv") +
                               " --measurement-columns name=Point,x_m=East,y_m=North,band=Band,"
                               "value=E --measurement-unit V/m --measurement-factors NR=3";
};

TEST_F(Measurements, LoggerFileAgainstThePredictionAsCsvAndGeoJson) {
    ASSERT_EQ(run(logger + " --places " + at("places.csv") +
                  " --export measurements=" + at("m.csv") +
                  " --export measurements=" + at("m.geojson") + " --export places=" + at("p.csv")),
              0)
        << err;
    const auto rows = Rows(slurp(at("m.csv"))), places = Rows(slurp(at("p.csv")));
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::string> first(rows[0].begin(), rows[0].begin() + 11);
    EXPECT_EQ(first,
              (std::vector<std::string>{"name", "lon", "lat", "x_m", "y_m", "height_m", "measured",
                                        "extrapolated", "predicted", "difference_db", "flag"}));
    const double readings[] = {1.2, 0.8, 0.5}, factors[] = {1, 3, 1};
    for (std::size_t k = 1; k < 4; ++k) {
        const auto& r = rows[k];
        const auto v = [&](std::size_t c) { return std::stod(r.at(c)); };
        // By hand: E^2 / 376.73 ohm in W/m^2, a hundred uW/cm^2 each.
        const double measured = readings[k - 1] * readings[k - 1] / 376.73 * 100;
        EXPECT_NEAR(v(6), measured, 1e-12 * measured) << k;
        EXPECT_NEAR(v(7), measured * factors[k - 1], 1e-12 * measured) << k;
        // The prediction is the place's at the same point.
        EXPECT_EQ(r.at(8), places.at(k).at(7)) << k;
        EXPECT_NEAR(v(9), 10 * std::log10(v(7) / v(8)), 1e-9) << k;
        EXPECT_EQ(r.at(10), v(9) > 0 ? "1" : "0") << k;
    }

    GDALAllRegister();
    GDALDatasetUniquePtr json(GDALDataset::Open(at("m.geojson").c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(json);
    OGRLayer* layer = json->GetLayer(0);
    ASSERT_EQ(layer->GetFeatureCount(), 3);
    std::size_t k = 1;
    for (auto& f : *layer) {
        const OGRPoint* pt = f->GetGeometryRef()->toPoint();
        EXPECT_NEAR(pt->getX(), std::stod(rows[k][1]), 1e-12);
        EXPECT_NEAR(pt->getY(), std::stod(rows[k][2]), 1e-12);
        EXPECT_NEAR(f->GetFieldAsDouble("difference_db"), std::stod(rows[k][9]), 1e-9);
        EXPECT_EQ(f->GetFieldAsString("name"), rows[k][0]);
        ++k;
    }
}

TEST_F(Measurements, BadFilesAndOptionsAreRefused) {
    std::ofstream(at("bad.csv")) << "Point,East,North,Band,E\nA,70,x,LTE,1.2\n";
    const struct {
        std::string args, message;
        int status;
    } refused[] = {
        {" --measurements " + at("bad.csv") +
             " --measurement-columns name=Point,x_m=East,y_m=North,value=E "
             "--measurement-unit V/m --export measurements=" +
             at("n.csv"),
         "line 2: North 'x' is not a number", 1},
        {" --export measurements=" + at("n.csv"), "The project has no measurements", 1},
        {" --measurement-unit V/m", "go with --measurements", 2},
        {" --measurements " + at("log.csv") + " --measurement-unit dBm", "not 'dBm'", 2},
        {" --measurements " + at("log.csv") + " --measurement-factors NR=0",
         "the factor of band NR is not a positive number", 2},
        {" --measurements " + at("log.csv") + " --measurement-columns volts=E",
         "'volts' is no column", 2},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(run(r.args), r.status) << r.args;
        EXPECT_NE(err.find(r.message), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(at("n.csv")));
    }
}

TEST_F(Measurements, TheReportEndsWithTheirPages) {
    ASSERT_EQ(run(logger + " --xy surface --report " + at("r.pdf")), 0) << err;
    const auto text = PdfText(at("r.pdf"));
    ASSERT_TRUE(text);
    for (const char* t : {"Measurements against the prediction", "Agreement (dB)",
                          "Points compared", "Worst under-predictions", "Map of the points by",
                          "Flagged points", "Every point and the value it is assessed by"})
        EXPECT_NE(text->find(t), std::string::npos) << t;
    // The pages count the measurements' pages with the others.
    const std::size_t of = text->rfind(" of ");
    ASSERT_NE(of, std::string::npos);
    const int pages = std::stoi(text->substr(of + 4));
    EXPECT_NE(text->find("Page " + std::to_string(pages) + " of " + std::to_string(pages)),
              std::string::npos);
    EXPECT_NE(text->find("Page 1 of " + std::to_string(pages)), std::string::npos);
}
