// The steps of a run called in-process, against the same operations the
// application's commands use.

#include "BatchTestSupport.h"
#include "batch/BatchRun.h"
#include "batch/GridDump.h"
#include "batch/Interrupt.h"
#include "calc/CalcForms.h"
#include "export/CsvExport.h"

#include <atomic>
#include <gmock/gmock.h>
#include <sstream>
#include <tuple>

using namespace brenvik;
using namespace brenvik::batch;
using namespace batchtest;

class Steps : public ScratchTest {};

TEST_F(Steps, ExportsAndGridDumpsAreTheApplicationsBytes) {
    writeSite(MakeSite(100, 3), dir / "site.bvk");
    using K = CsvExport;
    // clang-format off
    const std::vector<std::pair<std::string, CsvExport>> kinds{
        {"isolines-cartesian", K::IsolinesCartesian},
        {"isolines-geographic", K::IsolinesGeographic},
        {"sources-cartesian", K::SourcesCartesian}, {"sources-geographic", K::SourcesGeographic},
        {"concentrations-cartesian", K::ConcentrationsCartesian},
        {"concentrations-geographic", K::ConcentrationsGeographic},
        {"maximum-cartesian", K::MaximumCartesian}, {"maximum-geographic", K::MaximumGeographic}};
    // clang-format on
    std::vector<std::string> args{at("site.bvk"),
                                  "--xz",
                                  "30",
                                  "--xy",
                                  "12.9",
                                  "--export",
                                  "grid-xz=" + at("xz.csv"),
                                  "--export",
                                  "grid-xy=" + at("xy.csv")};
    for (const auto& [name, kind] : kinds)
        args.insert(args.end(), {"--export", name + "=" + at(name + ".csv")});
    RunOutcome r = RunBatch(options(args), RunEnvironment{});
    ASSERT_EQ(r.status, 0) << r.message;

    Project app;
    ASSERT_TRUE(LoadProjectFile(app, at("site.bvk")));
    // The XY calculation as the window runs it from its dialog.
    CalForm f = CalFormLoad(app);
    CalFormOption2(app, f);
    f.text1 = "12.9";
    ASSERT_FALSE(CalFormAccept(app, f));
    EXPECT_EQ(app.CalcHeight, 12.0);
    ASSERT_TRUE(RunXYCalculation(app).ok());
    for (const auto& [name, kind] : kinds) {
        std::string expected;
        ASSERT_TRUE(WriteCsv(app, kind, expected));
        EXPECT_EQ(slurp(dir / (name + ".csv")), expected) << name;
    }
    ASSERT_FALSE(XZDialogAccept(app, "30"));
    ASSERT_TRUE(RunXZCalculation(app).ok());
    // The dumps hold the very grids the window calculated, node for node.
    for (const auto& [file, grid] :
         {std::pair{"xy.csv", &app.XY.Density}, std::pair{"xz.csv", &app.XZ.Density}}) {
        std::ostringstream expected;
        writeGridDump(expected, *grid, app.GridNX, app.GridNY);
        EXPECT_EQ(slurp(dir / file), expected.str()) << file;
        EXPECT_GT(*std::max_element(grid->data(), grid->data() + grid->size()), 0.0) << file;
    }
}

TEST_F(Steps, SettingsFollowTheDialogs) {
    Project p = MakeSite(40, 1);
    ApplySettings(p, options({"x.bvk", "--open-angle-bts", "-120", "--open-angle-dts", "7.5"}));
    EXPECT_EQ(std::tuple(p.OpenAngleBTS, p.OpenAngleDTS), std::tuple(85.0, 7.5));
    ApplySettings(p, options({"x.bvk", "--open-angle-dts", "-3"}));
    // The box not given keeps its value.
    EXPECT_EQ(std::tuple(p.OpenAngleBTS, p.OpenAngleDTS), std::tuple(85.0, 3.0));

    ApplySettings(p, options({"x.bvk", "--isolines", "4"}));
    EXPECT_EQ(p.IsolineCount, 4);
    // No isoline is no level at all.
    EXPECT_THAT(
        [&] {
            ApplySettings(p, options({"x.bvk", "--isolines", "0"}));
        },
        ::testing::ThrowsMessage<BatchFailure>(::testing::StrEq("Input data error")));
    EXPECT_EQ(p.IsolineCount, 4);

    RunXYStep(p, options({"x.bvk", "--xy", "-0.5"}), RunEnvironment{});
    // The height is made whole downwards, as the dialog does.
    EXPECT_EQ(std::tuple(p.CalcOption, p.CalcHeight, p.XY.IsolineLevel.size()),
              std::tuple(CalcLevel::AtHeight, -1.0, 5u));
    RunXYStep(p, options({"x.bvk", "--xy", "surface"}), RunEnvironment{});
    EXPECT_EQ(std::tuple(p.CalcOption, p.CalcHeight), std::tuple(CalcLevel::AtSurface, 0.0));
}

TEST_F(Steps, RefusalsCarryTheApplicationsMessages) {
    auto failure = [this](std::vector<std::string> args) {
        args.insert(args.begin(), at("site.bvk"));
        RunOutcome r = RunBatch(options(args), RunEnvironment{});
        EXPECT_EQ(r.status, 1);
        return r.message;
    };
    writeSite(Project{}, dir / "site.bvk"); // no antenna
    EXPECT_EQ(failure({"--xy", "surface"}), "Introduce, at least, a pollutant source");
    EXPECT_EQ(failure({"--xz", "10"}), "Introduce, at least, a pollutant source");

    const Project site = MakeSite(50, 1);
    writeSite(site, dir / "site.bvk");
    double planHeight = site.GridNY * site.CellSize * site.MetersPerUnit;
    const std::string far = "Distance not allowed";
    const std::string noXY = "There is not a calculated electromagnetic pollution";
    const std::string noXZ = "Calcule first the electromagnetic pollution in the plane XZ";
    EXPECT_EQ(failure({"--xz", "0"}), far);
    EXPECT_EQ(failure({"--xz", "-4"}), far);
    EXPECT_EQ(failure({"--xz", FormatNumberC(planHeight * 1.0001)}), far);
    // The dialog takes the plan's full height (what the calculation then makes
    // of that section is the engine's affair).
    EXPECT_NE(RunBatch(options({at("site.bvk"), "--xz", FormatNumberC(planHeight)}), {}).message,
              far);
    EXPECT_EQ(failure({"--export", "grid-xz=" + at("g.csv")}), noXZ);
    EXPECT_EQ(failure({"--export", "grid-xy=" + at("g.csv")}), noXY);
    EXPECT_EQ(failure({"--xy", "surface", "--image", at("i.png"), "--plane", "xz"}), noXZ);
    EXPECT_EQ(failure({"--image", at("i.png"), "--style", "gradient"}), noXY);
    EXPECT_EQ(failure({"--image", at("i.png"), "--style", "dots"}), "No calculated levels");
    // No drawing hook in-process.
    EXPECT_EQ(failure({"--xy", "surface", "--image", at("i.png")}),
              "Cannot draw images in this program");

    // A result calculated while zoomed cannot seed a section.
    Project zoomed = site;
    ASSERT_TRUE(RunXYCalculation(zoomed).ok());
    zoomed.XYCalcZoom = 2.0;
    writeSite(zoomed, dir / "site.bvk");
    EXPECT_EQ(failure({"--xz", "10"}), "It is needed a Zoom value in the XY-Plane of 100%");

    std::ofstream(dir / "site.bvk", std::ios::binary) << "2\r\n150\r\nabc\r\n";
    const std::string damaged = "Error en el fichero\n" + at("site.bvk") + ": line 3";
    EXPECT_EQ(failure({}), damaged);
    EXPECT_EQ(failure({"--xy", "surface", "--save", at("s.bvk")}), damaged);
    EXPECT_EQ(files(), std::vector<std::string>{"site.bvk"}); // nothing else, no temporaries
}

TEST_F(Steps, AFailureOrInterruptLateInTheRunLeavesNoOutputAtAll) {
    writeSite(MakeSite(50, 2), dir / "site.bvk");
    std::ofstream(dir / "old.csv") << "previous";
    Feedback stop;
    stop.cancel();
    RunEnvironment interrupted;
    interrupted.cancel = &stop;
    const struct {
        std::vector<std::string> args;
        RunEnvironment env;
        std::string says;
    } cases[] = {
        {{"--export", "grid-xy=" + at("new.csv"), "--save", at("new.bvk"), "--image", at("new.png"),
          "--plane", "xz"},
         {},
         "Calcule first"},
        {{"--export", "grid-xy=" + at("new.csv"), "--save", at("new.bvk")},
         interrupted,
         kMsgInterrupted},
        {{"--export", "sources-cartesian=" + at("no/such.csv")}, {}, "Cannot write"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{at("site.bvk"), "--xy", "surface", "--export",
                                      "sources-cartesian=" + at("old.csv")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunOutcome r = RunBatch(options(args), c.env);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
        EXPECT_EQ(files(), (std::vector<std::string>{"old.csv", "site.bvk"}));
        EXPECT_EQ(slurp(dir / "old.csv"), "previous");
    }
}

TEST_F(Steps, SaveKeepsTheResultWhateverTheOptionOrder) {
    writeSite(MakeSite(80, 2), dir / "site.bvk");
    std::vector<std::string> steps;
    RunEnvironment env;
    env.stepTimed = [&steps](const std::string& s, double, double) { steps.push_back(s); };
    RunOutcome r =
        RunBatch(options({"--save", at("out.bvk"), "--export", "maximum-cartesian=" + at("m.csv"),
                          "--isolines", "3", "--xy", "surface", at("site.bvk")}),
                 env);
    ASSERT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(steps, (std::vector<std::string>{"read", "xy", "export maximum-cartesian", "save",
                                               "commit"}));
    // The saved result is the run's (its values are the application's: see the
    // grid dumps above; their file forms, the project file's tests).
    Project back;
    ASSERT_TRUE(LoadProjectFile(back, at("out.bvk")));
    EXPECT_EQ(std::tuple(back.XY.Calculated, back.IsolineCount), std::tuple(1, 3));
    EXPECT_GT(back.XY.MaxDensity, 0.0);
    // The saved file runs again without a calculation: its result is exported.
    r = RunBatch(options({at("out.bvk"), "--export", "grid-xy=" + at("again.csv")}), {});
    EXPECT_EQ(r.status, 0) << r.message;
}

// The map layers: staged like every output, refused without an XY result.
TEST_F(Steps, MapLayersAreWrittenAndNeedAnXYResult) {
    writeSite(MakeSite(50, 2), dir / "site.bvk");
    const struct {
        const char *kind, *file;
    } kinds[] = {{"geotiff", "r.tif"},
                 {"isolines-geojson", "i.geojson"},
                 {"zones-geojson", "z.geojson"},
                 {"gpkg", "r.gpkg"},
                 {"kmz", "r.kmz"}};
    std::vector<std::string> args{at("site.bvk")};
    for (const auto& k : kinds) {
        RunOutcome refused = RunBatch(
            options({at("site.bvk"), "--export", std::string(k.kind) + "=" + at(k.file)}), {});
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.message, "There is not a calculated electromagnetic pollution");
        args.insert(args.end(), {"--export", std::string(k.kind) + "=" + at(k.file)});
    }
    EXPECT_EQ(files(), std::vector<std::string>{"site.bvk"});

    args.insert(args.end(), {"--xy", "surface"});
    RunOutcome r = RunBatch(options(args), {});
    ASSERT_EQ(r.status, 0) << r.message;
    // What each file holds is read back in the map writers' own tests.
    for (const auto& k : kinds)
        EXPECT_GT(fs::file_size(dir / k.file), 0u) << k.kind;
}
