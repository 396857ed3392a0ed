#pragma once

#include "model/Prompts.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::batch {

// The answers a batch run gives to the questions the application's commands
// ask: the path of the next file dialog is the one from the command line, and
// every message box is collected so the run can report it on standard error.
class BatchPrompts : public Prompts {
  public:
    void setNextPath(std::string path) { next_ = std::move(path); }
    const std::vector<std::string>& messages() const { return messages_; }
    // The last message shown, or `fallback` when none was.
    std::string lastMessage(const std::string& fallback) const {
        return messages_.empty() ? fallback : messages_.back();
    }
    void clearMessages() { messages_.clear(); }

    void message(const std::string& text) override { messages_.push_back(text); }
    std::optional<std::string> openPath(const std::string&) override { return take(); }
    std::optional<std::string> savePath(const std::string&) override { return take(); }
    // Nothing in a batch run discards work behind the user's back.
    Answer askSaveChanges() override { return Answer::Cancel; }

  private:
    std::optional<std::string> take() {
        auto p = std::move(next_);
        next_.reset();
        return p;
    }
    std::optional<std::string> next_;
    std::vector<std::string> messages_;
};

} // namespace brenvik::batch
