#include "batch/ImageOutput.h"

#include "batch/BatchRun.h"
#include "compliance/Limits.h"
#include "compliance/Summary.h"
#include "model/Project.h"
#include "qtsurface/PictureExport.h"
#include "qtsurface/QtSurface.h"
#include "render/Dots.h"

#include <QDate>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>

namespace brenvik::batch {

namespace {

bool raised(const Feedback* cancel) {
    return cancel && cancel->isCanceled();
}

// The image file, which refuses every write once the feedback is canceled:
// the encoder of a large image then gives up within one of its blocks.
class CancellableFile : public QFile {
  public:
    CancellableFile(const QString& name, const Feedback* cancel) : QFile(name), cancel_(cancel) {}

  protected:
    qint64 writeData(const char* data, qint64 len) override {
        if (raised(cancel_)) return -1;
        return QFile::writeData(data, len);
    }

  private:
    const Feedback* cancel_;
};

} // namespace

void WriteProjectImage(const Project& p, const ImageRequest& image, const std::string& path,
                       const render::Overlay& overlay, const Feedback* cancel) {
    if (image.decorate) {
        // The report picture: the whole plan with its band of decorations.
        qtsurface::PictureRequest r;
        r.pixels = QSize(image.width, image.height);
        r.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
        r.standard = compliance::StandardCaption(p, compliance::LoadLibrary().library);
        r.overlay = overlay;
        const qtsurface::PictureFormat f =
            image.format == ImageFormat::Svg   ? qtsurface::PictureFormat::Svg
            : image.format == ImageFormat::Pdf ? qtsurface::PictureFormat::Pdf
                                               : qtsurface::PictureFormat::Png;
        std::optional<std::string> failed;
        try {
            failed = qtsurface::writePicture(p, path, f, r, cancel);
        } catch (const render::DrawingCancelled&) {
            throw BatchFailure(kMsgInterrupted);
        }
        if (raised(cancel)) throw BatchFailure(kMsgInterrupted);
        if (failed) throw BatchFailure("Cannot write " + image.path + ": " + *failed);
        return;
    }
    // A fresh generator per image: the dots come out the same in every run,
    // as they do on the first redraw after the program starts.
    render::DotRandom rnd;
    QImage img;
    try {
        img = qtsurface::RenderProjectImage(p, QSize(image.width, image.height), rnd, nullptr,
                                            cancel, overlay);
    } catch (const render::DrawingCancelled&) {
        throw BatchFailure(kMsgInterrupted);
    }
    if (img.isNull()) throw BatchFailure("Cannot draw the image: not enough memory");
    const char* format = image.format == ImageFormat::Bmp ? "BMP" : "PNG";
    if (image.format == ImageFormat::Bmp && img.hasAlphaChannel())
        img = img.convertToFormat(QImage::Format_RGB32);
    CancellableFile file(QString::fromStdString(path), cancel);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (written) {
        QImageWriter writer(&file, format);
        written = writer.write(img);
        file.close();
        written = written && file.error() == QFileDevice::NoError;
    }
    if (raised(cancel)) throw BatchFailure(kMsgInterrupted);
    if (!written) throw BatchFailure("Cannot write " + image.path);
}

} // namespace brenvik::batch
