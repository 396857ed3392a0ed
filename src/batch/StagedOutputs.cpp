#include "batch/StagedOutputs.h"

#include "batch/BatchOptions.h"

#include <map>

namespace brenvik::batch {

namespace {

// Where an output lands, by what the file system says rather than by its
// spelling: the existing file's device and inode, and its folder's device and
// inode with its name (for a file not made yet, whose folder may be reached
// by a bind mount or a link under another name).
struct Landing {
    std::optional<std::pair<std::uint64_t, std::uint64_t>> file;
    std::optional<OutputPlace> place;
    bool same(const Landing& o) const {
        return (file && file == o.file) || (place && place == o.place);
    }
};

Landing LandingOf(const std::string& resolved) {
    return {ExistingFileIdentity(resolved), OutputPlaceOf(resolved)};
}

} // namespace

std::optional<std::string> SameOutputTwice(const BatchOptions& o) {
    std::vector<std::string> paths;
    for (const auto& e : o.exports)
        paths.push_back(e.path);
    if (o.image) paths.push_back(o.image->path);
    if (o.savePath) paths.push_back(*o.savePath);
    std::vector<std::pair<Landing, std::string>> seen;
    for (const auto& p : paths) {
        const std::string resolved = ResolveOutputPath(p);
        if (resolved.empty()) continue; // refused with its own message later
        const Landing here = LandingOf(resolved);
        for (const auto& [landing, earlier] : seen)
            if (landing.same(here)) {
                const std::string both = earlier == p ? p : earlier + " and " + p;
                return "two outputs on the same path: " + both;
            }
        seen.emplace_back(here, p);
    }
    return std::nullopt;
}

std::string StagedOutputs::stage(const std::string& target) {
    StagedFile f;
    if (!f.open(target)) throw OutputError("Cannot write " + target + ": " + f.reason());
    const Landing here = LandingOf(f.target());
    for (const auto& it : items_)
        if (it.file.target() == f.target() || LandingOf(it.file.target()).same(here))
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

void StagedOutputs::discardAll() {
    for (auto& it : items_)
        it.file.discard();
}

} // namespace brenvik::batch
