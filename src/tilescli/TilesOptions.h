#pragma once

// The command line of brenvik-tiles: four subcommands, plan, run, mosaic
// and resume, parsed into one options value.
#include "tiles/Plan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::tilescli {

enum class Command { Plan, Run, Mosaic, Resume };

struct TilesOptions {
    Command command = Command::Plan;
    bool help = false;
    tiles::PlanOptions plan;
    std::string dir;          // plan --out, run DIR, mosaic DIR, resume DIR
    std::string previous;     // plan --previous: the plan whose unchanged tiles are kept
    std::optional<int> index; // run: from --index or the scheduler's variables
    std::string mapOut;       // mosaic --out
    int threads = 0;
    // resume: the largest job array the scheduler takes (Slurm's default
    // MaxArraySize), and the cores each task gets.
    std::int64_t maxArraySize = 1001;
    int cpus = 1;
    bool quiet = false;
};

struct ParseResult {
    std::optional<TilesOptions> options;
    std::string error;
};

// `env` looks up an environment variable (SLURM_ARRAY_TASK_ID,
// JOB_COMPLETION_INDEX); tests pass their own.
using EnvLookup = std::optional<std::string> (*)(const char*);
ParseResult ParseTilesArguments(const std::vector<std::string>& args, EnvLookup env);
std::optional<std::string> ProcessEnv(const char* name);

std::string TilesUsage();

} // namespace brenvik::tilescli
