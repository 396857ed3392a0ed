#include "geo/GeoForms.h"
#include "model/FakePrompts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

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
    return ParseFileDouble(s);
}

} // namespace

TEST(GeoConversion, PlanMetresAndDegreeLengths) {
    Project p;                                       // 150 m across 15360 units
    EXPECT_EQ(PlanMeters(p, 0.0f, 9600.0f).dy, 0.0); // the zero point
    p.Zoom = 2;
    p.ScrollOffsetX = -1000;
    p.ScrollOffsetY = -500;
    Metres m = PlanMeters(p, 2072.0f, 18500.0f); // (1536, 9500) unzoomed
    EXPECT_EQ(std::tuple(m.dx, m.dy), std::tuple(15.0, 100.0 * 150 / 15360));

    DegreeLengths l = MetresPerDegree(p, 40.0);
    EXPECT_NEAR(l.Lx, 85395, 50);
    EXPECT_NEAR(l.Ly, 111035, 50);
    p.OriginLon = -3.7;
    p.OriginLat = 40;
    EXPECT_DOUBLE_EQ(ToGeographic(p, {1000, 0}).lon, -3.7 + 1000 / l.Lx);
    // Far north the factors are still those of the origin's latitude.
    EXPECT_DOUBLE_EQ(ToGeographic(p, {0, 50000}).lat, 40 + 50000 / l.Ly);
    const Metres back = FromGeographic(p, {-3.69, 40.02});
    EXPECT_NEAR(back.dx, 0.01 * l.Lx, 1e-6);
    EXPECT_NEAR(back.dy, 0.02 * l.Ly, 1e-6);
}

TEST(GeoConversion, ReferencePointMovesTheOrigin) {
    Project p;
    p.OriginLat = 40;
    p.RefX = 500;
    p.RefY = 300;
    p.RefLon = -3.5;
    p.RefLat = 41;
    const DegreeLengths before = MetresPerDegree(p, 40);
    PlaceReferencePoint(p, 3072.0f, 4800.0f);
    EXPECT_EQ(std::tuple(p.OriginMarkX, p.OriginMarkY), std::tuple(3072, 4800));
    const double dx = 30.0, dy = 4800.0 * 150 / 15360;
    EXPECT_DOUBLE_EQ(p.OriginLon, -3.5 - dx / before.Lx); // the old latitude's factors
    EXPECT_DOUBLE_EQ(p.OriginLat, 41 - dy / before.Ly);
    Cartesian c = ToCartesian(p, PlanMeters(p, 3072.0f, 4800.0f));
    EXPECT_DOUBLE_EQ(c.X, 500);
    EXPECT_DOUBLE_EQ(c.Y, 300);
}

TEST(GeoScale, TwoPointsAndTheScaleDialog) {
    Project p;
    p.FileName = "site.bvk";
    p.AntennaCount = 2;
    p.OriginMarkX = 500;
    p.ScaleDistance = 30;
    ApplyScaleByTwoPoints(p, 100, 100, 400, 500); // 500 units apart
    EXPECT_DOUBLE_EQ(p.PlanWidthM, 15360 * 30.0 / 500);
    EXPECT_EQ(std::tuple(p.FileName, p.AntennaCount, p.OriginMarkX), std::tuple("", 0, 10));
    p.ScaleDistance = 0; // counts as 0.1 m, the same point twice as one unit
    ApplyScaleByTwoPoints(p, 70, 70, 70, 70);
    EXPECT_DOUBLE_EQ(p.PlanWidthM, 15360 * 0.1);

    FakePrompts ui;
    p.PlanWidthM = 150;
    p.RecomputeDerived();
    p.AntennaCount = 1;
    p.FileName = "a.bvk";
    EXPECT_EQ(OpenScaleForm(p).width, "150");
    EXPECT_EQ(AcceptScale(p, {"150"}, ui), ScaleOutcome::Kept);
    EXPECT_EQ(p.AntennaCount, 1);
    EXPECT_EQ(AcceptScale(p, {"-200"}, ui), ScaleOutcome::Reset);
    EXPECT_EQ(std::tuple(p.PlanWidthM, p.FileName), std::tuple(200, ""));
    EXPECT_EQ(AcceptScale(p, {"0.5"}, ui), ScaleOutcome::Reset);
    EXPECT_EQ(p.PlanWidthM, 1);
    EXPECT_EQ(AcceptScale(p, {"wide"}, ui), ScaleOutcome::InputError);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Input data error"});
    EXPECT_EQ(AcceptScale(p, {"212,5"}, ui, CommaNumber), ScaleOutcome::Reset);
    EXPECT_EQ(OpenScaleForm(p, ',').width, "212,5");
}

TEST(GeoDialogs, EachFailingBoxIsReportedAndTheOthersTaken) {
    Project p;
    p.OriginX = 1234.567;
    OriginForm f = OpenOriginForm(p, ',');
    EXPECT_EQ(std::tuple(f.x, f.lat), std::tuple("1234,57", "64,00000000"));

    FakePrompts ui;
    EXPECT_EQ(AcceptOrigin(p, {"10", "x", "-3.5", "95"}, ui), 1);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error en la entrada de datos"});
    EXPECT_EQ(std::tuple(p.OriginX, p.OriginY, p.OriginLat),
              std::tuple(10, 0, 89)); // latitude clamped, never rejected
    EXPECT_EQ(AcceptOrigin(p, {"1,5", "", "", "-100"}, ui, CommaNumber), 2);
    EXPECT_EQ(std::tuple(p.OriginX, p.OriginLat), std::tuple(1.5, -89));

    EXPECT_EQ(AcceptReference(p, {"100", "200", "bad", "-95"}, ui), 1);
    EXPECT_EQ(std::tuple(p.RefY, p.RefLat), std::tuple(200, -89));
    EXPECT_EQ(AcceptCurvature(p, {"6370000", "?", "6356752.3"}, ui), 1);
    EXPECT_EQ(std::tuple(p.EarthR, p.EllipsoidA), std::tuple(6370000, 6378136.6));
    EXPECT_EQ(ui.messages.size(), 5u);
    EXPECT_FALSE(AcceptScaleCalculation(p, {""}, ui));
    EXPECT_TRUE(AcceptScaleCalculation(p, {"42.5"}, ui));
    EXPECT_EQ(p.ScaleDistance, 42.5);
}
