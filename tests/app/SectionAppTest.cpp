#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "calc/CalcForms.h"
#include "export/CsvExport.h"
#include "model/Messages.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <sstream>

using namespace brenvik;
using namespace brenvik::app;
using namespace brenvik::app::testing;

using SectionAppTest = WindowTest;

TEST_F(SectionAppTest, SectionThroughTheSelectedAntennaRunsAlongItsAzimuth) {
    importSites(BRENVIK_EXAMPLES_DIR "/two-towers-sites.csv");
    ASSERT_EQ(project.AntennaCount, 3);

    // Nothing selected: the window says what it needs and computes nothing.
    window->setSelection(0);
    trigger(cmd::SectionThroughAntenna);
    runCalculation();
    EXPECT_EQ(prompts.lastMessage(), msg::SectionNeedsAntenna);
    EXPECT_FALSE(project.XZ.Calculated);

    // The mast's panel (azimuth 200 deg), where the sources export places it.
    std::string sources;
    ASSERT_TRUE(WriteCsv(project, CsvExport::SourcesCartesian, sources));
    std::istringstream lines(sources);
    std::string line;
    for (int k = 0; k < 4; ++k)
        std::getline(lines, line);
    double x3 = 0, y3 = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "3,%lf,%lf", &x3, &y3), 2) << sources;
    ASSERT_NEAR(x3, 100, 2); // the plan's own place of the site's 100 m, 70 m
    ASSERT_NEAR(y3, 70, 2);
    window->setSelection(3);
    trigger(cmd::SectionThroughAntenna);
    runCalculation();
    ASSERT_TRUE(project.XZ.Calculated);
    EXPECT_EQ(project.XZThrough, 3);
    EXPECT_EQ(project.CurrentPlane, Plane::XZ);
    const SectionLine l = SectionLineOf(project);
    ASSERT_TRUE(l.through);
    const double az = 200 * std::numbers::pi / 180;
    for (int i : {l.centre, l.centre + 20, l.centre - 10}) {
        const auto n = SectionNodeAt(project, l, i, 0);
        ASSERT_TRUE(n);
        EXPECT_NEAR(n->x, x3 + n->d * std::sin(az), 1e-3) << i;
        EXPECT_NEAR(n->y, y3 + n->d * std::cos(az), 1e-3) << i;
    }
    // A section along X afterwards is one again.
    ASSERT_FALSE(SetSectionDistance(project, 30));
    EXPECT_FALSE(SectionLineOf(project).through);
}

TEST_F(SectionAppTest, ReadoutGivesTheYTheSectionWasComputedAt) {
    importSites(BRENVIK_EXAMPLES_DIR "/two-towers-sites.csv");
    QDialog* d = open(cmd::XZCalculation, "calperfil");
    ASSERT_NE(d, nullptr);
    type(d, "Text2", "48.5");
    click(d, "a");
    runCalculation();
    ASSERT_TRUE(project.XZ.Calculated);
    // The beam model's grid row floor((cell + 9345 - D / mpu) / cell), whose
    // y the exports give as OriginY + (9600 - row * cell) * mpu.
    const double cell = project.CellSize, mpu = project.MetersPerUnit;
    const double row = std::floor((cell + 9345 - 48.5 / mpu) / cell);
    char want[64];
    std::snprintf(want, sizeof want, "Y=%.2f m", project.OriginY + (9600 - row * cell) * mpu);
    ASSERT_NE(std::string(want), "Y=48.50 m"); // the row lies off the distance typed
    mouse(QEvent::MouseMove, QPointF(20 * cell + 5, 20 * cell + 5));
    EXPECT_EQ(window->labelText("Labely").toStdString(), want);
}
