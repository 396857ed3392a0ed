// Every long operation runs through one Feedback: canceled at its first
// progress report it stops, says so and leaves no file; left alone it
// reports a fraction that only rises, up to the whole.

#include "batch/tools/Sites.h"
#include "model/Messages.h"
#include "model/RecordingFeedback.h"
#include "model/TempDir.h"
#include "pipeline/Calculations.h"
#include "pipeline/Outputs.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace brenvik;
using namespace brenvik::pipeline;
using brenvik::testing::TempDir;

using brenvik::testing::RecordingFeedback;

namespace {

Project SiteWithPlaces(bool calculated) {
    Project p = batchsites::SpreadSite(400, 2, 300.0);
    const Antenna& a = p.Antennas[1];
    for (int k = 0; k < 3; ++k)
        p.Places.push_back(
            {"P" + std::to_string(k), "school", a.AntX + 20.0 * (k + 1), a.AntY + 10.0 * k, 1.5});
    const double u = 1.0 / p.MetersPerUnit; // a metre
    const double x = a.AntX + 20 * u, y = a.AntY - 8 * u;
    p.Buildings.push_back({"way/1",
                           "Block",
                           12.0,
                           0.0,
                           {{x, y}, {x + 12 * u, y}, {x + 12 * u, y + 16 * u}, {x, y + 16 * u}},
                           {}});
    if (calculated) {
        Feedback none;
        EXPECT_TRUE(RunCalculation(p, Plane::XY, none).ok());
    }
    return p;
}

using Message = std::optional<std::string>;

// The calculation has no file: its "output" is the result the project keeps.
Message Calculate(Feedback& fb, const std::string&) {
    Project p = SiteWithPlaces(false);
    const CalcOutcome o = RunCalculation(p, Plane::XY, fb);
    if (o.status == CalcStatus::Cancelled)
        return p.XY.Calculated ? std::string("a canceled run kept a result") : msg::Interrupted;
    if (!o.ok()) return o.message;
    return std::nullopt;
}

std::function<Message(Feedback&, const std::string&)> Export(OutputKind kind) {
    return [kind](Feedback& fb, const std::string& path) {
        static const Project site = SiteWithPlaces(true);
        return WriteOutput(site, kind, path, fb);
    };
}

} // namespace

TEST(OperationFeedback, CancelAtFirstReportStopsAndCompletionRisesToTheWhole) {
    const struct {
        const char* what;
        std::function<Message(Feedback&, const std::string&)> run;
    } operations[] = {
        {"grid calculation", Calculate},
        {"CSV export", Export(OutputKind::ConcentrationsCartesian)},
        {"sites", Export(OutputKind::Sites)},
        {"places CSV", Export(OutputKind::Places)},
        {"places GeoJSON", Export(OutputKind::PlacesGeoJson)},
        {"buildings CSV", Export(OutputKind::Buildings)},
        {"GeoTIFF", Export(OutputKind::GeoTiff)},
        {"GeoPackage", Export(OutputKind::GeoPackage)},
    };
    for (const auto& op : operations) {
        SCOPED_TRACE(op.what);
        {
            TempDir dir;
            RecordingFeedback stop(true);
            const Message said = op.run(stop, dir.file("out"));
            EXPECT_FALSE(stop.fractions.empty()) << "never reached its first report";
            EXPECT_EQ(said, std::optional<std::string>(msg::Interrupted));
            EXPECT_EQ(dir.entries(), 0) << "a canceled operation left a file";
        }
        TempDir dir;
        RecordingFeedback go(false);
        const Message said = op.run(go, dir.file("out"));
        EXPECT_EQ(said, std::nullopt) << *said;
        ASSERT_FALSE(go.fractions.empty());
        EXPECT_TRUE(std::is_sorted(go.fractions.begin(), go.fractions.end()));
        EXPECT_GE(go.fractions.front(), 0.0);
        EXPECT_DOUBLE_EQ(go.fractions.back(), 1.0);
    }
}
