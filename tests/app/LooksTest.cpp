// What the window says and shows at a glance: the Help menu, the antenna
// options with a pattern, the Select tool.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/dialogs/PolarPlot.h"

#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTextBrowser>

namespace brenvik::app::testing {
namespace {

class LooksTest : public WindowTest {};

TEST_F(LooksTest, HelpMenuOpensTheGuideAndAnAboutBoxNamingTheLibraries) {
    auto* help = window->menuBar()->findChild<QMenu*>("help");
    ASSERT_NE(help, nullptr);
    QStringList captions;
    for (QAction* a : help->actions())
        if (!a->isSeparator()) captions << a->text().remove('&');
    EXPECT_EQ(captions, QStringList({"User guide", "About..."}));

    QDialog* guide = open(cmd::UserGuide, "userGuide");
    auto* text = control<QTextBrowser>(guide, "guideText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().contains("Select")) << text->toPlainText().toStdString();
    EXPECT_TRUE(text->toPlainText().contains("Far-field (IEC 62232)"));

    QDialog* about = open(cmd::About, "canarina");
    auto* libraries = control<QLabel>(about, "libraries");
    ASSERT_NE(libraries, nullptr);
    const QRegularExpression versions(R"(Qt 6\.\d+\.\d+, GDAL \d+\.\d+\.\d+, PROJ \d+\.\d+\.\d+)");
    EXPECT_TRUE(versions.match(libraries->text()).hasMatch()) << libraries->text().toStdString();
}

// With a pattern, the greyed boxes give the pattern's own figures, a band far
// from the carrier is said beside the plots, and the parametric beam typed
// before stays the antenna's.
TEST_F(LooksTest, AntennaOptionsWithAPatternTellItsOwnWidthsAndBand) {
    prompts.openPaths = {std::string(BRENVIK_PATTERNS_DIR) + "/panel-65deg-0t.msi"};
    QDialog* torre = open("tiempo", "torre");
    click(torre, "Command1");
    QDialog* fuent = dialog("fuent");
    auto* pattern = control<QComboBox>(fuent, "pattern");
    ASSERT_NE(pattern, nullptr);
    auto* h = control<QLineEdit>(fuent, "hBeamwidth");
    auto* v = control<QLineEdit>(fuent, "vBeamwidth");
    auto* warning = control<QLabel>(fuent, "patternWarning");
    ASSERT_TRUE(h && v && warning);
    type(fuent, "hBeamwidth", "80");
    EXPECT_FALSE(warning->isVisibleTo(fuent));
    pattern->setCurrentIndex(pattern->count() - 1);
    emit pattern->activated(pattern->count() - 1);
    ASSERT_EQ(pattern->currentText(), "PANEL-65-0T");

    // The file states 65 and 6.5 degrees; its cuts fall 3 dB there.
    EXPECT_FALSE(h->isEnabled());
    EXPECT_EQ(h->text(), "65.0");
    EXPECT_NEAR(v->text().toDouble(), 6.5, 0.15) << v->text().toStdString();
    EXPECT_EQ(control<QLineEdit>(fuent, "electricalTilt")->text(), "0.0");
    // 1842.5 MHz on the default 900 MHz carrier; gone at 1800 MHz.
    EXPECT_TRUE(warning->isVisibleTo(fuent));
    EXPECT_TRUE(warning->text().contains("1842.5 MHz")) << warning->text().toStdString();
    type(fuent, "freqtext", "1800");
    EXPECT_FALSE(warning->isVisibleTo(fuent));
    EXPECT_EQ(PolarPlot::ringLabel(20), "-20 dB");

    click(fuent, "Command1");
    click(torre, "Command5");
    clickAt(cell(20, 20));
    ASSERT_EQ(project.AntennaCount, 1);
    EXPECT_EQ(project.Antennas[1].AntPattern, "PANEL-65-0T");
    EXPECT_EQ(project.Antennas[1].AntHBeamwidthDeg, 80.0);
}

} // namespace
} // namespace brenvik::app::testing
