#pragma once

#include <optional>
#include <string>

namespace brenvik {

// Everything that asks the user something or tells them something goes through
// this one interface: the application answers with real dialogs, the tests and
// the batch companion with scripted answers, so nothing ever blocks on a modal
// box.
class Prompts {
  public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompts() = default;

    // A message box with the exclamation icon and an OK button.
    virtual void message(const std::string& text) = 0;

    // File dialogs with a filter string such as "Torvel Files (*.bvk)| *.bvk".
    // No value means the dialog was cancelled.
    virtual std::optional<std::string> openPath(const std::string& filter) = 0;
    virtual std::optional<std::string> savePath(const std::string& filter) = 0;
    // The save dialog of Save as, opened on `suggested` (the project's own
    // path); without a dialog of its own it is savePath().
    virtual std::optional<std::string> saveAsPath(const std::string& filter,
                                                  const std::string& suggested) {
        (void)suggested;
        return savePath(filter);
    }
    // The question before an existing file is replaced: true to replace it.
    virtual bool confirmReplace(const std::string& path) {
        (void)path;
        return true;
    }

    // The save-changes question: "Do you want to save the current work?. The
    // current work will be deleted. " with the buttons Yes, No and Cancel.
    virtual Answer askSaveChanges() = 0;

    // A question with the buttons Yes and No. Where nobody can answer (the
    // batch), the answer is No, which never does the thing asked about.
    virtual Answer ask(const std::string& question) {
        (void)question;
        return Answer::No;
    }
};

} // namespace brenvik
