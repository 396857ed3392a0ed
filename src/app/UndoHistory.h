#pragma once

#include "model/Edits.h"

#include <QObject>
#include <QUndoStack>
#include <cstddef>
#include <functional>

namespace brenvik::app {

// The window's undo history: one step per user action on the project, each
// holding the record of what that action changed. Undo and redo exchange the
// record with the project and then let the window redraw.
//
// The history is bounded twice: by a number of steps, and by the bytes its
// records hold. When the bytes run over, the oldest steps let go of their
// records; they can no longer be undone and leave the history at the next
// undo that reaches them.
class UndoHistory : public QObject {
    Q_OBJECT
  public:
    static constexpr int kMaxSteps = 200;
    static constexpr std::size_t kDefaultBudget = std::size_t(256) << 20;

    UndoHistory(Project& project, std::function<void()> refresh, QObject* parent = nullptr);

    // Ends the record of an action that has just run: kept as one step named
    // `text` when the action was applied and changed something.
    void record(const QString& text, Edit edit, bool applied = true);

    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const { return stack_.canRedo(); }
    // Clean: the project is as it was when last saved, opened or made new.
    bool isClean() const { return stack_.isClean(); }
    void setClean() { stack_.setClean(); }
    // A new or opened project: the steps belong to the one before it.
    void clear() { stack_.clear(); }
    int steps() const { return stack_.count(); }
    // The names of the steps that undo and redo would take back ("Place tower").
    QString undoText() const { return canUndo() ? stack_.undoText() : QString(); }
    QString redoText() const { return stack_.redoText(); }
    // For a view of the steps that jumps back and forth through them.
    QUndoStack* stack() { return &stack_; }

    void setByteBudget(std::size_t bytes);
    std::size_t bytes() const;

  signals:
    void cleanChanged(bool clean);
    void changed();

  private:
    void trim();

    Project& project_;
    std::function<void()> refresh_;
    QUndoStack stack_;
    std::size_t budget_ = kDefaultBudget;
};

} // namespace brenvik::app
