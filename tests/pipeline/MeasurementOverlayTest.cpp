#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/SiteInventory.h"
#include "measure/DifferenceBands.h"
#include "pipeline/Outputs.h"
#include "render/RecordingSurface.h"
#include "render/View.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

using namespace brenvik;

// The picture's overlay marks each measurement where the user placed it, in
// the colour of its difference from the prediction, with the difference.
TEST(PlanOverlay, MeasurementsInTheColourOfTheirDifference) {
    Project p;
    ASSERT_EQ(compliance::ImportSites(
                  p, std::string(compliance::SitesHeader) + "\nroof,,,50,40,8,stick,1500,,,900,\n",
                  compliance::ImportMode::Replace),
              std::nullopt);
    const compliance::PlanPoint at = compliance::DrawingFromCartesian(p, 70, 60);
    Measurement m;
    m.Name = "M1";
    m.X = at.x;
    m.Y = at.y;
    m.MeasuredUw = 2.0;
    p.Measurements = {m};
    const double predicted = compliance::EvaluatePlace(p, Place{"", "", at.x, at.y, 1.5}, {}).sUw;
    ASSERT_GT(predicted, 0.0);
    const double db = 10 * std::log10(2.0 / predicted);
    char label[40];
    std::snprintf(label, sizeof label, "M1 %+.1f dB", db);

    const auto overlay = pipeline::PlanOverlay(p, compliance::LoadLibrary().library);
    ASSERT_TRUE(overlay);
    render::RecordingSurface s;
    overlay(p, s);
    const auto circles = s.ofKind(render::Primitive::Kind::Circle);
    ASSERT_EQ(circles.size(), 1u);
    const render::Point screen = render::PlanToScreen(p, at.x, at.y);
    EXPECT_NEAR(circles[0].x1, screen.x, 1e-9);
    EXPECT_NEAR(circles[0].y1, screen.y, 1e-9);
    EXPECT_EQ(circles[0].fill, measure::DifferenceColour(db));
    EXPECT_TRUE(s.findText(label)) << label;
    p.CurrentPlane = Plane::XZ;
    EXPECT_FALSE(pipeline::PlanOverlay(p, compliance::LoadLibrary().library));
}
