#include "app/surface/QtSurface.h"

#include "model/DrawingArea.h"
#include "model/Project.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace brenvik::qtsurface {

using render::Rgb;

AreaFit AreaFit::fit(const QSizeF& target) {
    AreaFit f;
    f.scale = std::max(
        0.0, std::min(target.width() / area::ScaleWidth, target.height() / area::ScaleHeight));
    return f;
}

QPointF AreaFit::toTarget(double x, double y) const {
    return {origin.x() + x * scale, origin.y() + y * scale};
}

QPointF AreaFit::toArea(const QPointF& t) const {
    if (scale <= 0.0) return {};
    return {(t.x() - origin.x()) / scale, (t.y() - origin.y()) / scale};
}

QRectF AreaFit::areaRect() const {
    return QRectF(origin, QSizeF(area::ScaleWidth * scale, area::ScaleHeight * scale));
}

QtSurface::QtSurface(QPaintDevice& device) : own_(std::make_unique<QPainter>(&device)) {
    p_ = own_.get();
    const double dpr = device.devicePixelRatioF() > 0 ? device.devicePixelRatioF() : 1.0;
    init(QRectF(0, 0, device.width() / dpr, device.height() / dpr));
}

QtSurface::QtSurface(QPainter& painter, const QRectF& target) : p_(&painter) {
    p_->save();
    init(target);
}

QtSurface::~QtSurface() {
    if (own_)
        own_->end();
    else
        p_->restore();
}

void QtSurface::init(const QRectF& target) {
    target_ = target;
    fit_ = AreaFit::fit(target.size());
    fit_.origin = target.topLeft();
    const QPaintDevice* dev = p_->device();
    const double dpr = dev && dev->devicePixelRatioF() > 0 ? dev->devicePixelRatioF() : 1.0;
    pixel_ = 1.0 / dpr;
    // Cells, lines and outlines land on whole device pixels: sharp edges and
    // no seams between neighbouring cells.
    p_->setRenderHint(QPainter::Antialiasing, false);
    p_->setRenderHint(QPainter::TextAntialiasing, true);
    p_->setClipRect(target_);
}

QtSurface::Bounds QtSurface::visibleBounds() const {
    if (fit_.scale <= 0.0) return Bounds{0, 0, -1, -1};
    const QPointF a = fit_.toArea(target_.topLeft());
    const QPointF b = fit_.toArea(target_.bottomRight());
    // A margin of a few pixels for outlines that stick out of their box.
    const double m = 3.0 * pixel_ / fit_.scale;
    return Bounds{a.x() - m, a.y() - m, b.x() + m, b.y() + m};
}

QFont QtSurface::fontFor(double points) const {
    QFont f = p_->font();
    const double px = points * kUnitsPerPoint * fit_.scale;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    return f;
}

double QtSurface::lineHeight() const {
    if (fit_.scale <= 0.0) return Surface::lineHeight();
    const QFontMetricsF fm(fontFor(fontSize()), p_->device());
    return fm.lineSpacing() / fit_.scale;
}

void QtSurface::doClear() {
    p_->fillRect(target_, toQColor(back_));
    if (!picture_.isNull()) {
        const double k = kUnitsPerPicturePixel * fit_.scale;
        p_->drawImage(QRectF(fit_.origin, QSizeF(picture_.width() * k, picture_.height() * k)),
                      picture_);
    }
}

static QPen cosmetic(Rgb c) {
    QPen pen(toQColor(c));
    pen.setWidth(0); // one device pixel whatever the scale
    return pen;
}

void QtSurface::doLine(double x1, double y1, double x2, double y2, Rgb colour) {
    p_->setPen(cosmetic(colour));
    p_->drawLine(fit_.toTarget(x1, y1), fit_.toTarget(x2, y2));
}

void QtSurface::doBox(double x1, double y1, double x2, double y2, Rgb outline, const Rgb* fill) {
    QPointF a = fit_.toTarget(std::min(x1, x2), std::min(y1, y2));
    QPointF b = fit_.toTarget(std::max(x1, x2), std::max(y1, y2));
    if (x1 == x2 || y1 == y2) {
        // A box of no width or height is a line.
        p_->setPen(cosmetic(outline));
        p_->drawLine(a, b);
        return;
    }
    const QRectF r(a, b);
    if (fill && *fill == outline) {
        // Filled and outlined alike: one fill that also covers the outline.
        p_->fillRect(r.adjusted(0, 0, pixel_, pixel_), toQColor(outline));
        return;
    }
    if (fill) p_->fillRect(r, toQColor(*fill));
    p_->setPen(cosmetic(outline));
    p_->setBrush(Qt::NoBrush);
    p_->drawRect(r);
}

void QtSurface::doCircle(double x, double y, double radius, Rgb outline, const Rgb* fill) {
    const double r = radius * fit_.scale;
    p_->setRenderHint(QPainter::Antialiasing, true);
    p_->setPen(cosmetic(outline));
    if (fill)
        p_->setBrush(toQColor(*fill));
    else
        p_->setBrush(Qt::NoBrush);
    p_->drawEllipse(fit_.toTarget(x, y), r, r);
    p_->setBrush(Qt::NoBrush);
    p_->setRenderHint(QPainter::Antialiasing, false);
}

void QtSurface::doPoint(double x, double y, Rgb colour) {
    const QPointF a = fit_.toTarget(x, y);
    p_->fillRect(QRectF(a, QSizeF(pixel_, pixel_)), toQColor(colour));
}

void QtSurface::doText(double x, double y, const std::string& text, Rgb colour, double points) {
    const QFont f = fontFor(points);
    p_->setFont(f);
    p_->setPen(toQColor(colour));
    const QFontMetricsF fm(f, p_->device());
    // The text position is the top-left corner of the text.
    const QPointF at = fit_.toTarget(x, y);
    p_->drawText(QPointF(at.x(), at.y() + fm.ascent()), QString::fromStdString(text));
}

QImage renderProjectImage(const Project& p, const QSize& size, render::DotRandom& rnd,
                          const QImage* backgroundPicture) {
    QImage image(size, QImage::Format_RGB32);
    const Rgb back = p.WhiteBackground == 1 ? render::kWhite : render::kBlack;
    image.fill(toQColor(back));
    {
        QtSurface s(image);
        s.setBackColour(back);
        if (backgroundPicture && p.BackgroundLoaded == 1)
            s.setBackgroundPicture(*backgroundPicture);
        render::redrawView(p, s, rnd);
    }
    return image;
}

} // namespace brenvik::qtsurface
