#pragma once

#include "model/Feedback.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <optional>
#include <string>

namespace brenvik {

// The New / Open / Save flows of the project, over the Prompts interface. The
// window refreshes its caption from Project::Title() and redraws after each.

// New: empties FileName and resets the document.
void NewProject(Project& p);

// Save: asks for a path with the project filter. Cancelled: nothing is written
// and FileName stays as it was. Otherwise FileName takes the chosen path and
// the file is replaced atomically; a failed write shows "Error en el fichero"
// and leaves any previous file at that path intact, as does a canceled `feedback`
// (without the message). True when written.
bool SaveProject(Project& p, Prompts& prompts, Feedback* feedback = nullptr);

// The path Save as writes to: asked with the project's own path filled in,
// the filter's extension added to a name typed without one, and the question
// before an existing file is replaced (whatever extension was typed). No
// value when cancelled or not replaced.
std::optional<std::string> AskSavePath(const Project& p, Prompts& prompts);

// Open: asks for a path first; a cancelled dialog leaves the open project
// untouched. Otherwise the file is read into a fresh project, which replaces
// the open one only when the whole file was read; on failure "Error en el
// fichero" is shown with the path and the reason, and the open project stays
// as it was. True when read.
bool OpenProject(Project& p, Prompts& prompts);

// Opens the project at `path` without asking for it (a file named on the
// command line or dropped on the window), read and refused as Open reads and
// refuses a chosen file. True when read.
bool OpenProjectPath(Project& p, Prompts& prompts, const std::string& path);

// A path typed without an extension takes the first one of `filter` (a filter
// such as "Torvel Files (*.bvk)| *.bvk"): "site" becomes "site.bvk". A path
// with an extension of its own, or a filter without one, is kept as it is.
std::string WithDefaultSuffix(const std::string& path, const std::string& filter);

// The dialog that a confirmed pending action leaves for the window to open.
enum class PendingDialog {
    None,
    ScaleCalculation, // "calculoescala": the Scale calculation dialog
    GridSize,         // "tamano": the grid dialog in its "Grid size" mode
    IsolineCount,     // "lineas": the grid dialog in its "Number of isolines" mode
    Scale,            // "escala": the Scale dialog
};

struct SaveChangesOutcome {
    Prompts::Answer answer = Prompts::Answer::Cancel;
    // For "No": the dialog the window must open now (None for New and Open,
    // which are carried out here).
    PendingDialog dialog = PendingDialog::None;
    // True when the document was reset or replaced (New or Open ran), so the
    // window redraws and refreshes its caption.
    bool documentChanged = false;
    // For "Yes": the project was written (and the action carried out).
    bool saved = false;
    std::string savedPath; // where, when saved
    // Open was carried out but the file could not be read: the project stayed.
    bool openFailed = false;
};

// The save-changes question for `action`: sets PendingAction, asks, and then
// "Yes" saves (in place when the project has a file, else through Save as)
// and, when saved, carries out the action; "Cancel" does nothing, "No" carries
// out the action.
SaveChangesOutcome AskSaveChanges(Project& p, Prompts& prompts, PendingCommand action);

} // namespace brenvik
