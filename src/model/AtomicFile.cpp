#include "model/AtomicFile.h"

#include "model/Messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brenvik {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> tempCounter{0};

// Every temporary of the program is named ".<start of the target's name>"
// followed by this mark, the writing process's id and a counter, so that one
// left by a killed run is recognised beside its target and no other file is
// ever taken for one.
constexpr std::string_view kTempMark = ".bvtmp-";
// Only the start of the target's name: a name as long as the folder allows
// (255 bytes) must still leave room for the temporary's own additions.
constexpr std::size_t kNameStart = 40;

std::string TempPrefix(const fs::path& target) {
    std::string name = target.filename().string();
    std::size_t n = std::min(name.size(), kNameStart);
    // Never cut a multi-byte character in two.
    while (n > 0 && n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
        --n;
    std::string prefix(".");
    prefix.append(name, 0, n);
    prefix.append(kTempMark);
    return prefix;
}

// The reason of a failed call, in the words of the program's messages for
// the two causes a user can act on.
std::string SystemReason() {
    if (errno == ENOSPC || errno == EDQUOT) return msg::DiskFull;
    if (errno == ENOMEM) return msg::OutOfMemory;
    return std::strerror(errno);
}

// True when `name` is one of our temporaries (".<start of a name><mark>PID-N"),
// or, with `backup`, one of the backups kept while a set commits ("…k").
bool IsTemporaryName(std::string_view name, bool backup) {
    if (name.empty() || name.front() != '.') return false;
    const std::size_t mark = name.rfind(kTempMark);
    if (mark == std::string_view::npos) return false;
    std::string_view rest = name.substr(mark + kTempMark.size());
    const bool isBackup = !rest.empty() && rest.back() == 'k';
    if (isBackup != backup) return false;
    if (isBackup) rest.remove_suffix(1);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == rest.size())
        return false;
    for (std::size_t k = 0; k < rest.size(); ++k)
        if (k != dash && (rest[k] < '0' || rest[k] > '9')) return false;
    return true;
}

// An exclusive advisory lock held on an open file for as long as its open
// file description lives. Open-file-description locks (not the per-process
// kind) so that another opening of the same file in this process, such as a
// library filling a released temporary by its path, and its closing, leave
// the lock alone; flock() where they are missing.
bool LockFile(int fd, bool wait = false) {
#ifdef F_OFD_SETLK
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_ACCMODE) == O_RDONLY) fl.l_type = F_RDLCK;
    return ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0;
#else
    return ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0;
#endif
}

// Opens `name` in the folder `dfd` for probing its lock: for reading, or for
// writing when it may not be read.
int OpenForProbe(int dfd, const char* name) {
    int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = ::openat(dfd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    return fd;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporaries in the target's folder that no writer holds: each
// temporary is locked by its writer while it exists, so one that can be
// locked was left by a run that is gone, whatever process namespace or
// machine it ran in. Backups are never removed here: only the commit journal
// that made them knows whether they still hold the only copy of a file.
void RemoveStaleTemporaries(const fs::path& target) {
    const fs::path dir = target.parent_path();
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        if (!IsTemporaryName(e->d_name, false)) continue;
        const int fd = OpenForProbe(::dirfd(d), e->d_name);
        if (fd < 0) continue; // not ours to judge
        struct stat opened {
        }, named{};
        if (LockFile(fd) && ::fstat(fd, &opened) == 0 &&
            ::fstatat(::dirfd(d), e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(opened, named) && S_ISREG(named.st_mode))
            ::unlinkat(::dirfd(d), e->d_name, 0);
        ::close(fd);
    }
    ::closedir(d);
}

void SyncFolder(const fs::path& file) {
    fs::path dir = file.parent_path();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

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
        // Every file of an entry is the target or one of our temporaries
        // beside it.
        const fs::path t(*target), tmp(*temporary);
        if (tmp.parent_path() != t.parent_path() ||
            !IsTemporaryName(tmp.filename().string(), false) ||
            (!backup->empty() && *backup != *temporary + "k"))
            return std::nullopt;
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
// never replaced keeps its file and loses only the spare link. A backup that
// cannot be put back, or whose target meanwhile holds someone else's file,
// stays: its path is returned.
// Entries from `untouched` on are known not to have been renamed.
std::vector<std::string> RollBack(const std::vector<JournalEntry>& entries,
                                  const RenameFunction& rename, std::size_t untouched) {
    std::vector<std::string> kept;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const JournalEntry& e = entries[k];
        const auto target = StatOf(e.target);
        const bool ours = IsTheTemporary(target, e);
        if (!e.backup.empty()) {
            const auto backup = StatOf(e.backup);
            if (!backup) {
                // Never made, or already put back.
            } else if (target && !ours && (k >= untouched || SameFile(*target, *backup))) {
                ::unlink(e.backup.c_str());
            } else if (!target || ours) {
                const int rc = rename ? rename(e.backup.c_str(), e.target.c_str())
                                      : ::rename(e.backup.c_str(), e.target.c_str());
                if (rc != 0) kept.push_back(e.backup);
            } else {
                kept.push_back(e.backup);
            }
        } else if (ours) {
            ::unlink(e.target.c_str());
        }
        if (IsTheTemporary(StatOf(e.temporary), e)) ::unlink(e.temporary.c_str());
        SyncFolder(e.target);
    }
    return kept;
}

// Drops the backups of a set whose every target holds its new file.
void DropBackups(const std::vector<JournalEntry>& entries) {
    for (const JournalEntry& e : entries)
        if (!e.backup.empty() && IsTheTemporary(StatOf(e.target), e)) ::unlink(e.backup.c_str());
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

    // The journal is written whole and locked under a temporary's name
    // first, and only then given its own: another run never sees a journal
    // half written or not yet locked. A run killed before that leaves only an
    // unlocked temporary, which the next sweep removes.
    bool create(const fs::path& folder, const std::string& text) {
        std::string draft;
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            draft = (folder / (".commit" + std::string(kTempMark) +
                               std::to_string(static_cast<long>(::getpid())) + '-' +
                               std::to_string(tempCounter.fetch_add(1))))
                        .string();
            fd_ = ::open(draft.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd_ < 0 && errno != EEXIST) return false;
        }
        if (fd_ < 0 || !LockFile(fd_) || !append(text)) {
            ::unlink(draft.c_str());
            return false;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = (folder /
                     (std::string(kJournalStart) + std::to_string(static_cast<long>(::getpid())) +
                      '-' + std::to_string(tempCounter.fetch_add(1)) + std::string(kJournalEnd)))
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
        if (readable) {
            bool done = true;
            if (const auto j = ParseJournal(text)) {
                if (j->committed)
                    DropBackups(j->entries);
                else
                    done = RollBack(j->entries, {}, j->entries.size()).empty();
            } else {
                // Not one of ours, or damaged: left alone with what it names.
                done = false;
            }
            if (done) {
                ::unlink(path.c_str());
                SyncFolder(path);
            }
        }
        ::close(fd);
    }
}

} // namespace

std::string ResolveOutputPath(const std::string& path, std::string* refusal) {
    if (path.empty()) return {};
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec) return {};
    for (int hops = 0;; ++hops) {
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        if (hops == 40) return {};
        // In a folder everyone may write to but only owners may delete from
        // (a sticky /tmp), a link planted by another user must not steer the
        // output onto a file that user could not write: only a link of the
        // folder's owner or of the caller is followed, as the kernel's own
        // protected-symlinks rule does for opens.
        struct stat link {
        }, folder{};
        if (::lstat(p.c_str(), &link) == 0 && ::stat(p.parent_path().c_str(), &folder) == 0 &&
            (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) &&
            link.st_uid != folder.st_uid && link.st_uid != ::geteuid()) {
            if (refusal) *refusal = "it is another user's link in a shared folder";
            return {};
        }
        fs::path to = fs::read_symlink(p, ec);
        if (ec) return {};
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    const fs::path name = p.filename();
    if (name.empty() || name == "." || name == "..") return {};
    fs::path dir = fs::weakly_canonical(p.parent_path(), ec);
    if (ec) return {};
    return (dir / name).string();
}

std::optional<std::string> OutputRefusal(const std::string& resolved) {
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        return SystemReason();
    }
    if (S_ISDIR(st.st_mode)) return std::string("it is a folder");
    if (!S_ISREG(st.st_mode)) return std::string("it is not a regular file");
    // Even where the folder may be written to, and even for the superuser, a
    // file made read-only is not replaced behind its owner's back.
    if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, resolved.c_str(), W_OK, AT_EACCESS) != 0)
        return std::string("it is read-only");
    return std::nullopt;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>>
ExistingFileIdentity(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return std::pair{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// ---- StagedFile -----------------------------------------------------------------

StagedFile::StagedFile(StagedFile&& o) noexcept
    : target_(std::move(o.target_)), temporary_(std::move(o.temporary_)),
      reason_(std::move(o.reason_)), fd_(o.fd_), lockFd_(o.lockFd_), committed_(o.committed_) {
    o.fd_ = -1;
    o.lockFd_ = -1;
    o.temporary_.clear();
}

StagedFile& StagedFile::operator=(StagedFile&& o) noexcept {
    if (this != &o) {
        discard();
        target_ = std::move(o.target_);
        temporary_ = std::move(o.temporary_);
        reason_ = std::move(o.reason_);
        fd_ = o.fd_;
        lockFd_ = o.lockFd_;
        committed_ = o.committed_;
        o.fd_ = -1;
        o.lockFd_ = -1;
        o.temporary_.clear();
    }
    return *this;
}

bool StagedFile::fail(const std::string& why) {
    reason_ = why;
    discard();
    return false;
}

bool StagedFile::open(const std::string& target) {
    discard();
    committed_ = false;
    std::string refusal;
    target_ = ResolveOutputPath(target, &refusal);
    if (target_.empty()) return fail(refusal.empty() ? "not a file name" : refusal);
    const fs::path t(target_);
    // What a killed run left half done in this folder comes first: a target
    // it replaced may be about to get its old file back.
    RecoverInterruptedCommits(t.parent_path());
    if (auto refused = OutputRefusal(target_)) return fail(*refused);
    RemoveStaleTemporaries(t);
    const std::string prefix = TempPrefix(t);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        name += std::to_string(static_cast<long>(::getpid()));
        name += '-';
        name += std::to_string(tempCounter.fetch_add(1));
        std::string tmp = (t.parent_path() / name).string();
        fd_ = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            if (errno != EEXIST) return fail(SystemReason());
            continue;
        }
        temporary_ = std::move(tmp);
        // The lock marks the temporary as being written for as long as this
        // object holds it, also after release(); it lives on a second
        // descriptor of the same open file. Another run's sweep may have
        // taken the file between its creation and the lock: then the name no
        // longer leads to it, and another name is tried.
        lockFd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
        struct stat opened {
        }, named{};
        if (lockFd_ < 0 || !LockFile(lockFd_)) return fail(SystemReason());
        if (::fstat(fd_, &opened) == 0 && ::lstat(temporary_.c_str(), &named) == 0 &&
            SameFile(opened, named))
            return true;
        ::close(fd_);
        ::close(lockFd_);
        fd_ = lockFd_ = -1;
        temporary_.clear();
    }
    return fail("no free temporary name");
}

bool StagedFile::write(std::string_view bytes) {
    if (fd_ < 0) return false;
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(SystemReason());
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void StagedFile::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void StagedFile::relock() {
    if (temporary_.empty()) return;
    struct stat held {
    }, named{};
    if (lockFd_ >= 0 && ::fstat(lockFd_, &held) == 0 && ::lstat(temporary_.c_str(), &named) == 0 &&
        SameFile(held, named))
        return;
    // Open for writing, so that the lock is the exclusive kind a sweep's probe
    // cannot share.
    const int fd = ::open(temporary_.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (!LockFile(fd)) {
        ::close(fd);
        return;
    }
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = fd;
}

bool StagedFile::finish() {
    if (temporary_.empty()) return false;
    relock();
    if (fd_ < 0) fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) return fail(SystemReason());
    struct stat own {};
    if (::fstat(fd_, &own) != 0 || !S_ISREG(own.st_mode)) return fail("not a regular file");
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0) {
        // The owner first: changing it may clear the set-id bits set next.
        // Only the superuser may give a file away; anyone else keeps it.
        if ((old.st_uid != own.st_uid || old.st_gid != own.st_gid) &&
            ::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // Not allowed: the file stays the writer's, as a new file would.
        }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) return fail(SystemReason());
    }
    if (::fsync(fd_) != 0) return fail(SystemReason());
    int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) return fail(SystemReason());
    return true;
}

bool StagedFile::commit() {
    if (temporary_.empty() || fd_ >= 0) return false;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return fail(SystemReason());
    committed_ = true;
    temporary_.clear();
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    // Make the rename itself durable; a failure here no longer loses data.
    SyncFolder(target_);
    return true;
}

void StagedFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
}

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
        // The backup is named like the temporary, so it is known for what it is.
        if (::access(f->target().c_str(), F_OK) == 0) e.backup = f->temporary() + "k";
        entries.push_back(std::move(e));
    }
    JournalFile journal;
    if (!journal.create(fs::path(entries.front().target).parent_path(), JournalText(entries)))
        return "Cannot write " + entries.front().target + ": " + SystemReason();
    std::size_t renamed = 0;
    const auto abandon = [&](std::string why) -> std::string {
        const std::vector<std::string> kept = RollBack(entries, rename, renamed);
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
        ++renamed;
    }
    for (const JournalEntry& e : entries)
        SyncFolder(e.target);
    if (!journal.append(kJournalCommitted))
        return abandon("Cannot write " + journal.path() + ": " + SystemReason());
    for (StagedFile* f : files) {
        f->committed_ = true;
        f->temporary_.clear();
        if (f->lockFd_ >= 0) ::close(f->lockFd_);
        f->lockFd_ = -1;
    }
    DropBackups(entries);
    journal.remove();
    return std::nullopt;
}

// ---- Chunked writing --------------------------------------------------------------

bool ChunkedText::flush() {
    if (ok_ && cancel_ && cancel_->load(std::memory_order_relaxed)) {
        cancelled_ = true;
        ok_ = false;
    }
    if (!sink_) return ok_;
    // After a failure the rest of the text is dropped as it comes, so a writer
    // that goes on to its next check point does not pile it up.
    if (ok_) ok_ = sink_(buf_);
    buf_.clear();
    return ok_;
}

std::optional<std::uint64_t> FreeSpaceFor(const std::string& path) {
    std::error_code ec;
    fs::path dir = fs::path(path).parent_path();
    auto s = fs::space(dir.empty() ? fs::path(".") : dir, ec);
    if (ec) return std::nullopt;
    return static_cast<std::uint64_t>(s.available);
}

bool WriteFileInChunks(const std::string& path, const std::function<bool(ChunkedText&)>& produce,
                       const std::atomic<bool>* cancel, std::uint64_t minimumSize,
                       std::string* why) {
    StagedFile f;
    const auto failed = [&](const std::string& reason) {
        if (why && !reason.empty()) *why = path + ": " + reason;
        return false;
    };
    if (!f.open(path)) return failed(f.reason());
    if (minimumSize > 0) {
        auto free = FreeSpaceFor(f.target());
        if (free && minimumSize > *free) return failed(msg::DiskFull);
    }
    std::string buf;
    ChunkedText text(
        buf, [&f](std::string_view s) { return f.write(s); }, cancel);
    // A producer that gives up (or a cancel) has its own message; a chunk
    // that could not be written has the file's reason.
    if (!produce(text) || !text.flush()) return failed(f.reason());
    if (!f.finish() || !f.commit()) return failed(f.reason());
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* why) {
    StagedFile f;
    if (f.open(path) && f.write(content) && f.finish() && f.commit()) return true;
    if (why) *why = path + ": " + f.reason();
    return false;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    if (path.empty()) return std::nullopt;
    // Only a plain file has an end: a device such as /dev/zero would be read
    // until memory runs out, and opening a named pipe waits for a writer.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string text;
    char buf[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return text;
}

} // namespace brenvik
