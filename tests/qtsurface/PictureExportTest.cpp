#include "qtsurface/PictureExport.h"

#include "model/Project.h"
#include "render/Scene.h"
#include "render/Surface.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace brenvik::qtsurface {
namespace {

TEST(PictureExport, EachFormatReadsBackWithItsDecorations) {
    QTemporaryDir dir;
    // A plan 150 m wide with a result: its scale bar is 20 m long.
    Project p;
    p.XY.Calculated = true;
    p.XY.MaxDensity = 12.5;
    p.DisplayMode = ResultStyle::Gradient;
    p.FileName = "/sites/B2.bvk";
    p.Zoom = 3.0; // the window's view: the picture shows the whole plan anyway
    p.ScrollOffsetX = -5000;
    PictureRequest r;
    r.pixels = QSize(1200, 980);
    r.date = "2026-12-06";
    r.standard = "icnirp-2020";
    // The traces and places go over the plan as the picture shows it.
    std::tuple<double, double> overlaidAt{};
    r.overlay = [&overlaidAt](const Project& shown, render::Surface&) {
        overlaidAt = {shown.Zoom, shown.ScrollOffsetX};
    };
    EXPECT_EQ(PictureFormatFor("a.PDF"), PictureFormat::Pdf);
    EXPECT_EQ(PictureFormatFor("a.bmp"), std::nullopt);

    const std::string png = dir.filePath("plan.png").toStdString();
    ASSERT_EQ(writePicture(p, png, PictureFormat::Png, r), std::nullopt);
    const QImage img(QString::fromStdString(png));
    EXPECT_EQ(img.size(), r.pixels);
    EXPECT_EQ(overlaidAt, std::tuple(1.0, 0.0));
    // The band below the plan holds the legend's strongest colour (red on
    // white paper's scale) somewhere in its middle part.
    bool coloured = false;
    for (int y = 980 * 5 / 6; y < 980 && !coloured; ++y)
        for (int x = 400; x < 850 && !coloured; ++x)
            coloured = qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 60;
    EXPECT_TRUE(coloured);

    const QString svg = dir.filePath("plan.svg");
    ASSERT_EQ(writePicture(p, svg.toStdString(), PictureFormat::Svg, r), std::nullopt);
    QSvgRenderer parsed(svg);
    EXPECT_TRUE(parsed.isValid());
    QFile svgFile(svg);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    for (const char* text : {">N<", ">20 m<", "B2.bvk"})
        EXPECT_TRUE(svgText.contains(text)) << text;

    const QString pdf = dir.filePath("plan.pdf");
    ASSERT_EQ(writePicture(p, pdf.toStdString(), PictureFormat::Pdf, r), std::nullopt);
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    ASSERT_FALSE(pdftotext.isEmpty())
        << "pdftotext is not installed: install the Debian package poppler-utils";
    QProcess run;
    run.start(pdftotext, {pdf, "-"});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0);
    const QString text = QString::fromUtf8(run.readAllStandardOutput());
    for (const char* t : {"20 m", "N", "Project: B2.bvk", "12.500"})
        EXPECT_TRUE(text.contains(t)) << t << "\n" << text.toStdString();
}

// Whether the picture holds a pixel of colour `c` within `area`.
bool Holds(const QImage& img, render::Rgb c, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) == qRgb(c.r, c.g, c.b)) return true;
    return false;
}

// A "% of limit" view of a weak result: isolines at 0.01 to 0.5 % under a
// maximum of 0.733 %, each crossing the plan. The picture labels them, and
// its legend shows them as lines in the very colour the plan draws them in.
TEST(PictureExport, AWeakResultShowsLabelledIsolinesWithTheirOwnColourInTheLegend) {
    QTemporaryDir dir;
    Project p;
    p.XY.Calculated = true;
    p.XY.MaxDensity = 0.733;
    p.ResultUnit = " %";
    p.IsolineCount = 5;
    p.XY.IsolineLevel = {0, 0.01, 0.05, 0.1, 0.2, 0.5};
    p.XY.Isolines.reset(5);
    p.XY.IsolinesAux.reset(5);
    for (int k = 1; k <= 5; ++k) {
        p.XY.Isolines.append(k, std::int16_t(20 + 10 * k), 30);
        p.XY.IsolinesAux.append(k, std::int16_t(20 + 10 * k), 30);
    }
    PictureRequest r;
    r.pixels = QSize(1200, 980);
    const std::string png = dir.filePath("weak.png").toStdString();
    ASSERT_EQ(writePicture(p, png, PictureFormat::Png, r), std::nullopt);
    const QImage img(QString::fromStdString(png));
    const render::Rgb line = render::isolineColour(p.Display);
    // The band starts under the map area (9600 of 15360 units across).
    const int band = int(9600.0 * 1200 / 15360) + 2;
    EXPECT_TRUE(Holds(img, line, QRect(0, 0, 1200, band - 4)));
    EXPECT_TRUE(Holds(img, line, QRect(0, band, 1200, 980 - band)));

    const QString svg = dir.filePath("weak.svg");
    ASSERT_EQ(writePicture(p, svg.toStdString(), PictureFormat::Svg, r), std::nullopt);
    QFile svgFile(svg);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgText = svgFile.readAll();
    // Each level labelled on the plan ("0.050 %") and named in the legend
    // under its heading ("0.050").
    EXPECT_TRUE(svgText.contains(">Isolines (% of limit, max 0.733)<"));
    for (const char* level : {"0.010", "0.050", "0.500"}) {
        EXPECT_TRUE(svgText.contains(QByteArray(">") + level + " %<")) << level;
        EXPECT_TRUE(svgText.contains(QByteArray(">") + level + "<")) << level;
    }
}

TEST(PictureExport, RefusesSizesItCannotMake) {
    QTemporaryDir dir;
    PictureRequest r;
    r.pixels = QSize(0, 500);
    EXPECT_TRUE(
        writePicture(Project{}, dir.filePath("x.png").toStdString(), PictureFormat::Png, r));
    r.pixels = QSize(400, 300);
    EXPECT_TRUE(writePicture(Project{}, dir.filePath("no/such/dir/x.png").toStdString(),
                             PictureFormat::Png, r));
}

} // namespace
} // namespace brenvik::qtsurface
