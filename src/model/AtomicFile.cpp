#include "model/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace brenvik {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> tempCounter{0};

// A temporary name in the target's own folder, so that the final rename never
// crosses file systems and is atomic.
std::string TempNameFor(const fs::path& target, unsigned attempt) {
    // Only the start of the target's name: a name as long as the folder
    // allows must still leave room for the temporary's own additions.
    std::string name(".");
    name.append(target.filename().string().substr(0, 64));
    name.append(".tmp");
#if !defined(_WIN32)
    name.append(std::to_string(static_cast<long>(::getpid())));
#endif
    name.push_back('-');
    name.append(std::to_string(tempCounter.fetch_add(1)));
    name.push_back('-');
    name.append(std::to_string(attempt));
    return (target.parent_path() / name).string();
}

} // namespace

#if defined(_WIN32)

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    if (path.empty()) return false;
    fs::path target(path);
    std::error_code ec;
    if (fs::is_directory(target, ec)) return false;
    // A read-only file is not replaced behind its owner's back.
    auto status = fs::status(target, ec);
    if (!ec && fs::exists(status) &&
        (status.permissions() & fs::perms::owner_write) == fs::perms::none)
        return false;
    std::string tmp = TempNameFor(target, 0);
    {
        std::ofstream os(tmp, std::ios::binary | std::ios::trunc);
        if (!os) return false;
        os.write(content.data(), static_cast<std::streamsize>(content.size()));
        os.flush();
        if (!os) {
            os.close();
            fs::remove(tmp, ec);
            return false;
        }
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

#else

bool WriteFileAtomically(const std::string& requested, std::string_view content) {
    if (requested.empty()) return false;
    fs::path target(requested);
    std::error_code ec;
    // Saving through a symbolic link replaces the file it points to, not the
    // link itself.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return false;
        target = resolved;
    }
    const std::string path = target.string();
    // A folder (or anything but a plain file) at the target is never replaced.
    auto status = fs::status(target, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) return false;

    // Keep the permission bits of the file being replaced.
    struct stat old {};
    bool hadOld = ::stat(path.c_str(), &old) == 0;
    // A file that could not be opened for writing is not replaced behind its
    // owner's back just because its folder can be written to.
    if (hadOld && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;

    std::string tmp;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        tmp = TempNameFor(target, attempt);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    auto fail = [&]() {
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    };
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail();
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (hadOld && ::fchmod(fd, old.st_mode & 07777) != 0) return fail();
    if (::fsync(fd) != 0) return fail();
    int rc = ::close(fd);
    fd = -1;
    if (rc != 0) return fail();
    if (::rename(tmp.c_str(), path.c_str()) != 0) return fail();

    // Make the rename itself durable; a failure here no longer loses data.
    fs::path dir = target.parent_path();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

#endif

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
