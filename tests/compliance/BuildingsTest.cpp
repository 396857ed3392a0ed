#include "compliance/Buildings.h"

#include "compliance/ComplianceTestSupport.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/ReportLayout.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <gtest/gtest.h>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

// A block `heightM` tall, 20 to 32 m east of the antenna and 8 m either side
// of its row.
Building EastBlock(const Project& p, const Antenna& a, const std::string& id, double heightM) {
    const double u = 1.0 / p.MetersPerUnit; // one metre in drawing units
    Building b;
    std::tie(b.Id, b.HeightM) = std::tuple(id, heightM);
    for (const auto& [e, n] : {std::pair{20, -8}, {32, -8}, {32, 8}, {20, 8}})
        b.Outline.push_back({a.AntX + e * u, a.AntY + n * u});
    return b;
}

} // namespace

TEST(Buildings, WorstFloorFacesTheBeamAndMatchesPointEvaluations) {
    // A level panel at 7.5 m facing east; a 12 m block of 4 floors 20 m east
    // of it: the receptor of the third floor (6 m + 1.5 m) stands in the beam.
    Project p;
    const Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1000, 7.5, 90, 20, 40);
    Building b = EastBlock(p, a, "way/1", 12.0);
    b.Name = "School";
    p.Buildings.push_back(b);

    const auto inv = brenvik::testing::IcnirpInverse(p);
    Feedback fb;
    const auto all = EvaluateBuildings(p, inv, fb);
    ASSERT_TRUE(all);
    const std::vector<BuildingValue>& v = *all;
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

// A cancel raised while the second of three tall buildings is evaluated
// (the window's Cancel, the batch's Ctrl-C) stops the evaluation there: no
// result, and nothing of the third building is looked at.
TEST(Buildings, EvaluationStopsOnCancel) {
    Project p;
    const Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1000, 7.5, 90, 20, 40);
    for (int k = 0; k < 3; ++k)
        p.Buildings.push_back(EastBlock(p, a, "way/" + std::to_string(k), 900.0));
    struct CancelAtSecond : Feedback {
        int calls = 0;
        void setProgress(double, std::string_view label) override {
            labels.emplace_back(label);
            if (++calls == 2) cancel();
        }
        std::vector<std::string> labels;
    } fb;
    const std::vector<double> inverse{0.0, 1.0 / 450.0};
    EXPECT_FALSE(EvaluateBuildings(p, inverse, fb));
    EXPECT_EQ(fb.labels, (std::vector<std::string>{"building 1/3", "building 2/3"}));
    // A building stopped part-way evaluates no floor after the cancel.
    EXPECT_TRUE(EvaluateBuilding(p, p.Buildings[0], inverse, &fb).floors.empty());
    EXPECT_TRUE(ExposureMarks(p, inverse, &fb).buildingFill.empty());
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
