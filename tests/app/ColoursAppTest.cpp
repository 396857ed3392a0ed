// The colours of the levels: colour-blind safe unless the classic ones are
// asked for, and kept between runs.

#include "MainWindowTestSupport.h"
#include "app/CommandNames.h"
#include "app/DocumentHolder.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <QSettings>

namespace brenvik::app::testing {
namespace {

class ColoursTest : public WindowTest {};

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

} // namespace
} // namespace brenvik::app::testing
