#include "app/MainWindow.h"
#include "app/PrintService.h"
#include "app/QtPrompts.h"
#include "model/Project.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Brenvik");
    QApplication::setApplicationVersion("5.0");

    // `brenvik FILE.bvk` opens that project, as the file manager does.
    QCommandLineParser args;
    args.setApplicationDescription("Electromagnetic exposure around mobile-phone towers");
    args.addHelpOption();
    args.addVersionOption();
    args.addPositionalArgument("file", "A project (*.bvk) to open.", "[file]");
    args.process(app);

    brenvik::Project project;
    brenvik::app::QtPrompts prompts;
    brenvik::app::QtPrintService printer;
    brenvik::app::MainWindow window(project, prompts, printer);
    prompts.setParent(&window);
    // The window opens at the top of the screen over its whole size.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    if (!args.positionalArguments().isEmpty()) {
        window.openFile(args.positionalArguments().first(), false);
    }
    return app.exec();
}
