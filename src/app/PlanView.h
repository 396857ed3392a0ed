#pragma once

#include "model/Project.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QImage>
#include <QPointF>
#include <functional>
#include <optional>

class QMainWindow;
class QScrollBar;

namespace brenvik {
class Prompts;
} // namespace brenvik

namespace brenvik::app {

class PlanCanvas;
class StatusReadouts;

// The drawing area: the canvas with its two scroll bars, the steps drawn on
// it from the project, the view's zoom and offsets, and the plane on view.
class PlanView {
  public:
    // Draws one step of the picture from a project. Steps that leave the
    // window's line objects as they are return nothing.
    using Painter = std::function<std::optional<render::SceneControls>(
        const Project&, render::Surface&, render::DotRandom&)>;

    // Makes the canvas and the scroll bars the window's central widget.
    PlanView(QMainWindow& window, Project& p, Prompts& prompts, StatusReadouts& status);
    PlanCanvas& canvas() const { return *canvas_; }
    QScrollBar* hScroll() const { return hscroll_; }
    QScrollBar* vScroll() const { return vscroll_; }
    // What each redraw does besides the picture: `before` ahead of it (the
    // out-of-date notice), `after` once it is drawn (the docks).
    void setRedrawHooks(std::function<void()> before, std::function<void()> after);
    // What every step draws over its own picture (the compliance traces,
    // the real places), and the project it draws from (the "% of limit"
    // view, or the project itself).
    using Decorate = std::function<Painter(Painter)>;
    using Shown = std::function<Project(const Project&)>;
    void setDecorations(Decorate decorate, Shown shown);

    // The step is drawn on the canvas and kept, with a snapshot of the
    // project, so that resizing, saving and printing show what was drawn.
    void paintSteps(const Painter& paint, bool clearFirst);
    // Clear, then the current plane's scene and result.
    void redraw();
    // Clear and the plan's scene only (the eraser has discarded the result).
    void redrawScene();
    // Leaves the section for the plan, with its message, when needed.
    void ensurePlan();
    bool hasResult() const; // of the plane on view
    void applyBackground();
    void placeOriginMarker();
    // The dots' random state, as the next step would draw them.
    const render::DotRandom& dots() const { return dots_; }
    // The picture drawn on the area at its natural size (15 units a pixel).
    QImage areaImage() const;

    // The view at a zoom and offsets (clamped to the plan), scroll bars
    // following.
    void setView(double zoom, double offsetX, double offsetY);
    // Zooms by `factor` keeping the plan point under `units` where it is.
    void zoomAt(QPointF units, double factor);
    // Moves the view by `delta` drawing units.
    void panBy(QPointF delta);
    // The zoom of the Zoom dialog: the scroll bars keep their positions.
    void applyZoom(double zoom);

  private:
    void scrolled();
    void applySceneControls(const render::SceneControls& c);

    Project& project_;
    Prompts& prompts_;
    StatusReadouts& status_;
    PlanCanvas* canvas_ = nullptr;
    QScrollBar* hscroll_ = nullptr;
    QScrollBar* vscroll_ = nullptr;
    render::DotRandom dots_;
    Decorate decorate_;
    Shown shown_;
    std::function<void()> before_, after_;
};

} // namespace brenvik::app
