#pragma once

#include "model/Project.h"
#include "model/Prompts.h"

#include <atomic>
#include <string>

namespace brenvik {

// The New / Open / Save flows of the project, over the Prompts interface. The
// window refreshes its caption from Project::Title() and redraws after each.

// New: empties FileName and resets the document.
void NewProject(Project& p);

// Save: asks for a path with the project filter. Cancelled: nothing is written
// and FileName stays as it was. Otherwise FileName takes the chosen path and
// the file is replaced atomically; a failed write shows "Error en el fichero"
// and leaves any previous file at that path intact, as does a raised `cancel`
// (without the message). True when written.
bool SaveProject(Project& p, Prompts& prompts, const std::atomic<bool>* cancel = nullptr);

// Open: asks for a path first; a cancelled dialog leaves the open project
// untouched. Otherwise the project is reset, FileName takes the path, and the
// file is read; on failure "Error en el fichero" is shown and the project is
// reset again (FileName keeps the failing path). True when read.
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
    // For "Yes": the project was written.
    bool saved = false;
};

// The save-changes question for `action`: sets PendingAction, asks, and then "Yes" saves
// (the action is not carried out: the user repeats the command), "Cancel" does
// nothing, "No" carries out the action.
SaveChangesOutcome AskSaveChanges(Project& p, Prompts& prompts, PendingCommand action);

} // namespace brenvik
