#include "model/Document.h"

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

bool SaveProject(Project& p, Prompts& prompts, const std::atomic<bool>* cancel) {
    auto path = AskSavePath(p, prompts);
    if (!path) return false;
    p.FileName = *path;
    if (!SaveProjectFile(p, *path, cancel)) {
        if (!cancel || !cancel->load()) prompts.message(msg::FileError);
        return false;
    }
    return true;
}

namespace {

enum class OpenResult { Cancelled, Read, Failed };

// Why a file could not be read, in the user's terms.
std::string ReadFailure(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) return "the file does not exist (moved or deleted?)";
    if (fs::is_directory(st)) return "it is a folder, not a project file";
    if (!fs::is_regular_file(st)) return "it is not a regular file";
    return "the file could not be read as a project (damaged or of another kind)";
}

// `explain`: the message names the path and the reason after the program's
// own text (the window's Open); the batch companion keeps the plain text.
OpenResult ReadPath(Project& p, Prompts& prompts, const std::string& path, bool explain) {
    // The file is read into a fresh project: a failure leaves the open one
    // as it was.
    Project next = p;
    next.ResetProject();
    next.FileName = path;
    if (!LoadProjectFile(next, path)) {
        prompts.message(explain
                            ? std::string(msg::FileError) + "\n" + path + ": " + ReadFailure(path)
                            : std::string(msg::FileError));
        return OpenResult::Failed;
    }
    p = std::move(next);
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
