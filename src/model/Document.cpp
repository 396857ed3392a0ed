#include "model/Document.h"

#include "model/Messages.h"
#include "model/ProjectFile.h"

namespace brenvik {

void NewProject(Project& p) {
    p.FileName.clear();
    p.ResetProject();
}

bool SaveProject(Project& p, Prompts& prompts) {
    auto path = prompts.savePath(ProjectFileFilter);
    if (!path) return false;
    p.FileName = *path;
    if (!SaveProjectFile(p, *path)) {
        prompts.message(msg::FileError);
        return false;
    }
    return true;
}

namespace {

enum class OpenResult { Cancelled, Read, Failed };

OpenResult Open(Project& p, Prompts& prompts) {
    // The path is asked for first: a cancelled dialog leaves the open project
    // as it was instead of resetting it.
    auto path = prompts.openPath(ProjectFileFilter);
    if (!path) return OpenResult::Cancelled;
    p.ResetProject();
    p.FileName = *path;
    if (!LoadProjectFile(p, *path)) {
        // What was read before the error is dropped with the reset.
        prompts.message(msg::FileError);
        p.ResetProject();
        return OpenResult::Failed;
    }
    return OpenResult::Read;
}

} // namespace

bool OpenProject(Project& p, Prompts& prompts) {
    return Open(p, prompts) == OpenResult::Read;
}

SaveChangesOutcome AskSaveChanges(Project& p, Prompts& prompts, const std::string& action) {
    p.PendingAction = action;
    SaveChangesOutcome out;
    out.answer = prompts.askSaveChanges();
    switch (out.answer) {
    case Prompts::Answer::Yes:
        SaveProject(p, prompts);
        break;
    case Prompts::Answer::Cancel:
        break;
    case Prompts::Answer::No:
        if (action == "nuevo") {
            NewProject(p);
            out.documentChanged = true;
        } else if (action == "abrir") {
            out.documentChanged = Open(p, prompts) != OpenResult::Cancelled;
        } else if (action == "calculoescala") {
            out.dialog = PendingDialog::ScaleCalculation;
        } else if (action == "tamano") {
            out.dialog = PendingDialog::GridSize;
        } else if (action == "lineas") {
            out.dialog = PendingDialog::IsolineCount;
        } else if (action == "escala") {
            out.dialog = PendingDialog::Scale;
        }
        break;
    }
    return out;
}

} // namespace brenvik
