// Unsaved work: the title's mark, the save-changes question, the project
// file's suffix, projects opened from outside, and the read-outs and dialogs
// that must not mislead.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "model/Document.h"
#include "model/ProjectFile.h"

#include <QMimeData>
#include <QSettings>
#include <QUrl>

namespace brenvik::app::testing {
namespace {

class NoLostWork : public WindowTest {
  protected:
    void SetUp() override {
        // The recent files go to a settings file of the test's own.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        WindowTest::SetUp();
    }
    void drop(const QString& path) {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent e(QPointF(50, 50), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &e);
        QApplication::processEvents();
        delete data;
    }
};

TEST(ProjectSuffix, TakenFromTheFilterWhenNoneIsTyped) {
    const struct {
        const char *path, *filter, *expected;
    } cases[] = {{"/tmp/site", ProjectFileFilter, "/tmp/site.bvk"},
                 {"/tmp/v1.2/site", ProjectFileFilter, "/tmp/v1.2/site.bvk"},
                 {"/tmp/site.txt", ProjectFileFilter, "/tmp/site.txt"},
                 {"/tmp/site", "bmp Files (*.bmp)| *.bmp", "/tmp/site.bmp"},
                 {"/tmp/site", "All files (*)", "/tmp/site"}};
    for (const auto& c : cases)
        EXPECT_EQ(WithDefaultSuffix(c.path, c.filter), c.expected) << c.path;
}

TEST_F(NoLostWork, TheQuestionComesOnlyWithUnsavedWork) {
    EXPECT_FALSE(window->isWindowModified());
    placeTower(20, 20);
    EXPECT_TRUE(window->isWindowModified() && window->windowTitle().endsWith("[*]"));

    // Closing with unsaved work asks; Cancel keeps the window.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompts.saveChangesAsked, 1);

    // Save asks for a path once; afterwards it saves onto the same file.
    const QString path = dir.filePath("site.bvk");
    prompts.savePaths.push_back(path.toStdString());
    trigger(cmd::Save);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->recentFiles().value(0), path);
    placeTower(40, 20);
    trigger(cmd::Save);
    EXPECT_EQ(prompts.filters.size(), 1u);
    Project back;
    ASSERT_TRUE(LoadProjectFile(back, path.toStdString()));
    EXPECT_EQ(back.AntennaCount, 2);

    // An export names its own file; the title keeps the project's.
    prompts.savePaths.push_back(dir.filePath("sources.csv").toStdString());
    trigger("g10");
    EXPECT_EQ(project.FileName, path.toStdString());

    // "Save as..." always asks. Nothing unsaved: New and closing go straight on.
    prompts.savePaths.push_back(dir.filePath("copy").toStdString());
    trigger(cmd::SaveAs);
    EXPECT_EQ(prompts.filters.size(), 3u);
    trigger(cmd::New);
    EXPECT_EQ(project.AntennaCount, 0);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompts.saveChangesAsked, 1);
}

TEST_F(NoLostWork, ProjectsOpenFromTheCommandLineAndByDrop) {
    Project site;
    site.EnsureAntennaSlots(1);
    site.AntennaCount = site.TowerCount = 1;
    site.Antennas[1].AntTower = 1;
    const QString path = dir.filePath("dropped.bvk");
    ASSERT_TRUE(SaveProjectFile(site, path.toStdString()));

    EXPECT_TRUE(window->openFile(path, false));
    EXPECT_EQ(project.AntennaCount, 1);
    EXPECT_TRUE(window->windowTitle().contains("dropped.bvk"));

    // With unsaved work a drop asks first: Cancel keeps the work.
    trigger(cmd::New);
    placeTower(20, 20);
    placeTower(30, 20);
    drop(path);
    EXPECT_EQ(prompts.saveChangesAsked, 1);
    EXPECT_EQ(project.AntennaCount, 2);
    prompts.saveChangesAnswers = {Prompts::Answer::No};
    drop(path);
    EXPECT_EQ(project.AntennaCount, 1);
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(NoLostWork, ReadoutsAndDialogsDoNotMislead) {
    // No result: C= shows no value; leaving the plan clears the read-outs.
    mouse(QEvent::MouseMove, cell(10, 10));
    EXPECT_EQ(window->labelText(label::Density), "C=");
    EXPECT_EQ(window->labelText(label::Height), "h=ground level");
    EXPECT_NE(window->labelText(label::X), "X=");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(window->canvasWidget(), &leave);
    EXPECT_EQ(window->labelText(label::X), "X=");

    // A typo in the XZ distance keeps its dialog open.
    placeTower(20, 20);
    enter(cmd::XZCalculation, "calperfil", "Text2", "twelve", "a");
    EXPECT_NE(dialog("calperfil"), nullptr);
    dialog("calperfil")->close();

    // The grid dialog says how much of the plan a grid covers and offers the
    // count that covers it all.
    prompts.saveChangesAnswers = {Prompts::Answer::No};
    QDialog* grid = open(cmd::GridSize, "malla");
    type(grid, "Text1", "6000");
    EXPECT_TRUE(control<QLabel>(grid, "Label2")->text().contains("78 %"));
    click(grid, "cubrir");
    EXPECT_EQ(control<QLineEdit>(grid, "Text1")->text(), "5120");
    EXPECT_FALSE(control<QLabel>(grid, "Label2")->isVisible());
    grid->close();

    // The Average button says what it does while pressed.
    trigger(cmd::AverageButton);
    EXPECT_FALSE(window->labelText(label::Hint).isEmpty());
    trigger(cmd::EraseButton);
    EXPECT_TRUE(window->labelText(label::Hint).contains("antennas"));
}

} // namespace
} // namespace brenvik::app::testing
