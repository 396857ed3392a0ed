#pragma once

#include "model/Document.h"
#include "model/Edits.h"
#include "model/Project.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QMainWindow;
class QMenu;
class QSettings;

namespace brenvik {
class Prompts;
} // namespace brenvik

namespace brenvik::app {

class CommandBar;
class PlanView;
class StatusReadouts;
class ToolBench;
class UndoHistory;

// The user's settings of the program (recent files, colours), kept between
// runs.
QSettings UserSettings();
// Whether results take the colour-blind-safe colours (true when not set).
inline constexpr char kSafeColoursKey[] = "display/colourBlindSafe";

// The open project as the user's work: its file, its undo history, the
// unsaved-work mark on the title, the save-changes question before work is
// dropped, and the recent files.
class DocumentHolder {
  public:
    DocumentHolder(QMainWindow& window, Project& p, Prompts& prompts, CommandBar& bar,
                   PlanView& view, ToolBench& tools, StatusReadouts& status);
    ~DocumentHolder();
    // The dialog a "No" to the save-changes question goes on with.
    void setPendingDialogs(std::function<void(PendingDialog)> open) { pending_ = std::move(open); }
    // What else starts again with a new or opened project (the selection,
    // the read-outs of the previous one).
    void setOnReplaced(std::function<void()> hook) { onReplaced_ = std::move(hook); }

    UndoHistory& history() { return *history_; }
    // Keeps the record of an action that has just run as one undo step.
    void record(const char* text, Edit edit, bool applied);
    // Edits not undone since the last save, or a calculation since then.
    bool hasUnsavedWork() const;
    // A calculation has replaced a result: work to save.
    void calculated();
    void updateTitle();
    void updateModified();

    // The save-changes question before `action`, then the action's dialog.
    void askSaveChanges(PendingCommand action);
    // The question before unsaved work is dropped: true to go on (saved, or
    // "No"), false to stay.
    bool confirmDiscard();
    bool saveAs();
    // Writes onto `path`; on failure the project keeps its file name.
    bool saveTo(const std::string& path);
    // A new or opened project: the history and the view start again.
    void replaced();
    // Opens the project at `path`; with `ask`, the save-changes question
    // comes first when there is unsaved work. True when read.
    bool openFile(const QString& path, bool ask);

    QStringList recentFiles() const { return recent_; }
    void rebuildRecentMenu();

  private:
    void afterHistoryStep();
    void addRecent(const QString& path);

    QMainWindow& window_;
    Project& project_;
    Prompts& prompts_;
    CommandBar& bar_;
    PlanView& view_;
    ToolBench& tools_;
    StatusReadouts& status_;
    UndoHistory* history_ = nullptr;
    std::function<void(PendingDialog)> pending_;
    std::function<void()> onReplaced_;
    bool calculatedSinceSave_ = false;
    QMenu* recentMenu_ = nullptr;
    QStringList recent_;
};

} // namespace brenvik::app
