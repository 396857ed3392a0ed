#pragma once

#include <functional>
#include <optional>
#include <string>

namespace brenvik {

// Numbers typed into the dialogs follow the user's locale. Every dialog rule of
// the core takes the parser (and, where it writes a box, the formatter) as a
// parameter; the defaults use the C locale, the application passes
// locale-aware ones.
using NumberParser = std::function<std::optional<double>(const std::string&)>;
using NumberFormatter = std::function<std::string(double)>;

// Whole text (surrounding blanks allowed) as a decimal number with '.' as the
// separator; no value for an empty or non-numeric text or a non-finite number.
std::optional<double> ParseNumberC(const std::string& text);

// Shortest text that reads back as the same number ("12", "3.6", "-0.5").
std::string FormatNumberC(double value);

// The text of a number with two decimals ("45.63"), as the XZ dialog shows
// the distance.
std::string FormatFixed2C(double value);

// Replaces the text of a box. (Assigning a short literal straight to a
// std::string trips a false -Wrestrict diagnostic of GCC 12.)
inline void SetText(std::string& box, const char* text) {
    box.clear();
    box.append(text);
}

} // namespace brenvik
