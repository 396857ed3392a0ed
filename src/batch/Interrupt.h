#pragma once

#include "model/Feedback.h"

namespace brenvik::batch {

// Ctrl-C during a batch run: the signal handler only raises a flag, which
// the run's feedback reads, so the calculation and the steps between them
// end through their normal failure path and remove every output begun.
//
// The flag is the one process-wide item of the program: a signal handler can
// reach nothing else.
void InstallInterruptHandler();
bool interrupted();
// A feedback canceled once the flag is raised: the outer feedback of every
// step of a run.
const Feedback& InterruptFeedback();
// For tests: raise or lower the flag as the handler would.
void SetInterrupted(bool on);

} // namespace brenvik::batch
