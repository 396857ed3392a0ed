#include "batch/Interrupt.h"

#include <atomic>
#include <csignal>

namespace brenvik::batch {

namespace {
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is written by a signal handler");

extern "C" void OnInterrupt(int) {
    gInterrupted.store(true, std::memory_order_relaxed);
}

class InterruptWatch : public Feedback {
  public:
    bool isCanceled() const override { return Feedback::isCanceled() || interrupted(); }
};
} // namespace

void InstallInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool interrupted() {
    return gInterrupted.load(std::memory_order_relaxed);
}
const Feedback& InterruptFeedback() {
    static const InterruptWatch watch;
    return watch;
}
void SetInterrupted(bool on) {
    gInterrupted.store(on, std::memory_order_relaxed);
}

} // namespace brenvik::batch
