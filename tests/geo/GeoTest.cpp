#include "geo/Geo.h"

#include "model/FakePrompts.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brenvik;
using namespace brenvik::geo;
using brenvik::testing::FakePrompts;

namespace {

// The numbers a user with a decimal comma types.
std::optional<double> CommaNumber(const std::string& text) {
    std::string s = text;
    for (char& c : s) {
        if (c == '.') return std::nullopt;
        if (c == ',') c = '.';
    }
    return ParseCNumber(s);
}

} // namespace

TEST(GeoConversion, DegreeLengthsAtLatitudeForty) {
    Project p;
    DegreeLengths l = MetresPerDegree(p, 40.0);
    EXPECT_NEAR(l.Lx, 85395, 50);
    EXPECT_NEAR(l.Ly, 111035, 50);

    // The rounded divisor, not full-precision pi, turns degrees into radians.
    const double phi = 40.0 / 57.2956;
    const double a = 6378136.6, b = 6356751.9;
    const double d = std::sqrt(std::pow(a * std::cos(phi), 2) + std::pow(b * std::sin(phi), 2));
    EXPECT_DOUBLE_EQ(l.Lx, a * a / d * std::cos(phi) / 57.2956);
    EXPECT_DOUBLE_EQ(l.Ly, a * a * b * b / (d * d * d) / 57.2956);

    // The curvature radius item is left alone.
    EXPECT_EQ(p.EarthR, 6371000.0);
}

TEST(GeoConversion, PlanMetresFromTheLowerLeftOfTheVisibleArea) {
    Project p; // 150 m across 15360 units
    Metres m = PlanMeters(p, 0.0f, 9600.0f);
    EXPECT_EQ(m.dx, 0.0);
    EXPECT_EQ(m.dy, 0.0);
    m = PlanMeters(p, 1536.0f, 0.0f);
    EXPECT_DOUBLE_EQ(m.dx, 15.0);
    EXPECT_DOUBLE_EQ(m.dy, 9600.0 * 150 / 15360);

    // Zoom and scrolling are undone.
    p.Zoom = 2;
    p.ScrollOffsetX = -1000;
    p.ScrollOffsetY = -500;
    m = PlanMeters(p, 2072.0f, 18500.0f); // (1536, 9500) unzoomed
    EXPECT_DOUBLE_EQ(m.dx, 15.0);
    EXPECT_DOUBLE_EQ(m.dy, 100.0 * 150 / 15360);

    p.OriginX = 425000;
    p.OriginY = -20;
    Cartesian c = ToCartesian(p, {15, 2});
    EXPECT_EQ(c.X, 425015);
    EXPECT_EQ(c.Y, -18);
}

TEST(GeoConversion, GeographicUsesTheOriginsLatitudeFactors) {
    Project p;
    p.OriginLon = -3.7;
    p.OriginLat = 40;
    DegreeLengths l = MetresPerDegree(p, 40);
    Geographic g = ToGeographic(p, {1000, 0});
    EXPECT_DOUBLE_EQ(g.lon, -3.7 + 1000 / l.Lx);
    EXPECT_EQ(g.lat, 40);
    g = ToGeographic(p, {0, 50000}); // far north: still the origin's factors
    EXPECT_DOUBLE_EQ(g.lat, 40 + 50000 / l.Ly);
}

TEST(ReferencePoint, ClickMovesTheOriginToReproduceTheReference) {
    Project p;
    p.OriginLat = 40;
    p.OriginLon = 2;
    p.RefX = 500;
    p.RefY = 300;
    p.RefLon = -3.5;
    p.RefLat = 41;
    p.Tools.RefPointPick = Variant::integer(1);
    const DegreeLengths before = MetresPerDegree(p, 40);
    PlaceReferencePoint(p, 3072.0f, 4800.0f);

    EXPECT_EQ(p.OriginMarkX, 3072);
    EXPECT_EQ(p.OriginMarkY, 4800);
    EXPECT_EQ(p.Tools.RefPointPick, Variant::integer(0));
    const double dx = 30.0, dy = 4800.0 * 150 / 15360;
    EXPECT_DOUBLE_EQ(p.OriginX, 500 - dx);
    EXPECT_DOUBLE_EQ(p.OriginY, 300 - dy);
    EXPECT_DOUBLE_EQ(p.OriginLon, -3.5 - dx / before.Lx);
    EXPECT_DOUBLE_EQ(p.OriginLat, 41 - dy / before.Ly);
    Cartesian c = ToCartesian(p, PlanMeters(p, 3072.0f, 4800.0f));
    EXPECT_DOUBLE_EQ(c.X, 500);
    EXPECT_DOUBLE_EQ(c.Y, 300);
}

TEST(ScaleByTwoPoints, SetsTheWidthAndResetsTheProject) {
    Project p;
    p.FileName = "site.bvk";
    p.AntennaCount = 2;
    p.EnsureAntennaSlots(2);
    p.OriginMarkX = 500;
    p.OriginMarkY = 600;
    p.ScaleDistance = 30;
    ApplyScaleByTwoPoints(p, 100, 100, 400, 500); // 500 units apart
    EXPECT_DOUBLE_EQ(p.PlanWidthM, 15360 * 30.0 / 500);
    EXPECT_DOUBLE_EQ(p.MetersPerUnit, 30.0 / 500);
    EXPECT_EQ(p.FileName, "");
    EXPECT_EQ(p.AntennaCount, 0);
    EXPECT_EQ(p.OriginMarkX, 10);
    EXPECT_EQ(p.OriginMarkY, 10550);

    // The same point twice counts as one unit; a zero distance as 0.1 m.
    p.ScaleDistance = 0;
    ApplyScaleByTwoPoints(p, 70, 70, 70, 70);
    EXPECT_EQ(p.ScaleDistance, 0.1);
    EXPECT_DOUBLE_EQ(p.PlanWidthM, 15360 * 0.1);
}

TEST(ScaleDialog, WidthRulesAndReset) {
    Project p;
    FakePrompts ui;
    EXPECT_EQ(OpenScaleForm(p).width, "150");
    p.AntennaCount = 1;
    p.FileName = "a.bvk";
    EXPECT_EQ(AcceptScale(p, {"150"}, ui), ScaleOutcome::Kept);
    EXPECT_EQ(p.AntennaCount, 1);
    EXPECT_EQ(p.FileName, "a.bvk");

    EXPECT_EQ(AcceptScale(p, {"-200"}, ui), ScaleOutcome::Reset);
    EXPECT_EQ(p.PlanWidthM, 200);
    EXPECT_DOUBLE_EQ(p.MetersPerUnit, 200.0 / 15360);
    EXPECT_EQ(p.AntennaCount, 0);
    EXPECT_EQ(p.FileName, "");

    EXPECT_EQ(AcceptScale(p, {"0.5"}, ui), ScaleOutcome::Reset);
    EXPECT_EQ(p.PlanWidthM, 1);
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_EQ(AcceptScale(p, {"wide"}, ui), ScaleOutcome::InputError);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Input data error"});
    EXPECT_EQ(p.PlanWidthM, 1);

    // The user's locale decides the decimal separator.
    EXPECT_EQ(AcceptScale(p, {"212,5"}, ui, CommaNumber), ScaleOutcome::Reset);
    EXPECT_EQ(p.PlanWidthM, 212.5);
    EXPECT_EQ(OpenScaleForm(p, ',').width, "212,5");
}

TEST(ScaleCalculationDialog, StoresTheDistanceAndArmsTheMeasure) {
    Project p;
    FakePrompts ui;
    EXPECT_EQ(OpenScaleCalculationForm(p).distance, "300");
    EXPECT_TRUE(AcceptScaleCalculation(p, {"42.5"}, ui));
    EXPECT_EQ(p.ScaleDistance, 42.5);
    EXPECT_EQ(p.Tools.ScaleMeasureOn, 1);
    p.Tools.ScaleMeasureOn = 0;
    EXPECT_FALSE(AcceptScaleCalculation(p, {""}, ui));
    EXPECT_EQ(p.ScaleDistance, 42.5);
    EXPECT_EQ(p.Tools.ScaleMeasureOn, 0);
}

TEST(OriginDialog, EachFailingBoxIsReportedAndTheOthersTaken) {
    Project p;
    EXPECT_EQ(OpenOriginForm(p).lat, "64.00000000");
    p.OriginX = 1234.567;
    OriginForm f = OpenOriginForm(p, ',');
    EXPECT_EQ(f.x, "1234,57");
    EXPECT_EQ(f.y, "0,00");
    EXPECT_EQ(f.lon, "63,00000000");

    FakePrompts ui;
    EXPECT_EQ(AcceptOrigin(p, {"10", "x", "-3.5", "95"}, ui), 1);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error en la entrada de datos"});
    EXPECT_EQ(p.OriginX, 10);
    EXPECT_EQ(p.OriginY, 0);
    EXPECT_EQ(p.OriginLon, -3.5);
    EXPECT_EQ(p.OriginLat, 89); // clamped, never rejected

    EXPECT_EQ(AcceptOrigin(p, {"", "", "", "-100"}, ui), 3);
    EXPECT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(p.OriginX, 10);
    EXPECT_EQ(p.OriginLat, -89);

    EXPECT_EQ(AcceptOrigin(p, {"1,5", "2,25", "3", "4"}, ui, CommaNumber), 0);
    EXPECT_EQ(p.OriginX, 1.5);
    EXPECT_EQ(p.OriginY, 2.25);
}

TEST(ReferenceDialog, ArmsTheClickAndClampsTheLatitude) {
    Project p;
    p.RefX = 12.345;
    p.OriginLon = -3.70379;
    ReferenceForm f = OpenReferenceForm(p);
    EXPECT_EQ(f.x, "12.35");
    EXPECT_EQ(f.lon, "-3.70379000"); // the origin's, as the dialog shows
    FakePrompts ui;
    EXPECT_EQ(AcceptReference(p, {"100", "200", "bad", "-95"}, ui), 1);
    EXPECT_EQ(p.Tools.RefPointPick, Variant::integer(1));
    EXPECT_EQ(p.RefX, 100);
    EXPECT_EQ(p.RefY, 200);
    EXPECT_EQ(p.RefLon, 0);
    EXPECT_EQ(p.RefLat, -89);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error en la entrada de datos"});
}

TEST(CurvatureDialog, StoresTheRadiusAndTheEllipsoid) {
    Project p;
    CurvatureForm f = OpenCurvatureForm(p);
    EXPECT_EQ(f.earthR, "6371000.00");
    EXPECT_EQ(f.a, "6378136.60");
    EXPECT_EQ(f.b, "6356751.90");
    FakePrompts ui;
    EXPECT_EQ(AcceptCurvature(p, {"6370000", "?", "6356752.3"}, ui), 1);
    EXPECT_EQ(p.EarthR, 6370000);
    EXPECT_EQ(p.EllipsoidA, 6378136.6);
    EXPECT_EQ(p.EllipsoidB, 6356752.3);
}

TEST(OriginMarker, ArmsRunRightAndUpFromTheViewPosition) {
    Project p;
    p.Zoom = 2;
    p.ScrollOffsetX = -100;
    OriginMarkerLines l = OriginMarker(p);
    EXPECT_EQ(l.x, -80);
    EXPECT_EQ(l.y, 21100);
    EXPECT_EQ(l.rightX, 120);
    EXPECT_EQ(l.rightY, 21100);
    EXPECT_EQ(l.upX, -80);
    EXPECT_EQ(l.upY, 20900);
}
