#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace brenvik::app {
namespace {

constexpr int kSize = 32;

// Paints the glyph of one toolbar command in a 32 × 32 box.
void drawGlyph(QPainter& p, const QString& name, const QColor& ink) {
    QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (name == "guardapic") { // floppy disk
        p.drawRoundedRect(QRectF(6, 6, 20, 20), 2, 2);
        p.fillRect(QRectF(10, 6, 12, 7), ink);
        p.drawRect(QRectF(10, 17, 12, 9));
    } else if (name == "abripic") { // open folder
        QPainterPath path;
        path.moveTo(5, 24);
        path.lineTo(5, 9);
        path.lineTo(12, 9);
        path.lineTo(14, 12);
        path.lineTo(24, 12);
        path.lineTo(24, 15);
        p.drawPath(path);
        QPolygonF front{{5, 24}, {9, 15}, {28, 15}, {24, 24}};
        p.drawPolygon(front);
    } else if (name == "borrar") { // eraser
        p.save();
        p.translate(16, 16);
        p.rotate(-35);
        p.drawRect(QRectF(-10, -5, 20, 10));
        p.fillRect(QRectF(-10, -5, 7, 10), ink);
        p.restore();
        p.drawLine(QPointF(6, 27), QPointF(26, 27));
    } else if (name == "prome") { // average: a bar chart with a mean line
        p.drawLine(QPointF(6, 26), QPointF(26, 26));
        p.fillRect(QRectF(8, 16, 4, 10), ink);
        p.fillRect(QRectF(14, 10, 4, 16), ink);
        p.fillRect(QRectF(20, 19, 4, 7), ink);
        p.setPen(QPen(QColor(220, 40, 40), 2, Qt::DashLine));
        p.drawLine(QPointF(5, 15), QPointF(27, 15));
    } else if (name == "area") { // numerical grid
        p.setPen(QPen(ink, 1.2));
        for (int k = 0; k <= 3; ++k) {
            p.drawLine(QPointF(6 + k * 6.67, 6), QPointF(6 + k * 6.67, 26));
            p.drawLine(QPointF(6, 6 + k * 6.67), QPointF(26, 6 + k * 6.67));
        }
        QFont f = p.font();
        f.setPixelSize(7);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(6, 12.67, 6.67, 6.67), Qt::AlignCenter, "3");
        p.drawText(QRectF(19.3, 6, 6.67, 6.67), Qt::AlignCenter, "9");
    } else if (name == "linea") { // colour gradient
        QLinearGradient g(6, 0, 26, 0);
        g.setColorAt(0, QColor(0, 0, 255));
        g.setColorAt(0.5, QColor(0, 220, 0));
        g.setColorAt(1, QColor(255, 0, 0));
        p.setBrush(g);
        p.setPen(QPen(ink, 1.5));
        p.drawRect(QRectF(6, 8, 20, 16));
    } else if (name == "escala") { // ruler
        p.drawRect(QRectF(4, 12, 24, 9));
        p.setPen(QPen(ink, 1.3));
        for (int k = 0; k <= 5; ++k)
            p.drawLine(QPointF(6.5 + k * 3.8, 12), QPointF(6.5 + k * 3.8, k % 2 ? 15 : 17));
    } else if (name == "relieve") { // a hill in profile with its ground steps
        QPainterPath hill;
        hill.moveTo(3, 26);
        hill.lineTo(10, 26);
        hill.lineTo(10, 19);
        hill.lineTo(15, 19);
        hill.lineTo(15, 11);
        hill.lineTo(21, 11);
        hill.lineTo(21, 19);
        hill.lineTo(25, 19);
        hill.lineTo(25, 26);
        hill.lineTo(29, 26);
        p.fillPath(hill, QColor(60, 150, 60));
        p.drawPath(hill);
    } else if (name == "fuente") { // isolines around a source
        p.setPen(QPen(ink, 1.6));
        p.drawEllipse(QPointF(16, 16), 11, 9);
        p.drawEllipse(QPointF(16, 16), 7, 5.5);
        p.drawEllipse(QPointF(16, 16), 3, 2.5);
    } else if (name == "calculo") { // the calculation: sigma over a grid
        QFont f = p.font();
        f.setPixelSize(22);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QString(QChar(0x03A3)));
    } else if (name == "tiempo") { // mobile-phone tower with radiating arcs
        p.drawLine(QPointF(16, 10), QPointF(11, 28));
        p.drawLine(QPointF(16, 10), QPointF(21, 28));
        p.drawLine(QPointF(13, 20), QPointF(19, 20));
        p.setPen(QPen(ink, 1.6));
        p.drawArc(QRectF(9, 3, 14, 14), 30 * 16, 120 * 16);
        p.drawArc(QRectF(5, -1, 22, 22), 35 * 16, 110 * 16);
        p.setBrush(ink);
        p.drawEllipse(QPointF(16, 10), 2, 2);
    }
}

QPixmap picture(const QString& name, bool pressed) {
    const qreal dpr = 2.0; // drawn at double resolution: sharp on high-DPI screens
    QPixmap pm(int(kSize * dpr), int(kSize * dpr));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor face = pressed ? QColor(40, 60, 110) : QColor(236, 236, 230);
    const QColor ink = pressed ? QColor(250, 250, 250) : QColor(25, 25, 25);
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(QRectF(1, 1, kSize - 2, kSize - 2), 4, 4);
    // A picture button: light top-left and dark bottom-right when raised, the
    // other way round when pressed in.
    QPen light(pressed ? QColor(10, 20, 50) : QColor(255, 255, 255), 1.5);
    QPen dark(pressed ? QColor(120, 150, 210) : QColor(120, 120, 120), 1.5);
    p.setPen(light);
    p.drawLine(QPointF(2, 2), QPointF(kSize - 2, 2));
    p.drawLine(QPointF(2, 2), QPointF(2, kSize - 2));
    p.setPen(dark);
    p.drawLine(QPointF(kSize - 2, 2), QPointF(kSize - 2, kSize - 2));
    p.drawLine(QPointF(2, kSize - 2), QPointF(kSize - 2, kSize - 2));
    if (pressed) p.translate(1, 1);
    drawGlyph(p, name, ink);
    return pm;
}

} // namespace

QIcon toolIcon(const QString& releasedName) {
    QIcon icon;
    icon.addPixmap(picture(releasedName, false), QIcon::Normal, QIcon::Off);
    icon.addPixmap(picture(releasedName, true), QIcon::Normal, QIcon::On);
    icon.addPixmap(picture(releasedName, false), QIcon::Active, QIcon::Off);
    icon.addPixmap(picture(releasedName, true), QIcon::Active, QIcon::On);
    return icon;
}

} // namespace brenvik::app
