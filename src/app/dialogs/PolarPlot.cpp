#include "app/dialogs/PolarPlot.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace brenvik {

namespace {
constexpr double RangeDb = 40.0; // the centre of the diagram
constexpr double RingStepDb = 10.0;
} // namespace

PolarPlot::PolarPlot(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PolarPlot::setCut(antenna::PlotCut cut) {
    m_cut = std::move(cut);
    setToolTip(beamwidthText());
    update();
}

QString PolarPlot::beamwidthText() const {
    if (m_cut.gainDb.empty()) return {};
    if (m_cut.beamwidthDeg >= 360.0) return QStringLiteral("Half-power width: no 3 dB fall");
    if (m_cut.beamwidthDeg <= 0.0)
        return QStringLiteral("Half-power width: never within 3 dB of the file's gain");
    return QStringLiteral("Half-power width %1°").arg(m_cut.beamwidthDeg, 0, 'f', 1);
}

QString PolarPlot::ringLabel(double dbBelowPeak) {
    return dbBelowPeak == 0.0 ? QStringLiteral("0 dB")
                              : QStringLiteral("-%1 dB").arg(dbBelowPeak, 0, 'f', 0);
}

QPointF PolarPlot::point(QPointF centre, double radius, double angleDeg, double gainDb) const {
    const double r = radius * std::clamp(1.0 + gainDb / RangeDb, 0.0, 1.0);
    const double a = angleDeg * std::numbers::pi / 180.0;
    if (m_kind == Kind::Horizontal) return centre + QPointF(r * std::sin(a), -r * std::cos(a));
    return centre + QPointF(r * std::cos(a), r * std::sin(a));
}

void PolarPlot::paintEvent(QPaintEvent*) {
    QPainter g(this);
    g.setRenderHint(QPainter::Antialiasing);
    g.fillRect(rect(), palette().base());
    const QFontMetrics fm = g.fontMetrics();
    const double textH = fm.height();
    const QRectF area(0, textH, width(), height() - 2 * textH);
    const double radius = std::max(10.0, std::min(area.width(), area.height()) / 2 - 4);
    const QPointF c = area.center();

    g.setPen(QPen(palette().mid().color(), 0));
    for (double db = 0; db < RangeDb; db += RingStepDb) {
        const double r = radius * (1.0 - db / RangeDb);
        g.drawEllipse(c, r, r);
    }
    for (int a = 0; a < 360; a += 30)
        g.drawLine(c, point(c, radius, a, 0));
    g.setPen(palette().text().color());
    // Each ring tells its level, along the spoke between 0 and 30 degrees
    // where the cuts of most antennas leave room.
    for (double db = 0; db < RangeDb; db += RingStepDb) {
        const double r = radius * (1.0 - db / RangeDb);
        const QPointF at = c + QPointF(r * std::sin(0.26), -r * std::cos(0.26));
        g.drawText(at + QPointF(2, -2), ringLabel(db));
    }
    const QString title = m_kind == Kind::Horizontal
                              ? QStringLiteral("Horizontal, front up")
                              : QStringLiteral("Vertical as mounted, front right");
    g.drawText(QRectF(0, 0, width(), textH), Qt::AlignHCenter, title);
    g.drawText(QRectF(0, height() - textH, width(), textH), Qt::AlignHCenter, beamwidthText());

    if (m_cut.angleDeg.empty()) return;
    QPainterPath path(point(c, radius, m_cut.angleDeg[0], m_cut.gainDb[0]));
    for (std::size_t k = 1; k < m_cut.angleDeg.size(); ++k)
        path.lineTo(point(c, radius, m_cut.angleDeg[k], m_cut.gainDb[k]));
    path.closeSubpath();
    g.setPen(QPen(QColor(200, 30, 30), 1.5));
    g.drawPath(path);
}

} // namespace brenvik
