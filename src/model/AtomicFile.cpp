#include "model/AtomicFile.h"

#include "model/AtomicFileDetail.h"
#include "model/Messages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

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

namespace {
constexpr std::size_t kRandomLetters = 6;
bool IsNameLetter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
} // namespace

bool IsPrivateFolderName(std::string_view name) {
    if (name.size() < 1 + kPrivateMark.size() + kRandomLetters || name.front() != '.') return false;
    const std::string_view tail = name.substr(name.size() - kRandomLetters);
    return name.substr(name.size() - kRandomLetters - kPrivateMark.size(), kPrivateMark.size()) ==
               kPrivateMark &&
           std::all_of(tail.begin(), tail.end(), IsNameLetter);
}

// An exclusive advisory lock held on an open file for as long as its open
// file description lives. Open-file-description locks (not the per-process
// kind) so that another opening of the same file in this process, and its
// closing, leave the lock alone, and two threads of one process exclude each
// other; flock() where they are missing.
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

namespace {

// Removes everything in the folder `dfd` but the entry `keep`, never
// following a link: a link is removed, not what it names.
void RemoveContents(int dfd, std::initializer_list<std::string_view> keep, int depth = 0) {
    const int listFd = ::openat(dfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* d = ::fdopendir(listFd);
    if (!d) {
        ::close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view n = e->d_name;
        if (n != "." && n != ".." && std::find(keep.begin(), keep.end(), n) == keep.end())
            names.emplace_back(n);
    }
    ::closedir(d);
    for (const std::string& n : names) {
        struct stat st {};
        if (::fstatat(dfd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth >= 16) continue;
            const int sub =
                ::openat(dfd, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) continue;
            RemoveContents(sub, {}, depth + 1);
            ::close(sub);
            ::unlinkat(dfd, n.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(dfd, n.c_str(), 0);
        }
    }
}

} // namespace

bool RemoveStalePrivateFolder(int dirfd, const char* name) {
    const int pfd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (pfd < 0) return errno == ENOENT;
    struct stat own {};
    // Another user's folder is not ours to judge.
    if (::fstat(pfd, &own) != 0 || own.st_uid != ::geteuid()) {
        ::close(pfd);
        return false;
    }
    bool gone = false;
    const int lockFd = ::openat(pfd, kLockName, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (lockFd < 0) {
        // A folder still without its lock file is being made right now, or
        // its maker died before the lock: only an empty one goes.
        gone = errno == ENOENT && ::unlinkat(dirfd, name, AT_REMOVEDIR) == 0;
    } else if (LockFile(lockFd) && ::fstat(lockFd, &st) == 0 && S_ISREG(st.st_mode) &&
               ::fstatat(pfd, kBackupName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        // Nobody holds it and no journal needs a backup from it. Its lock is
        // held while it goes, and the lock file goes last, so a run racing to
        // make it sees its own folder vanish and makes another.
        RemoveContents(pfd, {kLockName});
        ::unlinkat(pfd, kLockName, 0);
        gone = ::unlinkat(dirfd, name, AT_REMOVEDIR) == 0;
    }
    if (lockFd >= 0) ::close(lockFd);
    ::close(pfd);
    return gone;
}

// ---- Folder commit locks --------------------------------------------------------

namespace {

// The process ids of the runs whose commit journals are in `folder`, for a
// message that names the run in the way.
std::string JournalOwners(const fs::path& folder) {
    std::string pids;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        constexpr std::string_view start = ".brenvik-commit-";
        if (!n.starts_with(start)) continue;
        const std::string pid = n.substr(start.size(), n.find('-', start.size()) - start.size());
        if (!pid.empty() && pids.find(pid) == std::string::npos)
            pids += (pids.empty() ? "" : ", ") + pid;
    }
    return pids;
}

} // namespace

std::optional<std::string> FolderLocks::take(const std::vector<fs::path>& folders,
                                             double waitSeconds) {
    release();
    struct Held {
        struct stat st;
        int fd;
        fs::path folder;
    };
    std::vector<Held> held;
    for (const fs::path& f : folders) {
        // A folder that cannot be opened for reading cannot carry the lock;
        // its outputs commit as before, unserialised.
        const int fd = ::open(f.empty() ? "." : f.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0)
            held.push_back({st, fd, f});
        else if (fd >= 0)
            ::close(fd);
    }
    // One order for every run: by device and inode, each folder once.
    std::sort(held.begin(), held.end(), [](const Held& a, const Held& b) {
        return std::pair(a.st.st_dev, a.st.st_ino) < std::pair(b.st.st_dev, b.st.st_ino);
    });
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    std::optional<std::string> failed;
    for (std::size_t k = 0; k < held.size(); ++k) {
        if (k > 0 && SameFile(held[k].st, held[k - 1].st)) {
            ::close(held[k].fd);
            continue;
        }
        auto pause = std::chrono::microseconds(500);
        while (!failed && ::flock(held[k].fd, LOCK_EX | LOCK_NB) != 0) {
            // A file system without such locks commits as before, unserialised.
            if (errno != EWOULDBLOCK && errno != EINTR) break;
            if (std::chrono::steady_clock::now() >= deadline) {
                const std::string pids = JournalOwners(held[k].folder);
                failed = "Cannot write in " + held[k].folder.string() +
                         ": another run is putting its outputs there" +
                         (pids.empty() ? std::string() : " (process " + pids + ")");
                break;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(20000));
        }
        if (failed)
            ::close(held[k].fd);
        else
            fds_.push_back(held[k].fd);
    }
    if (failed) release();
    return failed;
}

void FolderLocks::release() {
    for (const int fd : fds_)
        ::close(fd);
    fds_.clear();
}

} // namespace atomicfile

using namespace atomicfile;

namespace {

// Only the start of the target's name: a name as long as the folder allows
// (255 bytes) must still leave room for the private folder's own additions.
constexpr std::size_t kNameStart = 40;
// The temporary inside the private folder keeps the target's name (and so its
// extension, for a library that looks at it) when it leaves room for a
// library's side files beside it.
constexpr std::size_t kFileNameMax = 200;

std::string NameStart(const std::string& name, std::size_t most) {
    std::size_t n = std::min(name.size(), most);
    // Never cut a multi-byte character in two.
    while (n > 0 && n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
        --n;
    return name.substr(0, n);
}

// A private folder's name for the target `name`, with fresh random letters.
std::string PrivateFolderName(const std::string& name) {
    static constexpr char letters[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    unsigned char random[kRandomLetters] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        // Unpredictable enough for a name that is only ever made with
        // mkdir, which never reuses or follows anything.
        const auto mix = std::chrono::steady_clock::now().time_since_epoch().count() ^
                         (static_cast<long long>(::getpid()) << 20) ^ NextTempNumber();
        for (std::size_t k = 0; k < kRandomLetters; ++k)
            random[k] = static_cast<unsigned char>(mix >> (k * 7));
    }
    std::string out = "." + NameStart(name, kNameStart) + std::string(kPrivateMark);
    for (const unsigned char r : random)
        out += letters[r % (sizeof letters - 1)];
    return out;
}

std::string TemporaryFileName(const std::string& name) {
    std::string file = NameStart(name, kFileNameMax);
    // Never the name of the lock file or of a backup beside it.
    if (file.starts_with(kTempMark)) file.insert(0, "_");
    return file;
}

// Opens `name` in the folder `dfd` for probing its lock: for reading, or for
// writing when it may not be read.
int OpenForProbe(int dfd, const char* name) {
    int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = ::openat(dfd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    return fd;
}

// True when no live writer holds the earlier version's temporary `name`:
// missing, or lockable.
bool Unheld(int dfd, const char* name) {
    const int fd = OpenForProbe(dfd, name);
    if (fd < 0) return errno == ENOENT;
    const bool unheld = LockFile(fd);
    ::close(fd);
    return unheld;
}

// What the map library adds to a file's name for the files it writes beside
// it: overviews, their temporary, its metadata, and a database's journals.
constexpr std::string_view kSideSuffixes[] = {".ovr.tmp", ".ovr", ".aux.xml", ".tmp",
                                              "-journal", "-wal", "-shm"};

// The earlier version's temporary a library's side file was named after
// ("<temporary>.ovr.tmp", "<temporary>-wal"), or nothing: a file of the user's
// that merely starts like one is no side file.
std::optional<std::string> SideFileOf(std::string_view name) {
    std::size_t at = name.find(kTempMark);
    while (at != std::string_view::npos) {
        std::size_t end = at + kTempMark.size();
        const auto digits = [&] {
            const std::size_t from = end;
            while (end < name.size() && name[end] >= '0' && name[end] <= '9')
                ++end;
            return end > from;
        };
        if (digits() && end < name.size() && name[end] == '-' && (++end, digits()) &&
            std::find(std::begin(kSideSuffixes), std::end(kSideSuffixes), name.substr(end)) !=
                std::end(kSideSuffixes) &&
            IsTemporaryName(name.substr(0, end), false))
            return std::string(name.substr(0, end));
        at = name.find(kTempMark, at + 1);
    }
    return std::nullopt;
}

// Removes what runs that are gone left in the target's folder: private
// folders nobody holds (with the side files a library wrote in them), the
// earlier version's unlocked temporaries and the side files beside them, and
// its backups that no commit journal in the folder still names. A run holds
// its private folder's lock until it is done, so whatever can be locked was
// left by a run that is gone, whatever process namespace or machine it ran in.
void RemoveLeftovers(int folderFd) {
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* d = ::fdopendir(listFd);
    if (!d) {
        ::close(listFd);
        return;
    }
    std::vector<std::string> privateFolders, temporaries, sideFiles, backups;
    bool journals = false;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view n = e->d_name;
        if (IsPrivateFolderName(n))
            privateFolders.emplace_back(n);
        else if (IsTemporaryName(n, false))
            temporaries.emplace_back(n);
        else if (IsTemporaryName(n, true))
            backups.emplace_back(n);
        else if (n.starts_with(".") && SideFileOf(n))
            sideFiles.emplace_back(n);
        else if (n.starts_with(".brenvik-commit-"))
            journals = true;
    }
    ::closedir(d);
    for (const std::string& n : privateFolders)
        RemoveStalePrivateFolder(folderFd, n.c_str());
    for (const std::string& n : sideFiles) {
        struct stat st {};
        if (Unheld(folderFd, SideFileOf(n)->c_str()) &&
            ::fstatat(folderFd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(folderFd, n.c_str(), 0);
    }
    for (const std::string& n : temporaries) {
        const int fd = OpenForProbe(folderFd, n.c_str());
        if (fd < 0) continue; // not ours to judge
        struct stat opened {
        }, named{};
        if (LockFile(fd) && ::fstat(fd, &opened) == 0 &&
            ::fstatat(folderFd, n.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(opened, named) && S_ISREG(named.st_mode))
            ::unlinkat(folderFd, n.c_str(), 0);
        ::close(fd);
    }
    // The earlier version's backups: its journals were recovered just before,
    // so a backup no journal here still names was left when another run
    // replaced its target meanwhile; the file it kept is superseded.
    if (!journals) {
        for (const std::string& n : backups) {
            struct stat st {};
            if (::fstatat(folderFd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
                ::unlinkat(folderFd, n.c_str(), 0);
        }
    }
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// A path resolved by walking it: the folder (absolute, free of links), an
// open descriptor of it, and the final name.
struct WalkedPath {
    std::string folder, name;
    int folderFd = -1;
};

// Walks `path` one Component at a time, as the kernel would, but with the
// rule for links in shared folders applied at every Component (the kernel
// applies it to the last one only, and only on opening).
class OutputPathWalk {
  public:
    explicit OutputPathWalk(std::string& refusal) : refusal_(refusal) {}
    std::optional<WalkedPath> run(const std::string& path);

  private:
    // Puts the Components of `text` before those still to walk.
    void push(const std::string& text);
    // Starts again from the root, or from the working folder.
    bool restart(bool absolute);
    // Gives up the walk, saying why.
    std::optional<WalkedPath> failed(std::string why);
    // Steps out to the folder above, for "..".
    bool stepUp();
    // Steps into the folder `c`, found to be one.
    bool stepInto(const std::string& c);
    // Follows the link `c` (whose own status is `st`), or says why it may not.
    std::optional<std::string> followLink(const std::string& c, const struct stat& st, bool last);

    std::string& refusal_;
    std::deque<std::string> todo_;
    std::string folder_;
    int fd_ = -1;
    int hops_ = 0;
};

void OutputPathWalk::push(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t slash = std::min(text.find('/', at), text.size());
        parts.push_back(text.substr(at, slash - at));
        at = slash + 1;
    }
    todo_.insert(todo_.begin(), parts.begin(), parts.end());
}

bool OutputPathWalk::restart(bool absolute) {
    if (fd_ >= 0) ::close(fd_);
    if (absolute) {
        folder_ = "/";
        fd_ = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    } else {
        std::error_code ec;
        folder_ = fs::current_path(ec).string();
        fd_ = ec ? -1 : ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    return fd_ >= 0;
}

std::optional<WalkedPath> OutputPathWalk::failed(std::string why) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    refusal_ = std::move(why);
    return std::nullopt;
}

bool OutputPathWalk::stepUp() {
    const int up = ::openat(fd_, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (up < 0) return false;
    ::close(fd_);
    fd_ = up;
    folder_ = fs::path(folder_).parent_path().string();
    return true;
}

bool OutputPathWalk::stepInto(const std::string& c) {
    // Without following: a folder swapped for a link since it was looked
    // at fails here instead of being entered.
    const int next = ::openat(fd_, c.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return false;
    ::close(fd_);
    fd_ = next;
    folder_ = Join(folder_, c);
    return true;
}

std::optional<std::string> OutputPathWalk::followLink(const std::string& c, const struct stat& st,
                                                      bool last) {
    // In a folder everyone may write to but only owners may delete
    // from (a sticky /tmp), a link planted by another user must not
    // steer the output onto a file, or into a folder, that user could
    // not write: only a link of the folder's owner or of the caller is
    // followed.
    struct stat dir {};
    if (::fstat(fd_, &dir) == 0 && (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH) &&
        st.st_uid != dir.st_uid && st.st_uid != ::geteuid())
        return std::string(last ? "it is" : "it passes through") +
               " another user's link in a shared folder: " + Join(folder_, c);
    if (++hops_ > 40) return std::string(std::strerror(ELOOP));
    std::string to(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t n = ::readlinkat(fd_, c.c_str(), to.data(), to.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= to.size()) return SystemReason();
    to.resize(static_cast<std::size_t>(n));
    if (to.front() == '/' && !restart(true)) return SystemReason();
    push(to);
    return std::nullopt;
}

std::optional<WalkedPath> OutputPathWalk::run(const std::string& path) {
    if (path.empty() || path.back() == '/') return std::nullopt;
    if (!restart(path.front() == '/')) return failed(SystemReason());
    push(path);
    while (!todo_.empty()) {
        const std::string c = std::move(todo_.front());
        todo_.pop_front();
        const bool last = todo_.empty();
        if (c.empty() || c == "." || c == "..") {
            if (last) return failed(""); // no file name
            if (c == ".." && !stepUp()) return failed(SystemReason());
            continue;
        }
        struct stat st {};
        if (::fstatat(fd_, c.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT && last) return WalkedPath{folder_, c, fd_};
            return failed(SystemReason());
        }
        if (S_ISLNK(st.st_mode)) {
            if (auto why = followLink(c, st, last)) return failed(std::move(*why));
            continue;
        }
        if (last) return WalkedPath{folder_, c, fd_};
        if (!S_ISDIR(st.st_mode)) return failed(std::strerror(ENOTDIR));
        if (!stepInto(c)) return failed(SystemReason());
    }
    return failed("");
}

// Resolves `path` to the folder and name an output is written to.
std::optional<WalkedPath> WalkOutputPath(const std::string& path, std::string& refusal) {
    return OutputPathWalk(refusal).run(path);
}

} // namespace

std::string ResolveOutputPath(const std::string& path, std::string* refusal) {
    std::string why;
    const auto walked = WalkOutputPath(path, why);
    if (!walked) {
        if (refusal) *refusal = why;
        return {};
    }
    ::close(walked->folderFd);
    return Join(walked->folder, walked->name);
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

std::optional<OutputPlace> OutputPlaceOf(const std::string& resolved) {
    const fs::path p(resolved);
    struct stat st {};
    if (resolved.empty() || ::stat(p.parent_path().c_str(), &st) != 0) return std::nullopt;
    return OutputPlace{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                       p.filename().string()};
}

// ---- StagedFile -----------------------------------------------------------------

StagedFile::StagedFile(StagedFile&& o) noexcept {
    *this = std::move(o);
}

StagedFile& StagedFile::operator=(StagedFile&& o) noexcept {
    if (this != &o) {
        discard();
        target_ = std::move(o.target_);
        temporary_ = std::move(o.temporary_);
        reason_ = std::move(o.reason_);
        privateName_ = std::move(o.privateName_);
        fileName_ = std::move(o.fileName_);
        fd_ = std::exchange(o.fd_, -1);
        folderFd_ = std::exchange(o.folderFd_, -1);
        privateFd_ = std::exchange(o.privateFd_, -1);
        lockFd_ = std::exchange(o.lockFd_, -1);
        unsynced_ = o.unsynced_;
        committed_ = o.committed_;
        o.temporary_.clear();
        o.privateName_.clear();
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
    auto walked = WalkOutputPath(target, refusal);
    if (!walked) return fail(refusal.empty() ? "not a file name" : refusal);
    target_ = Join(walked->folder, walked->name);
    folderFd_ = walked->folderFd;
    // What a killed run left half done in this folder comes first: a target
    // it replaced may be about to get its old file back.
    RecoverInterruptedCommits(walked->folder);
    if (auto refused = OutputRefusal(target_)) return fail(*refused);
    RemoveLeftovers(folderFd_);
    fileName_ = TemporaryFileName(walked->name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = PrivateFolderName(walked->name);
        if (::mkdirat(folderFd_, name.c_str(), 0700) != 0) {
            if (errno != EEXIST) return fail(SystemReason());
            continue;
        }
        privateName_ = name;
        privateFd_ =
            ::openat(folderFd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (privateFd_ >= 0)
            lockFd_ = ::openat(privateFd_, kLockName,
                               O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (lockFd_ < 0) {
            // ENOENT: another run's sweep took the folder while it was empty.
            if (errno != ENOENT && errno != EEXIST) {
                const std::string why = SystemReason();
                closeAll(privateFd_ >= 0);
                return fail(why);
            }
            closeAll(false);
            continue;
        }
        // Another run's sweep may have taken the folder between the lock
        // file's making and its lock: then the names no longer lead to what
        // is held (or the sweep holds it and removes it), and another folder
        // is made.
        struct stat heldDir {
        }, namedDir{}, heldLock{}, namedLock{};
        if (!LockFile(lockFd_) || ::fstat(privateFd_, &heldDir) != 0 ||
            ::fstatat(folderFd_, name.c_str(), &namedDir, AT_SYMLINK_NOFOLLOW) != 0 ||
            !SameFile(heldDir, namedDir) || ::fstat(lockFd_, &heldLock) != 0 ||
            ::fstatat(privateFd_, kLockName, &namedLock, AT_SYMLINK_NOFOLLOW) != 0 ||
            !SameFile(heldLock, namedLock)) {
            closeAll(false);
            continue;
        }
        fd_ = ::openat(privateFd_, fileName_.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) return fail(SystemReason());
        temporary_ = Join(Join(walked->folder, privateName_), fileName_);
        return true;
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

bool StagedFile::finish() {
    if (temporary_.empty() || privateFd_ < 0) return false;
    // The file now at the temporary's name, which a writer that stages and
    // renames itself may have replaced.
    if (fd_ < 0) fd_ = ::openat(privateFd_, fileName_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
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
    // Not in the middle of another run's set landing in the same folder.
    FolderLocks locks;
    if (auto busy = locks.take({fs::path(target_).parent_path()}, 30.0)) return fail(*busy);
    const std::string name = fs::path(target_).filename().string();
    if (::renameat(privateFd_, fileName_.c_str(), folderFd_, name.c_str()) != 0)
        return fail(SystemReason());
    committed_ = true;
    temporary_.clear();
    // Make the rename itself durable; a failure here no longer loses data.
    SyncFolder(target_);
    locks.release();
    discard();
    return true;
}

void StagedFile::closeAll(bool removeFolder) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (removeFolder && privateFd_ >= 0 && !privateName_.empty()) {
        // A backup that a failed commit could not put back stays for its
        // journal, with the folder's lock file, so the next run finds both.
        struct stat st {};
        const bool backup = ::fstatat(privateFd_, kBackupName, &st, AT_SYMLINK_NOFOLLOW) == 0;
        RemoveContents(privateFd_, {kLockName, kBackupName});
        if (!backup) {
            ::unlinkat(privateFd_, kLockName, 0);
            ::unlinkat(folderFd_, privateName_.c_str(), AT_REMOVEDIR);
        }
    }
    for (int* fd : {&privateFd_, &lockFd_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    privateName_.clear();
    temporary_.clear();
}

void StagedFile::discard() {
    closeAll(!privateName_.empty());
    if (folderFd_ >= 0) ::close(folderFd_);
    folderFd_ = -1;
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
