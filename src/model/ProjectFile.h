#pragma once

#include "model/AtomicFile.h"
#include "model/FileValues.h"
#include "model/Numbers.h"
#include "model/Project.h"
#include "model/Variant.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace brenvik {

// The file dialogs' filter for project files.
inline constexpr const char* ProjectFileFilter = "Torvel Files (*.bvk)| *.bvk";

// ---- The project file -------------------------------------------------------

// Writes every record of the current layout, lines ending in CR LF. Fails
// (returns false, appends nothing useful) when the project breaks its own
// invariants (arrays shorter than their counts) or holds a number that has no
// file form (infinite or not a number).
bool WriteProjectText(const Project& p, std::string& out);
// The same in chunks (see ChunkedText); false also when writing a chunk failed.
bool WriteProjectText(const Project& p, ChunkedText& out);
// A lower bound of the file's size in bytes, known from the counts alone.
std::uint64_t ProjectFileMinimumSize(const Project& p);
bool WriteProjectFile(const Project& p, std::ostream& os);

// Reads a project file into `p`, replacing every stored item and recomputing
// the derived ones. Returns false on any malformed, short or out-of-range
// content; `p` is then partly overwritten and the caller runs ResetProject().
// `why`, when given, then says where: the line, or the extension block's key.
// Counts are checked against the lines that remain before anything is
// allocated, so a hostile file can neither exhaust memory nor hang the reader.
bool ReadProjectText(Project& p, std::string_view text, std::string* why = nullptr);
bool ReadProjectFile(Project& p, std::istream& is);

// The same on a path; saving is atomic (see AtomicFile.h) and written in
// chunks. A file larger than the free space of the target's file system is
// refused before it is begun, and a canceled `feedback` stops the writing; either
// way the old file stays. Loading (and ReadProjectFile) changes `p` only when
// the whole file was read. On failure `why`, when given, names the file and
// the cause: the line or key, "out of memory", "disk full".
bool SaveProjectFile(const Project& p, const std::string& path, Feedback* feedback = nullptr,
                     std::string* why = nullptr);
bool LoadProjectFile(Project& p, const std::string& path, std::string* why = nullptr);

} // namespace brenvik
