#pragma once

// What the staging of outputs and its commit journal share (not part of the
// public interface of model/AtomicFile.h).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace brenvik::atomicfile {

// Earlier versions named each temporary ".<start of the target's name>"
// followed by this mark, the writing process's id and a counter, beside the
// target; such a file left by a killed run is still recognised and removed.
inline constexpr std::string_view kTempMark = ".bvtmp-";

// Every temporary now lives in a private folder of its own inside the
// target's folder, named ".<start of the target's name>" followed by this
// mark and six random letters or digits. Whatever a library writes beside the
// temporary (overviews, journals, write-ahead logs) lands in that folder too,
// where no other user can see or plant anything.
inline constexpr std::string_view kPrivateMark = ".bvtmp.";
// Inside the private folder: the file whose advisory lock tells that a run
// still uses the folder (no writer ever replaces it, unlike the temporary),
// and the second link to the target's old file kept while a set commits.
inline constexpr const char* kLockName = ".bvtmp-lock";
inline constexpr const char* kBackupName = ".bvtmp-backup";

// A number no other temporary of this process has had.
unsigned NextTempNumber();

// The reason of a failed call (errno), in the words of the program's messages
// for the two causes a user can act on.
std::string SystemReason();

// True when `name` is one of the temporaries of earlier versions
// (".<start of a name><mark>PID-N"), or, with `backup`, one of the backups
// they kept while a set committed ("…k").
bool IsTemporaryName(std::string_view name, bool backup);

// True when `name` is one of the private folders (".<start><mark>XXXXXX").
bool IsPrivateFolderName(std::string_view name);

// Takes the advisory lock that marks a file as in use (see AtomicFile.cpp).
bool LockFile(int fd, bool wait = false);

bool SameFile(const struct stat& a, const struct stat& b);

// Makes the renames in the folder of `file` durable.
void SyncFolder(const std::filesystem::path& file);

// Removes the private folder `name` in the folder `dirfd` with all it holds,
// unless a run still holds it or it keeps a backup a commit journal may need.
// True when it is gone.
bool RemoveStalePrivateFolder(int dirfd, const char* name);

// The commit lock of the folders a set of outputs lands in, held while the
// set's renames are done or an interrupted set is finished or rolled back, so
// that two sets never interleave their renames. An advisory lock on each
// folder itself: no name is ever created for it.
class FolderLocks {
  public:
    FolderLocks() = default;
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;
    ~FolderLocks() { release(); }
    // Takes the lock of every folder, in the same order in every run so that
    // two runs never wait on each other, waiting while another run holds one
    // for at most `waitSeconds`. The reason (naming the other run) when it
    // could not be had.
    std::optional<std::string> take(const std::vector<std::filesystem::path>& folders,
                                    double waitSeconds);
    void release();

  private:
    std::vector<int> fds_;
};

// Finishes or rolls back the sets that runs killed while committing left in
// `folder` (the commit journal, AtomicFileJournal.cpp).
void RecoverInterruptedCommits(const std::filesystem::path& folder);

} // namespace brenvik::atomicfile
