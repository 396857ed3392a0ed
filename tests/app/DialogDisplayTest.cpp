// The calculation-colours, grid and dots dialogs: the options that open
// selected, the clicks that store at once, and the refused texts.
#include "DialogTestSupport.h"
#include "app/dialogs/DisplayDialogs.h"
#include "model/Project.h"
#include "render/Colour.h"
#include "render/DisplayForms.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brenvik {
namespace {

using namespace dialogtest;

long swatchColour(QWidget* w, const char* name) {
    return static_cast<long>(child<QLabel>(w, name)->property("colour").toLongLong());
}

TEST(DialogColours, OpensOnTheStoredColoursAndStoresAClickAtOnce) {
    DisplaySettings s; // light blue isolines, red marks
    ColoursDialog d(s.IsolineColour, s.MarkColour);
    EXPECT_EQ(d.windowTitle(), "Calculation colours");
    EXPECT_TRUE(child<QRadioButton>(&d, "aguamarinalinea")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(&d, "Rojo")->isChecked());
    EXPECT_EQ(swatchColour(&d, "isolineSwatch"), 16776960);
    EXPECT_EQ(swatchColour(&d, "markSwatch"), 255);

    QObject::connect(&d, &ColoursDialog::isolineOptionChosen,
                     [&](int o) { render::chooseIsolineColour(s, o); });
    QObject::connect(&d, &ColoursDialog::markOptionChosen,
                     [&](int o) { render::chooseMarkColour(s, o); });
    child<QRadioButton>(&d, "Grislinea")->click();
    EXPECT_EQ(s.IsolineColour, "0");
    EXPECT_EQ(swatchColour(&d, "isolineSwatch"), 0);
    child<QRadioButton>(&d, "blanco")->click();
    EXPECT_EQ(s.MarkColour, "16777215");
    // The two groups are independent.
    EXPECT_TRUE(child<QRadioButton>(&d, "Grislinea")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(&d, "blanco")->isChecked());

    // No Cancel: Escape closes, and what was chosen stays chosen.
    EXPECT_EQ(d.findChildren<QPushButton*>().size(), 1);
}

TEST(DialogMalla, EachModeHasItsTextsAndABadNumberKeepsItOpen) {
    Project p;
    p.Display.MallaMode = 1;
    MallaDialog lines(render::mallaTexts(p));
    EXPECT_EQ(lines.objectName(), "malla");
    EXPECT_EQ(lines.windowTitle(), "Number of isolines");
    EXPECT_EQ(child<QLabel>(&lines, "Label1")->text(), "Introduce the number of isolines");
    EXPECT_EQ(child<QLineEdit>(&lines, "Text1")->text(), "7");

    p.Display.MallaMode = 0;
    MallaDialog grid(render::mallaTexts(p));
    EXPECT_EQ(grid.windowTitle(), "Grid size");
    EXPECT_EQ(child<QLineEdit>(&grid, "Text1")->text(), "100");

    std::vector<std::string> messages;
    grid.setAcceptHandler([&] {
        if (auto e = render::acceptMalla(p, grid.valueText(), dialognum::parser())) {
            messages.push_back(*e);
            return false;
        }
        return true;
    });
    grid.show();
    child<QLineEdit>(&grid, "Text1")->setText("many");
    child<QPushButton>(&grid, "Command1")->click();
    EXPECT_TRUE(grid.isVisible());
    EXPECT_EQ(messages, (std::vector<std::string>{"Input data error"}));
    EXPECT_EQ(p.GridNX, 100);
}

TEST(DialogDots, OpensOnTheSettingsAndStoresOptionClicksAtOnce) {
    DisplaySettings s;
    s.DotScheme = 12;
    s.DotCount = 2;
    s.DotJitter = 0.0;
    s.DotRadius = 45.5;
    DotColoursDialog d(s);
    EXPECT_TRUE(child<QRadioButton>(&d, "nfucsia")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(&d, "Option1")->isChecked()); // RANDOM: No
    EXPECT_TRUE(child<QRadioButton>(&d, "Option5")->isChecked()); // two points
    EXPECT_EQ(child<QLineEdit>(&d, "rradio")->text(), dialognum::text(45.5));
    EXPECT_EQ(child<QLineEdit>(&d, "cutcol")->text(), "15");
    EXPECT_EQ(swatchColour(&d, "swatch"), render::colourValue(render::qbColor(13)));

    QObject::connect(&d, &DotColoursDialog::schemeChosen,
                     [&](int n) { render::chooseDotScheme(s, n); });
    QObject::connect(&d, &DotColoursDialog::jitterChosen,
                     [&](render::JitterOption o) { render::chooseJitter(s, o); });
    QObject::connect(&d, &DotColoursDialog::countChosen,
                     [&](int n) { render::chooseDotCount(s, n); });
    child<QRadioButton>(&d, "Verde")->click();
    child<QRadioButton>(&d, "Option3")->click();
    child<QRadioButton>(&d, "Option4")->click();
    EXPECT_EQ(s.DotScheme, 4);
    EXPECT_DOUBLE_EQ(s.DotJitter, 0.5);
    EXPECT_EQ(s.DotCount, 1);
    EXPECT_EQ(swatchColour(&d, "swatch"), render::colourValue(render::qbColor(2)));

    std::vector<std::string> messages;
    d.setAcceptHandler([&] {
        auto e =
            render::acceptDotColours(s, d.radiusText(), d.fromPercentText(), dialognum::parser());
        if (e) messages.push_back(*e);
        return !e;
    });
    d.show();
    child<QLineEdit>(&d, "cutcol")->setText("lots");
    child<QPushButton>(&d, "Aceptar")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_DOUBLE_EQ(s.DotRadius, 45.5);
}

} // namespace
} // namespace brenvik
