#pragma once

// What the staging of outputs and its commit journal share (not part of the
// public interface of model/AtomicFile.h).

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace brenvik::atomicfile {

// Every temporary of the program is named ".<start of the target's name>"
// followed by this mark, the writing process's id and a counter, so that one
// left by a killed run is recognised beside its target and no other file is
// ever taken for one.
inline constexpr std::string_view kTempMark = ".bvtmp-";

// A number no other temporary of this process has had.
unsigned NextTempNumber();

// The reason of a failed call (errno), in the words of the program's messages
// for the two causes a user can act on.
std::string SystemReason();

// True when `name` is one of our temporaries (".<start of a name><mark>PID-N"),
// or, with `backup`, one of the backups kept while a set commits ("…k").
bool IsTemporaryName(std::string_view name, bool backup);

// Takes the advisory lock that marks a file as in use (see AtomicFile.cpp).
bool LockFile(int fd, bool wait = false);

bool SameFile(const struct stat& a, const struct stat& b);

// Makes the renames in the folder of `file` durable.
void SyncFolder(const std::filesystem::path& file);

// Finishes or rolls back the sets that runs killed while committing left in
// `folder` (the commit journal, AtomicFileJournal.cpp).
void RecoverInterruptedCommits(const std::filesystem::path& folder);

} // namespace brenvik::atomicfile
