#include "tiles/TileRun.h"

#include "calc/FarField.h"
#include "calc/Kernel.h"
#include "gis/GdalErrors.h"
#include "gis/GdalProgress.h"
#include "model/AtomicFile.h"
#include "model/InputFile.h"
#include "model/Memory.h"
#include "model/Messages.h"
#include "tiles/Projection.h"
#include "tiles/Terrain.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cpl_conv.h>
#include <cpl_string.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <limits>
#include <memory>
#include <sched.h>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace brenvik::tiles {

int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

namespace {

// The hash of the inputs a tile was computed from, and of its pixels.
constexpr const char* kHashKey = "BRENVIK_TILE_INPUTS";
constexpr const char* kPixelsKey = "BRENVIK_PIXELS_HASH";
constexpr const char* kDensityUnit = "uW/cm^2";

// One antenna as the kernel meets it: its beam (sharing the tables of its
// pattern with the other antennas of that pattern), where it stands, its
// share of the limit and its squared reach.
struct Source {
    kernel::FarBeam beam;
    double x, y, z, inverseLimit;
    double reach2; // infinite without a cut-off
};

// The tile's antennas as beams. A measured pattern's tables, and an
// adaptive array's envelope, are made once however many antennas use them;
// the reflection factor goes into the power, as the beams carry none of
// their own.
struct Sources {
    // One per pattern and per array used.
    std::vector<std::shared_ptr<const farfield::PreparedBeam>> tables;
    std::vector<Source> list;
};

// The beam of adaptive panel `a`, the envelope of its array made once
// for the tile (or taken from `cache`) and shared by the antennas of that array.
kernel::FarBeam EnvelopeBeam(const Manifest& m, const TileAntenna& a, double erpW,
                             antenna::EnvelopeCache* cache, std::vector<int>& prepared,
                             Sources& s) {
    int& at = prepared[static_cast<std::size_t>(a.array)];
    if (at < 0) {
        farfield::BeamParts parts;
        parts.envelope = antenna::EnvelopeOf(m.arrays[static_cast<std::size_t>(a.array)], cache);
        at = static_cast<int>(s.tables.size());
        s.tables.push_back(farfield::Prepare(parts));
    }
    kernel::FarBeam beam = s.tables[static_cast<std::size_t>(at)]->beam;
    farfield::Aim(beam, false, a.azimuthDeg, a.tiltDeg, erpW);
    return beam;
}

Sources SourcesOf(const Manifest& m, const TileEntry& t, bool vector,
                  antenna::EnvelopeCache* cache) {
    Sources s;
    std::vector<int> prepared(m.patterns.size(), -1), preparedArray(m.arrays.size(), -1);
    s.list.reserve(t.antennas.size());
    for (int k : t.antennas) {
        const TileAntenna& a = m.antennas[static_cast<std::size_t>(k)];
        const double erp = a.erpW * m.reflection;
        Source src{{},
                   a.x,
                   a.y,
                   a.z,
                   a.inverseLimit,
                   std::isinf(a.reachM) ? std::numeric_limits<double>::infinity()
                                        : a.reachM * a.reachM};
        if (a.pattern >= 0) {
            int& at = prepared[static_cast<std::size_t>(a.pattern)];
            if (at < 0) {
                farfield::BeamParts parts;
                parts.pattern = &m.patterns[static_cast<std::size_t>(a.pattern)];
                at = static_cast<int>(s.tables.size());
                s.tables.push_back(farfield::Prepare(parts, vector));
            }
            src.beam = s.tables[static_cast<std::size_t>(at)]->beam;
            farfield::Aim(src.beam, a.stick, a.azimuthDeg, a.tiltDeg, erp);
        } else if (a.array >= 0) {
            src.beam = EnvelopeBeam(m, a, erp, cache, preparedArray, s);
        } else {
            farfield::BeamParts parts;
            parts.stick = a.stick;
            parts.azimuthDeg = a.azimuthDeg;
            parts.tiltDeg = a.tiltDeg;
            parts.erpW = erp;
            parts.hBeamwidthDeg = a.hBeamwidthDeg;
            parts.vBeamwidthDeg = a.vBeamwidthDeg;
            parts.electricalTiltDeg = a.electricalTiltDeg;
            src.beam = farfield::Prepare(parts, false)->beam;
        }
        s.list.push_back(src);
    }
    return s;
}

// The rows [from, to) of a column whose pixel centres lie within reach of
// an antenna at `dx` east of it: the test is the one every pixel would make
// of itself, e^2 + n^2 > reach^2, so a pixel takes the same antennas in any
// tiling, and the tiles join without seams at any cut-off. North falls down
// the column, so those rows are one run.
struct RowRun {
    int from = 0, to = 0;
};
RowRun RowsInReach(const std::vector<double>& north, double ay, double dx, double reach2) {
    const int h = static_cast<int>(north.size());
    if (std::isinf(reach2)) return {0, h};
    const auto in = [&](int j) {
        const double n = north[static_cast<std::size_t>(j)] - ay;
        return !(dx * dx + n * n > reach2);
    };
    if (dx * dx > reach2) return {};
    // A first guess from the circle, then the rows' own test at both ends.
    const double half = std::sqrt(reach2 - dx * dx);
    const double top = north.front(), step = h > 1 ? north[0] - north[1] : 1.0;
    const auto row = [&](double y) {
        return static_cast<int>(std::clamp(std::floor((top - y) / step), -1.0, double(h)));
    };
    int from = std::clamp(row(ay + half), 0, h), to = std::clamp(row(ay - half) + 1, 0, h);
    while (from > 0 && in(from - 1))
        --from;
    while (from < h && !in(from))
        ++from;
    to = std::max(to, from);
    while (to < h && in(to))
        ++to;
    while (to > from && !in(to - 1))
        --to;
    return {from, to};
}

// What the workers share: the columns go to them a few at a time; each
// pixel's sum runs over the sources in order, so the thread count never
// changes a value.
struct ColumnWork {
    const Manifest& m;
    const Window& w;
    const std::vector<Source>& src;
    const std::vector<double>& ground; // row by row; empty on flat ground
    kernel::Isa isa;
    std::atomic<int> next{0}, done{0};
    const Feedback* feedback;
    TileValues& out;
};

// Every column of the tile, summed in double and then stored as the band's
// floats. The kernel takes a column of nodes: y grows downwards, so the rows'
// and the antennas' northings enter with their signs turned. A worker takes
// a few neighbouring columns at a time and adds each source to all of them
// before the next source: they see much the same directions from it, so its
// tables (an adaptive array's envelope runs to megabytes) stay in the cache,
// while each pixel still receives the sources in their order.
void ComputeColumns(ColumnWork& work) {
    const Manifest& m = work.m;
    const Window& w = work.w;
    const bool ratio = !work.out.ratio.empty();
    const std::size_t h = static_cast<std::size_t>(w.height);
    // Neighbours share cache lines of the bands; the group's sums stay
    // within 128 KB.
    const int group = std::clamp(16384 / std::max(w.height, 1), 1, 16);
    const std::size_t sums = static_cast<std::size_t>(group) * h;
    std::vector<double> north(h), down(h), g(sums), density(sums), share(ratio ? sums : 0);
    std::vector<char> valid(sums);
    for (std::size_t j = 0; j < h; ++j) {
        north[j] = m.grid.centreY(w.row + static_cast<long long>(j));
        down[j] = -north[j];
    }
    for (;;) {
        const int c0 = work.next.fetch_add(group);
        if (c0 >= w.width || (work.feedback && work.feedback->isCanceled())) return;
        const int c1 = std::min(w.width, c0 + group);
        for (int i = c0; i < c1; ++i) {
            const std::size_t o = static_cast<std::size_t>(i - c0) * h;
            for (std::size_t j = 0; j < h; ++j) {
                const double at = work.ground.empty() ? 0.0 : work.ground[j * w.width + i];
                valid[o + j] = std::isfinite(at);
                g[o + j] = valid[o + j] ? at : 0.0;
            }
        }
        std::fill(density.begin(), density.end(), 0.0);
        std::fill(share.begin(), share.end(), 0.0);
        for (const Source& a : work.src)
            for (int i = c0; i < c1; ++i) {
                const std::size_t o = static_cast<std::size_t>(i - c0) * h;
                const double dx = m.grid.centreX(w.col + i) - a.x;
                const RowRun run = RowsInReach(north, a.y, dx, a.reach2);
                if (run.to <= run.from) continue;
                const std::size_t from = o + static_cast<std::size_t>(run.from);
                const kernel::Column col{dx,  down.data() + run.from, -a.y,
                                         a.z, g.data() + from,        m.heightM};
                const kernel::Sums out{density.data() + from, ratio ? share.data() + from : nullptr,
                                       a.inverseLimit};
                farfield::AddColumn(work.isa, a.beam, col, out, run.to - run.from);
            }
        for (int i = c0; i < c1; ++i) {
            const std::size_t o = static_cast<std::size_t>(i - c0) * h;
            for (std::size_t j = 0; j < h; ++j) {
                const std::size_t at = j * w.width + i;
                work.out.density[at] = valid[o + j] ? static_cast<float>(density[o + j]) : NoData;
                if (ratio)
                    work.out.ratio[at] = valid[o + j] ? static_cast<float>(share[o + j]) : NoData;
            }
            work.done.fetch_add(1);
        }
    }
}

bool Cancelled(const WorkOptions& o) {
    return o.feedback && o.feedback->isCanceled();
}

void Report(const WorkOptions& o, double fraction, const char* label) {
    if (o.feedback) o.feedback->setProgress(fraction, label);
}

// GDAL copies a raster in swaths and asks the progress callback, which is
// where Ctrl-C is heard, only between swaths. Its default swath is a share
// of the block cache, often the whole tile: seconds of compression before a
// cancel takes effect. A swath of about one block per thread keeps that
// within a fraction of a second. Set for the calling thread alone.
class SwathLimit {
  public:
    SwathLimit(int threads, int bands) {
        const char* before = CPLGetThreadLocalConfigOption("GDAL_SWATH_SIZE", nullptr);
        if (before) before_ = before;
        had_ = before != nullptr;
        const long long bytes = 512LL * 512LL * 4LL * std::max(bands, 1) * std::max(threads, 1);
        CPLSetThreadLocalConfigOption("GDAL_SWATH_SIZE", std::to_string(bytes).c_str());
    }
    ~SwathLimit() {
        CPLSetThreadLocalConfigOption("GDAL_SWATH_SIZE", had_ ? before_.c_str() : nullptr);
    }
    SwathLimit(const SwathLimit&) = delete;
    SwathLimit& operator=(const SwathLimit&) = delete;

  private:
    std::string before_;
    bool had_ = false;
};

const char* BandDescription(int band) {
    return band == 1 ? "power density (uW/cm^2)" : "exposure ratio (1 = the limit)";
}

// Overview levels 2, 4, ... until the map fits in one 512-pixel block, as the
// COG writer chooses them, each filled with the maximum of the 2 x 2 pixels
// under it in the level below (pixels without a value left out; none: no
// value). Taken level from level, so a pixel of level 2^k holds the maximum
// of the 2^k x 2^k pixels of the map under it.
std::optional<std::string> MaximumOverviews(GDALDataset& ds, const WorkOptions& o) {
    const int w = ds.GetRasterXSize(), h = ds.GetRasterYSize();
    std::vector<int> levels;
    for (long long level = 2, cw = w, ch = h; cw > 512 || ch > 512; level *= 2) {
        levels.push_back(static_cast<int>(level));
        cw = (w + level - 1) / level;
        ch = (h + level - 1) / level;
    }
    if (levels.empty()) return std::nullopt;
    const gis::GdalErrorTrap trap;
    gis::GdalProgress listen(o.feedback, {}, {}, gis::GdalReport::CancelOnly);
    if (ds.BuildOverviews("NONE", static_cast<int>(levels.size()), levels.data(), 0, nullptr,
                          listen.function(), listen.data()) != CE_None)
        return trap.because("cannot make the map's overviews");
    for (int b = 1; b <= ds.GetRasterCount(); ++b) {
        GDALRasterBand* below = ds.GetRasterBand(b);
        const int count = below->GetOverviewCount();
        if (count != static_cast<int>(levels.size()))
            return trap.because("cannot make the map's overviews");
        for (int k = 0; k < count; ++k) {
            GDALRasterBand* over = ds.GetRasterBand(b)->GetOverview(k);
            if (!over) return trap.because("cannot make the map's overviews");
            const int bw = below->GetXSize(), bh = below->GetYSize();
            const int ow = over->GetXSize(), oh = over->GetYSize();
            if (ow != (bw + 1) / 2 || oh != (bh + 1) / 2)
                return std::string("cannot make the map's overviews");
            constexpr int kRows = 64; // overview rows per pass
            std::vector<float> in, outRow;
            for (int r0 = 0; r0 < oh; r0 += kRows) {
                if (Cancelled(o)) return std::string(msg::Interrupted);
                const int rows = std::min(kRows, oh - r0);
                const int srcRow = 2 * r0, srcRows = std::min(2 * rows, bh - srcRow);
                in.assign(static_cast<std::size_t>(bw) * srcRows, NoData);
                outRow.assign(static_cast<std::size_t>(ow) * rows, NoData);
                if (below->RasterIO(GF_Read, 0, srcRow, bw, srcRows, in.data(), bw, srcRows,
                                    GDT_Float32, 0, 0, nullptr) != CE_None)
                    return trap.because("cannot make the map's overviews");
                for (int j = 0; j < srcRows; ++j)
                    for (int i = 0; i < bw; ++i) {
                        const float v = in[static_cast<std::size_t>(j) * bw + i];
                        if (v == NoData) continue;
                        float& to = outRow[static_cast<std::size_t>(j / 2) * ow + i / 2];
                        if (to == NoData || v > to) to = v;
                    }
                if (over->RasterIO(GF_Write, 0, r0, ow, rows, outRow.data(), ow, rows, GDT_Float32,
                                   0, 0, nullptr) != CE_None)
                    return trap.because("cannot make the map's overviews");
            }
            below = over;
        }
    }
    return std::nullopt;
}

// The ground height under the centre of every pixel of tile `t`, from the
// plan's terrain; false with `error` set, or with it empty on a cancel.
bool GroundHeights(const Manifest& m, const TileEntry& t, const WorkOptions& o,
                   std::vector<double>& ground, std::string& error) {
    const int index = t.index;
    const Window& w = t.window;
    const std::size_t count =
        static_cast<std::size_t>(w.width) * static_cast<std::size_t>(w.height);
    std::optional<Terrain> terrain = Terrain::Open(m.terrain, m.crsWkt, t.bounds, error);
    if (!terrain) return false;
    // The plan named the tile by the DEM's pixels around it; a DEM
    // edited there since would give heights the plan never saw.
    const std::optional<std::string> window = terrain->windowHash(t.bounds, error);
    if (!window) return false;
    if (!t.terrainHash.empty() && *window != t.terrainHash) {
        error = "tile " + std::to_string(index) + ": the terrain " + m.terrain +
                " changed around the tile since the plan; plan again (with --previous to keep "
                "the other tiles)";
        return false;
    }
    try {
        ground.resize(count);
    } catch (const std::bad_alloc&) {
        error = "tile " + std::to_string(index) + ": " + msg::OutOfMemory;
        return false;
    }
    // In bands of rows, so the points in flight stay few.
    for (int r0 = 0; r0 < w.height; r0 += 64) {
        const int rows = std::min(64, w.height - r0);
        std::vector<double> xs, ys, h;
        for (int j = r0; j < r0 + rows; ++j)
            for (int i = 0; i < w.width; ++i) {
                xs.push_back(m.grid.centreX(w.col + i));
                ys.push_back(m.grid.centreY(w.row + j));
            }
        if (!terrain->sample(xs, ys, h, error)) return false;
        std::copy(h.begin(), h.end(), ground.begin() + static_cast<std::ptrdiff_t>(r0) * w.width);
        if (Cancelled(o)) return false;
    }
    return true;
}

// Sums every pixel of tile `t` over its antennas on the worker threads while
// the calling thread reports progress; false on a cancel, or with `error`
// set when no thread starts.
bool ComputeInThreads(const Manifest& m, const TileEntry& t, const std::vector<double>& ground,
                      const WorkOptions& o, TileValues& out, std::string& error) {
    const int index = t.index;
    const Window& w = t.window;
    const kernel::Isa isa = o.scalar ? kernel::Isa::Scalar : kernel::BestIsa();
    Sources src;
    try {
        src = SourcesOf(m, t, isa != kernel::Isa::Scalar, o.envelopes);
    } catch (const std::invalid_argument& e) {
        error = "tile " + std::to_string(index) + ": " + e.what();
        return false;
    } catch (const std::bad_alloc&) {
        error = "tile " + std::to_string(index) + ": " + msg::OutOfMemory;
        return false;
    }
    ColumnWork work{m, w, src.list, ground, isa, {0}, {0}, o.feedback, out};
    const int threads = o.threads > 0 ? o.threads : UsableCores();
    std::vector<std::thread> pool;
    try {
        for (int k = 0; k < threads; ++k)
            pool.emplace_back(ComputeColumns, std::ref(work));
    } catch (const std::system_error&) {
        // Fewer workers than asked: those started share all the columns.
        if (pool.empty()) {
            error = "tile " + std::to_string(index) + ": no thread can be started";
            return false;
        }
    }
    // The calling thread reports progress about twice a second and notices
    // the end of a small tile within a few milliseconds.
    for (int tick = 0; work.done.load() < w.width && !Cancelled(o); ++tick) {
        if (tick % 25 == 0) Report(o, static_cast<double>(work.done.load()) / w.width, "tile");
        std::this_thread::sleep_for(std::chrono::milliseconds(tick < 50 ? 1 : 20));
    }
    for (std::thread& th : pool)
        th.join();
    if (Cancelled(o)) return false;
    Report(o, 1.0, "tile");
    return true;
}

} // namespace

bool ComputeTile(const Manifest& m, int index, TileValues& out, const WorkOptions& o,
                 std::string& error) {
    return ComputeTile(m, m.tiles.at(static_cast<std::size_t>(index)), out, o, error);
}

std::string PixelsHash(const std::vector<float>& density, const std::vector<float>& ratio) {
    std::uint64_t h = 14695981039346656037ull;
    for (const std::vector<float>* band : {&density, &ratio}) {
        const auto* p = reinterpret_cast<const unsigned char*>(band->data());
        for (std::size_t k = 0, n = band->size() * sizeof(float); k < n; ++k) {
            h ^= p[k];
            h *= 1099511628211ull;
        }
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

bool ComputeTile(const Manifest& m, const TileEntry& t, TileValues& out, const WorkOptions& o,
                 std::string& error) {
    error.clear();
    const int index = t.index;
    const Window& w = t.window;
    const std::size_t count =
        static_cast<std::size_t>(w.width) * static_cast<std::size_t>(w.height);
    const int bands = m.standard.empty() ? 1 : 2;
    // Asked before taking: a tile the machine cannot hold is a message, not
    // an abort half-way through the allocations.
    if (!RoomFor(TileBytes(static_cast<std::int64_t>(count), bands, !m.terrain.empty()))) {
        error = "tile " + std::to_string(index) + ": " + msg::OutOfMemory;
        return false;
    }
    out.width = w.width;
    out.height = w.height;
    try {
        out.density.assign(count, 0.0f);
        out.ratio.assign(bands == 2 ? count : 0, 0.0f);
    } catch (const std::bad_alloc&) {
        out = {};
        error = "tile " + std::to_string(index) + ": " + msg::OutOfMemory;
        return false;
    }

    std::vector<double> ground;
    if (!m.terrain.empty() && !GroundHeights(m, t, o, ground, error)) return false;

    return ComputeInThreads(m, t, ground, o, out, error);
}

std::optional<std::string> TileValuesRefusal(const TileValues& v, int index) {
    for (const std::vector<float>* band : {&v.density, &v.ratio})
        for (std::size_t k = 0; k < band->size(); ++k)
            if (!std::isfinite((*band)[k]))
                return "tile " + std::to_string(index) + ": the value at pixel (" +
                       std::to_string(k % static_cast<std::size_t>(v.width)) + ", " +
                       std::to_string(k / static_cast<std::size_t>(v.width)) +
                       ") is not a finite number; nothing written";
    return std::nullopt;
}

namespace {

// CheckTile for tile `t` of `bands` bands whose inputs hash to `hash`.
TileCheck CheckTileFile(const std::string& dir, const TileEntry& t, int bands,
                        const std::string& hash) {
    const int index = t.index;
    const std::string path = TilePath(dir, index);
    const std::string name = "tile " + std::to_string(index);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {TileState::Missing, name + " is missing (" + path + ")"};
    if (auto refused = InputFileRefusal(path))
        return {TileState::Damaged, name + " is damaged: " + *refused};
    const std::uintmax_t fileBytes = std::filesystem::file_size(path, ec);
    EnsureGdal();
    const gis::GdalErrorTrap trap;
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds || ec)
        return {TileState::Damaged,
                trap.because(name + " is damaged: it does not open (" + path + ")")};
    const char* h = ds->GetMetadataItem(kHashKey);
    double gt[6]{};
    if (!h || h != hash || ds->GetRasterXSize() != t.window.width ||
        ds->GetRasterYSize() != t.window.height || ds->GetRasterCount() != bands ||
        ds->GetGeoTransform(gt) != CE_None || gt[0] != t.bounds.xmin || gt[3] != t.bounds.ymax)
        return {TileState::Stale,
                name + " is stale: not made from its inputs in this plan (" + path + ")"};
    // The header and the block index come first in the file and survive a
    // file cut short (a node lost mid-copy, a full disk behind a lying
    // rename): every block must lie whole within the file.
    for (int b = 1; b <= bands; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b);
        int bw = 0, bh = 0;
        band->GetBlockSize(&bw, &bh);
        if (bw <= 0 || bh <= 0)
            return {TileState::Damaged, name + " is damaged: no blocks (" + path + ")"};
        const int bx = (t.window.width + bw - 1) / bw, by = (t.window.height + bh - 1) / bh;
        for (int y = 0; y < by; ++y)
            for (int x = 0; x < bx; ++x) {
                const std::string at = std::to_string(x) + "_" + std::to_string(y);
                const char* off = band->GetMetadataItem(("BLOCK_OFFSET_" + at).c_str(), "TIFF");
                const char* size = band->GetMetadataItem(("BLOCK_SIZE_" + at).c_str(), "TIFF");
                const unsigned long long o = off ? std::strtoull(off, nullptr, 10) : 0;
                const unsigned long long n = size ? std::strtoull(size, nullptr, 10) : 0;
                if (o == 0 || n == 0 || o > fileBytes || n > fileBytes - o)
                    return {TileState::Damaged,
                            name + " is damaged: cut short or incomplete (" + path + ")"};
            }
    }
    // Blocks whole in size may still hold other bytes (a disk's fault, a
    // hand's edit): the pixels must be those written.
    const char* sum = ds->GetMetadataItem(kPixelsKey);
    std::vector<float> band[2];
    try {
        for (int b = 0; b < bands; ++b) {
            band[b].resize(static_cast<std::size_t>(t.window.width) *
                           static_cast<std::size_t>(t.window.height));
            if (ds->GetRasterBand(b + 1)->RasterIO(GF_Read, 0, 0, t.window.width, t.window.height,
                                                   band[b].data(), t.window.width, t.window.height,
                                                   GDT_Float32, 0, 0, nullptr) != CE_None)
                return {TileState::Damaged,
                        trap.because(name + " is damaged: its pixels do not read (" + path + ")")};
        }
    } catch (const std::bad_alloc&) {
        return {TileState::Damaged, name + " cannot be checked: " + msg::OutOfMemory};
    }
    if (!sum || PixelsHash(band[0], band[1]) != sum)
        return {TileState::Damaged,
                name + " is damaged: its pixels fail their checksum (" + path + ")"};
    return {TileState::Done, name + " is already done"};
}

// The computed bands as the bands of the in-memory dataset `ds`, without a
// second copy of them; false when GDAL refuses one.
bool AddTileBands(GDALDataset& ds, TileValues& v, int bands) {
    for (int b = 1; b <= bands; ++b) {
        std::vector<float>& data = b == 1 ? v.density : v.ratio;
        char pointer[64];
        std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p", static_cast<void*>(data.data()));
        const char* const bandOptions[] = {pointer, nullptr};
        if (ds.AddBand(GDT_Float32, const_cast<char**>(bandOptions)) != CE_None) return false;
        GDALRasterBand* band = ds.GetRasterBand(b);
        band->SetNoDataValue(NoData);
        band->SetDescription(BandDescription(b));
    }
    return true;
}

// Copies the tile held in `ds` into its COG at `path`, through a temporary
// renamed into place only when whole.
TileRunResult WriteTileFile(GDALDataset& ds, const std::string& path, int index, int bands,
                            const WorkOptions& o, const gis::GdalErrorTrap& trap) {
    StagedFile staged;
    if (!staged.open(path))
        return {TileOutcome::Failed, "cannot write " + path + ": " + staged.reason()};
    staged.release();
    const int threads = o.threads > 0 ? o.threads : UsableCores();
    const std::string threadOption = "NUM_THREADS=" + std::to_string(threads);
    const char* const options[] = {"COMPRESS=DEFLATE", "PREDICTOR=FLOATING_POINT", "BLOCKSIZE=512",
                                   "OVERVIEWS=NONE",   threadOption.c_str(),       nullptr};
    GDALDriver* cog = GetGDALDriverManager()->GetDriverByName("COG");
    if (!cog) return {TileOutcome::Failed, "cannot write " + path + ": GDAL has no COG driver"};
    // The tile's progress is its pixels; the copy only listens for a cancel.
    gis::GdalProgress listen(o.feedback, {}, {}, gis::GdalReport::CancelOnly);
    bool made = false;
    {
        const SwathLimit swath(threads, bands);
        GDALDatasetUniquePtr outDs(cog->CreateCopy(staged.temporary().c_str(), &ds, FALSE,
                                                   const_cast<char**>(options), listen.function(),
                                                   listen.data()));
        // Closing flushes the last blocks; a failure there is a failed tile.
        made = outDs != nullptr;
    }
    if (Cancelled(o)) return {TileOutcome::Cancelled, "Interrupted"};
    if (!made || trap.failed()) return {TileOutcome::Failed, trap.because("cannot write " + path)};
    if (!staged.finish() || !staged.commit())
        return {TileOutcome::Failed, "cannot write " + path + ": " + staged.reason()};
    return {TileOutcome::Written, "tile " + std::to_string(index) + " written"};
}

} // namespace

TileCheck CheckTile(const std::string& dir, const Manifest& m, int index) {
    const TileEntry& t = m.tiles.at(static_cast<std::size_t>(index));
    return CheckTileFile(dir, t, m.standard.empty() ? 1 : 2, t.inputsHash);
}

TileRunResult RunTile(const std::string& dir, int index, const WorkOptions& o) {
    // The tile's own inputs are all a task reads, whatever the size of the map.
    const TileInputsRead in = ReadTileInputs(dir, index);
    if (!in.inputs) return {TileOutcome::Failed, in.error};
    const Manifest& m = *in.inputs;
    const TileEntry& tile = in.tile;
    const std::string path = TilePath(dir, index);
    if (const TileCheck c = CheckTileFile(dir, tile, m.standard.empty() ? 1 : 2, in.hash);
        c.state == TileState::Done)
        return {TileOutcome::Skipped, c.why};
    const std::string name = "tile " + std::to_string(index);
    EnsureGdal();
    OGRSpatialReference srs;
    if (srs.importFromWkt(m.crsWkt.c_str()) != OGRERR_NONE)
        return {TileOutcome::Failed, ManifestPath(dir) + ": crs_wkt is not a CRS GDAL reads"};

    TileValues v;
    std::string why;
    if (!ComputeTile(m, tile, v, o, why))
        return why.empty() ? TileRunResult{TileOutcome::Cancelled, "Interrupted"}
                           : TileRunResult{TileOutcome::Failed, why};
    if (auto refused = TileValuesRefusal(v, index)) return {TileOutcome::Failed, *refused};

    // The dataset GDAL copies from is the computed bands themselves, not a
    // second copy of them.
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    const int bands = v.ratio.empty() ? 1 : 2;
    const gis::GdalErrorTrap trap;
    GDALDatasetUniquePtr ds(mem ? mem->Create("", v.width, v.height, 0, GDT_Float32, nullptr)
                                : nullptr);
    if (!ds) return {TileOutcome::Failed, trap.because("cannot hold " + name + " in memory")};
    const Window& w = tile.window;
    double gt[6] = {m.grid.x0 + w.col * m.grid.resolution,
                    m.grid.resolution,
                    0.0,
                    m.grid.y1 - w.row * m.grid.resolution,
                    0.0,
                    -m.grid.resolution};
    ds->SetGeoTransform(gt);
    ds->SetSpatialRef(&srs);
    ds->SetMetadataItem(kHashKey, in.hash.c_str());
    ds->SetMetadataItem(kPixelsKey, PixelsHash(v.density, v.ratio).c_str());
    ds->SetMetadataItem("BRENVIK_TILE", std::to_string(index).c_str());
    ds->SetMetadataItem("UNIT", kDensityUnit);
    if (!AddTileBands(*ds, v, bands))
        return {TileOutcome::Failed, trap.because("cannot hold " + name + " in memory")};

    return WriteTileFile(*ds, path, index, bands, o, trap);
}

namespace {

// Every tile of the plan done, with their paths in `paths`; or the message
// naming each tile not done.
std::optional<std::string> DoneTilePaths(const std::string& dir, const Manifest& m,
                                         const WorkOptions& o, std::vector<std::string>& paths) {
    std::vector<std::string> problems;
    for (const TileEntry& t : m.tiles) {
        paths.push_back(TilePath(dir, t.index));
        if (Cancelled(o)) return std::string(msg::Interrupted);
        if (const TileCheck c = CheckTile(dir, m, t.index); c.state != TileState::Done)
            problems.push_back(c.why);
    }
    if (!problems.empty()) {
        std::string text = "No map written:";
        for (const std::string& p : problems)
            text += "\n" + p;
        return text;
    }
    return std::nullopt;
}

// A virtual mosaic of the tiles at `vrtPath`, left in `vrt`.
std::optional<std::string> JoinTiles(const std::vector<std::string>& paths,
                                     const std::string& vrtPath, const WorkOptions& o,
                                     const gis::GdalErrorTrap& trap, GDALDatasetH& vrt) {
    std::vector<const char*> names;
    for (const std::string& p : paths)
        names.push_back(p.c_str());
    int usage = 0;
    GDALBuildVRTOptions* vo = GDALBuildVRTOptionsNew(nullptr, nullptr);
    gis::GdalProgress listen(o.feedback, {}, {}, gis::GdalReport::CancelOnly);
    if (vo) GDALBuildVRTOptionsSetProgress(vo, listen.function(), listen.data());
    vrt = GDALBuildVRT(vrtPath.c_str(), static_cast<int>(names.size()), nullptr, names.data(), vo,
                       &usage);
    GDALBuildVRTOptionsFree(vo);
    if (Cancelled(o)) {
        if (vrt) GDALClose(vrt);
        VSIUnlink(vrtPath.c_str());
        return std::string(msg::Interrupted);
    }
    if (!vrt) return trap.because("cannot join the tiles");
    return std::nullopt;
}

// The whole map from the virtual mosaic `vrt` (closed and removed here) as a
// plain tiled GeoTIFF at `full`: the first half of the progress.
std::optional<std::string> WritePlainMap(GDALDatasetH vrt, const std::string& vrtPath,
                                         const std::string& full, const std::string& out,
                                         int threads, int bands, const WorkOptions& o,
                                         const gis::GdalErrorTrap& trap) {
    const std::string threadOption = "NUM_THREADS=" + std::to_string(threads);
    int usage = 0;
    gis::GdalProgress firstHalf(o.feedback, "mosaic", {0.0, 0.5});
    CPLStringList args;
    for (const char* a : {"-of", "GTiff", "-co", "TILED=YES", "-co", "BLOCKXSIZE=512", "-co",
                          "BLOCKYSIZE=512", "-co", "COMPRESS=DEFLATE", "-co", "PREDICTOR=3", "-co",
                          "BIGTIFF=IF_SAFER", "-co", threadOption.c_str()})
        args.AddString(a);
    GDALTranslateOptions* to = GDALTranslateOptionsNew(args.List(), nullptr);
    if (to) GDALTranslateOptionsSetProgress(to, firstHalf.function(), firstHalf.data());
    const SwathLimit swath(threads, bands);
    GDALDatasetH res = GDALTranslate(full.c_str(), vrt, to, &usage);
    GDALTranslateOptionsFree(to);
    GDALClose(vrt);
    VSIUnlink(vrtPath.c_str());
    if (res) GDALClose(res);
    if (Cancelled(o)) return std::string(msg::Interrupted);
    if (!res || trap.failed()) return trap.because("cannot write " + out);
    return std::nullopt;
}

// The plain map at `full` copied with its overviews into the COG `out`,
// through a temporary renamed into place only when whole: the second half of
// the progress.
std::optional<std::string> WriteMapCog(const std::string& full, const std::string& out, int threads,
                                       int bands, const WorkOptions& o,
                                       const gis::GdalErrorTrap& trap) {
    const std::string threadOption = "NUM_THREADS=" + std::to_string(threads);
    gis::GdalProgress secondHalf(o.feedback, "mosaic", {0.5, 1.0});
    StagedFile staged;
    if (!staged.open(out)) return "cannot write " + out + ": " + staged.reason();
    staged.release();
    {
        GDALDatasetUniquePtr src(
            GDALDataset::Open(full.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
        GDALDriver* cog = GetGDALDriverManager()->GetDriverByName("COG");
        if (!src || !cog) return trap.because("cannot write " + out);
        const char* const options[] = {"COMPRESS=DEFLATE",
                                       "PREDICTOR=FLOATING_POINT",
                                       "BLOCKSIZE=512",
                                       "BIGTIFF=IF_SAFER",
                                       "OVERVIEWS=FORCE_USE_EXISTING",
                                       threadOption.c_str(),
                                       nullptr};
        const SwathLimit swath(threads, bands);
        GDALDatasetUniquePtr res(cog->CreateCopy(staged.temporary().c_str(), src.get(), FALSE,
                                                 const_cast<char**>(options), secondHalf.function(),
                                                 secondHalf.data()));
        if (Cancelled(o)) return std::string(msg::Interrupted);
        if (!res || trap.failed()) return trap.because("cannot write " + out);
    }
    if (trap.failed()) return trap.because("cannot write " + out);
    if (!staged.finish() || !staged.commit()) return "cannot write " + out + ": " + staged.reason();
    return std::nullopt;
}

} // namespace

std::optional<std::string> MosaicTiles(const std::string& dir, const std::string& out,
                                       const WorkOptions& o) {
    const ManifestRead mr = ReadManifest(dir);
    if (!mr.manifest) return mr.error;
    const Manifest& m = *mr.manifest;
    EnsureGdal();
    std::vector<std::string> paths;
    if (auto why = DoneTilePaths(dir, m, o, paths)) return *why;

    // A virtual mosaic of the tiles, translated into one COG.
    const std::string vrtPath = "/vsimem/brenvik-mosaic-" + mr.hash + ".vrt";
    const gis::GdalErrorTrap trap;
    GDALDatasetH vrt = nullptr;
    if (auto why = JoinTiles(paths, vrtPath, o, trap, vrt)) return *why;

    // The whole map first as a plain tiled GeoTIFF beside the plan, where
    // its overviews are made by taking the maximum, then copied into the COG
    // with those overviews: a zoomed-out view never shows less than the
    // worst pixel under it, in either band, and never a negative density
    // (smoothing kernels overshoot).
    const std::string full = dir + "/mosaic-" + mr.hash + ".tmp.tif";
    struct Removed {
        std::string path;
        ~Removed() { VSIUnlink(path.c_str()); }
    } removeFull{full};
    const int threads = o.threads > 0 ? o.threads : UsableCores();
    const int bands = m.standard.empty() ? 1 : 2;
    if (auto why = WritePlainMap(vrt, vrtPath, full, out, threads, bands, o, trap)) return *why;
    {
        GDALDatasetUniquePtr ds(GDALDataset::Open(full.c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE));
        if (!ds) return trap.because("cannot write " + out);
        ds->SetMetadataItem("UNIT", kDensityUnit);
        for (int b = 1; b <= bands; ++b)
            ds->GetRasterBand(b)->SetDescription(BandDescription(b));
        if (auto why = MaximumOverviews(*ds, o)) return *why;
    }
    if (Cancelled(o)) return std::string(msg::Interrupted);
    if (trap.failed()) return trap.because("cannot write " + out);

    return WriteMapCog(full, out, threads, bands, o, trap);
}

} // namespace brenvik::tiles
