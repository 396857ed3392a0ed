#pragma once

#include "model/Prompts.h"

#include <QString>

class QWidget;

namespace brenvik::app {

// The real dialogs behind Prompts: a warning box with the exclamation icon and
// one OK button, the platform's file dialogs, and the save-changes question.
class QtPrompts : public Prompts {
  public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const std::string& text) override;
    std::optional<std::string> openPath(const std::string& filter) override;
    std::optional<std::string> savePath(const std::string& filter) override;
    std::optional<std::string> saveAsPath(const std::string& filter,
                                          const std::string& suggested) override;
    bool confirmReplace(const std::string& path) override;
    Answer askSaveChanges() override;
    Answer ask(const std::string& question) override;

  private:
    // `dialogAsksReplace`: the file dialog itself asks before an existing file
    // is chosen (Save as asks after the extension is added instead).
    std::optional<std::string> choosePath(const std::string& filter, bool save,
                                          const std::string& suggested = {},
                                          bool dialogAsksReplace = true);
    QWidget* parent_;
    QString lastDirectory_; // where the last file dialog was left
};

// "Torvel Files (*.bvk)| *.bvk" → "Torvel Files (*.bvk)": the part before the
// bar is the name the file dialog lists, with the patterns it filters by.
QString QtFileFilter(const std::string& filter);

} // namespace brenvik::app
