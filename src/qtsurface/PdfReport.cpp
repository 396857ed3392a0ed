#include "qtsurface/PdfReport.h"

#include "qtsurface/QtSurface.h"

#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace brenvik::qtsurface {

std::string WritePdf(const std::string& path, const std::string& title, int pageCount,
                     const std::function<void(int, render::Surface&)>& drawPage) {
    const QString file = QString::fromStdString(path);
    {
        QPdfWriter writer(file);
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator("Brenvik");
        // Fine enough for the one-pixel lines of the surface to print as
        // thin rules rather than hairlines.
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer)) return "Cannot write " + path;
        QFont font("DejaVu Sans");
        font.setStyleHint(QFont::SansSerif);
        painter.setFont(font);
        const QRectF page(0, 0, writer.width(), writer.height());
        for (int k = 0; k < pageCount; ++k) {
            if (k > 0 && !writer.newPage()) return "Cannot write " + path;
            QtSurface surface(painter, page);
            drawPage(k, surface);
        }
        if (!painter.end()) return "Cannot write " + path;
    }
    if (QFile(file).size() <= 0) return "Cannot write " + path;
    return {};
}

} // namespace brenvik::qtsurface
