#include "app/CalcRunner.h"

#include "calc/CalcForms.h"
#include "model/Messages.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <new>

namespace brenvik::app {

RunningWindow::RunningWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("cal2");
    setWindowTitle("Running");
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    auto make = [&](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setMinimumWidth(380);
        layout->addWidget(l);
        return l;
    };
    label6_ = make("Label6");
    label2_ = make("Label2");
    label3_ = make("Label3");
    label4_ = make("Label4");
    label5_ = make("Label5");
    QFont bold = label6_->font();
    bold.setBold(true);
    label6_->setFont(bold);
    auto* row = new QHBoxLayout;
    row->addStretch();
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("Command1");
    row->addWidget(cancel_);
    layout->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        cancel_->setEnabled(false);
        emit cancelClicked();
    });
}

void RunningWindow::setFixedTexts(const QString& label2, const QString& label6) {
    label2_->setText(label2);
    label6_->setText(label6);
}

void RunningWindow::showProgress(const CalcProgress& pr) {
    label3_->setText(QString::fromStdString(RunningLabel3(pr)));
    label4_->setText(QString::fromStdString(RunningLabel4(pr)));
    label5_->setText(QString::fromStdString(RunningLabel5(pr)));
}

void RunningWindow::reject() {
    // While the calculation runs, closing the window asks it to stop; the
    // window goes away when the calculation has ended.
    if (finished_)
        QDialog::reject();
    else if (!cancelled_)
        cancel_->click();
}

void RunningWindow::finish() {
    finished_ = true;
    accept();
}

CalcRunner::CalcRunner(QWidget* window)
    : QObject(window), owner_(window), timer_(new QTimer(this)) {
    // Several repaints a second show that the work goes on.
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, &CalcRunner::refresh);
}

CalcRunner::~CalcRunner() {
    feedback_->cancel();
    if (thread_.joinable()) thread_.join();
}

void CalcRunner::refresh() {
    if (!window_) return;
    CalcProgress copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy = latest_;
    }
    window_->showProgress(copy);
}

bool CalcRunner::start(const Project& project, Job job, Done done) {
    if (running_) return false;
    // The calculation's copy of a large project may not fit in the memory
    // left: that refuses the calculation as any failure of it does.
    try {
        work_ = std::make_unique<Project>(project);
    } catch (const std::bad_alloc&) {
        work_.reset();
        Project none;
        if (done)
            done(CalcOutcome{CalcStatus::Failed,
                             msg::WithCause(msg::InputDataError, msg::OutOfMemory)},
                 none);
        emit finished();
        return true;
    }
    running_ = true;
    feedback_ = std::make_unique<WindowFeedback>();
    done_ = std::move(done);
    latest_ = InitialProgress(project);
    window_ = new RunningWindow(owner_);
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->setFixedTexts(QString::fromStdString(RunningLabel2(project)),
                           QString::fromStdString(RunningLabel6(project)));
    window_->showProgress(latest_);
    connect(window_, &RunningWindow::cancelClicked, this, &CalcRunner::cancel);
    window_->open();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    timer_->start();
    thread_ = std::thread([this, job = std::move(job)] {
        // The progress window shows the counts themselves; a job that
        // reports them itself hears the Cancel in the answer.
        CalcControl control;
        control.feedback = feedback_.get();
        control.progress = [this](const CalcProgress& pr) {
            std::lock_guard<std::mutex> lock(mutex_);
            latest_ = pr;
            return !feedback_->isCanceled();
        };
        CalcOutcome outcome;
        try {
            outcome = job(*work_, control);
        } catch (const std::exception&) {
            outcome = CalcOutcome{CalcStatus::Failed, "Input data error"};
        }
        if (feedback_->isCanceled() && outcome.status == CalcStatus::Done)
            outcome.status = CalcStatus::Cancelled;
        outcome_ = outcome;
        QMetaObject::invokeMethod(this, &CalcRunner::onThreadEnded, Qt::QueuedConnection);
    });
    return true;
}

void CalcRunner::onThreadEnded() {
    if (thread_.joinable()) thread_.join();
    timer_->stop();
    refresh();
    QApplication::restoreOverrideCursor();
    if (window_) window_->finish();
    window_ = nullptr;
    // The keyboard goes back to the plan's window.
    owner_->activateWindow();
    running_ = false;
    Done done = std::move(done_);
    std::unique_ptr<Project> work = std::move(work_);
    if (done) done(outcome_, *work);
    emit finished();
}

void CalcRunner::waitForFinish() {
    if (!running_) return;
    QEventLoop loop;
    connect(this, &CalcRunner::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace brenvik::app
