#pragma once

#include "model/Variant.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brenvik {

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

// ---- Pieces of the line rules the project file's reader shares ------------

// The blanks a line's value may have around it.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
// The line without the blanks (spaces, tabs) around it.
std::string_view TrimBlanks(std::string_view s);
// Digits with an optional sign, nothing else.
bool IsPlainWhole(std::string_view s);
// Rounds to the nearest whole number, halves to the even neighbour, the way an
// integer item takes a number of any form.
double RoundHalfEven(double v);

} // namespace brenvik
