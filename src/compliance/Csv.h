#pragma once

// The comma-separated tables the program reads and writes (site inventory,
// places, buildings): one field rule for all of them.
#include <string>
#include <vector>

namespace brenvik::compliance {

// Splits one CSV line; a field may be quoted, with "" for a quote inside.
// Blanks around a field are dropped.
std::vector<std::string> SplitCsvLine(const std::string& line);

// A field as written: quoted when it holds a comma or a quote.
std::string CsvQuoted(const std::string& s);

} // namespace brenvik::compliance
