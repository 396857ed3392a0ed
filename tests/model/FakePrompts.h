#pragma once

#include "model/Prompts.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::testing {

// Scripted answers for the dialogs, recording what was asked and shown.
class FakePrompts : public Prompts {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> filters;
    std::deque<std::optional<std::string>> paths;
    std::deque<Answer> answers;
    int saveAsked = 0;
    int openAsked = 0;

    void message(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> openPath(const std::string& filter) override {
        ++openAsked;
        return next(filter);
    }
    std::optional<std::string> savePath(const std::string& filter) override {
        ++saveAsked;
        return next(filter);
    }
    Answer askSaveChanges() override {
        Answer a = answers.empty() ? Answer::Cancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    }

  private:
    std::optional<std::string> next(const std::string& filter) {
        filters.push_back(filter);
        if (paths.empty()) return std::nullopt;
        auto p = paths.front();
        paths.pop_front();
        return p;
    }
};

} // namespace brenvik::testing
