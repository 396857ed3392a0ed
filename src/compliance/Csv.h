#pragma once

// The comma-separated tables the program reads and writes (site inventory,
// places, buildings): one field rule for all of them.
#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// Splits one CSV line; a field may be quoted, with "" for a quote inside.
// Blanks around a field are dropped.
std::vector<std::string> SplitCsvLine(const std::string& line);

// The number in a table's field `name`: none for an empty field (a reason
// in `why` when it is required) or for one that is not a finite number (a
// reason in `why` naming the text).
std::optional<double> CsvNumber(const std::string& text, const std::string& name, bool required,
                                std::vector<std::string>& why);

// A field as written: quoted when it holds a comma or a quote.
std::string CsvQuoted(const std::string& s);

} // namespace brenvik::compliance
