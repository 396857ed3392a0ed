// brenvik-batch: the calculations, exports, image and project file of the
// application, run from the command line.

#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "batch/ImageOutput.h"
#include "batch/Interrupt.h"
#include "batch/Progress.h"
#include "batch/StagedOutputs.h"
#include "compliance/Limits.h"
#include "qtsurface/PdfReport.h"

#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

using namespace brenvik::batch;

namespace {

// Standard error carries the program's own messages and nothing else: Qt's
// notes about the environment (a missing runtime folder, font fallbacks) would
// read as failures to a script. Only Qt's critical and fatal reports pass.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const brenvik::compliance::LoadedLibrary limits = brenvik::compliance::LoadLibrary();
    ParseResult parsed = ParseArguments(args, limits.library.ids(), limits.warning);
    if (!parsed.options) {
        std::fprintf(stderr, "brenvik-batch: %s\n%s", parsed.error.c_str(), UsageText().c_str());
        return 2;
    }
    const BatchOptions& o = *parsed.options;
    if (o.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (auto twice = SameOutputTwice(o)) {
        std::fprintf(stderr, "brenvik-batch: %s\n%s", twice->c_str(), UsageText().c_str());
        return 2;
    }

    // Only the image and the report need Qt. A server has no display: draw off screen
    // unless the caller chose a platform.
    std::unique_ptr<QGuiApplication> app;
    if (o.image || o.reportPath) {
        qInstallMessageHandler(QtMessages);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int qtArgc = 1;
        static char name[] = "brenvik-batch";
        static char* qtArgv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
    }

    InstallInterruptHandler();
    bool showProgress = !o.quiet && ::isatty(STDERR_FILENO);
    ProgressBar progress(stderr, showProgress);

    RunEnvironment env;
    env.progress = &progress;
    env.cancel = &InterruptFeedback();
    env.drawImage = WriteProjectImage;
    env.writePdf = brenvik::qtsurface::WritePdf;
    // Each note once, however many steps come upon it.
    std::set<std::string> notes;
    env.warn = [&progress, &notes](const std::string& note) {
        if (!notes.insert(note).second) return;
        progress.finish();
        std::fprintf(stderr, "%s\n", note.c_str());
    };
    if (showProgress) {
        env.stepTimed = [&progress](const std::string& step, double seconds, double cpu) {
            progress.finish();
            std::fprintf(stderr, "%-34s %9.3f s  (processor %.3f s)\n", step.c_str(), seconds, cpu);
        };
    }

    // The run goes on with the shipped limits; a user who relies on a file
    // of their own learns that it took no part.
    if (!limits.warning.empty()) env.warn(limits.warning);

    RunOutcome r = RunBatch(o, env);
    progress.finish();
    // The message alone, exactly as the application words it.
    if (r.status != 0) std::fprintf(stderr, "%s\n", r.message.c_str());
    return r.status;
}
