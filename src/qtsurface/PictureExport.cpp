#include "qtsurface/PictureExport.h"

#include "model/DrawingArea.h"
#include "model/Project.h"
#include "qtsurface/QtSurface.h"
#include "render/Decorations.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>

namespace brenvik::qtsurface {

namespace {

constexpr double kW = area::ScaleWidth;
constexpr double kH = area::ScaleHeight;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The band below the plan: a sixth of the picture, at least what three lines
// of text need.
double BandHeight(const QRectF& page) {
    return std::max(page.height() / 6.0, 48.0);
}

// The legend: the levels in two rows of boxes, maximum first, under their unit.
void PaintLegend(QPainter& g, const QRectF& legend, const Project& p, const QFont& font,
                 double line, const QColor& ink) {
    const std::vector<render::LegendEntry> entries = render::ResultLegend(p);
    if (entries.empty()) return;
    // The heading whole, in a smaller font where it would not fit.
    const QString heading = q(render::LegendHeading(p, entries));
    QFont headFont = font;
    while (headFont.pixelSize() > 7 &&
           QFontMetricsF(headFont, g.device()).horizontalAdvance(heading) > legend.width())
        headFont.setPixelSize(headFont.pixelSize() - 1);
    g.setFont(headFont);
    g.drawText(QRectF(legend.left(), legend.top(), legend.width(), line),
               Qt::AlignLeft | Qt::AlignVCenter, heading);
    g.setFont(font);
    const QRectF rows = legend.adjusted(0, line * 1.1, 0, 0);
    const int perRow = int((entries.size() + 1) / 2);
    const double cellW = rows.width() / perRow, rowH = rows.height() / 2;
    QFont small = font;
    small.setPixelSize(std::max(5, int(std::min(rowH / 3.2, cellW / 6.0))));
    g.setFont(small);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const int row = int(k) / perRow, col = int(k) % perRow;
        const QRectF cell(rows.left() + col * cellW, rows.top() + row * rowH, cellW, rowH);
        const QRectF swatch(cell.left() + 2, cell.top() + 2, cellW - 4, rowH * 0.45);
        if (entries[k].line) {
            // The lines as the plan draws them: dashes in the isolines' colour.
            const double y = swatch.center().y(), inset = swatch.width() * 0.1;
            g.setPen(QPen(ToQColor(entries[k].colour), std::max(1.5, swatch.height() / 10),
                          Qt::DashLine, Qt::FlatCap));
            g.drawLine(QPointF(swatch.left() + inset, y), QPointF(swatch.right() - inset, y));
            g.setPen(QPen(ink, 0));
        } else {
            g.fillRect(swatch, ToQColor(entries[k].colour));
            g.setPen(QPen(ink, 0));
            g.drawRect(swatch);
        }
        std::string text = entries[k].text;
        g.drawText(QRectF(cell.left(), swatch.bottom(), cellW, rowH - swatch.height() - 2),
                   Qt::AlignHCenter | Qt::AlignTop, q(text.substr(0, text.find(' '))));
    }
    g.setFont(font);
}

// The scale bar, in metres of the plan.
void PaintScaleBar(QPainter& g, const QRectF& scaleBox, const QRectF& inner, const Project& p,
                   double planScale, const QFontMetricsF& fm, const QColor& ink) {
    const double line = fm.height();
    const render::ScaleBar bar = render::ChooseScaleBar(
        p.PlanWidthM, kW, std::min(0.5, scaleBox.width() * 0.7 / (kW * planScale)));
    if (bar.units <= 0) return;
    const double len = bar.units * planScale;
    const double by = scaleBox.center().y();
    const double x0 = scaleBox.left();
    const double h = inner.height() * 0.12;
    g.fillRect(QRectF(x0, by - h / 2, len / 2, h), ink);
    g.setPen(QPen(ink, 0));
    g.drawRect(QRectF(x0, by - h / 2, len, h));
    const double w0 = fm.horizontalAdvance("0"), wl = fm.horizontalAdvance(q(bar.label));
    g.drawText(QRectF(x0 - w0 / 2, by + h, w0 + 2, line), Qt::AlignLeft | Qt::AlignTop, "0");
    g.drawText(QRectF(x0 + len - wl / 2, by + h, wl + 2, line), Qt::AlignLeft | Qt::AlignTop,
               q(bar.label));
    g.drawText(QRectF(x0, inner.top(), scaleBox.width(), line), Qt::AlignLeft, "Scale");
}

// The north arrow: the top of the plan.
void PaintNorth(QPainter& g, const QRectF& north, double line, const QColor& ink) {
    const double s = std::min(north.width(), north.height()) * 0.8;
    const QPointF c(north.center().x(), north.top() + line + (north.height() - line) / 2);
    QPainterPath arrow;
    arrow.moveTo(c.x(), c.y() - s / 3);
    arrow.lineTo(c.x() + s / 6, c.y() + s / 3);
    arrow.lineTo(c.x(), c.y() + s / 6);
    arrow.lineTo(c.x() - s / 6, c.y() + s / 3);
    arrow.closeSubpath();
    g.fillPath(arrow, ink);
    g.drawText(QRectF(c.x() - line, north.top(), 2 * line, line), Qt::AlignCenter, "N");
}

void PaintBand(QPainter& g, const QRectF& band, const Project& p, const PictureRequest& r,
               double planScale) {
    const bool white = p.WhiteBackground;
    const QColor ink = white ? Qt::black : Qt::white;
    const QColor paper = white ? Qt::white : Qt::black;
    g.fillRect(band, paper);
    g.setPen(QPen(ink, 0));
    g.drawLine(band.topLeft(), band.topRight());
    const double pad = band.height() * 0.08;
    const QRectF inner = band.adjusted(pad, pad, -pad, -pad);
    QFont font = g.font();
    font.setPixelSize(std::max(6, int(inner.height() / 4.2)));
    g.setFont(font);
    const QFontMetricsF fm(font, g.device());
    const double line = fm.height();

    // Title block, on the left, in a font that fits all its lines.
    const double titleW = inner.width() * 0.34;
    const std::vector<std::string> title = render::TitleBlock(p, r.date, r.standard);
    QFont titleFont = font;
    titleFont.setPixelSize(std::max(
        5, std::min(font.pixelSize(), int(inner.height() / (1.25 * double(title.size()))))));
    // Smaller still until the longest line fits, down to a readable size.
    const auto widest = [&] {
        const QFontMetricsF m(titleFont, g.device());
        double w = 0;
        for (const std::string& t : title)
            w = std::max(w, m.horizontalAdvance(q(t)));
        return w;
    };
    while (titleFont.pixelSize() > 7 && widest() > titleW)
        titleFont.setPixelSize(titleFont.pixelSize() - 1);
    g.setFont(titleFont);
    const QFontMetricsF tm(titleFont, g.device());
    double y = inner.top();
    for (const std::string& t : title) {
        g.drawText(QRectF(inner.left(), y, titleW, tm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   tm.elidedText(q(t), Qt::ElideMiddle, titleW));
        y += inner.height() / double(title.size());
    }
    g.setFont(font);
    const QRectF legend(inner.left() + titleW, inner.top(), inner.width() * 0.36, inner.height());
    PaintLegend(g, legend, p, font, line, ink);
    const QRectF scaleBox(legend.right() + pad, inner.top(), inner.width() * 0.2, inner.height());
    PaintScaleBar(g, scaleBox, inner, p, planScale, fm, ink);
    PaintNorth(
        g, QRectF(scaleBox.right(), inner.top(), inner.right() - scaleBox.right(), inner.height()),
        line, ink);
}

} // namespace

std::optional<PictureFormat> PictureFormatFor(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos) return std::nullopt;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "png") return PictureFormat::Png;
    if (ext == "svg") return PictureFormat::Svg;
    if (ext == "pdf") return PictureFormat::Pdf;
    return std::nullopt;
}

void PaintPicture(QPainter& g, const QRectF& page, const Project& p, const PictureRequest& r,
                  render::DotRandom& rnd, const Feedback* cancel) {
    const render::Rgb back = p.WhiteBackground ? render::kWhite : render::kBlack;
    g.fillRect(page, ToQColor(back));
    // The whole plan: 100 %, no scrolling.
    Project whole = p;
    whole.Zoom = 1.0;
    whole.ScrollOffsetX = whole.ScrollOffsetY = 0.0;
    // The map area only: the strip below it holds no result.
    const double mapH = render::kShape2Top;
    const double room = r.decorate ? page.height() - BandHeight(page) : page.height();
    const double scale = std::min(page.width() / kW, room / mapH);
    const QRectF plan(page.left() + (page.width() - kW * scale) / 2, page.top(), kW * scale,
                      kH * scale);
    const QRectF map(plan.topLeft(), QSizeF(plan.width(), mapH * scale));
    {
        g.save();
        g.setClipRect(map);
        QtSurface s(g, plan);
        s.setCancel(cancel);
        // As on the screen: towers keep a visible size with their numbers,
        // and a label cut by the plan's edge moves inside, at the picture's
        // own scale (the screen's rules are for 1024 pixels across).
        s.setLegibility(QtSurface::screenLegibility(96.0 * std::max(1.0, page.width() / 1024.0)));
        s.setBackColour(back);
        if (r.backgroundPicture && p.BackgroundLoaded) s.setBackgroundPicture(*r.backgroundPicture);
        render::redrawView(whole, s, rnd);
        if (r.overlay) r.overlay(whole, s);
        s.flush();
        g.restore();
    }
    if (r.decorate)
        PaintBand(g, QRectF(page.left(), map.bottom(), page.width(), page.bottom() - map.bottom()),
                  whole, r, scale);
}

std::optional<std::string> writePicture(const Project& p, const std::string& path,
                                        PictureFormat format, const PictureRequest& r,
                                        const Feedback* cancel) {
    if (r.pixels.width() < 1 || r.pixels.height() < 1 || r.pixels.width() > 20000 ||
        r.pixels.height() > 20000)
        return std::string("The picture's size must be 1 to 20000 pixels each way");
    const QString file = QFile::decodeName(path.c_str());
    const QRectF page(QPointF(0, 0), QSizeF(r.pixels));
    render::DotRandom rnd;
    switch (format) {
    case PictureFormat::Png: {
        QImage img(r.pixels, QImage::Format_RGB32);
        if (img.isNull()) return std::string("Not enough memory for a picture of that size");
        const int dpm = int(std::lround(r.dpi / 0.0254));
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        {
            QPainter g(&img);
            g.setRenderHint(QPainter::Antialiasing);
            g.setRenderHint(QPainter::TextAntialiasing);
            PaintPicture(g, page, p, r, rnd, cancel);
        }
        if (!img.save(file, "PNG")) return "Cannot write " + path;
        return std::nullopt;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setFileName(file);
        svg.setSize(r.pixels);
        svg.setViewBox(page);
        svg.setResolution(int(std::lround(r.dpi)));
        svg.setTitle("Brenvik plan");
        QPainter g;
        if (!g.begin(&svg)) return "Cannot write " + path;
        PaintPicture(g, page, p, r, rnd, cancel);
        if (!g.end()) return "Cannot write " + path;
        return std::nullopt;
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(file);
        pdf.setResolution(int(std::lround(r.dpi)));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setPageSize(
            QPageSize(QSizeF(r.pixels.width() / r.dpi * 72.0, r.pixels.height() / r.dpi * 72.0),
                      QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setTitle("Brenvik plan");
        QPainter g;
        if (!g.begin(&pdf)) return "Cannot write " + path;
        // The page in the picture's pixels, whatever the writer's own units.
        g.setWindow(page.toRect());
        g.setViewport(0, 0, pdf.width(), pdf.height());
        PaintPicture(g, page, p, r, rnd, cancel);
        if (!g.end()) return "Cannot write " + path;
        return std::nullopt;
    }
    }
    return std::string("Unknown picture format");
}

} // namespace brenvik::qtsurface
