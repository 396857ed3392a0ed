#include "export/CsvExport.h"

#include "geo/Geo.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"

#include <charconv>
#include <cmath>

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

class Table {
  public:
    Table(const Project& p, bool geographic, std::string& out)
        : p_(p), geographic_(geographic), out_(out) {}

    // One record at a drawing position; `c` is left out for the sources.
    void record(std::int64_t n, float x, float y, const double* c) {
        geo::Metres m = geo::PlanMeters(p_, x, y);
        double a = 0.0, b = 0.0;
        if (geographic_) {
            geo::Geographic g = geo::ToGeographic(p_, m);
            a = g.lon;
            b = g.lat;
        } else {
            geo::Cartesian xy = geo::ToCartesian(p_, m);
            a = xy.X;
            b = xy.Y;
        }
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, n);
        out_.append(buf, r.ptr);
        number(CsvCoordinate(a));
        number(CsvCoordinate(b));
        if (c) number(CsvValue(*c));
        out_ += "\r\n";
    }
    bool ok() const { return ok_; }

  private:
    void number(double v) {
        if (!std::isfinite(v)) ok_ = false;
        out_ += ',';
        AppendDouble(out_, v);
    }
    const Project& p_;
    bool geographic_;
    std::string& out_;
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
    out += CsvHeader(kind);
    out += "\r\n";
    Table t(p, IsGeographic(kind), out);
    // The record number is wide enough for any grid: it never wraps.
    std::int64_t n = 0;
    const double cell = p.CellSize;

    switch (kind) {
    case CsvExport::IsolinesCartesian:
    case CsvExport::IsolinesGeographic: {
        const int levels = std::min<int>(
            {p.IsolineCount, p.Isolines.levels(), static_cast<int>(p.IsolineLevel.size()) - 1});
        for (int k = 1; k <= levels; ++k) {
            const double level = p.IsolineLevel[static_cast<std::size_t>(k)];
            for (const auto& e : p.Isolines.row(k)) {
                if (e.slot < 1 || e.slot > p.IsolinePointMax()) continue;
                // A slot whose coordinates add up to zero or less is empty.
                if (static_cast<int>(e.x) + static_cast<int>(e.y) <= 0) continue;
                t.record(++n, static_cast<float>(e.x * cell), static_cast<float>(e.y * cell),
                         &level);
            }
        }
        break;
    }
    case CsvExport::SourcesCartesian:
    case CsvExport::SourcesGeographic: {
        const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
        for (int k = 1; k <= count; ++k) {
            const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
            t.record(k, static_cast<float>(a.AntX * p.Zoom + p.ScrollOffsetX),
                     static_cast<float>(a.AntY * p.Zoom + p.ScrollOffsetY), nullptr);
        }
        break;
    }
    case CsvExport::ConcentrationsCartesian:
    case CsvExport::ConcentrationsGeographic:
        for (int j = 1; j <= p.GridNY; ++j) {
            for (int i = 1; i <= p.GridNX; ++i) {
                const double c = p.DensityGrid.inBounds(i, j) ? p.DensityGrid(i, j) : 0.0;
                t.record(++n, static_cast<float>(i * cell), static_cast<float>(j * cell), &c);
            }
        }
        break;
    case CsvExport::MaximumCartesian:
    case CsvExport::MaximumGeographic:
        t.record(1, static_cast<float>(p.MaxPosX.toDouble()), static_cast<float>(p.MaxPosY),
                 &p.MaxDensity);
        break;
    }
    return t.ok();
}

bool SaveCsvFile(const Project& p, CsvExport kind, const std::string& path) {
    std::string text;
    if (!WriteCsv(p, kind, text)) return false;
    return WriteFileAtomically(path, text);
}

ExportResult RunCsvExport(Project& p, Prompts& prompts, CsvExport kind) {
    p.ClearToolFlags();
    if (p.Zoom != 1.0) {
        prompts.message(msg::ExportNeedsZoom);
        return ExportResult::ZoomRefused;
    }
    auto path = prompts.savePath(CsvFileFilter);
    if (!path) return ExportResult::Cancelled;
    p.FileName = *path;
    if (!SaveCsvFile(p, kind, *path)) {
        prompts.message(msg::FileError);
        return ExportResult::Failed;
    }
    return ExportResult::Written;
}

} // namespace brenvik
