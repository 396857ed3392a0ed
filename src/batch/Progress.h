#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace brenvik::batch {

// Where a calculation stands: the counts the progress window of the
// application shows (pass, antenna, node), each as "k of n".
struct ProgressCounts {
    std::int64_t pass = 0, passes = 0;
    std::int64_t antenna = 0, antennas = 0;
    std::int64_t node = 0, nodes = 0;
};

// One line of the bar, e.g. "XY  pass 1/1  antenna 3/20  node 1200/6868  [####......]  12%".
std::string progressLine(const std::string& plane, const ProgressCounts& c, int barWidth = 24);

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
    // Ends the current line (if anything was drawn).
    void finish();

  private:
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    std::size_t lastWidth_ = 0;
    std::int64_t lastAntenna_ = -1;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace brenvik::batch
