// The window's care for the user's work: the undo history, the unsaved-work
// mark on the title, the save-changes question before work is dropped and
// the recent files.

#include "app/DocumentHolder.h"

#include "app/CommandBar.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/StatusReadouts.h"
#include "app/ToolBench.h"
#include "app/UndoHistory.h"
#include "model/ExtensionBlock.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "model/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

namespace brenvik::app {

namespace {

constexpr int kRecentMax = 8;
constexpr char kRecentKey[] = "recentFiles";

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

QSettings UserSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Brenvik", "Brenvik");
}

DocumentHolder::DocumentHolder(QMainWindow& window, Project& p, Prompts& prompts, CommandBar& bar,
                               PlanView& view, ToolBench& tools, StatusReadouts& status)
    : window_(window), project_(p), prompts_(prompts), bar_(bar), view_(view), tools_(tools),
      status_(status) {
    history_ = new UndoHistory(
        project_, [this] { afterHistoryStep(); }, &window_);
    QObject::connect(history_, &UndoHistory::changed, &window_, [this] { updateModified(); });
    QObject::connect(history_, &UndoHistory::cleanChanged, &window_, [this] { updateModified(); });
}

DocumentHolder::~DocumentHolder() {
    // The history empties itself as it goes; the window is no longer there to
    // show it.
    QObject::disconnect(history_, nullptr, &window_, nullptr);
}

// ---- Undo history -----------------------------------------------------------------------------

void DocumentHolder::record(const char* text, Edit edit, bool applied) {
    history_->record(QString::fromUtf8(text), std::move(edit), applied);
}

void DocumentHolder::afterHistoryStep() {
    // A step over a fine grid takes a moment to draw again.
    struct Busy {
        Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~Busy() { QApplication::restoreOverrideCursor(); }
    } busy;
    // What was drawn, armed or half-defined belongs to the state just left;
    // the Select tool holds nothing of it and stays.
    const bool selecting = tools_.flags().Active == PointerToolKind::Arrow;
    tools_.reset();
    if (selecting) tools_.arm(PointerToolKind::Arrow, cmd::SelectButton);
    view_.canvas().clear();
    if (onReplaced_) onReplaced_();
    updateTitle();
    view_.redraw();
    status_.clear();
}

bool DocumentHolder::hasUnsavedWork() const {
    return !history_->isClean() || calculatedSinceSave_;
}

void DocumentHolder::calculated() {
    calculatedSinceSave_ = true;
    updateModified();
}

void DocumentHolder::updateTitle() {
    // "[*]" shows the unsaved-work mark where the platform puts it.
    window_.setWindowTitle(QString::fromStdString(project_.Title()) + "[*]");
    updateModified();
}

void DocumentHolder::updateModified() {
    window_.setWindowModified(hasUnsavedWork());
    // The items name the step they take back or bring again.
    if (QAction* a = bar_.item(cmd::Undo)) {
        a->setEnabled(history_->canUndo());
        const QString t = history_->undoText();
        a->setText(t.isEmpty() ? "&Undo" : "&Undo " + t);
    }
    if (QAction* a = bar_.item(cmd::Redo)) {
        a->setEnabled(history_->canRedo());
        const QString t = history_->redoText();
        a->setText(t.isEmpty() ? "&Redo" : "&Redo " + t);
    }
}

// ---- Saving and opening -----------------------------------------------------------------------

void DocumentHolder::askSaveChanges(PendingCommand action) {
    const std::string fileBefore = project_.FileName;
    const SaveChangesOutcome out = AskSaveChanges(project_, prompts_, action);
    if (out.answer == Prompts::Answer::Yes) {
        if (out.saved) {
            history_->setClean();
            calculatedSinceSave_ = false;
            addRecent(QFile::decodeName(out.savedPath.c_str()));
        } else {
            project_.FileName = fileBefore; // the title names the project's own file
        }
    }
    updateTitle();
    if (out.documentChanged) replaced();
    // "Yes" that saved goes on with the action as "No" does.
    if ((out.answer == Prompts::Answer::No || out.saved) && pending_) pending_(out.dialog);
}

bool DocumentHolder::saveTo(const std::string& path) {
    if (auto refused = ExtensionSaveRefusal(project_)) {
        prompts_.message(*refused);
        return false;
    }
    const std::string before = project_.FileName;
    project_.FileName = path;
    std::string why;
    if (!SaveProjectFile(project_, path, nullptr, &why)) {
        // The title keeps naming the project's own file.
        project_.FileName = before;
        prompts_.message(msg::WithCause(msg::FileError, why));
        updateTitle();
        return false;
    }
    history_->setClean();
    calculatedSinceSave_ = false;
    addRecent(QFile::decodeName(path.c_str()));
    updateTitle();
    return true;
}

bool DocumentHolder::saveAs() {
    const std::optional<std::string> path = AskSavePath(project_, prompts_);
    return path && saveTo(*path);
}

bool DocumentHolder::confirmDiscard() {
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

void DocumentHolder::replaced() {
    history_->clear();
    calculatedSinceSave_ = false;
    project_.CurrentPlane = Plane::XY;
    if (!project_.FileName.empty()) addRecent(QFile::decodeName(project_.FileName.c_str()));
    view_.canvas().clear();
    if (onReplaced_) onReplaced_();
    updateTitle();
    view_.redraw();
    status_.clear();
}

bool DocumentHolder::openFile(const QString& path, bool ask) {
    tools_.reset();
    if (ask && !confirmDiscard()) return false;
    const bool read = OpenProjectPath(project_, prompts_, LocalPath(path));
    if (!read) {
        // The open project stays; a file that is gone leaves the recent list.
        if (!QFileInfo::exists(path) && recent_.removeAll(QFileInfo(path).absoluteFilePath()) > 0) {
            UserSettings().setValue(kRecentKey, recent_);
            rebuildRecentMenu();
        }
        return false;
    }
    replaced();
    return read;
}

// ---- Recent files ------------------------------------------------------------------------------

void DocumentHolder::addRecent(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent_.removeAll(full);
    recent_.prepend(full);
    while (recent_.size() > kRecentMax)
        recent_.removeLast();
    UserSettings().setValue(kRecentKey, recent_);
    rebuildRecentMenu();
}

void DocumentHolder::rebuildRecentMenu() {
    if (!recentMenu_) {
        QMenu* file = window_.menuBar()->findChild<QMenu*>("archivo");
        if (!file) return;
        recentMenu_ = new QMenu("&Recent files", file);
        recentMenu_->setObjectName("recientes");
        QAction* before = nullptr;
        for (QAction* a : file->actions())
            if (a->objectName() == "sep2") before = a;
        file->insertMenu(before, recentMenu_);
        recent_ = UserSettings().value(kRecentKey).toStringList();
    }
    recentMenu_->clear();
    int k = 0;
    for (const QString& path : recent_) {
        ++k;
        QAction* a =
            recentMenu_->addAction(QString("&%1 %2").arg(k).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        QObject::connect(a, &QAction::triggered, &window_, [this, path] {
            view_.ensurePlan();
            openFile(path, true);
        });
    }
    recentMenu_->setEnabled(!recent_.isEmpty());
}

} // namespace brenvik::app
