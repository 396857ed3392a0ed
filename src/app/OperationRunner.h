#pragma once

#include "model/Feedback.h"

#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

class QWidget;

namespace brenvik::app {

// The window's feedback: the operation's thread leaves its latest progress
// here, and the window's thread reads it on its own schedule; the progress
// window's Cancel cancels it.
class WindowFeedback : public Feedback {
  public:
    void setProgress(double fraction, std::string_view label) override {
        std::lock_guard<std::mutex> lock(mutex_);
        fraction_ = fraction;
        label_.assign(label);
    }
    // The latest progress: fraction 0..1 and label.
    std::pair<double, std::string> latest() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return {fraction_, label_};
    }

  private:
    mutable std::mutex mutex_;
    double fraction_ = 0.0;
    std::string label_;
};

// What an output operation returns: the message of its failure, or nothing.
using Operation = std::function<std::optional<std::string>(Feedback&)>;

// Runs `operation` on a thread of its own and waits for it with the event
// loop running, so the window keeps painting. A window-modal progress window
// (objectName "operationProgress", titled `title`) shows its progress and
// keeps input off the window meanwhile; its Cancel cancels the feedback.
// Returns what the operation returned (an exception it threw is its failure).
std::optional<std::string> RunOperation(QWidget* window, const QString& title,
                                        const Operation& operation);

} // namespace brenvik::app
