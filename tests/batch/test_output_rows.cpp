// A new output is one row of the outputs table and its writer: the batch
// accepts its keyword, enforces what the row says it needs and runs the
// writer, with nothing else to change.

#include "BatchTestSupport.h"
#include "batch/BatchRun.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"

using namespace brenvik;
using namespace batchtest;
using pipeline::OutputFormat;
using pipeline::OutputKind;

namespace {

constexpr auto kProbe = static_cast<OutputKind>(900);
constexpr auto kProbeText = static_cast<OutputKind>(901);

// Writes whether the project it was handed holds an XY result: the run's
// own project, calculated by the run.
std::optional<std::string> WriteProbe(const Project& p, const std::string& path, Feedback&,
                                      const pipeline::OutputContext&) {
    if (!WriteFileAtomically(path, "calculated " + std::to_string(p.XY.Calculated) + "\n"))
        return std::string(msg::FileError);
    return std::nullopt;
}

// The program's rows, then a probe made of the XY result and its text form
// chosen by the probe's keyword and a ".txt" path.
std::vector<OutputFormat> TableWithProbe() {
    std::vector<OutputFormat> t(pipeline::OutputFormats().begin(), pipeline::OutputFormats().end());
    const pipeline::OutputNeeds madeOfXY{pipeline::ResultUse::Required};
    t.push_back({kProbe, "probe", true, "probe", "Export probe", ".probe", "Probe",
                 "Probe (*.probe)| *.probe", madeOfXY, nullptr, WriteProbe});
    t.push_back({kProbeText, "probe-text", true, "probetext", "Export probe (text)", ".txt",
                 "Probe as text", "Text (*.txt)| *.txt", madeOfXY, nullptr, WriteProbe, "probe",
                 ".txt"});
    return t;
}

} // namespace

using OutputRows = ScratchTest;

TEST_F(OutputRows, ANewOutputIsOneRowAndItsWriter) {
    const std::vector<OutputFormat> table = TableWithProbe();
    const std::vector<std::string> args{at("site.bvk"), "--export", "Probe=" + at("a.probe"),
                                        "--export", "probe=" + at("b.TXT")};
    EXPECT_NE(batch::ParseArguments(args).error.find("unknown export kind 'Probe'"),
              std::string::npos);
    const batch::ParseResult parsed = batch::ParseArguments(args, table);
    ASSERT_TRUE(parsed.options) << parsed.error;
    ASSERT_EQ(parsed.options->exports.size(), 2u);
    EXPECT_EQ(parsed.options->exports[0].kind, kProbe);
    EXPECT_EQ(parsed.options->exports[1].kind, kProbeText);

    // Without an XY result the row's need refuses the run and nothing is
    // written; with one the writer runs.
    writeSite(MakeSite(40, 2), dir / "site.bvk");
    batch::RunEnvironment env;
    env.outputs = table;
    batch::BatchOptions o = *parsed.options;
    const batch::RunOutcome refused = batch::RunBatch(o, env);
    EXPECT_EQ(std::pair(refused.status, refused.message), std::pair(1, std::string(msg::NoResult)));
    EXPECT_EQ(files(), std::vector<std::string>{"site.bvk"});
    o.xy = o.xySurface = true;
    const batch::RunOutcome written = batch::RunBatch(o, env);
    ASSERT_EQ(written.status, 0) << written.message;
    EXPECT_EQ(slurp(dir / "a.probe"), "calculated 1\n");
    EXPECT_EQ(slurp(dir / "b.TXT"), "calculated 1\n");
}

// The places and buildings take the form their path asks for under their
// own keyword, in any case.
TEST_F(OutputRows, SharedKeywordsPickTheFormByExtension) {
    for (auto [arg, kind] : {std::pair{"places=a.csv", OutputKind::Places},
                             {"PLACES=a.JSON", OutputKind::PlacesGeoJson},
                             {"places=a.geojson", OutputKind::PlacesGeoJson},
                             {"buildings=a.gpkg.csv", OutputKind::Buildings},
                             {"buildings=a.GeoJSON", OutputKind::BuildingsGeoJson},
                             {"buildings=a.GPKG", OutputKind::BuildingsGpkg},
                             {"buildings-gpkg=a.csv", OutputKind::BuildingsGpkg},
                             {"measurements=a.csv", OutputKind::Measurements},
                             {"Measurements=a.GeoJSON", OutputKind::MeasurementsGeoJson},
                             {"measurements-geojson=a.txt", OutputKind::MeasurementsGeoJson},
                             {"grid-xy=a.json", OutputKind::GridXY}}) {
        const batch::BatchOptions o = options({"s.bvk", "--export", arg});
        ASSERT_EQ(o.exports.size(), 1u) << arg;
        EXPECT_EQ(o.exports[0].kind, kind) << arg;
    }
}
