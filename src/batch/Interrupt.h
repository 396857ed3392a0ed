#pragma once

#include <atomic>

namespace brenvik::batch {

// Ctrl-C during a batch run: the signal handler only raises a flag, which the
// calculation's cancel check and the steps between them read, so the run ends
// through its normal failure path and removes every output it had begun.
//
// The flag is the one process-wide item of the program: a signal handler can
// reach nothing else.
void installInterruptHandler();
bool interrupted();
const std::atomic<bool>& interruptFlag();
// For tests: raise or lower the flag as the handler would.
void setInterrupted(bool on);

} // namespace brenvik::batch
