#include "batch/ImageOutput.h"

#include "batch/BatchRun.h"
#include "qtsurface/QtSurface.h"
#include "render/Dots.h"

#include <QImage>
#include <QString>

namespace brenvik::batch {

void writeProjectImage(const Project& p, const ImageRequest& image, const std::string& path) {
    // A fresh generator per image: the dots come out the same in every run,
    // as they do on the first redraw after the program starts.
    render::DotRandom rnd;
    QImage img = qtsurface::renderProjectImage(p, QSize(image.width, image.height), rnd);
    if (img.isNull()) throw BatchFailure("Cannot draw the image: not enough memory");
    const char* format = image.format == ImageFormat::Bmp ? "BMP" : "PNG";
    if (image.format == ImageFormat::Bmp && img.hasAlphaChannel())
        img = img.convertToFormat(QImage::Format_RGB32);
    if (!img.save(QString::fromStdString(path), format))
        throw BatchFailure("Cannot write " + image.path);
}

} // namespace brenvik::batch
