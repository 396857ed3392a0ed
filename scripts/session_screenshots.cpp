// Screenshots of a session in every display style, for looking at the window
// as a user sees it; built and run by scripts/screenshots.sh, under an X
// server (xvfb-run with QT_QPA_PLATFORM=xcb). Skipped when BRENVIK_SHOT_DIR
// names no folder.

#include "MainWindowTestSupport.h"

#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QThread>

namespace brenvik::app::testing {
namespace {

using SessionScreenshots = WindowTest;

void shoot(const QString& dir, const QString& name) {
    for (int k = 0; k < 10; ++k)
        QApplication::processEvents();
    const QString path = dir + "/" + name + ".png";
    if (QProcess::execute("import", {"-window", "root", path}) != 0)
        QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

TEST_F(SessionScreenshots, EveryDisplayStyle) {
    const QString dir = qEnvironmentVariable("BRENVIK_SHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "BRENVIK_SHOT_DIR not set";
    window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    shoot(dir, "0-start");
    for (const char* name : {"archivo", "medio", "configuracion"}) {
        QMenu* menu = window->menuBar()->findChild<QMenu*>(name);
        menu->popup(window->mapToGlobal(QPoint(40, 30)));
        if (QString(name) == "configuracion") {
            QMenu* gis = menu->findChild<QMenu*>("g1");
            menu->setActiveAction(gis->menuAction());
            gis->popup(menu->geometry().topRight());
        }
        shoot(dir, QString("0-menu-") + name);
        menu->close();
        QApplication::processEvents();
    }

    defineTower({"", "S", "w"});
    clickAt(cell(40, 30));
    defineTower({"n"});
    clickAt(cell(70, 45));
    trigger("relieve");
    type(dialog("reliev"), "Text1", "20");
    click(dialog("reliev"), "Command1");
    drag(cell(10, 10), cell(25, 22));
    mouse(QEvent::MouseMove, cell(60, 40));
    shoot(dir, "1-plan-topo-tool");

    trigger("calculo");
    click(dialog("cal"), "Option1");
    click(dialog("cal"), "a");
    shoot(dir, "2-running");
    runCalculation();
    mouse(QEvent::MouseMove, cell(45, 33));
    shoot(dir, "3-isolines");
    trigger("colorear1");
    shoot(dir, "4-gradient");
    printer.path = dir + "/print-gradient.pdf";
    trigger("imprimir");
    trigger("mallanum");
    shoot(dir, "5-numerical");
    trigger("u8u");
    shoot(dir, "6-dots");
    trigger("c1");
    click(dialog("calperfil"), "a");
    runCalculation();
    trigger("colorear1");
    shoot(dir, "7-section-gradient");
    trigger("dibujal1");
    shoot(dir, "8-section-isolines");
    trigger("e24");
    trigger("fondob");
    trigger("colorear1");
    shoot(dir, "9-white-gradient");
    trigger("zoom");
    click(dialog("zoom1"), "Option300");
    click(dialog("zoom1"), "Command1");
    window->hScroll()->setValue(10);
    window->vScroll()->setValue(8);
    shoot(dir, "10-zoom300");

    // A fine grid keeps the progress window up long enough to be seen.
    trigger("zoom");
    click(dialog("zoom1"), "Option100");
    click(dialog("zoom1"), "Command1");
    project.GridNX = 600;
    project.RecomputeDerived();
    project.GroundGrid.resize(project.GridNX, project.GridNY);
    project.XY.Density.resize(project.GridNX, project.GridNY);
    trigger("calculo");
    click(dialog("cal"), "a");
    for (int k = 0; k < 5; ++k) {
        QThread::msleep(60);
        QApplication::processEvents();
    }
    if (QDialog* cal2 = dialog("cal2")) click(cal2, "Command1");
    runCalculation();

    // The progress window as it stands in the middle of a long run.
    RunningWindow running(window.get());
    running.setFixedTexts("Without temporal average", "Fuente activada");
    CalcProgress pr;
    pr.antenna = 2;
    pr.antennaCount = 4;
    pr.node = 12345;
    pr.nodeTotal = 361201;
    running.showProgress(pr);
    running.open();
    running.move(window->geometry().center() - running.rect().center());
    shoot(dir, "11-running");
}

} // namespace
} // namespace brenvik::app::testing
