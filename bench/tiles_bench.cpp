// The tile kernel of brenvik-tiles: pixels times antennas per second on one
// core, for parametric panels, imported patterns and adaptive arrays (one
// 8 x 8 array's envelope shared by every antenna), the vector loop
// beside the plain one in the same run. The per-core pixel rate of a
// country-scale run is this figure over the mean number of antennas a tile
// takes.
#include "tiles/TileRun.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <random>

using namespace brenvik;
using namespace brenvik::tiles;

namespace {

// A 1.28 km square tile at 5 m with `antennas` antennas spread over and
// around it: parametric panels (beam 0), imported patterns (1) or adaptive
// arrays (2).
Manifest DenseTile(int antennas, int beam) {
    const bool patterns = beam == 1;
    Manifest m;
    m.grid = {0.0, 1280.0, 5.0, 256, 256, 256};
    TileEntry tile;
    tile.window = m.grid.window(0);
    tile.bounds = m.grid.bounds(tile.window);
    m.tiles.push_back(tile);
    if (patterns) {
        AntennaPattern p;
        p.Name = "bench";
        for (int a = 0; a < 360; ++a) {
            const double d = a <= 180 ? a : 360 - a;
            p.Horizontal.Angle.push_back(a);
            p.Horizontal.Loss.push_back(std::min(25.0, 12.0 * (d / 65.0) * (d / 65.0)));
            p.Vertical.Angle.push_back(a);
            p.Vertical.Loss.push_back(std::min(20.0, 12.0 * (d / 7.0) * (d / 7.0)));
        }
        m.patterns.push_back(p);
    }
    if (beam == 2) m.arrays.push_back(antenna::ArrayParams{});
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> pos(-500.0, 1780.0), az(0.0, 360.0);
    for (int k = 0; k < antennas; ++k) {
        TileAntenna a;
        a.x = pos(rng);
        a.y = pos(rng);
        a.z = 30.0;
        a.erpW = 1000.0;
        a.azimuthDeg = az(rng);
        a.tiltDeg = 4.0;
        a.pattern = patterns ? 0 : -1;
        a.array = beam == 2 ? 0 : -1;
        a.inverseLimit = 1.0 / 450.0;
        a.reachM = std::numeric_limits<double>::infinity(); // every pair is summed
        m.antennas.push_back(a);
        m.tiles[0].antennas.push_back(k);
    }
    m.standard = "icnirp-2020";
    return m;
}

double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// One tile in the vector loop, then in the plain loop, alternately on one
// worker; the rates are pixel-antenna pairs per second of process time.
void TileKernel(benchmark::State& state) {
    const Manifest m =
        DenseTile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    // The envelope made once, as a process computing several tiles makes it.
    antenna::EnvelopeCache envelopes;
    for (const antenna::ArrayParams& a : m.arrays)
        envelopes.Get(a);
    WorkOptions vector, scalar;
    vector.threads = scalar.threads = 1;
    vector.envelopes = scalar.envelopes = &envelopes;
    scalar.scalar = true;
    TileValues v;
    std::string error;
    double tVector = 0.0, tScalar = 0.0;
    for (auto _ : state) {
        const double t0 = ProcessSeconds();
        if (!ComputeTile(m, 0, v, vector, error)) state.SkipWithError(error.c_str());
        const double t1 = ProcessSeconds();
        if (!ComputeTile(m, 0, v, scalar, error)) state.SkipWithError(error.c_str());
        const double t2 = ProcessSeconds();
        tVector += t1 - t0;
        tScalar += t2 - t1;
        benchmark::DoNotOptimize(v.density.data());
    }
    const double pairs = 256.0 * 256.0 * static_cast<double>(state.range(0)) *
                         static_cast<double>(state.iterations());
    state.counters["pairs_per_core_s"] = tVector > 0.0 ? pairs / tVector : 0.0;
    state.counters["scalar_pairs_per_core_s"] = tScalar > 0.0 ? pairs / tScalar : 0.0;
    state.counters["speedup_vs_scalar"] = tVector > 0.0 ? tScalar / tVector : 0.0;
}

// What one task reads before it computes: the inputs of tile
// BRENVIK_TILES_INDEX of the plan in BRENVIK_TILES_PLAN (scripts/tiles-figures.sh
// picks the tile with the most antennas of a national plan). Run it alone
// under /usr/bin/time for the task's peak memory.
void InputsOfOneTask(benchmark::State& state) {
    const char* dir = std::getenv("BRENVIK_TILES_PLAN");
    const char* index = std::getenv("BRENVIK_TILES_INDEX");
    if (!dir || !index) {
        state.SkipWithError("set BRENVIK_TILES_PLAN and BRENVIK_TILES_INDEX");
        return;
    }
    const int k = std::atoi(index);
    int antennas = 0;
    for (auto _ : state) {
        const TileInputsRead in = ReadTileInputs(dir, k);
        if (!in.inputs) {
            state.SkipWithError(in.error.c_str());
            return;
        }
        antennas = static_cast<int>(in.inputs->antennas.size());
    }
    state.counters["antennas"] = antennas;
    std::error_code ec;
    state.counters["bytes"] =
        static_cast<double>(std::filesystem::file_size(TileInputsPath(dir, k), ec));
}

} // namespace

BENCHMARK(TileKernel)
    ->Args({64, 0})
    ->Args({64, 1})
    ->Args({64, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(InputsOfOneTask)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
