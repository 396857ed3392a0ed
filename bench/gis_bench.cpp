// The map layers of a 2000-column XY result against the raw grid dump of the
// same result, in the same run: the GeoTIFF and the isolines as GeoJSON.
#include "batch/GridDump.h"
#include "gis/GisExport.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace brenvik;

namespace {

Project WideResult() {
    Project p;
    p.GridNX = 2000;
    p.RecomputeDerived();
    const int nx = p.GridNX, ny = p.GridNY;
    p.XY.Density.resize(nx, ny);
    // Three towers' worth of decaying lobes, so the isolines have some shape.
    const double towers[3][2] = {{500, 400}, {1200, 900}, {1600, 300}};
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) {
            double v = 0;
            for (const auto& t : towers) {
                const double dx = i - t[0], dy = j - t[1];
                v += 12.5 * (1.2 + std::sin(std::atan2(dy, dx) * 3)) /
                     (1.0 + 0.002 * (dx * dx + dy * dy));
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
        if (gis::writeGisFile(p, f, path)) state.SkipWithError("export failed");
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_GridXYDump)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gis, GeoTiff, gis::GisFormat::GeoTiff, "brenvik-bench.tif")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Gis, IsolinesGeoJson, gis::GisFormat::IsolinesGeoJson, "brenvik-bench.geojson")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
