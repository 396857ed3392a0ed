#pragma once

#include <string>

class QWidget;

namespace brenvik {
class Prompts;
class Project;
} // namespace brenvik

namespace brenvik::app {

class CommandBar;
class DocumentHolder;
class PlanView;
class StatusReadouts;
class ToolBench;

// What every dialog flow works with: the document and its history, the
// window its dialogs belong to, the tools a dialog arms or ends, the view it
// redraws and the toolbar pictures it presses. Each family of flows gets it
// in its constructor, with whatever else that family alone needs.
struct FlowKit {
    Project& project;
    Prompts& prompts;
    QWidget& window;
    ToolBench& tools;
    PlanView& view;
    CommandBar& bar;
    DocumentHolder& document;
    StatusReadouts& status;
};

// Shows `text` in the window's message box.
void Warn(const FlowKit& kit, const std::string& text);

} // namespace brenvik::app
