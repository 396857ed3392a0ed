#include "app/PointerTools.h"

#include "app/PlanCanvas.h"
#include "calc/AntennaEdits.h"
#include "calc/CalcForms.h"
#include "calc/Ground.h"
#include "calc/Towers.h"
#include "geo/Geo.h"
#include "geo/Readout.h"
#include "model/DrawingArea.h"
#include "model/Int16.h"
#include "model/Invalidation.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "render/Scene.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace brenvik::app {

namespace {

constexpr double kW = area::ScaleWidth;
constexpr double kH = area::ScaleHeight;

bool InsideArea(QPointF u) {
    return u.x() >= 0 && u.y() >= 0 && u.x() < kW && u.y() < kH;
}

// The screen rectangle of the grid cell under the pointer: a grid cell keeps
// its size on the screen whatever the zoom.
QRectF ScreenCell(const Project& p, QPointF u) {
    const double cs = p.CellSize;
    const double left = std::floor((u.x() - p.ScrollOffsetX) / cs) * cs + p.ScrollOffsetX;
    const double top = std::floor((u.y() - p.ScrollOffsetY) / cs) * cs + p.ScrollOffsetY;
    return {left, top, cs, cs};
}

void SetBox(PlanCanvas& c, Overlay first, const QRectF& r, bool visible) {
    c.setLine(BoxSide(first, 0), QLineF(r.topLeft(), r.topRight()));
    c.setLine(BoxSide(first, 1), QLineF(r.topRight(), r.bottomRight()));
    c.setLine(BoxSide(first, 2), QLineF(r.bottomRight(), r.bottomLeft()));
    c.setLine(BoxSide(first, 3), QLineF(r.bottomLeft(), r.topLeft()));
    for (int k = 0; k < 4; ++k)
        c.setLineVisible(BoxSide(first, k), visible);
}

void HideCrosshair(PlanCanvas& c) {
    c.setLineVisible(Overlay::CrossHorizontal, false);
    c.setLineVisible(Overlay::CrossVertical, false);
    for (int k = 0; k < 4; ++k)
        c.setLineVisible(BoxSide(Overlay::CellBox1, k), false);
}

// ---- The tools ------------------------------------------------------------------------

class PlaceAntennaTool : public PointerTool {
  public:
    using PointerTool::PointerTool;
    const char* name() const override { return "placeAntenna"; }
    bool showsCrosshair() const override { return true; }
    void press(QPointF u) override {
        Project& p = host_.project();
        const PointerPositions pos = pointerPositions(p, u);
        Edit e = Edit::antennas(p);
        PlaceAntenna(p, pos.xs, pos.ys, p.Zoom);
        host_.recordEdit("Place antenna", std::move(e));
        host_.redrawPlan();
        host_.releaseAntennaTool();
    }
};

class RefPointTool : public PointerTool {
  public:
    using PointerTool::PointerTool;
    const char* name() const override { return "referencePoint"; }
    void press(QPointF u) override {
        Project& p = host_.project();
        Edit e = Edit::settings(p);
        host_.tools().end(PointerToolKind::ReferencePoint);
        geo::PlaceReferencePoint(p, float(u.x()), float(u.y()));
        host_.recordEdit("Reference point", std::move(e));
        const geo::OriginMarkerLines m = geo::OriginMarker(p);
        PlanCanvas& c = host_.canvas();
        c.setLine(Overlay::OriginX, QLineF(m.x, m.y, m.rightX, m.rightY));
        c.setLine(Overlay::OriginY, QLineF(m.x, m.y, m.upX, m.upY));
        HideCrosshair(c);
        host_.tools().end(PointerToolKind::ReferencePoint);
    }
};

class PlaceTowerTool : public PointerTool {
  public:
    using PointerTool::PointerTool;
    const char* name() const override { return "placeTower"; }
    bool showsCrosshair() const override { return true; }
    void press(QPointF u) override {
        Project& p = host_.project();
        const PointerPositions pos = pointerPositions(p, u);
        if (SpotTaken(p, pos.xs, pos.ys)) {
            host_.releaseTowerTool();
            host_.prompts().message(msg::SpotTaken);
            return;
        }
        // Placing a tower keeps the XY result: it is drawn again unchanged.
        Edit e = Edit::antennas(p);
        PlaceTower(p, pos.xs, pos.ys, p.Zoom);
        host_.recordEdit("Place tower", std::move(e));
        host_.redrawPlan();
        host_.releaseTowerTool();
    }
};

class TopoTool : public PointerTool {
  public:
    using PointerTool::PointerTool;
    const char* name() const override { return "topographic"; }
    bool showsCrosshair() const override { return true; }
    void deactivate() override {
        dragging_ = false;
        SetBox(host_.canvas(), Overlay::TopoBox1, {}, false);
    }
    void press(QPointF u) override {
        const double cs = host_.project().CellSize;
        dragging_ = true;
        startX_ = std::floor(u.x() / cs) * cs;
        startY_ = std::floor(u.y() / cs) * cs;
        move(u);
    }
    void move(QPointF u) override {
        if (!dragging_) return;
        SetBox(host_.canvas(), Overlay::TopoBox1, rectangle(u), true);
    }
    void release(QPointF u) override {
        if (!dragging_) return;
        dragging_ = false;
        SetBox(host_.canvas(), Overlay::TopoBox1, {}, false);
        Project& p = host_.project();
        const QRectF r = rectangle(u);
        // The ground grid follows the view, so the rectangle's corners are
        // taken back to grid nodes through the zoom and the scroll offsets.
        const double step = p.CellSize * p.Zoom;
        auto col = [&](double x) { return int(std::floor((x - p.ScrollOffsetX) / step + 1e-9)); };
        auto row = [&](double y) { return int(std::floor((y - p.ScrollOffsetY) / step + 1e-9)); };
        const double cs = p.CellSize;
        // The part outside the grid is cut off at its edge.
        const int c0 = col(r.left()), r0 = row(r.top());
        const int c1 = col(r.right() - cs), r1 = row(r.bottom() - cs);
        Edit e = Edit::groundRect(p, c0, r0, c1, r1);
        FillGroundRect(p, c0, r0, c1, r1);
        host_.recordEdit("Topographic rectangle", std::move(e));
        host_.redrawPlan();
    }

  private:
    // The rectangle between the first corner and the cell under the pointer,
    // whole cells on both axes, whichever way it is dragged.
    QRectF rectangle(QPointF u) const {
        const double cs = host_.project().CellSize;
        const double cx = std::floor(u.x() / cs) * cs, cy = std::floor(u.y() / cs) * cs;
        const double x1 = std::min(cx, startX_), x2 = std::max(cx, startX_) + cs;
        const double y1 = std::min(cy, startY_), y2 = std::max(cy, startY_) + cs;
        return QRectF(QPointF(x1, y1), QPointF(x2, y2));
    }
    bool dragging_ = false;
    double startX_ = 0, startY_ = 0;
};

class ScaleMeasureTool : public PointerTool {
  public:
    using PointerTool::PointerTool;
    const char* name() const override { return "scaleMeasure"; }
    void press(QPointF u) override {
        Project& p = host_.project();
        PlanCanvas& c = host_.canvas();
        if (!host_.tools().FirstPointTaken) {
            c.setLine(Overlay::ScaleMark, QLineF(u, u));
            c.setLineVisible(Overlay::ScaleMark, true);
            host_.tools().FirstPointTaken = true;
            removeDuplicateAntennas(p);
            host_.redrawPlan();
            return;
        }
        const QLineF l = c.line(Overlay::ScaleMark);
        Edit e = Edit::scaleReset(p);
        geo::ApplyScaleByTwoPoints(p, l.x1(), l.y1(), l.x2(), l.y2());
        host_.recordEdit("Scale measure", std::move(e));
        c.setLineVisible(Overlay::ScaleMark, false);
        host_.tools().FirstPointTaken = false;
        host_.tools().end(PointerToolKind::ScaleMeasure);
        removeDuplicateAntennas(p);
        host_.scaleMeasured();
    }
    void move(QPointF u) override {
        Project& p = host_.project();
        if (!host_.tools().FirstPointTaken) return;
        const double cs = p.CellSize;
        PlanCanvas& c = host_.canvas();
        const QLineF l = c.line(Overlay::ScaleMark);
        c.setLine(Overlay::ScaleMark, QLineF(l.p1(), QPointF(std::round(u.x() / cs) * cs,
                                                             std::round(u.y() / cs) * cs)));
    }
};

class EraseTool : public PointerTool {
  public:
    using PointerTool::PointerTool;
    const char* name() const override { return "erase"; }
    bool showsCrosshair() const override { return true; }
    void deactivate() override { finish(); }
    void press(QPointF u) override {
        // One drag of the eraser is one undo step.
        finish();
        dragging_ = true;
        edit_.emplace(Edit::antennas(host_.project()));
        eraseAt(u);
    }
    void move(QPointF u) override {
        if (dragging_) eraseAt(u);
    }
    void release(QPointF) override { finish(); }

  private:
    void eraseAt(QPointF u) {
        Project& p = host_.project();
        DropInvalidatedResults(p, ModelChange::AntennasErased);
        const PointerPositions pos = pointerPositions(p, u);
        eraseAntennasAt(p, pos.xs, pos.ys);
        host_.redrawPlanScene();
    }
    void finish() {
        dragging_ = false;
        if (edit_) {
            Edit e = std::move(*edit_);
            edit_.reset();
            host_.recordEdit("Eliminate", std::move(e));
        }
    }
    bool dragging_ = false;
    std::optional<Edit> edit_;
};

// The pointer without a tool, and the Select tool (the arrow), which differ
// only in a click: the pointer opens the tower it lands on, the arrow only
// selects it (a double-click opens it). Both move a tower by a drag.
class SelectTool : public PointerTool {
  public:
    SelectTool(ToolHost& host, bool opensOnClick) : PointerTool(host), opens_(opensOnClick) {}
    const char* name() const override { return opens_ ? "select" : "arrow"; }
    void deactivate() override { endDrag(); }
    void press(QPointF u) override {
        Project& p = host_.project();
        const PointerPositions pos = pointerPositions(p, u);
        slot_ = AntennaAtPlan(p, pos.xp, pos.yp);
        host_.setSelection(slot_);
        dragging_ = slot_ > 0;
        moved_ = false;
    }
    void move(QPointF u) override {
        if (!dragging_) return;
        Project& p = host_.project();
        const Antenna& a = p.Antennas[std::size_t(slot_)];
        const PointerPositions pos = pointerPositions(p, u);
        moved_ = moved_ || pos.xs != a.AntX || pos.ys != a.AntY;
        // Where the tower would land: the screen cell under the pointer.
        if (moved_) SetBox(host_.canvas(), Overlay::TopoBox1, ScreenCell(p, u), true);
    }
    void release(QPointF u) override {
        if (!dragging_) return;
        const int slot = slot_;
        const bool moved = moved_;
        endDrag();
        Project& p = host_.project();
        if (!moved) {
            // A click on a tower opens it for editing, as it always has.
            if (opens_) host_.openEditor(slot);
            return;
        }
        const PointerPositions pos = pointerPositions(p, u);
        if (!InsideArea(u)) return;
        Edit e = Edit::antennas(p);
        const bool done =
            MoveTower(p, slot, pos.xs, pos.ys, p.Zoom, PlanPositionAt(p, pos.xp, pos.yp));
        host_.recordEdit("Move tower", std::move(e), done);
        if (!done) {
            host_.prompts().message(msg::SpotTaken);
            return;
        }
        host_.redrawPlan();
        host_.setSelection(slot);
    }

  private:
    void endDrag() {
        dragging_ = moved_ = false;
        slot_ = 0;
        SetBox(host_.canvas(), Overlay::TopoBox1, {}, false);
    }
    bool opens_ = true;
    int slot_ = 0;
    bool dragging_ = false, moved_ = false;
};

} // namespace

PointerPositions pointerPositions(const Project& p, QPointF u) {
    const geo::PointerCell c = geo::PointerCellAt(p, u.x(), u.y());
    return {c.xp, c.yp, c.xs, c.ys, c.ix, c.iy};
}

QString DensityText(double value, const std::string& valueDecimals, bool firstRowOrColumn) {
    return QString::fromStdString(geo::DensityReadout(value, valueDecimals, firstRowOrColumn));
}

Readout ComputeReadout(const Project& p, QPointF u) {
    geo::ReadoutTexts t = geo::ReadoutAt(p, u.x(), u.y(), p.CurrentPlane == Plane::XZ);
    // On a section the pointer's plan position is where the section was
    // computed, not the distance typed: a grid row's y, or through an
    // antenna the point of the column under the pointer.
    if (p.CurrentPlane == Plane::XZ && p.XZ.Calculated && t.onGrid) {
        const SectionLine line = SectionLineOf(p);
        const geo::PointerCell c = geo::PointerCellAt(p, u.x(), u.y());
        if (line.through) {
            if (const auto n = SectionNodeAt(p, line, c.ix, 0)) {
                t.x = "X=" + formatFixed(n->x, 2) + " m";
                t.y = "Y=" + formatFixed(n->y, 2) + " m";
            }
        } else {
            t.y = "Y=" + formatFixed(line.y, 2) + " m";
        }
    }
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    return {t.onGrid, q(t.x), q(t.y), q(t.lon), q(t.lat), q(t.z), q(t.c), q(t.h1)};
}

void removeDuplicateAntennas(Project& p) {
    RemoveDuplicateAntennas(p);
}

int eraseAntennasAt(Project& p, double xs, double ys) {
    return EraseAntennasAt(p, xs, ys);
}

// ---- The dispatcher --------------------------------------------------------------

PointerTools::PointerTools(ToolHost& host) : host_(host) {
    auto put = [&](PointerToolKind k, std::unique_ptr<PointerTool> t) {
        tools_[std::size_t(k)] = std::move(t);
    };
    put(PointerToolKind::Select, std::make_unique<SelectTool>(host, true));
    put(PointerToolKind::Arrow, std::make_unique<SelectTool>(host, false));
    put(PointerToolKind::PlaceAntenna, std::make_unique<PlaceAntennaTool>(host));
    put(PointerToolKind::ReferencePoint, std::make_unique<RefPointTool>(host));
    put(PointerToolKind::PlaceTower, std::make_unique<PlaceTowerTool>(host));
    put(PointerToolKind::Topographic, std::make_unique<TopoTool>(host));
    put(PointerToolKind::ScaleMeasure, std::make_unique<ScaleMeasureTool>(host));
    put(PointerToolKind::Erase, std::make_unique<EraseTool>(host));
}

PointerTools::~PointerTools() = default;

PointerTool& PointerTools::current() {
    // The commands and the core's rules arm a tool by setting it active in
    // the document; the next event goes to it.
    PointerTool* next = tools_[std::size_t(host_.tools().Active)].get();
    if (next != active_) {
        if (active_) active_->deactivate();
        active_ = next;
        active_->activate();
    }
    return *active_;
}

void PointerTools::hideRubberBands() {
    PlanCanvas& c = host_.canvas();
    HideCrosshair(c);
    SetBox(c, Overlay::TopoBox1, {}, false);
    c.setLineVisible(Overlay::ScaleMark, false);
    if (active_) active_->deactivate();
    active_ = nullptr;
}

void PointerTools::press(QPointF u) {
    current().press(u);
}

void PointerTools::move(QPointF u) {
    Project& p = host_.project();
    host_.showReadout(ComputeReadout(p, u));
    PointerTool& tool = current();
    PlanCanvas& c = host_.canvas();
    if (tool.showsCrosshair() && InsideArea(u)) {
        const QRectF cell = ScreenCell(p, u);
        const QPointF centre = cell.center();
        c.setLine(Overlay::CrossHorizontal, QLineF(0, centre.y(), kW, centre.y()));
        c.setLine(Overlay::CrossVertical, QLineF(centre.x(), 0, centre.x(), kH));
        c.setLineVisible(Overlay::CrossHorizontal, true);
        c.setLineVisible(Overlay::CrossVertical, true);
        SetBox(c, Overlay::CellBox1, cell, true);
    } else {
        HideCrosshair(c);
    }
    tool.move(u);
}

void PointerTools::release(QPointF u) {
    current().release(u);
}

} // namespace brenvik::app
