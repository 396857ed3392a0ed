#pragma once

// The one bridge from an operation's Feedback to GDAL's progress callback,
// for every GDAL call that takes one (copies, translations, mosaics, warps,
// contours, statistics, overviews). Header-only, so that every module that
// writes through GDAL uses it without linking the map layers.

#include "model/Feedback.h"

#include <algorithm>
#include <cpl_port.h>
#include <cpl_progress.h>
#include <string>
#include <utility>

namespace brenvik::gis {

// The part of a whole operation one step stands for, as fractions of it.
struct ProgressSpan {
    double from = 0.0;
    double to = 1.0;
    // The k-th of n equal parts of this span (k = 0..n-1).
    ProgressSpan part(int k, int n) const {
        if (n < 1) return *this;
        const double w = (to - from) / n;
        return {from + w * k, from + w * (k + 1)};
    }
};

// Whether the step tells the feedback how far it is, or only listens for its
// cancel (a step whose progress the operation reports otherwise).
enum class GdalReport { Progress, CancelOnly };

// Hand function() and data() to GDAL. GDAL's fraction of its own step,
// placed within the span, reaches the feedback with `label`, never below what
// this step already reported. Once the feedback is canceled the callback
// answers FALSE and GDAL stops with a failure; the caller then asks
// canceled() and reports the cancel, not GDAL's error. Without a feedback the
// callback lets GDAL run to the end.
class GdalProgress {
  public:
    explicit GdalProgress(Feedback* feedback, std::string label = {}, ProgressSpan span = {},
                          GdalReport report = GdalReport::Progress)
        : feedback_(feedback), label_(std::move(label)), span_(span), last_(span.from),
          report_(report) {}
    GdalProgress(const GdalProgress&) = delete;
    GdalProgress& operator=(const GdalProgress&) = delete;

    GDALProgressFunc function() const { return &Report; }
    void* data() { return this; }
    bool canceled() const { return feedback_ && feedback_->isCanceled(); }

    static int CPL_STDCALL Report(double done, const char*, void* self) {
        auto* me = static_cast<GdalProgress*>(self);
        if (!me || !me->feedback_) return TRUE;
        if (me->feedback_->isCanceled()) return FALSE;
        if (me->report_ == GdalReport::CancelOnly) return TRUE;
        const double f = std::clamp(done, 0.0, 1.0);
        const double at = me->span_.from + (me->span_.to - me->span_.from) * f;
        me->last_ = std::max(me->last_, at);
        me->feedback_->setProgress(me->last_, me->label_);
        // A cancel asked from the progress report itself stops GDAL at once.
        return me->feedback_->isCanceled() ? FALSE : TRUE;
    }

  private:
    Feedback* feedback_;
    std::string label_;
    ProgressSpan span_;
    double last_;
    GdalReport report_;
};

} // namespace brenvik::gis
