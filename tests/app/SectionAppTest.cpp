#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "calc/CalcForms.h"
#include "model/Messages.h"

#include <cmath>
#include <cstdio>

using namespace brenvik;
using namespace brenvik::app;
using namespace brenvik::app::testing;

using SectionAppTest = WindowTest;

TEST_F(SectionAppTest, ReadoutGivesTheComputedYAndTheSectionThroughTheSelectedAntenna) {
    importSites(BRENVIK_EXAMPLES_DIR "/two-towers-sites.csv");
    QDialog* d = open(cmd::XZCalculation, "calperfil");
    ASSERT_NE(d, nullptr);
    type(d, "Text2", "48.5");
    click(d, "a");
    runCalculation();
    // The beam model's grid row floor((cell + 9345 - D / mpu) / cell), at
    // y = OriginY + (9600 - row * cell) * mpu in the exports' frame.
    const double cell = project.CellSize, mpu = project.MetersPerUnit;
    const double row = std::floor((cell + 9345 - 48.5 / mpu) / cell);
    char want[64];
    std::snprintf(want, sizeof want, "Y=%.2f m", project.OriginY + (9600 - row * cell) * mpu);
    ASSERT_NE(std::string(want), "Y=48.50 m");
    mouse(QEvent::MouseMove, QPointF(20 * cell + 5, 20 * cell + 5));
    EXPECT_EQ(window->labelText("Labely").toStdString(), want);

    window->setSelection(0);
    trigger(cmd::SectionThroughAntenna);
    EXPECT_EQ(prompts.lastMessage(), msg::SectionNeedsAntenna);
    window->setSelection(3); // the mast's panel
    trigger(cmd::SectionThroughAntenna);
    runCalculation();
    EXPECT_TRUE(project.XZ.Calculated && project.XZThrough == 3 &&
                SectionLineOf(project).azimuthDeg == 200);
}
