#include "app/PlanView.h"

#include "app/PlanCanvas.h"
#include "app/ScrollView.h"
#include "app/StatusReadouts.h"
#include "geo/Geo.h"
#include "model/DrawingArea.h"
#include "model/Prompts.h"
#include "qtsurface/QtSurface.h"

#include <QGridLayout>
#include <QMainWindow>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace brenvik::app {

namespace {

// Runs the renderers without drawing anything: the window learns where the
// scene puts its line objects and the dots' random source moves on exactly as
// if the picture had been drawn.
class DiscardingSurface : public render::Surface {
  protected:
    void doClear() override {}
    void doLine(double, double, double, double, render::Rgb) override {}
    void doBox(double, double, double, double, render::Rgb, const render::Rgb*) override {}
    void doCircle(double, double, double, render::Rgb, const render::Rgb*) override {}
    void doPoint(double, double, render::Rgb) override {}
    void doText(double, double, const std::string&, render::Rgb, double) override {}
};

} // namespace

PlanView::PlanView(QMainWindow& window, Project& p, Prompts& prompts, StatusReadouts& status)
    : project_(p), prompts_(prompts), status_(status) {
    auto* central = new QWidget(&window);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    canvas_ = new PlanCanvas(central);
    hscroll_ = new QScrollBar(Qt::Horizontal, central);
    hscroll_->setObjectName("HScrollx");
    vscroll_ = new QScrollBar(Qt::Vertical, central);
    vscroll_->setObjectName("VScrolly");
    for (QScrollBar* bar : {hscroll_, vscroll_}) {
        bar->setRange(0, 0);
        QSizePolicy sp = bar->sizePolicy();
        sp.setRetainSizeWhenHidden(true); // the plan keeps its size on the section
        bar->setSizePolicy(sp);
        QObject::connect(bar, &QScrollBar::valueChanged, canvas_, [this] { scrolled(); });
    }
    grid->addWidget(canvas_, 0, 0);
    grid->addWidget(vscroll_, 0, 1);
    grid->addWidget(hscroll_, 1, 0);
    window.setCentralWidget(central);
}

void PlanView::setRedrawHooks(std::function<void()> before, std::function<void()> after) {
    before_ = std::move(before);
    after_ = std::move(after);
}

void PlanView::setDecorations(Decorate decorate, Shown shown) {
    decorate_ = std::move(decorate);
    shown_ = std::move(shown);
}

void PlanView::paintSteps(const Painter& step, bool clearFirst) {
    // The first picture is drawn before the decorations exist.
    const Painter paint = decorate_ ? decorate_(step) : step;
    // A drawing step paints straight onto the canvas through the QPainter
    // surface. For its replays (resize, another screen scale) it keeps the
    // project and the dots' random state as they were, so every replay paints
    // the same picture without keeping a list of primitives, which for a large
    // result would cost far more than drawing it.
    auto snapshot = std::make_shared<const Project>(shown_ ? shown_(project_) : project_);
    const render::DotRandom dotsBefore = dots_;
    DiscardingSurface probe;
    const std::optional<render::SceneControls> controls = paint(*snapshot, probe, dots_);
    const render::Rgb back = project_.WhiteBackground ? render::kWhite : render::kBlack;
    const QImage picture = canvas_->backgroundPicture();
    if (clearFirst) canvas_->clear();
    // On screen every text and symbol keeps a readable size; the saved bitmap
    // and the printer replay the same steps at their own sizes.
    const double dpi = canvas_->logicalDpiY();
    PlanCanvas* canvas = canvas_;
    canvas_->draw([snapshot, dotsBefore, paint, back, picture, dpi, canvas](QPainter& p,
                                                                            const QRectF& target) {
        qtsurface::QtSurface s(p, target);
        if (p.device() == &canvas->backing()) s.setScreenLegibility(dpi);
        s.setBackColour(back);
        if (!picture.isNull()) s.setBackgroundPicture(picture);
        render::DotRandom dots = dotsBefore;
        paint(*snapshot, s, dots);
    });
    if (controls) applySceneControls(*controls);
}

void PlanView::redraw() {
    if (!hasResult()) status_.set(label::Density, "C=");
    if (before_) before_();
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom& dots) {
            return std::optional<render::SceneControls>(render::redrawView(pr, s, dots));
        },
        true);
    if (after_) after_();
}

void PlanView::redrawScene() {
    // The eraser has discarded the result: its value under the pointer goes too.
    if (!hasResult()) status_.set(label::Density, "C=");
    paintSteps(
        [](const Project& pr, render::Surface& s, render::DotRandom&) {
            s.clear();
            return std::optional<render::SceneControls>(render::DrawPlanScene(pr, s));
        },
        true);
    if (after_) after_();
}

void PlanView::ensurePlan() {
    if (project_.CurrentPlane == Plane::XY) return;
    prompts_.message("Para realizar esta operación, pasamos primero al plano XY");
    canvas_->clear();
    project_.CurrentPlane = Plane::XY;
    redraw();
}

bool PlanView::hasResult() const {
    return project_.CurrentPlane == Plane::XZ ? project_.XZ.Calculated : project_.XY.Calculated;
}

void PlanView::applySceneControls(const render::SceneControls& c) {
    canvas_->setLineVisible(Overlay::OriginX, c.geoLinesVisible);
    canvas_->setLineVisible(Overlay::OriginY, c.geoLinesVisible);
    placeOriginMarker();
    hscroll_->setVisible(c.scrollBarsVisible);
    vscroll_->setVisible(c.scrollBarsVisible);
    auto place = [&](Overlay name, const std::optional<render::Segment>& seg) {
        if (seg) canvas_->setLine(name, QLineF(seg->x1, seg->y1, seg->x2, seg->y2));
        canvas_->setLineVisible(name, seg.has_value());
    };
    place(Overlay::SectionLine, c.cortez);
    place(Overlay::SectionOnSection, c.cortexy);
}

void PlanView::placeOriginMarker() {
    const geo::OriginMarkerLines m = geo::OriginMarker(project_);
    canvas_->setLine(Overlay::OriginX, QLineF(m.x, m.y, m.rightX, m.rightY));
    canvas_->setLine(Overlay::OriginY, QLineF(m.x, m.y, m.upX, m.upY));
}

void PlanView::applyBackground() {
    const bool white = project_.WhiteBackground;
    canvas_->setBackColour(white ? Qt::white : Qt::black);
    canvas_->setMarkerColour(white ? Qt::black : Qt::white);
}

QImage PlanView::areaImage() const {
    return canvas_->naturalImage();
}

// ---- Zoom and scrolling -------------------------------------------------------------------

void PlanView::setView(double zoom, double offsetX, double offsetY) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    // The section is shown at 100 % without scrolling.
    if (project_.CurrentPlane != Plane::XY) return;
    project_.Zoom = zoom;
    project_.ScrollOffsetX = ClampOffset(offsetX, zoom, area::ScaleWidth);
    project_.ScrollOffsetY = ClampOffset(offsetY, zoom, area::ScaleHeight);
    const ScrollRange range = scrollRange(zoom);
    const std::pair<QScrollBar*, std::pair<double, double>> bars[] = {
        {hscroll_, {project_.ScrollOffsetX, area::ScaleWidth}},
        {vscroll_, {project_.ScrollOffsetY, area::ScaleHeight}}};
    for (auto& [bar, off] : bars) {
        const QSignalBlocker block(bar);
        bar->setRange(0, range.maximum);
        bar->setPageStep(range.pageStep);
        bar->setValue(ScrollValue(off.first, range.maximum, zoom, off.second));
    }
    redraw();
}

void PlanView::zoomAt(QPointF u, double factor) {
    const double z = std::clamp(project_.Zoom * factor, kMinZoom, kMaxZoom);
    // Near 100 % the view snaps to the whole plan, which the calculations,
    // the exports and the section need.
    const double zoom = z < 1.05 ? 1.0 : z;
    if (zoom == project_.Zoom) return;
    setView(zoom,
            OffsetKeeping(u.x(), project_.ScrollOffsetX, project_.Zoom, zoom, area::ScaleWidth),
            OffsetKeeping(u.y(), project_.ScrollOffsetY, project_.Zoom, zoom, area::ScaleHeight));
}

void PlanView::panBy(QPointF delta) {
    if (project_.Zoom == 1.0) return;
    setView(project_.Zoom, project_.ScrollOffsetX + delta.x(), project_.ScrollOffsetY + delta.y());
}

void PlanView::applyZoom(double zoom) {
    project_.Zoom = zoom;
    const ScrollRange range = scrollRange(zoom);
    for (QScrollBar* bar : {hscroll_, vscroll_}) {
        const QSignalBlocker block(bar);
        bar->setRange(0, range.maximum);
        bar->setPageStep(range.pageStep);
    }
    // A bar whose position fell to its new maximum moves the view as its own
    // change would.
    scrolled();
}

void PlanView::scrolled() {
    const double z = project_.Zoom;
    project_.ScrollOffsetX =
        scrollOffset(hscroll_->value(), hscroll_->maximum(), z, area::ScaleWidth);
    project_.ScrollOffsetY =
        scrollOffset(vscroll_->value(), vscroll_->maximum(), z, area::ScaleHeight);
    redraw();
}

} // namespace brenvik::app
