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
    // Canceled also once `outer` is: a step of a run that Ctrl-C cancels, a
    // part of a larger operation. `outer` outlives this feedback.
    explicit Feedback(const Feedback* outer) : outer_(outer) {}
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

    // The window's Cancel. A feedback inside an outer one is canceled with
    // it as well; one that learns of a stop some other way (a signal)
    // overrides isCanceled() and asks the base too.
    void cancel() { own_.store(true, std::memory_order_relaxed); }
    virtual bool isCanceled() const {
        return own_.load(std::memory_order_relaxed) || (outer_ && outer_->isCanceled());
    }

  private:
    std::atomic<bool> own_{false};
    const Feedback* outer_ = nullptr;
};

// One step of a larger operation: its progress 0..1 reaches `whole` as the
// part [from, to] of it, its notes reach `whole` as they are, and it is
// canceled with `whole`. Steps told one after the other in rising parts give
// the whole a fraction that only rises.
class FeedbackPart : public Feedback {
  public:
    FeedbackPart(Feedback& whole, double from, double to)
        : Feedback(&whole), whole_(whole), from_(from), to_(to) {}
    void setProgress(double fraction, std::string_view label) override {
        whole_.setProgress(from_ + (to_ - from_) * fraction, label);
    }
    void pushInfo(std::string_view text) override { whole_.pushInfo(text); }
    void pushWarning(std::string_view text) override { whole_.pushWarning(text); }

  private:
    Feedback& whole_;
    double from_, to_;
};

} // namespace brenvik
