#include "app/ToolBench.h"

#include "app/CommandBar.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/StatusReadouts.h"
#include "app/WindowDialogs.h"
#include "model/Messages.h"
#include "model/Prompts.h"

#include <QDialog>
#include <QStringList>
#include <QWidget>
#include <exception>

namespace brenvik::app {

ToolBench::ToolBench(QWidget& window, Project& p, Prompts& prompts, PlanView& view, CommandBar& bar,
                     StatusReadouts& status)
    : window_(window), project_(p), prompts_(prompts), view_(view), bar_(bar), status_(status),
      tools_(std::make_unique<PointerTools>(static_cast<ToolHost&>(*this))) {}

ToolBench::~ToolBench() = default;

void ToolBench::reset() {
    if (resetting_) return;
    resetting_ = true;
    flags_ = ToolFlags{};
    project_.ClearTowerDefinition();
    if (hooks_.forget) hooks_.forget();
    static const QStringList toolDialogs{"cal",     "cal2",     "escal",    dlg::Antenna,
                                         "reliev",  "malla",    "canarina", "zoom1",
                                         "cambios", dlg::Tower, "colorb"};
    for (QDialog* d : window_.findChildren<QDialog*>())
        if (toolDialogs.contains(d->objectName()) && d->isVisible()) d->close();
    tools_->hideRubberBands();
    bar_.releaseTools();
    resetting_ = false;
    status_.showHint(flags_);
}

void ToolBench::arm(PointerToolKind tool, const char* picture) {
    reset();
    bar_.setPressed(picture, true);
    flags_.arm(tool);
}

void ToolBench::press(QPointF u) {
    try {
        tools_->press(u);
    } catch (const std::exception&) {
        // A count that would overflow ends the tool; the project keeps what it had.
        prompts_.message(msg::InputDataError);
        reset();
    }
    status_.showHint(flags_);
}

void ToolBench::move(QPointF u) {
    try {
        tools_->move(u);
        if (hooks_.follow) hooks_.follow(u);
    } catch (const std::exception&) {
        reset();
    }
    // A dialog may have armed a tool since the last command.
    status_.showHint(flags_);
}

void ToolBench::release(QPointF u) {
    try {
        tools_->release(u);
    } catch (const std::exception&) {
        reset();
    }
    status_.showHint(flags_);
}

// ---- ToolHost --------------------------------------------------------------------------------

PlanCanvas& ToolBench::canvas() {
    return view_.canvas();
}

void ToolBench::redrawPlan() {
    view_.redraw();
}

void ToolBench::redrawPlanScene() {
    view_.redrawScene();
}

void ToolBench::releaseTowerTool() {
    flags_.endPlacement();
    reset();
}

void ToolBench::releaseAntennaTool() {
    flags_.endPlacement();
    if (QDialog* d = OpenDialogNamed(window_, dlg::Antenna)) d->close();
    reset();
}

void ToolBench::scaleMeasured() {
    view_.canvas().clear();
    if (hooks_.titleChanged) hooks_.titleChanged();
    view_.redraw();
}

void ToolBench::showReadout(const Readout& r) {
    status_.show(r, view_.hasResult());
}

void ToolBench::setSelection(int slot) {
    if (hooks_.select) hooks_.select(slot);
}

void ToolBench::openEditor(int slot) {
    if (hooks_.openEditor) hooks_.openEditor(slot);
}

void ToolBench::recordEdit(const char* text, Edit edit, bool applied) {
    if (hooks_.record) hooks_.record(text, std::move(edit), applied);
}

} // namespace brenvik::app
