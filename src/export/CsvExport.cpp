#include "export/CsvExport.h"

#include "geo/Geo.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"

#include <charconv>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

namespace brenvik {

namespace {

bool IsGeographic(CsvExport kind) {
    switch (kind) {
    case CsvExport::IsolinesGeographic:
    case CsvExport::SourcesGeographic:
    case CsvExport::ConcentrationsGeographic:
    case CsvExport::MaximumGeographic:
        return true;
    default:
        return false;
    }
}

// Rounds through the eight-decimal text form, as the values were always
// rounded, so that halves follow the exact binary value.
double Round8(double v) {
    if (!std::isfinite(v)) return v;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 8);
    if (r.ec != std::errc()) return v;
    double out = v;
    std::from_chars(buf, r.ptr, out);
    return out;
}

// Appends n × 1E-08 in the file's number form (AppendDouble's): no leading
// zero, trailing zeros dropped, the exponent form below 1E-04. |n| < 1E+15, so
// the value has at most 15 significant digits and the form shows it exactly.
void AppendScaled(std::string& out, std::int64_t n) {
    if (n == 0) {
        out += '0';
        return;
    }
    if (n < 0) out += '-';
    const std::uint64_t a =
        n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    char buf[24];
    if (a >= 10000) {
        const std::uint64_t whole = a / 100000000, frac = a % 100000000;
        if (whole) {
            auto r = std::to_chars(buf, buf + sizeof buf, whole);
            out.append(buf, r.ptr);
        }
        if (frac) {
            std::uint64_t f = frac;
            for (int k = 7; k >= 0; --k, f /= 10)
                buf[k] = static_cast<char>('0' + f % 10);
            int len = 8;
            while (buf[len - 1] == '0')
                --len;
            out += '.';
            out.append(buf, static_cast<std::size_t>(len));
        }
        return;
    }
    // 1 to 4 digits, all below the fourth decimal: d.ddd E-05 to E-08.
    auto r = std::to_chars(buf, buf + sizeof buf, a);
    const int digits = static_cast<int>(r.ptr - buf);
    int len = digits;
    while (len > 1 && buf[len - 1] == '0')
        --len;
    out += buf[0];
    if (len > 1) {
        out += '.';
        out.append(buf + 1, static_cast<std::size_t>(len - 1));
    }
    out += "E-0";
    out += static_cast<char>('0' + 8 - (digits - 1));
}

// Appends CsvValue(v) (or CsvCoordinate(v)) as AppendDouble writes it, from
// one fixed-form conversion: the eight-decimal text is the exact decimal
// rounding the two-step form reads back, and below 1E+07 the result has at
// most 15 digits, which the 15-digit form reproduces unchanged (and adding
// 1E-08 in binary stays far within half of its last digit). Larger values
// take the two-step form, whose second rounding then matters.
void AppendRounded(std::string& out, double v, bool coordinate) {
    if (std::isfinite(v) && std::fabs(v) < 1e7) {
        char buf[40];
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 8);
        const char* c = buf;
        const bool negative = *c == '-';
        if (negative) ++c;
        std::int64_t n = 0;
        for (; c != r.ptr; ++c)
            if (*c != '.') n = n * 10 + (*c - '0');
        if (negative) n = -n;
        if (coordinate) ++n;
        constexpr std::int64_t kLimit = 1000000000000000; // 1E+07 in units of 1E-08
        if (n > -kLimit && n < kLimit) {
            AppendScaled(out, n);
            return;
        }
    }
    AppendDouble(out, coordinate ? CsvCoordinate(v) : CsvValue(v));
}

class Table {
  public:
    Table(const Project& p, bool geographic, ChunkedText& out)
        : p_(p), geographic_(geographic), out_(out) {}

    // One record at a drawing position; `c` is left out for the sources.
    // False when the writing has failed or was cancelled.
    bool record(std::int64_t n, float x, float y, const double* c) {
        return record(n, geo::PlanMeters(p_, x, y), c);
    }
    // The same at plan metres, for a position that is not a drawing point.
    bool record(std::int64_t n, const geo::Metres& m, const double* c) {
        const auto [a, b] = place(m);
        std::string& s = out_.buffer();
        appendIndex(s, n);
        number(s, a, true);
        number(s, b, true);
        if (c) number(s, *c, false);
        s += "\r\n";
        return out_.maybeFlush();
    }

    // A position's first coordinate depends on x alone and its second on y
    // alone, so a grid table formats each column's and each row's once: the
    // ",a" text of a column and the ",b" text of a row.
    std::string columnText(float x) {
        std::string s;
        number(s, place(geo::PlanMeters(p_, x, 0.0f)).first, true);
        return s;
    }
    std::string rowText(float y) {
        std::string s;
        number(s, place(geo::PlanMeters(p_, 0.0f, y)).second, true);
        return s;
    }
    bool record(std::int64_t n, const std::string& column, const std::string& row, double c) {
        std::string& s = out_.buffer();
        appendIndex(s, n);
        s += column;
        s += row;
        number(s, c, false);
        s += "\r\n";
        return out_.maybeFlush();
    }
    bool ok() const { return ok_; }

  private:
    std::pair<double, double> place(const geo::Metres& m) const {
        if (geographic_) {
            const geo::Geographic g = geo::ToGeographic(p_, m);
            return {g.lon, g.lat};
        }
        const geo::Cartesian xy = geo::ToCartesian(p_, m);
        return {xy.X, xy.Y};
    }
    static void appendIndex(std::string& s, std::int64_t n) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, n);
        s.append(buf, r.ptr);
    }
    void number(std::string& s, double v, bool coordinate) {
        if (!std::isfinite(v)) ok_ = false;
        s += ',';
        AppendRounded(s, v, coordinate);
    }
    const Project& p_;
    bool geographic_;
    ChunkedText& out_;
    bool ok_ = true;
};

} // namespace

std::string CsvHeader(CsvExport kind) {
    switch (kind) {
    case CsvExport::IsolinesCartesian:
        return "\"n\",\"xmeter\",\"ymeter\",\"conc\"";
    case CsvExport::SourcesCartesian:
    case CsvExport::SourcesGeographic:
        return "\"n\",\"x\",\"y\"";
    default:
        return "\"n\",\"x\",\"y\",\"c\"";
    }
}

double CsvCoordinate(double v) {
    return Round8(v) + 1e-08;
}
double CsvValue(double v) {
    return Round8(v);
}

bool WriteCsv(const Project& p, CsvExport kind, std::string& out) {
    ChunkedText text(out);
    return WriteCsv(p, kind, text);
}

bool WriteCsv(const Project& p, CsvExport kind, ChunkedText& out) {
    out.buffer() += CsvHeader(kind);
    out.buffer() += "\r\n";
    Table t(p, IsGeographic(kind), out);
    // The record number is wide enough for any grid: it never wraps.
    std::int64_t n = 0;
    const double cell = p.CellSize;

    switch (kind) {
    case CsvExport::IsolinesCartesian:
    case CsvExport::IsolinesGeographic: {
        const int levels = std::min<int>({p.IsolineCount, p.XY.Isolines.levels(),
                                          static_cast<int>(p.XY.IsolineLevel.size()) - 1});
        for (int k = 1; k <= levels; ++k) {
            const double level = p.XY.IsolineLevel[static_cast<std::size_t>(k)];
            for (const auto& e : p.XY.Isolines.row(k)) {
                if (e.slot < 1 || e.slot > p.XY.IsolinePointMax()) continue;
                // A slot whose Coordinates add up to zero or less is empty.
                if (static_cast<int>(e.x) + static_cast<int>(e.y) <= 0) continue;
                if (!t.record(++n, static_cast<float>(e.x * cell), static_cast<float>(e.y * cell),
                              &level))
                    return false;
            }
        }
        break;
    }
    case CsvExport::SourcesCartesian:
    case CsvExport::SourcesGeographic: {
        const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
        for (int k = 1; k <= count; ++k) {
            const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
            // An antenna off its node is listed where it really stands.
            if (a.AntExact) {
                if (!t.record(k, geo::Metres{a.AntExact->East, a.AntExact->North}, nullptr))
                    return false;
                continue;
            }
            if (!t.record(k, static_cast<float>(a.AntX * p.Zoom + p.ScrollOffsetX),
                          static_cast<float>(a.AntY * p.Zoom + p.ScrollOffsetY), nullptr))
                return false;
        }
        break;
    }
    case CsvExport::ConcentrationsCartesian:
    case CsvExport::ConcentrationsGeographic: {
        if (p.GridNX < 1 || p.GridNY < 1) break;
        std::vector<std::string> columns(static_cast<std::size_t>(p.GridNX) + 1);
        for (int i = 1; i <= p.GridNX; ++i)
            columns[static_cast<std::size_t>(i)] = t.columnText(static_cast<float>(i * cell));
        for (int j = 1; j <= p.GridNY; ++j) {
            out.progress(static_cast<double>(j - 1) / p.GridNY, "concentrations");
            const std::string row = t.rowText(static_cast<float>(j * cell));
            for (int i = 1; i <= p.GridNX; ++i) {
                const double c = p.XY.Density.inBounds(i, j) ? p.XY.Density(i, j) : 0.0;
                if (!t.record(++n, columns[static_cast<std::size_t>(i)], row, c)) return false;
            }
        }
        out.progress(1.0, "concentrations");
        break;
    }
    case CsvExport::MaximumCartesian:
    case CsvExport::MaximumGeographic:
        if (!t.record(1, static_cast<float>(p.XY.MaxPosX.toDouble()),
                      static_cast<float>(p.XY.MaxPosY.toDouble()), &p.XY.MaxDensity))
            return false;
        break;
    }
    return t.ok();
}

bool SaveCsvFile(const Project& p, CsvExport kind, const std::string& path, Feedback& feedback,
                 std::string* why) {
    try {
        return WriteFileInChunks(
            path, [&](ChunkedText& text) { return WriteCsv(p, kind, text); }, feedback, 0, why);
    } catch (const std::bad_alloc&) {
        if (why) *why = path + ": " + msg::OutOfMemory;
        return false;
    }
}

ExportResult RunCsvExport(Project& p, Prompts& prompts, CsvExport kind, Feedback* feedback) {
    p.ClearTowerDefinition();
    if (p.Zoom != 1.0) {
        prompts.message(msg::ExportNeedsZoom);
        return ExportResult::ZoomRefused;
    }
    auto path = prompts.savePath(CsvFileFilter);
    // The project's own file name stays: a Save after the export must write
    // the project, not over the table just written.
    if (!path) return ExportResult::Cancelled;
    std::string why;
    Feedback quiet;
    Feedback& fb = feedback ? *feedback : quiet;
    if (!SaveCsvFile(p, kind, *path, fb, &why)) {
        if (fb.isCanceled()) return ExportResult::Cancelled;
        prompts.message(msg::WithCause(msg::FileError, why));
        return ExportResult::Failed;
    }
    return ExportResult::Written;
}

} // namespace brenvik
