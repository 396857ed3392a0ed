#include "app/PlanCanvas.h"

#include "model/DrawingArea.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace brenvik::app {

namespace {
constexpr double kW = area::ScaleWidth;
constexpr double kH = area::ScaleHeight;
constexpr double kUnitsPerPixel = 15.0;

} // namespace

PlanCanvas::PlanCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName("Form2Area");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 220);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
    // The section lines keep their own colour.
    for (Overlay o : {Overlay::SectionLine, Overlay::SectionOnSection})
        lines_[std::size_t(o)] = LineObject{QLineF(), false, QColor(128, 128, 0), false};
    // The selection stands out on both backgrounds.
    for (int k = 0; k < 4; ++k)
        lines_[std::size_t(BoxSide(Overlay::Selection1, k))] =
            LineObject{QLineF(), false, QColor(255, 140, 0), false};
    setFocusPolicy(Qt::ClickFocus);
    pointer_ = new CanvasPointer(*this);
}

void PlanCanvas::clear() {
    steps_.clear();
    rebuildBacking();
}

void PlanCanvas::draw(Step step) {
    steps_.push_back(std::move(step));
    paintStep(steps_.back());
    update();
}

void PlanCanvas::setBackColour(const QColor& c) {
    back_ = c;
    rebuildBacking();
}

void PlanCanvas::setBackgroundPicture(const QImage& picture) {
    picture_ = picture;
    rebuildBacking();
}

void PlanCanvas::removeBackgroundPicture() {
    picture_ = QImage();
    rebuildBacking();
}

void PlanCanvas::render(QPainter& p, const QRectF& target) const {
    // The area fills the target's width or height, anchored at its top-left
    // corner, as the drawing surface places it.
    const double s = std::min(target.width() / kW, target.height() / kH);
    p.save();
    p.setClipRect(QRectF(target.topLeft(), QSizeF(kW * s, kH * s)));
    p.fillRect(QRectF(target.topLeft(), QSizeF(kW * s, kH * s)), back_);
    if (!picture_.isNull())
        p.drawImage(QRectF(target.topLeft(), QSizeF(picture_.width() * kUnitsPerPixel * s,
                                                    picture_.height() * kUnitsPerPixel * s)),
                    picture_);
    for (const Step& step : steps_) {
        p.save();
        step(p, target);
        p.restore();
    }
    p.restore();
}

QImage PlanCanvas::renderImage(QSize size) const {
    QImage img(size, QImage::Format_RGB32);
    img.fill(back_);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    render(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return img;
}

QImage PlanCanvas::naturalImage() const {
    return renderImage(QSize(int(kW / kUnitsPerPixel), int(kH / kUnitsPerPixel)));
}

QRectF PlanCanvas::areaRect() const {
    const double sx = width() / kW, sy = height() / kH;
    const double s = std::min(sx, sy);
    const double w = kW * s, h = kH * s;
    // Whole pixels for the corner, so the backing image lands on the device
    // pixel grid and stays sharp.
    return QRectF(std::floor((width() - w) / 2.0), std::floor((height() - h) / 2.0), w, h);
}

QPointF PlanCanvas::toUnits(QPointF widgetPos) const {
    const QRectF r = areaRect();
    if (r.width() <= 0 || r.height() <= 0) return {};
    return {(widgetPos.x() - r.left()) * kW / r.width(),
            (widgetPos.y() - r.top()) * kH / r.height()};
}

QPointF PlanCanvas::toWidget(QPointF units) const {
    const QRectF r = areaRect();
    return {r.left() + units.x() * r.width() / kW, r.top() + units.y() * r.height() / kH};
}

void PlanCanvas::setLine(Overlay o, QLineF units) {
    lines_[std::size_t(o)].line = units, update();
}

void PlanCanvas::setLineVisible(Overlay o, bool visible) {
    auto& l = lines_[std::size_t(o)];
    if (l.visible == visible) return;
    l.visible = visible;
    update();
}

bool PlanCanvas::lineVisible(Overlay o) const {
    return lines_[std::size_t(o)].visible;
}

QLineF PlanCanvas::line(Overlay o) const {
    return lines_[std::size_t(o)].line;
}

void PlanCanvas::setMarkerColour(const QColor& c) {
    for (auto& l : lines_)
        if (l.followsDrawColour) l.colour = c;
    update();
}

void PlanCanvas::rebuildBacking() {
    const QRectF r = areaRect();
    const qreal dpr = devicePixelRatioF();
    const QSize px(std::max(1, int(std::lround(r.width() * dpr))),
                   std::max(1, int(std::lround(r.height() * dpr))));
    backing_ = QImage(px, QImage::Format_RGB32);
    backing_.setDevicePixelRatio(dpr);
    QPainter p(&backing_);
    p.setRenderHint(QPainter::TextAntialiasing);
    render(p, QRectF(QPointF(0, 0), QSizeF(px) / dpr));
    update();
}

void PlanCanvas::paintStep(const Step& step) {
    if (backing_.isNull()) return rebuildBacking();
    QPainter p(&backing_);
    p.setRenderHint(QPainter::TextAntialiasing);
    step(p, QRectF(QPointF(0, 0), QSizeF(backing_.size()) / backing_.devicePixelRatio()));
}

void PlanCanvas::paintEvent(QPaintEvent*) {
    // Moved to a screen of another scale: the picture is played again at the
    // new resolution.
    if (backing_.isNull() || backing_.devicePixelRatio() != devicePixelRatioF()) rebuildBacking();
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF r = areaRect();
    p.drawImage(r.topLeft(), backing_);
    // The line objects are drawn one device pixel wide whatever the scale.
    p.setClipRect(r);
    for (std::size_t k = 0; k < lines_.size(); ++k) {
        const LineObject& l = lines_[k];
        if (!l.visible) continue;
        // The selection box is drawn thicker so that it reads as a highlight.
        const bool selection = k >= std::size_t(Overlay::Selection1);
        QPen pen(l.colour, selection ? 2 : 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawLine(QLineF(toWidget(l.line.p1()), toWidget(l.line.p2())));
    }
}

void PlanCanvas::resizeEvent(QResizeEvent*) {
    rebuildBacking();
}

// ---- The pointer ----------------------------------------------------------------------

CanvasPointer::CanvasPointer(PlanCanvas& canvas) : QObject(&canvas), canvas_(canvas) {
    canvas.installEventFilter(this);
}

bool CanvasPointer::eventFilter(QObject* watched, QEvent* e) {
    if (watched != &canvas_) return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return mouse(e->type(), static_cast<const QMouseEvent&>(*e));
    case QEvent::Wheel: {
        auto* w = static_cast<QWheelEvent*>(e);
        const double steps = w->angleDelta().y() / 120.0;
        if (steps != 0) emit wheeled(canvas_.toUnits(w->position()), steps);
        w->accept();
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return key(e->type(), static_cast<const QKeyEvent&>(*e));
    case QEvent::Leave:
        emit left();
        return false;
    default:
        return false;
    }
}

bool CanvasPointer::mouse(QEvent::Type type, const QMouseEvent& e) {
    const QPointF u = canvas_.toUnits(e.position());
    switch (type) {
    case QEvent::MouseButtonPress:
        // The middle button, or any button with Space held, drags the view.
        if (e.button() == Qt::MiddleButton || spaceHeld_) {
            panning_ = true;
            panFrom_ = u;
            canvas_.setCursor(Qt::ClosedHandCursor);
        } else {
            emit pressed(u);
        }
        break;
    case QEvent::MouseMove:
        if (panning_) {
            const QPointF delta = u - panFrom_;
            panFrom_ = u;
            if (!delta.isNull()) emit panned(delta);
        } else {
            emit moved(u);
        }
        break;
    case QEvent::MouseButtonRelease:
        if (panning_) {
            panning_ = false;
            canvas_.setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::CrossCursor);
        } else {
            emit released(u);
        }
        break;
    default: // a double click
        if (e.button() == Qt::LeftButton && !spaceHeld_) emit doubleClicked(u);
        break;
    }
    return true;
}

bool CanvasPointer::key(QEvent::Type type, const QKeyEvent& e) {
    if (e.key() != Qt::Key_Space || e.isAutoRepeat()) return false;
    spaceHeld_ = type == QEvent::KeyPress;
    if (!panning_) canvas_.setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::CrossCursor);
    return true;
}

} // namespace brenvik::app
