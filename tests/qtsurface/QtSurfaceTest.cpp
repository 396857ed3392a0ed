#include "qtsurface/QtSurface.h"

#include "model/Project.h"
#include "model/TestProjects.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace brenvik::qtsurface {
namespace {

using brenvik::testing::FillPlan;
using render::Rgb;

Rgb at(const QImage& img, int x, int y) {
    const QRgb c = img.pixel(x, y);
    return Rgb{static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
               static_cast<std::uint8_t>(qBlue(c))};
}

struct Pixel {
    int x, y;
    Rgb colour;
};

void expectPixels(const QImage& img, std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels)
        EXPECT_EQ(at(img, p.x, p.y), p.colour) << p.x << "," << p.y;
}

// Whether a pixel of the rectangle has the colour; `tolerance` admits the
// blended pixels of smoothed text and circles.
bool contains(const QImage& img, Rgb c, const QRect& r, int tolerance = 0) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const Rgb p = at(img, x, y);
            if (std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b) <= tolerance)
                return true;
        }
    return false;
}

// A small calculated plan: GridNX 20 (CellSize 768), a ramp of values so
// every level appears, drawn into 480 × 330 pixels (24 pixels a cell).
Project SmallProject() {
    Project p;
    p.GridNX = 20;
    FillPlan(p, [](int i, int) { return std::min(i, 10); });
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.GridLinesOn = false;
    p.XY.MaxPosX = Variant::real(10 * 768);
    p.XY.MaxPosY = Variant::integer(5 * 768);
    return p;
}

const QSize kSmall(480, 330);
constexpr int kCell = 24;

TEST(AreaFit, KeepsTheAspectRatioAndAnchorsTopLeft) {
    const AreaFit f = AreaFit::fit(QSizeF(1920, 1080));
    EXPECT_DOUBLE_EQ(f.scale, 1080.0 / 10560);
    EXPECT_NEAR(f.areaRect().width() / f.areaRect().height(), 15360.0 / 10560, 1e-12);
    EXPECT_LE(f.areaRect().right(), 1920.0);
    const QPointF back = f.toArea(f.toTarget(1234, 567));
    EXPECT_LT(std::hypot(back.x() - 1234, back.y() - 567), 1e-9);
    EXPECT_DOUBLE_EQ(AreaFit::fit(QSizeF(1536, 2000)).scale, 0.1);
}

TEST(QtSurface, FilledCellsMeetWithoutSeamsOrBlurAtHighDpi) {
    QImage img(kSmall * 2, QImage::Format_RGB32);
    img.setDevicePixelRatio(2.0);
    {
        QtSurface s(img);
        s.clear();
        s.setFillStyle(render::FillStyle::Solid);
        s.setFillColour(Rgb{255, 205, 0});
        // Two neighbouring cells of a third of a pixel over the pixel grid.
        for (int i = 0; i < 2; ++i)
            s.box(1010 + i * 1530, 1010, 1010 + (i + 1) * 1530, 2540, Rgb{255, 205, 0});
    }
    std::set<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    // Only the back colour and the cell colour: no blended edge pixels.
    EXPECT_EQ(colours.size(), 2u);
    // Physical pixels at 2 × 480 / 15360 per unit: the seam at 2540 units.
    const int seam = static_cast<int>(2540 * 2 * 480.0 / 15360);
    for (int x = seam - 2; x <= seam + 2; ++x)
        EXPECT_EQ(at(img, x, 100), (Rgb{255, 205, 0}));
}

TEST(QtSurface, PaintsIntoATargetRectangleOfAnActivePainter) {
    QImage img(600, 400, QImage::Format_RGB32);
    img.fill(Qt::blue);
    {
        QPainter painter(&img);
        QtSurface s(painter, QRectF(100, 50, 480, 330));
        s.setBackColour(render::kBlack);
        s.clear();
        s.filledBox(0, 0, 768, 768, Rgb{255, 0, 0});
        s.filledBox(-5000, 0, -40, 768, Rgb{0, 255, 0}); // left of the target: clipped
    }
    expectPixels(img, {{99, 60, Rgb{0, 0, 255}},
                       {100, 50, Rgb{255, 0, 0}},
                       {123, 73, Rgb{255, 0, 0}},
                       {126, 60, render::kBlack},
                       {579, 379, render::kBlack},
                       {590, 390, Rgb{0, 0, 255}}});
}

TEST(QtSurface, ClearsAndDrawsNothingBeyondTheDrawingAreaNorOutsideThePaintersClip) {
    // 600 x 330 pixels: the area takes 480 x 330, a band of 120 pixels is left
    // on the right, where a window ends.
    QImage img(600, 330, QImage::Format_RGB32);
    img.fill(Qt::blue);
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(QColor(0, 255, 0));
    {
        QtSurface s(img);
        s.setBackColour(render::kWhite);
        s.setBackgroundPicture(picture);
        s.clear();
        // Past the right edge, as a zoomed result or the grid lines reach.
        s.filledBox(15000, 0, 19000, 768, Rgb{255, 0, 0});
        s.line(0, 5000, 30720, 5000, Rgb{255, 255, 0});
    }
    // The back colour all over the area, the picture at its top left: 10
    // picture pixels are 150 drawing units, 4.6875 image pixels.
    expectPixels(img, {{2, 2, Rgb{0, 255, 0}},
                       {6, 6, render::kWhite},
                       {475, 10, Rgb{255, 0, 0}},
                       {400, 200, render::kWhite},
                       {479, 329, render::kWhite},
                       {500, 10, Rgb{0, 0, 255}}});
    EXPECT_FALSE(contains(img, Rgb{255, 255, 0}, QRect(481, 0, 119, 330)));
    EXPECT_FALSE(contains(img, render::kWhite, QRect(481, 0, 119, 330)));

    // A caller that limits its painter keeps that limit.
    img.fill(Qt::blue);
    {
        QPainter painter(&img);
        painter.setClipRect(QRect(0, 0, 100, 100));
        QtSurface s(painter, QRectF(0, 0, 480, 330));
        s.filledBox(0, 0, 15360, 10560, Rgb{255, 0, 0});
    }
    expectPixels(img, {{50, 50, Rgb{255, 0, 0}}, {200, 200, Rgb{0, 0, 255}}});
}

// The box path of the surface; with `OneByOne` every box is painted before
// the next, so nothing is merged.
template <bool OneByOne> class Boxes : public QtSurface {
  public:
    using QtSurface::QtSurface;

  protected:
    void doBox(double x1, double y1, double x2, double y2, Rgb outline, const Rgb* fill) override {
        QtSurface::doBox(x1, y1, x2, y2, outline, fill);
        if (OneByOne) flush();
    }
    std::optional<render::PixelTarget> doPixels() override { return std::nullopt; }
};

// A radial result of `gridNX` columns drawn as a gradient by the surface `S`.
template <class S>
QImage RadialGradient(int gridNX, bool white, ColourScheme colours = ColourScheme::Classic) {
    Project p;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.ResetProject();
    FillPlan(p, [&](int i, int j) {
        const double di = i - 0.4 * p.GridNX, dj = j - 0.5 * p.GridNY;
        return 100.0 / (1.0 + (di * di + dj * dj) * 400.0 / (gridNX * gridNX));
    });
    p.XY.MaxDensity = 100.0;
    p.DisplayMode = ResultStyle::Gradient;
    p.WhiteBackground = white;
    p.Display.Colours = colours;
    QImage img(kSmall, QImage::Format_RGB32);
    S s(img);
    s.setBackColour(white ? render::kWhite : render::kBlack);
    render::DotRandom rnd;
    render::redrawView(p, s, rnd);
    return img;
}

// A result finer than the image's pixels is painted node by node into the
// pixels; it must look like the box-by-box drawing, and a coarser one must
// still be drawn box by box.
TEST(GradientPixels, FineCellsLookLikeTheirBoxesAndCoarseOnesAreBoxes) {
    // A 100-column cell is 4.8 pixels wide here, a 1000-column one 0.48.
    for (auto [gridNX, sameShare] : {std::pair{100, 1.0}, {1000, 0.99}})
        for (auto [white, colours] : {std::pair{false, ColourScheme::Classic},
                                      {true, ColourScheme::Classic},
                                      {true, ColourScheme::ColourBlindSafe}}) {
            SCOPED_TRACE(::testing::Message()
                         << gridNX << (white ? " on white" : " on black") << int(colours));
            const QImage fast = RadialGradient<QtSurface>(gridNX, white, colours),
                         boxes = RadialGradient<Boxes<false>>(gridNX, white, colours);
            int same = 0;
            for (int y = 0; y < fast.height(); ++y)
                for (int x = 0; x < fast.width(); ++x)
                    same += fast.pixel(x, y) == boxes.pixel(x, y);
            EXPECT_GE(same, sameShare * fast.width() * fast.height());
        }
}

TEST(QtSurface, MergedBoxesPaintTheSamePixelsAsBoxByBox) {
    const auto same = [](const std::function<void(render::Surface&)>& draw) {
        QImage merged(kSmall, QImage::Format_RGB32), single(kSmall, QImage::Format_RGB32);
        {
            Boxes<false> a(merged);
            draw(a);
            Boxes<true> b(single);
            draw(b);
        }
        return merged == single;
    };
    for (int gridNX : {20, 300}) {
        Project p;
        p.GridNX = static_cast<std::int16_t>(gridNX);
        FillPlan(p, [](int i, int j) { return (i * 7 + j * 3) % 11 < 4 ? 3.0 : (i + j) % 11; });
        p.DisplayMode = ResultStyle::Gradient;
        p.WhiteBackground = true;
        EXPECT_TRUE(same([&](render::Surface& s) {
            render::DotRandom rnd;
            render::redrawView(p, s, rnd);
        })) << "grid "
            << gridNX;
    }
    // Columns of boxes with mixed fills and outlines, some painted twice.
    EXPECT_TRUE(same([](render::Surface& s) {
        render::DotRandom rnd(7);
        const Rgb colours[] = {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}};
        s.clear();
        s.setFillStyle(render::FillStyle::Solid);
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 12; ++j) {
                Rgb fill = colours[rnd.next() < 0.5 ? 0 : 1];
                s.setFillColour(fill);
                s.box(i * 600, j * 600, i * 600 + 600, j * 600 + 600,
                      rnd.next() < 0.5 ? fill : colours[2]);
                if (rnd.next() < 0.3) {
                    const Rgb outline = colours[rnd.next() < 0.5 ? 1 : 2];
                    if (rnd.next() < 0.3) s.setFillColour(colours[0]);
                    s.box(i * 600, j * 600, i * 600 + 600, j * 600 + 600, outline);
                }
            }
    }));
}

QImage draw(Project& p, int mode, QSize size = kSmall) {
    p.DisplayMode = static_cast<ResultStyle>(mode);
    render::DotRandom rnd;
    return RenderProjectImage(p, size, rnd);
}

TEST(RenderedStyle, GradientShowsEveryLevelOnEitherBackground) {
    Project p = SmallProject();
    const QImage img = draw(p, 1);
    ASSERT_EQ(img.size(), kSmall);
    // Column i holds level min(i, 10); sample inside each cell, away from the notes.
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(at(img, i * kCell + 12, 6 * kCell + 12), render::GradientColour(i, false)) << i;
    // The colour scale's lowest box (red) stands just above the bottom strip.
    EXPECT_EQ(at(img, 3, (9600 - 200 - 255 + 100) * 480 / 15360), (Rgb{255, 0, 0}));

    p.WhiteBackground = true; // level 3 is a weak cell with a white outline
    expectPixels(draw(p, 1), {{0 * kCell + 12, 6 * kCell + 12, render::kWhite},
                              {3 * kCell + 12, 6 * kCell + 12, Rgb{255, 255, 103}},
                              {8 * kCell + 12, 6 * kCell + 12, Rgb{255, 103, 0}},
                              {3 * kCell + 12, 6 * kCell, render::kWhite}});
}

TEST(RenderedStyle, IsolinesDrawDashesAndTheMaximumMark) {
    Project p = SmallProject();
    p.IsolineCount = 2;
    p.XY.IsolineLevel = {0, 5, 10};
    p.XY.Isolines.reset(2);
    p.XY.IsolinesAux.reset(2);
    p.XY.IsolinesAux.append(1, 4, 6); // between columns 4 and 5 of row 6
    const QImage img = draw(p, 0);
    const Rgb line = render::isolineColour(p.Display);
    EXPECT_TRUE(contains(img, line, QRect(5 * kCell - 1, 6 * kCell + 9, 3, 6)));
    // The mark's value is printed from the centre of the maximum's cell.
    EXPECT_TRUE(contains(img, render::markColour(p.Display),
                         QRect(10 * kCell + 12, 5 * kCell + 12, 3 * kCell, kCell / 2), 90));
    EXPECT_FALSE(contains(img, line, QRect(15 * kCell, 8 * kCell, kCell, kCell)));
}

TEST(RenderedStyle, DotsInTheirSchemeColoursAndAZoomedGradient) {
    Project p = SmallProject();
    p.Display.DotJitter = 0.0;
    p.Display.DotScheme = 4; // green from white
    p.Display.DotRadius = 120;
    p.WhiteBackground = true;
    // Level 1 is below 15 %: no dot, the white back colour.
    expectPixels(draw(p, 3), {{10 * kCell, 6 * kCell, render::DotColour(4, 10)},
                              {8 * kCell, 6 * kCell, render::DotColour(4, 8)},
                              {1 * kCell, 6 * kCell, render::kWhite}});

    // A zoomed view draws only what the target shows.
    p = SmallProject();
    p.Zoom = 6.0;
    p.ScrollOffsetX = -6 * 768 * 10; // column 10 at the left edge
    // One cell is 144 pixels now: column 10 (the maximum's level) at the left, level 10 on.
    expectPixels(draw(p, 1), {{70, 6 * kCell + 70, Rgb{255, 0, 0}},
                              {144 + 70, 6 * kCell + 70, Rgb{255, 0, 0}}});
    p.ScrollOffsetX = -6 * 768 * 9;
    const QImage nine = draw(p, 1);
    EXPECT_EQ(at(nine, 70, 6 * kCell + 70), render::GradientColour(9, false));
}

// Height in pixels of the first text line drawn in the colour.
int FirstLineHeight(const QImage& img, Rgb c) {
    int top = -1, y = 0;
    for (; y < img.height(); ++y) {
        const bool ink = contains(img, c, QRect(0, y, img.width(), 1), 120);
        if (ink && top < 0) top = y;
        if (!ink && top >= 0) break;
    }
    return top < 0 ? 0 : y - top;
}

TEST(Legibility, TextsOfASmallWindowStayReadable) {
    // The legal notes at 5 points are some 3 pixels high in a 480-pixel
    // window; on screen they grow to the 8-pixel minimum.
    int height[2] = {0, 0};
    for (bool screen : {false, true}) {
        QImage img(kSmall, QImage::Format_RGB32);
        img.fill(Qt::black);
        {
            QtSurface s(img);
            if (screen) s.setScreenLegibility(96);
            render::DrawLegalNotes(s);
        }
        height[screen] = FirstLineHeight(img, render::kTeal);
    }
    EXPECT_LE(height[0], 4);
    EXPECT_GE(height[1], 6);
}

TEST(Legibility, ZoomedLabelsStopAtTheMaximumAndPaperKeepsItsSizes) {
    QImage img(1024, 704, QImage::Format_RGB32);
    QtSurface s(img);
    s.setScreenLegibility(96);
    s.setFontSize(30); // the maximum's value at 300 %: 40 pixels unchecked
    EXPECT_LE(s.textPoints() * QtSurface::kUnitsPerPoint / s.unitsPerPixel(), 14.0 + 1e-9);

    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("page.pdf"));
    QPainter painter(&pdf);
    QtSurface paper(painter, QRectF(0, 0, 2000, 1400));
    paper.setScreenLegibility(96);
    EXPECT_FALSE(paper.legibility().any());
}

} // namespace
} // namespace brenvik::qtsurface

int main(int argc, char** argv) {
    // Text drawing needs the application's font database; no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
