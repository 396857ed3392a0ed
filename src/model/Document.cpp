#include "model/Document.h"

#include "model/ExtensionBlock.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"

#include <filesystem>
#include <system_error>

namespace brenvik {

void NewProject(Project& p) {
    p.FileName.clear();
    p.ResetProject();
}

std::optional<std::string> AskSavePath(const Project& p, Prompts& prompts) {
    auto path = prompts.saveAsPath(ProjectFileFilter, p.FileName);
    if (!path) return std::nullopt;
    *path = WithDefaultSuffix(*path, ProjectFileFilter);
    std::error_code ec;
    if (std::filesystem::exists(*path, ec) && !prompts.confirmReplace(*path)) return std::nullopt;
    return path;
}

bool SaveProject(Project& p, Prompts& prompts, Feedback* feedback) {
    if (auto refused = ExtensionSaveRefusal(p)) {
        prompts.message(*refused);
        return false;
    }
    auto path = AskSavePath(p, prompts);
    if (!path) return false;
    p.FileName = *path;
    std::string why;
    if (!SaveProjectFile(p, *path, feedback, &why)) {
        if (!feedback || !feedback->isCanceled())
            prompts.message(msg::WithCause(msg::FileError, why));
        return false;
    }
    return true;
}

namespace {

enum class OpenResult { Cancelled, Read, Failed };

// The message names the path and the reason after the program's own text.
// `explain` is kept for the callers that asked for it; every caller now gets
// the reason.
OpenResult ReadPath(Project& p, Prompts& prompts, const std::string& path, bool /*explain*/) {
    // The file is read into a fresh project: a failure leaves the open one
    // as it was.
    Project next = p;
    next.ResetProject();
    next.FileName = path;
    std::string why;
    if (!LoadProjectFile(next, path, &why)) {
        prompts.message(msg::WithCause(msg::FileError, why));
        return OpenResult::Failed;
    }
    p = std::move(next);
    if (p.ExtensionNewerVersion != 0)
        prompts.message("The project was written by a newer program (extension block version " +
                        std::to_string(p.ExtensionNewerVersion) +
                        "): its newer data are not read, and this version will not save it.");
    return OpenResult::Read;
}

OpenResult Open(Project& p, Prompts& prompts, bool explain) {
    // The path is asked for first: a cancelled dialog leaves the open project
    // as it was instead of resetting it.
    auto path = prompts.openPath(ProjectFileFilter);
    if (!path) return OpenResult::Cancelled;
    return ReadPath(p, prompts, *path, explain);
}

} // namespace

bool OpenProject(Project& p, Prompts& prompts) {
    return Open(p, prompts, false) == OpenResult::Read;
}

bool OpenProjectPath(Project& p, Prompts& prompts, const std::string& path) {
    return ReadPath(p, prompts, path, true) == OpenResult::Read;
}

SaveChangesOutcome AskSaveChanges(Project& p, Prompts& prompts, PendingCommand action) {
    p.PendingAction = action;
    SaveChangesOutcome out;
    out.answer = prompts.askSaveChanges();
    auto carryOut = [&] {
        switch (action) {
        case PendingCommand::None:
            break;
        case PendingCommand::New:
            NewProject(p);
            out.documentChanged = true;
            break;
        case PendingCommand::Open: {
            const OpenResult r = Open(p, prompts, true);
            out.documentChanged = r == OpenResult::Read;
            out.openFailed = r == OpenResult::Failed;
            break;
        }
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
    };
    switch (out.answer) {
    case Prompts::Answer::Yes:
        // A project with a file of its own is saved onto it; then the action
        // that asked goes on.
        if (p.FileName.empty()) {
            out.saved = SaveProject(p, prompts);
        } else {
            out.saved = SaveProjectFile(p, p.FileName);
            if (!out.saved) prompts.message(msg::FileError);
        }
        if (out.saved) {
            out.savedPath = p.FileName;
            carryOut();
        }
        break;
    case Prompts::Answer::Cancel:
        break;
    case Prompts::Answer::No:
        carryOut();
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
