#include "model/AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
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

std::string SystemReason() {
    return std::strerror(errno);
}

// The id of the process that wrote the temporary `name` (".…<mark>PID-N",
// or a backup "…k"), or 0 when the name is not one of ours.
long TemporaryWriter(std::string_view name) {
    if (name.empty() || name.front() != '.') return 0;
    const std::size_t mark = name.rfind(kTempMark);
    if (mark == std::string_view::npos) return 0;
    std::string_view rest = name.substr(mark + kTempMark.size());
    if (!rest.empty() && rest.back() == 'k') rest.remove_suffix(1);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == rest.size())
        return 0;
    long pid = 0;
    for (std::size_t k = 0; k < rest.size(); ++k) {
        if (k == dash) continue;
        if (rest[k] < '0' || rest[k] > '9') return 0;
        if (k < dash) pid = pid * 10 + (rest[k] - '0');
    }
    return pid;
}

// Removes the temporaries in the target's folder whose writing process is
// gone: those of this target, of a temporary staged for it in turn, and of
// its neighbours, which a killed run leaves alike.
void RemoveStaleTemporaries(const fs::path& target) {
    const fs::path dir = target.parent_path();
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const long pid = TemporaryWriter(e->d_name);
        if (pid <= 0 || pid == ::getpid()) continue;
        // A process that still runs (or belongs to someone else) keeps its file.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(d), e->d_name, 0);
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

} // namespace

std::string ResolveOutputPath(const std::string& path) {
    if (path.empty()) return {};
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec) return {};
    for (int hops = 0;; ++hops) {
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        if (hops == 40) return {};
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

// ---- StagedFile -----------------------------------------------------------------

StagedFile::StagedFile(StagedFile&& o) noexcept
    : target_(std::move(o.target_)), temporary_(std::move(o.temporary_)),
      reason_(std::move(o.reason_)), fd_(o.fd_), committed_(o.committed_) {
    o.fd_ = -1;
    o.temporary_.clear();
}

StagedFile& StagedFile::operator=(StagedFile&& o) noexcept {
    if (this != &o) {
        discard();
        target_ = std::move(o.target_);
        temporary_ = std::move(o.temporary_);
        reason_ = std::move(o.reason_);
        fd_ = o.fd_;
        committed_ = o.committed_;
        o.fd_ = -1;
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
    target_ = ResolveOutputPath(target);
    if (target_.empty()) return fail("not a file name");
    if (auto refused = OutputRefusal(target_)) return fail(*refused);
    const fs::path t(target_);
    RemoveStaleTemporaries(t);
    const std::string prefix = TempPrefix(t);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        name += std::to_string(static_cast<long>(::getpid()));
        name += '-';
        name += std::to_string(tempCounter.fetch_add(1));
        std::string tmp = (t.parent_path() / name).string();
        fd_ = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(tmp);
            return true;
        }
        if (errno != EEXIST) return fail(SystemReason());
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

bool StagedFile::finish() {
    if (temporary_.empty()) return false;
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
    // Make the rename itself durable; a failure here no longer loses data.
    SyncFolder(target_);
    return true;
}

void StagedFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

std::optional<std::string> CommitTogether(std::vector<StagedFile*> files,
                                          const RenameFunction& rename) {
    struct Backup {
        std::string path; // empty: the target did not exist
        bool replaced = false;
    };
    std::vector<Backup> backups(files.size());
    auto dropBackups = [&] {
        for (auto& b : backups)
            if (!b.path.empty()) ::unlink(b.path.c_str());
    };
    for (std::size_t k = 0; k < files.size(); ++k) {
        const StagedFile& f = *files[k];
        if (f.temporary().empty()) {
            dropBackups();
            return "Cannot write " + f.target() + ": " + f.reason();
        }
        struct stat st {};
        if (::stat(f.target().c_str(), &st) != 0) continue;
        // The backup is named like the temporary, so a run killed while it
        // exists leaves nothing but a recognised temporary.
        std::string keep = f.temporary() + "k";
        if (::link(f.target().c_str(), keep.c_str()) != 0) {
            std::error_code ec;
            fs::copy_file(f.target(), keep, fs::copy_options::overwrite_existing, ec);
            if (ec) {
                std::string why = f.target() + ": " + ec.message();
                dropBackups();
                return "Cannot write " + why;
            }
        }
        backups[k].path = std::move(keep);
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        StagedFile& f = *files[k];
        const int rc = rename ? rename(f.temporary().c_str(), f.target().c_str())
                              : ::rename(f.temporary().c_str(), f.target().c_str());
        if (rc != 0) {
            std::string why = "Cannot write " + f.target() + ": " + SystemReason();
            for (std::size_t m = k; m-- > 0;) {
                const StagedFile& done = *files[m];
                if (backups[m].path.empty())
                    ::unlink(done.target().c_str());
                else if (::rename(backups[m].path.c_str(), done.target().c_str()) == 0)
                    backups[m].path.clear();
            }
            dropBackups();
            return why;
        }
        backups[k].replaced = true;
    }
    for (StagedFile* f : files) {
        f->committed_ = true;
        f->temporary_.clear();
        SyncFolder(f->target());
    }
    dropBackups();
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
                       const std::atomic<bool>* cancel, std::uint64_t minimumSize) {
    StagedFile f;
    if (!f.open(path)) return false;
    if (minimumSize > 0) {
        auto free = FreeSpaceFor(f.target());
        if (free && minimumSize > *free) return false;
    }
    std::string buf;
    ChunkedText text(
        buf, [&f](std::string_view s) { return f.write(s); }, cancel);
    if (!produce(text) || !text.flush()) return false;
    return f.finish() && f.commit();
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    StagedFile f;
    return f.open(path) && f.write(content) && f.finish() && f.commit();
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
