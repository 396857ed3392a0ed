// Redraw cost of the result layers: the recording surface (the renderers
// alone) and the QPainter surface onto a 1920 × 1080 image.

#include "model/Project.h"
#include "qtsurface/QtSurface.h"
#include "render/Dots.h"
#include "render/RecordingSurface.h"
#include "render/Scene.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>

using namespace brenvik;

namespace {

// A calculated plan of the given grid with a field falling off from one
// antenna, a terrain step and one antenna symbol.
Project benchProject(int gridNX) {
    Project p;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.DensityGrid.resize(p.GridNX, p.GridNY);
    const double cx = p.GridNX * 0.4, cy = p.GridNY * 0.5;
    double maximum = 0;
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j) {
            const double r2 =
                ((i - cx) * (i - cx) + (j - cy) * (j - cy)) * 1e4 / (p.GridNX * p.GridNX);
            const double d = 450.0 / (1.0 + r2);
            p.DensityGrid(i, j) = d;
            maximum = std::max(maximum, d);
        }
    for (int i = p.GridNX / 2; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY / 3; ++j)
            p.GroundGrid(i, j) = 12.0;
    p.MaxDensity = maximum;
    p.MaxPosX = Variant::real(cx * p.CellSize);
    p.MaxPosY = static_cast<std::int16_t>(cy * p.CellSize);
    p.XYCalculated = 1;
    p.AntennaCount = 1;
    p.EnsureAntennaSlots(1);
    p.Antennas[1].AntX = cx * p.CellSize;
    p.Antennas[1].AntY = cy * p.CellSize;
    return p;
}

void redrawToImage(benchmark::State& state, int gridNX, int mode, double zoom) {
    Project p = benchProject(gridNX);
    p.DisplayMode = static_cast<std::int16_t>(mode);
    p.WhiteBackground = 1;
    p.Zoom = zoom;
    p.ScrollOffsetX = -(zoom - 1) * 15360 * 0.4;
    p.ScrollOffsetY = -(zoom - 1) * 10560 * 0.4;
    QImage image(1920, 1080, QImage::Format_RGB32);
    render::DotRandom rnd;
    for (auto _ : state) {
        qtsurface::QtSurface s(image);
        s.setBackColour(render::kWhite);
        render::redrawView(p, s, rnd);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["nodes"] = double(p.GridNX + 1) * (p.GridNY + 1);
}

void redrawRecorded(benchmark::State& state, int gridNX, int mode) {
    Project p = benchProject(gridNX);
    p.DisplayMode = static_cast<std::int16_t>(mode);
    render::DotRandom rnd;
    std::size_t count = 0;
    for (auto _ : state) {
        render::RecordingSurface s;
        s.primitives.reserve(count);
        render::redrawView(p, s, rnd);
        count = s.primitives.size();
        benchmark::DoNotOptimize(s.primitives.data());
    }
    state.counters["primitives"] = double(count);
}

} // namespace

BENCHMARK_CAPTURE(redrawToImage, gradient_default_grid, 100, 1, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawToImage, gradient_1000x687, 1000, 1, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawToImage, gradient_1000x687_zoom4, 1000, 1, 4.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawToImage, isolines_default_grid, 100, 0, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawToImage, numerical_default_grid, 100, 2, 1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawToImage, dots_default_grid, 100, 3, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawRecorded, gradient_default_grid, 100, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(redrawRecorded, gradient_1000x687, 1000, 1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Text drawing needs the application's font database.
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
