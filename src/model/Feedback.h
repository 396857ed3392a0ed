#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace brenvik {

// What a long operation (a calculation, an export, a save) tells whoever runs
// it, and how it learns that it should stop: one object handed to the
// operation, whatever runs it. The batch companion's implementation draws the
// progress line on the terminal and is canceled by Ctrl-C; the window's shows
// the progress window whose Cancel button cancels it.
//
// The operation calls setProgress() and the messages on its own thread, as
// often as every few milliseconds; an implementation that draws keeps the
// latest values and draws on its own schedule. isCanceled() may be asked
// from any thread, also from the operation's workers.
class Feedback {
  public:
    Feedback() = default;
    // Canceled also once `watched` is raised (a signal handler's flag).
    explicit Feedback(const std::atomic<bool>* watched) : watched_(watched) {}
    virtual ~Feedback() = default;
    Feedback(const Feedback&) = delete;
    Feedback& operator=(const Feedback&) = delete;

    // How far the operation is, 0..1, and what it is doing just now
    // ("XY  pass 1/1  antenna 3/20  node 1200/6868", "concentrations").
    virtual void setProgress(double fraction, std::string_view label) {
        (void)fraction;
        (void)label;
    }
    // Notes that do not stop the operation: a fact worth knowing, and a
    // warning (a limits file that does not read, a place off the plan).
    virtual void pushInfo(std::string_view text) { (void)text; }
    virtual void pushWarning(std::string_view text) { (void)text; }

    // The window's Cancel. A feedback watching an outside flag is canceled
    // through that flag as well.
    void cancel() { own_.store(true, std::memory_order_relaxed); }
    bool isCanceled() const {
        return own_.load(std::memory_order_relaxed) ||
               (watched_ && watched_->load(std::memory_order_relaxed));
    }
    // The flag to hand to code that polls an atomic flag in its inner loops
    // (the map layers' GDAL callbacks, the image's rows): the watched flag
    // when there is one, else the one cancel() raises.
    const std::atomic<bool>* cancelFlag() const { return watched_ ? watched_ : &own_; }

  private:
    std::atomic<bool> own_{false};
    const std::atomic<bool>* watched_ = nullptr;
};

} // namespace brenvik
