#include "batch/Progress.h"

#include <algorithm>

namespace brenvik::batch {

double progressFraction(const ProgressCounts& c) {
    if (c.passes <= 0 || c.antennas <= 0 || c.nodes <= 0) return 0.0;
    double done = (static_cast<double>(std::max<std::int64_t>(c.pass - 1, 0)) * c.antennas +
                   static_cast<double>(std::max<std::int64_t>(c.antenna - 1, 0))) *
                      static_cast<double>(c.nodes) +
                  static_cast<double>(c.node);
    double total = static_cast<double>(c.passes) * c.antennas * static_cast<double>(c.nodes);
    return std::clamp(done / total, 0.0, 1.0);
}

std::string ProgressLine(const std::string& plane, const ProgressCounts& c, int barWidth) {
    double f = progressFraction(c);
    int filled = static_cast<int>(f * barWidth);
    std::string s = plane + "  pass " + std::to_string(c.pass) + "/" + std::to_string(c.passes) +
                    "  antenna " + std::to_string(c.antenna) + "/" + std::to_string(c.antennas) +
                    "  node " + std::to_string(c.node) + "/" + std::to_string(c.nodes) + "  [" +
                    std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(barWidth - filled), '.') + "] " +
                    std::to_string(static_cast<int>(f * 100.0)) + "%";
    return s;
}

void ProgressBar::update(const std::string& plane, const ProgressCounts& c) {
    if (!enabled_) return;
    const bool newAntenna = c.antenna != lastAntenna_;
    lastAntenna_ = c.antenna;
    draw(ProgressLine(plane, c), newAntenna);
}

void ProgressBar::show(const std::string& label, double fraction, int barWidth) {
    if (!enabled_) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    // A new stage (all of the label but its last count, e.g. the next
    // antenna) is drawn at once, and so is the end.
    const std::string stage = label.substr(0, label.rfind("  "));
    const bool now = stage != lastStage_ || fraction >= 1.0;
    lastStage_ = stage;
    const int filled = static_cast<int>(fraction * barWidth);
    draw(label + "  [" + std::string(static_cast<std::size_t>(filled), '#') +
             std::string(static_cast<std::size_t>(barWidth - filled), '.') + "] " +
             std::to_string(static_cast<int>(fraction * 100.0)) + "%",
         now);
}

void ProgressBar::draw(std::string line, bool now) {
    const auto at = std::chrono::steady_clock::now();
    if (!now && drawn_ && at - last_ < std::chrono::milliseconds(100)) return;
    last_ = at;
    // Pad over the remains of a longer previous line.
    std::size_t width = line.size();
    if (width < lastWidth_) line.append(lastWidth_ - width, ' ');
    lastWidth_ = width;
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
    drawn_ = true;
}

void BatchFeedback::setProgress(double fraction, std::string_view label) {
    if (!bar_) return;
    std::string line = step_;
    if (!line.empty() && !label.empty()) line += "  ";
    line += label;
    bar_->show(line, fraction);
}

void BatchFeedback::pushInfo(std::string_view text) {
    if (warn_) warn_(std::string(text));
}

void BatchFeedback::pushWarning(std::string_view text) {
    if (warn_) warn_(std::string(text));
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
    lastWidth_ = 0;
    lastAntenna_ = -1;
    lastStage_.clear();
}

} // namespace brenvik::batch
