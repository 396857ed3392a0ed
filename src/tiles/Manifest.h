#pragma once

// The plan of a tiled map. DIR/manifest.json holds the CRS, the pixel grid,
// the options every tile is computed with and the list of tiles, entry k
// being tile k with its window, bounds, antenna count and the hash of its
// inputs. DIR/inputs/K.json holds what tile K alone needs: the same options,
// its window, the antennas within reach of it and the patterns and adaptive
// arrays they use (an array as its parameters: the tile makes its envelope), so
// a task reads a few kilobytes however large the map. A tile is known by the
// hash of its inputs: a rerun skips finished tiles, a new plan keeps those
// whose inputs did not change, and the mosaic refuses stale ones.
#include "antenna/Adaptive.h"
#include "model/AntennaPattern.h"
#include "model/Project.h"
#include "tiles/Grid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik::tiles {

// Receptors sit this high above the ground unless the plan says otherwise.
inline constexpr double DefaultReceptorHeightM = 1.5;
// Each tile takes the antennas whose isotropic field at the tile's edge
// reaches this fraction of their limit.
inline constexpr double DefaultCutoff = 0.001;
// Without a standard, the cut-off measures reach against this one's limits.
inline constexpr const char* CutoffStandard = "icnirp-2020";
// The value of a pixel that has no result (no ground height there).
inline constexpr float NoData = -9999.0f;

// The ranges a plan's values keep, whether read from the inventory and the
// pattern files or from a manifest: far beyond any real antenna, yet small
// enough that no sum of a tile can overflow.
inline constexpr double MaxErpW = 1e8;
inline constexpr double MaxLossDb = 1000.0;
inline constexpr double MaxGainDbi = 100.0;
inline constexpr double MaxReceptorHeightM = 10000.0;
// A manifest lists every tile; a million tiles stay well below this.
inline constexpr std::uintmax_t MaxManifestBytes = 1ull << 30;
// A tile's inputs list the antennas within reach of it: a city's worth of
// sites at a cut-off of 0 stays well below this.
inline constexpr std::uintmax_t MaxTileInputsBytes = 1ull << 28;

struct TileAntenna {
    std::string site;
    int line = 0;            // in the inventory
    double x = 0.0, y = 0.0; // CRS metres
    double ground = 0.0;     // terrain height under it
    double z = 0.0;          // ground + its height
    double erpW = 0.0;
    double azimuthDeg = 0.0; // clockwise from grid north
    double tiltDeg = 0.0;
    bool stick = false;
    double frequencyMHz = 0.0;
    int pattern = -1; // index into the manifest's patterns, -1: parametric
    int array = -1;   // index into the manifest's arrays: an adaptive panel's envelope
    double hBeamwidthDeg = 90.0, vBeamwidthDeg = 7.2, electricalTiltDeg = 0.0;
    double inverseLimit = 0.0; // 1 / S_L in 1/(uW/cm^2); 0 without a standard
    double reachM = 0.0;       // the cut-off distance
    friend bool operator==(const TileAntenna&, const TileAntenna&) = default;
};

struct TileEntry {
    int index = 0;
    Window window;
    Bounds bounds;
    // Indices into the plan's antennas, ascending: known while planning and
    // in a tile's own inputs, not kept in the manifest, which has the count.
    std::vector<int> antennas;
    int antennaCount = 0;
    std::string inputsHash;      // HashText of the tile's inputs file
    std::string terrainHash;     // Terrain::windowHash over its bounds; empty on flat ground
    double neglectedRatio = 0.0; // bounds the ratio any pixel leaves out
    // The bytes of the envelope tables its task makes, one per distinct
    // adaptive array among its antennas (EnvelopeBytes); in the manifest
    // only when there are any, so that a plan without them reads as before.
    std::uint64_t envelopeBytes = 0;
    friend bool operator==(const TileEntry&, const TileEntry&) = default;
};

struct Manifest {
    std::string crs;              // as given, e.g. "EPSG:32631"
    std::string crsWkt;           // the full definition
    std::array<double, 4> area{}; // W, S, E, N in degrees
    PixelGrid grid;
    double heightM = DefaultReceptorHeightM;
    double reflection = 1.0;
    std::string standard; // empty: density only
    Population population = Population::Public;
    double cutoff = DefaultCutoff;
    std::string terrain; // absolute path of the DEM, empty: flat ground at 0
    // While planning, every pattern and every antenna some tile takes; in a
    // tile's inputs, those of that tile; empty in a manifest read back.
    std::vector<AntennaPattern> patterns;
    std::vector<antenna::ArrayParams> arrays; // one per distinct adaptive array
    std::vector<TileAntenna> antennas;
    int antennasInReach = 0;    // those some tile takes
    int antennasOutOfReach = 0; // the inventory's others: they reach no tile
    double neglectedRatioMax = 0.0;
    std::vector<TileEntry> tiles;
    friend bool operator==(const Manifest&, const Manifest&) = default;
};

std::string ManifestText(const Manifest& m);
// The manifest in `text`, or the reason it is refused: not JSON, a field
// missing or of the wrong kind, a number out of its range, tiles that do not
// match the grid or whose envelopes and pixels would not fit in MaxTileBytes.
// Never throws.
struct ManifestRead {
    std::optional<Manifest> manifest;
    std::string hash; // of the text read
    std::string error;
};
ManifestRead ParseManifest(const std::string& text);
ManifestRead ReadManifest(const std::string& dir);
std::string ManifestPath(const std::string& dir);
std::string TilePath(const std::string& dir, int index);
std::string TileInputsPath(const std::string& dir, int index);

// Why a task of `m` would need more than MaxTileBytes for its largest
// tile's pixels and the most bytes of envelope tables any tile makes, the
// two counted together as `resume` counts them; names the tile with the
// most. Nothing when no tile makes any.
std::optional<std::string> EnvelopeMemoryRefusal(const Manifest& m);

// Tile `t`'s inputs: the options and grid of `m`, the tile's window, and the
// antennas of `m` it lists with the patterns and arrays they use, in the
// plan's order. Inputs without an array are written as before arrays were
// known, so their hash, and the tiles computed from them, stay valid; those
// with one carry a version a program without arrays refuses.
// Neither the inventory's line numbers nor anything outside the tile's
// reach enters it, so an edit elsewhere leaves its text, and hash, as it was.
std::string TileInputsText(const Manifest& m, const TileEntry& t);
// A tile's inputs read back: `inputs` has no tile list, its antennas and
// patterns are the tile's own, and `tile` lists them all (0, 1, ...). Checked
// as the manifest is, and the window against the grid. Never throws.
struct TileInputsRead {
    std::optional<Manifest> inputs;
    TileEntry tile;
    std::string hash; // of the text read: the tile's identity
    std::string error;
};
TileInputsRead ParseTileInputs(const std::string& text);
TileInputsRead ReadTileInputs(const std::string& dir, int index);

// A 64-bit FNV-1a of the bytes, as 16 hex digits: enough to tell a tile made
// from another plan, not a security measure.
std::string HashText(std::string_view bytes);

} // namespace brenvik::tiles
