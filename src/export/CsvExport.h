#pragma once

#include "model/AtomicFile.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <string>

namespace brenvik {

// The eight point tables of the Options menu.
enum class CsvExport {
    IsolinesCartesian,        // g7
    IsolinesGeographic,       // g8
    SourcesCartesian,         // g10
    SourcesGeographic,        // g11
    ConcentrationsCartesian,  // g13
    ConcentrationsGeographic, // g14
    MaximumCartesian,         // g16
    MaximumGeographic,        // g17
};

inline constexpr const char* CsvFileFilter = "Torvel Files (*.csv)| *.csv";

// The header line of an export, without its line ending.
std::string CsvHeader(CsvExport kind);

// A coordinate as exported: rounded to 8 decimals, then 1E-08 added so that it
// is never an exact whole number.
double CsvCoordinate(double v);
// A value as exported: rounded to 8 decimals.
double CsvValue(double v);

// The whole table, lines ending in CR LF, numbers in the project file's forms.
// False when a number has no file form (infinite or not a number, e.g. a
// degenerate ellipsoid); `out` is then incomplete.
bool WriteCsv(const Project& p, CsvExport kind, std::string& out);
// The same in chunks (see ChunkedText); false also when the writing failed or
// was cancelled.
bool WriteCsv(const Project& p, CsvExport kind, ChunkedText& out);

// Writes the table to `path` atomically, a chunk at a time, so that a table
// of any size needs little memory, telling `feedback` how far the table is;
// false on any failure and when the feedback is canceled while it is written
// (the target then keeps what it held).
// On failure `why`, when given, names the file and the cause.
bool SaveCsvFile(const Project& p, CsvExport kind, const std::string& path, Feedback& feedback,
                 std::string* why = nullptr);

enum class ExportResult { Written, ZoomRefused, Cancelled, Failed };

// The menu command after the window's tool reset: refuses any zoom but 100 %
// (message above), asks for a path with the CSV filter (cancelled: nothing
// written), writes the file and shows "Error en el fichero" (the cause on a
// second line) when that fails. A canceled `feedback` leaves the target as it
// was and shows nothing: Cancelled.
// The project's FileName is never touched.
ExportResult RunCsvExport(Project& p, Prompts& prompts, CsvExport kind,
                          Feedback* feedback = nullptr);

} // namespace brenvik
