// Results out of date in the window: marked, never certified, recomputed on
// request; and an undo that brings back a grid brings back its result.

#include "app/ResultState.h"

#include "MainWindowTestSupport.h"
#include "app/ComplianceFlows.h"
#include "compliance/Summary.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"

#include <QFile>
#include <algorithm>

namespace brenvik::app::testing {
namespace {

class ResultStateTest : public WindowTest {
  protected:
    bool shown(const char* name) const { return window->findChild<QLabel*>(name)->isVisible(); }
    double summaryMax() {
        return compliance::Summarise(project, window->compliance().library(),
                                     project.Compliance.Standard, project.Compliance.Group)
            .summary.maxPercent;
    }
};

TEST_F(ResultStateTest, ResultOfReplacedAntennasIsMarkedAndNeverCertified) {
    const QString copy = dir.filePath("stepped.bvk");
    ASSERT_TRUE(QFile::copy(BRENVIK_EXAMPLES_DIR "/stepped-towers.bvk", copy));
    ASSERT_TRUE(window->openFile(copy, false));
    EXPECT_FALSE(shown(label::OutOfDate)); // a stored result opens current
    placeTower(5, 5);
    calculate();
    ASSERT_FALSE(shown(label::OutOfDate) || shown(label::LegendOutOfDate));
    const double before = summaryMax();
    importSites(BRENVIK_EXAMPLES_DIR "/two-towers-sites.csv");
    EXPECT_TRUE(shown(label::OutOfDate) && shown(label::LegendOutOfDate));

    // Declined: no summary, no report, no "% of limit", no export.
    prompts.savePaths = {dir.filePath("r.pdf").toStdString(), dir.filePath("m.csv").toStdString()};
    for (const char* command : {cmd::ComplianceSummary, cmd::Report, cmd::PercentOfLimit, "g16"})
        trigger(command);
    EXPECT_EQ(prompts.questions.size(), 4u);
    EXPECT_TRUE(!dialog("summary") && prompts.savePaths.size() == 2u);
    EXPECT_FALSE(window->compliance().percentShown() || pressed(cmd::PercentOfLimit));

    // Accepted: the plan is calculated again first, then summarised.
    prompts.answers = {Prompts::Answer::Yes};
    trigger(cmd::ComplianceSummary);
    runCalculation();
    ASSERT_TRUE(RatioCurrent(project, Plane::XY) && dialog("summary"));
    const double now = summaryMax();
    EXPECT_NE(now, before);
    const Grid2D<double>& r = project.XY.Ratio;
    EXPECT_DOUBLE_EQ(now, 100.0 * *std::max_element(r.data(), r.data() + r.size()));
    EXPECT_FALSE(shown(label::OutOfDate));
}

TEST_F(ResultStateTest, ANewStandardRecomputesTheRatio) {
    // At 900 MHz ICNIRP 2020 allows the public 450 uW/cm^2, the FCC 600.
    importSites(write("s.csv", "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,"
                               "frequency_mhz,label\nr,,,50,40,8,panel,1500,45,2,900,\n"
                               "m,,,100,70,15,panel,2500,200,6,900,\n"));
    calculate();
    const Grid2D<double> density = project.XY.Density;
    const auto ratioIs = [&](double limitUw) {
        ASSERT_TRUE(RatioCurrent(project, Plane::XY) && project.XY.Density == density);
        for (int i = 1; i <= project.GridNX; i += 3)
            for (int j = 1; j <= project.GridNY; j += 3)
                ASSERT_NEAR(project.XY.Ratio(i, j) * limitUw, density(i, j), 1e-9 * density(i, j));
    };
    ratioIs(450.0);
    trigger(cmd::ComplianceSettings);
    auto* standard = control<QComboBox>(dialog("compliance"), "standard");
    standard->setCurrentIndex(standard->findData("fcc"));
    click(dialog("compliance"), "Command1");
    runCalculation();
    ratioIs(600.0);
    trigger(cmd::Undo); // the old standard, whose ratio is worked out again when asked
    trigger(cmd::ComplianceSummary);
    runCalculation();
    ratioIs(450.0);
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(ResultStateTest, UndoOfAGridSizeBringsBackItsWholeResult) {
    placeTower(30, 30);
    calculate();
    const Project first = project;
    prompts.saveChangesAnswers = {Prompts::Answer::No};
    enter(cmd::GridSize, "malla", "Text1", "120");
    calculate();
    ASSERT_EQ(project.XY.Density.nx(), 120);
    trigger(cmd::Undo);
    EXPECT_TRUE(project.GridNX == 100 && project.XY.Density == first.XY.Density &&
                project.XY.Isolines == first.XY.Isolines &&
                project.XY.MaxDensity == first.XY.MaxDensity);
    EXPECT_TRUE(ResultCurrent(project, Plane::XY));
    const std::string path = dir.filePath("undone.bvk").toStdString();
    prompts.savePaths.push_back(path);
    trigger(cmd::SaveAs);
    Project read;
    ASSERT_TRUE(LoadProjectFile(read, path));
    EXPECT_NEAR(read.XY.MaxDensity, first.XY.MaxDensity, 1e-9 * first.XY.MaxDensity);
    trigger(cmd::Redo);
    EXPECT_TRUE(project.XY.Density.nx() == 120 && ResultCurrent(project, Plane::XY));
}

} // namespace
} // namespace brenvik::app::testing
