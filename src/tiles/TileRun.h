#pragma once

// Computing one tile of a planned map with the far-field model and writing
// it as DIR/tiles/I.tif, and joining the finished tiles into one map.
#include "antenna/Adaptive.h"
#include "model/Feedback.h"
#include "tiles/Manifest.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::tiles {

struct TileValues {
    int width = 0, height = 0;
    std::vector<float> density; // uW/cm^2, row by row from the north
    std::vector<float> ratio;   // sum of S / S_L (1 = the limit); empty without a standard
};

// The cores this process may run on: a scheduler (Slurm's task affinity,
// taskset) hands a task only part of a node.
int UsableCores();

struct WorkOptions {
    int threads = 0; // 0: every core the process may use
    // The run's feedback: its cancel (Ctrl-C, a scheduler's SIGTERM) stops
    // the work, and it is told the fraction done now and then, on the
    // calling thread. May be null.
    Feedback* feedback = nullptr;
    // The plain loop instead of the processor's vector one: the reference
    // the vector kernels are measured and checked against.
    bool scalar = false;
    // The envelopes of adaptive arrays made so far: a process computing
    // several tiles makes each distinct array's once. May be null: each
    // tile then makes those of its own arrays.
    antenna::EnvelopeCache* envelopes = nullptr;
};

// The far-field density (and ratio) at every pixel of tile `index`: the
// receptor at the pixel's centre, `heightM` above the ground, each listed
// antenna within reach of it adding 100 RF 1.64 P g / (4 pi r^2). Every pixel
// sums its antennas in the manifest's order whatever the thread count, so a
// pixel has the same value in any tiling of the same grid. False when cancelled (`error` empty)
// or when the terrain fails or memory runs short (`error` says why).
bool ComputeTile(const Manifest& m, int index, TileValues& out, const WorkOptions& o,
                 std::string& error);
// The same for a tile `t` whose antennas index `m`'s, as read from its inputs.
bool ComputeTile(const Manifest& m, const TileEntry& t, TileValues& out, const WorkOptions& o,
                 std::string& error);

// The 64-bit FNV-1a of the density then the ratio band's bytes, as 16 hex
// digits: stored with each tile, checked before a tile is trusted.
std::string PixelsHash(const std::vector<float>& density, const std::vector<float>& ratio);

// The manifest's ranges keep every sum finite; should one still not be, the
// tile is refused (naming the first such pixel) rather than written as a map
// of infinities.
std::optional<std::string> TileValuesRefusal(const TileValues& v, int index);

enum class TileOutcome { Written, Skipped, Cancelled, Failed };
struct TileRunResult {
    TileOutcome outcome = TileOutcome::Failed;
    std::string message;
};
// Computes tile `index` of the plan in `dir` from its inputs alone and writes
// it through a temporary renamed into place, unless a finished, whole tile of
// the same inputs is already there. A tile whose values are not all finite
// fails.
TileRunResult RunTile(const std::string& dir, int index, const WorkOptions& o);

// What is at DIR/tiles/I.tif: nothing, a finished tile of the inputs the
// manifest names for it, a tile of other inputs, or a file that is not a
// whole tile (cut short, not a raster, pixels failing their checksum); `why`
// names the tile and what is wrong.
enum class TileState { Missing, Done, Stale, Damaged };
struct TileCheck {
    TileState state = TileState::Missing;
    std::string why;
};
TileCheck CheckTile(const std::string& dir, const Manifest& m, int index);

// Checks that every tile is there, whole and made from the current manifest,
// then writes the map `out` as one COG; the reason, naming each missing,
// damaged or stale tile, when nothing was written.
std::optional<std::string> MosaicTiles(const std::string& dir, const std::string& out,
                                       const WorkOptions& o);

} // namespace brenvik::tiles
