#include "model/AtomicFile.h"

#include "model/AtomicFileDetail.h"
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

namespace atomicfile {

unsigned NextTempNumber() {
    static std::atomic<unsigned> counter{0};
    return counter.fetch_add(1);
}

std::string SystemReason() {
    if (errno == ENOSPC || errno == EDQUOT) return msg::DiskFull;
    if (errno == ENOMEM) return msg::OutOfMemory;
    return std::strerror(errno);
}

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
bool LockFile(int fd, bool wait) {
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

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
void SyncFolder(const fs::path& file) {
    fs::path dir = file.parent_path();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

} // namespace atomicfile

using namespace atomicfile;

namespace {

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

// Opens `name` in the folder `dfd` for probing its lock: for reading, or for
// writing when it may not be read.
int OpenForProbe(int dfd, const char* name) {
    int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = ::openat(dfd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    return fd;
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
        name += std::to_string(NextTempNumber());
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
#ifdef SYNC_FILE_RANGE_WRITE
    // The disk is asked to start on every few megabytes as they come, so
    // that the flush when the file is finished has little left to wait for
    // (and a cancel meanwhile is not held up by it).
    unsynced_ += bytes.size();
    if (unsynced_ >= (8u << 20)) {
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        unsynced_ = 0;
    }
#endif
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

// ---- Chunked writing --------------------------------------------------------------

bool ChunkedText::flush() {
    if (ok_ && feedback_ && feedback_->isCanceled()) {
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
    Feedback feedback(cancel);
    return WriteFileInChunks(path, produce, feedback, minimumSize, why);
}

bool WriteFileInChunks(const std::string& path, const std::function<bool(ChunkedText&)>& produce,
                       Feedback& feedback, std::uint64_t minimumSize, std::string* why) {
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
        buf, [&f](std::string_view s) { return f.write(s); }, &feedback);
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

bool WriteFileAtomically(const std::string& path, std::string_view content, Feedback& feedback,
                         std::string* why) {
    return WriteFileInChunks(
        path,
        [content](ChunkedText& text) {
            constexpr std::size_t kSlice = 1 << 20;
            for (std::size_t at = 0; at < content.size(); at += kSlice) {
                text.buffer().append(content.substr(at, kSlice));
                if (!text.maybeFlush()) return false;
            }
            return true;
        },
        feedback, content.size(), why);
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
