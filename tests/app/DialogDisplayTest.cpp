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
    EXPECT_TRUE(control<QRadioButton>(d, "aguamarinalinea")->isChecked() &&
                control<QRadioButton>(d, "Rojo")->isChecked());
    EXPECT_EQ(std::pair(swatchColour(d, "isolineSwatch"), swatchColour(d, "markSwatch")),
              std::pair(16776960L, 255L));

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
    submit(grid, "Text1", "many");
    EXPECT_EQ(dialog("malla"), grid);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{"Input data error"}));
    EXPECT_EQ(project.GridNX, 100);
}

TEST_F(DisplayDialogs, DotsOpenOnTheSettingsAndStoreOptionClicksAtOnce) {
    DisplaySettings& s = project.Display;
    std::tie(s.DotScheme, s.DotCount, s.DotJitter, s.DotRadius) = std::tuple(12, 2, 0.0, 45.5);
    trigger(cmd::DotColours);
    QDialog* d = dialog("colordifuminado");
    ASSERT_NE(d, nullptr);
    // Option1: no random shift; Option5: two points.
    for (const char* option : {"nfucsia", "Option1", "Option5"})
        EXPECT_TRUE(control<QRadioButton>(d, option)->isChecked()) << option;
    EXPECT_EQ(control<QLineEdit>(d, "rradio")->text(), dialognum::text(45.5));
    EXPECT_EQ(control<QLineEdit>(d, "cutcol")->text(), "15");
    EXPECT_EQ(swatchColour(d, "swatch"), render::colourValue(render::qbColor(13)));

    for (const char* option : {"Verde", "Option3", "Option4"})
        click(d, option);
    EXPECT_EQ(std::tie(s.DotScheme, s.DotJitter, s.DotCount), std::tuple(4, 0.5, 1));
    EXPECT_EQ(swatchColour(d, "swatch"), render::colourValue(render::qbColor(2)));

    submit(d, "cutcol", "lots", "Aceptar");
    EXPECT_EQ(dialog("colordifuminado"), d);
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(s.DotRadius, 45.5);
}

} // namespace
} // namespace brenvik::app::testing
