#pragma once

#include "model/Feedback.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace brenvik::batch {

// Where a calculation stands: the counts the progress window of the
// application shows (pass, antenna, node), each as "k of n".
struct ProgressCounts {
    std::int64_t pass = 0, passes = 0;
    std::int64_t antenna = 0, antennas = 0;
    std::int64_t node = 0, nodes = 0;
};

// One line of the bar, e.g. "XY  pass 1/1  antenna 3/20  node 1200/6868  [####......]  12%".
std::string ProgressLine(const std::string& plane, const ProgressCounts& c, int barWidth = 24);

// Fraction of the whole calculation done, 0..1.
double progressFraction(const ProgressCounts& c);

// The bar on standard error. It draws only when enabled (standard error is a
// terminal and --quiet was not given), and at most ten times a second: the
// calculation reports every node, and redrawing each would cost more than the
// node itself.
class ProgressBar {
  public:
    ProgressBar(std::FILE* out, bool enabled) : out_(out), enabled_(enabled) {}
    ~ProgressBar() { finish(); }

    bool enabled() const { return enabled_; }
    void update(const std::string& plane, const ProgressCounts& c);
    // Any operation's progress: "LABEL  [####......]  12%".
    void show(const std::string& label, double fraction, int barWidth = 24);
    // Ends the current line (if anything was drawn).
    void finish();

  private:
    // Draws the line unless one was drawn less than a tenth of a second ago
    // (`now`: whatever the time).
    void draw(std::string line, bool now);
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    std::size_t lastWidth_ = 0;
    std::int64_t lastAntenna_ = -1;
    std::string lastStage_;
    std::chrono::steady_clock::time_point last_{};
};

// The batch's feedback for every step: canceled with the run's outer
// feedback (Ctrl-C's, or the one a caller gives), its progress on the bar
// after the step's name ("XY"), its notes through `warn` (standard error,
// each once).
class BatchFeedback : public Feedback {
  public:
    explicit BatchFeedback(const Feedback* outer, ProgressBar* bar = nullptr, std::string step = {},
                           std::function<void(const std::string&)> warn = {})
        : Feedback(outer), bar_(bar), step_(std::move(step)), warn_(std::move(warn)) {}
    void setProgress(double fraction, std::string_view label) override;
    void pushInfo(std::string_view text) override;
    void pushWarning(std::string_view text) override;

  private:
    ProgressBar* bar_;
    std::string step_;
    std::function<void(const std::string&)> warn_;
};

} // namespace brenvik::batch
