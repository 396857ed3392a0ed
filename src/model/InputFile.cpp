#include "model/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brenvik {

namespace {

std::string quoted(const std::string& path) {
    return "\"" + QuoteCut(path, 200) + "\"";
}

// Opens without blocking (a FIFO with no writer would otherwise hang here) and
// checks the descriptor itself. Returns the descriptor, or -1 with `why`.
int OpenPlain(const std::string& path, std::string& why, struct stat& st) {
    if (path.empty()) {
        why = "no file named";
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = "cannot read " + quoted(path) + ": " + std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = quoted(path) + " is not a plain file";
        return -1;
    }
    return fd;
}

} // namespace

std::optional<std::string> InputFileRefusal(const std::string& path) {
    std::string why;
    struct stat st {};
    const int fd = OpenPlain(path, why, st);
    if (fd < 0) return why;
    ::close(fd);
    return std::nullopt;
}

std::optional<std::string> ReadInputFile(const std::string& path, std::uintmax_t maxBytes,
                                         std::string& text) {
    std::string why;
    struct stat st {};
    const int fd = OpenPlain(path, why, st);
    if (fd < 0) return why;
    const auto tooLarge = [&] {
        ::close(fd);
        return quoted(path) + " is larger than " + std::to_string(maxBytes) + " bytes";
    };
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) return tooLarge();
    text.clear();
    text.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const std::string err = std::strerror(errno);
            ::close(fd);
            return "cannot read " + quoted(path) + ": " + err;
        }
        if (n == 0) break;
        // The file may grow while it is read: the bound holds for what is read.
        if (text.size() + static_cast<std::size_t>(n) > maxBytes) return tooLarge();
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return std::nullopt;
}

std::string QuoteCut(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t cut = limit;
    // Never split a UTF-8 sequence: back up to the start of a character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "\xE2\x80\xA6";
}

} // namespace brenvik
