#include "compliance/Places.h"
#include "geo/Geo.h"
#include "measure/Agreement.h"
#include "measure/Import.h"
#include "model/FileValues.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brenvik;
using namespace brenvik::measure;

namespace {

// One 800 W panel facing east at 6 m, 900 MHz, on node (20, 40).
Project PanelSite() {
    Project p;
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 20, 40);
    return p;
}

// The cartesian metres of a point east and north of the antenna.
std::pair<double, double> Beside(const Project& p, double east, double north) {
    const Antenna& a = p.Antennas[1];
    return {p.OriginX + a.AntX * p.MetersPerUnit + east,
            p.OriginY + (geo::VisibleHeight - a.AntY) * p.MetersPerUnit + north};
}

const std::string Header = std::string(MeasurementsHeader) + "\r\n";

} // namespace

TEST(Measurements, UnitsConvertExactly) {
    // By hand: S = E^2 / 376.73 ohm in W/m^2, 1 W/m^2 = 100 uW/cm^2,
    // 1 mW/cm^2 = 1000 uW/cm^2.
    const struct {
        const char* text;
        double value, uw;
    } cases[] = {{"V/m", 61.4, 61.4 * 61.4 / 376.73 * 100.0},
                 {"V/m", 1.0, 100.0 / 376.73},
                 {"W/m^2", 2.5, 250.0},
                 {"W/m2", 0.01, 1.0},
                 {"mW/cm^2", 0.3, 300.0},
                 {"uW/cm^2", 7.0, 7.0},
                 {"\xC2\xB5W/cm\xC2\xB2", 7.0, 7.0}};
    for (const auto& c : cases) {
        const auto unit = FieldUnitFromText(c.text);
        ASSERT_TRUE(unit) << c.text;
        EXPECT_DOUBLE_EQ(ReadingToMicroWattPerCm2(c.value, *unit), c.uw) << c.text;
        EXPECT_DOUBLE_EQ(MicroWattPerCm2ToReading(c.uw, *unit), c.value) << c.text;
    }
    EXPECT_FALSE(FieldUnitFromText("dBm"));
    // A field strength's 10 % is 20 log10(1.1) dB of density, a density's 10 log10(1.1).
    EXPECT_DOUBLE_EQ(PercentToDb(10, FieldUnit::VoltPerMetre), 20 * std::log10(1.1));
    EXPECT_DOUBLE_EQ(PercentToDb(10, FieldUnit::WattPerM2), 10 * std::log10(1.1));
}

TEST(Measurements, KnownBiasAndScatterComeBack) {
    Project p = PanelSite();
    // Eight points in the beam, each measured at the program's own
    // prediction shifted by bias + noise dB, read in V/m; the NR3600 band's
    // readings are taken at half load and doubled back by its factor.
    const double bias = -1.5;
    const double noise[] = {0.5, -0.5, 2.0, -2.0, 1.0, -1.0, 3.0, -3.0};
    std::string csv = Header;
    for (int k = 0; k < 8; ++k) {
        const auto [X, Y] = Beside(p, 15.0 + 4.0 * k, k % 3 - 1.0);
        const compliance::PlanPoint d = compliance::DrawingFromCartesian(p, X, Y);
        const double predicted = compliance::EvaluatePlace(p, Place{"", "", d.x, d.y, 1.5}, {}).sUw;
        ASSERT_GT(predicted, 0.0) << k;
        const bool nr = k % 2 == 1;
        const double full = predicted * std::pow(10.0, (bias + noise[k]) / 10.0);
        const double reading = full / (nr ? 2.0 : 1.0);
        const double eVm = std::sqrt(reading / 100.0 * 376.73);
        csv += "P" + std::to_string(k) + ",,," + FormatDouble(X) + "," + FormatDouble(Y) + ",1.5," +
               FormatDouble(eVm) + ",V/m," + (nr ? "NR3600" : "LTE800") + ",,1.0,\r\n";
    }
    ImportOptions o;
    ASSERT_FALSE(ParseBandFactors("NR3600=2", o));
    const MeasurementImport in = ImportMeasurements(p, csv, "set.csv", o);
    ASSERT_FALSE(in.refusal) << *in.refusal;
    ASSERT_EQ(in.imported, 8);

    const std::vector<PairedPoint> pairs = PairMeasurements(p);
    const Agreement a = Summarise(pairs);
    // By hand from the noise: differences -1, -2, 0.5, -3.5, -0.5, -2.5, 1.5, -4.5.
    const auto stats = [&](std::vector<int> members, const AgreementStats& s) {
        double sum = 0, squares = 0;
        int conservative = 0;
        for (int k : members)
            sum += bias + noise[k], conservative += bias + noise[k] <= 0;
        const double mean = sum / members.size();
        for (int k : members)
            squares += (bias + noise[k] - mean) * (bias + noise[k] - mean);
        EXPECT_EQ(s.count, int(members.size()));
        EXPECT_NEAR(s.meanDb, mean, 1e-9);
        EXPECT_NEAR(s.stdDevDb, std::sqrt(squares / (members.size() - 1)), 1e-9);
        EXPECT_DOUBLE_EQ(s.conservativeShare, double(conservative) / members.size());
    };
    stats({0, 1, 2, 3, 4, 5, 6, 7}, a.all);
    EXPECT_NEAR(a.all.meanDb, bias, 1e-9);
    EXPECT_NEAR(a.all.stdDevDb, std::sqrt(28.5 / 7), 1e-9);
    EXPECT_NEAR(a.all.medianDb, (-2.0 + -1.0) / 2, 1e-9);
    EXPECT_EQ(a.all.worst, (std::vector<int>{6, 2}));
    ASSERT_EQ(a.bands.size(), 2u);
    EXPECT_EQ(std::tuple(a.bands[0].band, a.bands[1].band), std::tuple("LTE800", "NR3600"));
    stats({0, 2, 4, 6}, a.bands[0]);
    stats({1, 3, 5, 7}, a.bands[1]);
    EXPECT_NEAR(a.bands[0].medianDb, (-0.5 + 0.5) / 2, 1e-9);
    // Flagged: exactly the points more than their 1 dB above the prediction.
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(pairs[k].flagged, bias + noise[k] > 1.0) << k;
        EXPECT_NEAR(pairs[k].measured * (k % 2 ? 2.0 : 1.0), pairs[k].extrapolated,
                    1e-12 * pairs[k].extrapolated);
        EXPECT_EQ(pairs[k].assessedMeasured, bias + noise[k] > 0) << k;
    }
    EXPECT_EQ(FlagReason(pairs[6]), "+1.5 dB above the prediction, beyond its 1.0 dB uncertainty");
}

TEST(Measurements, BadRowsRefuseTheWholeFile) {
    Project p = PanelSite();
    p.Measurements.emplace_back().Name = "Kept";
    const auto [X, Y] = Beside(p, 20, 0);
    const std::string at = "," + FormatDouble(X) + "," + FormatDouble(Y) + ",";
    std::string bad25 = Header, bad25Message;
    for (int k = 2; k <= 26; ++k) {
        bad25 += "M,,,1,1,1.5,-3,V/m,,,,\r\n";
        if (k <= 21) bad25Message += "\nline " + std::to_string(k) + ": the value is negative";
    }
    bad25Message += "\n... and 5 more";
    const struct {
        std::string text, message;
    } cases[] = {
        {bad25, bad25Message},
        {"name,x_m,y_m\r\nA,1,2\r\n",
         "\nline 1: the header has no value (expected " + std::string(MeasurementsHeader) + ")"},
        {Header + "A,," + at + "1.5,x,V/m,,,,\r\n", "\nline 2: value 'x' is not a number"},
        {Header + "B,," + at + "1.5,3,dBm,,,,\r\nC,," + at + "1.5,3,,,,,\r\n",
         "\nline 2: unit 'dBm' is not V/m, uW/cm^2, W/m^2 or mW/cm^2"
         "\nline 3: no unit (a unit column or the unit option)"},
        {Header + "D,,,,,1.5,3,V/m,,,,\r\nE,," + at + "2000,3,V/m,\"a,b\",,-1,0\r\n",
         "\nline 2: no position (lon/lat or x_m/y_m)\nline 3: band holds a comma"
         "\nline 3: height_m is outside 0..1000 m\nline 3: the uncertainty is negative"
         "\nline 3: the extrapolation factor is not above 0"},
        {Header, "\nthe file holds no measurement"},
        {"{\"type\":\"FeatureCollection\"}", "\nthe file is no GeoJSON feature collection"},
        // A density that overflows could never be saved; a line or a point
        // without coordinates is no measurement.
        {Header + "F,," + at + "1.5,1e200,V/m,,,,\r\n", "\nline 2: the value is out of range"},
        {R"({"features":[{"geometry":{"type":"LineString","coordinates":[[1,2],[3,4]]},)"
         R"("properties":{"value":1,"unit":"V/m"}},{"geometry":{"type":"Point"},)"
         R"("properties":{"value":1,"unit":"V/m","x_m":1,"y_m":1}}]})",
         "\nfeature 1: the geometry is not a point\nfeature 2: the geometry is not a point"},
    };
    for (const auto& c : cases) {
        const MeasurementImport in = ImportMeasurements(p, c.text, "m.csv");
        ASSERT_TRUE(in.refusal) << c.text;
        EXPECT_EQ(*in.refusal, "Measurements not imported from m.csv:" + c.message);
        ASSERT_EQ(p.Measurements.size(), 1u);
        EXPECT_EQ(p.Measurements[0].Name, "Kept");
    }
}

TEST(Measurements, RenamedColumnsGeoJsonAndTheProjectFile) {
    Project p = PanelSite();
    const auto [X, Y] = Beside(p, 20, 0);
    // A logger's own header, its unit given by an option, one row off the plan.
    ImportOptions o;
    ASSERT_FALSE(ParseColumnOption("value=E_field,x_m=East,y_m=North,name=Point", o));
    o.unit = FieldUnit::WattPerM2;
    const std::string csv = "Point,East,North,E_field\r\nA," + FormatDouble(X) + "," +
                            FormatDouble(Y) + ",0.5\r\nFar," + FormatDouble(X + 1e5) + "," +
                            FormatDouble(Y) + ",0.5\r\n";
    MeasurementImport in = ImportMeasurements(p, csv, "log.csv", o);
    ASSERT_FALSE(in.refusal) << *in.refusal;
    EXPECT_EQ(std::tuple(in.imported, in.skipped, in.note),
              std::tuple(1, 1, "1 measurement off the plan skipped: line 3"));
    EXPECT_DOUBLE_EQ(p.Measurements.at(0).MeasuredUw, 50.0);
    EXPECT_EQ(p.Measurements[0].HeightM, DefaultMeasurementHeightM);
    EXPECT_TRUE(ParseColumnOption("voltage=E", o));

    // The same point as a GeoJSON feature at its longitude and latitude.
    const geo::Geographic g =
        geo::ToGeographic(p, {X - p.OriginX, Y - p.OriginY}); // cartesian metres from the origin
    const std::string json =
        R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":)"
        R"({"name":"G","value":2,"unit":"mW/cm^2","band":"B1","uncertainty_pct":10},)"
        R"("geometry":{"type":"Point","coordinates":[)" +
        FormatDouble(g.lon) + "," + FormatDouble(g.lat) + "]}}]}";
    in = ImportMeasurements(p, json, "m.geojson");
    ASSERT_FALSE(in.refusal) << *in.refusal;
    const Measurement& m = p.Measurements.at(0);
    EXPECT_EQ(std::tuple(m.Name, m.MeasuredUw, m.Band), std::tuple("G", 2000.0, "B1"));
    EXPECT_DOUBLE_EQ(m.UncertaintyDb, 10 * std::log10(1.1));

    // Kept in the project file and read back as they were; none: no trace.
    p.Measurements.push_back({"Two, with comma", 3.25, 4.5, 2, 0.125, 2.5, 1, "NR", "t", "i"});
    const Project back = brenvik::testing::ReadBack(p);
    EXPECT_EQ(back.Measurements, p.Measurements);
    EXPECT_EQ(brenvik::testing::ProjectText(PanelSite()).find("measurement."), std::string::npos);
}
