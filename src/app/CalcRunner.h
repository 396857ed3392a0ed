#pragma once

#include "app/OperationRunner.h"
#include "calc/GridCalc.h"
#include "model/Project.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QLabel;
class QPushButton;
class QTimer;

namespace brenvik::app {

// The progress window "Running" (`cal2`).
class RunningWindow : public QDialog {
    Q_OBJECT
  public:
    explicit RunningWindow(QWidget* parent = nullptr);
    // Label2 tells whether a temporal average runs, Label6 which kind of source.
    void setFixedTexts(const QString& label2, const QString& label6);
    void showProgress(const CalcProgress& progress);
    bool cancelRequested() const { return cancelled_; }
    // The calculation has ended: the window closes.
    void finish();

  signals:
    void cancelClicked();

  protected:
    void reject() override; // Escape and the window's close box count as Cancel

  private:
    QLabel* label2_;
    QLabel* label3_;
    QLabel* label4_;
    QLabel* label5_;
    QLabel* label6_;
    QPushButton* cancel_;
    bool cancelled_ = false;
    bool finished_ = false;
};

// Runs one calculation on a copy of the project on a thread of its own, so the
// window keeps painting; the progress window is window-modal, so no other
// input reaches the plan meanwhile. The copy is handed back only when the
// calculation completes: a cancelled or failed run leaves the project as it was.
class CalcRunner : public QObject {
    Q_OBJECT
  public:
    // The calculation over the working copy.
    using Job = std::function<CalcOutcome(Project& work, const CalcControl& control)>;
    // Runs on the user-interface thread when the calculation has ended.
    using Done = std::function<void(const CalcOutcome&, Project& work)>;

    explicit CalcRunner(QWidget* window);
    ~CalcRunner() override;

    // Starts `job` on a copy of `project`. False when one is already running.
    bool start(const Project& project, Job job, Done done);
    bool running() const { return running_; }
    void cancel() { feedback_->cancel(); }
    RunningWindow* window() const { return window_; }
    // Waits (running the event loop) until the running calculation has ended.
    void waitForFinish();

  signals:
    void finished();

  private:
    void onThreadEnded();
    void refresh();

    QWidget* owner_;
    QPointer<RunningWindow> window_;
    QTimer* timer_;
    std::unique_ptr<Project> work_;
    std::mutex mutex_;
    CalcProgress latest_;
    // The running calculation's feedback; a new one for each run.
    std::unique_ptr<WindowFeedback> feedback_ = std::make_unique<WindowFeedback>();
    std::thread thread_;
    Done done_;
    bool running_ = false;
    CalcOutcome outcome_;
};

} // namespace brenvik::app
