#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace brenvik::batch {

// A failure while writing an output; the text is the program's message.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Every output of a run is first written to a temporary file beside its target
// (same folder, so the final rename never crosses file systems) and put in
// place only when the whole run has succeeded. A failed or interrupted run thus
// leaves neither a half-written file nor a mix of new and old outputs: the
// targets keep what they held before.
class StagedOutputs {
  public:
    StagedOutputs() = default;
    StagedOutputs(const StagedOutputs&) = delete;
    StagedOutputs& operator=(const StagedOutputs&) = delete;
    ~StagedOutputs(); // removes every temporary file that was not committed

    // Creates the (empty) temporary file for `target` at once, so that an
    // unwritable folder is reported before the long calculation, and returns
    // its path. Throws OutputError.
    std::string stage(const std::string& target);

    // The temporary path staged for `target`, or throws std::logic_error.
    const std::string& temporaryFor(const std::string& target) const;

    // Renames every temporary file onto its target, in staging order. Throws
    // OutputError on the first rename that fails (the rest are removed).
    void commitAll();

    // Removes every temporary file.
    void discardAll();

    std::size_t size() const { return items_.size(); }

  private:
    struct Item {
        std::string target;
        std::string temporary;
        bool done = false;
    };
    std::vector<Item> items_;
};

} // namespace brenvik::batch
