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
    Answer askSaveChanges() override { return pop(answers, Answer::Cancel); }

  private:
    // The next scripted item, or `none` once the script has run out.
    template <class T> static T pop(std::deque<T>& q, T none) {
        if (q.empty()) return none;
        T t = q.front();
        q.pop_front();
        return t;
    }
    std::optional<std::string> next(const std::string& filter) {
        filters.push_back(filter);
        return pop(paths, std::optional<std::string>());
    }
};

} // namespace brenvik::testing
