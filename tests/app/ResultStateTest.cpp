// Results out of date in the window: marked, never certified, recomputed on
// request; and an undo that brings back a grid brings back its result.

#include "MainWindowTestSupport.h"
#include "app/ComplianceFlows.h"
#include "app/ResultState.h"
#include "compliance/Summary.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"

#include <QFile>
#include <QPlainTextEdit>
#include <algorithm>

namespace brenvik::app::testing {
namespace {

class ResultStateTest : public WindowTest {
  protected:
    void importSites(const std::string& path) {
        trigger(cmd::ImportSites);
        prompts.openPaths.push_back(path);
        click(dialog("importsites"), "Command1");
    }
    bool shown(const char* name) const {
        auto* l = window->findChild<QLabel*>(name);
        return l && l->isVisible();
    }
    std::string write(const char* name, const std::string& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
        return f.fileName().toStdString();
    }
    double summaryMaxPercent() {
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
    EXPECT_TRUE(shown(label::OutOfDate));
    calculate();
    ASSERT_TRUE(ResultCurrent(project, Plane::XY));
    EXPECT_FALSE(shown(label::OutOfDate) || shown(label::LegendOutOfDate));
    const double before = summaryMaxPercent();

    importSites(BRENVIK_EXAMPLES_DIR "/two-towers-sites.csv");
    ASSERT_EQ(project.AntennaCount, 3);
    EXPECT_TRUE(ResultStale(project, Plane::XY));
    EXPECT_TRUE(shown(label::OutOfDate) && shown(label::LegendOutOfDate));
    EXPECT_EQ(window->findChild<QLabel*>(label::OutOfDate)->text(),
              "Result out of date: F5 recalculates");

    // Declined: no summary, no report file, no "% of limit", no export.
    prompts.savePaths = {dir.filePath("report.pdf").toStdString(),
                         dir.filePath("max.csv").toStdString()};
    for (const char* command : {cmd::ComplianceSummary, cmd::Report, cmd::PercentOfLimit, "g16"})
        trigger(command);
    EXPECT_EQ(prompts.questions.size(), 4u);
    EXPECT_EQ(dialog("summary"), nullptr);
    EXPECT_EQ(prompts.savePaths.size(), 2u);
    EXPECT_FALSE(window->compliance().percentShown() || pressed(cmd::PercentOfLimit));
    EXPECT_TRUE(ResultStale(project, Plane::XY));

    // Accepted: the plan is calculated again first, then summarised.
    prompts.answers = {Prompts::Answer::Yes};
    trigger(cmd::ComplianceSummary);
    runCalculation();
    ASSERT_TRUE(RatioCurrent(project, Plane::XY));
    EXPECT_EQ(project.CalcAntennaCount, 3);
    const double now = summaryMaxPercent();
    EXPECT_NE(now, before);
    EXPECT_DOUBLE_EQ(now, 100.0 * *std::max_element(project.RatioGrid.data(),
                                                    project.RatioGrid.data() +
                                                        project.RatioGrid.size()));
    ASSERT_NE(dialog("summary"), nullptr);
    EXPECT_FALSE(shown(label::OutOfDate));
}

TEST_F(ResultStateTest, ANewStandardRecomputesTheRatioOnly) {
    // Every antenna at 900 MHz, where ICNIRP 2020 allows 450 uW/cm^2 and the
    // FCC f/1.5 = 600 uW/cm^2 for the public.
    importSites(write("sites.csv",
                      "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,"
                      "frequency_mhz,label\n"
                      "roof,,,50,40,8,panel,1500,45,2,900,A\nmast,,,100,70,15,panel,2500,200,6,"
                      "900,B\n"));
    calculate();
    ASSERT_TRUE(RatioCurrent(project, Plane::XY));
    const Grid2D<double> density = project.DensityGrid;
    const auto ratioIs = [&](double limitUw) {
        for (int i = 1; i <= project.GridNX; i += 3)
            for (int j = 1; j <= project.GridNY; j += 3)
                ASSERT_NEAR(project.RatioGrid(i, j), density(i, j) / limitUw,
                            1e-12 * (1 + density(i, j) / limitUw));
    };
    ratioIs(450.0);

    trigger(cmd::ComplianceSettings);
    auto* standard = control<QComboBox>(dialog("compliance"), "standard");
    standard->setCurrentIndex(standard->findData("fcc"));
    click(dialog("compliance"), "Command1");
    runCalculation();
    ASSERT_TRUE(RatioCurrent(project, Plane::XY));
    EXPECT_EQ(project.DensityGrid, density);
    ratioIs(600.0);
    EXPECT_TRUE(prompts.questions.empty()); // nothing out of date to ask about

    // Undo brings back the standard, and the first ratio is again not current.
    trigger(cmd::Undo);
    EXPECT_EQ(project.Compliance.Standard, "icnirp-2020");
    EXPECT_FALSE(RatioCurrent(project, Plane::XY));
    trigger(cmd::ComplianceSummary);
    runCalculation();
    ratioIs(450.0);
}

TEST_F(ResultStateTest, UndoOfAGridSizeBringsBackItsWholeResult) {
    placeTower(30, 30);
    calculate();
    const Project first = project;
    prompts.saveChangesAnswers = {Prompts::Answer::No};
    enter(cmd::GridSize, "malla", "Text1", "120");
    ASSERT_EQ(project.GridNX, 120);
    calculate();
    ASSERT_EQ(project.DensityGrid.nx(), 120);
    const Project second = project;

    trigger(cmd::Undo);
    EXPECT_EQ(project.GridNX, 100);
    EXPECT_TRUE(project.DensityGrid == first.DensityGrid && project.Isolines == first.Isolines &&
                project.MaxDensity == first.MaxDensity && project.GridXm == first.GridXm);
    EXPECT_TRUE(ResultCurrent(project, Plane::XY));
    EXPECT_FALSE(shown(label::OutOfDate));

    const std::string path = dir.filePath("undone.bvk").toStdString();
    prompts.savePaths.push_back(path);
    trigger(cmd::SaveAs);
    Project read;
    ASSERT_TRUE(LoadProjectFile(read, path));
    EXPECT_NEAR(read.MaxDensity, first.MaxDensity, 1e-9 * first.MaxDensity);
    EXPECT_EQ(read.DensityGrid.nx(), 100);

    trigger(cmd::Redo);
    EXPECT_TRUE(project.DensityGrid == second.DensityGrid &&
                project.MaxDensity == second.MaxDensity && ResultCurrent(project, Plane::XY));
}

} // namespace
} // namespace brenvik::app::testing
