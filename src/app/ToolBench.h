#pragma once

#include "app/PointerTools.h"
#include "app/ToolHost.h"

#include <QPointF>
#include <functional>
#include <memory>

class QWidget;

namespace brenvik::app {

class CommandBar;
class PlanView;
class StatusReadouts;

// The pointer tools of the plan and their state: which tool is armed, the
// events of the canvas handed to it, and the reset that ends every tool.
// The tools see it through ToolHost only.
class ToolBench : public ToolHost {
  public:
    // `window` holds the tool dialogs the reset closes.
    ToolBench(QWidget& window, Project& p, Prompts& prompts, PlanView& view, CommandBar& bar,
              StatusReadouts& status);
    ~ToolBench() override;
    // What the services built after the tools answer for them.
    struct Hooks {
        std::function<void(int slot)> select;     // the selected tower
        std::function<void(int slot)> openEditor; // its dialog
        std::function<void(const char* text, Edit edit, bool applied)> record;
        std::function<void()> titleChanged;
        std::function<void()> forget;        // what the dialogs were editing, on a reset
        std::function<void(QPointF)> follow; // every pointer move, after the tool
    };
    void attach(Hooks hooks) { hooks_ = std::move(hooks); }
    // Ends every tool, closes the tool dialogs, hides the rubber bands and
    // releases every pressed toolbar picture.
    void reset();
    bool resetting() const { return resetting_; }
    ToolFlags& flags() { return flags_; }
    const char* activeName() { return tools_->current().name(); }
    void hideRubberBands() { tools_->hideRubberBands(); }
    // The canvas's events in drawing units.
    void press(QPointF units);
    void move(QPointF units);
    void release(QPointF units);
    // Arms `tool` and presses its toolbar picture.
    void arm(PointerToolKind tool, const char* picture);

    // ToolHost
    Project& project() override { return project_; }
    ToolFlags& tools() override { return flags_; }
    PlanCanvas& canvas() override;
    Prompts& prompts() override { return prompts_; }
    void redrawPlan() override;
    void redrawPlanScene() override;
    void releaseTowerTool() override;
    void releaseAntennaTool() override;
    void scaleMeasured() override;
    void showReadout(const Readout& r) override;
    void setSelection(int slot) override;
    void openEditor(int slot) override;
    void recordEdit(const char* text, Edit edit, bool applied) override;

  private:
    QWidget& window_;
    Project& project_;
    Prompts& prompts_;
    PlanView& view_;
    CommandBar& bar_;
    StatusReadouts& status_;
    Hooks hooks_;
    ToolFlags flags_;
    std::unique_ptr<PointerTools> tools_;
    bool resetting_ = false;
};

} // namespace brenvik::app
