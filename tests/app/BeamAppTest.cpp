// The far-field model from the window: a pattern file chosen in "Antenna
// options" and the "Exposure model..." dialog.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/UndoHistory.h"
#include "app/dialogs/PolarPlot.h"

namespace brenvik::app::testing {
namespace {

using BeamAppTest = WindowTest;

const std::string Dir = BRENVIK_PATTERNS_DIR;

TEST_F(BeamAppTest, PatternFileJoinsTheProjectOnceAndTheModelChoiceUndoes) {
    QDialog* e = open(cmd::ExposureModel, "exposure");
    control<QComboBox>(e, "model")->setCurrentIndex(1);
    control<QComboBox>(e, "reflection")->setCurrentIndex(1);
    click(e, "Command1");
    EXPECT_EQ(project.Exposure, (ExposureSettings{ExposureModel::FarField, 2.56}));
    EXPECT_TRUE(window->hasUnsavedWork());
    trigger(cmd::Undo);
    EXPECT_EQ(project.Exposure, ExposureSettings{});

    // Both antennas of a tower read the same file; the first try picks a bad one.
    prompts.openPaths = {Dir + "/bad-negative-loss.msi", Dir + "/panel-65deg-0t.msi",
                         Dir + "/panel-65deg-0t.msi"};
    QDialog* torre = open("tiempo", "torre");
    click(torre, "Command3");
    for (int k = 0; k < 2; ++k) {
        control<QComboBox>(torre, "Combo1")->setCurrentIndex(k);
        click(torre, "Command1");
        QDialog* fuent = dialog("fuent");
        auto* pattern = control<QComboBox>(fuent, "pattern");
        for (int tries = k == 0 ? 2 : 1; tries > 0; --tries) {
            pattern->setCurrentIndex(pattern->count() - 1);
            emit pattern->activated(pattern->count() - 1);
        }
        EXPECT_EQ(pattern->currentText(), "PANEL-65-0T");
        const QString width = control<PolarPlot>(fuent, "horizontalPlot")->beamwidthText();
        EXPECT_TRUE(width.contains("width 65.0")) << width.toStdString();
        EXPECT_TRUE(control<QLabel>(fuent, "beamGain")->text().contains("17.80 dBi"));
        click(fuent, "Command1");
        EXPECT_EQ(dialog("fuent"), nullptr);
    }
    // The refused file, then on each accept the pattern's band against the
    // antenna's 900 MHz carrier.
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_NE(prompts.messages[0].find("line 14: negative loss"), std::string::npos);
    for (int k : {1, 2})
        EXPECT_EQ(prompts.messages[k], "Pattern PANEL-65-0T: measured at 1842.5 MHz, 105 % from "
                                       "the 900 MHz of the antenna that uses it");
    click(torre, "Command5");
    clickAt(cell(20, 20));
    ASSERT_EQ(project.AntennaCount, 2);
    ASSERT_EQ(project.Patterns.size(), 1u);
    EXPECT_EQ(project.Patterns[0].Source, "panel-65deg-0t.msi");
    EXPECT_EQ(project.Antennas[1].AntPattern, "PANEL-65-0T");
    EXPECT_EQ(project.Antennas[2].AntPattern, "PANEL-65-0T");
}

// A site inventory's pattern says on import what its file would have said
// in the beam dialog: a cut short of the gain, a band far from the carrier.
TEST_F(BeamAppTest, AnInventorysPatternWarningsReachTheWindow) {
    write("lifted.msi", "NAME LIFTED\nFREQUENCY 1800\nHORIZONTAL 2\n0 1\n180 20\n"
                        "VERTICAL 2\n0 0\n180 20\n");
    importSites(write("sites.csv", "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,"
                                   "frequency_mhz,label,pattern\n"
                                   "roof,,,50,40,8,panel,1500,45,2,900,,lifted.msi\n"));
    ASSERT_EQ(project.AntennaCount, 1);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0],
              "Pattern LIFTED: HORIZONTAL cut: the smallest loss is 1 dB, not 0 dB; its gains stay "
              "relative to the file's GAIN\nPattern LIFTED: measured at 1800 MHz, 100 % from the "
              "900 MHz of the antenna that uses it");
}

} // namespace
} // namespace brenvik::app::testing
