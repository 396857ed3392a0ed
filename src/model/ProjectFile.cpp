#include "model/ProjectFile.h"

#include "model/AntennaKeywords.h"
#include "model/AtomicFile.h"
#include "model/ExtensionBlock.h"
#include "model/Messages.h"
#include "model/ResultStamp.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <istream>
#include <iterator>
#include <limits>
#include <new>
#include <ostream>
#include <vector>

namespace brenvik {

namespace {

constexpr const char* Eol = "\r\n";

// Reads the file's lines front to back in one pass. The common forms of a
// number ("12", "-3.5", "1.25E-05" with blanks around them) are parsed where
// they stand; any other line goes to the ParseFile* rules, which decide
// exactly as they do for a line on its own.
class LineReader {
  public:
    explicit LineReader(std::string_view text)
        : pos_(text.data()), end_(text.data() + text.size()) {}

    bool next(std::string_view& line) {
        if (pos_ == end_) {
            exhausted_ = true;
            return false;
        }
        const void* nl = std::memchr(pos_, '\n', static_cast<std::size_t>(end_ - pos_));
        const char* e = nl ? static_cast<const char*>(nl) : end_;
        line = std::string_view(pos_, static_cast<std::size_t>(e - pos_));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = nl ? e + 1 : end_;
        return true;
    }
    // Every line read as a number holds a character and, but for the last, its
    // line ending: `lines` such lines need 2 * lines - 1 bytes. Counts that the
    // rest of the text cannot hold are refused before anything is allocated.
    bool fitsNumbers(std::int64_t lines) const { return lines <= numberLinesLeft(); }
    // The same for records of `linesEach` lines, some of which may be empty.
    bool fits(std::int64_t items, std::int64_t linesEach) const {
        if (items <= 0) return true;
        return linesEach <= 0 || items <= bytesLeft() / linesEach;
    }
    // Where the reader stands: the 1-based number of the last line it took,
    // and whether it took the text's last line.
    std::int64_t lineNumber(std::string_view text) const {
        const char* last = pos_ > text.data() ? pos_ - 1 : pos_;
        return 1 + std::count(text.data(), last, '\n');
    }
    // True once a line was wanted past the end: the file stops too early.
    bool exhausted() const { return exhausted_; }
    std::int64_t numberLinesLeft() const { return (bytesLeft() + 1) / 2; }

    bool dbl(double& v) {
        const char* s = SkipBlanks(pos_);
        const bool negative = s != end_ && *s == '-';
        if (s != end_ && (*s == '-' || *s == '+')) ++s;
        if (s != end_ && (IsDigit(*s) || *s == '.')) {
            double d = 0.0;
            auto r = std::from_chars(s, end_, d, std::chars_format::general);
            if (r.ec == std::errc() && Finish(r.ptr)) {
                v = negative ? -d : d;
                return true;
            }
        }
        std::string_view l;
        if (!next(l)) return false;
        auto r = ParseFileDouble(l);
        if (!r) return false;
        v = *r;
        return true;
    }
    bool i16(std::int16_t& v) {
        std::int64_t w = 0;
        if (!i64(w) || w < std::numeric_limits<std::int16_t>::min() ||
            w > std::numeric_limits<std::int16_t>::max())
            return false;
        v = static_cast<std::int16_t>(w);
        return true;
    }
    bool i64(std::int64_t& v) {
        const char* s = SkipBlanks(pos_);
        const char* digits = s;
        if (digits != end_ && (*digits == '-' || *digits == '+')) ++digits;
        if (digits != end_ && IsDigit(*digits)) {
            if (*s == '+') ++s; // the integer reader takes '-' only
            std::int64_t w = 0;
            auto r = std::from_chars(s, end_, w);
            if (r.ec == std::errc() && Finish(r.ptr)) {
                v = w;
                return true;
            }
        }
        std::string_view l;
        if (!next(l)) return false;
        auto r = ParseFileInt64(l);
        if (!r) return false;
        v = *r;
        return true;
    }
    bool var(Variant& v) {
        std::string_view l;
        if (!next(l)) return false;
        auto r = ParseFileVariant(l);
        if (!r) return false;
        v = *r;
        return true;
    }
    bool str(std::string& v) {
        std::string_view l;
        if (!next(l)) return false;
        v = ParseFileString(l);
        return true;
    }

  private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    std::int64_t bytesLeft() const { return end_ - pos_; }
    const char* SkipBlanks(const char* s) const {
        while (s != end_ && IsBlank(*s))
            ++s;
        return s;
    }
    // Moves past the line when only blanks and its ending follow the number
    // at `s`; otherwise the line is left for the general rules.
    bool Finish(const char* s) {
        s = SkipBlanks(s);
        if (s != end_ && *s == '\r') ++s;
        if (s == end_) {
            pos_ = end_;
            return true;
        }
        if (*s != '\n') return false;
        pos_ = s + 1;
        return true;
    }

    const char* pos_;
    bool exhausted_ = false;
    const char* end_;
};

// ---- writer helpers ----------------------------------------------------------

struct Writer {
    std::string& out;
    ChunkedText* chunks = nullptr; // hands full chunks on, when streaming
    bool ok = true;

    void more() {
        if (chunks && !chunks->maybeFlush()) ok = false;
    }
    void dbl(double v) {
        if (!std::isfinite(v)) ok = false;
        AppendDouble(out, v);
        out += Eol;
        more();
    }
    void integer(std::int64_t v) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        out.append(buf, r.ptr);
        out += Eol;
        more();
    }
    void var(const Variant& v) {
        if (v.kind == Variant::Kind::Double && !std::isfinite(v.d)) ok = false;
        out += FormatVariant(v);
        out += Eol;
    }
    void str(const std::string& s) {
        out += '"';
        out += s;
        out += '"';
        out += Eol;
    }
};

// The crossings of one level for slots 1..slotMax, zeros in the gaps.
void WriteCrossings(Writer& w, const CrossingTable& t, int levels, std::int64_t slotMax) {
    for (int k = 1; k <= levels && w.ok; ++k) {
        const auto& row = t.row(k);
        auto it = row.begin();
        for (std::int64_t p = 1; p <= slotMax; ++p) {
            while (it != row.end() && it->slot < p)
                ++it;
            if (it != row.end() && it->slot == p) {
                w.integer(it->x);
                w.integer(it->y);
            } else {
                w.out += "0\r\n0\r\n";
                w.more();
            }
        }
    }
}

bool ReadCrossings(LineReader& in, CrossingTable& t, int levels, std::int64_t slotMax) {
    // Every level holds two lines per slot. Without levels the slot count
    // reads nothing and allocates nothing, so any count is kept as it is.
    if (levels > 0 && slotMax > in.numberLinesLeft() / 2 / levels) return false;
    t.reset(levels);
    t.setSlotMax(slotMax);
    for (int k = 1; k <= levels; ++k) {
        for (std::int64_t p = 1; p <= slotMax; ++p) {
            std::int16_t x = 0, y = 0;
            if (!in.i16(x) || !in.i16(y)) return false;
            t.set(k, p, x, y);
        }
    }
    return true;
}

} // namespace

// ---- after the last record ----------------------------------------------------------

namespace {

// The extension block, only when it carries something (ExtensionBlock.h).
bool WriteTail(const Project& p, std::string& out) {
    return !NeedsExtensionBlock(p) || AppendExtensionBlock(p, out);
}

// What follows the last record of either layout. Readers have always stopped
// there, and lines after it that do not start the extension block are still
// ignored; a block that is there must be whole. Nothing of the block's items
// (nor a ratio grid, which is never stored) survives from the project read into.
bool ReadTail(LineReader& in, Project& p, std::string* why) {
    ResetExtensionItems(p);
    p.XY.Ratio = Grid2D<double>{};
    p.XZ.Ratio = Grid2D<double>{};
    std::string_view line;
    // Blank lines before the marker (an editor's, or a copy's) do not hide it.
    bool more = in.next(line);
    while (more && line.find_first_not_of(" \t") == std::string_view::npos)
        more = in.next(line);
    if (!more || ParseFileString(line) != ExtensionMarker) return true;
    std::vector<std::string_view> lines;
    while (in.next(line))
        lines.push_back(line);
    return ReadExtensionBlock(p, lines, why);
}

} // namespace

// ---- writer ---------------------------------------------------------------------

bool WriteProjectText(const Project& p, std::string& out) {
    ChunkedText text(out);
    return WriteProjectText(p, text);
}

std::uint64_t ProjectFileMinimumSize(const Project& p) {
    // Every line holds at least one character and its line ending; only the
    // grids and the isoline slots can make a file large.
    const std::uint64_t nx = static_cast<std::uint64_t>(std::max<int>(p.GridNX, 0));
    const std::uint64_t ny =
        static_cast<std::uint64_t>(Project::GridNYFor(p.GridNX > 0 ? p.GridNX : 0));
    std::uint64_t lines = nx * ny;
    if (p.XY.Calculated) {
        const std::uint64_t count = static_cast<std::uint64_t>(std::max<int>(p.IsolineCount, 0));
        const auto slots =
            static_cast<std::uint64_t>(std::max<std::int64_t>(p.XY.IsolinePointMax(), 0)) +
            static_cast<std::uint64_t>(std::max<std::int64_t>(p.XY.IsolineAuxMax(), 0));
        lines += (nx + 1) * ny;
        // Saturate rather than wrap: such a file fits nowhere anyway.
        if (count != 0 && slots > (~std::uint64_t{0} / 8) / count) return ~std::uint64_t{0};
        lines += 2 * count * slots;
    }
    return lines > ~std::uint64_t{0} / 3 ? ~std::uint64_t{0} : 3 * lines;
}

namespace {

// Arrays shorter than their counts would make the file unreadable.
bool ArraysHoldTheirCounts(const Project& p, int nx, int ny) {
    if (p.AntennaCount > p.AntennaSlotBound()) return false;
    if (p.LegacySourceCount > 1 &&
        static_cast<std::size_t>(p.LegacySourceCount) + 1 > p.LegacySources.size())
        return false;
    if (nx > 0 && (p.GroundGrid.nx() < nx || p.GroundGrid.ny() < ny)) return false;
    if (p.XY.Calculated) {
        if (nx >= 0 && (p.XY.Density.nx() < nx || p.XY.Density.ny() < ny)) return false;
        if (p.IsolineCount < 0 ||
            static_cast<std::size_t>(p.IsolineCount) + 1 > p.XY.IsolineLevel.size() ||
            p.XY.Isolines.levels() < p.IsolineCount || p.XY.IsolinesAux.levels() < p.IsolineCount)
            return false;
    }
    return true;
}

// One record of twelve lines per antenna.
void WriteAntennaRecords(Writer& w, const Project& p) {
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        w.dbl(a.AntHeight);
        w.dbl(a.AntTilt);
        w.str(PowerModeKeyword(a));
        w.dbl(a.AntPower);
        w.dbl(a.AntDirection);
        w.str(HeightUnitKeyword(a));
        w.str(AntennaTypeKeyword(a));
        w.integer(a.AntTower);
        w.integer(a.AntNumber);
        // Positions and zoom factors are kept as whole numbers.
        w.dbl(std::floor(a.AntX));
        w.dbl(std::floor(a.AntY));
        w.dbl(std::floor(a.AntFactor));
    }
}

// The older sources' records, written only when there is more than one.
void WriteLegacySourceRecords(Writer& w, const Project& p) {
    if (p.LegacySourceCount <= 1) return;
    for (int k = 1; k <= p.LegacySourceCount; ++k) {
        const LegacySource& s = p.LegacySources[static_cast<std::size_t>(k)];
        w.dbl(s.LegacyEmission);
        w.dbl(s.LegacyExitSpeed);
        w.dbl(s.LegacyGasTemp);
        w.integer(s.LegacyKind);
        w.dbl(s.LegacyD1);
        w.dbl(s.LegacyD2);
        w.dbl(s.LegacyD3);
        w.dbl(s.LegacyD4);
        w.dbl(s.LegacyD5);
    }
}

// The plan's stored result: its settings, density grid, isoline levels and crossings.
void WritePlanResult(Writer& w, const Project& p, int nx, int ny) {
    w.integer(static_cast<std::int16_t>(p.CalcOption));
    w.dbl(p.CalcHeight);
    w.dbl(p.XYCalcOffsetX);
    w.dbl(p.XYCalcOffsetY);
    w.dbl(p.XYCalcZoom);
    for (int i = 0; i <= nx && w.ok; ++i)
        for (int j = 1; j <= ny; ++j)
            w.dbl(p.XY.Density(i, j));
    w.integer(p.IsolineCount);
    w.var(Variant::integer(p.XY.IsolinePointMax()));
    w.integer(p.XY.IsolineAuxMax());
    w.dbl(p.XY.MaxDensity);
    w.var(p.XY.MaxPosX);
    w.integer(static_cast<std::int64_t>(p.XY.MaxPosY.toDouble()));
    for (int k = 1; k <= p.IsolineCount; ++k)
        w.dbl(p.XY.IsolineLevel[static_cast<std::size_t>(k)]);
    WriteCrossings(w, p.XY.Isolines, p.IsolineCount, p.XY.IsolinePointMax());
    WriteCrossings(w, p.XY.IsolinesAux, p.IsolineCount, p.XY.IsolineAuxMax());
}

} // namespace

bool WriteProjectText(const Project& p, ChunkedText& text) {
    std::string& out = text.buffer();
    const int nx = p.GridNX;
    const int ny = Project::GridNYFor(std::max(nx, 0));
    const bool xy = p.XY.Calculated;
    if (!ArraysHoldTheirCounts(p, nx, ny)) return false;

    std::size_t gridLines = static_cast<std::size_t>(std::max(nx, 0)) * std::max(ny, 0);
    if (!text.streams()) out.reserve(out.size() + (xy ? 2 : 1) * gridLines * 20 + 1024);
    Writer w{out, &text};

    w.integer(2);
    w.dbl(p.PlanWidthM);
    w.integer(p.GridNX);
    w.integer(p.AntennaCount);
    w.integer(p.TowerCount);
    WriteAntennaRecords(w, p);
    for (int i = 1; i <= nx && w.ok; ++i)
        for (int j = 1; j <= ny; ++j)
            w.dbl(p.GroundGrid(i, j));
    w.var(p.SourceKindVar);
    w.integer(static_cast<std::int16_t>(p.SourceKindInt));
    w.integer(p.LegacySourceCount);
    WriteLegacySourceRecords(w, p);
    w.integer(p.XY.Calculated ? 1 : 0);
    for (double v : {p.OriginX, p.OriginY, p.EarthR, p.OriginLon, p.OriginLat, p.OriginMarkX,
                     p.OriginMarkY, p.ScaleDistance, p.ReservedValue})
        w.dbl(v);
    if (!xy) return w.ok && WriteTail(p, out);
    WritePlanResult(w, p, nx, ny);
    return w.ok && WriteTail(p, out);
}

bool WriteProjectFile(const Project& p, std::ostream& os) {
    std::string text;
    if (!WriteProjectText(p, text)) return false;
    os.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(os);
}

// ---- reader ----------------------------------------------------------------------

namespace {
bool ReadProject(Project& p, LineReader& in, std::string* why);
} // namespace

static bool ReadProjectRecords(Project& p, std::string_view text, std::string* why) {
    // A byte-order mark left by a text editor is not part of the first value.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    LineReader in(text);
    std::string tail;
    if (ReadProject(p, in, &tail)) return true;
    if (why) {
        if (!tail.empty())
            *why = tail;
        else if (in.exhausted())
            *why = "the file ends early, after line " + std::to_string(in.lineNumber(text));
        else
            *why = "line " + std::to_string(in.lineNumber(text));
    }
    return false;
}

namespace {

// The layout number, the plan width and the grid step.
bool ReadProjectHeader(Project& p, LineReader& in) {
    std::int16_t first = 0;
    if (!in.i16(first)) return false;
    if (first > 10) {
        // The older layout starts with the plan width itself.
        p.FormatVersion = 1;
        p.PlanWidthM = first;
    } else {
        p.FormatVersion = first;
        if (!in.dbl(p.PlanWidthM)) return false;
    }

    std::int16_t gridNX = 0;
    if (!in.i16(gridNX)) return false;
    // A grid step below one drawing unit cannot be drawn or divided by.
    if (gridNX < 1 || gridNX > area::ScaleWidth) return false;
    p.GridNX = gridNX;
    p.RecomputeDerived();
    return true;
}

// The antenna records; the older layout has no zoom factor.
bool ReadAntennaRecords(Project& p, LineReader& in, bool current) {
    if (!in.i16(p.AntennaCount) || !in.i16(p.TowerCount)) return false;
    if (p.AntennaCount < 0) return false;
    if (p.AntennaCount == 0) return true;
    if (!in.fits(p.AntennaCount, current ? 12 : 11)) return false;
    p.Antennas.resize(static_cast<std::size_t>(p.AntennaCount) + 1);
    for (int k = 1; k <= p.AntennaCount; ++k) {
        Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        std::string powerMode, heightUnit, type;
        if (!in.dbl(a.AntHeight) || !in.dbl(a.AntTilt) || !in.str(powerMode) ||
            !in.dbl(a.AntPower) || !in.dbl(a.AntDirection) || !in.str(heightUnit) ||
            !in.str(type) || !in.i16(a.AntTower) || !in.i16(a.AntNumber) || !in.dbl(a.AntX))
            return false;
        SetAntennaKeywords(a, powerMode, heightUnit, type);
        a.AntCellX = Variant::real(a.AntX / p.CellSize);
        if (!in.dbl(a.AntY)) return false;
        double cellY = RoundHalfEven(a.AntY / p.CellSize);
        if (cellY < std::numeric_limits<std::int16_t>::min() ||
            cellY > std::numeric_limits<std::int16_t>::max())
            return false;
        a.AntCellY = static_cast<std::int16_t>(cellY);
        if (current) {
            if (!in.dbl(a.AntFactor)) return false;
        } else {
            a.AntFactor = 1.0;
        }
    }
    return true;
}

// The ground heights, one per grid point.
bool ReadGroundRecords(Project& p, LineReader& in, int nx, int ny) {
    if (!in.fitsNumbers(static_cast<std::int64_t>(nx) * ny)) return false;
    p.GroundGrid.resize(nx, ny);
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j)
            if (!in.dbl(p.GroundGrid(i, j))) return false;
    // The result grid keeps the bounds of the ground grid even without a result.
    if (p.XY.Density.nx() != nx || p.XY.Density.ny() != ny) p.XY.Density.resize(nx, ny);
    return true;
}

// The source kind and the older sources' records, stored only when there is more than one.
bool ReadLegacySourceRecords(Project& p, LineReader& in) {
    std::int16_t sourceKind = 0;
    if (!in.var(p.SourceKindVar) || !in.i16(sourceKind) || !in.i16(p.LegacySourceCount))
        return false;
    p.SourceKindInt = static_cast<LegacySourceKind>(sourceKind);
    if (p.LegacySourceCount < 0) return false;
    if (p.LegacySourceCount <= 1) return true;
    if (!in.fitsNumbers(std::int64_t{9} * p.LegacySourceCount)) return false;
    p.LegacySources.assign(static_cast<std::size_t>(p.LegacySourceCount) + 1, LegacySource{});
    for (int k = 1; k <= p.LegacySourceCount; ++k) {
        LegacySource& s = p.LegacySources[static_cast<std::size_t>(k)];
        if (!in.dbl(s.LegacyEmission) || !in.dbl(s.LegacyExitSpeed) || !in.dbl(s.LegacyGasTemp) ||
            !in.i16(s.LegacyKind) || !in.dbl(s.LegacyD1) || !in.dbl(s.LegacyD2) ||
            !in.dbl(s.LegacyD3) || !in.dbl(s.LegacyD4) || !in.dbl(s.LegacyD5))
            return false;
    }
    return true;
}

// The plan's stored result: its settings, density grid, isoline levels and crossings.
bool ReadPlanResult(Project& p, LineReader& in, bool current, int nx, int ny) {
    std::int16_t option = 0;
    if (!in.i16(option) || !in.dbl(p.CalcHeight)) return false;
    p.CalcOption = static_cast<CalcLevel>(option);
    if (current) {
        if (!in.dbl(p.XYCalcOffsetX) || !in.dbl(p.XYCalcOffsetY) || !in.dbl(p.XYCalcZoom))
            return false;
    } else {
        p.XYCalcOffsetX = 0.0;
        p.XYCalcOffsetY = 0.0;
        p.XYCalcZoom = 1.0;
    }
    if (!in.fitsNumbers(static_cast<std::int64_t>(nx + 1) * ny)) return false;
    p.XY.Density.resize(nx, ny);
    for (int i = 0; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j)
            if (!in.dbl(p.XY.Density(i, j))) return false;

    Variant pointMax;
    std::int64_t auxMax = 0;
    std::int16_t maxRow = 0;
    if (!in.i16(p.IsolineCount) || !in.var(pointMax) || !in.i64(auxMax) ||
        !in.dbl(p.XY.MaxDensity) || !in.var(p.XY.MaxPosX) || !in.i16(maxRow))
        return false;
    p.XY.MaxPosY = Variant::integer(maxRow);
    // The slot count is used as a whole number whatever form it was stored in.
    std::int64_t slots = 0;
    if (pointMax.kind == Variant::Kind::Integer) {
        slots = pointMax.i;
    } else if (pointMax.kind == Variant::Kind::Double) {
        double r = RoundHalfEven(pointMax.d);
        if (r < 0 || r > 9.0e18) return false;
        slots = static_cast<std::int64_t>(r);
    }
    if (p.IsolineCount < 0 || slots < 0 || auxMax < 0) return false;
    if (!in.fitsNumbers(p.IsolineCount)) return false;
    p.XY.IsolineLevel.assign(static_cast<std::size_t>(p.IsolineCount) + 1, 0.0);
    for (int k = 1; k <= p.IsolineCount; ++k)
        if (!in.dbl(p.XY.IsolineLevel[static_cast<std::size_t>(k)])) return false;
    if (!ReadCrossings(in, p.XY.Isolines, p.IsolineCount, slots)) return false;
    return ReadCrossings(in, p.XY.IsolinesAux, p.IsolineCount, auxMax);
}

bool ReadProject(Project& p, LineReader& in, std::string* why) {
    // The file holds no section: one computed for other work must not remain.
    p.XZ.Calculated = false;
    if (!ReadProjectHeader(p, in)) return false;
    const bool current = p.FormatVersion == 2;
    const int nx = p.GridNX;
    const int ny = p.GridNY;
    if (!ReadAntennaRecords(p, in, current)) return false;
    if (!ReadGroundRecords(p, in, nx, ny)) return false;
    if (!ReadLegacySourceRecords(p, in)) return false;

    // Only 1 marks a stored result; any other value reads as none.
    std::int16_t calculated = 0;
    if (!in.i16(calculated)) return false;
    p.XY.Calculated = calculated == 1;
    for (double* v : {&p.OriginX, &p.OriginY, &p.EarthR, &p.OriginLon, &p.OriginLat, &p.OriginMarkX,
                      &p.OriginMarkY, &p.ScaleDistance, &p.ReservedValue})
        if (!in.dbl(*v)) return false;
    if (!p.XY.Calculated) return ReadTail(in, p, why);
    if (!ReadPlanResult(p, in, current, nx, ny)) return false;
    return ReadTail(in, p, why);
}

} // namespace

bool ReadProjectText(Project& p, std::string_view text, std::string* why) {
    p.XY.Stamp = p.XZ.Stamp = ResultStamps{};
    if (!ReadProjectRecords(p, text, why)) return false;
    // A stored result was computed from what the file holds: it opens current,
    // unless the file says it was saved out of date. Its ratio is never
    // stored, so it has none.
    if (p.XY.Calculated && p.XY.Stamp.density != OutOfDateStamp) StampResult(p, Plane::XY, false);
    return true;
}

bool ReadProjectFile(Project& p, std::istream& is) {
    std::string text((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
    if (is.bad()) return false;
    Project read = p;
    if (!ReadProjectText(read, text)) return false;
    p = std::move(read);
    return true;
}

bool SaveProjectFile(const Project& p, const std::string& path, Feedback* feedback,
                     std::string* why) {
    Feedback quiet;
    if (auto refused = ExtensionSaveRefusal(p)) {
        if (why) *why = *refused;
        return false;
    }
    try {
        return WriteFileInChunks(
            path, [&p](ChunkedText& text) { return WriteProjectText(p, text); },
            feedback ? *feedback : quiet, ProjectFileMinimumSize(p), why);
    } catch (const std::bad_alloc&) {
        if (why) *why = path + ": " + msg::OutOfMemory;
        return false;
    }
}

bool LoadProjectFile(Project& p, const std::string& path, std::string* why) {
    try {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            if (why)
                *why = path + ": " +
                       (std::filesystem::exists(path, ec) ? "not a regular file" : "no such file");
            return false;
        }
        auto text = ReadWholeFile(path);
        if (!text) {
            if (why) *why = path + ": cannot be read";
            return false;
        }
        Project read = p;
        std::string where;
        if (!ReadProjectText(read, *text, &where)) {
            if (why) *why = path + ": " + where;
            return false;
        }
        p = std::move(read);
        return true;
    } catch (const std::bad_alloc&) {
        if (why) *why = path + ": " + msg::OutOfMemory;
        return false;
    }
}

} // namespace brenvik
