// The far-field model from the window: a pattern file chosen in "Antenna
// options" and the "Exposure model..." dialog.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/UndoHistory.h"
#include "app/dialogs/PolarPlot.h"
#include "calc/Towers.h"
#include "geo/Readout.h"

#include <QCheckBox>

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
        auto* warning = control<QLabel>(fuent, "patternWarning");
        ASSERT_TRUE(pattern && warning);
        if (k == 0) type(fuent, "hBeamwidth", "80"); // stays the antenna's parametric beam
        EXPECT_FALSE(warning->isVisibleTo(fuent));
        for (int tries = k == 0 ? 2 : 1; tries > 0; --tries) {
            pattern->setCurrentIndex(pattern->count() - 1);
            emit pattern->activated(pattern->count() - 1);
        }
        EXPECT_EQ(pattern->currentText(), "PANEL-65-0T");
        // The greyed boxes give the file's own 65 and 6.5 degrees, where its cuts fall 3 dB.
        auto* h = control<QLineEdit>(fuent, "hBeamwidth");
        EXPECT_EQ(std::pair(h->isEnabled(), h->text()), std::pair(false, QString("65.0")));
        const QString v = control<QLineEdit>(fuent, "vBeamwidth")->text();
        EXPECT_NEAR(v.toDouble(), 6.5, 0.15) << v.toStdString();
        EXPECT_EQ(control<QLineEdit>(fuent, "electricalTilt")->text(), "0.0");
        const QString width = control<PolarPlot>(fuent, "horizontalPlot")->beamwidthText();
        EXPECT_TRUE(width.contains("width 65.0")) << width.toStdString();
        EXPECT_TRUE(control<QLabel>(fuent, "beamGain")->text().contains("17.80 dBi"));
        EXPECT_EQ(PolarPlot::ringLabel(20), "-20 dB");
        // Beside the plots, the band far from the 900 MHz carrier; none at 1800 MHz.
        EXPECT_TRUE(warning->isVisibleTo(fuent) && warning->text().contains("1842.5 MHz"))
            << warning->text().toStdString();
        if (k == 1) {
            type(fuent, "freqtext", "1800");
            EXPECT_FALSE(warning->isVisibleTo(fuent));
            type(fuent, "freqtext", "900");
        }
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
    EXPECT_EQ(project.Antennas[1].AntHBeamwidthDeg, 80.0);
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

// An antenna made adaptive in its own dialog: the array's boxes are greyed
// until it is, a box out of its range is refused naming the field, and the
// accepted array and power factor are one undo step.
TEST_F(BeamAppTest, AdaptiveArrayBoxesFollowTheChoiceAndAcceptAsOneStep) {
    const geo::PointerCell at = geo::PointerCellAt(project, cell(12, 40).x(), cell(12, 40).y());
    PlaceAntenna(project, at.xs, at.ys, project.Zoom);
    ASSERT_EQ(project.AntennaCount, 1);
    clickAt(cell(12, 40));
    QDialog* fuent = dialog("fuent");
    ASSERT_NE(fuent, nullptr);
    auto* adaptive = control<QCheckBox>(fuent, "adaptive");
    ASSERT_FALSE(adaptive->isChecked());
    for (const char* box : {"arrayRows", "elementHWidth", "steerAzMax"})
        EXPECT_FALSE(control<QLineEdit>(fuent, box)->isEnabled()) << box;
    EXPECT_TRUE(control<QLineEdit>(fuent, "powerFactor")->isEnabled());
    const QString plain = control<PolarPlot>(fuent, "horizontalPlot")->beamwidthText();

    adaptive->click();
    EXPECT_EQ(control<QLineEdit>(fuent, "arrayRows")->text(), "8");
    EXPECT_TRUE(control<QLineEdit>(fuent, "elementHWidth")->isEnabled());
    EXPECT_NE(control<PolarPlot>(fuent, "horizontalPlot")->beamwidthText(), plain);

    const int steps = window->history().steps();
    submit(fuent, "elementHWidth", "0");
    ASSERT_NE(dialog("fuent"), nullptr);
    EXPECT_NE(prompts.lastMessage().find("Element horizontal width (degrees): above 0 and at most "
                                         "360"),
              std::string::npos)
        << prompts.lastMessage();
    EXPECT_EQ(window->history().steps(), steps);

    type(fuent, "elementHWidth", "65");
    type(fuent, "arrayColumns", "4");
    type(fuent, "powerFactor", "0.25");
    type(fuent, "powerFactorSource", "K_AA");
    click(fuent, "Command1");
    ASSERT_EQ(dialog("fuent"), nullptr) << prompts.lastMessage();
    const Antenna& a = project.Antennas[1];
    EXPECT_EQ(a.AntArrayRows, 8);
    EXPECT_EQ(a.AntArrayColumns, 4);
    EXPECT_EQ(a.AntElementHWidthDeg, 65);
    EXPECT_EQ(a.AntPowerFactor, 0.25);
    EXPECT_EQ(a.AntPowerFactorSource, "K_AA");
    EXPECT_EQ(window->history().steps(), steps + 1);
    trigger(cmd::Undo);
    EXPECT_EQ(project.Antennas[1].AntArrayRows, 0);
    EXPECT_EQ(project.Antennas[1].AntPowerFactor, 1);
    EXPECT_EQ(project.Antennas[1].AntPowerFactorSource, "");
}

} // namespace
} // namespace brenvik::app::testing
