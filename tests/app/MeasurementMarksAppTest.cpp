// The field measurements on the plan: each point filled in the colour of its
// difference from the prediction, and its values under the pointer.

#include "MainWindowTestSupport.h"
#include "app/RealPlacesFlows.h"
#include "measure/Agreement.h"
#include "measure/DifferenceBands.h"

namespace brenvik::app::testing {
namespace {

using MeasurementMarksAppTest = WindowTest;

TEST_F(MeasurementMarksAppTest, PointsAreColouredByDifferenceAndReadOnHover) {
    placeTower(20, 20);
    ASSERT_EQ(project.AntennaCount, 1);
    // Two readings far apart in their agreement: one far above the
    // prediction, one far below it.
    const std::string csv =
        write("m.csv", "name,x_m,y_m,value,unit\nA,30,20,50,V/m\nB,60,40,0.0001,V/m\n");
    QDialog* d = open(cmd::Measurements, "mediciones");
    ASSERT_NE(d, nullptr);
    prompts.openPaths.push_back(csv);
    click(d, "importarmed");
    click(d, "Command1");
    ASSERT_EQ(project.Measurements.size(), 2u);

    const QImage area = window->areaImage();
    const QColor none = area.pixelColor(2, 2);
    std::vector<QColor> seen;
    for (const Measurement& m : project.Measurements) {
        SCOPED_TRACE(m.Name);
        const measure::PairedPoint q = measure::PairMeasurement(project, m);
        const double expectedDb = 10 * std::log10(q.extrapolated / q.predicted);
        ASSERT_NEAR(q.differenceDb, expectedDb, 1e-9);
        const Rgb c = measure::DifferenceColour(expectedDb);
        // At 100 % without scrolling a pixel covers 15 drawing units.
        const QColor at = area.pixelColor(int(m.X / 15), int(m.Y / 15));
        EXPECT_EQ(at, QColor(c.r, c.g, c.b));
        EXPECT_NE(at, none);
        seen.push_back(at);

        mouse(QEvent::MouseMove, QPointF(m.X + 20, m.Y - 20));
        const std::string tip = window->canvasWidget()->toolTip().toStdString();
        EXPECT_EQ(tip.rfind(m.Name + ": measured ", 0), 0u) << tip;
        char db[40];
        std::snprintf(db, sizeof db, "difference %+.1f dB", expectedDb);
        EXPECT_NE(tip.find(db), std::string::npos) << tip;
        EXPECT_NE(tip.find("predicted "), std::string::npos) << tip;
    }
    EXPECT_NE(seen[0], seen[1]);
    // Away from every point the tooltip goes.
    mouse(QEvent::MouseMove, cell(2, 2));
    EXPECT_TRUE(window->canvasWidget()->toolTip().isEmpty());
}

TEST_F(MeasurementMarksAppTest, HoverTextGivesMeasuredPredictedAndDifference) {
    Project p;
    Measurement m;
    m.Name = "M1";
    m.X = 600;
    m.Y = 900;
    m.MeasuredUw = 2.5;
    m.Factor = 2.0;
    p.Measurements.push_back(m);
    // No antenna: nothing is predicted, the measurement is infinitely above.
    EXPECT_EQ(MeasurementHoverText(p, QPointF(610, 890), 15),
              "M1: measured 2.5 uW/cm^2, extrapolated 5 uW/cm^2, predicted 0 uW/cm^2, "
              "difference +inf dB");
    EXPECT_EQ(MeasurementHoverText(p, QPointF(900, 900), 15), "");
}

} // namespace
} // namespace brenvik::app::testing
