#pragma once

// What is left of a planned map, sized for a scheduler: the tiles still to
// compute (missing, stale or damaged), cut into job arrays a cluster accepts,
// with the memory and time one task of them asks for.
#include "tiles/TileRun.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brenvik::tilescli {

// One job array: task t computes tile `offset + t`; `ranges` lists the tasks
// as ranges ("0-7,9,12-15"), every one below the array size it was cut to.
struct ArrayChunk {
    std::int64_t offset = 0;
    std::string ranges;
    std::int64_t tasks = 0;
    friend bool operator==(const ArrayChunk&, const ArrayChunk&) = default;
};

// Cuts ascending, distinct tile indices into arrays whose task ids stay
// below `maxArraySize` (a scheduler refuses an id of that size or more): the
// tiles k * maxArraySize to (k + 1) * maxArraySize - 1 make array k, and an
// array with nothing to do is left out. Empty for a size below 1.
std::vector<ArrayChunk> SplitArrays(const std::vector<std::int64_t>& indices,
                                    std::int64_t maxArraySize);

// The largest need of one task among `indices`: memory for the biggest
// tile's bands and ground heights, for the most envelope tables of adaptive
// arrays any of them makes, for the manifest every task reads
// (`manifestBytes` on disk, several times that once parsed) and for the
// libraries; time for the most pixel-antenna pairs at a rate one core keeps
// even on an old node, on `cpus` cores, with room for reading and writing.
struct TaskBudget {
    std::uint64_t memoryMiB = 0;
    std::int64_t minutes = 0;
    std::uint64_t pairs = 0; // of the tile with the most
};
TaskBudget EstimateTask(const tiles::Manifest& m, const std::vector<std::int64_t>& indices,
                        std::uintmax_t manifestBytes, int cpus);

// Pixel-antenna pairs one core sums per second, well below what the kernels
// reach, so that a slow or shared node still finishes within the time asked.
inline constexpr double PairsPerCoreSecond = 2e6;
// What a task needs besides its tile: the program, GDAL's block cache, PROJ.
inline constexpr std::uint64_t BaseTaskBytes = 256ull << 20;
// A parsed manifest takes this many times its size on disk.
inline constexpr std::uint64_t ManifestExpansion = 8;

// The tiles of the plan in `dir` that `run` would still compute, each with
// its state and why; `error` when the manifest cannot be read.
struct TileToDo {
    std::int64_t index = 0;
    tiles::TileState state = tiles::TileState::Missing;
    std::string why;
};
struct ResumeScan {
    std::vector<TileToDo> todo;
    std::int64_t tiles = 0;
    TaskBudget budget;
    std::string error;
};
ResumeScan ScanTiles(const std::string& dir, int cpus);

// The lines `resume` prints for the submitting script: "mem_mib M",
// "time_min T", then "array OFFSET RANGES" per array (none when every tile is
// finished).
std::string ResumeReport(const ResumeScan& scan, std::int64_t maxArraySize);

} // namespace brenvik::tilescli
