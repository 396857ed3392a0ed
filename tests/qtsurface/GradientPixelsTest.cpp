// A result finer than the image's pixels is painted node by node into the
// pixels; it must look like the box-by-box drawing, and a coarser one must
// still be drawn box by box.

#include "model/Project.h"
#include "qtsurface/QtSurface.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace brenvik;
using brenvik::qtsurface::QtSurface;

namespace {

// The QPainter surface without its pixels: every cell drawn as a box.
class BoxesOnly : public QtSurface {
  public:
    using QtSurface::QtSurface;

  protected:
    std::optional<render::PixelTarget> doPixels() override { return std::nullopt; }
};

Project Radial(int gridNX) {
    Project p;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.ResetProject();
    for (int i = 0; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY; ++j) {
            const double di = i - 0.4 * p.GridNX, dj = j - 0.5 * p.GridNY;
            p.DensityGrid(i, j) = 100.0 / (1.0 + (di * di + dj * dj) * 400.0 / (gridNX * gridNX));
        }
    p.MaxDensity = 100.0;
    p.XYCalculated = 1;
    p.DisplayMode = ResultStyle::Gradient;
    return p;
}

template <class S> QImage Draw(const Project& p, bool white) {
    QImage img(480, 330, QImage::Format_RGB32);
    S s(img);
    s.setBackColour(white ? render::kWhite : render::kBlack);
    render::DotRandom rnd;
    render::redrawView(p, s, rnd);
    return img;
}

} // namespace

TEST(GradientPixels, FineCellsLookLikeTheirBoxesAndCoarseOnesAreBoxes) {
    // A 100-column cell is 4.8 pixels wide here, a 1000-column one 0.48.
    const struct {
        int gridNX;
        double sameShare; // of the pixels, at least
    } cases[] = {{100, 1.0}, {1000, 0.99}};
    for (const auto& c : cases)
        for (bool white : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.gridNX << (white ? " on white" : " on black"));
            Project p = Radial(c.gridNX);
            p.WhiteBackground = white ? 1 : 0;
            const QImage fast = Draw<QtSurface>(p, white), boxes = Draw<BoxesOnly>(p, white);
            int same = 0;
            for (int y = 0; y < fast.height(); ++y)
                for (int x = 0; x < fast.width(); ++x)
                    same += fast.pixel(x, y) == boxes.pixel(x, y);
            EXPECT_GE(same, c.sameShare * fast.width() * fast.height());
        }
}
