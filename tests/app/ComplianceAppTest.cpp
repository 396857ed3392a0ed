// The exposure limits in the window: the antenna's frequency box, the site
// inventory commands, the "% of limit" display and read-out, and the report.

#include "MainWindowTestSupport.h"
#include "app/ComplianceFlows.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/GridCalc.h"
#include "calc/TowerForms.h"
#include "compliance/Summary.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <tuple>

namespace brenvik::app::testing {
namespace {

TEST(AntennaFrequencyBox, RefusesOutsideTheCarrierRangeAndShowsWhatWasStored) {
    struct Case {
        const char* typed;
        bool accepted;
        const char* shownAgain;
    } cases[] = {{"1800", true, "1800"}, {"0.1", true, "0.1"},     {"300000", true, "300000"},
                 {"0.09", false, "900"}, {"300001", false, "900"}, {"abc", false, "900"}};
    for (const Case& c : cases) {
        Project p;
        TowerBeginNew(p);
        const int slot = p.AntennaCount + 1;
        p.EnsureAntennaSlots(slot);
        AntennaDialog d(AntennaFormLoad(p, slot, dialognum::Formatter()));
        auto* box = d.findChild<QLineEdit*>("freqtext");
        EXPECT_EQ(box->text(), "900");
        box->setText(c.typed);
        AntennaForm f = d.form();
        EXPECT_EQ(AntennaFormAccept(p, f, slot, false, dialognum::parser(), dialognum::Formatter()),
                  c.accepted ? std::nullopt : std::optional<std::string>("Input data error"))
            << c.typed;
        AntennaDialog again(AntennaFormLoad(p, slot, dialognum::Formatter()));
        EXPECT_EQ(again.findChild<QLineEdit*>("freqtext")->text(), c.shownAgain) << c.typed;
    }
}

class ComplianceAppTest : public WindowTest {
  protected:
    static constexpr const char* kHead =
        "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,label\n";
    const std::string kSites = std::string(kHead) + "roof,,,50,40,8,panel,1500,45,2,900,A\n"
                                                    "roof,,,50,40,11,stick,400,,,1800,B\n"
                                                    "mast,,,100,70,15,panel,2500,200,6,3500,C\n";
};

TEST_F(ComplianceAppTest, ImportReplacesOrAddsAndABadRowImportsNothing) {
    const std::string head = kHead;
    const std::string sites = write("sites.csv", kSites);
    const std::string more = write("more.csv", head + "far,,,80,20,6,stick,100,,,2100,\n");
    importSites(sites, false);
    EXPECT_EQ(project.AntennaCount, 3);
    EXPECT_EQ(project.Antennas[3].AntFrequencyMHz, 3500.0);
    importSites(more, true);
    EXPECT_EQ(project.AntennaCount, 4);
    EXPECT_EQ(project.TowerCount, 3);
    importSites(more, false);
    EXPECT_EQ(project.AntennaCount, 1);
    // An import is one undo step: the antennas of before come back.
    trigger(cmd::Undo);
    EXPECT_EQ(project.AntennaCount, 4);
    trigger(cmd::Redo);
    EXPECT_EQ(project.AntennaCount, 1);

    prompts.messages.clear();
    importSites(write("bad.csv", head + "a,,,20,20,5,panel,100,0,0,900,\n"
                                        "b,,,30,30,5,dish,100,0,0,900,\n"
                                        "c,,,40,40,5,panel,lots,0,0,900,\n"),
                true);
    EXPECT_EQ(project.AntennaCount, 1);
    ASSERT_EQ(prompts.messages.size(), 1u);
    for (const char* line : {"line 3", "line 4"})
        EXPECT_NE(prompts.lastMessage().find(line), std::string::npos) << prompts.lastMessage();
}

TEST_F(ComplianceAppTest, PercentOfLimitRedrawsOnlyWhenChosenAndReadsOut) {
    importSites(write("sites.csv", kSites), false);
    calculate();
    ASSERT_TRUE(compliance::HasRatio(project, false));
    const Grid2D<double> density = project.XY.Density;
    Project alone = project; // the density does not depend on the ratio's pass
    ASSERT_TRUE(RunXYCalculation(alone).ok());
    EXPECT_EQ(alone.XY.Density, density);
    trigger("linea");
    const QImage plain = window->areaImage();

    trigger(cmd::PercentOfLimit);
    EXPECT_TRUE(window->compliance().percentShown());
    const QImage percent = window->areaImage();
    EXPECT_NE(percent, plain);
    EXPECT_EQ(project.XY.Density, density); // only the picture changes

    trigger(cmd::PercentOfLimit);
    EXPECT_EQ(window->areaImage(), plain);

    mouse(QEvent::MouseMove, cell(10, 10));
    QLabel* percentText = window->findChild<QLabel*>(label::Percent);
    EXPECT_TRUE(percentText->text().startsWith("% limit="));
    EXPECT_TRUE(window->findChild<QLabel*>(label::Field)->text().endsWith("uW/cm^2"));

    // The read-out goes with its result.
    ASSERT_FALSE(percentText->isHidden());
    trigger(cmd::EraseButton);
    clickAt(cell(2, 2)); // a miss still drops the plan's result
    trigger(cmd::EraseButton);
    EXPECT_EQ(project.XY.Calculated, 0);
    EXPECT_TRUE(percentText->isHidden());
}

TEST_F(ComplianceAppTest, TheReportStatesTheMaximumAndTheVerdict) {
    importSites(write("sites.csv", kSites), false);
    calculate();
    // The settings choose the standard and the unit of the summary and report.
    QDialog* settings = open(cmd::ComplianceSettings, "compliance");
    auto* standard = control<QComboBox>(settings, "standard");
    standard->setCurrentIndex(standard->findData("icnirp-1998"));
    auto* unit = control<QComboBox>(settings, "unidad");
    unit->setCurrentIndex(unit->findText("V/m"));
    control<QLineEdit>(settings, "evaluador")->setText("J. Doe");
    click(settings, "Command1");
    runCalculation(); // the new standard's ratio
    EXPECT_EQ(std::tuple(project.Compliance.Standard, project.Compliance.Assessor),
              std::tuple("icnirp-1998", "J. Doe"));

    trigger(cmd::ComplianceSummary);
    const QString summary = control<QPlainTextEdit>(dialog("summary"), "resumen")->toPlainText();
    for (const char* part : {"icnirp-1998", "Maximum", " V/m", "tower 2, antenna 1, 3500.0 MHz"})
        EXPECT_TRUE(summary.contains(part)) << part << "\n" << summary.toStdString();
    click(dialog("summary"), "Command1");

    // A result read from a file has no ratio: the report works it out. The
    // places get their page as in the batch companion's report.
    project.XY.Ratio = {};
    project.Places = {brenvik::Place{"Schoolyard", "school", 5000, 4000, 1.5}};
    const QString pdf = dir.filePath("report.pdf");
    prompts.savePaths.push_back(pdf.toStdString());
    trigger(cmd::Report);
    runCalculation();
    EXPECT_TRUE(compliance::HasRatio(project, false));
    const QString text = PdfText(pdf);
    for (const char* part :
         {"Maximum", "there E =", "Assessor: J. Doe", "Places of sensitive use", "Schoolyard"})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains("complies: maximum") || text.contains("exceeds the limit over"))
        << text.toStdString();
}

} // namespace
} // namespace brenvik::app::testing
