#include "compliance/Places.h"

#include "calc/Ground.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/Limits.h"
#include "geo/Geo.h"
#include "model/ProjectFile.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

// One 800 W panel facing east at 6 m, 900 MHz, on node (20, 40).
Project PanelSite() {
    Project p;
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 20, 40);
    return p;
}

// Cartesian metres of a point east and north of the antenna.
std::string Row(const Project& p, const char* name, double east, double north, double h) {
    const Antenna& a = p.Antennas[1];
    const double X = p.OriginX + a.AntX * p.MetersPerUnit + east;
    const double Y = p.OriginY + (geo::VisibleHeight - a.AntY) * p.MetersPerUnit + north;
    return std::string(name) + ",,," + FormatDouble(X) + "," + FormatDouble(Y) + "," +
           FormatDouble(h) + ",school\r\n";
}

} // namespace

TEST(Places, ExactValuesGeometryAndFiles) {
    Project p = PanelSite();
    // A 10 m rise under the school, 30 m east and 40 m north of the antenna.
    const double m = p.MetersPerUnit, cell = p.CellSize * m;
    p.ContourHeight = 10.0;
    const long long ci = std::llround((p.Antennas[1].AntX * m + 30.0) / cell);
    const long long cj = std::llround((p.Antennas[1].AntY * m - 40.0) / cell);
    FillGroundRect(p, ci - 2, cj - 2, ci + 2, cj + 2);

    const std::string csv =
        std::string(PlacesHeader) + "\r\n" + Row(p, "School", 30, 40, 1.5) +
        Row(p, "Foot", 0, 0, 1.5) + Row(p, "Far", 1e5, 0, 1.5) + "Home,63.001,64.0005,,,4,\r\n" +
        Row(p, "\"Crèche, \"\"Sol\"\"\"", 30, 40, 1000) + Row(p, "Top", 10, 10, 0);
    const PlacesImport in = ImportPlaces(p, csv, "places.csv");
    ASSERT_FALSE(in.refusal) << *in.refusal;
    EXPECT_EQ(in.imported, 5);
    EXPECT_EQ(in.note, "1 place off the plan skipped: line 4");

    const std::vector<PlaceValue> v = EvaluatePlaces(p, brenvik::testing::IcnirpInverse(p));
    ASSERT_EQ(v.size(), 5u);
    // By hand: on the beam's side 30 m ahead and 40 m across, 5.5 m above
    // the antenna; ICNIRP 2020 at 900 MHz allows 4.5 W/m^2 = 450 uW/cm^2.
    const PlaceValue& s = v[0];
    const AntennaAtPlace& a = s.antennas.at(0);
    EXPECT_EQ(std::tuple(s.groundM, a.label), std::tuple(10.0, "T1 A1"));
    EXPECT_NEAR(a.horizontalM, 50.0, 1e-9);
    EXPECT_NEAR(a.directM, std::hypot(50.0, 5.5), 1e-9);
    EXPECT_NEAR(a.azimuthDeg, std::atan2(30.0, 40.0) * 180.0 / std::numbers::pi, 1e-9);
    EXPECT_NEAR(a.elevationDeg, std::atan2(5.5, 50.0) * 180.0 / std::numbers::pi, 1e-9);
    // The beam's axis turns with the program's four-digit pi: east is a hair
    // off 90 degrees.
    const double pi = 3.1416, th = pi - pi / 2, u = 30 * std::sin(th) - 40 * std::cos(th);
    const double av = std::atan(5.5 / u);
    const double cut = std::cos(pi / 2 / (1 + std::exp((3.6 * pi / 180 - av) / 0.05)));
    const double hand = 8.64 * 800 / (2500 + 5.5 * 5.5) * cut * cut * (u * u / 2500);
    EXPECT_NEAR(s.sUw, hand, 1e-9 * hand);
    EXPECT_NEAR(s.eVm, std::sqrt(hand / 100 * 376.73), 1e-9 * s.eVm);
    EXPECT_NEAR(s.percent, 100 * hand / 450, 1e-9 * s.percent);
    // Straight below the antenna: nothing from it.
    EXPECT_EQ(v[1].sUw, 0.0);
    EXPECT_EQ(v[2].name, "Home");
    EXPECT_NEAR(v[2].lon, 63.001, 1e-9);

    // Whatever the import accepts (a quoted name, the highest and the lowest
    // place), the project file holds and gives back.
    EXPECT_EQ(p.Places[3].Name, "Crèche, \"Sol\"");
    EXPECT_EQ(brenvik::testing::ReadBack(p).Places, p.Places);

    // The places file.
    const std::string out = PlacesCsv(v);
    EXPECT_EQ(out.substr(0, out.find("\r\n")),
              "name,lon,lat,x_m,y_m,ground_m,height_m,s_uw_cm2,e_v_m,percent_of_limit,antenna_1,"
              "s_uw_cm2_1,percent_1,horizontal_m_1,direct_m_1,azimuth_deg_1,elevation_deg_1");
    const auto json = nlohmann::json::parse(PlacesGeoJson(v));
    EXPECT_EQ(json["features"][0]["properties"]["s_uw_cm2"].get<double>(), s.sUw);
}

TEST(Places, BadRowsRefuseTheWholeImport) {
    Project p = PanelSite();
    p.Places.push_back(Place{"Kept", "", 1, 1, 1.5});
    // Twenty-five nameless rows: the first twenty are named, then a count.
    std::string bad25 = std::string(PlacesHeader) + "\r\n", bad25Message;
    for (int k = 2; k <= 26; ++k) {
        bad25 += ",,,1,1,2,\r\n";
        if (k <= 21) bad25Message += "line " + std::to_string(k) + ": name is missing\n";
    }
    bad25Message += "... and 5 more";
    const struct {
        std::string csv, message;
    } cases[] = {
        {"name,lon,lat\r\nA,63,64\r\n",
         "line 1: the header has no height_m (expected name,lon,lat,x_m,y_m,height_m,kind)"},
        {std::string(PlacesHeader) + "\r\n,,,1,1,2,x\r\nB,,,1,x,-2,\"a,b\"\r\n",
         "line 2: name is missing\nline 3: kind holds a comma\nline 3: height_m is negative\n"
         "line 3: y_m 'x' is not a number"},
        {std::string(PlacesHeader) + "\r\nC,,,,,2,\r\n",
         "line 2: no position (lon/lat or x_m/y_m)"},
        {std::string(PlacesHeader) + "\r\n", "the file holds no place"},
        // A spreadsheet's byte-order mark before the header.
        {"\xEF\xBB\xBF" + std::string(PlacesHeader) + "\r\nD,,,1,x,2,\r\n",
         "line 2: y_m 'x' is not a number"},
        {bad25, bad25Message},
        // Control characters would break the project file's lines; numbers
        // out of range would make its save fail.
        {std::string(PlacesHeader) + "\r\nSch\rool,,,1,1,2,x\r\nE,,,1,1,2,ho\tme\r\n",
         "line 2: name holds a control character\nline 3: kind holds a control character"},
        {std::string(PlacesHeader) + "\r\nF,,,1,1,inf,\r\nG,,,1e999,1,2,\r\nH,,,1,1,1000.5,\r\n",
         "line 2: height_m 'inf' is not a number\nline 3: x_m '1e999' is not a number\n"
         "line 4: height_m is above 1000 m"},
        // A huge field is quoted cut short.
        {std::string(PlacesHeader) + "\r\nI,,,1," + std::string(5 << 20, 'x') + ",2,\r\n",
         "line 2: y_m '" + std::string(80, 'x') + "\xE2\x80\xA6' is not a number"},
    };
    for (const auto& c : cases) {
        const PlacesImport r = ImportPlaces(p, c.csv, "p.csv");
        ASSERT_TRUE(r.refusal) << c.csv;
        EXPECT_EQ(*r.refusal, "Places not imported from p.csv:\n" + c.message);
        EXPECT_EQ(p.Places.size(), 1u);
    }
}

TEST(Places, TableOfTheDialogRoundTripsAndRefusesBadRows) {
    Project p = PanelSite();
    p.Places.push_back(Place{"Kept", "home", 200.25, 300.5, 4.0});
    const auto format = [](double v) { return FormatDouble(v); };
    const auto parse = [](const std::string& t) { return ParseFileDouble(t); };
    std::vector<PlaceRow> rows = PlacesFormLoad(p, format);
    ASSERT_EQ(rows.size(), 1u);
    const Project before = p;
    ASSERT_FALSE(PlacesFormAccept(p, rows, parse));
    EXPECT_EQ(p.Places, before.Places);

    rows.push_back({"", "x,y", "1e9", "abc", "-1"});
    const auto refused = PlacesFormAccept(p, rows, parse);
    ASSERT_TRUE(refused);
    EXPECT_EQ(*refused, "Places not changed:\nrow 2: the name is missing\nrow 2: the name or kind "
                        "holds a line break, or the kind a comma\nrow 2: x or y is not a number\n"
                        "row 2: the height is not a number of metres from 0 up");
    EXPECT_EQ(p.Places, before.Places);
    rows.pop_back();
    rows.front().height = "6";
    ASSERT_FALSE(PlacesFormAccept(p, rows, parse));
    EXPECT_EQ(p.Places.front().HeightM, 6.0);
}
