// The geographic dialogs: the values they open with, in the user's locale, and,
// opened by the window, the boxes that do not convert and the reference pick.
#include "DialogTestSupport.h"
#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/dialogs/GeoDialogs.h"
#include "geo/GeoForms.h"
#include "model/Messages.h"

#include <QLocale>

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

} // namespace
} // namespace brenvik

namespace brenvik::app::testing {
namespace {

using GeoDialogs = WindowTest;

TEST_F(GeoDialogs, OriginSkipsABadBoxAndTheReferencePickIsArmedOnlyByAccept) {
    LocaleScope scope(QLocale::c());
    project.OriginX = 11.0;
    trigger(cmd::Origin);
    QDialog* origin = dialog("cambiocoor");
    for (auto [box, text] : {std::pair{"Text1", "east"}, {"Text2", "250"}, {"Text4", "95"}})
        type(origin, box, text);
    click(origin, "Command1");
    EXPECT_EQ(dialog("cambiocoor"), nullptr); // closes all the same
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{msg::InputDataErrorEs}));
    EXPECT_EQ(std::tie(project.OriginX, project.OriginY, project.OriginLat),
              std::make_tuple(11.0, 250.0, 89.0));

    trigger(cmd::Reference);
    click(dialog("referencia"), "Command2");
    EXPECT_NE(window->toolFlags().Active, PointerToolKind::ReferencePoint);
    trigger(cmd::Reference);
    EXPECT_EQ(control<QLineEdit>(dialog("referencia"), "Text3")->text(), "63.00000000");
    submit(dialog("referencia"), "Text1", "100");
    EXPECT_EQ(window->toolFlags().Active, PointerToolKind::ReferencePoint);
    EXPECT_DOUBLE_EQ(project.RefX, 100.0);
    EXPECT_EQ(prompts.messages.size(), 1u);
    // The next click places the origin marker there and ends the pick.
    clickAt(QPointF(3000, 4000));
    EXPECT_EQ(project.OriginMarkX, 3000.0);
    EXPECT_EQ(window->canvasWidget()->line(Overlay::OriginX).x1(), 3000.0);
    EXPECT_STREQ(window->activeToolName(), "select");
}

} // namespace
} // namespace brenvik::app::testing
