#include "app/PrintService.h"

#include <QPrintDialog>
#include <QPrinter>

namespace brenvik::app {

bool QtPrintService::choose(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName("printDialog");
    return dialog.exec() == QDialog::Accepted;
}

} // namespace brenvik::app

#include "app/PlanCanvas.h"
#include "model/DrawingArea.h"

#include <QPainter>

namespace brenvik::app {

namespace {
QRectF PageRect(QPrinter& printer) {
    const QRectF r = printer.pageLayout().paintRectPixels(printer.resolution());
    return QRectF(QPointF(0, 0), r.size());
}
QRectF FitArea(const QRectF& box) {
    const double s = std::min(box.width() / area::ScaleWidth, box.height() / area::ScaleHeight);
    return QRectF(box.topLeft(), QSizeF(area::ScaleWidth * s, area::ScaleHeight * s));
}
} // namespace

bool PrintArea(QPrinter& printer, const PlanCanvas& canvas) {
    QPainter p;
    if (!p.begin(&printer)) return false;
    canvas.render(p, FitArea(PageRect(printer)));
    return p.end();
}

bool PrintPlane(QPrinter& printer, const std::function<void(QPainter&, const QRectF&)>& paintArea,
                const PrintLegend& legend) {
    QPainter p;
    if (!p.begin(&printer)) return false;
    const QRectF page = PageRect(printer);
    const double dpi = printer.resolution();
    const double mm = dpi / 25.4;

    QFont title = p.font();
    title.setPointSizeF(14);
    title.setBold(true);
    QFont body = p.font();
    body.setPointSizeF(9);
    p.setPen(Qt::black);

    p.setFont(title);
    const double titleH = QFontMetricsF(title, &printer).height();
    p.drawText(QRectF(page.left(), page.top(), page.width(), titleH), Qt::AlignLeft,
               "Brenvik 5.0 - " + legend.plane + " - " + legend.style);

    // The picture takes the page width, or what leaves room for the legend.
    const double legendH = 60 * mm;
    const QRectF box(page.left(), page.top() + titleH + 3 * mm, page.width(),
                     std::max(10 * mm, page.height() - titleH - 3 * mm - legendH));
    const QRectF pic = FitArea(box);
    p.save();
    p.setClipRect(pic);
    paintArea(p, pic);
    p.restore();
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pic);

    // Colour scale: one box per level with its value.
    double y = pic.bottom() + 5 * mm;
    p.setFont(body);
    const double lineH = QFontMetricsF(body, &printer).height();
    if (!legend.levels.isEmpty()) {
        p.drawText(QPointF(page.left(), y + lineH * 0.8), legend.heading + ":");
        y += lineH * 1.2;
        const int n = int(legend.levels.size());
        const double w = std::min(page.width() / n, 18 * mm);
        for (int k = 0; k < n; ++k) {
            const QRectF cell(page.left() + k * w, y, w, 5 * mm);
            const QColor c = k < legend.levelColours.size() ? legend.levelColours[k] : Qt::white;
            if (k < legend.levelLines.size() && legend.levelLines[k]) {
                // An isoline's level: its line, dashed as on the plan.
                p.save();
                p.setPen(QPen(c, 0.6 * mm, Qt::DashLine));
                p.drawLine(QPointF(cell.left() + mm, cell.center().y()),
                           QPointF(cell.right() - mm, cell.center().y()));
                p.restore();
            } else {
                p.fillRect(cell, c);
                p.drawRect(cell);
            }
            p.drawText(QRectF(cell.left(), cell.bottom() + 0.5 * mm, w, lineH), Qt::AlignHCenter,
                       legend.levels[k]);
        }
        y += 5 * mm + lineH * 1.6;
    }
    const QStringList lines{
        "Plane: " + legend.plane,
        "File: " + (legend.fileName.isEmpty() ? QString("(not saved)") : legend.fileName),
        "Date: " + legend.date,
        "Maximum: " + legend.maximum,
        "Plan width: " + legend.width,
    };
    for (const QString& l : lines) {
        p.drawText(QPointF(page.left(), y + lineH * 0.8), l);
        y += lineH;
    }
    return p.end();
}

} // namespace brenvik::app
