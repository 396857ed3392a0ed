#pragma once

#include "render/Surface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace brenvik {
class Project;
}
namespace brenvik::render {
class DotRandom;
}

namespace brenvik::qtsurface {

// How the fixed drawing area (15360 × 10560 drawing units) sits on a target:
// scaled uniformly to fit, anchored at the target's top-left corner, so a
// position means the same thing in the window, in a saved image and on paper.
struct AreaFit {
    double scale = 1.0; // device-independent pixels per drawing unit
    QPointF origin;     // where drawing-unit (0, 0) lands

    static AreaFit fit(const QSizeF& target);
    QPointF toTarget(double x, double y) const;
    QPointF toArea(const QPointF& target) const;
    QRectF areaRect() const; // the drawing area on the target
};

// A drawing surface painting through a QPainter onto any paint device (a
// QImage, a widget's backing image, a printer). Lines and outlines are one
// device pixel wide whatever the scale, so the picture stays crisp at the
// target's resolution, high-DPI images included. A font size in points is 20
// drawing units per point. Nothing is painted outside the drawing area's place
// on the target, as nothing shows past the edges of the window.
class QtSurface : public render::Surface {
  public:
    // Paints on the device with a painter of its own, active for the life of
    // the surface.
    explicit QtSurface(QPaintDevice& device);
    // Paints with a painter already active on its device, into `target`
    // (logical Coordinates of that painter), e.g. the page rectangle of a
    // printer.
    QtSurface(QPainter& painter, const QRectF& target);
    ~QtSurface() override;

    QtSurface(const QtSurface&) = delete;
    QtSurface& operator=(const QtSurface&) = delete;

    // Back colour and background picture shown by clear(). The picture is
    // drawn from the top-left corner at 15 drawing units per picture pixel.
    void setBackColour(render::Rgb c) { back_ = c; }
    void setBackgroundPicture(const QImage& picture) { picture_ = picture; }
    void clearBackgroundPicture() { picture_ = QImage(); }

    const AreaFit& fit() const { return fit_; }
    double lineHeight() const override;
    double unitsPerPixel() const override;
    Extent textExtent(const std::string& text) const override;

    // The readable sizes of a screen of the given logical DPI: texts of 8 to
    // 14 pixels at 96 DPI, antenna symbols of 9 pixels at least, crowded
    // labels left out, texts kept inside the view and towers numbered.
    static render::Legibility screenLegibility(double logicalDpi);
    // Turns the screen's sizes on when painting on an image or a widget; on a
    // printer, a PDF or a recorded picture a replay of the window's drawing
    // keeps the sizes of paper.
    void setScreenLegibility(double logicalDpi);

    // Paints the boxes still held back (see below). The destructor does it;
    // call it before reading the target while the surface lives on.
    void flush();

    // Drawing units per pixel of a background picture.
    static constexpr double kUnitsPerPicturePixel = 15.0;
    static constexpr double kUnitsPerPoint = 20.0;

  protected:
    void doClear() override;
    void doLine(double x1, double y1, double x2, double y2, render::Rgb colour) override;
    void doBox(double x1, double y1, double x2, double y2, render::Rgb outline,
               const render::Rgb* fill) override;
    void doCircle(double x, double y, double radius, render::Rgb outline,
                  const render::Rgb* fill) override;
    void doPoint(double x, double y, render::Rgb colour) override;
    void doText(double x, double y, const std::string& text, render::Rgb colour,
                double points) override;
    // The pixels of an image painted with the surface's own painter.
    std::optional<render::PixelTarget> doPixels() override;

  private:
    // Filled boxes are held back and merged while they continue one another:
    // a box painted again in the same place with the same fill only changes
    // its outline, and boxes of one column, colour and outline that follow
    // each other downward paint as one. Either way the pixels are the same
    // as box by box, with far fewer painter calls for a fine result grid.
    struct Cell {
        double x1, y1, x2, y2;
        render::Rgb outline, fill;
    };
    struct Run {
        double x1 = 0, x2 = 0;
        render::Rgb outline, fill;
        std::vector<double> ys; // the boundaries of its boxes, top to bottom
    };
    void commitPending();
    void flushRun();
    void paintBox(double x1, const std::vector<double>& ys, double x2, render::Rgb outline,
                  const render::Rgb* fill);
    void fillArea(double x1, double y1, double x2, double y2, const QColor& c, bool outlineWide);

    void init(const QRectF& target);
    QFont fontFor(double points) const;

    std::unique_ptr<QPainter> own_;
    QPainter* p_ = nullptr;
    QRectF target_;
    AreaFit fit_;
    double pixel_ = 1.0; // one device pixel in logical units
    render::Rgb back_{0, 0, 0};
    QImage picture_;
    std::optional<Cell> pending_;
    Run run_;
};

inline QColor ToQColor(render::Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// The current plane of a project, redrawn as the window does, into a new
// image of the given size in pixels (the back colour follows WhiteBackground).
// Used for the batch companion's image output and the window's image save.
// A canceled `cancel` ends the drawing with render::DrawingCancelled.
QImage RenderProjectImage(const Project& p, const QSize& size, render::DotRandom& rnd,
                          const QImage* backgroundPicture = nullptr,
                          const Feedback* cancel = nullptr, const render::Overlay& overlay = {});

} // namespace brenvik::qtsurface
