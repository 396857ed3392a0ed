#pragma once

#include "model/AtomicFile.h"
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

// ---- Value forms of the project file (and of the CSV exports) -------------
// They never follow the user's locale.

// A double as the file writes it: "." as the decimal point, no leading zero
// below 1 (".5", "-.25"), at most 15 significant digits with trailing zeros
// dropped ("150"), exponent form "1E-05" / "2.5E+20" for magnitudes below 1E-04
// or from 1E+15 up. Negative zero is written "0".
std::string FormatDouble(double v);
// Appends the same text to `out` (no allocation per value for large grids).
void AppendDouble(std::string& out, double v);
// A variant in the form of what it holds; an empty variant gives "".
std::string FormatVariant(const Variant& v);

// Readers of one line's text (without its line ending); a double reads with
// ParseFileDouble (model/Numbers.h).
// An integer item: any number form, rounded to the nearest whole number with
// halves going to the even neighbour, within -32768..32767.
std::optional<std::int16_t> ParseFileInt16(std::string_view text);
// A count that may exceed the 16-bit range (the isoline slot counts).
std::optional<std::int64_t> ParseFileInt64(std::string_view text);
// A variant line: empty gives an empty variant, a plain whole number an
// integer, any other number form a double.
std::optional<Variant> ParseFileVariant(std::string_view text);
// A string line: the text between its quotes (an unquoted line is taken whole,
// without its surrounding blanks).
std::string ParseFileString(std::string_view text);

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
// refused before it is begun, and a raised `cancel` stops the writing; either
// way the old file stays. Loading (and ReadProjectFile) changes `p` only when
// the whole file was read. On failure `why`, when given, names the file and
// the cause: the line or key, "out of memory", "disk full".
bool SaveProjectFile(const Project& p, const std::string& path,
                     const std::atomic<bool>* cancel = nullptr, std::string* why = nullptr);
bool LoadProjectFile(Project& p, const std::string& path, std::string* why = nullptr);

} // namespace brenvik
