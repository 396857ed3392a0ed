#pragma once

#include "app/ToolFlags.h"
#include "model/Edits.h"
#include "model/Project.h"

#include <QString>

namespace brenvik {
class Prompts;
}

namespace brenvik::app {

class PlanCanvas;

// What the pointer read-out shows for one pointer position.
struct Readout {
    bool onGrid = false; // the coordinate and C= texts apply only on the grid
    QString x, y, lon, lat, z, c;
    QString h1; // always refreshed
};

// What the pointer tools may ask of the window around them: the document,
// their own state, the canvas they draw their rubber bands on, and a few
// answers after an edit. Nothing else of the window reaches a tool.
class ToolHost {
  public:
    virtual ~ToolHost() = default;
    virtual Project& project() = 0;
    virtual ToolFlags& tools() = 0;
    virtual PlanCanvas& canvas() = 0;
    virtual Prompts& prompts() = 0;
    // Clear, plan scene, plan results when there are any.
    virtual void redrawPlan() = 0;
    // Clear and plan scene only (the eraser has just discarded the result).
    virtual void redrawPlanScene() = 0;
    // Release commands of the pressed toolbar pictures.
    virtual void releaseTowerTool() = 0;   // `tiempod`
    virtual void releaseAntennaTool() = 0; // `fuented`
    // The scale by two points has reset the project.
    virtual void scaleMeasured() = 0;
    virtual void showReadout(const Readout& r) = 0;
    // The selected tower, as the slot of one of its antennas (0: none).
    virtual void setSelection(int slot) = 0;
    // Opens the dialog of the tower or antenna in `slot`.
    virtual void openEditor(int slot) = 0;
    // Keeps the record of an action the tool has just run as one undo step.
    virtual void recordEdit(const char* text, Edit edit, bool applied = true) = 0;
};

} // namespace brenvik::app
