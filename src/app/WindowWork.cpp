// The window's care for the user's work: the undo history, the unsaved-work
// mark on the title, the save-changes question before work is dropped, the
// recent files, and projects dropped on the window.

#include "app/Commands.h"
#include "app/DialogFlows.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/UndoHistory.h"
#include "model/Document.h"
#include "model/ExtensionBlock.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

namespace brenvik::app {

namespace {

constexpr int kRecentMax = 8;
constexpr char kRecentKey[] = "recentFiles";

QSettings settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Brenvik", "Brenvik");
}

// A project file among dropped items: the first local file named *.bvk.
QString droppedProject(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && QFileInfo(path).suffix().compare("bvk", Qt::CaseInsensitive) == 0)
            return path;
    }
    return {};
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

// ---- Undo history -----------------------------------------------------------------------------

void MainWindow::recordEdit(const char* text, Edit edit, bool applied) {
    history_->record(QString::fromUtf8(text), std::move(edit), applied);
}

void MainWindow::afterHistoryStep() {
    // A step over a fine grid takes a moment to draw again.
    struct Busy {
        Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~Busy() { QApplication::restoreOverrideCursor(); }
    } busy;
    // What was drawn, armed or half-defined belongs to the state just left.
    resetTools();
    canvas_->clear();
    updateTitle();
    redrawView();
    clearReadouts();
}

bool MainWindow::hasUnsavedWork() const {
    return !history_->isClean() || calculatedSinceSave_;
}

void MainWindow::calculated() {
    calculatedSinceSave_ = true;
    updateModified();
}

void MainWindow::updateModified() {
    setWindowModified(hasUnsavedWork());
    // The items name the step they take back or bring again.
    if (QAction* a = items_.value(cmd::Undo)) {
        a->setEnabled(history_->canUndo());
        const QString t = history_->undoText();
        a->setText(t.isEmpty() ? "&Undo" : "&Undo " + t);
    }
    if (QAction* a = items_.value(cmd::Redo)) {
        a->setEnabled(history_->canRedo());
        const QString t = history_->redoText();
        a->setText(t.isEmpty() ? "&Redo" : "&Redo " + t);
    }
}

// ---- Saving -----------------------------------------------------------------------------------

bool MainWindow::saveTo(const std::string& path) {
    if (auto refused = ExtensionSaveRefusal(project_)) {
        warn(*refused);
        return false;
    }
    const std::string before = project_.FileName;
    project_.FileName = path;
    std::string why;
    if (!SaveProjectFile(project_, path, nullptr, &why)) {
        // The title keeps naming the project's own file.
        project_.FileName = before;
        warn(msg::withCause(msg::FileError, why));
        updateTitle();
        return false;
    }
    history_->setClean();
    calculatedSinceSave_ = false;
    addRecent(QFile::decodeName(path.c_str()));
    updateTitle();
    return true;
}

bool MainWindow::saveAs() {
    const std::optional<std::string> path = AskSavePath(project_, prompts_);
    return path && saveTo(*path);
}

bool MainWindow::confirmDiscard() {
    if (!hasUnsavedWork()) return true;
    switch (prompts_.askSaveChanges()) {
    case Prompts::Answer::Yes:
        return project_.FileName.empty() ? saveAs() : saveTo(project_.FileName);
    case Prompts::Answer::No:
        return true;
    case Prompts::Answer::Cancel:
        break;
    }
    return false;
}

void MainWindow::documentReplaced() {
    history_->clear();
    calculatedSinceSave_ = false;
    project_.CurrentPlane = Plane::XY;
    if (!project_.FileName.empty()) addRecent(QFile::decodeName(project_.FileName.c_str()));
    canvas_->clear();
    updateTitle();
    redrawView();
    clearReadouts();
}

bool MainWindow::openFile(const QString& path, bool ask) {
    resetTools();
    if (ask && !confirmDiscard()) return false;
    const bool read = OpenProjectPath(project_, prompts_, localPath(path));
    if (!read) {
        // The open project stays; a file that is gone leaves the recent list.
        if (!QFileInfo::exists(path) && recent_.removeAll(QFileInfo(path).absoluteFilePath()) > 0) {
            settings().setValue(kRecentKey, recent_);
            rebuildRecentMenu();
        }
        return false;
    }
    documentReplaced();
    return read;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    resetTools();
    if (confirmDiscard())
        e->accept();
    else
        e->ignore();
}

// ---- Dropped projects --------------------------------------------------------------------------

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (!droppedProject(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    const QString path = droppedProject(e->mimeData());
    if (path.isEmpty()) return;
    e->acceptProposedAction();
    // The question and the reading wait until the drop has ended.
    QMetaObject::invokeMethod(
        this, [this, path] { openFile(path, true); }, Qt::QueuedConnection);
}

// ---- Recent files ------------------------------------------------------------------------------

void MainWindow::addRecent(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent_.removeAll(full);
    recent_.prepend(full);
    while (recent_.size() > kRecentMax)
        recent_.removeLast();
    settings().setValue(kRecentKey, recent_);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu() {
    if (!recentMenu_) {
        QMenu* file = menuBar()->findChild<QMenu*>("archivo");
        if (!file) return;
        recentMenu_ = new QMenu("&Recent files", file);
        recentMenu_->setObjectName("recientes");
        QAction* before = nullptr;
        for (QAction* a : file->actions())
            if (a->objectName() == "sep2") before = a;
        file->insertMenu(before, recentMenu_);
        recent_ = settings().value(kRecentKey).toStringList();
    }
    recentMenu_->clear();
    int k = 0;
    for (const QString& path : recent_) {
        ++k;
        QAction* a =
            recentMenu_->addAction(QString("&%1 %2").arg(k).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        connect(a, &QAction::triggered, this, [this, path] {
            ensurePlanView();
            openFile(path, true);
        });
    }
    recentMenu_->setEnabled(!recent_.isEmpty());
}

// ---- Read-outs and hints -----------------------------------------------------------------------

void MainWindow::clearReadouts() {
    setLabel(label::X, "X=");
    setLabel(label::Y, "Y=");
    setLabel(label::Lon, "X(long)=");
    setLabel(label::Lat, "Y(lat)=");
    setLabel(label::Z, "Z=");
    setLabel(label::Density, "C=");
}

void MainWindow::updateHint() {
    const ToolFlags& t = toolFlags_;
    QString hint;
    switch (t.Active) {
    case PointerToolKind::PlaceAntenna:
        hint = "Click on the plan to place the antenna";
        break;
    case PointerToolKind::PlaceTower:
        hint = "Click on the plan to place the tower";
        break;
    case PointerToolKind::ReferencePoint:
        hint = "Click on the plan at the reference point";
        break;
    case PointerToolKind::Topographic:
        hint = "Drag a rectangle on the plan to give it the ground height";
        break;
    case PointerToolKind::ScaleMeasure:
        hint = !t.FirstPointTaken ? "Click on the first point of the known distance"
                                 : "Click on the second point of the known distance";
        break;
    case PointerToolKind::Erase:
        hint = "Click or drag over antennas to remove them";
        break;
    case PointerToolKind::Select:
        if (t.AverageToolOn)
            hint = "Average: a tool of the older air-pollution model; it has no effect on "
                   "the power density";
        break;
    }
    setLabel(label::Hint, hint);
}

} // namespace brenvik::app
