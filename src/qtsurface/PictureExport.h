#pragma once

#include "render/Surface.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace brenvik {
class Project;
}
namespace brenvik::render {
class DotRandom;
}

namespace brenvik::qtsurface {

// A picture of the whole plan for a report: the plane at 100 % without
// scrolling, whatever the window shows, with a band below it carrying the
// title block, the legend of the result, a scale bar in metres and a north
// arrow.
enum class PictureFormat { Png, Svg, Pdf };

// The format named by a path's extension (.png, .svg, .pdf, any case).
std::optional<PictureFormat> PictureFormatFor(const std::string& path);

struct PictureRequest {
    QSize pixels{2048, 1664}; // the whole picture, band included
    double dpi = 150;         // the physical size of a PDF page, a PNG's stated resolution
    bool decorate = true;     // without: the plan alone, fitted to the picture
    std::string date;         // for the title block
    std::string standard;     // the compliance standard's name
    const QImage* backgroundPicture = nullptr;
    // Drawn over the plan's picture (compliance traces, buildings, places).
    render::Overlay overlay;
};

// Paints the picture into `page` (logical Coordinates of the painter).
void PaintPicture(QPainter& painter, const QRectF& page, const Project& p, const PictureRequest& r,
                  render::DotRandom& rnd, const Feedback* cancel = nullptr);

// Writes the picture; the reason when it could not be written. A canceled
// `cancel` ends the drawing with render::DrawingCancelled.
std::optional<std::string> writePicture(const Project& p, const std::string& path,
                                        PictureFormat format, const PictureRequest& r,
                                        const Feedback* cancel = nullptr);

} // namespace brenvik::qtsurface
