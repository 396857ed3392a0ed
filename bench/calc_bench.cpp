// Throughput of the grid calculations: node-antenna evaluations per second on
// a large plan, with every core and the vector loops, against the plain scalar
// loop on one thread, and each model's vector loop against its plain loop in
// the same run; the cost of the exposure ratio beside the density; and the
// total time of the default project; the far-field model with imported
// patterns, and with adaptive antennas' envelopes, against the specified one.
#include "antenna/Adaptive.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "calc/Ground.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <ctime>

using namespace brenvik;

namespace {

// 20 towers of mixed types, directions and tilts (one to three antennas each)
// on stepped ground.
Project LargeSite(int gridNX, int towers) {
    Project p;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    for (int t = 0; t < towers; ++t) {
        TowerBeginNew(p);
        const int antennas = 1 + t % 3;
        for (int k = 1; k < antennas; ++k)
            TowerAddAntenna(p);
        for (int k = 1; k <= antennas; ++k) {
            Antenna& a = p.Antennas[p.AntennaCount + k];
            a.AntType = (t + k) % 4 == 0 ? AntennaKind::Stick : AntennaKind::Panel;
            a.AntDirection = (t * 47 + k * 120) % 360;
            a.AntTilt = (t % 5) * 4 - 3;
            a.AntHeight = 9 + (t % 6) * 4;
            a.AntPower = t % 2 ? 1600 : 300;
        }
        const int i = p.GridNX * (1 + (t * 7) % 19) / 21;
        const int j = p.GridNY * (1 + (t * 11) % 17) / 19;
        PlaceTower(p, i * p.CellSize, j * p.CellSize, 1.0);
    }
    for (int s = 0; s < 8; ++s) {
        p.ContourHeight = 3.0 * (s + 1);
        FillGroundRect(p, p.GridNX * s / 10, p.GridNY * s / 12, p.GridNX * (s + 3) / 10,
                       p.GridNY * (s + 4) / 12);
    }
    p.CalcOption = CalcLevel::AtSurface;
    return p;
}

void RunXY(benchmark::State& state, unsigned threads, bool scalar) {
    Project p = LargeSite(1000, 20);
    CalcControl c;
    c.threads = threads;
    c.scalarReference = scalar;
    for (auto _ : state) {
        const CalcOutcome r = RunXYCalculation(p, c);
        if (!r.ok()) state.SkipWithError("calculation failed");
        benchmark::DoNotOptimize(p.XY.MaxDensity);
    }
    const double evals = static_cast<double>(p.AntennaCount) * p.GridNX * p.GridNY;
    state.counters["antennas"] = p.AntennaCount;
    state.counters["evals/s"] =
        benchmark::Counter(evals, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_XY1000_AllCores(benchmark::State& s) {
    RunXY(s, 0, false);
}
void BM_XY1000_OneThread(benchmark::State& s) {
    RunXY(s, 1, false);
}
void BM_XY1000_ScalarOneThread(benchmark::State& s) {
    RunXY(s, 1, true);
}

// The calculation's own processor time, immune to other programs' load.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Density alone and density with the ratio, alternately on one thread in the
// same run; "ratio_cost" is the time with the ratio over the time without.
void BM_XY1000_RatioCost(benchmark::State& state) {
    Project p = LargeSite(1000, 20);
    CalcControl alone;
    alone.threads = 1;
    CalcControl withRatio = alone;
    withRatio.inverseLimit.assign(static_cast<std::size_t>(p.AntennaCount) + 1, 1.0 / 450);
    double tAlone = 0.0, tRatio = 0.0;
    for (auto _ : state) {
        double t0 = ThreadSeconds();
        if (!RunXYCalculation(p, alone).ok()) state.SkipWithError("calculation failed");
        double t1 = ThreadSeconds();
        if (!RunXYCalculation(p, withRatio).ok()) state.SkipWithError("calculation failed");
        double t2 = ThreadSeconds();
        tAlone += t1 - t0;
        tRatio += t2 - t1;
        benchmark::DoNotOptimize(p.XY.Ratio.data());
    }
    state.counters["ratio_cost"] = tAlone > 0.0 ? tRatio / tAlone : 0.0;
}

void BM_DefaultProject(benchmark::State& state) {
    Project p = LargeSite(100, 5);
    for (auto _ : state) {
        const CalcOutcome r = RunXYCalculation(p);
        if (!r.ok()) state.SkipWithError("calculation failed");
        benchmark::DoNotOptimize(p.XY.MaxDensity);
    }
}

void BM_XZ1000_AllCores(benchmark::State& state) {
    Project p = LargeSite(1000, 20);
    XZDialogAccept(p, "40");
    for (auto _ : state) {
        const CalcOutcome r = RunXZCalculation(p);
        if (!r.ok()) state.SkipWithError("calculation failed");
    }
}

// The same site in the far-field model, every antenna with an imported
// pattern: a made-up panel beam listed every degree, as pattern files are.
Project FarFieldSite() {
    Project p = LargeSite(1000, 20);
    AntennaPattern q;
    q.Name = "bench";
    for (int a = 0; a < 360; ++a) {
        const double h = a <= 180 ? a : 360 - a, v = a <= 180 ? a : a - 360;
        q.Horizontal.Angle.push_back(a);
        q.Horizontal.Loss.push_back(std::min(12.0 * (h / 65) * (h / 65), 25.0));
        q.Vertical.Angle.push_back(a);
        q.Vertical.Loss.push_back(std::min(12.0 * (v / 7) * (v / 7), 20.0 + std::fabs(v) / 20));
    }
    p.Patterns = {q};
    for (int s = 1; s <= p.AntennaCount; ++s)
        p.Antennas[static_cast<std::size_t>(s)].AntPattern = "bench";
    p.Exposure.Model = ExposureModel::FarField;
    return p;
}

// The same site with every antenna an adaptive panel of 8 x 8 elements
// (the sticks made panels too: only a panel steers), read from its envelope.
Project AdaptiveSite() {
    Project p = LargeSite(1000, 20);
    for (int s = 1; s <= p.AntennaCount; ++s) {
        Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
        a.AntType = AntennaKind::Panel;
        a.AntArrayRows = a.AntArrayColumns = 8;
    }
    p.Exposure.Model = ExposureModel::FarField;
    return p;
}

// A far-field site against the specified model's, alternately on one thread;
// "rate_vs_specified" is the specified run's time over the far-field run's.
void VersusSpecified(benchmark::State& state, Project far,
                     antenna::EnvelopeCache* envelopes = nullptr) {
    Project specified = LargeSite(1000, 20);
    CalcControl c;
    c.threads = 1;
    c.envelopes = envelopes;
    double tFar = 0.0, tSpecified = 0.0;
    for (auto _ : state) {
        double t0 = ThreadSeconds();
        if (!RunXYCalculation(far, c).ok()) state.SkipWithError("calculation failed");
        double t1 = ThreadSeconds();
        if (!RunXYCalculation(specified, c).ok()) state.SkipWithError("calculation failed");
        double t2 = ThreadSeconds();
        tFar += t1 - t0;
        tSpecified += t2 - t1;
    }
    const double evals = static_cast<double>(far.AntennaCount) * far.GridNX * far.GridNY;
    state.counters["rate_vs_specified"] = tFar > 0.0 ? tSpecified / tFar : 0.0;
    state.counters["far_evals/s"] = tFar > 0.0 ? evals * state.iterations() / tFar : 0.0;
}

void BM_XY1000_FarFieldVsSpecified(benchmark::State& state) {
    VersusSpecified(state, FarFieldSite());
}

// Adaptive antennas, their envelope kept from one calculation to the next
// as a session keeps it; "envelope_s" is the time to make it once.
void BM_XY1000_AdaptiveVsSpecified(benchmark::State& state) {
    antenna::EnvelopeCache envelopes;
    const double t0 = ThreadSeconds();
    envelopes.Get(antenna::ArrayOf(AdaptiveSite().Antennas[1]));
    const double t1 = ThreadSeconds();
    VersusSpecified(state, AdaptiveSite(), &envelopes);
    if (envelopes.made() != 1) state.SkipWithError("the antennas' arrays differ");
    state.counters["envelope_s"] = t1 - t0;
}

// The same with the envelope made afresh by every calculation.
void BM_XY1000_AdaptiveFreshVsSpecified(benchmark::State& state) {
    VersusSpecified(state, AdaptiveSite());
}

// The vector loop against the plain scalar loop on the same project, one
// run of each alternately on one thread, so that both see the same load on a
// shared machine; "speedup_vs_scalar" is the scalar time over the vector
// time. Run with --benchmark_repetitions=5 and read the median.
void VectorVsScalar(benchmark::State& state, Project p,
                    antenna::EnvelopeCache* envelopes = nullptr) {
    CalcControl vector;
    vector.threads = 1;
    vector.envelopes = envelopes;
    CalcControl scalar = vector;
    scalar.scalarReference = true;
    double tVector = 0.0, tScalar = 0.0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        if (!RunXYCalculation(p, vector).ok()) state.SkipWithError("calculation failed");
        const double t1 = ThreadSeconds();
        if (!RunXYCalculation(p, scalar).ok()) state.SkipWithError("calculation failed");
        const double t2 = ThreadSeconds();
        tVector += t1 - t0;
        tScalar += t2 - t1;
        benchmark::DoNotOptimize(p.XY.MaxDensity);
    }
    const double evals =
        static_cast<double>(p.AntennaCount) * p.GridNX * p.GridNY * state.iterations();
    state.counters["speedup_vs_scalar"] = tVector > 0.0 ? tScalar / tVector : 0.0;
    state.counters["vector_evals/s"] = tVector > 0.0 ? evals / tVector : 0.0;
    state.counters["scalar_evals/s"] = tScalar > 0.0 ? evals / tScalar : 0.0;
}

void BM_XY1000_VectorVsScalar(benchmark::State& state) {
    VectorVsScalar(state, LargeSite(1000, 20));
}

// The same for the far-field model's vector loop against its own plain loop.
void BM_XY1000_FarFieldVectorVsScalar(benchmark::State& state) {
    VectorVsScalar(state, FarFieldSite());
}

// The adaptive site's vector loop against its own plain loop, the envelope
// made once for both.
void BM_XY1000_AdaptiveVectorVsScalar(benchmark::State& state) {
    antenna::EnvelopeCache envelopes;
    VectorVsScalar(state, AdaptiveSite(), &envelopes);
}

// The ratio's cost beside the far-field density alone, as for the specified model.
void BM_XY1000_FarFieldRatioCost(benchmark::State& state) {
    Project p = FarFieldSite();
    CalcControl alone;
    alone.threads = 1;
    CalcControl withRatio = alone;
    withRatio.inverseLimit.assign(static_cast<std::size_t>(p.AntennaCount) + 1, 1.0 / 450);
    double tAlone = 0.0, tRatio = 0.0;
    for (auto _ : state) {
        double t0 = ThreadSeconds();
        if (!RunXYCalculation(p, alone).ok()) state.SkipWithError("calculation failed");
        double t1 = ThreadSeconds();
        if (!RunXYCalculation(p, withRatio).ok()) state.SkipWithError("calculation failed");
        double t2 = ThreadSeconds();
        tAlone += t1 - t0;
        tRatio += t2 - t1;
        benchmark::DoNotOptimize(p.XY.Ratio.data());
    }
    state.counters["ratio_cost"] = tAlone > 0.0 ? tRatio / tAlone : 0.0;
}

} // namespace

BENCHMARK(BM_XY1000_FarFieldVsSpecified)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_AdaptiveVsSpecified)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_AdaptiveFreshVsSpecified)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_AdaptiveVectorVsScalar)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_VectorVsScalar)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_FarFieldVectorVsScalar)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_FarFieldRatioCost)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_AllCores)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_ScalarOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XY1000_RatioCost)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DefaultProject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_XZ1000_AllCores)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
