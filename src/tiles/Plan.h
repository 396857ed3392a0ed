#pragma once

// Planning a tiled map: the grid over the area in a projected CRS, the
// antennas of a site inventory carried into it and set on the terrain, and
// for every tile the antennas close enough to count.
#include "model/Project.h"
#include "tiles/Manifest.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {
class Library;
}

namespace brenvik::tiles {

struct PlanOptions {
    std::string sites;            // the inventory CSV
    std::array<double, 4> area{}; // W, S, E, N degrees
    std::string crs;              // empty: the UTM zone of the area's centre
    double resolution = 0.0;      // metres
    int tileSize = 0;             // pixels
    double heightM = DefaultReceptorHeightM;
    std::string terrain; // empty: flat ground at 0
    double reflection = 1.0;
    std::string standard; // empty: density only
    Population population = Population::Public;
    double cutoff = DefaultCutoff;
};

struct PlanResult {
    std::optional<Manifest> manifest;
    std::string error;
    std::vector<std::string> warnings; // of the pattern files read
};
PlanResult MakePlan(const PlanOptions& o, const compliance::Library& limits);

// Writes each tile's inputs DIR/inputs/K.json, then DIR/manifest.json (each
// staged, then renamed), and makes DIR/tiles; the reason when one fails.
std::optional<std::string> WritePlan(const Manifest& m, const std::string& dir);

// After WritePlan: every finished tile of the `previous` plan in
// `previousDir` whose inputs are those of the same tile of `m` is kept as
// DIR/tiles/K.tif (linked or copied when DIR is another folder), so a run
// computes only the tiles whose antennas in reach, terrain or options changed.
struct KeptTiles {
    int kept = 0;
};
KeptTiles KeepUnchangedTiles(const Manifest& previous, const std::string& previousDir,
                             const Manifest& m, const std::string& dir);

// The reach of an antenna of `erpW` watts whose limit is `limitWm2`: where
// an isotropic beam gives `cutoff` times the limit. Infinite for a cut-off 0.
double CutoffReach(double erpW, double reflection, double limitWm2, double cutoff);

} // namespace brenvik::tiles
