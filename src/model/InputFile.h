#pragma once
// Files the user names as input (places, buildings, terrain, patterns, limits,
// site inventories, the tiles' inputs) are read only when they are plain
// files: a named pipe would block the run, a device such as /dev/zero would
// feed it until memory runs out, and a folder reads as nothing. The file is
// opened without blocking and checked on the open descriptor, so what is
// checked is what is read.
#include <cstdint>
#include <optional>
#include <string>

namespace brenvik {

// Why `path` cannot serve as an input file, or no value when it is a plain
// file that can be opened for reading. For readers that hand the path on to a
// library (GDAL) which opens it itself.
std::optional<std::string> InputFileRefusal(const std::string& path);

// Reads the whole of the plain file `path` into `text`, refusing it (with the
// reason) when it is not a plain file, cannot be read or holds more than
// `maxBytes` bytes.
std::optional<std::string> ReadInputFile(const std::string& path, std::uintmax_t maxBytes,
                                         std::string& text);

// `text` cut to at most `limit` characters with "…" after it, for quoting a
// field of a file in a message without copying a huge field whole.
std::string QuoteCut(const std::string& text, std::size_t limit = 80);

} // namespace brenvik
