#include "tiles/Plan.h"

#include "antenna/Adaptive.h"
#include "antenna/Pattern.h"
#include "calc/CalcEngine.h"
#include "compliance/Limits.h"
#include "model/AtomicFile.h"
#include "model/InputFile.h"
#include "tiles/Inventory.h"
#include "tiles/Projection.h"
#include "tiles/Terrain.h"
#include "tiles/TileRun.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <map>
#include <numbers>
#include <tuple>
#include <unistd.h>

namespace brenvik::tiles {

namespace fs = std::filesystem;

namespace {

// Horizontal distance from (x, y) to the rectangle b; 0 inside it.
double DistanceTo(const Bounds& b, double x, double y) {
    const double dx = std::max({b.xmin - x, 0.0, x - b.xmax});
    const double dy = std::max({b.ymin - y, 0.0, y - b.ymax});
    return std::hypot(dx, dy);
}

// Corner of b farthest from (x, y): a pixel of a tile is never farther.
double FarthestFrom(const Bounds& b, double x, double y) {
    return std::hypot(std::max(x - b.xmin, b.xmax - x), std::max(y - b.ymin, b.ymax - y));
}

// Gap between two rectangles; 0 when they touch or Overlap.
double Gap(const Bounds& a, const Bounds& b) {
    const double dx = std::max({a.xmin - b.xmax, 0.0, b.xmin - a.xmax});
    const double dy = std::max({a.ymin - b.ymax, 0.0, b.ymin - a.ymax});
    return std::hypot(dx, dy);
}

// The largest factor by which an antenna's beam exceeds an isotropic one of
// the same EIRP. A parametric beam never exceeds it, nor does an adaptive
// array's envelope, kept relative to its own peak gain, to which the ERP
// refers; a measured one, whose horizontal cut is read against its values
// at 0 and 180 degrees, exceeds it by at most the larger of those two losses.
double GainBound(const TileAntenna& a, const std::vector<AntennaPattern>& patterns) {
    if (a.pattern < 0) return 1.0;
    const AntennaPattern& p = patterns[static_cast<std::size_t>(a.pattern)];
    const double db = std::max(
        {0.0, antenna::CutLossDb(p.Horizontal, 0.0), antenna::CutLossDb(p.Horizontal, 180.0)});
    return std::pow(10.0, db / 10.0);
}

// Each pixel sums the antennas within reach of its centre. What a pixel of
// tile t leaves out from an antenna beyond its reach R, at a horizontal
// distance d > R, is at most F g (R / d)^2 of the limit, g its GainBound. The
// tile's bound adds, for each antenna, the largest such share over its
// pixels: F g where the reach ends inside the tile, F g (R / d)^2 with d its
// distance from the tile otherwise. Antennas in tiles farther than a guard
// distance are added cell by cell, each cell's sum of F g R^2 over the
// squared gap to the box of its antennas, which bounds theirs from above.
void AddNeglected(Manifest& m, const std::vector<double>& gains) {
    const PixelGrid& g = m.grid;
    const int tc = static_cast<int>(g.tileColumns()), tr = static_cast<int>(g.tileRows());
    const double span = g.resolution * g.tileSize;
    const auto cellOf = [&](double x, double y) {
        const auto at = [](double v, int count) {
            return static_cast<int>(std::clamp(std::floor(v), 0.0, static_cast<double>(count - 1)));
        };
        return at((y > g.y1 ? 0.0 : (g.y1 - y) / span), tr) * tc + at((x - g.x0) / span, tc);
    };
    struct Cell {
        std::vector<int> antennas;
        Bounds box{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
        double weight = 0.0; // sum of F g R^2
    };
    std::vector<Cell> cells(m.tiles.size());
    double reachMax = 0.0;
    for (std::size_t k = 0; k < m.antennas.size(); ++k) {
        const TileAntenna& a = m.antennas[k];
        Cell& c = cells[static_cast<std::size_t>(cellOf(a.x, a.y))];
        c.antennas.push_back(static_cast<int>(k));
        c.box = {std::min(c.box.xmin, a.x), std::min(c.box.ymin, a.y), std::max(c.box.xmax, a.x),
                 std::max(c.box.ymax, a.y)};
        c.weight += m.cutoff * gains[k] * a.reachM * a.reachM;
        reachMax = std::max(reachMax, a.reachM);
    }
    std::vector<std::size_t> filled;
    for (std::size_t c = 0; c < cells.size(); ++c)
        if (!cells[c].antennas.empty()) filled.push_back(c);
    const double guard = span * std::clamp(std::ceil(reachMax / span), 1.0, 4.0);
    for (TileEntry& t : m.tiles) {
        double sum = 0.0;
        for (std::size_t c : filled) {
            const Cell& cell = cells[c];
            const double gap = Gap(t.bounds, cell.box);
            if (gap >= guard) {
                sum += cell.weight / (gap * gap);
                continue;
            }
            for (int k : cell.antennas) {
                const TileAntenna& a = m.antennas[static_cast<std::size_t>(k)];
                if (!(a.reachM > 0.0)) continue; // no power, nothing to leave out
                const double d = DistanceTo(t.bounds, a.x, a.y);
                const double share = m.cutoff * gains[static_cast<std::size_t>(k)];
                if (d > a.reachM)
                    sum += share * (a.reachM / d) * (a.reachM / d);
                else if (FarthestFrom(t.bounds, a.x, a.y) > a.reachM)
                    sum += share;
            }
        }
        t.neglectedRatio = sum;
    }
}

} // namespace

double CutoffReach(double erpW, double reflection, double limitWm2, double cutoff) {
    if (cutoff <= 0.0) return std::numeric_limits<double>::infinity();
    return std::sqrt(reflection * antenna::ErpToEirp * erpW /
                     (4.0 * std::numbers::pi * cutoff * limitWm2));
}

namespace {

using Refusal = std::optional<std::string>;

Refusal OptionsRefusal(const PlanOptions& o) {
    if (auto refused = AreaRefusal(o.area)) return refused;
    if (!(o.heightM >= 0.0 && o.heightM <= MaxReceptorHeightM))
        return "--height: the receptor height must be 0 to 10000 metres";
    if (o.reflection != 1.0 && o.reflection != 2.56) return "the reflection factor is 1 or 2.56";
    if (!(o.cutoff >= 0.0 && o.cutoff < 1.0))
        return "the cut-off is a fraction of the limit from 0 to below 1";
    return std::nullopt;
}

// The standard the verdicts use (none without one) and the one the reach
// is cut at.
struct Standards {
    const compliance::Standard* verdict = nullptr;
    const compliance::Standard* reach = nullptr;
};

// The manifest's settings, CRS and pixel grid.
Refusal SetUp(const PlanOptions& o, const compliance::Library& limits, Manifest& m, Standards& st) {
    m.area = o.area;
    m.crs =
        o.crs.empty() ? UtmCrsOf((o.area[0] + o.area[2]) / 2, (o.area[1] + o.area[3]) / 2) : o.crs;
    const Crs crs = ProjectedCrs(m.crs);
    if (!crs.error.empty()) return crs.error;
    m.crsWkt = crs.wkt;
    m.heightM = o.heightM;
    m.reflection = o.reflection;
    m.standard = o.standard;
    m.population = o.population;
    m.cutoff = o.cutoff;
    if (!o.standard.empty()) {
        st.verdict = limits.find(o.standard);
        if (!st.verdict) return "the standard '" + o.standard + "' is unknown";
    }
    st.reach = st.verdict ? st.verdict : limits.find(CutoffStandard);
    if (!st.reach && o.cutoff > 0.0)
        return std::string("the cut-off needs the limits of ") + CutoffStandard;
    const auto area = AreaInCrs(o.area, m.crsWkt);
    if (!area) return "the area cannot be carried into " + m.crs;
    GridResult g = SnapGrid(*area, o.resolution, o.tileSize);
    if (!g.grid) return g.error;
    m.grid = *g.grid;
    if (auto refused = TileMemoryRefusal(m.grid, o.standard.empty() ? 1 : 2, !o.terrain.empty()))
        return "--tile-size " + std::to_string(o.tileSize) + ": " + *refused +
               "; choose smaller tiles";
    return std::nullopt;
}

TileAntenna AntennaOf(const SiteRow& row) {
    TileAntenna a;
    a.site = row.site;
    a.line = row.line;
    a.erpW = row.erpW;
    a.stick = row.stick;
    a.azimuthDeg = row.azimuthDeg;
    a.tiltDeg = row.tiltDeg;
    a.frequencyMHz = row.frequencyMHz;
    a.vBeamwidthDeg = row.stick ? 24.0 : 7.2;
    a.hBeamwidthDeg = row.hBeamwidthDeg.value_or(a.hBeamwidthDeg);
    a.vBeamwidthDeg = row.vBeamwidthDeg.value_or(a.vBeamwidthDeg);
    a.electricalTiltDeg = row.electricalTiltDeg.value_or(0.0);
    a.ground = 0.0;
    a.z = row.heightM; // the ground is added below
    return a;
}

// The inventory's antennas with their patterns (each file read once however
// many antennas use it) and arrays (each distinct one once, as the inventory
// keeps them) and their reach; their positions in the CRS. The reach takes
// the ERP the row is assessed with, its power factor applied.
Refusal ReadAntennas(const PlanOptions& o, const Standards& st, Manifest& m, PlanResult& r) {
    InventoryRead inv = ReadInventory(o.sites);
    if (!inv.error.empty()) return inv.error;
    m.arrays = std::move(inv.arrays);
    const fs::path base = fs::path(o.sites).parent_path();
    std::map<std::string, int> patternIndex;
    std::vector<double> xs, ys;
    std::vector<std::string> problems;
    for (const SiteRow& row : inv.rows) {
        TileAntenna a = AntennaOf(row);
        if (!row.pattern.empty()) {
            const std::string path = (base / row.pattern).lexically_normal().string();
            auto [it, fresh] = patternIndex.try_emplace(path, static_cast<int>(m.patterns.size()));
            if (fresh) {
                antenna::PatternRead pr;
                if (auto refused = InputFileRefusal(path))
                    pr.error = *refused;
                else
                    pr = antenna::ReadPatternFile(path);
                if (!pr.pattern) {
                    problems.push_back("line " + std::to_string(row.line) + ": pattern " +
                                       row.pattern + ": " + pr.error);
                    patternIndex.erase(it);
                    continue;
                }
                for (const std::string& w : pr.warnings)
                    r.warnings.push_back(row.pattern + ": " + w);
                m.patterns.push_back(std::move(*pr.pattern));
            }
            a.pattern = it->second;
        }
        a.array = row.array;
        if (st.reach) {
            const auto level =
                compliance::ReferenceLevel(*st.reach, o.population, row.frequencyMHz);
            if (!level || !(level->sWm2 > 0.0)) {
                problems.push_back("line " + std::to_string(row.line) + ": " + st.reach->id +
                                   " has no limit at " + std::to_string(row.frequencyMHz) + " MHz");
                continue;
            }
            // W/m^2 to uW/cm^2 is a factor 100.
            if (st.verdict) a.inverseLimit = 1.0 / (level->sWm2 * 100.0);
            a.reachM = CutoffReach(row.erpW, o.reflection, level->sWm2, o.cutoff);
        } else {
            a.reachM = std::numeric_limits<double>::infinity();
        }
        m.antennas.push_back(a);
        xs.push_back(row.lon);
        ys.push_back(row.lat);
    }
    if (!problems.empty()) {
        std::string text = "Sites not read from " + o.sites + ":";
        for (const std::string& p : problems)
            text += "\n" + p;
        return text;
    }
    if (!LonLatToCrs(m.crsWkt, xs, ys)) return "the antennas cannot be carried into " + m.crs;
    for (std::size_t k = 0; k < m.antennas.size(); ++k) {
        m.antennas[k].x = xs[k];
        m.antennas[k].y = ys[k];
    }
    return std::nullopt;
}

// Each antenna goes to the tiles within its reach (their pixels beyond it
// leave it out), standing on the terrain when there is one.
Refusal AssignAntennas(Manifest& m, std::optional<Terrain>& terrain) {
    // SnapGrid bounds the count by MaxTiles, so every index is an int.
    const int tc = static_cast<int>(m.grid.tileColumns()), tr = static_cast<int>(m.grid.tileRows());
    const double span = m.grid.resolution * m.grid.tileSize;
    const Bounds all = m.grid.bounds();
    const auto index = [](double v, int count) {
        return static_cast<int>(std::clamp(std::floor(v), 0.0, static_cast<double>(count - 1)));
    };
    for (std::size_t k = 0; k < m.antennas.size(); ++k) {
        TileAntenna& a = m.antennas[k];
        const double far = a.reachM;
        const int c0 = index((a.x - far - m.grid.x0) / span, tc),
                  c1 = index((a.x + far - m.grid.x0) / span, tc);
        const int r0 = index((m.grid.y1 - a.y - far) / span, tr),
                  r1 = index((m.grid.y1 - a.y + far) / span, tr);
        bool reached = false;
        if (DistanceTo(all, a.x, a.y) <= far)
            for (int rr = r0; rr <= r1; ++rr)
                for (int cc = c0; cc <= c1; ++cc) {
                    TileEntry& t = m.tiles[static_cast<std::size_t>(rr * tc + cc)];
                    if (DistanceTo(t.bounds, a.x, a.y) <= a.reachM) {
                        t.antennas.push_back(static_cast<int>(k));
                        reached = true;
                    }
                }
        if (!reached) {
            ++m.antennasOutOfReach;
            continue;
        }
        if (terrain) {
            std::vector<double> h;
            std::string why;
            if (!terrain->sample({a.x}, {a.y}, h, why)) return why;
            if (!std::isfinite(h[0]))
                return "line " + std::to_string(a.line) +
                       ": the terrain has no height at antenna of site " + a.site;
            a.ground = h[0];
            a.z += h[0];
        }
    }
    return std::nullopt;
}

// Only the antennas some tile takes stay in the manifest, which every tile
// reads whole; the others are only counted. Each tile gets the hashes of
// its inputs and of its terrain's window.
Refusal KeepReached(Manifest& m, std::optional<Terrain>& terrain) {
    std::vector<int> kept(m.antennas.size(), -1);
    for (const TileEntry& t : m.tiles)
        for (int k : t.antennas)
            kept[static_cast<std::size_t>(k)] = 0;
    std::vector<TileAntenna> reached;
    for (std::size_t k = 0; k < m.antennas.size(); ++k)
        if (kept[k] == 0) {
            kept[k] = static_cast<int>(reached.size());
            reached.push_back(std::move(m.antennas[k]));
        }
    m.antennas = std::move(reached);
    m.antennasInReach = static_cast<int>(m.antennas.size());
    for (TileEntry& t : m.tiles) {
        if (terrain) {
            std::string why;
            const std::optional<std::string> h = terrain->windowHash(t.bounds, why);
            if (!h) return "--terrain: " + why;
            t.terrainHash = *h;
        }
        for (int& k : t.antennas)
            k = kept[static_cast<std::size_t>(k)];
        t.antennaCount = static_cast<int>(t.antennas.size());
        t.inputsHash = HashText(TileInputsText(m, t));
    }
    return std::nullopt;
}

// The bytes of the envelope tables each tile's task makes, one per distinct
// array among its antennas. Each array's size is found once for the plan,
// and only for an array some tile takes: finding it takes as long as making
// its table, so the arrays are sized on every core.
void CountEnvelopes(Manifest& m) {
    std::vector<char> taken(m.arrays.size(), 0);
    for (const TileEntry& t : m.tiles)
        for (int i : t.antennas)
            if (const int array = m.antennas[static_cast<std::size_t>(i)].array; array >= 0)
                taken[static_cast<std::size_t>(array)] = 1;
    std::vector<std::uint64_t> bytes(m.arrays.size(), 0);
    engine::ForEachPart<bool>(static_cast<unsigned>(UsableCores()),
                              static_cast<int>(m.arrays.size()), [&](int a0, int a1) {
                                  for (int a = a0; a < a1; ++a)
                                      if (taken[static_cast<std::size_t>(a)])
                                          bytes[static_cast<std::size_t>(a)] =
                                              antenna::EnvelopeBytes(
                                                  m.arrays[static_cast<std::size_t>(a)]);
                                  return true;
                              });
    std::vector<std::size_t> countedFor(m.arrays.size(), m.tiles.size()); // the last tile
    for (std::size_t k = 0; k < m.tiles.size(); ++k) {
        TileEntry& t = m.tiles[k];
        t.envelopeBytes = 0;
        for (int i : t.antennas) {
            const int array = m.antennas[static_cast<std::size_t>(i)].array;
            if (array < 0) continue;
            const auto a = static_cast<std::size_t>(array);
            if (countedFor[a] == k) continue;
            countedFor[a] = k;
            t.envelopeBytes += bytes[a];
        }
    }
}

// Every tile will read its inputs back through the same checks: a value
// they refuse (a pattern's loss of 1e308 dB) is refused here, before any
// tile runs. The antennas go through in slices, as the inputs of one tile
// that takes them all would be as large as the inventory.
Refusal ReadBackRefusal(const Manifest& m) {
    const ManifestRead back = ParseManifest(ManifestText(m));
    if (!back.manifest) return back.error;
    constexpr std::size_t kSlice = 4096;
    for (std::size_t from = 0; from < m.antennas.size(); from += kSlice) {
        TileEntry slice = m.tiles.front();
        slice.antennas.clear();
        for (std::size_t k = from; k < std::min(m.antennas.size(), from + kSlice); ++k)
            slice.antennas.push_back(static_cast<int>(k));
        const TileInputsRead in = ParseTileInputs(TileInputsText(m, slice));
        if (!in.inputs) return in.error;
    }
    return std::nullopt;
}

// A tile's inputs through a temporary of this process in the same folder,
// renamed into place, so a reader never meets half a file. A plan writes
// tens of thousands of them: the project's staged writer sweeps the folder
// for leftovers at every file, which made a plan of 30,000 tiles take hours.
// WritePlan syncs the file system before the manifest, written last through
// the staged writer, names them.
bool WriteInputsFile(const std::string& path, const std::string& text) {
    const std::string staged = path + ".tmp-" + std::to_string(::getpid());
    const int fd =
        ::open(staged.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t at = 0; ok && at < text.size();) {
        const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) at += static_cast<std::size_t>(n);
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(staged.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(staged.c_str());
    return ok;
}

// Every file of the plan on the disk before the manifest that names them.
void SyncFileSystem(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

} // namespace

PlanResult MakePlan(const PlanOptions& o, const compliance::Library& limits) {
    PlanResult r;
    const auto fail = [&](std::string why) {
        r.manifest.reset();
        r.error = std::move(why);
        return r;
    };
    if (auto refused = OptionsRefusal(o)) return fail(*refused);
    Manifest m;
    Standards st;
    if (auto refused = SetUp(o, limits, m, st)) return fail(*refused);
    if (auto refused = ReadAntennas(o, st, m, r)) return fail(*refused);
    std::optional<Terrain> terrain;
    if (!o.terrain.empty()) {
        std::string why;
        terrain = Terrain::Open(o.terrain, m.crsWkt, m.grid.bounds(), why);
        if (!terrain) return fail("--terrain: " + why);
        m.terrain = fs::absolute(o.terrain).lexically_normal().string();
    }
    m.tiles.resize(static_cast<std::size_t>(m.grid.tileCount()));
    for (int k = 0; k < static_cast<int>(m.tiles.size()); ++k) {
        TileEntry& t = m.tiles[static_cast<std::size_t>(k)];
        t.index = k;
        t.window = m.grid.window(k);
        t.bounds = m.grid.bounds(t.window);
    }
    std::vector<double> gains(m.antennas.size());
    for (std::size_t k = 0; k < m.antennas.size(); ++k)
        gains[k] = GainBound(m.antennas[k], m.patterns);
    if (m.cutoff > 0.0) AddNeglected(m, gains);
    if (auto refused = AssignAntennas(m, terrain)) return fail(*refused);
    for (const TileEntry& t : m.tiles)
        m.neglectedRatioMax = std::max(m.neglectedRatioMax, t.neglectedRatio);
    if (auto refused = KeepReached(m, terrain)) return fail(*refused);
    CountEnvelopes(m);
    if (auto refused = EnvelopeMemoryRefusal(m)) return fail(*refused + "; choose smaller tiles");
    if (auto refused = ReadBackRefusal(m)) return fail(*refused);
    r.manifest = std::move(m);
    return r;
}

std::optional<std::string> WritePlan(const Manifest& m, const std::string& dir) {
    std::error_code ec;
    for (const char* sub : {"tiles", "inputs"}) {
        fs::create_directories(fs::path(dir) / sub, ec);
        if (ec) return "cannot make " + dir + "/" + sub + ": " + ec.message();
    }
    // The hashes are taken again from the very texts written, so the manifest
    // names what is on the disk even for a plan edited since it was made.
    Manifest head;
    head.crs = m.crs;
    head.crsWkt = m.crsWkt;
    head.area = m.area;
    head.grid = m.grid;
    head.heightM = m.heightM;
    head.reflection = m.reflection;
    head.standard = m.standard;
    head.population = m.population;
    head.cutoff = m.cutoff;
    head.terrain = m.terrain;
    head.antennasInReach = m.antennasInReach;
    head.antennasOutOfReach = m.antennasOutOfReach;
    head.neglectedRatioMax = m.neglectedRatioMax;
    head.tiles.reserve(m.tiles.size());
    for (const TileEntry& t : m.tiles) {
        const std::string text = TileInputsText(m, t);
        const std::string path = TileInputsPath(dir, t.index);
        // Inputs already there as they are stay untouched, and so does their date.
        std::string there;
        if (ReadInputFile(path, MaxTileInputsBytes, there) || there != text)
            if (!WriteInputsFile(path, text)) return "cannot write " + path;
        TileEntry e = t;
        e.antennas.clear();
        e.antennaCount = static_cast<int>(t.antennas.size());
        e.inputsHash = HashText(text);
        head.tiles.push_back(std::move(e));
    }
    // The manifest last: a plan cut short has none, or the previous one.
    SyncFileSystem(dir);
    if (!WriteFileAtomically(ManifestPath(dir), ManifestText(head)))
        return "cannot write " + ManifestPath(dir);
    return std::nullopt;
}

KeptTiles KeepUnchangedTiles(const Manifest& previous, const std::string& previousDir,
                             const Manifest& m, const std::string& dir) {
    KeptTiles r;
    std::error_code ec;
    const bool same = fs::equivalent(previousDir, dir, ec) && !ec;
    if (!(previous.grid == m.grid)) return r;
    for (const TileEntry& t : m.tiles) {
        const TileEntry& old = previous.tiles[static_cast<std::size_t>(t.index)];
        if (old.inputsHash != t.inputsHash) continue;
        if (CheckTile(previousDir, previous, t.index).state != TileState::Done) continue;
        if (!same) {
            // Linked where the file system allows, else copied; staged under
            // another name so a half-copied tile never has a tile's name.
            const std::string to = TilePath(dir, t.index), staged = to + ".kept";
            std::error_code ec;
            fs::remove(staged, ec);
            fs::create_hard_link(TilePath(previousDir, t.index), staged, ec);
            if (ec) {
                ec.clear();
                fs::copy_file(TilePath(previousDir, t.index), staged, ec);
            }
            if (!ec) fs::rename(staged, to, ec);
            if (ec) {
                fs::remove(staged, ec);
                continue;
            }
        }
        ++r.kept;
    }
    return r;
}

} // namespace brenvik::tiles
