#include "compliance/Buildings.h"

#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/ReportLayout.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <gtest/gtest.h>

using namespace brenvik;
using namespace brenvik::compliance;

TEST(Buildings, WorstFloorFacesTheBeamAndMatchesPointEvaluations) {
    // A level panel at 7.5 m facing east; a 12 m block of 4 floors 20 m east
    // of it: the receptor of the third floor (6 m + 1.5 m) stands in the beam.
    Project p;
    const Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1000, 7.5, 90, 20, 40);
    const double u = 1.0 / p.MetersPerUnit; // one metre in drawing units
    Building b{"way/1",
               "School",
               12.0,
               0.0,
               {{a.AntX + 20 * u, a.AntY - 8 * u},
                {a.AntX + 32 * u, a.AntY - 8 * u},
                {a.AntX + 32 * u, a.AntY + 8 * u},
                {a.AntX + 20 * u, a.AntY + 8 * u}}};
    p.Buildings.push_back(b);

    const LoadedLibrary lib = LoadLibrary(ShippedLimitsPath(), "");
    const auto inv = InverseLimits(p, lib.library, "icnirp-2020", Population::Public).inverse;
    const std::vector<BuildingValue> v = EvaluateBuildings(p, inv);
    ASSERT_EQ(v.size(), 1u);
    ASSERT_EQ(v[0].floors.size(), 4u);
    EXPECT_EQ(v[0].worst, 2);

    // Each floor's worst equals the largest of the direct evaluations at its
    // points, façade every metre (48 m round) plus the lattice inside.
    const std::vector<FloorPoint> pts = FloorPoints(p, b);
    EXPECT_GE(pts.size(), 48u);
    for (const FloorValue& f : v[0].floors) {
        double best = 0.0;
        for (const FloorPoint& q : pts)
            best = std::max(best, AntennaDensity(p, 1, q.xm, q.ym, 7.5, f.baseM + 1.5));
        EXPECT_DOUBLE_EQ(f.sUw, best) << f.floor;
        EXPECT_NEAR(f.percent, 100.0 * best * inv[1], 1e-12 * f.percent + 1e-300);
        EXPECT_EQ(f.points, static_cast<int>(pts.size()));
    }
    // The worst point of the beam's floor lies on the façade facing it.
    EXPECT_NEAR(v[0].worstFloor().X - p.OriginX, a.AntX * p.MetersPerUnit + 20.0, 1e-6);
    const std::string csv = BuildingsCsv(v);
    EXPECT_NE(csv.find("\r\nway/1,School,2,6,"), std::string::npos);
}

TEST(Buildings, ReportNamesTheWorstBuildingFloorAndPlace) {
    Project p;
    ReportInput in;
    in.project = &p;
    const auto floor = [](int n, double percent) {
        FloorValue f;
        f.floor = n;
        f.percent = percent;
        return f;
    };
    const auto place = [](const char* name, double percent) {
        PlaceValue v;
        v.name = name;
        v.percent = percent;
        return v;
    };
    BuildingValue low, high;
    low.id = "way/1";
    low.floors = {floor(0, 2.0)};
    high.id = "way/2";
    high.name = "School";
    high.floors = {floor(0, 3.0), floor(1, 7.5)};
    high.worst = 1;
    in.buildings = {low, high};
    in.places = {place("Home", 0.25), place("Crèche", 4.5)};
    const int without = ReportLayout(in).pageCount() - 1;
    const ReportLayout layout(std::move(in));
    const std::string worst = "Worst building: School (way/2), floor 1: 7.50 % of the limit; "
                              "worst place: Crèche: 4.50 %";
    EXPECT_EQ(layout.realPlacesLine(), worst);
    // The verdict on the first page and among the verdict lines names them.
    EXPECT_EQ(layout.verdictLines().back(), worst);
    render::RecordingSurface first;
    layout.drawPage(0, first);
    const auto texts = first.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), worst), texts.end());
    ReportInput bare;
    bare.project = &p;
    EXPECT_EQ(ReportLayout(bare).pageCount(), without);
}
