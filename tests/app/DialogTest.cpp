// The dialogs as the window opens them: a typo refused with the field and its
// range while the dialog keeps what was typed, the controls that act at once,
// and what every dialog shares (Enter, Escape, a handler that closes it).
#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/GisExportFlow.h"
#include "app/dialogs/CalcDialogs.h"
#include "app/dialogs/GisExportDialog.h"
#include "app/dialogs/MiscDialogs.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/TowerForms.h"
#include "gis/GisExport.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/TestProjects.h"
#include "render/Colour.h"
#include "render/DisplayForms.h"

#include <QDir>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>
#include <functional>
#include <gdal_priv.h>
#include <stdexcept>

namespace brenvik::app::testing {
namespace {

// Runs a test body under a locale and puts the previous one back.
class LocaleScope {
  public:
    explicit LocaleScope(const QLocale& l) : m_saved(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }

  private:
    QLocale m_saved;
};

void press(QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
}

using Dialogs = WindowTest;

TEST_F(Dialogs, ATypoIsRefusedWithItsFieldAndTheDialogKeepsIt) {
    LocaleScope scope(QLocale::c());
    placeTower(20, 20);
    const std::string bad = msg::InputDataError, badEs = msg::BoxNotANumber;
    struct Row {
        const char* command; // null: opened through the tower dialog
        const char* name;
        const char* box;
        const char* typo;
        std::string message;
        const char* good; // null: what the box opened with
        const char* accept;
    };
    // The calculations come last: their results would make later dialogs ask.
    const Row rows[] = {
        {cmd::TopographicButton, "reliev", "Text1", "20000",
         bad + "\nHeight of the contour line (m): between 0 and 10000", "-5", "Command1"},
        {cmd::ScaleItem, "escal", "Text1", "2e6",
         bad + "\nWidth of the plan (m): between 1 and 1000000", nullptr, "Command1"},
        {cmd::ScaleCalculation, "posicion", "Text1", "-1",
         bad + "\nDistance between the two points (m): above 0 and at most 1000000", "100",
         "Command1"},
        {cmd::Origin, "cambiocoor", "Text4", "95",
         badEs + "\nLatitude (degrees): between -89 and 89", "40", "Command1"},
        {cmd::Reference, "referencia", "Text1", "east",
         badEs + "\nX (m): between -10000000 and 10000000", "100", "Command1"},
        {cmd::Curvature, "curvatura", "Text2", "-5",
         bad + "\nEllipsoid semi-major axis a (m): above 0 and at most 1000000000", nullptr,
         "Command1"},
        {cmd::Curvature, "curvatura", "Text3", "b",
         badEs + "\nEllipsoid semi-minor axis b (m): above 0 and at most 1000000000", "6356752",
         "Command1"},
        {cmd::AntennaParameters, "pantenas", "Text2", "400",
         bad + "\nDTS (stick) open angle (degrees): between 0 and 360", "30", "Command1"},
        {cmd::DotColours, "colordifuminado", "cutcol", "lots",
         bad + "\nColour from (% of the maximum value): between 0 and 100", "150", "Aceptar"},
        {cmd::IsolineCount, "malla", "Text1", "5000",
         bad + "\nNumber of isolines: between 1 and 1000", "7", "Command1"},
        {cmd::GridSize, "malla", "Text1", "20000",
         bad + "\nCalculation points along the X axis: between 3 and 15360", "2", "Command1"},
        {nullptr, "fuent", "hBeamwidth", "0",
         bad + "\nHorizontal width (degrees): above 0 and at most 360", "65", "Command1"},
        {cmd::CalculationButton, "cal", "Text1", "-3",
         bad + "\nHeight of the calculation plane (m): between 0 and 10000", "10", "a"},
        {cmd::XZCalculation, "calperfil", "Text2", "0",
         std::string(msg::DistanceNotAllowed) +
             "\nDistance from the origin to the XZ-Plane (m): above 0 and at most 100",
         "45", "a"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        prompts.messages.clear();
        prompts.saveChangesAnswers = {Prompts::Answer::No}; // the grids' dialogs ask first
        if (r.command) {
            trigger(r.command);
        } else {
            trigger(cmd::TowerButton);
            click(dialog("torre"), "Command1");
        }
        QDialog* d = dialog(r.name);
        ASSERT_NE(d, nullptr);
        if (std::string(r.name) == "cal") click(d, "Option2");
        for (auto* c : d->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c)) {
                EXPECT_FALSE(c->objectName().isEmpty()) << "a control without a name";
            }
        }
        auto* box = control<QLineEdit>(d, r.box);
        const QString opened = box->text();
        std::string before, after;
        const PointerToolKind tool = window->toolFlags().Active;
        ASSERT_TRUE(WriteProjectText(project, before));
        type(d, r.box, r.typo);
        EXPECT_TRUE(box->property("invalidInput").toBool()); // highlighted while typing
        click(d, r.accept);
        EXPECT_EQ(prompts.lastMessage(), r.message);
        ASSERT_EQ(dialog(r.name), d);
        EXPECT_EQ(box->text(), r.typo);
        EXPECT_TRUE(r.command || dialog("torre")); // the parent stays too
        // A refusal stores nothing, arms no tool and starts no calculation.
        ASSERT_TRUE(WriteProjectText(project, after));
        EXPECT_EQ(after, before);
        EXPECT_EQ(window->toolFlags().Active, tool);
        EXPECT_FALSE(window->calcRunner()->running());
        type(d, r.box, r.good ? QString(r.good) : opened);
        EXPECT_FALSE(box->property("invalidInput").toBool());
        prompts.messages.clear();
        click(d, r.accept);
        EXPECT_EQ(dialog(r.name), nullptr) << prompts.lastMessage();
        if (!r.command) click(dialog("torre"), "Command2");
        runCalculation();
    }
    // The numbers past a bound are stored at the bound, as the dialogs' rules say.
    EXPECT_EQ(std::tuple(project.ContourHeight, project.Display.DotFromPercent, project.GridNX),
              std::tuple(0.0, 100.0, 3));
    EXPECT_EQ(std::tuple(project.XY.Calculated, project.XZ.Calculated), std::tuple(1, 1));
}

TEST_F(Dialogs, NumbersFollowTheLocale) {
    LocaleScope scope(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(dialognum::text(2.5), "2,5");
    EXPECT_EQ(dialognum::fixed(1234.5, 2), "1234,50"); // never grouped
    EXPECT_EQ(dialognum::parse(" 2,5 "), 2.5);
    EXPECT_EQ(dialognum::parse("2.5"), 2.5); // the plain form still reads
    project.OriginX = 1500.5;
    trigger(cmd::Origin);
    EXPECT_EQ(control<QLineEdit>(dialog("cambiocoor"), "Text1")->text(), "1500,50");
    dialog("cambiocoor")->close();
}

TEST_F(Dialogs, TheReferencePickIsArmedOnlyByAccept) {
    trigger(cmd::Reference);
    click(dialog("referencia"), "Command2");
    EXPECT_NE(window->toolFlags().Active, PointerToolKind::ReferencePoint);
    enter(cmd::Reference, "referencia", "Text1", "100");
    EXPECT_EQ(window->toolFlags().Active, PointerToolKind::ReferencePoint);
    // The next click places the origin marker there and ends the pick.
    clickAt(QPointF(3000, 4000));
    EXPECT_EQ(project.OriginMarkX, 3000.0);
    EXPECT_EQ(window->canvasWidget()->line(Overlay::OriginX).x1(), 3000.0);
    EXPECT_STREQ(window->activeToolName(), "select");
}

TEST_F(Dialogs, OptionClicksSwitchTheirBoxesAndOnlyAcceptStoresThem) {
    const Rgb isolines = project.Display.IsolineColour, marks = project.Display.MarkColour;
    trigger(cmd::CalcColours);
    click(dialog("colorb"), "Grislinea");
    const qlonglong shown =
        control<QLabel>(dialog("colorb"), "isolineSwatch")->property("colour").toLongLong();
    EXPECT_NE(shown, render::ColourValue(isolines)); // the swatch shows the choice
    EXPECT_EQ(project.Display.IsolineColour, isolines);
    click(dialog("colorb"), "Aceptar");
    EXPECT_EQ(render::ColourValue(project.Display.IsolineColour), shown);
    EXPECT_EQ(project.Display.MarkColour, marks); // the two groups are independent

    DisplaySettings& s = project.Display;
    const DisplaySettings dots = s;
    trigger(cmd::DotColours);
    for (const char* option : {"Verde", "Option3", "Option4"})
        click(dialog("colordifuminado"), option);
    EXPECT_TRUE(s == dots);
    click(dialog("colordifuminado"), "Aceptar");
    EXPECT_EQ(std::tie(s.DotScheme, s.DotJitter, s.DotCount), std::tuple(4, 0.5, 1));

    // "Calculation at surface height" empties and locks the height box.
    placeTower(20, 20);
    project.CalcOption = CalcLevel::AtHeight;
    QDialog* cal = open(cmd::CalculationButton, "cal");
    auto* text1 = control<QLineEdit>(cal, "Text1");
    click(cal, "Option1");
    EXPECT_FALSE(text1->isEnabled());
    EXPECT_EQ(text1->text(), QString("0"));
    click(cal, "Option2");
    EXPECT_TRUE(text1->isEnabled());
    click(cal, "Option1");
    click(cal, "Command1"); // cancelled: the picture is released, the level kept
    EXPECT_FALSE(pressed(cmd::CalculationButton));
    EXPECT_EQ(project.CalcOption, CalcLevel::AtHeight);
}

TEST(DialogTower, AddAndRemoveKeepTheComboInStepWithTheCount) {
    TowerDialog d(1, false);
    auto* combo = d.findChild<QComboBox*>("Combo1");
    std::vector<int> counts;
    QObject::connect(&d, &TowerDialog::antennaAdded, [&](int n) { counts.push_back(n); });
    QObject::connect(&d, &TowerDialog::antennaRemoved, [&](int n) { counts.push_back(-n); });
    for (const char* b : {"Command4", "Command3", "Command3", "Command4"})
        d.findChild<QPushButton*>(b)->click(); // one antenna: nothing to remove
    EXPECT_EQ(counts, (std::vector<int>{2, 3, -2}));
    EXPECT_EQ(std::tuple(combo->count(), d.antennaCount(), combo->currentText()),
              std::tuple(2, 2, QString("2")));
    int optionsFor = 0;
    QObject::connect(&d, &TowerDialog::optionsRequested, [&](int n) { optionsFor = n; });
    combo->setCurrentIndex(0);
    d.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(optionsFor, 1);
}

TEST(DialogAntenna, OptionClicksFillTheBoxesAndTheFormReopensWithThem) {
    Project p;
    TowerBeginNew(p);
    AntennaDialog d(AntennaFormLoad(p, p.AntennaCount + 1, dialognum::Formatter()));
    const auto click = [&](const char* name) { d.findChild<QAbstractButton*>(name)->click(); };
    const auto box = [&](QDialog& in, const char* name) { return in.findChild<QLineEdit*>(name); };
    click("ang");
    box(d, "antang")->setText("33");
    click("w");
    EXPECT_FALSE(box(d, "antang")->isEnabled());
    EXPECT_EQ(box(d, "antang")->text(), "270");
    click("otr");
    box(d, "potext")->setText("750");
    click("med");
    EXPECT_EQ(box(d, "potext")->text(), "300");
    // A stick antenna has neither tilt nor direction; the panel brings them
    // back with the typed tilt.
    box(d, "angText")->setText("20");
    click("baja");
    EXPECT_FALSE(box(d, "angText")->isEnabled() || box(d, "antang")->isEnabled());
    click("alta");
    EXPECT_EQ(box(d, "angText")->text(), "20");
    click("otr");
    click("S");
    click("altm");
    box(d, "mText")->setText("12");
    AntennaDialog again(d.form());
    for (const char* option : {"altm", "otr", "S"})
        EXPECT_TRUE(again.findChild<QRadioButton*>(option)->isChecked()) << option;
    EXPECT_TRUE(box(again, "potext")->isEnabled() && !box(again, "pText")->isEnabled());
    EXPECT_EQ(box(again, "mText")->text(), "12");
}

TEST(DialogCommon, SaveChangesGivesEachButtonsAnswerAndEscapeIsCancel) {
    using A = Prompts::Answer;
    // A null button stands for the Escape key.
    const std::pair<const char*, A> cases[] = {
        {"Command1", A::Yes}, {"Command2", A::No}, {"Command3", A::Cancel}, {nullptr, A::Cancel}};
    for (const auto& [name, expected] : cases) {
        SaveChangesDialog d;
        std::vector<A> heard;
        QObject::connect(&d, &SaveChangesDialog::answered, [&](A a) { heard.push_back(a); });
        d.open();
        if (name)
            d.findChild<QPushButton*>(name)->click();
        else
            press(&d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible()) << name;
        EXPECT_EQ(heard, (std::vector<A>{expected})) << name;
        EXPECT_EQ(d.answer(), expected) << name;
    }
}

TEST(DialogCommon, EachZoomOptionGivesItsZoomAndOneOpensSelected) {
    ZoomDialog d(1.0);
    for (int n = 1; n <= 6; ++n) {
        d.findChild<QRadioButton*>(QString("Option%1").arg(n * 100))->click();
        EXPECT_EQ(d.zoom(), n);
    }
    for (double z : {0.0, 2.4, 9.0}) {
        ZoomDialog o(z);
        EXPECT_EQ(std::ranges::count_if(o.findChildren<QRadioButton*>(),
                                        [](QRadioButton* b) { return b->isChecked(); }),
                  1)
            << z;
    }
    d.show();
    const QRect screen = d.screen()->availableGeometry();
    EXPECT_NEAR(d.frameGeometry().center().x(), screen.center().x(), 2); // opens centred
    EXPECT_NEAR(d.frameGeometry().center().y(), screen.center().y(), 2);
}

TEST(DialogCommon, EnterEscapeAndHandlersThatCloseOrThrow) {
    int calls = 0;
    bool allow = false;
    ReliefDialog d(3.0), c(3.0);
    for (ReliefDialog* x : {&d, &c}) {
        x->setAcceptHandler([&] { return ++calls, allow; });
        x->show();
    }
    auto* box = d.findChild<QLineEdit*>("Text1");
    box->setFocus();
    press(box, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible()); // the handler refused
    allow = true;
    press(box, Qt::Key_Return);
    EXPECT_EQ(std::tuple(calls, d.isVisible(), d.result()), std::tuple(2, false, 1));
    press(&c, Qt::Key_Escape); // without asking the handler
    EXPECT_EQ(std::tuple(calls, c.isVisible(), c.result()), std::tuple(2, false, 0));

    // After an error the window's tool reset closes its dialogs from inside
    // the handler; the dialog must then not report an accept as well.
    ReliefDialog e(3.0);
    int accepted = 0, rejected = 0;
    QObject::connect(&e, &QDialog::accepted, [&] { ++accepted; });
    QObject::connect(&e, &QDialog::rejected, [&] { ++rejected; });
    e.setAcceptHandler([&] { return e.close(), true; });
    e.show();
    e.tryAccept();
    EXPECT_EQ(std::tuple(e.isVisible(), accepted, rejected), std::tuple(false, 0, 1));

    // A handler that throws leaves the dialog usable.
    ReliefDialog t(3.0);
    bool fail = true;
    t.setAcceptHandler([&] {
        if (fail) throw std::runtime_error("overflow");
        return true;
    });
    t.show();
    EXPECT_THROW(t.tryAccept(), std::runtime_error);
    fail = false;
    t.tryAccept();
    EXPECT_EQ(std::tuple(t.isVisible(), t.result()), std::tuple(false, 1));
}

TEST(DialogGisExport, RefusedLikeTheTablesThenWritesTheChosenFormat) {
    ScriptedPrompts prompts;
    Project p;
    brenvik::testing::FillPlan(p, [](int i, int j) {
        return 8.0 / (1.0 + 0.01 * ((i - 50) * (i - 50) + (j - 30) * (j - 30)));
    });
    std::tie(p.IsolineCount, p.Zoom) = std::tuple(2, 2.0);
    p.XY.IsolineLevel = {0.0, 2.0, 4.0};
    EXPECT_FALSE(app::StartGisExport(p, prompts, nullptr));
    std::tie(p.XY.Calculated, p.Zoom) = std::tuple(0, 1.0);
    EXPECT_FALSE(app::StartGisExport(p, prompts, nullptr));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{msg::ExportNeedsZoom, msg::NoResult}));

    p.XY.Calculated = true;
    QTemporaryDir dir;
    const std::string base = QDir(dir.path()).filePath("site").toStdString();
    GisExportDialog* d = app::StartGisExport(p, prompts, nullptr);
    ASSERT_TRUE(d);
    auto* format = d->findChild<QComboBox*>("gisFormat");
    format->setCurrentIndex(format->findText(gis::GisFormatCaption(gis::GisFormat::GeoTiff)));
    d->findChild<QLineEdit*>("gisPath")->setText(QString::fromStdString(base + ".TIF"));
    EXPECT_EQ(d->path(), base + ".TIF"); // its extension in any case is kept
    prompts.savePaths.push_back(base);
    d->findChild<QPushButton*>("gisBrowse")->click();
    EXPECT_EQ(prompts.filters.back(), gis::GisFormatFilter(gis::GisFormat::GeoTiff));
    EXPECT_EQ(d->findChild<QLineEdit*>("gisPath")->text().toStdString(), base + ".tif");
    d->findChild<QPushButton*>("Command1")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(prompts.messages.size(), 2u);

    GDALDatasetUniquePtr ds(GDALDataset::Open((base + ".tif").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(ds);
    EXPECT_EQ(ds->GetRasterXSize(), p.GridNX);
    double v = 0;
    ASSERT_EQ(
        ds->GetRasterBand(1)->RasterIO(GF_Read, 49, 29, 1, 1, &v, 1, 1, GDT_Float64, 0, 0, nullptr),
        CE_None);
    EXPECT_EQ(v, 8.0); // node (50, 30)
}

} // namespace
} // namespace brenvik::app::testing
