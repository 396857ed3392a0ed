// The calculation-colours, grid and dots dialogs as the window opens them: the
// options that open selected, the clicks that store at once, and the refused
// texts.
#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/dialogs/DialogBase.h"
#include "render/Colour.h"
#include "render/DisplayForms.h"

namespace brenvik::app::testing {
namespace {

using DisplayDialogs = WindowTest;

long swatchColour(QDialog* d, const char* name) {
    return static_cast<long>(d->findChild<QLabel*>(name)->property("colour").toLongLong());
}

TEST_F(DisplayDialogs, ColoursOpenOnTheStoredOnesAndAClickStoresAtOnce) {
    trigger(cmd::CalcColours); // light blue isolines, red marks
    QDialog* d = dialog("colorb");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Calculation colours");
    EXPECT_TRUE(control<QRadioButton>(d, "aguamarinalinea")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(d, "Rojo")->isChecked());
    EXPECT_EQ(swatchColour(d, "isolineSwatch"), 16776960);
    EXPECT_EQ(swatchColour(d, "markSwatch"), 255);

    click(d, "Grislinea");
    EXPECT_EQ(project.Display.IsolineColour, render::kBlack);
    EXPECT_EQ(swatchColour(d, "isolineSwatch"), 0);
    click(d, "blanco");
    EXPECT_EQ(project.Display.MarkColour, render::kWhite);
    // The two groups are independent.
    EXPECT_TRUE(control<QRadioButton>(d, "Grislinea")->isChecked());
    // No Cancel: the one button closes, and what was chosen stays chosen.
    ASSERT_EQ(d->findChildren<QPushButton*>().size(), 1);
    d->findChildren<QPushButton*>().front()->click();
    EXPECT_EQ(dialog("colorb"), nullptr);
    EXPECT_EQ(project.Display.MarkColour, render::kWhite);
}

TEST_F(DisplayDialogs, GridDialogHasTheTextsOfItsModeAndABadNumberKeepsItOpen) {
    prompts.saveChangesAnswers = {Prompts::Answer::No, Prompts::Answer::No};
    trigger(cmd::IsolineCount);
    QDialog* lines = dialog("malla");
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->windowTitle(), "Number of isolines");
    EXPECT_EQ(control<QLabel>(lines, "Label1")->text(), "Introduce the number of isolines");
    EXPECT_EQ(control<QLineEdit>(lines, "Text1")->text(), "7");
    lines->close();

    trigger(cmd::GridSize);
    QDialog* grid = dialog("malla");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->windowTitle(), "Grid size");
    EXPECT_EQ(control<QLineEdit>(grid, "Text1")->text(), "100");
    type(grid, "Text1", "many");
    click(grid, "Command1");
    EXPECT_EQ(dialog("malla"), grid);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Input data error"}));
    EXPECT_EQ(project.GridNX, 100);
}

TEST_F(DisplayDialogs, DotsOpenOnTheSettingsAndStoreOptionClicksAtOnce) {
    DisplaySettings& s = project.Display;
    s.DotScheme = 12;
    s.DotCount = 2;
    s.DotJitter = 0.0;
    s.DotRadius = 45.5;
    trigger(cmd::DotColours);
    QDialog* d = dialog("colordifuminado");
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(control<QRadioButton>(d, "nfucsia")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(d, "Option1")->isChecked()); // RANDOM: No
    EXPECT_TRUE(control<QRadioButton>(d, "Option5")->isChecked()); // two points
    EXPECT_EQ(control<QLineEdit>(d, "rradio")->text(), dialognum::text(45.5));
    EXPECT_EQ(control<QLineEdit>(d, "cutcol")->text(), "15");
    EXPECT_EQ(swatchColour(d, "swatch"), render::colourValue(render::qbColor(13)));

    for (const char* option : {"Verde", "Option3", "Option4"})
        click(d, option);
    EXPECT_EQ(s.DotScheme, 4);
    EXPECT_DOUBLE_EQ(s.DotJitter, 0.5);
    EXPECT_EQ(s.DotCount, 1);
    EXPECT_EQ(swatchColour(d, "swatch"), render::colourValue(render::qbColor(2)));

    type(d, "cutcol", "lots");
    click(d, "Aceptar");
    EXPECT_EQ(dialog("colordifuminado"), d);
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(s.DotRadius, 45.5);
}

} // namespace
} // namespace brenvik::app::testing
