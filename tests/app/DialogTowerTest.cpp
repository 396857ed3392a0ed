// The tower and antenna dialogs driven through their widgets: the form they
// hand over and the options they open with.
#include "DialogTestSupport.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"
#include "model/Project.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <string>
#include <vector>

namespace brenvik {
namespace {

using namespace dialogtest;

void type(QWidget* dialog, const char* box, const QString& text) {
    child<QLineEdit>(dialog, box)->setText(text);
}

void click(QWidget* dialog, const char* name) {
    child<QAbstractButton>(dialog, name)->click();
}

// ---- torre -----------------------------------------------------------------

TEST(DialogTower, AddAndRemoveKeepTheComboInStepWithTheCount) {
    TowerDialog d(1, false);
    auto* combo = child<QComboBox>(&d, "Combo1");
    std::vector<int> added, removed;
    QObject::connect(&d, &TowerDialog::antennaAdded, [&](int n) { added.push_back(n); });
    QObject::connect(&d, &TowerDialog::antennaRemoved, [&](int n) { removed.push_back(n); });

    click(&d, "Command4"); // one antenna: nothing to remove
    EXPECT_TRUE(removed.empty());
    EXPECT_EQ(combo->count(), 1);

    for (int k = 0; k < 2; ++k)
        click(&d, "Command3");
    EXPECT_EQ(added, (std::vector<int>{2, 3}));
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2), "3");
    EXPECT_EQ(d.selectedAntenna(), 3);

    click(&d, "Command4");
    EXPECT_EQ(removed, (std::vector<int>{2}));
    EXPECT_EQ(std::tuple(combo->count(), d.antennaCount(), combo->currentText()),
              std::tuple(2, 2, QString("2")));

    int optionsFor = 0;
    QObject::connect(&d, &TowerDialog::optionsRequested, [&](int n) { optionsFor = n; });
    combo->setCurrentIndex(0);
    click(&d, "Command1");
    EXPECT_EQ(optionsFor, 1);
}

// ---- fuent -------------------------------------------------------------------

class DialogAntenna : public ::testing::Test {
  protected:
    void SetUp() override {
        TowerBeginNew(p);
        slot = p.AntennaCount + 1;
    }
    std::unique_ptr<AntennaDialog> open() {
        return std::make_unique<AntennaDialog>(AntennaFormLoad(p, slot, dialognum::formatter()));
    }
    Project p;
    int slot = 0;
};

TEST_F(DialogAntenna, AnUntouchedNewAntennaShowsTheDefaults) {
    auto d = open();
    EXPECT_EQ(d->objectName(), "fuent");
    for (const char* option : {"alta", "max", "e", "pisos"})
        EXPECT_TRUE(child<QRadioButton>(d.get(), option)->isChecked()) << option;
    for (auto [box, text] : {std::pair{"pText", "4"}, {"angText", "15"}, {"potext", "1600"}})
        EXPECT_EQ(child<QLineEdit>(d.get(), box)->text(), text) << box;
    for (auto [box, on] :
         {std::pair{"potext", false}, {"antang", false}, {"mText", false}, {"pText", true}})
        EXPECT_EQ(child<QLineEdit>(d.get(), box)->isEnabled(), on) << box;
}

TEST_F(DialogAntenna, OptionClicksEnableAndFillTheirBoxes) {
    auto d = open();
    auto* antang = child<QLineEdit>(d.get(), "antang");
    auto* potext = child<QLineEdit>(d.get(), "potext");

    click(d.get(), "ang");
    EXPECT_TRUE(antang->isEnabled());
    antang->setText("33");
    click(d.get(), "w");
    EXPECT_FALSE(antang->isEnabled());
    EXPECT_EQ(antang->text(), "270");
    click(d.get(), "n");
    EXPECT_EQ(antang->text(), "0");

    click(d.get(), "otr");
    EXPECT_TRUE(potext->isEnabled());
    potext->setText("750");
    click(d.get(), "med");
    EXPECT_FALSE(potext->isEnabled());
    EXPECT_EQ(potext->text(), "300");

    // A stick antenna: tilt and direction are switched off, and come back with
    // the panel, the typed tilt kept.
    auto* angText = child<QLineEdit>(d.get(), "angText");
    angText->setText("20");
    click(d.get(), "ang");
    click(d.get(), "baja");
    for (QWidget* w :
         std::initializer_list<QWidget*>{child<QGroupBox>(d.get(), "Frame2"),
                                         child<QGroupBox>(d.get(), "Frame3"), angText, antang})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    click(d.get(), "alta");
    EXPECT_TRUE(angText->isEnabled() && antang->isEnabled());
    EXPECT_EQ(angText->text(), "20");

    click(d.get(), "altm");
    EXPECT_TRUE(child<QLineEdit>(d.get(), "mText")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(d.get(), "pText")->isEnabled());
}

TEST_F(DialogAntenna, TheFormCarriesTheChoicesAndReopensWithThem) {
    // What Accept stores from the form is the core's rule; the dialog hands
    // the boxes and options over and shows a form's options when it opens.
    auto d = open();
    type(d.get(), "pText", "5");
    click(d.get(), "S");
    click(d.get(), "otr");
    type(d.get(), "potext", "500");
    const AntennaForm f = d->form();
    EXPECT_EQ(std::tie(f.direction, f.power, f.pText, f.potext),
              std::make_tuple(FuentDirection::S, FuentPower::Otr, "5", "500"));
    click(d.get(), "ang");
    type(d.get(), "antang", "45");
    AntennaDialog again(d->form());
    for (const char* option : {"pisos", "otr", "ang"})
        EXPECT_TRUE(child<QRadioButton>(&again, option)->isChecked()) << option;
    EXPECT_TRUE(child<QLineEdit>(&again, "potext")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(&again, "antang")->isEnabled());
    for (auto [box, text] : {std::pair{"pText", "5"}, {"antang", "45"}})
        EXPECT_EQ(child<QLineEdit>(&again, box)->text(), text) << box;
}

TEST_F(DialogAntenna, LabelNamesAnAntennaEditedFromTheMap) {
    auto d = open();
    EXPECT_TRUE(child<QLabel>(d.get(), "Label1")->text().isEmpty());
    d->setEditedIndex(3);
    EXPECT_EQ(child<QLabel>(d.get(), "Label1")->text(), "fuentenumero3");
}

} // namespace
} // namespace brenvik
