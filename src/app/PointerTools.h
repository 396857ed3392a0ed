#pragma once

#include "app/ToolHost.h"
#include "model/Project.h"

#include <QPointF>
#include <array>
#include <memory>

namespace brenvik::app {

// The read-out for one pointer position.
Readout ComputeReadout(const Project& p, QPointF units);
// "C=" text of a node value at the given ValueDecimals setting.
QString DensityText(double value, const std::string& valueDecimals, bool firstRowOrColumn);

// Positions of a pointer event (drawing units, zoom and scrolling applied).
struct PointerPositions {
    double xp, yp; // plan position
    double xs, ys; // snapped to the screen grid cell, in plan units
    int ix, iy;    // result grid node under the pointer
};
PointerPositions pointerPositions(const Project& p, QPointF units);

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
    std::array<std::unique_ptr<PointerTool>, 8> tools_; // by PointerToolKind
    PointerTool* active_ = nullptr;
};

// Removes exact duplicates among the antenna records (same position, tower,
// AntFactor and antenna number); the first of each group stays.
void removeDuplicateAntennas(Project& p);
// Removes every antenna standing on the snapped point at the current zoom;
// returns how many.
int eraseAntennasAt(Project& p, double xs, double ys);

} // namespace brenvik::app
