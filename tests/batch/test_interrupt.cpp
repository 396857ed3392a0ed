// Ctrl-C in the middle of a long step: the export, the save and the image
// each stop promptly with "Interrupted" and leave no temporary.

#include "BatchTestSupport.h"
#include "batch/BatchRun.h"
#include "batch/ImageOutput.h"
#include "batch/Interrupt.h"
#include "batch/StagedOutputs.h"

#include <QGuiApplication>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

using namespace brenvik;
using namespace brenvik::batch;
using namespace batchtest;
using Clock = std::chrono::steady_clock;

class Interrupt : public ScratchTest {};

TEST_F(Interrupt, ALongStepStopsSoonAfterTheSignal) {
    // The image draws text, which needs the application object.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "test_batch";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    Project p = makeSite(2000, 4);
    ASSERT_TRUE(RunXYCalculation(p).ok());
    installInterruptHandler();
    const std::atomic<bool>* flag = &interruptFlag();
    ImageRequest dots;
    dots.style = 3;
    dots.width = 8000;
    dots.height = 5500;
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> step;
    };
    using Path = const std::string&;
    const auto Concentrations = ExportKind::ConcentrationsGeographic;
    // clang-format off
    const Case cases[] = {
        {"export", [&](Path to) { writeExport(p, Concentrations, to, flag); }},
        {"save", [&](Path to) { saveProject(p, to, flag); }},
        {"image", [&](Path to) { prepareImage(p, dots); writeProjectImage(p, dots, to, flag); }},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setInterrupted(false);
        Clock::time_point signalled{};
        std::string message;
        {
            StagedOutputs staged;
            const std::string tmp = staged.stage(at("out"));
            // The signal comes once the step is well under way.
            std::thread ctrlC([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                signalled = Clock::now();
                std::raise(SIGINT);
            });
            try {
                c.step(tmp);
            } catch (const BatchFailure& f) {
                message = f.what();
            }
            const auto stopped = Clock::now();
            ctrlC.join();
            if (message.empty()) {
                ADD_FAILURE() << "the step ended before the signal";
                continue;
            }
            const double latency = std::chrono::duration<double>(stopped - signalled).count();
            // The figure is printed, not held to a second: a loaded machine
            // stretches it. A step that ignores the signal runs on far longer.
            std::printf("%-10s stopped %.3f s after the signal\n", c.what, latency);
            EXPECT_LT(latency, 5.0);
        }
        EXPECT_EQ(message, kMsgInterrupted);
        EXPECT_TRUE(files().empty()) << "no temporary left";
    }
    setInterrupted(false);
}
