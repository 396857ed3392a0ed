// The map layers of a 2000-column XY result against the raw grid dump of the
// same result, in the same run: the GeoTIFF and the isolines as GeoJSON; and
// how long each map layer of an 8000-column result takes to stop after a
// cancel raised part of the way through.
#include "batch/GridDump.h"
#include "gis/GisExport.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace brenvik;

namespace {

Project WideResult(int columns = 2000) {
    Project p;
    p.GridNX = columns;
    p.RecomputeDerived();
    const int nx = p.GridNX, ny = p.GridNY;
    p.XY.Density.resize(nx, ny);
    // Three towers' worth of decaying lobes, so the isolines have some shape.
    const double k = columns / 2000.0;
    const double towers[3][2] = {{500 * k, 400 * k}, {1200 * k, 900 * k}, {1600 * k, 300 * k}};
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) {
            double v = 0;
            for (const auto& t : towers) {
                const double dx = i - t[0], dy = j - t[1];
                v += 12.5 * (1.2 + std::sin(std::atan2(dy, dx) * 3)) /
                     (1.0 + 0.002 / (k * k) * (dx * dx + dy * dy));
            }
            p.XY.Density(i, j) = v;
        }
    p.XY.Calculated = true;
    p.XY.MaxDensity = 0;
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j)
            if (p.XY.Density(i, j) > p.XY.MaxDensity) {
                p.XY.MaxDensity = p.XY.Density(i, j);
                p.XY.MaxPosX = Variant::real(double(i) * p.CellSize);
                p.XY.MaxPosY = Variant::integer(j * p.CellSize);
            }
    p.IsolineCount = 7;
    p.XY.IsolineLevel.assign(8, 0.0);
    for (int k = 1; k <= 7; ++k)
        p.XY.IsolineLevel[static_cast<std::size_t>(k)] = p.XY.MaxDensity * k / 8;
    return p;
}

const Project& Shared() {
    static const Project p = WideResult();
    return p;
}

std::string Target(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_GridXYDump(benchmark::State& state) {
    const Project& p = Shared();
    const std::string path = Target("brenvik-bench-grid.csv");
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        batch::writeGridDump(out, p.XY.Density, p.GridNX, p.GridNY);
        out.close();
    }
    std::remove(path.c_str());
}

void BM_Gis(benchmark::State& state, gis::GisFormat f, const char* name) {
    const Project& p = Shared();
    const std::string path = Target(name);
    for (auto _ : state)
        if (gis::WriteGisFile(p, f, path)) state.SkipWithError("export failed");
    std::remove(path.c_str());
}

// The time from the cancel to the export's return, the cancel raised after
// state.range(0) percent of an uncancelled export's time.
void BM_GisCancel(benchmark::State& state, gis::GisFormat f) {
    static const Project p = WideResult(8000);
    const std::string path = Target("brenvik-bench-cancel");
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    gis::WriteGisFile(p, f, path);
    const auto whole = Clock::now() - t0;
    for (auto _ : state) {
        Feedback stop;
        Clock::time_point raised{};
        std::thread cancel([&] {
            std::this_thread::sleep_for(whole * state.range(0) / 100);
            raised = Clock::now();
            stop.cancel();
        });
        const auto failed = gis::WriteGisFile(p, f, path, &stop);
        const auto ended = Clock::now();
        cancel.join();
        if (!failed) {
            state.SkipWithError("finished before the cancel");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(ended - raised).count());
    }
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_GridXYDump)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gis, GeoTiff, gis::GisFormat::GeoTiff, "brenvik-bench.tif")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gis, IsolinesGeoJson, gis::GisFormat::IsolinesGeoJson, "brenvik-bench.geojson")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_GisCancel, GeoTiff, gis::GisFormat::GeoTiff)
    ->DenseRange(10, 90, 20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GisCancel, GeoPackage, gis::GisFormat::GeoPackage)
    ->DenseRange(10, 90, 20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GisCancel, Kmz, gis::GisFormat::Kmz)
    ->DenseRange(10, 90, 20)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
