#include "app/ResultState.h"

#include "app/PlanCanvas.h"
#include "calc/CalcForms.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "model/ResultStamp.h"
#include "render/Scene.h"

#include <QLabel>
#include <QStatusBar>

namespace brenvik::app {

ResultState::ResultState(const Project& p, Prompts& prompts, QStatusBar* bar, PlanCanvas* canvas,
                         Recalculate recalculate)
    : project_(p), prompts_(prompts), canvas_(canvas), recalculate_(std::move(recalculate)) {
    notice_ = new QLabel(msg::ResultOutOfDate, bar);
    notice_->setObjectName(label::OutOfDate);
    notice_->setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
    notice_->hide();
    bar->addPermanentWidget(notice_);
    mark_ = new QLabel("Out of date", canvas);
    mark_->setObjectName(label::LegendOutOfDate);
    mark_->setStyleSheet("QLabel { color: white; background: #b00000; font-weight: bold; "
                         "padding: 1px 4px; }");
    mark_->adjustSize();
    mark_->hide();
}

void ResultState::refresh() {
    const bool stale = ResultStale(project_, project_.CurrentPlane);
    notice_->setVisible(stale);
    if (stale) {
        // Over the top of the legend, at the left edge of the plan.
        const bool xy = project_.CurrentPlane == Plane::XY;
        const double y =
            xy ? render::kShape2Top - 1000.0 - render::kHScrollHeight : render::kIconShapeHeight;
        const QPointF at = canvas_->toWidget(QPointF(0.0, y));
        mark_->move(static_cast<int>(at.x()) + 2, static_cast<int>(at.y()) - mark_->height());
        mark_->raise();
    }
    mark_->setVisible(stale);
}

void ResultState::whenCurrent(std::function<void()> next) {
    if (!ResultStale(project_, Plane::XY)) {
        next();
        return;
    }
    // The question names the settings the recalculation runs with: the ones
    // last accepted, which are the project's.
    const std::string question =
        std::string(msg::RecalculateFirst) + "\n" + RecalculationSettingsText(project_);
    if (prompts_.ask(question) != Prompts::Answer::Yes) return;
    recalculate_([this, next = std::move(next)]() mutable {
        // Checked again: the recalculation may not have made it current.
        if (!ResultStale(project_, Plane::XY)) next();
    });
}

} // namespace brenvik::app
