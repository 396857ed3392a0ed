#pragma once

// A feedback that notes every fraction it is told and, when asked to,
// cancels itself at the first: the tests of long operations' progress and
// cancel read it.

#include "model/Feedback.h"

#include <string_view>
#include <vector>

namespace brenvik::testing {

class RecordingFeedback : public Feedback {
  public:
    explicit RecordingFeedback(bool cancelAtFirst) : cancelAtFirst_(cancelAtFirst) {}
    void setProgress(double fraction, std::string_view) override {
        fractions.push_back(fraction);
        if (cancelAtFirst_) cancel();
    }
    std::vector<double> fractions;

  private:
    bool cancelAtFirst_;
};

} // namespace brenvik::testing
