// The desktop sequences: select, drag and undo; the attribute table; Save as;
// wheel zoom and pan; the exported picture.

#include "MainWindowTestSupport.h"
#include "app/AntennaTable.h"
#include "app/Commands.h"

#include <QFile>
#include <QTableView>
#include <QWheelEvent>

namespace brenvik::app::testing {
namespace {

class DesktopTest : public WindowTest {
  protected:
    QByteArray slurp(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void wheel(QPointF units, int angle) {
        PlanCanvas* c = window->canvasWidget();
        const QPointF pos = c->toWidget(units);
        QWheelEvent e(pos, c->mapToGlobal(pos), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(c, &e);
        QApplication::processEvents();
    }
    void middleDrag(QPointF from, QPointF to) {
        PlanCanvas* c = window->canvasWidget();
        for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, from},
                                {QEvent::MouseMove, to},
                                {QEvent::MouseButtonRelease, to}}) {
            const QPointF pos = c->toWidget(at);
            QMouseEvent e(type, pos, c->mapToGlobal(pos), Qt::MiddleButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MiddleButton,
                          Qt::NoModifier);
            QApplication::sendEvent(c, &e);
        }
        QApplication::processEvents();
    }
    QString itemText(const char* name) { return window->item(name)->text().remove('&'); }
};

TEST_F(DesktopTest, AFileTowerIsSelectedDraggedAndUndoneByName) {
    placeTower(30, 30, {"", "S"});
    const QString path = dir.filePath("site.bvk");
    prompts.savePaths.push_back(path.toStdString());
    trigger(cmd::Save);
    ASSERT_TRUE(window->openFile(path, false));
    ASSERT_EQ(project.AntennaCount, 2);

    // A click picks the tower read from the file and opens it, as always.
    clickAt(cell(30, 30));
    EXPECT_EQ(window->selection(), 1);
    EXPECT_TRUE(window->canvasWidget()->lineVisible(Overlay::Selection1));
    EXPECT_NE(dialog("torre"), nullptr);
    window->resetTools();

    // A drag moves both antennas: one step, named.
    const double cs = project.CellSize;
    drag(cell(30, 30), cell(40, 35));
    EXPECT_EQ(
        std::tuple(project.Antennas[1].AntX, project.Antennas[2].AntX, project.Antennas[2].AntY),
        std::tuple(40 * cs, 40 * cs, 35 * cs));
    EXPECT_EQ(itemText(cmd::Undo), "Undo Move tower");
    trigger(cmd::Undo);
    EXPECT_EQ(std::pair(project.Antennas[1].AntX, project.Antennas[2].AntY),
              std::pair(30 * cs, 30 * cs));
    EXPECT_EQ(itemText(cmd::Redo), "Redo Move tower");

    // Delete takes the selected tower away, also one step.
    window->setSelection(2);
    trigger(cmd::DeleteSelection);
    EXPECT_EQ(project.AntennaCount, 0);
    EXPECT_FALSE(window->canvasWidget()->lineVisible(Overlay::Selection1));
    EXPECT_EQ(itemText(cmd::Undo), "Undo Delete tower");

    // Another file opened starts with nothing selected.
    trigger(cmd::Undo);
    window->setSelection(1);
    ASSERT_TRUE(window->openFile(path, false));
    EXPECT_EQ(window->selection(), 0);
    EXPECT_FALSE(window->canvasWidget()->lineVisible(Overlay::Selection1));
}

TEST_F(DesktopTest, AnEditInTheTableIsOneStepAndFollowsTheSelection) {
    placeTower(20, 20);
    placeTower(50, 40);
    trigger(cmd::AttributeTable);
    QTableView* t = window->antennaTable();
    ASSERT_TRUE(t->isVisible());
    QAbstractItemModel* m = t->model();
    ASSERT_EQ(m->rowCount(), 2);
    t->setCurrentIndex(m->index(1, 0));
    EXPECT_EQ(window->selection(), 2);
    window->setSelection(1);
    EXPECT_EQ(t->selectionModel()->selectedRows().value(0).row(), 0);

    project.XY.Calculated = true;
    ASSERT_TRUE(m->setData(m->index(1, AntennaTableModel::Power), "250"));
    EXPECT_EQ(project.Antennas[2].AntPower, 250.0);
    EXPECT_EQ(project.XY.Calculated, 0); // the result no longer matches
    EXPECT_EQ(m->index(1, AntennaTableModel::Power).data(AntennaTableModel::SortRole).toDouble(),
              250.0);
    EXPECT_FALSE(m->setData(m->index(1, AntennaTableModel::Frequency), "1e9"));
    EXPECT_EQ(prompts.lastMessage(), "Frequency (MHz): between 0.1 and 300000");
    EXPECT_EQ(itemText(cmd::Undo), "Undo Edit power");
    trigger(cmd::Undo);
    EXPECT_EQ(std::pair(project.Antennas[2].AntPower, project.XY.Calculated),
              std::pair(project.DefPower, true));
    // A name of the antenna's own is shown in its column, read only.
    project.Antennas[2].AntOperator = "Telco, north";
    EXPECT_EQ(m->headerData(AntennaTableModel::Operator, Qt::Horizontal).toString(), "Operator");
    EXPECT_EQ(m->index(1, AntennaTableModel::Operator).data().toString(), "Telco, north");
    EXPECT_FALSE(m->flags(m->index(1, AntennaTableModel::Operator)) & Qt::ItemIsEditable);
}

TEST_F(DesktopTest, SaveAsPrefillsTheNameAndAsksBeforeReplacingWhateverTheExtension) {
    const QString b2 = QString::fromStdString(write("B2.bvk", "keep"));
    placeTower(20, 20);
    for (bool replace : {false, true}) {
        prompts.savePaths.push_back(dir.filePath("B2").toStdString());
        prompts.replaceAnswers.push_back(replace);
        trigger(cmd::SaveAs);
        EXPECT_EQ(prompts.replaceAsked.back(), b2.toStdString());
        EXPECT_EQ(slurp(b2) == "keep", !replace);
    }
    EXPECT_EQ(title(), "Brenvik 5.0 english [" + b2.toStdString() + "]");
    prompts.savePaths.push_back(std::nullopt);
    trigger(cmd::SaveAs);
    EXPECT_EQ(prompts.suggestedNames.back(), b2.toStdString());

    // The file moves away: opening it keeps the project and drops the entry.
    ASSERT_TRUE(window->recentFiles().contains(b2));
    ASSERT_TRUE(QFile::rename(b2, dir.filePath("moved.bvk")));
    placeTower(40, 40);
    EXPECT_FALSE(window->openFile(b2, false));
    EXPECT_EQ(project.AntennaCount, 2);
    EXPECT_FALSE(window->recentFiles().contains(b2));
    EXPECT_NE(prompts.lastMessage().find("no such file"), std::string::npos);
}

TEST_F(DesktopTest, WheelZoomsAtThePointerAndTheOverlaysFollow) {
    project.XZ.Calculated = true;
    project.XZPlaneRow = 20;
    const QPointF at(6000, 4000);
    wheel(at, 3 * 120);
    EXPECT_DOUBLE_EQ(project.Zoom, 1.25 * 1.25 * 1.25);
    // The plan point under the pointer stays under it.
    EXPECT_NEAR((at.x() - project.ScrollOffsetX) / project.Zoom, at.x(), 1e-6);
    EXPECT_NEAR((at.y() - project.ScrollOffsetY) / project.Zoom, at.y(), 1e-6);
    const double cs = project.CellSize;
    EXPECT_NEAR(window->canvasWidget()->line(Overlay::SectionLine).y1(),
                20 * cs * project.Zoom + project.ScrollOffsetY, 1e-6);

    const double x0 = project.ScrollOffsetX;
    middleDrag(QPointF(5000, 5000), QPointF(4000, 5000));
    EXPECT_NEAR(project.ScrollOffsetX, x0 - 1000, 1e-6);
    for (int k = 0; k < 20; ++k)
        wheel(at, 120);
    EXPECT_EQ(project.Zoom, 6.0);
    trigger(cmd::ZoomToPlan);
    EXPECT_EQ(std::tuple(project.Zoom, project.ScrollOffsetX, project.ScrollOffsetY),
              std::tuple(1.0, 0.0, 0.0));
    wheel(at, -120);
    EXPECT_EQ(project.Zoom, 1.0);
}

TEST_F(DesktopTest, ExportPictureWritesTheWholePlanAtTheSizeAsked) {
    placeTower(20, 20);
    QDialog* d = open(cmd::ExportPicture, "exportPicture");
    type(d, "pictureWidth", "abc");
    click(d, "Command1");
    EXPECT_EQ(prompts.lastMessage(), "Input data error\nWidth (pixels): between 16 and 20000");
    type(d, "pictureWidth", "800");
    type(d, "pictureHeight", "600");
    prompts.savePaths.push_back(dir.filePath("plan").toStdString());
    click(d, "Command1");
    EXPECT_EQ(dialog("exportPicture"), nullptr);
    EXPECT_EQ(QImage(dir.filePath("plan.png")).size(), QSize(800, 600));
}

} // namespace
} // namespace brenvik::app::testing
