#include "measure/ReportPages.h"

#include "compliance/Places.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>

using namespace brenvik;
using render::Primitive;

TEST(MeasurementReport, ScatterPointsSitAtTheirValuesOnTheLogAxes) {
    Project p;
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 20, 40);
    p.RecomputeDerived();
    const Antenna& a = p.Antennas[1];
    // Three readings east of the panel, 0.05, 2 and 30 uW/cm^2, the last
    // one's uncertainty too small for its excess.
    const double readings[] = {0.05, 2.0, 30.0};
    for (int k = 0; k < 3; ++k) {
        Measurement m;
        m.Name = "P" + std::to_string(k);
        m.X = a.AntX + 30.0 * (k + 1);
        m.Y = a.AntY + 10.0 * k;
        m.MeasuredUw = readings[k];
        m.UncertaintyDb = 1.0;
        p.Measurements.push_back(m);
    }
    const measure::MeasurementPages pages(p);
    ASSERT_EQ(pages.pageCount(), 2);
    render::RecordingSurface s;
    pages.drawPage(0, s);

    // The frame is the first box; its decades are the labels under it.
    const Primitive frame = s.ofKind(Primitive::Kind::Box).at(0);
    std::vector<double> decades;
    for (const Primitive& t : s.ofKind(Primitive::Kind::Text))
        if (t.y1 > frame.y2 && t.y1 < frame.y2 + 300) decades.push_back(std::stod(t.text));
    ASSERT_GE(decades.size(), 2u);
    const double lo = std::log10(decades.front()), hi = std::log10(decades.back());
    std::vector<Primitive> dots;
    for (const Primitive& c : s.ofKind(Primitive::Kind::Circle))
        if (c.x1 >= frame.x1 && c.x1 <= frame.x2 && c.y1 >= frame.y1 && c.y1 <= frame.y2)
            dots.push_back(c);
    ASSERT_EQ(dots.size(), 3u);
    std::set<std::string> flagged;
    for (int k = 0; k < 3; ++k) {
        const Measurement& m = p.Measurements[static_cast<std::size_t>(k)];
        const double predicted =
            compliance::EvaluatePlace(p, Place{"", "", m.X, m.Y, m.HeightM}, {}).sUw;
        ASSERT_GT(predicted, 0.0);
        const double x =
            frame.x1 + (std::log10(readings[k]) - lo) / (hi - lo) * (frame.x2 - frame.x1);
        const double y =
            frame.y2 - (std::log10(predicted) - lo) / (hi - lo) * (frame.y2 - frame.y1);
        EXPECT_NEAR(dots[k].x1, x, 1e-6) << k;
        EXPECT_NEAR(dots[k].y1, y, 1e-6) << k;
        if (10 * std::log10(readings[k] / predicted) > 1.0) flagged.insert(m.Name);
    }
    // The list names exactly the points more than their 1 dB above the
    // prediction, each before its reason.
    render::RecordingSurface list;
    pages.drawPage(1, list);
    const std::vector<std::string> texts = list.texts();
    std::set<std::string> listed;
    for (std::size_t k = 2; k < texts.size(); ++k)
        if (texts[k].find("dB above the prediction") != std::string::npos)
            listed.insert(texts[k - 2]);
    EXPECT_EQ(listed, flagged);
    EXPECT_FALSE(flagged.empty());
    for (const char* t : {"Measurements against the prediction", "Agreement (dB)",
                          "Worst under-predictions", "Map of the points by difference"})
        EXPECT_TRUE(s.findText(t)) << t;
}
