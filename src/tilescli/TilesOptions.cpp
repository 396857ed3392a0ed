#include "tilescli/TilesOptions.h"

#include "model/Numbers.h"

#include <CLI/CLI.hpp>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace brenvik::tilescli {

namespace {

std::optional<double> Number(const std::string& text) {
    return ParseOptionNumber(text);
}

std::optional<int> Index(const std::string& text) {
    const auto v = ParseOptionInteger(text);
    if (!v || *v < 0 || *v > INT_MAX) return std::nullopt;
    return static_cast<int>(*v);
}

} // namespace

std::optional<std::string> ProcessEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return std::nullopt;
    return std::string(v);
}

std::string TilesUsage() {
    return "Usage:\n"
           "  brenvik-tiles plan --sites INVENTORY.csv --area W,S,E,N --resolution M --tile-size "
           "PX --out DIR\n"
           "                     [--crs EPSG:n] [--height H] [--terrain DEM] [--reflection "
           "1|2.56]\n"
           "                     [--standard ID --population public|occupational] [--cutoff F] "
           "[--quiet]\n"
           "                     [--previous OLDPLAN]\n"
           "  brenvik-tiles run DIR [--index I] [--threads N] [--quiet]\n"
           "  brenvik-tiles mosaic DIR --out MAP.tif [--quiet]\n"
           "  brenvik-tiles resume DIR [--max-array N] [--cpus N] [--quiet]\n"
           "plan   writes DIR/manifest.json: the grid in a projected CRS (default: the UTM zone "
           "of\n"
           "       the area's centre) and, per tile, the antennas within the cut-off's reach\n"
           "       (default 0.001 of the limit; 0 takes every antenna). Receptors stand H metres\n"
           "       above the ground (default 1.5). It prints the number of tiles; the array's\n"
           "       indices are 0 to that number - 1. With --previous, the finished tiles of "
           "OLDPLAN\n"
           "       whose antennas in reach, terrain and options are unchanged are kept.\n"
           "run    computes tile I (default $SLURM_ARRAY_TASK_ID, else $JOB_COMPLETION_INDEX) "
           "into\n"
           "       DIR/tiles/I.tif; a whole tile already made from the same manifest is skipped,\n"
           "       one cut short is made again.\n"
           "mosaic checks every tile and joins them into one Cloud Optimized GeoTIFF.\n"
           "resume lists the tiles still to compute (missing, stale or damaged) for a scheduler:\n"
           "       \"mem_mib M\" and \"time_min T\" for one task on N cores (default 1), then\n"
           "       \"array OFFSET TASKS\" per job array of at most the scheduler's largest array\n"
           "       size (default 1001), whose task t computes tile OFFSET + t.\n";
}

namespace {

// The options as typed, checked once the command is known.
struct Typed {
    std::string area, resolution, tileSize, height, reflection, cutoff, population, index, threads;
    std::string maxArray, cpus;
};

struct Commands {
    CLI::App* plan;
    CLI::App* run;
    CLI::App* mosaic;
    CLI::App* resume;
};

Commands DeclareCommands(CLI::App& app, TilesOptions& o, Typed& t) {
    CLI::App* plan = app.add_subcommand("plan");
    plan->add_option("--sites", o.plan.sites)->required();
    plan->add_option("--area", t.area)->required();
    plan->add_option("--crs", o.plan.crs);
    plan->add_option("--resolution", t.resolution)->required();
    plan->add_option("--tile-size", t.tileSize)->required();
    plan->add_option("--height", t.height);
    plan->add_option("--terrain", o.plan.terrain);
    plan->add_option("--reflection", t.reflection);
    plan->add_option("--standard", o.plan.standard);
    plan->add_option("--population", t.population);
    plan->add_option("--cutoff", t.cutoff);
    plan->add_option("--out", o.dir)->required();
    plan->add_option("--previous", o.previous);
    plan->add_flag("--quiet", o.quiet);

    CLI::App* run = app.add_subcommand("run");
    run->add_option("dir", o.dir)->required();
    run->add_option("--index", t.index);
    run->add_option("--threads", t.threads);
    run->add_flag("--quiet", o.quiet);

    CLI::App* mosaic = app.add_subcommand("mosaic");
    mosaic->add_option("dir", o.dir)->required();
    mosaic->add_option("--out", o.mapOut)->required();
    mosaic->add_option("--threads", t.threads);
    mosaic->add_flag("--quiet", o.quiet);

    CLI::App* resume = app.add_subcommand("resume");
    resume->add_option("dir", o.dir)->required();
    resume->add_option("--max-array", t.maxArray);
    resume->add_option("--cpus", t.cpus);
    resume->add_flag("--quiet", o.quiet);
    return {plan, run, mosaic, resume};
}

std::optional<std::string> CheckArea(const std::string& area, tiles::PlanOptions& plan) {
    std::vector<double> v;
    std::stringstream in(area);
    std::string part;
    while (std::getline(in, part, ',')) {
        const auto x = Number(part);
        if (!x) return "--area: '" + area + "' is not four numbers W,S,E,N in degrees";
        v.push_back(*x);
    }
    if (v.size() != 4) return "--area: '" + area + "' is not four numbers W,S,E,N in degrees";
    plan.area = {v[0], v[1], v[2], v[3]};
    return std::nullopt;
}

std::optional<std::string> CheckPlan(const Typed& t, tiles::PlanOptions& plan) {
    if (auto why = CheckArea(t.area, plan)) return why;
    const auto res = Number(t.resolution);
    if (!res || *res <= 0.0)
        return "--resolution: '" + t.resolution + "' is not a positive number of metres";
    plan.resolution = *res;
    const auto ts = ParseOptionInteger(t.tileSize);
    if (!ts || *ts < 16 || *ts > 65536)
        return "--tile-size: '" + t.tileSize + "' is not 16 to 65536 pixels";
    plan.tileSize = static_cast<int>(*ts);
    if (!t.height.empty()) {
        const auto h = Number(t.height);
        if (!h || !(*h >= 0.0 && *h <= tiles::MaxReceptorHeightM))
            return "--height: '" + t.height + "' is not a height of 0 to 10000 metres";
        plan.heightM = *h;
    }
    if (!t.reflection.empty()) {
        const auto r = Number(t.reflection);
        if (!r || (*r != 1.0 && *r != 2.56))
            return "--reflection: '" + t.reflection + "' is not 1 or 2.56";
        plan.reflection = *r;
    }
    if (!t.cutoff.empty()) {
        const auto c = Number(t.cutoff);
        if (!c || *c < 0.0 || *c >= 1.0)
            return "--cutoff: '" + t.cutoff + "' is not a fraction from 0 to below 1";
        plan.cutoff = *c;
    }
    if (t.population == "occupational")
        plan.population = Population::Occupational;
    else if (!t.population.empty() && t.population != "public")
        return "--population: '" + t.population + "' is neither public nor occupational";
    if (!t.population.empty() && plan.standard.empty()) return "--population needs --standard";
    return std::nullopt;
}

std::optional<std::string> CheckRun(const Typed& t, EnvLookup env, TilesOptions& o) {
    std::string from = "--index";
    std::optional<std::string> text = t.index.empty() ? std::nullopt : std::optional(t.index);
    for (const char* var : {"SLURM_ARRAY_TASK_ID", "JOB_COMPLETION_INDEX"})
        if (!text && (text = env(var))) from = std::string("$") + var;
    if (!text) return "run: no tile index (--index, $SLURM_ARRAY_TASK_ID or $JOB_COMPLETION_INDEX)";
    o.index = Index(*text);
    if (!o.index) return from + ": '" + *text + "' is not a tile index";
    return std::nullopt;
}

std::optional<std::string> CheckResume(const Typed& t, TilesOptions& o) {
    if (!t.maxArray.empty()) {
        const auto n = ParseOptionInteger(t.maxArray);
        if (!n || *n < 1 || *n > 100'000'000)
            return "--max-array: '" + t.maxArray + "' is not 1 to 100000000 tasks";
        o.maxArraySize = *n;
    }
    if (!t.cpus.empty()) {
        const auto n = ParseOptionInteger(t.cpus);
        if (!n || *n < 1 || *n > 4096) return "--cpus: '" + t.cpus + "' is not 1 to 4096";
        o.cpus = static_cast<int>(*n);
    }
    return std::nullopt;
}

} // namespace

ParseResult ParseTilesArguments(const std::vector<std::string>& args, EnvLookup env) {
    CLI::App app("brenvik-tiles");
    app.set_help_flag();
    app.require_subcommand(0, 1);
    bool help = false;
    app.add_flag("-h,--help", help);
    TilesOptions o;
    Typed t;
    const Commands c = DeclareCommands(app, o, t);

    std::vector<std::string> argv(args.rbegin(), args.rend());
    try {
        app.parse(argv);
    } catch (const CLI::Error& e) {
        return {std::nullopt, e.what()};
    }
    if (help || app.get_subcommands().empty()) {
        o.help = true;
        return {o, ""};
    }
    std::optional<std::string> why;
    if (c.plan->parsed()) {
        o.command = Command::Plan;
        why = CheckPlan(t, o.plan);
    } else if (c.run->parsed()) {
        o.command = Command::Run;
        why = CheckRun(t, env, o);
    } else if (c.resume->parsed()) {
        o.command = Command::Resume;
        why = CheckResume(t, o);
    } else {
        o.command = Command::Mosaic;
    }
    if (why) return {std::nullopt, *why};
    if (!t.threads.empty()) {
        const auto n = ParseOptionInteger(t.threads);
        if (!n || *n < 1 || *n > 4096)
            return {std::nullopt, "--threads: '" + t.threads + "' is not 1 to 4096"};
        o.threads = static_cast<int>(*n);
    }
    return {o, ""};
}

} // namespace brenvik::tilescli
