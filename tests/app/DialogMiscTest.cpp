// The save-changes question, the zoom dialog, the about box, and what every
// dialog shares: names, Enter and Escape, centring.
#include "DialogTestSupport.h"
#include "app/dialogs/CalcDialogs.h"
#include "app/dialogs/DisplayDialogs.h"
#include "app/dialogs/GeoDialogs.h"
#include "app/dialogs/MiscDialogs.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/CalcForms.h"
#include "calc/TowerForms.h"
#include "model/Project.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace brenvik {
namespace {

using namespace dialogtest;

void press(QWidget* target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
}

TEST(DialogSaveChanges, EachButtonGivesItsAnswerAndEscapeIsCancel) {
    using A = Prompts::Answer;
    // A null button stands for the Escape key.
    const std::pair<const char*, A> cases[] = {
        {"Command1", A::Yes}, {"Command2", A::No}, {"Command3", A::Cancel}, {nullptr, A::Cancel}};
    for (const auto& [name, expected] : cases) {
        SaveChangesDialog d;
        EXPECT_EQ(child<QLabel>(&d, "Label1")->text(),
                  "Do you want to save the current work?. The current work will be deleted. ");
        std::vector<A> heard;
        QObject::connect(&d, &SaveChangesDialog::answered, [&](A a) { heard.push_back(a); });
        d.open();
        if (name)
            child<QPushButton>(&d, name)->click();
        else
            press(&d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible()) << name;
        EXPECT_EQ(heard, (std::vector<A>{expected})) << name;
        EXPECT_EQ(d.answer(), expected) << name;
    }
}

TEST(DialogZoom, EachOptionGivesItsZoomAndExactlyOneIsSelected) {
    ZoomDialog d(1.0);
    for (int n = 1; n <= 6; ++n) {
        child<QRadioButton>(&d, QString("Option%1").arg(n * 100).toLatin1())->click();
        EXPECT_EQ(d.zoom(), n);
    }
    for (double z : {0.0, 2.4, 4.0, 9.0}) {
        ZoomDialog d(z);
        EXPECT_EQ(std::ranges::count_if(d.findChildren<QRadioButton*>(),
                                        [](QRadioButton* b) { return b->isChecked(); }),
                  1)
            << z;
    }
}

TEST(DialogAbout, NamesTheProductAndClosesWithItsOneButton) {
    AboutDialog d;
    QString all;
    for (auto* l : d.findChildren<QLabel*>())
        all += l->text() + '\n';
    for (const char* part : {"Brenvik", "5.0", "Brenvik developers"})
        EXPECT_TRUE(all.contains(part)) << part;
    ASSERT_EQ(d.findChildren<QPushButton*>().size(), 1);
    d.open();
    d.findChildren<QPushButton*>().front()->click();
    EXPECT_FALSE(d.isVisible());
}

// Every dialog of the program, as the window would build it.
std::vector<std::unique_ptr<QDialog>> everyDialog() {
    Project p;
    std::vector<std::unique_ptr<QDialog>> all;
    all.push_back(std::make_unique<TowerDialog>());
    TowerBeginNew(p);
    all.push_back(std::make_unique<AntennaDialog>(AntennaFormLoad(p, p.AntennaCount + 1)));
    all.push_back(std::make_unique<AntennaParamsDialog>(OpenAnglesFormLoad(p)));
    all.push_back(std::make_unique<CalcDialog>(CalFormLoad(p)));
    all.push_back(std::make_unique<SectionDialog>(30.0));
    all.push_back(std::make_unique<ReliefDialog>(0.0));
    all.push_back(std::make_unique<ColoursDialog>(p.Display.IsolineColour, p.Display.MarkColour));
    all.push_back(std::make_unique<MallaDialog>(render::mallaTexts(p)));
    all.push_back(std::make_unique<DotColoursDialog>(p.Display));
    all.push_back(std::make_unique<SaveChangesDialog>());
    all.push_back(std::make_unique<ScaleDialog>(geo::OpenScaleForm(p)));
    all.push_back(std::make_unique<ScaleDistanceDialog>(geo::OpenScaleCalculationForm(p)));
    all.push_back(std::make_unique<OriginDialog>(geo::OpenOriginForm(p)));
    all.push_back(std::make_unique<ReferenceDialog>(geo::OpenReferenceForm(p)));
    all.push_back(std::make_unique<CurvatureDialog>(geo::OpenCurvatureForm(p)));
    all.push_back(std::make_unique<ZoomDialog>(1.0));
    all.push_back(std::make_unique<AboutDialog>());
    return all;
}

TEST(DialogCommon, EveryFormCarriesItsNameAndACaption) {
    QStringList names;
    for (const auto& d : everyDialog()) {
        names << d->objectName();
        EXPECT_FALSE(d->windowTitle().isEmpty()) << d->objectName().toStdString();
        // Every control a test or the window looks for by name has one.
        for (auto* b : d->findChildren<QAbstractButton*>())
            EXPECT_FALSE(b->objectName().isEmpty()) << d->objectName().toStdString();
        for (auto* e : d->findChildren<QLineEdit*>())
            EXPECT_FALSE(e->objectName().isEmpty()) << d->objectName().toStdString();
    }
    EXPECT_EQ(names,
              QStringList({"torre", "fuent", "pantenas", "cal", "calperfil", "reliev", "colorb",
                           "malla", "colordifuminado", "cambios", "escal", "posicion", "cambiocoor",
                           "referencia", "curvatura", "zoom1", "canarina"}));
}

TEST(DialogCommon, EnterAcceptsThroughTheHandlerAndEscapeCancels) {
    int calls = 0;
    bool allow = false;
    ReliefDialog d(3.0), c(3.0);
    for (ReliefDialog* x : {&d, &c}) {
        x->setAcceptHandler([&] { return ++calls, allow; });
        x->show();
    }
    auto* box = child<QLineEdit>(&d, "Text1");
    box->setFocus();
    press(box, Qt::Key_Return);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(d.isVisible()); // the handler refused
    allow = true;
    press(box, Qt::Key_Return);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    // Escape cancels without asking the handler.
    press(&c, Qt::Key_Escape);
    EXPECT_FALSE(c.isVisible());
    EXPECT_EQ(c.result(), QDialog::Rejected);
    EXPECT_EQ(calls, 2);
}

TEST(DialogCommon, AHandlerThatClosesTheDialogIsNotFollowedByAnAccept) {
    // After an error the window's tool reset closes its dialogs from inside
    // the handler; the dialog must then not report an accept as well.
    ReliefDialog d(3.0);
    int accepted = 0, rejected = 0;
    QObject::connect(&d, &QDialog::accepted, [&] { ++accepted; });
    QObject::connect(&d, &QDialog::rejected, [&] { ++rejected; });
    d.setAcceptHandler([&] {
        d.close();
        return true;
    });
    d.show();
    child<QPushButton>(&d, "Command1")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(std::pair(accepted, rejected), std::pair(0, 1));

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
    EXPECT_FALSE(t.isVisible());
    EXPECT_EQ(t.result(), QDialog::Accepted);
}

TEST(DialogCommon, OpensCentredOnTheScreen) {
    ZoomDialog d(1.0);
    d.show();
    const QRect screen = d.screen()->availableGeometry();
    const QPoint centre = d.frameGeometry().center();
    EXPECT_NEAR(centre.x(), screen.center().x(), 2);
    EXPECT_NEAR(centre.y(), screen.center().y(), 2);
}

} // namespace
} // namespace brenvik
