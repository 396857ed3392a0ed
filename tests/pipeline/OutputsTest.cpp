// The outputs run through one Feedback: a cancel in the middle of a long
// write stops it with "Interrupted" and leaves the target as it was.

#include "pipeline/Outputs.h"

#include "batch/tools/Sites.h"
#include "compliance/Places.h"
#include "compliance/SiteInventory.h"
#include "model/Messages.h"
#include "model/TempDir.h"
#include "pipeline/Calculations.h"
#include "render/RealPlaces.h"
#include "render/RecordingSurface.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

using namespace brenvik;
using namespace brenvik::pipeline;
using brenvik::testing::Slurp;
using brenvik::testing::Spit;
using brenvik::testing::TempDir;
using Clock = std::chrono::steady_clock;

namespace {

// Cancels itself once the operation has told `after` progress reports, or
// from a timer thread after `delay`, and notes when.
class CancellingFeedback : public Feedback {
  public:
    explicit CancellingFeedback(int after) : after_(after) {}
    void setProgress(double fraction, std::string_view) override {
        EXPECT_TRUE(fraction >= 0.0 && fraction <= 1.0) << fraction;
        if (++reports_ == after_) cancelNow();
    }
    void cancelNow() {
        canceledAt = Clock::now();
        cancel();
    }
    Clock::time_point canceledAt{};

  private:
    int after_;
    int reports_ = 0;
};

const Project& Site() {
    static const Project p = [] {
        Project s = batchsites::SpreadSite(2000, 3, 300.0);
        Feedback none;
        EXPECT_TRUE(RunCalculation(s, Plane::XY, none).ok());
        return s;
    }();
    return p;
}

} // namespace

TEST(OutputPipeline, ACancelStopsTheWriteAndKeepsTheTarget) {
    struct Case {
        OutputKind kind;
        int afterReports; // 0: canceled once the write has staged its file
    };
    const Case cases[] = {
        {OutputKind::ConcentrationsGeographic, 3},
        {OutputKind::GridXY, 3},
        {OutputKind::GeoTiff, 0},
        {OutputKind::GeoPackage, 0},
        {OutputKind::ProjectFile, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(outputFormat(c.kind).keyword);
        TempDir dir;
        const std::string target = dir.file("out");
        Spit(target, "old");
        Project p = Site();
        CancellingFeedback feedback(c.afterReports);
        // The writers that tell no progress poll the flag alone: the cancel
        // comes as soon as their temporary stands beside the target, which
        // is long before they could end on a grid of this size.
        std::atomic<bool> ended{false};
        std::thread watcher;
        if (c.afterReports == 0)
            watcher = std::thread([&] {
                while (!ended.load() && dir.entries() < 2)
                    std::this_thread::yield();
                if (!ended.load()) feedback.cancelNow();
            });
        const auto failed = WriteOutput(p, c.kind, target, feedback);
        const auto stopped = Clock::now();
        ended = true;
        if (watcher.joinable()) watcher.join();
        ASSERT_TRUE(failed) << "the write ended before its cancel";
        EXPECT_EQ(*failed, msg::Interrupted);
        EXPECT_EQ(Slurp(target), "old");
        EXPECT_EQ(dir.entries(), 1) << "no temporary left";
        std::printf("%-28s stopped %.3f s after the cancel\n", outputFormat(c.kind).keyword,
                    std::chrono::duration<double>(stopped - feedback.canceledAt).count());
    }
}

// The picture's overlay labels each place with its % of the limit, as the
// window does, and draws nothing off the plan view.
TEST(PlanOverlay, PlacesCarryTheirPercentAsInTheWindow) {
    Project p;
    ASSERT_EQ(compliance::ImportSites(
                  p, std::string(compliance::SitesHeader) + "\nroof,,,50,40,8,stick,1500,,,900,\n",
                  compliance::ImportMode::Replace),
              std::nullopt);
    const compliance::PlanPoint at = compliance::DrawingFromCartesian(p, 70, 60);
    p.Places = {Place{"Yard", "school", at.x, at.y, 1.5}};
    const auto inv = compliance::InverseLimits(p, compliance::LoadLibrary().library, "icnirp-2020",
                                               Population::Public);
    // The place's name with its % of the limit, as the window labels it.
    const std::string label =
        "Yard " +
        compliance::FormatPercent(compliance::EvaluatePlace(p, p.Places[0], inv.inverse).percent) +
        " %";
    const auto overlay = PlanOverlay(p, compliance::LoadLibrary().library);
    ASSERT_TRUE(overlay);
    // Over the plan's own label of the place, on a screen that leaves out
    // crowded labels.
    render::RecordingSurface s;
    s.setLegibility({.skipCrowdedLabels = true});
    render::DrawRealPlaces(p, s);
    overlay(p, s);
    const auto texts = s.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
    p.CurrentPlane = Plane::XZ;
    EXPECT_FALSE(PlanOverlay(p, compliance::LoadLibrary().library));
}
