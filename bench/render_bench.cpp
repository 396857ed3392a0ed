// Redraw cost of the result layers: the recording surface (the renderers
// alone) and the QPainter surface onto a 1920 × 1080 image.

#include "model/Project.h"
#include "qtsurface/QtSurface.h"
#include "render/Dots.h"
#include "render/RecordingSurface.h"
#include "render/Scene.h"

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <map>

using namespace brenvik;

namespace {

// A calculated plan of the given grid with a field falling off from one
// antenna, a terrain step and one antenna symbol.
Project BenchProject(int gridNX) {
    Project p;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.XY.Density.resize(p.GridNX, p.GridNY);
    const double cx = p.GridNX * 0.4, cy = p.GridNY * 0.5;
    double maximum = 0;
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j) {
            const double r2 =
                ((i - cx) * (i - cx) + (j - cy) * (j - cy)) * 1e4 / (p.GridNX * p.GridNX);
            const double d = 450.0 / (1.0 + r2);
            p.XY.Density(i, j) = d;
            maximum = std::max(maximum, d);
        }
    for (int i = p.GridNX / 2; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY / 3; ++j)
            p.GroundGrid(i, j) = 12.0;
    p.XY.MaxDensity = maximum;
    p.XY.MaxPosX = Variant::real(cx * p.CellSize);
    p.XY.MaxPosY = Variant::integer(cy * p.CellSize);
    p.XY.Calculated = true;
    p.AntennaCount = 1;
    p.EnsureAntennaSlots(1);
    p.Antennas[1].AntX = cx * p.CellSize;
    p.Antennas[1].AntY = cy * p.CellSize;
    return p;
}

// The project of the finest grid is built once for the benchmarks that share it.
Project& SharedProject(int gridNX) {
    static std::map<int, Project> made;
    auto it = made.find(gridNX);
    if (it == made.end()) it = made.emplace(gridNX, BenchProject(gridNX)).first;
    return it->second;
}

// The floor of any redraw of a fine result: every node mapped to its colour
// and set in the 1920 × 1080 image, nothing else.
void PlainNodeLoop(benchmark::State& state, int gridNX) {
    const Project& p = SharedProject(gridNX);
    QImage image(1920, 1080, QImage::Format_RGB32);
    const double scale = std::min(1920.0 / 15360.0, 1080.0 / 10560.0);
    std::uint32_t colours[11];
    for (int l = 0; l <= 10; ++l) {
        const render::Rgb c = render::GradientColour(l, true);
        colours[l] = 0xff000000u | c.r << 16 | c.g << 8 | c.b;
    }
    auto* bits = reinterpret_cast<std::uint32_t*>(image.bits());
    const std::ptrdiff_t stride = image.bytesPerLine() / 4;
    for (auto _ : state) {
        for (int i = 0; i <= p.GridNX; ++i) {
            const double* col = p.XY.Density.column(i);
            std::uint32_t* px = bits + static_cast<std::ptrdiff_t>(i * p.CellSize * scale);
            for (int j = 0; j <= p.GridNY; ++j) {
                const int level = static_cast<int>(10.0 * col[j] / p.XY.MaxDensity);
                const auto row = static_cast<std::ptrdiff_t>(j * p.CellSize * scale);
                if (row < 1080) px[row * stride] = colours[std::clamp(level, 0, 10)];
            }
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["nodes"] = double(p.GridNX + 1) * (p.GridNY + 1);
}

void RedrawToImage(benchmark::State& state, int gridNX, int mode, double zoom) {
    Project local;
    Project& p = gridNX > 4000 ? SharedProject(gridNX) : (local = BenchProject(gridNX));
    p.DisplayMode = static_cast<ResultStyle>(mode);
    p.WhiteBackground = true;
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

void RedrawRecorded(benchmark::State& state, int gridNX, int mode) {
    Project p = BenchProject(gridNX);
    p.DisplayMode = static_cast<ResultStyle>(mode);
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

BENCHMARK_CAPTURE(RedrawToImage, gradient_default_grid, 100, 1, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawToImage, gradient_1000x687, 1000, 1, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawToImage, gradient_1000x687_zoom4, 1000, 1, 4.0)
    ->Unit(benchmark::kMillisecond);
// The finest grid on a full-HD image: eight cells to a pixel.
BENCHMARK_CAPTURE(RedrawToImage, gradient_15360x10560, 15360, 1, 1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlainNodeLoop, gradient_15360x10560, 15360)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawToImage, isolines_default_grid, 100, 0, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawToImage, numerical_default_grid, 100, 2, 1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawToImage, dots_default_grid, 100, 3, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawRecorded, gradient_default_grid, 100, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RedrawRecorded, gradient_1000x687, 1000, 1)->Unit(benchmark::kMillisecond);

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
