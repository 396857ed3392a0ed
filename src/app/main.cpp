#include "app/MainWindow.h"
#include "app/PrintService.h"
#include "app/QtPrompts.h"
#include "model/Project.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Brenvik");
    QApplication::setApplicationVersion("5.0");

    brenvik::Project project;
    brenvik::app::QtPrompts prompts;
    brenvik::app::QtPrintService printer;
    brenvik::app::MainWindow window(project, prompts, printer);
    prompts.setParent(&window);
    // The window opens at the top of the screen over its whole size.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
}
