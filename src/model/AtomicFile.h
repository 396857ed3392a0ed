#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brenvik {

// Replaces the file at `path` with `content` as one step: the bytes go to a
// temporary file beside the target, are flushed to the disk, and only then is
// the temporary renamed over the target. A save that fails half-way (a full
// disk, a folder that cannot be written, a target that is a folder) leaves the
// previous file exactly as it was and returns false.
bool WriteFileAtomically(const std::string& path, std::string_view content);

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

} // namespace brenvik
