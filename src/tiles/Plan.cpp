#include "tiles/Plan.h"

#include "antenna/Pattern.h"
#include "compliance/Limits.h"
#include "model/AtomicFile.h"
#include "model/InputFile.h"
#include "tiles/Inventory.h"
#include "tiles/Projection.h"
#include "tiles/Terrain.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <numbers>

namespace brenvik::tiles {

namespace fs = std::filesystem;

namespace {

// Horizontal distance from (x, y) to the rectangle b; 0 inside it.
double DistanceTo(const Bounds& b, double x, double y) {
    const double dx = std::max({b.xmin - x, 0.0, x - b.xmax});
    const double dy = std::max({b.ymin - y, 0.0, y - b.ymax});
    return std::hypot(dx, dy);
}

// Beyond this many reaches an excluded antenna adds less than 1 % of the
// cut-off to the neglected ratio and is not summed.
constexpr double kNeglectSpan = 10.0;

} // namespace

double CutoffReach(double erpW, double reflection, double limitWm2, double cutoff) {
    if (cutoff <= 0.0) return std::numeric_limits<double>::infinity();
    return std::sqrt(reflection * antenna::ErpToEirp * erpW / (4.0 * std::numbers::pi * cutoff * limitWm2));
}

PlanResult MakePlan(const PlanOptions& o, const compliance::Library& limits) {
    PlanResult r;
    const auto fail = [&](std::string why) {
        r.manifest.reset();
        r.error = std::move(why);
        return r;
    };
    if (auto refused = AreaRefusal(o.area)) return fail(*refused);
    if (!(o.heightM >= 0.0 && o.heightM <= MaxReceptorHeightM))
        return fail("--height: the receptor height must be 0 to 10000 metres");
    if (o.reflection != 1.0 && o.reflection != 2.56) return fail("the reflection factor is 1 or 2.56");
    if (!(o.cutoff >= 0.0 && o.cutoff < 1.0)) return fail("the cut-off is a fraction of the limit from 0 to below 1");

    Manifest m;
    m.area = o.area;
    m.crs = o.crs.empty() ? UtmCrsOf((o.area[0] + o.area[2]) / 2, (o.area[1] + o.area[3]) / 2) : o.crs;
    const Crs crs = ProjectedCrs(m.crs);
    if (!crs.error.empty()) return fail(crs.error);
    m.crsWkt = crs.wkt;
    m.heightM = o.heightM;
    m.reflection = o.reflection;
    m.standard = o.standard;
    m.population = o.population;
    m.cutoff = o.cutoff;

    const compliance::Standard* standard = nullptr;
    if (!o.standard.empty()) {
        standard = limits.find(o.standard);
        if (!standard) return fail("the standard '" + o.standard + "' is unknown");
    }
    const compliance::Standard* reachStandard = standard ? standard : limits.find(CutoffStandard);
    if (!reachStandard && o.cutoff > 0.0) return fail(std::string("the cut-off needs the limits of ") + CutoffStandard);

    const auto area = AreaInCrs(o.area, m.crsWkt);
    if (!area) return fail("the area cannot be carried into " + m.crs);
    GridResult g = SnapGrid(*area, o.resolution, o.tileSize);
    if (!g.grid) return fail(g.error);
    m.grid = *g.grid;
    if (auto refused = TileMemoryRefusal(m.grid, o.standard.empty() ? 1 : 2, !o.terrain.empty()))
        return fail("--tile-size " + std::to_string(o.tileSize) + ": " + *refused + "; choose smaller tiles");

    InventoryRead inv = ReadInventory(o.sites);
    if (!inv.error.empty()) return fail(inv.error);

    // Pattern files, each read once however many antennas use it.
    const fs::path base = fs::path(o.sites).parent_path();
    std::map<std::string, int> patternIndex;
    std::vector<double> xs, ys;
    std::vector<std::string> problems;
    for (const SiteRow& row : inv.rows) {
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
                    problems.push_back("line " + std::to_string(row.line) + ": pattern " + row.pattern + ": " +
                                       pr.error);
                    patternIndex.erase(it);
                    continue;
                }
                for (const std::string& w : pr.warnings) r.warnings.push_back(row.pattern + ": " + w);
                m.patterns.push_back(std::move(*pr.pattern));
            }
            a.pattern = it->second;
        }
        if (reachStandard) {
            const auto level = compliance::ReferenceLevel(*reachStandard, o.population, row.frequencyMHz);
            if (!level || !(level->sWm2 > 0.0)) {
                problems.push_back("line " + std::to_string(row.line) + ": " + reachStandard->id +
                                   " has no limit at " + std::to_string(row.frequencyMHz) + " MHz");
                continue;
            }
            // W/m^2 to uW/cm^2 is a factor 100.
            if (standard) a.inverseLimit = 1.0 / (level->sWm2 * 100.0);
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
        for (const std::string& p : problems) text += "\n" + p;
        return fail(text);
    }
    if (!LonLatToCrs(m.crsWkt, xs, ys)) return fail("the antennas cannot be carried into " + m.crs);

    std::optional<Terrain> terrain;
    if (!o.terrain.empty()) {
        std::string why;
        terrain = Terrain::Open(o.terrain, m.crsWkt, m.grid.bounds(), why);
        if (!terrain) return fail("--terrain: " + why);
        m.terrain = fs::absolute(o.terrain).lexically_normal().string();
    }

    // SnapGrid bounds the count by MaxTiles, so every index is an int.
    const int tc = static_cast<int>(m.grid.tileColumns()), tr = static_cast<int>(m.grid.tileRows());
    m.tiles.resize(static_cast<std::size_t>(m.grid.tileCount()));
    for (int k = 0; k < static_cast<int>(m.tiles.size()); ++k) {
        m.tiles[static_cast<std::size_t>(k)].index = k;
        m.tiles[static_cast<std::size_t>(k)].window = m.grid.window(k);
        m.tiles[static_cast<std::size_t>(k)].bounds = m.grid.bounds(m.tiles[static_cast<std::size_t>(k)].window);
    }
    const double span = m.grid.resolution * m.grid.tileSize;
    const Bounds all = m.grid.bounds();
    for (std::size_t k = 0; k < m.antennas.size(); ++k) {
        TileAntenna& a = m.antennas[k];
        a.x = xs[k];
        a.y = ys[k];
        // The tiles within reach (listed) and within the neglect span (summed).
        const double far = std::isinf(a.reachM) ? a.reachM : kNeglectSpan * a.reachM;
        const auto index = [](double v, int count) {
            return static_cast<int>(std::clamp(std::floor(v), 0.0, static_cast<double>(count - 1)));
        };
        const int c0 = index((a.x - far - m.grid.x0) / span, tc), c1 = index((a.x + far - m.grid.x0) / span, tc);
        const int r0 = index((m.grid.y1 - a.y - far) / span, tr), r1 = index((m.grid.y1 - a.y + far) / span, tr);
        bool reached = false;
        if (DistanceTo(all, a.x, a.y) <= far)
            for (int rr = r0; rr <= r1; ++rr)
                for (int cc = c0; cc <= c1; ++cc) {
                    TileEntry& t = m.tiles[static_cast<std::size_t>(rr * tc + cc)];
                    const double d = DistanceTo(t.bounds, a.x, a.y);
                    if (d <= a.reachM) {
                        t.antennas.push_back(static_cast<int>(k));
                        reached = true;
                    } else if (d <= far) {
                        t.neglectedRatio += m.cutoff * (a.reachM / d) * (a.reachM / d);
                    }
                }
        if (!reached) {
            ++m.antennasOutOfReach;
            continue;
        }
        if (terrain) {
            std::vector<double> h;
            std::string why;
            if (!terrain->sample({a.x}, {a.y}, h, why)) return fail(why);
            if (!std::isfinite(h[0]))
                return fail("line " + std::to_string(a.line) + ": the terrain has no height at antenna of site " +
                            a.site);
            a.ground = h[0];
            a.z += h[0];
        }
    }
    for (const TileEntry& t : m.tiles) m.neglectedRatioMax = std::max(m.neglectedRatioMax, t.neglectedRatio);

    // Only the antennas some tile takes stay in the manifest, which every
    // tile reads whole; the others are only counted.
    std::vector<int> kept(m.antennas.size(), -1);
    for (const TileEntry& t : m.tiles)
        for (int k : t.antennas) kept[static_cast<std::size_t>(k)] = 0;
    std::vector<TileAntenna> reached;
    for (std::size_t k = 0; k < m.antennas.size(); ++k)
        if (kept[k] == 0) {
            kept[k] = static_cast<int>(reached.size());
            reached.push_back(std::move(m.antennas[k]));
        }
    m.antennas = std::move(reached);
    for (TileEntry& t : m.tiles)
        for (int& k : t.antennas) k = kept[static_cast<std::size_t>(k)];
    // Every tile will read the plan back through the manifest's checks: a
    // value they refuse (a pattern's loss of 1e308 dB) is refused here, before
    // any tile runs.
    const ManifestRead back = ParseManifest(ManifestText(m));
    if (!back.manifest) return fail(back.error);
    r.manifest = std::move(m);
    return r;
}

std::optional<std::string> WritePlan(const Manifest& m, const std::string& dir) {
    std::error_code ec;
    fs::create_directories(fs::path(dir) / "tiles", ec);
    if (ec) return "cannot make " + dir + "/tiles: " + ec.message();
    if (!WriteFileAtomically(ManifestPath(dir), ManifestText(m))) return "cannot write " + ManifestPath(dir);
    return std::nullopt;
}

} // namespace brenvik::tiles
