// brenvik-tiles: country-scale exposure maps computed as independent tiles
// (one per Slurm array task or Kubernetes index) and joined into one map.

#include "compliance/Limits.h"
#include "model/Feedback.h"
#include "model/Messages.h"
#include "tiles/Plan.h"
#include "tiles/TileRun.h"
#include "tilescli/Resume.h"
#include "tilescli/TilesOptions.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>

using namespace brenvik;

namespace {

// Ctrl-C and SIGTERM (a scheduler's cancel or time limit) only raise this
// flag; the work stops at its next check and removes its temporary, so no
// partial tile or map is ever left under the final name.
std::atomic<bool> gStop{false};
extern "C" void OnStop(int) {
    gStop.store(true, std::memory_order_relaxed);
}

void InstallStopHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnStop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// The run's feedback: canceled by the stop flag, and, unless quiet, a line
// "NAME: N %" on standard error at every tenth (the end always shown when
// `alwaysEnd`).
class StopFeedback : public Feedback {
  public:
    bool isCanceled() const override {
        return Feedback::isCanceled() || gStop.load(std::memory_order_relaxed);
    }
    void show(std::string name, bool alwaysEnd) {
        name_ = std::move(name);
        alwaysEnd_ = alwaysEnd;
        shown_ = true;
    }
    void setProgress(double fraction, std::string_view) override {
        if (!shown_) return;
        const int pc = static_cast<int>(fraction * 100.0);
        if (pc / 10 == lastShown_ / 10 && !(alwaysEnd_ && pc == 100)) return;
        lastShown_ = pc;
        std::fprintf(stderr, "%s: %d %%\n", name_.c_str(), pc);
    }

  private:
    std::string name_;
    bool alwaysEnd_ = false;
    bool shown_ = false;
    int lastShown_ = -10; // so that 0 % shows
};

} // namespace

namespace {

// Plans the map: writes the manifest, keeps what a previous plan already
// computed, and prints the tile count and a summary.
int PlanCommand(const tilescli::TilesOptions& o) {
    // Ctrl-C simply ends a plan: its one output, the manifest, is renamed
    // into place only when complete.
    const compliance::LoadedLibrary lib = compliance::LoadLibrary();
    if (!lib.warning.empty()) std::fprintf(stderr, "brenvik-tiles: %s\n", lib.warning.c_str());
    // The previous plan is read before the new one may overwrite it.
    std::optional<tiles::Manifest> previous;
    if (!o.previous.empty()) {
        tiles::ManifestRead before = tiles::ReadManifest(o.previous);
        if (!before.manifest) {
            std::fprintf(stderr, "brenvik-tiles: --previous: %s\n", before.error.c_str());
            return 1;
        }
        previous = std::move(before.manifest);
    }
    const tiles::PlanResult r = tiles::MakePlan(o.plan, lib.library);
    for (const std::string& w : r.warnings)
        std::fprintf(stderr, "brenvik-tiles: warning: %s\n", w.c_str());
    if (!r.manifest) {
        std::fprintf(stderr, "brenvik-tiles: %s\n", r.error.c_str());
        return 1;
    }
    if (auto why = tiles::WritePlan(*r.manifest, o.dir)) {
        std::fprintf(stderr, "brenvik-tiles: %s\n", why->c_str());
        return 1;
    }
    if (previous) {
        const tiles::KeptTiles kept =
            tiles::KeepUnchangedTiles(*previous, o.previous, *r.manifest, o.dir);
        if (!o.quiet)
            std::fprintf(stderr, "%d of %lld tiles kept from %s\n", kept.kept,
                         static_cast<long long>(r.manifest->grid.tileCount()), o.previous.c_str());
    }
    const tiles::Manifest& m = *r.manifest;
    std::size_t listed = 0;
    for (const tiles::TileEntry& t : m.tiles)
        listed += t.antennas.size();
    // The tile count alone goes to standard output, for scripts sizing an
    // array job; the summary goes with the messages.
    std::printf("%lld\n", static_cast<long long>(m.grid.tileCount()));
    if (!o.quiet)
        std::fprintf(stderr,
                     "%s: %d x %d pixels of %g m in %s, %d tiles (%d x %d), %zu antennas, "
                     "%.1f per tile on average, %d out of reach, worst neglected ratio %.3g\n",
                     tiles::ManifestPath(o.dir).c_str(), m.grid.width, m.grid.height,
                     m.grid.resolution, m.crs.c_str(), static_cast<int>(m.grid.tileCount()),
                     static_cast<int>(m.grid.tileColumns()), static_cast<int>(m.grid.tileRows()),
                     m.antennas.size(),
                     static_cast<double>(listed) / static_cast<double>(m.grid.tileCount()),
                     m.antennasOutOfReach, m.neglectedRatioMax);
    return 0;
}

// Computes one tile of the plan (one array task).
int TileCommand(const tilescli::TilesOptions& o, StopFeedback& feedback,
                const tiles::WorkOptions& work) {
    InstallStopHandler();
    const int index = *o.index;
    if (!o.quiet) feedback.show("tile " + std::to_string(index), true);
    const tiles::TileRunResult r = tiles::RunTile(o.dir, index, work);
    switch (r.outcome) {
    case tiles::TileOutcome::Written:
    case tiles::TileOutcome::Skipped:
        if (!o.quiet) std::fprintf(stderr, "%s\n", r.message.c_str());
        return 0;
    case tiles::TileOutcome::Cancelled:
        std::fprintf(stderr, "brenvik-tiles: tile %d: Interrupted\n", index);
        return 130;
    case tiles::TileOutcome::Failed:
        std::fprintf(stderr, "brenvik-tiles: %s\n", r.message.c_str());
        return 1;
    }
    return 1;
}

// Joins the finished tiles into the one map.
int MosaicCommand(const tilescli::TilesOptions& o, StopFeedback& feedback,
                  const tiles::WorkOptions& work) {
    InstallStopHandler();
    if (!o.quiet) feedback.show("mosaic", false);
    if (auto why = tiles::MosaicTiles(o.dir, o.mapOut, work)) {
        std::fprintf(stderr, "brenvik-tiles: %s\n", why->c_str());
        return gStop.load() ? 130 : 1;
    }
    if (!o.quiet) std::fprintf(stderr, "%s written\n", o.mapOut.c_str());
    return 0;
}

// Lists the tiles still to compute and the budget of a task for them.
int ResumeCommand(const tilescli::TilesOptions& o) {
    const tilescli::ResumeScan scan = tilescli::ScanTiles(o.dir, o.cpus);
    if (!scan.error.empty()) {
        std::fprintf(stderr, "brenvik-tiles: %s\n", scan.error.c_str());
        return 1;
    }
    std::fputs(tilescli::ResumeReport(scan, o.maxArraySize).c_str(), stdout);
    if (!o.quiet) {
        // Missing tiles are counted, not listed (a fresh plan has
        // thousands); a stale or damaged one is named with its cause.
        long long missing = 0;
        for (const tilescli::TileToDo& t : scan.todo)
            if (t.state == tiles::TileState::Missing)
                ++missing;
            else
                std::fprintf(stderr, "%s\n", t.why.c_str());
        std::fprintf(
            stderr,
            "%s: %lld of %lld tiles to compute (%lld missing), %llu MiB and %lld min a task\n",
            o.dir.c_str(), static_cast<long long>(scan.todo.size()),
            static_cast<long long>(scan.tiles), missing,
            static_cast<unsigned long long>(scan.budget.memoryMiB),
            static_cast<long long>(scan.budget.minutes));
    }
    return 0;
}

int Run(int argc, char** argv) {
    const tilescli::ParseResult parsed = tilescli::ParseTilesArguments(
        std::vector<std::string>(argv + 1, argv + argc), tilescli::ProcessEnv);
    if (!parsed.options) {
        std::fprintf(stderr, "brenvik-tiles: %s\n%s", parsed.error.c_str(),
                     tilescli::TilesUsage().c_str());
        return 2;
    }
    const tilescli::TilesOptions& o = *parsed.options;
    if (o.help) {
        std::fputs(tilescli::TilesUsage().c_str(), stdout);
        return 0;
    }
    StopFeedback feedback;
    tiles::WorkOptions work;
    work.threads = o.threads;
    work.feedback = &feedback;

    switch (o.command) {
    case tilescli::Command::Plan:
        return PlanCommand(o);
    case tilescli::Command::Run:
        return TileCommand(o, feedback, work);
    case tilescli::Command::Mosaic:
        return MosaicCommand(o, feedback, work);
    case tilescli::Command::Resume:
        return ResumeCommand(o);
    }
    return 1;
}

} // namespace

// Whatever goes wrong ends in a message and a status, never in an abort: a
// scheduler's log shows the cause, and the array task is marked failed.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "brenvik-tiles: %s\n", msg::OutOfMemory);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brenvik-tiles: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "brenvik-tiles: an unknown error stopped the work\n");
    }
    return 1;
}
