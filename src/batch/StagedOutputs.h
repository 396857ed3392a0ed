#pragma once

#include "model/AtomicFile.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brenvik::batch {

struct BatchOptions;

// A failure while writing an output; the text is the program's message.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The message for two outputs of one run that land on the same file, however
// they are spelled ("a/x.csv" and "./a/x.csv", a link and the file it names,
// two mounts of one folder, even before the file exists), or no value when
// every output has a file of its own.
std::optional<std::string> SameOutputTwice(const BatchOptions& options);

// Every output of a run is first written to a temporary file in a private
// folder beside its target (so the final rename never crosses file systems) and put in
// place only when the whole run has succeeded. A failed or interrupted run thus
// leaves neither a half-written file nor a mix of new and old outputs: the
// targets keep what they held before.
class StagedOutputs {
  public:
    StagedOutputs() = default;
    // `rename` replaces rename(2) for the final step (tests inject failures).
    explicit StagedOutputs(RenameFunction rename) : rename_(std::move(rename)) {}
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;
    ~StagedOutputs() = default; // every temporary not committed goes

    // Checks the target (a link is followed; anything but a missing or a
    // writable plain file is refused) and creates its (empty) temporary file
    // at once, so that an unwritable folder is reported before the long
    // calculation; returns the temporary's path. Throws OutputError.
    std::string stage(const std::string& target);

    // The temporary path staged for `target`, or throws std::logic_error.
    const std::string& temporaryFor(const std::string& target) const;

    // Flushes every temporary to the disk and checks it, then renames them all
    // onto their targets. Throws OutputError when any of it fails: the targets
    // then hold what they held before and every temporary is gone.
    void commitAll();

    // Removes every temporary file.
    void discardAll();

    std::size_t size() const { return items_.size(); }

  private:
    struct Item {
        std::string target; // as the caller named it
        StagedFile file;
    };
    std::vector<Item> items_;
    RenameFunction rename_;
};

} // namespace brenvik::batch
