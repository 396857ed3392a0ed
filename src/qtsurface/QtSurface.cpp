#include "qtsurface/QtSurface.h"

#include "model/DrawingArea.h"
#include "model/Project.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainterPath>
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

namespace {
QPen Cosmetic(Rgb c) {
    QPen pen(ToQColor(c));
    pen.setWidth(0); // one device pixel whatever the scale
    return pen;
}
} // namespace

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
    flush();
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
    // The surface is the drawing area: what lies past its edges (a zoomed
    // result, the grid lines at a high zoom) is off the window and must not
    // show in the band a target of another shape leaves beside it. Whole
    // pixels, so the area's last partial pixel row and column still paint;
    // a limit the caller set on its painter stays in force.
    const QRectF area = target_.intersected(QRectF(fit_.areaRect().toAlignedRect()));
    p_->setClipRect(area, p_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (fit_.scale <= 0.0 || area.isEmpty()) {
        setVisibleBounds(Bounds{0, 0, -1, -1}); // nothing can show
        return;
    }
    const QPointF a = fit_.toArea(area.topLeft());
    const QPointF b = fit_.toArea(area.bottomRight());
    // A margin of a few pixels for outlines that stick out of their box.
    const double m = 3.0 * pixel_ / fit_.scale;
    setVisibleBounds(Bounds{a.x() - m, a.y() - m, b.x() + m, b.y() + m});
}

QFont QtSurface::fontFor(double points) const {
    QFont f = p_->font();
    const double px = points * kUnitsPerPoint * fit_.scale;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    return f;
}

double QtSurface::lineHeight() const {
    if (fit_.scale <= 0.0) return Surface::lineHeight();
    const QFontMetricsF fm(fontFor(textPoints()), p_->device());
    return fm.lineSpacing() / fit_.scale;
}

double QtSurface::unitsPerPixel() const {
    return fit_.scale > 0.0 ? 1.0 / fit_.scale : Surface::unitsPerPixel();
}

render::Surface::Extent QtSurface::textExtent(const std::string& text) const {
    if (fit_.scale <= 0.0) return Surface::textExtent(text);
    const QFontMetricsF fm(fontFor(textPoints()), p_->device());
    return Extent{fm.horizontalAdvance(QString::fromStdString(text)) / fit_.scale,
                  fm.height() / fit_.scale};
}

render::Legibility QtSurface::screenLegibility(double logicalDpi) {
    const double k = logicalDpi > 0 ? logicalDpi / 96.0 : 1.0;
    render::Legibility l;
    l.minTextPixels = 8.0 * k;
    l.maxTextPixels = 14.0 * k;
    l.minSymbolPixels = 9.0 * k;
    l.skipCrowdedLabels = true;
    l.textsInside = true;
    l.towerNumbers = true;
    l.halos = true;
    l.readableNotes = true;
    l.scaleWhereFree = true;
    return l;
}

void QtSurface::setScreenLegibility(double logicalDpi) {
    const QPaintDevice* dev = p_->device();
    const int type = dev ? dev->devType() : QInternal::UnknownDevice;
    if (type != QInternal::Image && type != QInternal::Pixmap && type != QInternal::Widget) return;
    setLegibility(screenLegibility(logicalDpi));
}

void QtSurface::doClear() {
    pending_.reset();
    run_.ys.clear();
    p_->fillRect(target_, ToQColor(back_));
    if (!picture_.isNull()) {
        const double k = kUnitsPerPicturePixel * fit_.scale;
        p_->drawImage(QRectF(fit_.origin, QSizeF(picture_.width() * k, picture_.height() * k)),
                      picture_);
    }
}

std::optional<render::PixelTarget> QtSurface::doPixels() {
    // Only an image of 32-bit pixels painted without a transform: anything
    // else (a printer, a caller's painter) has no pixels to write.
    QPaintDevice* dev = p_->device();
    if (!own_ || !dev || dev->devType() != QInternal::Image || !p_->worldTransform().isIdentity())
        return std::nullopt;
    auto* image = static_cast<QImage*>(dev);
    const auto format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    flush();
    const double dpr = 1.0 / pixel_;
    const QRectF area = target_.intersected(QRectF(fit_.areaRect().toAlignedRect()));
    const QRect clip =
        QRectF(area.x() * dpr, area.y() * dpr, area.width() * dpr, area.height() * dpr)
            .toAlignedRect()
            .intersected(image->rect());
    render::PixelTarget t;
    // The painter made the image its own when it began, so this does not copy.
    t.bits = reinterpret_cast<std::uint32_t*>(image->bits());
    t.stride = image->bytesPerLine() / 4;
    t.scale = fit_.scale * dpr;
    t.originX = fit_.origin.x() * dpr;
    t.originY = fit_.origin.y() * dpr;
    t.x1 = clip.left();
    t.y1 = clip.top();
    t.x2 = clip.left() + clip.width();
    t.y2 = clip.top() + clip.height();
    return t;
}

void QtSurface::flush() {
    commitPending();
    flushRun();
}

// Fills the area from (x1, y1) to (x2, y2) in drawing units; with
// `outlineWide` one device pixel more to the right and below, the width of
// the outline that stands on the right and bottom edges.
void QtSurface::fillArea(double x1, double y1, double x2, double y2, const QColor& c,
                         bool outlineWide) {
    const QPointF a = fit_.toTarget(x1, y1);
    const QPointF b = fit_.toTarget(x2, y2);
    const double e = outlineWide ? pixel_ : 0.0;
    p_->fillRect(QRectF(a.x(), a.y(), b.x() - a.x() + e, b.y() - a.y() + e), c);
}

// A column of boxes sharing their sides: fill, then the outline of every box
// (one device pixel wide, on the box's edges).
void QtSurface::paintBox(double x1, const std::vector<double>& ys, double x2, Rgb outline,
                         const Rgb* fill) {
    const double top = ys.front(), bottom = ys.back();
    const QColor o = ToQColor(outline);
    if (fill && *fill == outline) {
        fillArea(x1, top, x2, bottom, o, true);
        return;
    }
    if (fill && x1 != x2 && top != bottom) fillArea(x1, top, x2, bottom, ToQColor(*fill), false);
    fillArea(x1, top, x1, bottom, o, true);
    fillArea(x2, top, x2, bottom, o, true);
    for (double y : ys)
        fillArea(x1, y, x2, y, o, true);
}

void QtSurface::commitPending() {
    if (!pending_) return;
    const Cell c = *pending_;
    pending_.reset();
    if (!run_.ys.empty() && run_.x1 == c.x1 && run_.x2 == c.x2 && run_.fill == c.fill &&
        run_.outline == c.outline && run_.ys.back() == c.y1) {
        run_.ys.push_back(c.y2);
        return;
    }
    flushRun();
    run_.x1 = c.x1;
    run_.x2 = c.x2;
    run_.fill = c.fill;
    run_.outline = c.outline;
    run_.ys = {c.y1, c.y2};
}

void QtSurface::flushRun() {
    if (run_.ys.empty()) return;
    paintBox(run_.x1, run_.ys, run_.x2, run_.outline, &run_.fill);
    run_.ys.clear();
}

void QtSurface::doLine(double x1, double y1, double x2, double y2, Rgb colour) {
    flush();
    p_->setPen(Cosmetic(colour));
    p_->drawLine(fit_.toTarget(x1, y1), fit_.toTarget(x2, y2));
}

void QtSurface::doBox(double x1, double y1, double x2, double y2, Rgb outline, const Rgb* fill) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (!fill) {
        flush();
        paintBox(x1, {y1, y2}, x2, outline, nullptr);
        return;
    }
    // The same box again with the same fill: its new outline covers the old.
    if (pending_ && pending_->x1 == x1 && pending_->y1 == y1 && pending_->x2 == x2 &&
        pending_->y2 == y2 && pending_->fill == *fill) {
        pending_->outline = outline;
        return;
    }
    commitPending();
    pending_ = Cell{x1, y1, x2, y2, outline, *fill};
}

void QtSurface::doCircle(double x, double y, double radius, Rgb outline, const Rgb* fill) {
    flush();
    const double r = radius * fit_.scale;
    p_->setRenderHint(QPainter::Antialiasing, true);
    p_->setPen(Cosmetic(outline));
    if (fill)
        p_->setBrush(ToQColor(*fill));
    else
        p_->setBrush(Qt::NoBrush);
    p_->drawEllipse(fit_.toTarget(x, y), r, r);
    p_->setBrush(Qt::NoBrush);
    p_->setRenderHint(QPainter::Antialiasing, false);
}

void QtSurface::doPoint(double x, double y, Rgb colour) {
    flush();
    const QPointF a = fit_.toTarget(x, y);
    p_->fillRect(QRectF(a, QSizeF(pixel_, pixel_)), ToQColor(colour));
}

void QtSurface::doText(double x, double y, const std::string& text, Rgb colour, double points) {
    flush();
    const QFont f = fontFor(points);
    p_->setFont(f);
    p_->setPen(ToQColor(colour));
    const QFontMetricsF fm(f, p_->device());
    // The text position is the top-left corner of the text.
    const QPointF at = fit_.toTarget(x, y);
    const QPointF base(at.x(), at.y() + fm.ascent());
    if (legibility().halos) {
        // A halo in the back colour keeps the text readable over isolines,
        // grid lines and cells.
        QPainterPath path;
        path.addText(base, f, QString::fromStdString(text));
        QPen halo(ToQColor(back_), 3.0 * pixel_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p_->strokePath(path, halo);
    }
    p_->drawText(base, QString::fromStdString(text));
}

QImage RenderProjectImage(const Project& p, const QSize& size, render::DotRandom& rnd,
                          const QImage* backgroundPicture, const Feedback* cancel,
                          const render::Overlay& overlay) {
    QImage image(size, QImage::Format_RGB32);
    const Rgb back = p.WhiteBackground ? render::kWhite : render::kBlack;
    image.fill(ToQColor(back));
    {
        QtSurface s(image);
        s.setCancel(cancel);
        s.setBackColour(back);
        if (backgroundPicture && p.BackgroundLoaded) s.setBackgroundPicture(*backgroundPicture);
        render::redrawView(p, s, rnd);
        if (overlay) overlay(p, s);
    }
    return image;
}

} // namespace brenvik::qtsurface
