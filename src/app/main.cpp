#include "app/MainWindow.h"
#include "app/PrintService.h"
#include "app/QtPrompts.h"
#include "model/Document.h"
#include "model/Project.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
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
        brenvik::OpenProjectPath(
            window.doc(), prompts,
            QFile::encodeName(args.positionalArguments().first()).toStdString());
        window.setWindowTitle(QString::fromStdString(window.doc().Title()));
        window.redrawView();
    }
    return app.exec();
}
