// The calculation, section and topographic-line dialogs: on-load state, option
// clicks and what a refused Accept leaves behind.
#include "DialogTestSupport.h"
#include "app/dialogs/CalcDialogs.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "calc/Ground.h"
#include "model/Messages.h"
#include "model/Project.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brenvik {
namespace {

using namespace dialogtest;

TEST(DialogCalc, OptionsFollowTheStoredSettingAndSwitchTheHeightBox) {
    Project p;
    p.CalcOption = 0;
    p.CalcHeight = 10.0;
    CalcDialog d(CalFormLoad(p, dialognum::formatter()));
    auto* text1 = child<QLineEdit>(&d, "Text1");
    EXPECT_TRUE(child<QRadioButton>(&d, "Option2")->isChecked());
    EXPECT_TRUE(text1->isEnabled());
    EXPECT_EQ(text1->text(), "10");

    std::vector<int> changes;
    QObject::connect(&d, &CalcDialog::calcOptionChanged, [&](int o) { changes.push_back(o); });
    child<QRadioButton>(&d, "Option1")->click();
    EXPECT_FALSE(text1->isEnabled());
    EXPECT_EQ(text1->text(), "0");
    EXPECT_EQ(d.calcOption(), 1);
    child<QRadioButton>(&d, "Option2")->click();
    EXPECT_TRUE(text1->isEnabled());
    EXPECT_EQ(changes, (std::vector<int>{1, 0}));
    EXPECT_EQ(d.form().text1, "0");

    p.CalcOption = 1;
    CalcDialog surface(CalFormLoad(p, dialognum::formatter()));
    EXPECT_TRUE(child<QRadioButton>(&surface, "Option1")->isChecked());
    EXPECT_FALSE(child<QLineEdit>(&surface, "Text1")->isEnabled());
}

TEST(DialogCalc, ANonNumericHeightIsRefusedAndTheSettingKept) {
    Project p;
    p.CalcOption = 0;
    p.CalcHeight = 7.0;
    std::vector<std::string> messages;
    CalcDialog d(CalFormLoad(p, dialognum::formatter()));
    d.setAcceptHandler([&] {
        if (auto e = CalFormAccept(p, d.form(), dialognum::parser())) {
            messages.push_back(*e);
            d.reject();
            return false;
        }
        return true;
    });
    d.show();
    child<QLineEdit>(&d, "Text1")->setText("ten");
    child<QPushButton>(&d, "a")->click();
    EXPECT_EQ(messages, (std::vector<std::string>{msg::InputDataError}));
    EXPECT_DOUBLE_EQ(p.CalcHeight, 7.0);
    EXPECT_FALSE(d.isVisible());
}

TEST(DialogSection, ProposesTheMiddleOfTheMapAndStaysOpenOnABadDistance) {
    Project p;
    SectionDialog d(XZDialogDistance(p));
    auto* text2 = child<QLineEdit>(&d, "Text2");
    EXPECT_EQ(text2->text(), dialognum::fixed(45.6298828125, 2));

    std::vector<std::string> messages;
    d.setAcceptHandler([&] {
        if (auto e = XZDialogAccept(p, d.distanceText(), dialognum::parser())) {
            messages.push_back(*e);
            return false;
        }
        return true;
    });
    d.show();
    text2->setText("0");
    child<QPushButton>(&d, "a")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(messages, (std::vector<std::string>{msg::DistanceNotAllowed}));
    EXPECT_EQ(p.CurrentPlane, "planoxy");

    text2->setText(dialognum::fixed(30.0, 2));
    child<QPushButton>(&d, "a")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(p.CurrentPlane, "planoxz");
    EXPECT_DOUBLE_EQ(p.XZDistance, 30.0);
}

TEST(DialogRelief, RefusesANonNumberAndShowsANegativeHeightAsZero) {
    Project p;
    p.ContourHeight = 4.0;
    std::vector<std::string> messages;
    ReliefDialog d(p.ContourHeight);
    EXPECT_EQ(child<QLineEdit>(&d, "Text1")->text(), "4");
    d.setAcceptHandler([&] {
        std::string text = d.heightText();
        auto e = TopoLineAccept(p, text, dialognum::parser());
        d.setHeightText(text);
        if (e) messages.push_back(*e);
        return !e;
    });
    d.show();
    child<QLineEdit>(&d, "Text1")->setText("high");
    child<QPushButton>(&d, "Command1")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(messages, (std::vector<std::string>{msg::InputDataError}));
    EXPECT_DOUBLE_EQ(p.ContourHeight, 4.0);

    child<QLineEdit>(&d, "Text1")->setText("-5");
    child<QPushButton>(&d, "Command1")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(child<QLineEdit>(&d, "Text1")->text(), "0");
    EXPECT_DOUBLE_EQ(p.ContourHeight, 0.0);
}

} // namespace
} // namespace brenvik
