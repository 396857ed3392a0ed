#include "app/UndoHistory.h"

#include <optional>
#include <utility>

namespace brenvik::app {

namespace {

class EditCommand : public QUndoCommand {
  public:
    EditCommand(const QString& text, Project& p, Edit e, const std::function<void()>& refresh)
        : QUndoCommand(text), project_(p), edit_(std::move(e)), refresh_(refresh) {}

    // The action has run already when its step is pushed: the first redo is
    // the push itself.
    void redo() override {
        if (pushed_ && edit_) {
            edit_->redo(project_);
            refresh_();
        }
        pushed_ = true;
    }
    void undo() override {
        if (!edit_) return;
        edit_->undo(project_);
        refresh_();
    }
    std::size_t bytes() const { return edit_ ? edit_->bytes() : 0; }
    void release() {
        edit_.reset();
        setObsolete(true);
    }

  private:
    Project& project_;
    std::optional<Edit> edit_;
    std::function<void()> refresh_;
    bool pushed_ = false;
};

EditCommand* EditAt(const QUndoStack& s, int i) {
    // The stack hands its steps out read-only; they are all ours.
    return static_cast<EditCommand*>(const_cast<QUndoCommand*>(s.command(i)));
}

} // namespace

UndoHistory::UndoHistory(Project& project, std::function<void()> refresh, QObject* parent)
    : QObject(parent), project_(project), refresh_(std::move(refresh)) {
    stack_.setUndoLimit(kMaxSteps);
    connect(&stack_, &QUndoStack::cleanChanged, this, &UndoHistory::cleanChanged);
    connect(&stack_, &QUndoStack::indexChanged, this, &UndoHistory::changed);
}

void UndoHistory::record(const QString& text, Edit edit, bool applied) {
    if (!edit.after(project_, applied)) return;
    stack_.push(new EditCommand(text, project_, std::move(edit), refresh_));
    trim();
    emit changed();
}

bool UndoHistory::canUndo() const {
    const int i = stack_.index();
    return i > 0 && !stack_.command(i - 1)->isObsolete();
}

void UndoHistory::undo() {
    if (canUndo()) {
        stack_.undo();
        return;
    }
    // Released steps only: they leave the history and nothing changes.
    while (stack_.index() > 0 && stack_.command(stack_.index() - 1)->isObsolete())
        stack_.undo();
}

void UndoHistory::redo() {
    stack_.redo();
}

void UndoHistory::setByteBudget(std::size_t bytes) {
    budget_ = bytes;
    trim();
}

std::size_t UndoHistory::bytes() const {
    std::size_t n = 0;
    for (int i = 0; i < stack_.count(); ++i)
        n += EditAt(stack_, i)->bytes();
    return n;
}

void UndoHistory::trim() {
    // The newest step always stays whole, whatever it holds.
    std::size_t total = bytes();
    for (int i = 0; i + 1 < stack_.count() && total > budget_; ++i) {
        EditCommand* c = EditAt(stack_, i);
        total -= c->bytes();
        c->release();
    }
}

} // namespace brenvik::app
