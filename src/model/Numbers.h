#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brenvik {

// Every way the program reads and writes a number as text. The readers differ
// on purpose, each for the texts it meets; none follows the C library's
// locale, so a Qt application's locale never changes what a file holds.

// Numbers typed into the dialogs follow the user's locale. Every dialog rule of
// the core takes the parser (and, where it writes a box, the Formatter) as a
// parameter; the defaults use the C locale, the application passes
// locale-aware ones.
using NumberParser = std::function<std::optional<double>(const std::string&)>;
using NumberFormatter = std::function<std::string(double)>;

// ---- Reading -------------------------------------------------------------------

// A dialog box in the C form: the whole text (surrounding blanks allowed) with
// '.' as the separator and one sign at most; no value for an empty or
// non-numeric text or a non-finite number.
std::optional<double> ParseNumberC(const std::string& text);

// A line of the project file: any decimal or exponent form with "." as the
// decimal point, surrounded by optional blanks. Tiny magnitudes read as zero
// and the 15-digit form of the largest doubles, which the writer produces,
// reads back; other overflows, "inf", "nan" and hex forms are refused. The
// geographic dialogs read their C form the same way.
std::optional<double> ParseFileDouble(std::string_view text);

// An option value of the batch companion: only spaces around it, digits, one
// sign, a point and an exponent; an overflow is refused rather than capped,
// since a script's typo must not run with the largest double.
std::optional<double> ParseOptionNumber(const std::string& text);
// A whole option value ("+3", "-1"), spaces around it allowed.
std::optional<long long> ParseOptionInteger(const std::string& text);

// ---- Writing -------------------------------------------------------------------

// Shortest text that reads back as the same number ("12", "3.6", "-0.5"), as
// the core's forms fill their boxes.
std::string FormatNumberC(double value);

// The text of a number with two decimals ("45.63"), as the XZ dialog shows
// the distance.
std::string FormatFixed2C(double value);

// Fixed decimals with '.' for the texts drawn on the plan ("0.000000" has 6):
// a value that rounds to zero has no sign, and a non-finite value is named
// ("NaN", "Inf", "-Inf") so a picture never shows garbage.
std::string formatFixed(double v, int decimals);
// A value followed by " uW/cm^2".
std::string FormatDensity(double v, int decimals);
// Shortest decimal text of a value (25 → "25", 2.5 → "2.5") drawn on the plan.
std::string FormatShortest(double v);

// Fixed decimals for the geographic dialogs' boxes, with the user's decimal
// point; a value too large for fixed decimals falls back to the general form,
// since a box must show something the user can read back.
std::string FormatFixedBox(double v, int decimals, char decimalPoint = '.');
// The general 15-digit form ("1.5E+20") of the boxes without a fixed format.
std::string FormatPlainBox(double v, char decimalPoint = '.');

// Replaces the text of a box. (Assigning a short literal straight to a
// std::string trips a false -Wrestrict diagnostic of GCC 12.)
inline void SetText(std::string& box, const char* text) {
    box.clear();
    box.append(text);
}

} // namespace brenvik
