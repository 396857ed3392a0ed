#include "export/CsvExport.h"

#include "geo/Geo.h"
#include "model/FakePrompts.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <vector>

using namespace brenvik;
using brenvik::testing::FakePrompts;
using brenvik::testing::Slurp;
using brenvik::testing::Spit;
using brenvik::testing::TempDir;

namespace {

std::vector<std::string> Records(const Project& p, CsvExport kind) {
    std::string text;
    EXPECT_TRUE(WriteCsv(p, kind, text));
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

} // namespace

TEST(CsvNumbers, CoordinatesGetTheirEighthDecimalAndValuesAreRounded) {
    EXPECT_EQ(CsvCoordinate(425.0), 425.00000001);
    EXPECT_EQ(CsvCoordinate(0.0), 1e-08);
    EXPECT_EQ(CsvCoordinate(-3.123456784), -3.12345678 + 1e-08);
    EXPECT_EQ(CsvValue(0.025), 0.025);
    EXPECT_EQ(CsvValue(1.234567891), 1.23456789);
    EXPECT_EQ(CsvValue(-0.000000006), -0.00000001);
    EXPECT_EQ(CsvValue(2.5e20), 2.5e20);
}

TEST(CsvExports, HeadersOfEachTable) {
    EXPECT_EQ(CsvHeader(CsvExport::IsolinesCartesian), "\"n\",\"xmeter\",\"ymeter\",\"conc\"");
    EXPECT_EQ(CsvHeader(CsvExport::IsolinesGeographic), "\"n\",\"x\",\"y\",\"c\"");
    EXPECT_EQ(CsvHeader(CsvExport::SourcesCartesian), "\"n\",\"x\",\"y\"");
    EXPECT_EQ(CsvHeader(CsvExport::SourcesGeographic), "\"n\",\"x\",\"y\"");
    for (auto k : {CsvExport::ConcentrationsCartesian, CsvExport::ConcentrationsGeographic,
                   CsvExport::MaximumCartesian, CsvExport::MaximumGeographic})
        EXPECT_EQ(CsvHeader(k), "\"n\",\"x\",\"y\",\"c\"");
}

TEST(CsvExports, MaximumAtThePlanOriginCarriesTheOffsets) {
    Project p;
    p.OriginX = 425;
    p.OriginY = 118.5;
    p.MaxDensity = 0.025;
    p.MaxPosX = Variant::real(0);
    p.MaxPosY = 9600; // the plan's zero point
    std::string text;
    ASSERT_TRUE(WriteCsv(p, CsvExport::MaximumCartesian, text));
    EXPECT_EQ(text, "\"n\",\"x\",\"y\",\"c\"\r\n1,425.00000001,118.50000001,.025\r\n");

    p.OriginX = 0;
    p.OriginY = 0;
    EXPECT_EQ(Records(p, CsvExport::MaximumCartesian)[1], "1,1E-08,1E-08,.025");

    // 1000 m east in geographic coordinates.
    p.OriginLon = -3.7;
    p.OriginLat = 40;
    p.MaxPosX = Variant::integer(102400); // 1000 m at 150 m per 15360 units
    const geo::DegreeLengths l = geo::MetresPerDegree(p, 40);
    std::string expected =
        "1," + FormatDouble(CsvCoordinate(-3.7 + 1000 / l.Lx)) + ",40.00000001,.025";
    EXPECT_EQ(Records(p, CsvExport::MaximumGeographic)[1], expected);
}

TEST(CsvExports, SourcesAreNumberedByAntennaAndMayBeHeaderOnly) {
    Project p;
    EXPECT_EQ(Records(p, CsvExport::SourcesCartesian),
              std::vector<std::string>{"\"n\",\"x\",\"y\""});
    EXPECT_EQ(Records(p, CsvExport::SourcesGeographic).size(), 1u);

    p.AntennaCount = 2;
    p.EnsureAntennaSlots(3);
    p.Antennas[1].AntX = 1536;
    p.Antennas[1].AntY = 9600;
    p.Antennas[2].AntX = 0;
    p.Antennas[2].AntY = 0;
    p.Antennas[3].AntX = 7; // a pending slot beyond the count is not exported
    auto r = Records(p, CsvExport::SourcesCartesian);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1], "1,15.00000001,1E-08");
    EXPECT_EQ(r[2], "2,1E-08,93.75000001");
}

TEST(CsvExports, IsolinePointsSkipEmptySlotsAndCarryTheirLevel) {
    Project p; // CellSize 153
    p.IsolineCount = 2;
    p.IsolineLevel = {0, 0.5, 0.0123456789};
    p.Isolines.reset(2);
    p.Isolines.append(1, 10, 20);
    p.Isolines.append(2, 3, -3); // adds up to zero: empty
    p.Isolines.append(2, -1, 2); // adds up to one: kept
    p.Isolines.append(1, 0, 5);
    auto r = Records(p, CsvExport::IsolinesCartesian);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], "\"n\",\"xmeter\",\"ymeter\",\"conc\"");
    const double m = 150.0 / 15360;
    auto line = [&](int n, double x, double y, const char* c) {
        return std::to_string(n) + "," + FormatDouble(CsvCoordinate(x * 153 * m)) + "," +
               FormatDouble(CsvCoordinate((9600 - y * 153) * m)) + "," + c;
    };
    EXPECT_EQ(r[1], line(1, 10, 20, ".5"));
    EXPECT_EQ(r[2], line(2, 0, 5, ".5"));
    EXPECT_EQ(r[3], line(3, -1, 2, ".01234568"));
    EXPECT_EQ(Records(p, CsvExport::IsolinesGeographic).size(), 4u);
}

TEST(CsvExports, ConcentrationsRunRowByRowAndNeverWrapTheCounter) {
    Project p;
    p.GridNY = 70; // a 100 x 70 grid
    p.DensityGrid.resize(100, 70);
    p.DensityGrid(2, 1) = 0.125;
    p.DensityGrid(1, 2) = 3;
    auto r = Records(p, CsvExport::ConcentrationsCartesian);
    ASSERT_EQ(r.size(), 7001u);
    EXPECT_EQ(r[2].substr(0, 2), "2,");
    EXPECT_EQ(r[2].substr(r[2].size() - 5), ",.125");
    EXPECT_EQ(r[101].substr(0, 4), "101,"); // i = 1 of row 2
    EXPECT_EQ(r[101].substr(r[101].size() - 2), ",3");
    EXPECT_EQ(r[7000].substr(0, 5), "7000,");

    // More records than a 16-bit counter holds: every one is written.
    Project big;
    big.GridNX = 300; // GridNY 206: 61800 nodes
    big.RecomputeDerived();
    big.DensityGrid.resize(300, big.GridNY);
    auto all = Records(big, CsvExport::ConcentrationsGeographic);
    ASSERT_EQ(all.size(), 61801u);
    EXPECT_EQ(all.back().substr(0, 6), "61800,");
    EXPECT_EQ(all[32768].substr(0, 6), "32768,");
}

TEST(CsvExportCommand, RefusesZoomAndCancelWritesNothing) {
    TempDir dir;
    Project p;
    p.FileName = "site.bvk";
    p.Zoom = 2;
    FakePrompts ui;
    ui.paths.push_back(dir.file("out.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumCartesian), ExportResult::ZoomRefused);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"To export, it is needed a a zoom value of 100%"});
    EXPECT_EQ(ui.saveAsked, 0);

    p.Zoom = 1;
    FakePrompts cancel;
    EXPECT_EQ(RunCsvExport(p, cancel, CsvExport::MaximumCartesian), ExportResult::Cancelled);
    EXPECT_EQ(p.FileName, "site.bvk");
    EXPECT_EQ(dir.entries(), 0);
}

TEST(CsvExportCommand, WritesTheFileOrReportsTheFailure) {
    TempDir dir;
    Project p;
    p.Tools.PlaceArmed = 1;
    FakePrompts ui;
    ui.paths.push_back(dir.file("max.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumCartesian), ExportResult::Written);
    EXPECT_EQ(ui.filters, std::vector<std::string>{"Torvel Files (*.csv)| *.csv"});
    EXPECT_EQ(p.FileName, dir.file("max.csv"));
    EXPECT_EQ(p.Tools.PlaceArmed, 0);
    std::string text;
    ASSERT_TRUE(WriteCsv(p, CsvExport::MaximumCartesian, text));
    EXPECT_EQ(Slurp(dir.file("max.csv")), text);

    // A folder in the way.
    std::filesystem::create_directory(dir.file("folder.csv"));
    ui.paths.push_back(dir.file("folder.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::SourcesCartesian), ExportResult::Failed);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error en el fichero"});

    // A degenerate ellipsoid gives no coordinates: the old export stays.
    p.EllipsoidA = 0;
    p.EllipsoidB = 0;
    ui.paths.push_back(dir.file("max.csv"));
    EXPECT_EQ(RunCsvExport(p, ui, CsvExport::MaximumGeographic), ExportResult::Failed);
    EXPECT_EQ(Slurp(dir.file("max.csv")), text);
    EXPECT_EQ(ui.messages.size(), 2u);
}
