// The colours of the levels: colour-blind safe unless the classic ones are
// asked for, kept between runs, and the same in the printed legend.

#include "MainWindowTestSupport.h"
#include "app/CommandNames.h"
#include "app/DocumentHolder.h"
#include "app/PrintLegend.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <QSettings>

namespace brenvik::app::testing {
namespace {

class ColoursTest : public WindowTest {
  protected:
    // A window of an earlier test may have chosen for the user already.
    void SetUp() override {
        UserSettings().remove(kSafeColoursKey);
        WindowTest::SetUp();
    }
};

QColor Q(render::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

TEST_F(ColoursTest, SafeByDefaultClassicOnAskingAndRememberedByTheNextWindow) {
    ASSERT_TRUE(window->item(cmd::SafeColours)->isCheckable());
    EXPECT_TRUE(pressed(cmd::SafeColours));
    EXPECT_EQ(project.Display.Colours, ColourScheme::ColourBlindSafe);
    placeTower(50, 30);
    calculate();
    trigger(cmd::GradientItem);
    ASSERT_EQ(project.DisplayMode, ResultStyle::Gradient);
    const QImage safe = window->areaImage();

    trigger(cmd::SafeColours);
    EXPECT_FALSE(pressed(cmd::SafeColours));
    EXPECT_EQ(project.Display.Colours, ColourScheme::Classic);
    EXPECT_NE(window->areaImage(), safe);
    EXPECT_FALSE(UserSettings().value(kSafeColoursKey).toBool());
    {
        Project other;
        ScriptedPrompts answers;
        PdfPrinter paper;
        MainWindow next(other, answers, paper);
        EXPECT_EQ(other.Display.Colours, ColourScheme::Classic);
        EXPECT_FALSE(next.item(cmd::SafeColours)->isChecked());
    }
    trigger(cmd::SafeColours);
    EXPECT_TRUE(UserSettings().value(kSafeColoursKey).toBool());
    EXPECT_EQ(window->areaImage(), safe);
}

// The print's legend shows what the printed plane draws: the isolines as
// lines in their colour, the gradient's levels in the chosen colours.
TEST_F(ColoursTest, PrintedLegendFollowsTheStyleAndTheColours) {
    placeTower(50, 30);
    calculate();
    trigger(cmd::IsolinesButton);
    const PrintLegend lines = printLegend(project, "today");
    ASSERT_FALSE(lines.levels.isEmpty());
    EXPECT_TRUE(lines.heading.startsWith("Isolines ("));
    for (int k = 0; k < lines.levels.size(); ++k)
        EXPECT_EQ(std::pair(lines.levelLines[k], lines.levelColours[k]),
                  std::pair(true, Q(project.Display.IsolineColour)))
            << k;

    trigger(cmd::GradientItem);
    for (ColourScheme scheme : {ColourScheme::ColourBlindSafe, ColourScheme::Classic}) {
        project.Display.Colours = scheme;
        const PrintLegend cells = printLegend(project, "today");
        ASSERT_EQ(cells.levels.size(), 11);
        EXPECT_TRUE(cells.heading.startsWith("Power density ("));
        // Lowest first: level k at k tenths of the maximum.
        for (int k = 0; k <= 10; ++k)
            EXPECT_EQ(std::pair(cells.levelLines[k], cells.levelColours[k]),
                      std::pair(false, Q(render::LevelColour(project.Display, k,
                                                             project.WhiteBackground))))
                << k << " " << int(scheme);
    }
    project.Display.Colours = ColourScheme::ColourBlindSafe;
    EXPECT_EQ(printLegend(project, "today").levelColours[10], Q(render::DensityStep(10)));
}

} // namespace
} // namespace brenvik::app::testing
