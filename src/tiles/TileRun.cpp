#include "tiles/TileRun.h"

#include "antenna/Pattern.h"
#include "model/AtomicFile.h"
#include "tiles/Projection.h"
#include "tiles/Terrain.h"

#include <cpl_string.h>
#include <gdal_priv.h>
#include <gdal_utils.h>

#include <algorithm>
#include <chrono>
#include <sched.h>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <thread>

namespace brenvik::tiles {

namespace {

constexpr const char* kHashKey = "BRENVIK_MANIFEST_HASH";
constexpr const char* kDensityUnit = "uW/cm^2";
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kLn10Over10 = std::numbers::ln10 / 10.0;

// One antenna as the kernel meets it: the sines and cosines of its azimuth
// and tilt taken once, not at every pixel.
struct Source {
    double x, y, z, erpW, inverseLimit;
    double sinAz, cosAz, sinTilt, cosTilt;
    antenna::Beam beam;
    double gainFront = 0.0, gainBack = 0.0; // G_H(0) and G_H(180) of a measured pattern
};

// antenna::PatternGainDb with the horizontal gains at 0 and 180 degrees,
// which every pixel needs, taken once per antenna.
double GainDb(const Source& a, double phi, double theta) {
    const AntennaPattern* p = a.beam.pattern;
    if (!p) return antenna::ParametricGainDb(a.beam.parametric, phi, theta);
    const double w = std::fabs(phi) / 180.0;
    const double g = -antenna::CutLossDb(p->Horizontal, phi) -
                     ((1.0 - w) * (a.gainFront + antenna::CutLossDb(p->Vertical, theta)) +
                      w * (a.gainBack + antenna::CutLossDb(p->Vertical, 180.0 - theta)));
    return std::min(g, 0.0); // at most the peak, as in antenna::PatternGainDb
}

std::vector<Source> Sources(const Manifest& m, const TileEntry& t) {
    std::vector<Source> s;
    s.reserve(t.antennas.size());
    for (int k : t.antennas) {
        const TileAntenna& a = m.antennas[static_cast<std::size_t>(k)];
        // A stick has neither direction nor tilt.
        const double az = (a.stick ? 0.0 : a.azimuthDeg) * kRadPerDeg;
        const double tilt = (a.stick ? 0.0 : a.tiltDeg) * kRadPerDeg;
        Source src{a.x, a.y, a.z, a.erpW, a.inverseLimit,
                   std::sin(az), std::cos(az), std::sin(tilt), std::cos(tilt), {}};
        if (a.pattern >= 0) {
            src.beam.pattern = &m.patterns[static_cast<std::size_t>(a.pattern)];
            src.gainFront = -antenna::CutLossDb(src.beam.pattern->Horizontal, 0.0);
            src.gainBack = -antenna::CutLossDb(src.beam.pattern->Horizontal, 180.0);
        }
        src.beam.parametric = {a.stick, a.hBeamwidthDeg, a.vBeamwidthDeg, a.electricalTiltDeg};
        s.push_back(src);
    }
    return s;
}

// The rows of a tile go to the workers one at a time; each pixel's sum runs
// over the sources in order, so the thread count never changes a value.
void ComputeRows(const Manifest& m, const Window& w, const std::vector<Source>& src,
                 const std::vector<double>& ground, std::atomic<int>& nextRow, std::atomic<int>& rowsDone,
                 const std::atomic<bool>* cancel, TileValues& out) {
    const bool ratio = !out.ratio.empty();
    const double rf = m.reflection;
    for (;;) {
        const int j = nextRow.fetch_add(1);
        if (j >= w.height || (cancel && cancel->load(std::memory_order_relaxed))) return;
        const double py = m.grid.centreY(w.row + j);
        for (int i = 0; i < w.width; ++i) {
            const std::size_t at = static_cast<std::size_t>(j) * static_cast<std::size_t>(w.width) +
                                   static_cast<std::size_t>(i);
            const double g = ground.empty() ? 0.0 : ground[at];
            if (!std::isfinite(g)) {
                out.density[at] = NoData;
                if (ratio) out.ratio[at] = NoData;
                continue;
            }
            const double px = m.grid.centreX(w.col + i), pz = g + m.heightM;
            double s = 0.0, q = 0.0;
            for (const Source& a : src) {
                const double e = px - a.x, n = py - a.y, u = pz - a.z;
                // The receptor in the antenna's frame, as antenna::DirectionInBeam
                // takes it: forward, right, then turned by the down-tilt.
                const double f = e * a.sinAz + n * a.cosAz;
                const double sd0 = e * a.cosAz - n * a.sinAz;
                const double f1 = f * a.cosTilt - u * a.sinTilt;
                const double u1 = f * a.sinTilt + u * a.cosTilt;
                const double phi = std::atan2(sd0, f1) * kDegPerRad;
                const double theta = std::atan2(-u1, std::sqrt(f1 * f1 + sd0 * sd0)) * kDegPerRad;
                // 10^(G/10)
                const double gain = std::exp(GainDb(a, phi, theta) * kLn10Over10);
                const double sd = antenna::FarFieldDensity(a.erpW, rf, gain, std::sqrt(e * e + n * n + u * u));
                s += sd;
                q += sd * a.inverseLimit;
            }
            out.density[at] = static_cast<float>(s);
            if (ratio) out.ratio[at] = static_cast<float>(q);
        }
        rowsDone.fetch_add(1);
    }
}

// The cores this process may run on: a scheduler (Slurm's task affinity,
// taskset) hands a tile only part of a node.
int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

bool Cancelled(const WorkOptions& o) {
    return o.cancel && o.cancel->load(std::memory_order_relaxed);
}

int CPL_STDCALL CancelProgress(double done, const char*, void* arg) {
    const auto* o = static_cast<const WorkOptions*>(arg);
    if (o->progress) o->progress(done);
    return Cancelled(*o) ? FALSE : TRUE;
}

} // namespace

bool ComputeTile(const Manifest& m, int index, TileValues& out, const WorkOptions& o, std::string& error) {
    error.clear();
    const TileEntry& t = m.tiles.at(static_cast<std::size_t>(index));
    const Window& w = t.window;
    const std::size_t count = static_cast<std::size_t>(w.width) * static_cast<std::size_t>(w.height);
    out.width = w.width;
    out.height = w.height;
    out.density.assign(count, 0.0f);
    out.ratio.assign(m.standard.empty() ? 0 : count, 0.0f);

    std::vector<double> ground;
    if (!m.terrain.empty()) {
        std::optional<Terrain> terrain = Terrain::Open(m.terrain, m.crsWkt, t.bounds, error);
        if (!terrain) return false;
        ground.resize(count);
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
    }

    const std::vector<Source> src = Sources(m, t);
    const int threads = o.threads > 0 ? o.threads : UsableCores();
    std::atomic<int> nextRow{0}, rowsDone{0};
    std::vector<std::thread> pool;
    for (int k = 0; k < threads; ++k)
        pool.emplace_back(ComputeRows, std::cref(m), std::cref(w), std::cref(src), std::cref(ground),
                          std::ref(nextRow), std::ref(rowsDone), o.cancel, std::ref(out));
    // The calling thread reports progress about twice a second and notices
    // the end of a small tile within a few milliseconds.
    for (int tick = 0; rowsDone.load() < w.height && nextRow.load() < w.height + threads && !Cancelled(o);
         ++tick) {
        if (o.progress && tick % 25 == 0) o.progress(static_cast<double>(rowsDone.load()) / w.height);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (std::thread& th : pool) th.join();
    if (Cancelled(o)) return false;
    if (o.progress) o.progress(1.0);
    return true;
}

std::string TileManifestHash(const std::string& path) {
    EnsureGdal();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return "";
    CPLPushErrorHandler(CPLQuietErrorHandler);
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    CPLPopErrorHandler();
    if (!ds) return "";
    const char* h = ds->GetMetadataItem(kHashKey);
    return h ? h : "";
}

TileRunResult RunTile(const std::string& dir, int index, const WorkOptions& o) {
    const ManifestRead mr = ReadManifest(dir);
    if (!mr.manifest) return {TileOutcome::Failed, mr.error};
    const Manifest& m = *mr.manifest;
    if (index < 0 || index >= static_cast<int>(m.tiles.size()))
        return {TileOutcome::Failed, "tile index " + std::to_string(index) + " is not within 0 to " +
                                         std::to_string(m.tiles.size() - 1)};
    const std::string path = TilePath(dir, index);
    if (TileManifestHash(path) == mr.hash)
        return {TileOutcome::Skipped, "tile " + std::to_string(index) + " is already done"};

    TileValues v;
    std::string why;
    if (!ComputeTile(m, index, v, o, why))
        return why.empty() ? TileRunResult{TileOutcome::Cancelled, "Interrupted"}
                           : TileRunResult{TileOutcome::Failed, why};

    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    const int bands = v.ratio.empty() ? 1 : 2;
    GDALDatasetUniquePtr ds(mem->Create("", v.width, v.height, bands, GDT_Float32, nullptr));
    const Window& w = m.tiles[static_cast<std::size_t>(index)].window;
    double gt[6] = {m.grid.x0 + w.col * m.grid.resolution, m.grid.resolution, 0.0,
                    m.grid.y1 - w.row * m.grid.resolution, 0.0, -m.grid.resolution};
    ds->SetGeoTransform(gt);
    OGRSpatialReference srs;
    srs.importFromWkt(m.crsWkt.c_str());
    ds->SetSpatialRef(&srs);
    ds->SetMetadataItem(kHashKey, mr.hash.c_str());
    ds->SetMetadataItem("BRENVIK_TILE", std::to_string(index).c_str());
    ds->SetMetadataItem("UNIT", kDensityUnit);
    for (int b = 1; b <= bands; ++b) {
        GDALRasterBand* band = ds->GetRasterBand(b);
        std::vector<float>& data = b == 1 ? v.density : v.ratio;
        if (band->RasterIO(GF_Write, 0, 0, v.width, v.height, data.data(), v.width, v.height, GDT_Float32, 0, 0,
                           nullptr) != CE_None)
            return {TileOutcome::Failed, "cannot hold tile " + std::to_string(index) + " in memory"};
        band->SetNoDataValue(NoData);
        band->SetDescription(b == 1 ? "power density (uW/cm^2)" : "exposure ratio (1 = the limit)");
    }

    StagedFile staged;
    if (!staged.open(path)) return {TileOutcome::Failed, "cannot write " + path + ": " + staged.reason()};
    staged.release();
    const char* const options[] = {"COMPRESS=DEFLATE", "PREDICTOR=FLOATING_POINT", "BLOCKSIZE=512",
                                   "OVERVIEWS=NONE",   "NUM_THREADS=ALL_CPUS",     nullptr};
    GDALDriver* cog = GetGDALDriverManager()->GetDriverByName("COG");
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    WorkOptions cancelOnly;
    cancelOnly.cancel = o.cancel;
    GDALDatasetUniquePtr outDs(cog->CreateCopy(staged.temporary().c_str(), ds.get(), FALSE,
                                               const_cast<char**>(options), CancelProgress, &cancelOnly));
    // Closing flushes the last blocks; a failure there is a failed tile.
    const bool made = outDs != nullptr;
    outDs.reset();
    const bool written = made && CPLGetLastErrorType() != CE_Failure;
    const std::string gdalWhy = CPLGetLastErrorMsg();
    CPLPopErrorHandler();
    if (Cancelled(o)) return {TileOutcome::Cancelled, "Interrupted"};
    if (!written) return {TileOutcome::Failed, "cannot write " + path + ": " + gdalWhy};
    if (!staged.finish() || !staged.commit())
        return {TileOutcome::Failed, "cannot write " + path + ": " + staged.reason()};
    return {TileOutcome::Written, "tile " + std::to_string(index) + " written"};
}

std::optional<std::string> MosaicTiles(const std::string& dir, const std::string& out, const WorkOptions& o) {
    const ManifestRead mr = ReadManifest(dir);
    if (!mr.manifest) return mr.error;
    const Manifest& m = *mr.manifest;
    EnsureGdal();
    std::vector<std::string> problems, paths;
    const int bands = m.standard.empty() ? 1 : 2;
    for (const TileEntry& t : m.tiles) {
        const std::string path = TilePath(dir, t.index);
        paths.push_back(path);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            problems.push_back("tile " + std::to_string(t.index) + " is missing (" + path + ")");
            continue;
        }
        CPLPushErrorHandler(CPLQuietErrorHandler);
        GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
        CPLPopErrorHandler();
        const char* h = ds ? ds->GetMetadataItem(kHashKey) : nullptr;
        double gt[6]{};
        if (!ds || !h || h != mr.hash || ds->GetRasterXSize() != t.window.width ||
            ds->GetRasterYSize() != t.window.height || ds->GetRasterCount() != bands ||
            ds->GetGeoTransform(gt) != CE_None || gt[0] != t.bounds.xmin || gt[3] != t.bounds.ymax)
            problems.push_back("tile " + std::to_string(t.index) + " is stale: not made from this manifest (" +
                               path + ")");
    }
    if (!problems.empty()) {
        std::string text = "No map written:";
        for (const std::string& p : problems) text += "\n" + p;
        return text;
    }

    // A virtual mosaic of the tiles, translated into one COG.
    std::vector<const char*> names;
    for (const std::string& p : paths) names.push_back(p.c_str());
    const std::string vrtPath = "/vsimem/brenvik-mosaic-" + mr.hash + ".vrt";
    int usage = 0;
    GDALDatasetH vrt = GDALBuildVRT(vrtPath.c_str(), static_cast<int>(names.size()), nullptr, names.data(),
                                    nullptr, &usage);
    if (!vrt) return "cannot join the tiles: " + std::string(CPLGetLastErrorMsg());

    StagedFile staged;
    if (!staged.open(out)) {
        GDALClose(vrt);
        return "cannot write " + out + ": " + staged.reason();
    }
    staged.release();
    const std::string unitItem = std::string("UNIT=") + kDensityUnit;
    CPLStringList args;
    for (const char* a : {"-of", "COG", "-co", "COMPRESS=DEFLATE", "-co", "PREDICTOR=FLOATING_POINT", "-co",
                          "BLOCKSIZE=512", "-co", "BIGTIFF=IF_SAFER", "-co", "NUM_THREADS=ALL_CPUS"})
        args.AddString(a);
    args.AddString("-mo");
    args.AddString(unitItem.c_str());
    GDALTranslateOptions* to = GDALTranslateOptionsNew(args.List(), nullptr);
    GDALTranslateOptionsSetProgress(to, CancelProgress, const_cast<WorkOptions*>(&o));
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    GDALDatasetH res = GDALTranslate(staged.temporary().c_str(), vrt, to, &usage);
    if (res) GDALClose(res);
    const bool written = res && CPLGetLastErrorType() != CE_Failure;
    const std::string gdalWhy = CPLGetLastErrorMsg();
    CPLPopErrorHandler();
    GDALTranslateOptionsFree(to);
    GDALClose(vrt);
    VSIUnlink(vrtPath.c_str());
    if (Cancelled(o)) return "Interrupted";
    if (!written) return "cannot write " + out + ": " + gdalWhy;
    if (!staged.finish() || !staged.commit()) return "cannot write " + out + ": " + staged.reason();
    return std::nullopt;
}

} // namespace brenvik::tiles
