#include "batch/GridDump.h"

#include <charconv>
#include <stdexcept>

namespace brenvik::batch {

std::string formatGridValue(double v) {
    char buf[40];
    // to_chars ignores the locale (a Qt application sets it from the
    // environment, which could turn the decimal point into a comma).
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    return std::string(buf, r.ptr);
}

bool writeGridDump(std::ostream& out, const Grid2D<double>& grid, int nx, int ny,
                   const std::atomic<bool>* cancel) {
    if (nx > grid.nx() || ny > grid.ny() || nx < 0 || ny < 0)
        throw std::logic_error("grid dump outside the grid");
    out << "\"i\",\"j\",\"c\"\r\n";
    std::string line;
    char num[40];
    auto append = [&line, &num](auto&&... value) {
        auto r = std::to_chars(num, num + sizeof num, value...);
        line.append(num, r.ptr);
    };
    for (int i = 0; i <= nx; ++i) {
        // A column of the largest grid takes well under a millisecond.
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        const double* col = grid.column(i);
        line.clear();
        for (int j = 0; j <= ny; ++j) {
            append(i);
            line += ',';
            append(j);
            line += ',';
            append(col[j], std::chars_format::general, 17);
            line += "\r\n";
        }
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    return true;
}

} // namespace brenvik::batch
