#pragma once

// What the dialog tests share: a scripted Prompts that records the messages,
// and a lookup of a dialog's control by its name.
#include "model/Prompts.h"

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brenvik::dialogtest {

struct ScriptedPrompts : Prompts {
    std::vector<std::string> messages;
    void message(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> openPath(const std::string&) override { return std::nullopt; }
    std::optional<std::string> savePath(const std::string&) override { return std::nullopt; }
    Answer askSaveChanges() override { return Answer::Cancel; }
};

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

} // namespace brenvik::dialogtest
