#include "batch/StagedOutputs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace brenvik::batch {

namespace {

std::string reason() {
    return std::strerror(errno);
}

} // namespace

StagedOutputs::~StagedOutputs() {
    discardAll();
}

std::string StagedOutputs::stage(const std::string& target) {
    namespace fs = std::filesystem;
    fs::path t(target);
    if (t.filename().empty()) throw OutputError("Cannot write " + target + ": not a file name");
    std::error_code ec;
    if (fs::is_directory(t, ec)) throw OutputError("Cannot write " + target + ": it is a folder");
    // A hidden name in the same folder, unique per process and output.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".";
        name += t.filename().string();
        name += ".part-";
        name += std::to_string(::getpid());
        name += '-';
        name += std::to_string(items_.size());
        name += '-';
        name += std::to_string(attempt);
        fs::path tmp = t.parent_path() / name;
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            items_.push_back({target, tmp.string(), false});
            return items_.back().temporary;
        }
        if (errno != EEXIST) throw OutputError("Cannot write " + target + ": " + reason());
    }
    throw OutputError("Cannot write " + target + ": no free temporary name");
}

const std::string& StagedOutputs::temporaryFor(const std::string& target) const {
    for (const auto& it : items_)
        if (it.target == target) return it.temporary;
    throw std::logic_error("output not staged: " + target);
}

void StagedOutputs::commitAll() {
    for (auto& it : items_) {
        if (it.done) continue;
        if (std::rename(it.temporary.c_str(), it.target.c_str()) != 0) {
            std::string why = reason();
            discardAll();
            throw OutputError("Cannot write " + it.target + ": " + why);
        }
        it.done = true;
    }
}

void StagedOutputs::discardAll() {
    for (auto& it : items_) {
        if (!it.done) std::remove(it.temporary.c_str());
        it.done = true;
    }
}

} // namespace brenvik::batch
