#include "model/Document.h"

#include "model/ExtensionBlock.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"

namespace brenvik {

void NewProject(Project& p) {
    p.FileName.clear();
    p.ResetProject();
}

bool SaveProject(Project& p, Prompts& prompts, const std::atomic<bool>* cancel) {
    if (auto refused = ExtensionSaveRefusal(p)) {
        prompts.message(*refused);
        return false;
    }
    auto path = prompts.savePath(ProjectFileFilter);
    if (!path) return false;
    p.FileName = *path;
    std::string why;
    if (!SaveProjectFile(p, *path, cancel, &why)) {
        if (!cancel || !cancel->load()) prompts.message(msg::withCause(msg::FileError, why));
        return false;
    }
    return true;
}

namespace {

enum class OpenResult { Cancelled, Read, Failed };

OpenResult ReadPath(Project& p, Prompts& prompts, const std::string& path) {
    p.ResetProject();
    p.FileName = path;
    std::string why;
    if (!LoadProjectFile(p, path, &why)) {
        // What was read before the error is dropped with the reset.
        prompts.message(msg::withCause(msg::FileError, why));
        p.ResetProject();
        return OpenResult::Failed;
    }
    if (p.ExtensionNewerVersion != 0)
        prompts.message("The project was written by a newer program (extension block version " +
                        std::to_string(p.ExtensionNewerVersion) +
                        "): its newer data are not read, and this version will not save it.");
    return OpenResult::Read;
}

OpenResult Open(Project& p, Prompts& prompts) {
    // The path is asked for first: a cancelled dialog leaves the open project
    // as it was instead of resetting it.
    auto path = prompts.openPath(ProjectFileFilter);
    if (!path) return OpenResult::Cancelled;
    return ReadPath(p, prompts, *path);
}

} // namespace

bool OpenProject(Project& p, Prompts& prompts) {
    return Open(p, prompts) == OpenResult::Read;
}

bool OpenProjectPath(Project& p, Prompts& prompts, const std::string& path) {
    return ReadPath(p, prompts, path) == OpenResult::Read;
}

SaveChangesOutcome AskSaveChanges(Project& p, Prompts& prompts, PendingCommand action) {
    p.PendingAction = action;
    SaveChangesOutcome out;
    out.answer = prompts.askSaveChanges();
    switch (out.answer) {
    case Prompts::Answer::Yes:
        out.saved = SaveProject(p, prompts);
        break;
    case Prompts::Answer::Cancel:
        break;
    case Prompts::Answer::No:
        switch (action) {
        case PendingCommand::None:
            break;
        case PendingCommand::New:
            NewProject(p);
            out.documentChanged = true;
            break;
        case PendingCommand::Open:
            out.documentChanged = Open(p, prompts) != OpenResult::Cancelled;
            break;
        case PendingCommand::ScaleCalculation:
            out.dialog = PendingDialog::ScaleCalculation;
            break;
        case PendingCommand::GridSize:
            out.dialog = PendingDialog::GridSize;
            break;
        case PendingCommand::IsolineCount:
            out.dialog = PendingDialog::IsolineCount;
            break;
        case PendingCommand::Scale:
            out.dialog = PendingDialog::Scale;
            break;
        }
        break;
    }
    return out;
}

std::string WithDefaultSuffix(const std::string& path, const std::string& filter) {
    const auto star = filter.find("*.");
    if (star == std::string::npos) return path;
    const auto end = filter.find_first_of(" ;)|", star + 2);
    const std::string ext =
        filter.substr(star + 1, end == std::string::npos ? end : end - star - 1);
    if (ext.size() < 2 || ext.find('*') != std::string::npos) return path;
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos) return path;
    return path + ext;
}

} // namespace brenvik
