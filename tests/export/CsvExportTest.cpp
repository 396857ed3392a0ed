#include "export/CsvExport.h"

#include "geo/Geo.h"
#include "model/FakePrompts.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"

#include <gtest/gtest.h>

using namespace brenvik;
using brenvik::testing::FakePrompts;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;

namespace {

std::vector<std::string> Records(const Project& p, CsvExport kind) {
    std::string text;
    EXPECT_TRUE(WriteCsv(p, kind, text));
    return brenvik::testing::CrLfLines(text);
}

} // namespace

TEST(CsvExports, MaximumAtThePlanOriginCarriesTheOffsets) {
    Project p;
    p.OriginX = 425;
    p.OriginY = 118.5;
    p.XY.MaxDensity = 0.025;
    p.XY.MaxPosX = Variant::real(0);
    p.XY.MaxPosY = Variant::integer(9600); // the plan's zero point
    std::string text;
    ASSERT_TRUE(WriteCsv(p, CsvExport::MaximumCartesian, text));
    EXPECT_EQ(text, "\"n\",\"x\",\"y\",\"c\"\r\n1,425.00000001,118.50000001,.025\r\n");
    p.OriginX = p.OriginY = 0;
    p.XY.MaxDensity = 1.234567891;
    EXPECT_EQ(Records(p, CsvExport::MaximumCartesian)[1], "1,1E-08,1E-08,1.23456789");

    p.OriginLon = -3.7;
    p.OriginLat = 40;
    p.XY.MaxPosX = Variant::integer(102400); // 1000 m east
    const double lon = -3.7 + 1000 / geo::MetresPerDegree(p, 40).Lx;
    EXPECT_EQ(Records(p, CsvExport::MaximumGeographic)[1],
              "1," + FormatDouble(CsvCoordinate(lon)) + ",40.00000001,1.23456789");
}

TEST(CsvExports, SourcesAndIsolinePoints) {
    Project p;
    EXPECT_EQ(Records(p, CsvExport::SourcesGeographic),
              std::vector<std::string>{"\"n\",\"x\",\"y\""}); // header only
    p.AntennaCount = 2;
    p.EnsureAntennaSlots(3);
    p.Antennas[1].AntX = 1536;
    p.Antennas[1].AntY = 9600;
    p.Antennas[3].AntX = 7; // a pending slot beyond the count is not exported
    EXPECT_EQ(Records(p, CsvExport::SourcesCartesian),
              (std::vector<std::string>{"\"n\",\"x\",\"y\"", "1,15.00000001,1E-08",
                                        "2,1E-08,93.75000001"}));

    p.IsolineCount = 2;
    p.XY.IsolineLevel = {0, 0.5, 0.0123456789};
    p.XY.Isolines.reset(2);
    p.XY.Isolines.append(1, 10, 20);
    p.XY.Isolines.append(2, 3, -3); // adds up to zero: an empty slot
    p.XY.Isolines.append(2, -1, 2);
    p.XY.Isolines.append(1, 0, 5);
    const double m = 150.0 / 15360;
    auto line = [&](int n, double x, double y, const char* c) {
        return std::to_string(n) + "," + FormatDouble(CsvCoordinate(x * 153 * m)) + "," +
               FormatDouble(CsvCoordinate((9600 - y * 153) * m)) + "," + c;
    };
    EXPECT_EQ(
        Records(p, CsvExport::IsolinesCartesian),
        (std::vector<std::string>{"\"n\",\"xmeter\",\"ymeter\",\"conc\"", line(1, 10, 20, ".5"),
                                  line(2, 0, 5, ".5"), line(3, -1, 2, ".01234568")}));
    EXPECT_EQ(Records(p, CsvExport::IsolinesGeographic)[0], "\"n\",\"x\",\"y\",\"c\"");
}

TEST(CsvExports, ConcentrationsRunRowByRow) {
    Project p;
    p.GridNY = 70; // a 100 x 70 grid
    p.XY.Density.resize(100, 70);
    p.XY.Density(2, 1) = 0.125;
    p.XY.Density(1, 2) = 3;
    auto r = Records(p, CsvExport::ConcentrationsCartesian);
    ASSERT_EQ(r.size(), 7001u);
    EXPECT_EQ(r[2].substr(0, 2) + r[2].substr(r[2].size() - 5), "2,,.125");
    EXPECT_EQ(r[101].substr(0, 4) + r[101].substr(r[101].size() - 2), "101,,3"); // row 2
    EXPECT_EQ(r[7000].substr(0, 5), "7000,");
}

TEST(CsvExportCommand, RefusalsCancelAndFailures) {
    TempDir dir;
    Project p;
    p.FileName = "site.bvk";
    p.Zoom = 2;
    FakePrompts ui;
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumCartesian), ExportResult::ZoomRefused);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"To export, it is needed a a zoom value of 100%"});
    EXPECT_EQ(ui.saveAsked, 0);
    p.Zoom = 1;
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumCartesian), ExportResult::Cancelled);
    EXPECT_EQ(p.FileName, "site.bvk");

    ui.paths.push_back(dir.file("max.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumCartesian), ExportResult::Written);
    EXPECT_EQ(ui.filters.back(), "Torvel Files (*.csv)| *.csv");
    EXPECT_EQ(p.FileName, "site.bvk") << "a later Save must not write over the table";
    const std::string written = Slurp(dir.file("max.csv"));
    EXPECT_EQ(written.substr(0, 17), "\"n\",\"x\",\"y\",\"c\"\r\n");

    std::filesystem::create_directory(dir.file("folder.csv"));
    ui.paths.push_back(dir.file("folder.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::SourcesCartesian), ExportResult::Failed);
    EXPECT_EQ(ui.messages.back(),
              "Error en el fichero\n" + dir.file("folder.csv") + ": it is a folder");

    // A degenerate ellipsoid gives no Coordinates: the previous export stays.
    p.EllipsoidA = p.EllipsoidB = 0;
    ui.paths.push_back(dir.file("max.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumGeographic), ExportResult::Failed);
    EXPECT_EQ(Slurp(dir.file("max.csv")), written);
    EXPECT_EQ(ui.messages.size(), 3u);
}
