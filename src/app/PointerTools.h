#pragma once

#include "model/Edits.h"
#include "model/Project.h"
#include "app/ToolFlags.h"

#include <QPointF>
#include <QString>
#include <array>
#include <memory>

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
Readout computeReadout(const Project& p, QPointF units);
// "C=" text of a node value at the given ValueDecimals setting.
QString densityText(double value, const std::string& valueDecimals, bool firstRowOrColumn);

// Positions of a pointer event (drawing units, zoom and scrolling applied).
struct PointerPositions {
    double xp, yp; // plan position
    double xs, ys; // snapped to the screen grid cell, in plan units
    int ix, iy;    // result grid node under the pointer
};
PointerPositions pointerPositions(const Project& p, QPointF units);

// What the pointer tools ask of the main window.
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
    // Opens the antenna or tower dialog for a placed antenna.
    virtual void editAntenna(int index) = 0;
    virtual void editTowerAntenna(int index) = 0;
    // The scale by two points has reset the project.
    virtual void scaleMeasured() = 0;
    virtual void showReadout(const Readout& r) = 0;
    // The selected tower, as the slot of one of its antennas (0: none).
    virtual int selectedSlot() = 0;
    virtual void setSelection(int slot) = 0;
    // Opens the dialog of the tower or antenna in `slot`.
    virtual void openEditor(int slot) = 0;
    // Keeps the record of an action the tool has just run as one undo step.
    virtual void recordEdit(const char* text, Edit edit, bool applied = true) = 0;
};

// One pointer tool of the plan.
class PointerTool {
  public:
    explicit PointerTool(ToolHost& host) : host_(host) {}
    virtual ~PointerTool() = default;
    virtual const char* name() const = 0;
    virtual void activate() {}
    virtual void deactivate() {}
    virtual void press(QPointF) {}
    virtual void move(QPointF) {}
    virtual void release(QPointF) {}
    // Whether the crosshair and the cell box follow the pointer.
    virtual bool showsCrosshair() const { return false; }

  protected:
    ToolHost& host_;
};

// One tool of each kind; the active one is the one the document's tool state
// names (ToolFlags::Active).
class PointerTools {
  public:
    explicit PointerTools(ToolHost& host);
    ~PointerTools();

    void press(QPointF units);
    void move(QPointF units);
    void release(QPointF units);

    // The active tool (activating it, deactivating the previous one).
    PointerTool& current();
    // Hides the crosshair, the cell box and the rubber bands of every tool.
    void hideRubberBands();

  private:
    ToolHost& host_;
    std::array<std::unique_ptr<PointerTool>, 7> tools_; // by PointerToolKind
    PointerTool* active_ = nullptr;
};

// Removes exact duplicates among the antenna records (same position, tower,
// AntFactor and antenna number); the first of each group stays.
void removeDuplicateAntennas(Project& p);
// Removes every antenna standing on the snapped point at the current zoom;
// returns how many.
int eraseAntennasAt(Project& p, double xs, double ys);

} // namespace brenvik::app
