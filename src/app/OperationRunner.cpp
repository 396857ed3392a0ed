#include "app/OperationRunner.h"

#include "model/Messages.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <exception>
#include <new>
#include <thread>

namespace brenvik::app {

std::optional<std::string> RunOperation(QWidget* window, const QString& title,
                                        const Operation& operation) {
    WindowFeedback feedback;
    QProgressDialog progress(title, "Cancel", 0, 1000, window);
    progress.setObjectName("operationProgress");
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    // Shown at once: the window takes no input while the operation reads the
    // project on its thread.
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    progress.show();
    QObject::connect(&progress, &QProgressDialog::canceled, [&feedback] { feedback.cancel(); });

    QEventLoop loop;
    std::optional<std::string> result;
    std::thread worker([&] {
        try {
            result = operation(feedback);
        } catch (const std::bad_alloc&) {
            result = msg::WithCause(msg::FileError, msg::OutOfMemory);
        } catch (const std::exception& e) {
            result = msg::WithCause(msg::FileError, e.what());
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer timer;
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto [fraction, label] = feedback.latest();
        if (!label.empty()) progress.setLabelText(title + "\n" + QString::fromStdString(label));
        progress.setValue(static_cast<int>(fraction * 999));
    });
    timer.start();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec();
    worker.join();
    QApplication::restoreOverrideCursor();
    timer.stop();
    progress.close();
    return result;
}

} // namespace brenvik::app
