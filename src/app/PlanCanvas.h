#pragma once

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QLineF>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

namespace brenvik::app {

// The movable line objects of the window, in the order they are painted.
enum class Overlay {
    CellBox1, // the box of the grid cell under the pointer, four sides
    CellBox2,
    CellBox3,
    CellBox4,
    SectionOnSection, // where the plan's section line meets the section
    SectionLine,      // the XZ section line on the plan
    OriginX,          // the origin marker's two arms
    OriginY,
    ScaleMark,       // the scale measure's rubber band
    CrossHorizontal, // the crosshair
    CrossVertical,
    TopoBox1, // the topographic rectangle being dragged, four sides
    TopoBox2,
    TopoBox3,
    TopoBox4,
    Selection1, // the box around the selected tower, four sides
    Selection2,
    Selection3,
    Selection4,
};
inline constexpr int kOverlayCount = int(Overlay::Selection4) + 1;
// Side `k` (0..3) of the box whose first side is `first`.
constexpr Overlay BoxSide(Overlay first, int k) {
    return Overlay(int(first) + k);
}

// The drawing area of the main window: the fixed area of 15360 × 10560 drawing
// units, scaled to fit the widget with its aspect ratio kept.
//
// What the renderers draw stays until the next clear: the canvas keeps the
// list of drawing steps since that clear and plays them into a backing image
// of the widget's device-pixel size, so the picture is sharp at any window
// size and screen scale, and is played again on a resize. The movable line
// objects of the window (crosshair, cell box, rubber bands, section lines,
// origin marker) live above the picture and are painted over it; moving them
// never redraws the scene.
class CanvasPointer;

class PlanCanvas : public QWidget {
    Q_OBJECT
  public:
    // A drawing step: paints the drawing area into `target` (logical
    // Coordinates of the painter), fitted as the QPainter surface fits it.
    using Step = std::function<void(QPainter& p, const QRectF& target)>;

    explicit PlanCanvas(QWidget* parent = nullptr);

    // Erases everything drawn: the area shows its back colour with the
    // background picture, when one is loaded, on top.
    void clear();
    // Draws over what is already there.
    void draw(Step step);

    void setBackColour(const QColor& c);
    QColor backColour() const { return back_; }
    // The background picture is shown at its natural size: one pixel is 15
    // drawing units.
    void setBackgroundPicture(const QImage& picture);
    void removeBackgroundPicture();
    bool hasBackgroundPicture() const { return !picture_.isNull(); }

    // Plays the area (back colour, picture, every step since the last clear)
    // into `target` of painter `p`.
    void render(QPainter& p, const QRectF& target) const;
    const QImage& backgroundPicture() const { return picture_; }
    // The area as an image of the given size.
    QImage renderImage(QSize size) const;
    // The area at its natural size (15 drawing units per pixel).
    QImage naturalImage() const;

    // Where the drawing area sits inside the widget, and the conversions
    // between widget positions and drawing units.
    QRectF areaRect() const;
    QPointF toUnits(QPointF widgetPos) const;
    QPointF toWidget(QPointF units) const;

    // The line objects, in drawing units.
    void setLine(Overlay o, QLineF units);
    void setLineVisible(Overlay o, bool visible);
    bool lineVisible(Overlay o) const;
    QLineF line(Overlay o) const;
    void setMarkerColour(const QColor& c); // every line object that follows the drawing colour

    const QImage& backing() const { return backing_; }
    int stepCount() const { return int(steps_.size()); }
    // The pointer's events on the area, in drawing units.
    CanvasPointer* pointer() const { return pointer_; }

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

  private:
    struct LineObject {
        QLineF line;
        bool visible = false;
        QColor colour = Qt::white;
        bool followsDrawColour = true;
    };
    void rebuildBacking();
    void paintStep(const Step& step);

    QColor back_ = Qt::black;
    QImage picture_;
    std::vector<Step> steps_;
    QImage backing_;
    std::array<LineObject, kOverlayCount> lines_;
    CanvasPointer* pointer_ = nullptr;
};

// The pointer on the drawing area: the mouse, the wheel and the Space key of
// the canvas turned into events in drawing units. A middle-button drag, or a
// drag with Space held, moves the view instead of reaching the tools.
class CanvasPointer : public QObject {
    Q_OBJECT
  public:
    explicit CanvasPointer(PlanCanvas& canvas);

  signals:
    void pressed(QPointF units);
    void moved(QPointF units);
    void released(QPointF units);
    void doubleClicked(QPointF units);
    // The wheel turned by `steps` notches (positive: away from the user).
    void wheeled(QPointF units, double steps);
    // A middle-button or Space drag moved the view by `delta` drawing units.
    void panned(QPointF delta);
    void left();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    bool mouse(QEvent::Type type, const QMouseEvent& e);
    bool key(QEvent::Type type, const QKeyEvent& e);

    PlanCanvas& canvas_;
    bool spaceHeld_ = false;
    bool panning_ = false;
    QPointF panFrom_; // drawing units
};

} // namespace brenvik::app
