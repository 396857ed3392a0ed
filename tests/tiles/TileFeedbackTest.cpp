// A tile and the mosaic run through one Feedback: canceled at the first
// report they stop and leave no file; left alone their progress only rises,
// up to the whole.

#include "model/Messages.h"
#include "model/RecordingFeedback.h"
#include "tiles/Plan.h"
#include "tiles/TileRun.h"
#include "tiles/TilesSupport.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace brenvik::tiles;
using namespace brenvik::tiles::testing;
using brenvik::testing::TempDir;
namespace fs = std::filesystem;

using brenvik::testing::RecordingFeedback;

namespace {

// Every file under `dir`, folders left out.
std::vector<std::string> Files(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (!e.is_directory()) out.push_back(fs::relative(e.path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(TileFeedback, CancelAtFirstReportStopsAndCompletionRisesToTheWhole) {
    TempDir dir;
    const std::string plan = dir.file("plan");
    const PlanResult r = MakePlan(Options(WriteSites(dir), WriteDem(dir), 40, 16, 0.0), Limits());
    ASSERT_TRUE(r.manifest) << r.error;
    ASSERT_FALSE(WritePlan(*r.manifest, plan));
    const int tiles = static_cast<int>(r.manifest->grid.tileCount());
    const std::string map = dir.file("map.tif");
    // Each operation's message on failure, none when it wrote its file.
    using Run = std::function<std::optional<std::string>(const WorkOptions&)>;
    const struct {
        const char* what;
        bool joinsAllTiles;
        Run run;
    } operations[] = {
        {"tile run", false,
         [&](const WorkOptions& o) -> std::optional<std::string> {
             const TileRunResult t = RunTile(plan, 0, o);
             if (t.outcome == TileOutcome::Written) return std::nullopt;
             return t.message;
         }},
        {"mosaic", true, [&](const WorkOptions& o) { return MosaicTiles(plan, map, o); }},
    };
    for (const auto& op : operations) {
        SCOPED_TRACE(op.what);
        if (op.joinsAllTiles) {
            // The mosaic joins every tile: the others first.
            WorkOptions quiet;
            for (int k = 1; k < tiles; ++k)
                ASSERT_EQ(RunTile(plan, k, quiet).outcome, TileOutcome::Written);
        }
        const std::vector<std::string> before = Files(dir.path());
        RecordingFeedback stop(true);
        WorkOptions o;
        o.feedback = &stop;
        EXPECT_EQ(op.run(o), std::optional<std::string>(brenvik::msg::Interrupted));
        EXPECT_FALSE(stop.fractions.empty()) << "never reached its first report";
        EXPECT_EQ(Files(dir.path()), before) << "a canceled run left a file";

        RecordingFeedback go(false);
        o.feedback = &go;
        EXPECT_EQ(op.run(o), std::nullopt);
        ASSERT_FALSE(go.fractions.empty());
        EXPECT_TRUE(std::is_sorted(go.fractions.begin(), go.fractions.end()));
        EXPECT_DOUBLE_EQ(go.fractions.back(), 1.0);
    }
}
