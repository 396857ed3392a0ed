#include "batch/StagedOutputs.h"

#include "batch/BatchOptions.h"

#include <map>

namespace brenvik::batch {

std::optional<std::string> sameOutputTwice(const BatchOptions& o) {
    std::vector<std::string> paths;
    for (const auto& e : o.exports)
        paths.push_back(e.path);
    if (o.image) paths.push_back(o.image->path);
    if (o.savePath) paths.push_back(*o.savePath);
    std::map<std::string, std::string> seen;
    // An existing file is also known by its device and inode: two spellings
    // through a bind mount resolve to different texts.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> seenFiles;
    for (const auto& p : paths) {
        std::string resolved = ResolveOutputPath(p);
        if (resolved.empty()) continue; // refused with its own message later
        auto [it, fresh] = seen.emplace(resolved, p);
        std::string earlier = it->second;
        if (fresh) {
            if (const auto id = ExistingFileIdentity(resolved)) {
                auto [file, first] = seenFiles.emplace(*id, p);
                fresh = first;
                earlier = file->second;
            }
        }
        if (!fresh) {
            std::string both = earlier == p ? p : earlier + " and " + p;
            return "two outputs on the same path: " + both;
        }
    }
    return std::nullopt;
}

std::string StagedOutputs::stage(const std::string& target) {
    StagedFile f;
    if (!f.open(target)) throw OutputError("Cannot write " + target + ": " + f.reason());
    const auto id = ExistingFileIdentity(f.target());
    for (const auto& it : items_)
        if (it.file.target() == f.target() || (id && ExistingFileIdentity(it.file.target()) == id))
            throw OutputError("Cannot write " + target + ": it is already an output");
    // The steps fill the temporary by its path.
    f.release();
    items_.push_back({target, std::move(f)});
    return items_.back().file.temporary();
}

const std::string& StagedOutputs::temporaryFor(const std::string& target) const {
    for (const auto& it : items_)
        if (it.target == target) return it.file.temporary();
    throw std::logic_error("output not staged: " + target);
}

void StagedOutputs::commitAll() {
    std::vector<StagedFile*> files;
    for (auto& it : items_) {
        if (!it.file.finish()) {
            std::string why = "Cannot write " + it.target + ": " + it.file.reason();
            discardAll();
            throw OutputError(why);
        }
        files.push_back(&it.file);
    }
    if (auto failed = CommitTogether(files, rename_)) {
        discardAll();
        throw OutputError(*failed);
    }
}

void StagedOutputs::relockAll() {
    for (auto& it : items_)
        it.file.relock();
}

void StagedOutputs::discardAll() {
    for (auto& it : items_)
        it.file.discard();
}

} // namespace brenvik::batch
