// Writing and reading a large project: a 1000 x 687 grid with a ground model,
// an XY result and its isolines, in memory and through the atomic save.
#include "export/CsvExport.h"
#include "model/ProjectFile.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace brenvik;

namespace {

Project LargeProject() {
    Project p;
    p.GridNX = 1000; // CellSize 15, GridNY 687
    p.RecomputeDerived();
    const int nx = p.GridNX, ny = p.GridNY;
    p.GroundGrid.resize(nx, ny);
    p.XY.Density.resize(nx, ny);
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) {
            p.GroundGrid(i, j) = (i / 100 + j / 80) % 4 * 3.0;
            const double dx = i - 400.0, dy = j - 300.0;
            p.XY.Density(i, j) = 12.5 / (1.0 + 0.01 * (dx * dx + dy * dy));
        }
    p.AntennaCount = 12;
    p.EnsureAntennaSlots(12);
    for (int k = 1; k <= 12; ++k) {
        p.Antennas[static_cast<std::size_t>(k)] = Antenna{30,
                                                          6,
                                                          PowerMode::Maximum,
                                                          1600,
                                                          30.0 * k,
                                                          HeightUnit::Floors,
                                                          AntennaKind::Panel,
                                                          1,
                                                          12,
                                                          6000.5,
                                                          4500.25,
                                                          1,
                                                          {},
                                                          0};
    }
    p.XY.Calculated = true;
    p.IsolineCount = 7;
    p.XY.IsolineLevel = {0, 12, 6, 3, 1.5, .75, .375, .1875};
    p.XY.Isolines.reset(7);
    p.XY.IsolinesAux.reset(7);
    // Crossing cells of each level around the source, as the calculation
    // records them: the slot counter runs over all levels together.
    for (int k = 1; k <= 7; ++k) {
        const double r = 10.0 * std::sqrt(12.5 / p.XY.IsolineLevel[static_cast<std::size_t>(k)]);
        const int n = static_cast<int>(2 * 3.14159 * r * 2);
        for (int s = 0; s < n; ++s) {
            const double a = 6.28318 * s / n;
            p.XY.Isolines.append(k, static_cast<std::int16_t>(400 + r * std::cos(a)),
                                 static_cast<std::int16_t>(300 + r * std::sin(a)));
            if (s % 4 == 0)
                p.XY.IsolinesAux.append(k, static_cast<std::int16_t>(400 + r * std::cos(a)),
                                        static_cast<std::int16_t>(300 + r * std::sin(a)));
        }
    }
    p.XY.MaxDensity = 12.5;
    p.XY.MaxPosX = Variant::real(6000);
    p.XY.MaxPosY = Variant::integer(4500);
    return p;
}

const Project& Large() {
    static const Project p = LargeProject();
    return p;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_WriteProjectText(benchmark::State& state) {
    for (auto _ : state) {
        std::string text;
        WriteProjectText(Large(), text);
        benchmark::DoNotOptimize(text.data());
        state.counters["bytes"] = static_cast<double>(text.size());
    }
}
BENCHMARK(BM_WriteProjectText)->Unit(benchmark::kMillisecond);

void BM_ReadProjectText(benchmark::State& state) {
    std::string text;
    WriteProjectText(Large(), text);
    for (auto _ : state) {
        Project p;
        bool ok = ReadProjectText(p, text);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["lines"] = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
}
BENCHMARK(BM_ReadProjectText)->Unit(benchmark::kMillisecond);

void BM_SaveProjectFile(benchmark::State& state) {
    const std::string path = TempPath("brenvik_file_bench.bvk");
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveProjectFile(Large(), path));
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveProjectFile)->Unit(benchmark::kMillisecond);

void BM_LoadProjectFile(benchmark::State& state) {
    const std::string path = TempPath("brenvik_file_bench_load.bvk");
    SaveProjectFile(Large(), path);
    for (auto _ : state) {
        Project p;
        benchmark::DoNotOptimize(LoadProjectFile(p, path));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadProjectFile)->Unit(benchmark::kMillisecond);

void BM_CsvConcentrationsGeographic(benchmark::State& state) {
    for (auto _ : state) {
        std::string text;
        WriteCsv(Large(), CsvExport::ConcentrationsGeographic, text);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_CsvConcentrationsGeographic)->Unit(benchmark::kMillisecond);

// The export as it is saved: a chunk at a time, here to a sink that keeps
// nothing, so only the formatting is measured.
void BM_CsvConcentrationsStreamed(benchmark::State& state) {
    const Project& p = Large();
    for (auto _ : state) {
        std::string buffer;
        std::size_t bytes = 0;
        ChunkedText text(buffer, [&bytes](std::string_view s) {
            bytes += s.size();
            return true;
        });
        WriteCsv(p, CsvExport::ConcentrationsGeographic, text);
        text.flush();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * (p.GridNX * std::int64_t{p.GridNY}));
}
BENCHMARK(BM_CsvConcentrationsStreamed)->Unit(benchmark::kMillisecond);

// The bound of any export: a record number and three shortest-form doubles
// per node, nothing else.
void BM_ToCharsLoop(benchmark::State& state) {
    const Project& p = Large();
    std::string buffer(1 << 20, '\0');
    for (auto _ : state) {
        char* out = buffer.data();
        char* const end = out + buffer.size() - 128;
        std::int64_t n = 0;
        for (int j = 1; j <= p.GridNY; ++j)
            for (int i = 1; i <= p.GridNX; ++i) {
                if (out > end) out = buffer.data();
                out = std::to_chars(out, end, ++n).ptr;
                out = std::to_chars(out, end, -3.7 + i * 1.3e-4).ptr;
                out = std::to_chars(out, end, 40.4 + j * 1.1e-4).ptr;
                out = std::to_chars(out, end, p.XY.Density(i, j)).ptr;
            }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * (p.GridNX * std::int64_t{p.GridNY}));
}
BENCHMARK(BM_ToCharsLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
