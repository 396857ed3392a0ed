// The calculation dialog: the option it opens with and the height box that
// follows the option clicks.
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
#include <string>
#include <vector>

namespace brenvik {
namespace {

using namespace dialogtest;

TEST(DialogCalc, OptionsFollowTheStoredSettingAndSwitchTheHeightBox) {
    Project p;
    std::tie(p.CalcOption, p.CalcHeight) = std::tuple(0, 10.0);
    CalcDialog d(CalFormLoad(p, dialognum::formatter()));
    auto* text1 = child<QLineEdit>(&d, "Text1");
    EXPECT_TRUE(child<QRadioButton>(&d, "Option2")->isChecked());
    EXPECT_TRUE(text1->isEnabled());
    EXPECT_EQ(text1->text(), "10");

    std::vector<int> changes;
    QObject::connect(&d, &CalcDialog::calcOptionChanged, [&](int o) { changes.push_back(o); });
    child<QRadioButton>(&d, "Option1")->click();
    EXPECT_FALSE(text1->isEnabled());
    EXPECT_EQ(std::tuple(text1->text(), d.calcOption()), std::tuple(QString("0"), 1));
    child<QRadioButton>(&d, "Option2")->click();
    EXPECT_TRUE(text1->isEnabled());
    EXPECT_EQ(changes, (std::vector<int>{1, 0}));
    EXPECT_EQ(d.form().text1, "0");

    p.CalcOption = 1;
    CalcDialog surface(CalFormLoad(p, dialognum::formatter()));
    EXPECT_TRUE(child<QRadioButton>(&surface, "Option1")->isChecked());
    EXPECT_FALSE(child<QLineEdit>(&surface, "Text1")->isEnabled());
}

} // namespace
} // namespace brenvik
