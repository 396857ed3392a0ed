#include "pipeline/GridDump.h"

#include <charconv>
#include <stdexcept>

namespace brenvik::pipeline {

std::string FormatGridValue(double v) {
    char buf[40];
    // to_chars ignores the locale (a Qt application sets it from the
    // environment, which could turn the decimal point into a comma).
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    return std::string(buf, r.ptr);
}

bool WriteGridDump(ChunkedText& out, const Grid2D<double>& grid, int nx, int ny,
                   const char* value) {
    if (nx > grid.nx() || ny > grid.ny() || nx < 0 || ny < 0)
        throw std::logic_error("grid dump outside the grid");
    std::string& line = out.buffer();
    line += "\"i\",\"j\",\"";
    line += value;
    line += "\"\r\n";
    char num[40];
    auto append = [&line, &num](auto&&... v) {
        auto r = std::to_chars(num, num + sizeof num, v...);
        line.append(num, r.ptr);
    };
    for (int i = 0; i <= nx; ++i) {
        // A column of the largest grid takes well under a millisecond.
        out.progress(static_cast<double>(i) / (nx + 1), "grid");
        const double* col = grid.column(i);
        for (int j = 0; j <= ny; ++j) {
            append(i);
            line += ',';
            append(j);
            line += ',';
            append(col[j], std::chars_format::general, 17);
            line += "\r\n";
        }
        if (!out.maybeFlush()) return false;
    }
    return out.flush();
}

bool writeGridDump(std::ostream& out, const Grid2D<double>& grid, int nx, int ny,
                   Feedback* feedback) {
    Feedback quiet;
    std::string buf;
    ChunkedText text(
        buf,
        [&out](std::string_view s) {
            out.write(s.data(), static_cast<std::streamsize>(s.size()));
            return static_cast<bool>(out);
        },
        feedback ? feedback : &quiet, 1 << 16);
    return WriteGridDump(text, grid, nx, ny);
}

} // namespace brenvik::pipeline
