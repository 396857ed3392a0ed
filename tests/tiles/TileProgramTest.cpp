#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"
#include "tilescli/TilesOptions.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Starts the program; with `errors`, its standard error comes through that pipe.
pid_t Start(const std::vector<std::string>& args, int* errors = nullptr) {
    int fds[2] = {-1, -1};
    if (errors && pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        if (errors) {
            dup2(fds[1], 2);
            close(fds[0]);
            close(fds[1]);
        }
        std::vector<char*> argv{const_cast<char*>(BRENVIK_TILES_PROGRAM)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (errors) {
        close(fds[1]);
        *errors = fds[0];
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int Program(const std::vector<std::string>& args) {
    return Wait(Start(args));
}

// The plan command over the test area, then any further options.
std::vector<std::string> PlanArgs(const std::string& sites, const char* resolution,
                                  const char* tileSize, const std::string& out,
                                  const std::vector<std::string>& more = {}) {
    std::vector<std::string> a{"plan",
                               "--sites",
                               sites,
                               "--area",
                               "2.30,48.85,2.32,48.86",
                               "--resolution",
                               resolution,
                               "--tile-size",
                               tileSize,
                               "--out",
                               out};
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

// Enough antennas that one tile takes a few seconds.
std::string DenseSites(const TempDir& dir, int count) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0, 1);
    std::string csv = "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz\n";
    for (int k = 0; k < count; ++k)
        csv += "S" + std::to_string(k) + "," + std::to_string(2.30 + 0.02 * unit(rng)) + "," +
               std::to_string(48.85 + 0.01 * unit(rng)) + ",30,panel,1000," +
               std::to_string(360 * unit(rng)) + ",4,900\n";
    WriteText(dir.file("dense.csv"), csv);
    return dir.file("dense.csv");
}

} // namespace

TEST(TileProgram, KilledTilesLeaveNothingAndRerunToTheSameFile) {
    TempDir dir;
    const std::string sites = DenseSites(dir, 150);
    const std::string plan = dir.file("plan");
    ASSERT_EQ(Program(PlanArgs(sites, "8", "512", plan, {"--cutoff", "0"})), 0);
    ASSERT_EQ(Program({"run", plan, "--index", "0", "--quiet"}), 0);
    const std::string done = Slurp(TilePath(plan, 0));
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(Program({"run", plan, "--index", "0", "--quiet"}), 0); // skipped
    EXPECT_TRUE(Slurp(TilePath(plan, 0)) == done);

    for (int sig : {SIGTERM, SIGKILL}) {
        fs::remove(TilePath(plan, 0));
        // Killed once the work has begun (its first progress line).
        int errors = -1;
        const pid_t pid = Start({"run", plan, "--index", "0", "--threads", "1"}, &errors);
        char c = 0;
        while (read(errors, &c, 1) == 1 && c != '\n') {
        }
        kill(pid, sig);
        while (read(errors, &c, 1) == 1) {
        }
        close(errors);
        EXPECT_EQ(Wait(pid), sig == SIGTERM ? 130 : 128 + SIGKILL);
        EXPECT_FALSE(fs::exists(TilePath(plan, 0)));
        EXPECT_TRUE(sig != SIGTERM || fs::is_empty(plan + "/tiles")); // nothing staged left
        ASSERT_EQ(Program({"run", plan, "--index", "0", "--quiet"}), 0);
        EXPECT_TRUE(Slurp(TilePath(plan, 0)) == done);
        EXPECT_EQ(std::distance(fs::directory_iterator(plan + "/tiles"), fs::directory_iterator()),
                  1);
    }
}

TEST(TileProgram, RefusesBadOptions) {
    using brenvik::tilescli::ParseTilesArguments;
    const auto none = [](const char*) -> std::optional<std::string> { return std::nullopt; };
    const auto slurm = [](const char* v) -> std::optional<std::string> {
        return std::string(v) == "SLURM_ARRAY_TASK_ID" ? std::optional<std::string>("x7")
                                                       : std::nullopt;
    };
    const auto plan = [](std::initializer_list<std::string> tail) {
        std::vector<std::string> a{"plan", "--sites", "s.csv", "--resolution", "5", "--tile-size",
                                   "512",  "--out",   "d",     "--area"};
        return a.insert(a.end(), tail), a;
    };
    struct Case {
        std::vector<std::string> args;
        brenvik::tilescli::EnvLookup env;
        const char* says;
    };
    const std::vector<Case> cases{
        {{"run", "d"}, none, "no tile index"},
        {{"run", "d"}, slurm, "$SLURM_ARRAY_TASK_ID: 'x7'"},
        {{"run", "d", "--index", "-1"}, none, "--index: '-1'"},
        {{"plan", "--sites", "s"}, none, "required"},
        {plan({"1,2,3"}), none, "--area"},
        {plan({"a,b,c,d"}), none, "--area"},
        {plan({"1,2,3,4,5"}), none, "--area"},
        {plan({"1,2,3,4", "--reflection", "2"}), none, "--reflection"},
        {{"resume"}, none, "required"},
        {{"resume", "d", "--max-array", "0"}, none, "--max-array: '0'"},
        {{"resume", "d", "--max-array", "16x"}, none, "--max-array"},
        {{"resume", "d", "--cpus", "-2"}, none, "--cpus: '-2'"},
    };
    for (const Case& c : cases) {
        const auto r = ParseTilesArguments(c.args, c.env);
        EXPECT_FALSE(r.options);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
    const auto ok =
        ParseTilesArguments({"run", "d"}, [](const char* v) -> std::optional<std::string> {
            return std::string(v) == "JOB_COMPLETION_INDEX" ? std::optional<std::string>("3")
                                                            : std::nullopt;
        });
    ASSERT_TRUE(ok.options) << ok.error;
    EXPECT_EQ(ok.options->index, 3);
    const auto resume =
        ParseTilesArguments({"resume", "d", "--max-array", "16", "--cpus", "8"}, none);
    ASSERT_TRUE(resume.options) << resume.error;
    EXPECT_EQ(resume.options->command, brenvik::tilescli::Command::Resume);
    EXPECT_EQ(resume.options->maxArraySize, 16);
    EXPECT_EQ(resume.options->cpus, 8);
}

namespace {

// The exit status, or -1 when the program is still running after `seconds`
// (then killed, so the test fails instead of hanging).
int ExitWithin(pid_t pid, int seconds) {
    for (int k = 0; k < seconds * 20; ++k) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(50000);
    }
    kill(pid, SIGKILL);
    Wait(pid);
    return -1;
}

std::string ReadAll(int fd) {
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

} // namespace

TEST(TileProgram, PipesAndDamagedInputsEndAtOnceWithOurMessage) {
    TempDir dir;
    const std::string sites = WriteSites(dir), fifo = dir.file("in.fifo"), dem = WriteDem(dir);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_FALSE(dem.empty());
    // The DEM's header survives, its heights do not: GDAL fails reading them.
    fs::resize_file(dem, fs::file_size(dem) / 3);
    struct Case {
        std::string sites;
        std::vector<std::string> extra;
        const char* says;
    };
    const Case cases[] = {
        {fifo, {}, "site inventory cannot be read: \""},
        {sites, {"--terrain", fifo}, "--terrain: the terrain cannot be read"},
        {sites, {"--crs", fifo}, "--crs:"},
        {sites, {"--terrain", dem}, "the terrain cannot be read"},
    };
    for (const Case& c : cases) {
        int errors = -1;
        const pid_t pid = Start(PlanArgs(c.sites, "40", "16", dir.file("plan"), c.extra), &errors);
        const std::string said = ReadAll(errors);
        EXPECT_EQ(ExitWithin(pid, 10), 1) << c.says;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        // GDAL's own report is in our message, never on the terminal apart.
        EXPECT_EQ(said.find("ERROR "), std::string::npos) << said;
    }
}

namespace {

// Tile 1's file altered: its pixels through GDAL and by a byte (the file
// staying a readable tile), cut short, or gone.
void AlterThroughGdal(const std::string& path) {
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE));
    float v = 1234.5f;
    if (!ds || ds->GetRasterBand(1)->RasterIO(GF_Write, 3, 2, 1, 1, &v, 1, 1, GDT_Float32, 0, 0,
                                              nullptr) != CE_None)
        ADD_FAILURE() << "cannot alter " << path;
}

void FlipAByteOfTheFirstBlock(const std::string& path) {
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER));
    const char* off =
        ds ? ds->GetRasterBand(1)->GetMetadataItem("BLOCK_OFFSET_0_0", "TIFF") : nullptr;
    ASSERT_TRUE(off) << path;
    const long at = std::strtol(off, nullptr, 10) + 20;
    ds.reset();
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(at);
    const char c = static_cast<char>(f.get() ^ 0x5a);
    f.seekp(at);
    f.put(c);
}

void CutShort(const std::string& path) {
    fs::resize_file(path, fs::file_size(path) * 2 / 3);
}

void Remove(const std::string& path) {
    fs::remove(path);
}

} // namespace

TEST(TileProgram, DamagedMissingAndStaleTilesAreNamedByMosaicAndRedoneByRun) {
    TempDir dir;
    const std::string plan = dir.file("plan"), sites = DenseSites(dir, 40);
    ASSERT_EQ(Program(PlanArgs(sites, "20", "64", plan, {"--cutoff", "0"})), 0);
    const ManifestRead mr = ReadManifest(plan);
    ASSERT_TRUE(mr.manifest) << mr.error;
    ASSERT_GE(mr.manifest->tiles.size(), 2u);
    for (const TileEntry& t : mr.manifest->tiles)
        ASSERT_EQ(RunTile(plan, t.index, {}).outcome, TileOutcome::Written);
    const std::string whole = Slurp(TilePath(plan, 1));
    const struct {
        void (*alter)(const std::string&);
        TileState state;
        const char* says;
    } cases[] = {{AlterThroughGdal, TileState::Damaged, "tile 1 is damaged"},
                 {FlipAByteOfTheFirstBlock, TileState::Damaged, "tile 1 is damaged"},
                 {CutShort, TileState::Damaged, "tile 1 is damaged"},
                 {Remove, TileState::Missing, "tile 1 is missing"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        c.alter(TilePath(plan, 1));
        ASSERT_FALSE(Slurp(TilePath(plan, 1)) == whole);
        EXPECT_EQ(CheckTile(plan, *mr.manifest, 1).state, c.state);
        const std::optional<std::string> refused = MosaicTiles(plan, dir.file("map.tif"), {});
        ASSERT_TRUE(refused);
        EXPECT_NE(refused->find(c.says), std::string::npos) << *refused;
        EXPECT_EQ(refused->find("tile 0 "), std::string::npos) << *refused;
        EXPECT_FALSE(fs::exists(dir.file("map.tif")));
        EXPECT_EQ(RunTile(plan, 1, {}).outcome, TileOutcome::Written);
        EXPECT_TRUE(Slurp(TilePath(plan, 1)) == whole);
    }
    EXPECT_EQ(MosaicTiles(plan, dir.file("map.tif"), {}), std::nullopt);
    // Planned again at another height, the tiles written are stale.
    ASSERT_EQ(Program(PlanArgs(sites, "20", "64", plan, {"--cutoff", "0", "--height", "2"})), 0);
    const std::optional<std::string> stale = MosaicTiles(plan, dir.file("stale.tif"), {});
    ASSERT_TRUE(stale);
    EXPECT_NE(stale->find("tile 0 is stale"), std::string::npos) << *stale;
    EXPECT_FALSE(fs::exists(dir.file("stale.tif")));
}

TEST(TileProgram, PreviousPlanKeepsTheTilesWhoseInputsAreUnchanged) {
    TempDir dir;
    // 100 sites; then one moves 40 m east (1 %).
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<std::string> rows;
    for (int k = 0; k < 100; ++k)
        rows.push_back("S" + std::to_string(k) + "," + std::to_string(2.30 + 0.02 * unit(rng)) +
                       "," + std::to_string(48.85 + 0.01 * unit(rng)) + ",30,panel," +
                       std::to_string(100 + 1900 * unit(rng)) + "," +
                       std::to_string(360 * unit(rng)) + ",4,900\n");
    const auto write = [&](const std::string& name) {
        std::string csv = "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz\n";
        for (const std::string& r : rows)
            csv += r;
        WriteText(dir.file(name), csv);
        return dir.file(name);
    };
    const std::string before = write("before.csv");
    rows[37] = "S37,2.3105,48.8551,30,panel,1500,90,4,900\n";
    const std::string after = write("after.csv");
    const std::string a = dir.file("a"), b = dir.file("b"), full = dir.file("full");
    ASSERT_EQ(Program(PlanArgs(before, "20", "16", a, {"--quiet"})), 0);
    const ManifestRead ma = ReadManifest(a);
    ASSERT_TRUE(ma.manifest) << ma.error;
    for (const TileEntry& t : ma.manifest->tiles)
        ASSERT_EQ(RunTile(a, t.index, {}).outcome, TileOutcome::Written);

    ASSERT_EQ(Program(PlanArgs(after, "20", "16", b, {"--quiet", "--previous", a})), 0);
    ASSERT_EQ(Program(PlanArgs(after, "20", "16", full, {"--quiet"})), 0);
    const ManifestRead mb = ReadManifest(b);
    ASSERT_TRUE(mb.manifest) << mb.error;
    // The tiles within reach of the moved site, before or after.
    std::vector<int> touched, redone;
    for (const std::string& sites : {before, after}) {
        PlanOptions o = Options(sites, "", 20, 16, DefaultCutoff);
        o.standard.clear();
        const PlanResult p = MakePlan(o, Limits());
        ASSERT_TRUE(p.manifest) << p.error;
        for (const TileAntenna& s : p.manifest->antennas)
            if (s.site == "S37")
                for (const TileEntry& t : p.manifest->tiles) {
                    const double dx = std::max({t.bounds.xmin - s.x, 0.0, s.x - t.bounds.xmax});
                    const double dy = std::max({t.bounds.ymin - s.y, 0.0, s.y - t.bounds.ymax});
                    if (std::hypot(dx, dy) <= s.reachM) touched.push_back(t.index);
                }
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const TileEntry& t : mb.manifest->tiles) {
        const bool same =
            t.inputsHash == ma.manifest->tiles[static_cast<std::size_t>(t.index)].inputsHash;
        EXPECT_EQ(fs::exists(TilePath(b, t.index)), same) << "tile " << t.index;
        const TileOutcome o = RunTile(b, t.index, {}).outcome;
        EXPECT_EQ(o, same ? TileOutcome::Skipped : TileOutcome::Written) << "tile " << t.index;
        if (o == TileOutcome::Written) redone.push_back(t.index);
        ASSERT_EQ(RunTile(full, t.index, {}).outcome, TileOutcome::Written);
    }
    ASSERT_FALSE(touched.empty());
    EXPECT_EQ(redone, touched);
    EXPECT_LT(redone.size(), mb.manifest->tiles.size() / 2);
    ASSERT_EQ(MosaicTiles(b, dir.file("b.tif"), {}), std::nullopt);
    ASSERT_EQ(MosaicTiles(full, dir.file("full.tif"), {}), std::nullopt);
    EXPECT_TRUE(Slurp(dir.file("b.tif")) == Slurp(dir.file("full.tif")))
        << "the refreshed map differs";
}

TEST(TileProgram, AnEditedDemRedoesOnlyTheTilesAroundTheEdit) {
    TempDir dir;
    const std::string sites = WriteSites(dir), dem = WriteDem(dir);
    ASSERT_FALSE(dem.empty());
    const auto planArgs = [&](const std::string& out, const std::vector<std::string>& more) {
        return PlanArgs(sites, "20", "16", out, more);
    };
    const std::string a = dir.file("a"), b = dir.file("b");
    ASSERT_EQ(Program(planArgs(a, {"--terrain", dem, "--quiet"})), 0);
    const ManifestRead ma = ReadManifest(a);
    ASSERT_TRUE(ma.manifest) << ma.error;
    ASSERT_GT(ma.manifest->tiles.size(), 4u);

    // A mound of 5 m on the DEM pixel under tile 0's centre (the plan's CRS
    // is the DEM's own UTM zone).
    const Bounds& b0 = ma.manifest->tiles[0].bounds;
    const int col = static_cast<int>(((b0.xmin + b0.xmax) / 2 - kDemX0) / kDemStep);
    const int row = static_cast<int>((kDemY1 - (b0.ymin + b0.ymax) / 2) / kDemStep);
    {
        GDALDatasetUniquePtr ds(GDALDataset::Open(dem.c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE));
        ASSERT_TRUE(ds);
        double z = Plane(kDemX0 + (col + 0.5) * kDemStep, kDemY1 - (row + 0.5) * kDemStep) + 5;
        ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, col, row, 1, 1, &z, 1, 1, GDT_Float64, 0,
                                                 0, nullptr),
                  CE_None);
    }
    // The old plan's tile there no longer matches its DEM; one far off does.
    const TileRunResult stale = RunTile(a, 0, {});
    EXPECT_EQ(stale.outcome, TileOutcome::Failed);
    EXPECT_NE(stale.message.find("changed around the tile"), std::string::npos) << stale.message;
    const int last = static_cast<int>(ma.manifest->tiles.size()) - 1;
    EXPECT_EQ(RunTile(a, last, {}).outcome, TileOutcome::Written);

    ASSERT_EQ(Program(planArgs(b, {"--terrain", dem, "--quiet", "--previous", a})), 0);
    const ManifestRead mb = ReadManifest(b);
    ASSERT_TRUE(mb.manifest) << mb.error;
    std::vector<int> changed;
    for (const TileEntry& t : mb.manifest->tiles)
        if (t.inputsHash != ma.manifest->tiles[static_cast<std::size_t>(t.index)].inputsHash)
            changed.push_back(t.index);
    EXPECT_EQ(changed, std::vector<int>{0});
    EXPECT_TRUE(fs::exists(TilePath(b, last))); // kept from the previous plan
    EXPECT_EQ(RunTile(b, 0, {}).outcome, TileOutcome::Written);
}
