// The commit of a set of staged outputs and its journal, which lets the next
// run finish or roll back a set whose run was killed between its renames.

#include "model/AtomicFile.h"
#include "model/AtomicFileDetail.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace brenvik {

namespace fs = std::filesystem;
using namespace atomicfile;

namespace {

// ---- Commit journal ---------------------------------------------------------------
//
// A set of outputs is put in place by several renames, and a run killed
// between them would leave some targets new and others old. Before the first
// backup is made, the set is written to a journal in the folder of its first
// target; "committed" is appended once every rename is done. The next run that
// writes in that folder, before anything else, finishes a committed set (drops
// its backups) or rolls back any other (puts every backup back), and removes
// the journal only when nothing of it is left to do.

constexpr std::string_view kJournalStart = ".brenvik-commit-";
constexpr std::string_view kJournalEnd = ".journal";
constexpr std::string_view kJournalHead = "brenvik commit journal 1\n";
constexpr std::string_view kJournalCommitted = "committed\n";

struct JournalEntry {
    std::string target, temporary, backup; // backup empty: the target was new
    std::uint64_t dev = 0, ino = 0;        // the temporary's file, which the target becomes
};

bool IsJournalName(std::string_view name) {
    return name.size() > kJournalStart.size() + kJournalEnd.size() &&
           name.substr(0, kJournalStart.size()) == kJournalStart &&
           name.substr(name.size() - kJournalEnd.size()) == kJournalEnd;
}

void AppendField(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

std::string JournalText(const std::vector<JournalEntry>& entries) {
    std::string out(kJournalHead);
    for (const JournalEntry& e : entries) {
        out += "E " + std::to_string(e.dev) + ' ' + std::to_string(e.ino) + ' ';
        AppendField(out, e.target);
        AppendField(out, e.temporary);
        AppendField(out, e.backup);
        out += '\n';
    }
    out += "end\n";
    return out;
}

struct Journal {
    std::vector<JournalEntry> entries;
    bool committed = false;
};

// Reads a journal; no value when it is damaged or not ours (a journal gets
// its name only once written whole).
std::optional<Journal> ParseJournal(std::string_view text) {
    if (text.substr(0, kJournalHead.size()) != kJournalHead) return std::nullopt;
    std::size_t at = kJournalHead.size();
    const auto number = [&](char stop) -> std::optional<std::uint64_t> {
        std::uint64_t v = 0;
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - from < 20)
            v = v * 10 + static_cast<std::uint64_t>(text[at++] - '0');
        if (at == from || at >= text.size() || text[at] != stop) return std::nullopt;
        ++at;
        return v;
    };
    const auto field = [&]() -> std::optional<std::string> {
        const auto n = number(':');
        if (!n || *n > text.size() - at) return std::nullopt;
        std::string f(text.substr(at, static_cast<std::size_t>(*n)));
        at += static_cast<std::size_t>(*n);
        return f;
    };
    Journal j;
    while (text.substr(at, 2) == "E ") {
        at += 2;
        JournalEntry e;
        const auto dev = number(' ');
        const auto ino = dev ? number(' ') : std::nullopt;
        auto target = ino ? field() : std::nullopt;
        auto temporary = target ? field() : std::nullopt;
        auto backup = temporary ? field() : std::nullopt;
        if (!backup || at >= text.size() || text[at] != '\n') return std::nullopt;
        ++at;
        // Every file of an entry is the target or one of our temporaries in
        // a private folder beside it (or, from an earlier version, beside it).
        const fs::path t(*target), tmp(*temporary);
        const bool inPrivate =
            tmp.parent_path().parent_path() == t.parent_path() &&
            IsPrivateFolderName(tmp.parent_path().filename().string()) &&
            (backup->empty() || fs::path(*backup) == tmp.parent_path() / kBackupName);
        const bool beside = tmp.parent_path() == t.parent_path() &&
                            IsTemporaryName(tmp.filename().string(), false) &&
                            (backup->empty() || *backup == *temporary + "k");
        if (!inPrivate && !beside) return std::nullopt;
        j.entries.push_back(
            {std::move(*target), std::move(*temporary), std::move(*backup), *dev, *ino});
    }
    if (text.substr(at, 4) != "end\n") return std::nullopt;
    at += 4;
    j.committed = text.substr(at) == kJournalCommitted;
    return j;
}

std::optional<struct stat> StatOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return st;
}

bool IsTheTemporary(const std::optional<struct stat>& st, const JournalEntry& e) {
    return st && static_cast<std::uint64_t>(st->st_dev) == e.dev &&
           static_cast<std::uint64_t>(st->st_ino) == e.ino;
}

// Puts the old files of an interrupted set back. A target that now holds the
// set's new file gets its backup back (or goes, when it had none); a target
// never replaced keeps its file and loses only the spare link, and so does a
// target that another run's later set has replaced meanwhile (its file is the
// newer one). A backup that cannot be put back stays: its path is returned.
std::vector<std::string> RollBack(const std::vector<JournalEntry>& entries,
                                  const RenameFunction& rename) {
    std::vector<std::string> kept;
    for (const JournalEntry& e : entries) {
        const auto target = StatOf(e.target);
        const bool ours = IsTheTemporary(target, e);
        if (!e.backup.empty()) {
            const auto backup = StatOf(e.backup);
            if (!backup) {
                // Never made, or already put back.
            } else if (target && !ours) {
                ::unlink(e.backup.c_str());
            } else {
                const int rc = rename ? rename(e.backup.c_str(), e.target.c_str())
                                      : ::rename(e.backup.c_str(), e.target.c_str());
                if (rc != 0) kept.push_back(e.backup);
            }
        } else if (ours) {
            ::unlink(e.target.c_str());
        }
        if (IsTheTemporary(StatOf(e.temporary), e)) ::unlink(e.temporary.c_str());
        SyncFolder(e.target);
    }
    return kept;
}

// Drops the backups of a set whose every rename was done: whether a target
// still holds the set's file or a later set's, its old file is superseded.
void DropBackups(const std::vector<JournalEntry>& entries) {
    for (const JournalEntry& e : entries) {
        const auto backup = e.backup.empty() ? std::nullopt : StatOf(e.backup);
        if (backup && S_ISREG(backup->st_mode)) ::unlink(e.backup.c_str());
    }
}

// The folders of a set's targets.
std::vector<fs::path> Folders(const std::vector<JournalEntry>& entries) {
    std::vector<fs::path> out;
    for (const JournalEntry& e : entries)
        out.push_back(fs::path(e.target).parent_path());
    return out;
}

// Removes the private folders of a dead run's set, now that the journal no
// longer needs anything in them.
void RemovePrivateFolders(const std::vector<JournalEntry>& entries) {
    for (const JournalEntry& e : entries) {
        const fs::path folder = fs::path(e.temporary).parent_path();
        if (!IsPrivateFolderName(folder.filename().string())) continue;
        const int dfd = ::open(folder.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dfd < 0) continue;
        RemoveStalePrivateFolder(dfd, folder.filename().c_str());
        ::close(dfd);
    }
}

// An open journal file, locked for as long as its set is being committed so
// that no other run takes it for an interrupted one.
class JournalFile {
  public:
    JournalFile() = default;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile() {
        if (fd_ >= 0) ::close(fd_);
    }

    // The journal is written whole and locked as a draft in the run's
    // private folder `draftFolder` first, and only then given its own name
    // beside the targets: another run never sees a journal half written or
    // not yet locked. A run killed before that leaves only the draft, which
    // goes with its private folder.
    bool create(const fs::path& folder, const fs::path& draftFolder, const std::string& text) {
        const std::string draft = (draftFolder / ".bvtmp-journal").string();
        fd_ = ::open(draft.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0) return false;
        if (!LockFile(fd_) || !append(text)) {
            ::unlink(draft.c_str());
            return false;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = (folder /
                     (std::string(kJournalStart) + std::to_string(static_cast<long>(::getpid())) +
                      '-' + std::to_string(NextTempNumber()) + std::string(kJournalEnd)))
                        .string();
            // A link, unlike a rename, never replaces a journal of that name.
            if (::link(draft.c_str(), path_.c_str()) == 0) {
                ::unlink(draft.c_str());
                SyncFolder(path_);
                return true;
            }
            if (errno != EEXIST) break;
        }
        const int saved = errno;
        ::unlink(draft.c_str());
        path_.clear();
        errno = saved;
        return false;
    }
    bool append(std::string_view text) {
        while (!text.empty()) {
            const ssize_t n = ::write(fd_, text.data(), text.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
        return ::fsync(fd_) == 0;
    }
    void remove() {
        if (path_.empty()) return;
        ::unlink(path_.c_str());
        SyncFolder(path_);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int fd_ = -1;
};

} // namespace

namespace atomicfile {

// Finishes or rolls back the sets that runs killed while committing left in
// `folder`. A journal whose run still commits is locked and left alone.
void RecoverInterruptedCommits(const fs::path& folder) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d))
        if (IsJournalName(e->d_name)) names.emplace_back(e->d_name);
    ::closedir(d);
    for (const std::string& name : names) {
        const std::string path = (folder / name).string();
        const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        std::string text;
        // Only the caller's own journals: one planted by another user in a
        // shared folder must not steer renames onto files elsewhere.
        bool readable = LockFile(fd) && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                        st.st_uid == ::geteuid() && st.st_size < (1 << 24);
        if (readable) {
            text.resize(static_cast<std::size_t>(st.st_size));
            readable =
                ::pread(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
        }
        const auto j = readable ? ParseJournal(text) : std::nullopt;
        // Not one of ours, or damaged: left alone with what it names.
        FolderLocks locks;
        // While another run's set lands in one of the folders, this one waits
        // for the next run: its renames must not cross that set's.
        if (j && !locks.take(Folders(j->entries), 5.0)) {
            bool done = true;
            if (j->committed)
                DropBackups(j->entries);
            else
                done = RollBack(j->entries, {}).empty();
            if (done) {
                ::unlink(path.c_str());
                SyncFolder(path);
                RemovePrivateFolders(j->entries);
            }
        }
        ::close(fd);
    }
}

} // namespace atomicfile

std::optional<std::string> CommitTogether(std::vector<StagedFile*> files,
                                          const RenameFunction& rename) {
    if (files.empty()) return std::nullopt;
    std::vector<JournalEntry> entries;
    for (const StagedFile* f : files) {
        if (f->temporary().empty()) return "Cannot write " + f->target() + ": " + f->reason();
        struct stat tmp {};
        if (::stat(f->temporary().c_str(), &tmp) != 0)
            return "Cannot write " + f->target() + ": " + SystemReason();
        JournalEntry e{f->target(),
                       f->temporary(),
                       {},
                       static_cast<std::uint64_t>(tmp.st_dev),
                       static_cast<std::uint64_t>(tmp.st_ino)};
        // The backup waits in the temporary's private folder.
        if (::access(f->target().c_str(), F_OK) == 0)
            e.backup = (fs::path(f->temporary()).parent_path() / kBackupName).string();
        entries.push_back(std::move(e));
    }
    // No other run's set lands in these folders until this one is done.
    FolderLocks locks;
    if (auto busy = locks.take(Folders(entries), 30.0)) return busy;
    JournalFile journal;
    if (!journal.create(fs::path(entries.front().target).parent_path(),
                        fs::path(entries.front().temporary).parent_path(), JournalText(entries)))
        return "Cannot write " + entries.front().target + ": " + SystemReason();
    const auto abandon = [&](std::string why) -> std::string {
        const std::vector<std::string> kept = RollBack(entries, rename);
        if (kept.empty()) {
            journal.remove();
            return why;
        }
        // The journal stays, so the next run in that folder tries again.
        for (const std::string& k : kept)
            why += "\nThe previous file is kept as " + k;
        return why;
    };
    for (const JournalEntry& e : entries) {
        if (e.backup.empty()) continue;
        // A second link to the old file, no copy; a file system without
        // links gets a copy.
        if (::link(e.target.c_str(), e.backup.c_str()) != 0) {
            std::error_code ec;
            fs::copy_file(e.target, e.backup, fs::copy_options::none, ec);
            if (ec) return abandon("Cannot write " + e.target + ": " + ec.message());
        }
    }
    for (const JournalEntry& e : entries) {
        const int rc = rename ? rename(e.temporary.c_str(), e.target.c_str())
                              : ::rename(e.temporary.c_str(), e.target.c_str());
        if (rc != 0) return abandon("Cannot write " + e.target + ": " + SystemReason());
    }
    for (const JournalEntry& e : entries)
        SyncFolder(e.target);
    if (!journal.append(kJournalCommitted))
        return abandon("Cannot write " + journal.path() + ": " + SystemReason());
    DropBackups(entries);
    journal.remove();
    for (StagedFile* f : files) {
        f->committed_ = true;
        f->discard();
    }
    return std::nullopt;
}

} // namespace brenvik
