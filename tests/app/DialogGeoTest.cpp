// The geographic dialogs: the values they open with, in the user's locale, and
// the boxes that do not convert.
#include "DialogTestSupport.h"
#include "app/dialogs/GeoDialogs.h"
#include "geo/GeoForms.h"
#include "model/Messages.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brenvik {
namespace {

using namespace dialogtest;

// Runs a test body under a locale and puts the previous one back.
class LocaleScope {
  public:
    explicit LocaleScope(const QLocale& l) : m_saved(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }

  private:
    QLocale m_saved;
};

TEST(DialogNumbers, TypedNumbersFollowTheLocaleAndRefuseWords) {
    {
        LocaleScope scope(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(dialognum::text(2.5), "2,5");
        EXPECT_EQ(dialognum::fixed(1234.5, 2), "1234,50"); // never grouped
        EXPECT_EQ(dialognum::decimalPoint(), ',');
        EXPECT_EQ(dialognum::parse(" 2,5 "), 2.5);
        EXPECT_EQ(dialognum::parse("2.5"), 2.5); // the plain form still reads
    }
    LocaleScope scope(QLocale::c());
    EXPECT_EQ(dialognum::text(1600), "1600");
    EXPECT_EQ(dialognum::text(-0.25), "-0.25");
    EXPECT_EQ(dialognum::parse("1e3"), 1000.0);
    for (const char* bad : {"", "  ", "abc", "12abc", "inf", "nan", "1e999"})
        EXPECT_FALSE(dialognum::parse(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(DialogOrigin, OpensWithFixedDecimalsInTheLocale) {
    LocaleScope scope(QLocale(QLocale::Spanish, QLocale::Spain));
    Project p;
    p.OriginX = 1500.5;
    p.OriginLat = 40.25;
    OriginDialog d(geo::OpenOriginForm(p, dialognum::decimalPoint()));
    EXPECT_EQ(d.windowTitle(), "Origin of coordinates");
    EXPECT_EQ(child<QLineEdit>(&d, "Text1")->text(), "1500,50");
    EXPECT_EQ(child<QLineEdit>(&d, "Text4")->text(), "40,25000000");
}

TEST(DialogOrigin, ABadBoxIsReportedAndSkippedAndTheDialogStillCloses) {
    LocaleScope scope(QLocale::c());
    Project p;
    p.OriginX = 11.0;
    ScriptedPrompts prompts;
    OriginDialog d(geo::OpenOriginForm(p, dialognum::decimalPoint()));
    d.setAcceptHandler([&] {
        geo::AcceptOrigin(p, d.form(), prompts, dialognum::parser());
        return true;
    });
    d.show();
    child<QLineEdit>(&d, "Text1")->setText("east");
    child<QLineEdit>(&d, "Text2")->setText("250");
    child<QLineEdit>(&d, "Text4")->setText("95");
    child<QPushButton>(&d, "Command1")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{msg::InputDataErrorEs}));
    EXPECT_DOUBLE_EQ(p.OriginX, 11.0);
    EXPECT_DOUBLE_EQ(p.OriginY, 250.0);
    EXPECT_DOUBLE_EQ(p.OriginLat, 89.0);
}

TEST(DialogReference, AcceptArmsThePickAndCancelDoesNot) {
    LocaleScope scope(QLocale::c());
    Project p;
    ScriptedPrompts prompts;
    {
        ReferenceDialog d(geo::OpenReferenceForm(p, dialognum::decimalPoint()));
        d.setAcceptHandler([&] {
            geo::AcceptReference(p, d.form(), prompts, dialognum::parser());
            return true;
        });
        d.show();
        child<QPushButton>(&d, "Command2")->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(p.Tools.RefPointPick, Variant::integer(0));
    }
    ReferenceDialog d(geo::OpenReferenceForm(p, dialognum::decimalPoint()));
    EXPECT_EQ(child<QLineEdit>(&d, "Text3")->text(), "63.00000000");
    d.setAcceptHandler([&] {
        geo::AcceptReference(p, d.form(), prompts, dialognum::parser());
        return true;
    });
    child<QLineEdit>(&d, "Text1")->setText("100");
    child<QPushButton>(&d, "Command1")->click();
    EXPECT_EQ(p.Tools.RefPointPick, Variant::integer(1));
    EXPECT_DOUBLE_EQ(p.RefX, 100.0);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace brenvik
