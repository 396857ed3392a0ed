#include "tiles/Manifest.h"

#include "model/InputFile.h"
#include "model/Numbers.h"
#include "tiles/Projection.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

namespace brenvik::tiles {

using nlohmann::json;

namespace {

constexpr const char* kFormat = "brenvik-tiles manifest";
constexpr int kVersion = 2;
constexpr const char* kInputsFormat = "brenvik-tiles tile inputs";
constexpr int kInputsVersion = 1;
// Inputs with an adaptive array: a program that knows none must refuse them
// rather than radiate the antenna as a parametric beam.
constexpr int kArraysInputsVersion = 2;

json CutJson(const PatternCut& c) {
    return {{"angle", c.Angle}, {"loss", c.Loss}};
}

// The manifest is a file on a shared disk that anyone may edit or damage, and
// every tile of a run reads it: each value is checked for its kind and its
// range before it is converted or used, so that a bad value is a message
// naming the field, never an overflow, a division by zero or a tile of
// infinities.
[[noreturn]] void Refuse(const std::string& why) {
    throw std::runtime_error(why);
}

std::string Shown(const json& v) {
    return QuoteCut(v.dump(), 40);
}

const json& Field(const json& j, const char* key, const std::string& where) {
    if (!j.is_object()) Refuse(where + " is not an object");
    const auto it = j.find(key);
    if (it == j.end()) Refuse(where + " has no " + key);
    return *it;
}

std::string Text(const json& j, const char* key, const std::string& where) {
    const json& v = Field(j, key, where);
    if (!v.is_string()) Refuse(where + ": " + key + " " + Shown(v) + " is not a text");
    return v.get<std::string>();
}

std::string Range(double lo, double hi) {
    return FormatNumberC(lo) + " to " + FormatNumberC(hi);
}

double NumberIn(const json& v, double lo, double hi, const std::string& what) {
    if (!v.is_number()) Refuse(what + " " + Shown(v) + " is not a number");
    const double d = v.get<double>();
    if (!std::isfinite(d) || d < lo || d > hi)
        Refuse(what + " " + Shown(v) + " is not within " + Range(lo, hi));
    return d;
}

double Number(const json& j, const char* key, double lo, double hi, const std::string& where) {
    return NumberIn(Field(j, key, where), lo, hi, where + ": " + key);
}

std::int64_t WholeIn(const json& v, std::int64_t lo, std::int64_t hi, const std::string& what) {
    const auto refuse = [&] {
        Refuse(what + " " + Shown(v) + " is not a whole number from " + std::to_string(lo) +
               " to " + std::to_string(hi));
    };
    if (!v.is_number_integer()) refuse();
    // A number the text gives without a sign reads as unsigned: both bounds
    // are asked of it too, and a negative `hi` (nothing allowed) is not
    // turned into a huge one.
    if (v.is_number_unsigned()) {
        const std::uint64_t u = v.get<std::uint64_t>();
        if (hi < 0 || u > static_cast<std::uint64_t>(hi) || static_cast<std::int64_t>(u) < lo)
            refuse();
        return static_cast<std::int64_t>(u);
    }
    const std::int64_t k = v.get<std::int64_t>();
    if (k < lo || k > hi) refuse();
    return k;
}

int Whole(const json& j, const char* key, std::int64_t lo, std::int64_t hi,
          const std::string& where) {
    return static_cast<int>(WholeIn(Field(j, key, where), lo, hi, where + ": " + key));
}

const json& ArrayField(const json& j, const char* key, const std::string& where) {
    const json& v = Field(j, key, where);
    if (!v.is_array()) Refuse(where + ": " + key + " is not a list");
    return v;
}

PatternCut CutFrom(const json& j, const std::string& where) {
    PatternCut c;
    const json& angles = ArrayField(j, "angle", where);
    const json& losses = ArrayField(j, "loss", where);
    if (angles.size() != losses.size()) Refuse(where + ": its angles and losses differ in count");
    for (std::size_t k = 0; k < angles.size(); ++k) {
        const std::string at = where + ": point " + std::to_string(k);
        c.Angle.push_back(NumberIn(angles[k], 0.0, std::nextafter(360.0, 0.0), at + " angle"));
        c.Loss.push_back(NumberIn(losses[k], 0.0, MaxLossDb, at + " loss"));
        if (k > 0 && !(c.Angle[k] > c.Angle[k - 1])) Refuse(at + ": the angles do not ascend");
    }
    return c;
}

constexpr double kCoordMax = 1e8;  // metres of a projected CRS, far beyond the Earth's
constexpr double kHeightMax = 1e5; // metres of ground or antenna height

} // namespace

namespace {

// The options and grid every tile shares, the same in the manifest and in
// each tile's inputs.
void PutSettings(json& j, const Manifest& m) {
    j["crs"] = m.crs;
    j["crs_wkt"] = m.crsWkt;
    j["area"] = m.area;
    j["grid"] = {
        {"x0", m.grid.x0},       {"y1", m.grid.y1},         {"resolution", m.grid.resolution},
        {"width", m.grid.width}, {"height", m.grid.height}, {"tile_size", m.grid.tileSize}};
    j["receptor_height_m"] = m.heightM;
    j["reflection"] = m.reflection;
    j["standard"] = m.standard;
    j["population"] = m.population == Population::Occupational ? "occupational" : "public";
    j["cutoff"] = m.cutoff;
    j["terrain"] = m.terrain;
}

void GetSettings(const json& j, Manifest& m) {
    const std::string top = "the manifest";
    m.crs = Text(j, "crs", top);
    m.crsWkt = Text(j, "crs_wkt", top);
    const json& area = ArrayField(j, "area", top);
    if (area.size() != 4) Refuse("area is not four numbers W,S,E,N");
    for (std::size_t k = 0; k < 4; ++k)
        m.area[k] = NumberIn(area[k], -180.0, 180.0, "area");
    if (auto refused = AreaRefusal(m.area)) Refuse(*refused);

    const json& g = Field(j, "grid", top);
    m.grid.x0 = Number(g, "x0", -kCoordMax, kCoordMax, "grid");
    m.grid.y1 = Number(g, "y1", -kCoordMax, kCoordMax, "grid");
    m.grid.resolution = Number(g, "resolution", 0.0, 1e6, "grid");
    if (!(m.grid.resolution > 0.0)) Refuse("grid: resolution 0 is not a positive number of metres");
    m.grid.width = Whole(g, "width", 1, INT_MAX, "grid");
    m.grid.height = Whole(g, "height", 1, INT_MAX, "grid");
    m.grid.tileSize = Whole(g, "tile_size", MinTileSize, MaxTileSize, "grid");
    if (m.grid.tileCount() > MaxTiles)
        Refuse("grid: " + std::to_string(m.grid.tileCount()) + " tiles, more than " +
               std::to_string(MaxTiles));

    m.heightM = Number(j, "receptor_height_m", 0.0, MaxReceptorHeightM, top);
    m.reflection = Number(j, "reflection", 1.0, 2.56, top);
    if (m.reflection != 1.0 && m.reflection != 2.56) Refuse("reflection is neither 1 nor 2.56");
    m.standard = Text(j, "standard", top);
    const std::string population = Text(j, "population", top);
    if (population != "public" && population != "occupational")
        Refuse("population " + QuoteCut(population, 40) + " is neither public nor occupational");
    m.population = population == "occupational" ? Population::Occupational : Population::Public;
    m.cutoff = Number(j, "cutoff", 0.0, 1.0, top);
    if (m.cutoff >= 1.0) Refuse("cutoff 1 is not a fraction below 1");
    m.terrain = Text(j, "terrain", top);
    if (auto refused = TileMemoryRefusal(m.grid, m.standard.empty() ? 1 : 2, !m.terrain.empty()))
        Refuse("grid: " + *refused);
}

json PatternJson(const AntennaPattern& p) {
    return {{"name", p.Name},
            {"source", p.Source},
            {"gain_dbi", p.GainDbi},
            {"frequency_mhz", p.FrequencyMHz},
            {"tilt_deg", p.TiltDeg},
            {"horizontal", CutJson(p.Horizontal)},
            {"vertical", CutJson(p.Vertical)}};
}

AntennaPattern PatternFrom(const json& p, const std::string& where) {
    AntennaPattern a;
    a.Name = Text(p, "name", where);
    a.Source = Text(p, "source", where);
    a.GainDbi = Number(p, "gain_dbi", -MaxGainDbi, MaxGainDbi, where);
    a.FrequencyMHz = Number(p, "frequency_mhz", 0.0, 300000.0, where);
    a.TiltDeg = Number(p, "tilt_deg", -90.0, 90.0, where);
    a.Horizontal = CutFrom(Field(p, "horizontal", where), where + " horizontal");
    a.Vertical = CutFrom(Field(p, "vertical", where), where + " vertical");
    return a;
}

// The keys are the inventory's columns; the array as ArrayOf resolved it
// (whole counts, each range in order).
json ArrayJson(const antenna::ArrayParams& a) {
    return {{"array_rows", a.rows},
            {"array_columns", a.columns},
            {"element_gain_dbi", a.elementGainDbi},
            {"element_h_width_deg", a.hWidthDeg},
            {"element_v_width_deg", a.vWidthDeg},
            {"element_am_db", a.frontBackDb},
            {"element_sla_db", a.sideLobeDb},
            {"array_h_spacing", a.hSpacing},
            {"array_v_spacing", a.vSpacing},
            {"steer_az_min_deg", a.azMinDeg},
            {"steer_az_max_deg", a.azMaxDeg},
            {"steer_tilt_min_deg", a.tiltMinDeg},
            {"steer_tilt_max_deg", a.tiltMaxDeg}};
}

// A number that must be above 0: a width or a spacing of 0 has no envelope.
double Positive(const json& j, const char* key, double hi, const std::string& where) {
    const double v = Number(j, key, 0.0, hi, where);
    if (!(v > 0.0)) Refuse(where + ": " + key + " 0 is not above 0");
    return v;
}

antenna::ArrayParams ArrayFrom(const json& j, const std::string& where) {
    antenna::ArrayParams a;
    a.rows = Whole(j, "array_rows", 1, 64, where);
    a.columns = Whole(j, "array_columns", 1, 64, where);
    a.elementGainDbi = Number(j, "element_gain_dbi", -20.0, 30.0, where);
    a.hWidthDeg = Positive(j, "element_h_width_deg", 360.0, where);
    a.vWidthDeg = Positive(j, "element_v_width_deg", 180.0, where);
    a.frontBackDb = Number(j, "element_am_db", 0.0, 100.0, where);
    a.sideLobeDb = Number(j, "element_sla_db", 0.0, 100.0, where);
    a.hSpacing = Positive(j, "array_h_spacing", 10.0, where);
    a.vSpacing = Positive(j, "array_v_spacing", 10.0, where);
    a.azMinDeg = Number(j, "steer_az_min_deg", -90.0, 90.0, where);
    a.azMaxDeg = Number(j, "steer_az_max_deg", a.azMinDeg, 90.0, where);
    a.tiltMinDeg = Number(j, "steer_tilt_min_deg", -90.0, 90.0, where);
    a.tiltMaxDeg = Number(j, "steer_tilt_max_deg", a.tiltMinDeg, 90.0, where);
    return a;
}

// `pattern` and `array` are indices among the patterns and arrays written
// beside it; an antenna without an array is written as before arrays were
// known.
json AntennaJson(const TileAntenna& a, int pattern, int array) {
    json j = {{"site", a.site},
              {"x", a.x},
              {"y", a.y},
              {"ground", a.ground},
              {"z", a.z},
              {"erp_w", a.erpW},
              {"azimuth_deg", a.azimuthDeg},
              {"tilt_deg", a.tiltDeg},
              {"type", a.stick ? "stick" : "panel"},
              {"frequency_mhz", a.frequencyMHz},
              {"pattern", pattern},
              {"h_beamwidth_deg", a.hBeamwidthDeg},
              {"v_beamwidth_deg", a.vBeamwidthDeg},
              {"electrical_tilt_deg", a.electricalTiltDeg},
              {"inverse_limit", a.inverseLimit},
              {"reach_m", std::isinf(a.reachM) ? json(nullptr) : json(a.reachM)}};
    if (array >= 0) j["array"] = array;
    return j;
}

TileAntenna AntennaFrom(const json& a, std::size_t patterns, std::size_t arrays,
                        const std::string& where) {
    TileAntenna t;
    t.site = Text(a, "site", where);
    t.x = Number(a, "x", -kCoordMax, kCoordMax, where);
    t.y = Number(a, "y", -kCoordMax, kCoordMax, where);
    t.ground = Number(a, "ground", -kHeightMax, kHeightMax, where);
    t.z = Number(a, "z", -kHeightMax, kHeightMax, where);
    t.erpW = Number(a, "erp_w", 0.0, MaxErpW, where);
    t.azimuthDeg = Number(a, "azimuth_deg", 0.0, 360.0, where);
    t.tiltDeg = Number(a, "tilt_deg", -90.0, 90.0, where);
    const std::string type = Text(a, "type", where);
    if (type != "stick" && type != "panel")
        Refuse(where + ": type " + QuoteCut(type, 40) + " is neither panel nor stick");
    t.stick = type == "stick";
    t.frequencyMHz = Number(a, "frequency_mhz", 0.1, 300000.0, where);
    t.pattern = Whole(a, "pattern", -1, static_cast<std::int64_t>(patterns) - 1, where);
    if (a.contains("array")) {
        t.array = Whole(a, "array", 0, static_cast<std::int64_t>(arrays) - 1, where);
        if (t.stick || t.pattern >= 0)
            Refuse(where + ": only a panel without a pattern radiates with an array");
    }
    t.hBeamwidthDeg = Number(a, "h_beamwidth_deg", 0.0, 360.0, where);
    t.vBeamwidthDeg = Number(a, "v_beamwidth_deg", 0.0, 360.0, where);
    if (!(t.hBeamwidthDeg > 0.0 && t.vBeamwidthDeg > 0.0)) Refuse(where + ": a beamwidth is 0");
    t.electricalTiltDeg = Number(a, "electrical_tilt_deg", -90.0, 90.0, where);
    t.inverseLimit = Number(a, "inverse_limit", 0.0, 1e6, where);
    const json& reach = Field(a, "reach_m", where);
    t.reachM = reach.is_null()
                   ? std::numeric_limits<double>::infinity()
                   : NumberIn(reach, 0.0, std::numeric_limits<double>::max(), where + ": reach_m");
    return t;
}

// A tile's index, window and bounds, which must be the grid's own.
TileEntry TilePlace(const json& t, const PixelGrid& grid, std::int64_t expected,
                    const std::string& where) {
    TileEntry e;
    e.index = Whole(t, "index", 0, MaxTiles, where);
    const json& w = ArrayField(t, "window", where);
    const json& b = ArrayField(t, "bounds", where);
    if (w.size() != 4 || b.size() != 4) Refuse(where + " does not match the grid");
    std::array<int, 4> wv{};
    for (std::size_t k = 0; k < 4; ++k)
        wv[k] = static_cast<int>(WholeIn(w[k], 0, INT_MAX, where + ": window"));
    e.window = {wv[0], wv[1], wv[2], wv[3]};
    std::array<double, 4> bv{};
    for (std::size_t k = 0; k < 4; ++k)
        bv[k] = NumberIn(b[k], -std::numeric_limits<double>::max(),
                         std::numeric_limits<double>::max(), where + ": bounds");
    e.bounds = {bv[0], bv[1], bv[2], bv[3]};
    if ((expected >= 0 && e.index != expected) || e.index >= grid.tileCount() ||
        !(e.window == grid.window(e.index)) || !(e.bounds == grid.bounds(e.window)))
        Refuse(where + " does not match the grid");
    return e;
}

json PlaceJson(const TileEntry& t) {
    return {{"index", t.index},
            {"window", {t.window.col, t.window.row, t.window.width, t.window.height}},
            {"bounds", {t.bounds.xmin, t.bounds.ymin, t.bounds.xmax, t.bounds.ymax}}};
}

bool IsHash(const std::string& h) {
    return h.size() == 16 && h.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The library's own tag, "[json.exception...] ", cut from its message.
json ParseJson(const std::string& text) {
    try {
        return json::parse(text);
    } catch (const json::exception& e) {
        std::string why = e.what();
        if (const auto cut = why.find("] "); cut != std::string::npos) why.erase(0, cut + 2);
        Refuse("not JSON: " + QuoteCut(why, 160));
    }
}

} // namespace

std::string ManifestText(const Manifest& m) {
    json j;
    j["format"] = kFormat;
    j["version"] = kVersion;
    PutSettings(j, m);
    j["antennas_in_reach"] = m.antennasInReach;
    j["antennas_out_of_reach"] = m.antennasOutOfReach;
    j["neglected_ratio_max"] = m.neglectedRatioMax;
    json tiles = json::array();
    for (const TileEntry& t : m.tiles) {
        json e = PlaceJson(t);
        e["antennas"] = t.antennaCount;
        e["inputs"] = t.inputsHash;
        e["neglected_ratio"] = t.neglectedRatio;
        if (t.envelopeBytes > 0) e["envelope_bytes"] = t.envelopeBytes;
        tiles.push_back(std::move(e));
    }
    j["tiles"] = tiles;
    return j.dump(1) + "\n";
}

std::optional<std::string> EnvelopeMemoryRefusal(const Manifest& m) {
    const TileEntry* most = nullptr;
    for (const TileEntry& t : m.tiles)
        if (t.envelopeBytes > 0 && (!most || t.envelopeBytes > most->envelopeBytes)) most = &t;
    if (!most) return std::nullopt;
    auto refused = TileMemoryRefusal(m.grid, m.standard.empty() ? 1 : 2, !m.terrain.empty(),
                                     most->envelopeBytes);
    if (!refused) return std::nullopt;
    return "tile " + std::to_string(most->index) + ": " + *refused;
}

ManifestRead ParseManifest(const std::string& text) {
    ManifestRead r;
    r.hash = HashText(text);
    try {
        const json j = ParseJson(text);
        if (!j.is_object() || !j.contains("format") || j["format"] != kFormat)
            Refuse("not a tile manifest");
        if (!j.contains("version") || j["version"] != kVersion)
            Refuse("an unknown manifest version");
        const std::string top = "the manifest";
        Manifest m;
        GetSettings(j, m);
        m.antennasInReach = Whole(j, "antennas_in_reach", 0, INT_MAX, top);
        m.antennasOutOfReach = Whole(j, "antennas_out_of_reach", 0, INT_MAX, top);
        m.neglectedRatioMax =
            Number(j, "neglected_ratio_max", 0.0, std::numeric_limits<double>::max(), top);
        const json& tiles = ArrayField(j, "tiles", top);
        if (static_cast<std::int64_t>(tiles.size()) != m.grid.tileCount())
            Refuse("the tile list does not cover the grid");
        m.tiles.reserve(tiles.size());
        for (const json& t : tiles) {
            const std::string where = "tile " + std::to_string(m.tiles.size());
            TileEntry e = TilePlace(t, m.grid, static_cast<std::int64_t>(m.tiles.size()), where);
            e.antennaCount = Whole(t, "antennas", 0, m.antennasInReach, where);
            e.inputsHash = Text(t, "inputs", where);
            if (!IsHash(e.inputsHash))
                Refuse(where + ": inputs " + Shown(t["inputs"]) + " is not a hash");
            e.neglectedRatio =
                Number(t, "neglected_ratio", 0.0, std::numeric_limits<double>::max(), where);
            if (t.contains("envelope_bytes"))
                e.envelopeBytes = static_cast<std::uint64_t>(
                    WholeIn(t["envelope_bytes"], 0, static_cast<std::int64_t>(MaxTileBytes),
                            where + ": envelope_bytes"));
            m.tiles.push_back(std::move(e));
        }
        if (auto refused = EnvelopeMemoryRefusal(m)) Refuse(*refused);
        r.manifest = std::move(m);
    } catch (const std::exception& e) {
        r.error = std::string("the manifest does not read: ") + e.what();
    }
    return r;
}

std::string TileInputsText(const Manifest& m, const TileEntry& t) {
    json j;
    j["format"] = kInputsFormat;
    j["version"] = kInputsVersion;
    PutSettings(j, m);
    j["tile"] = PlaceJson(t);
    j["terrain_window"] = t.terrainHash;
    // Only the patterns and arrays the tile's antennas use, renumbered in
    // order of use.
    std::vector<int> renumber(m.patterns.size(), -1), renumberArray(m.arrays.size(), -1);
    json pats = json::array(), arrays = json::array(), ants = json::array();
    const auto use = [](std::vector<int>& to, int from, json& list, auto&& item) {
        if (from < 0) return -1;
        int& at = to.at(static_cast<std::size_t>(from));
        if (at < 0) {
            at = static_cast<int>(list.size());
            list.push_back(item(static_cast<std::size_t>(from)));
        }
        return at;
    };
    for (int k : t.antennas) {
        const TileAntenna& a = m.antennas.at(static_cast<std::size_t>(k));
        const int pattern = use(renumber, a.pattern, pats,
                                [&](std::size_t p) { return PatternJson(m.patterns[p]); });
        const int array = use(renumberArray, a.array, arrays,
                              [&](std::size_t p) { return ArrayJson(m.arrays[p]); });
        ants.push_back(AntennaJson(a, pattern, array));
    }
    j["patterns"] = std::move(pats);
    if (!arrays.empty()) {
        j["version"] = kArraysInputsVersion;
        j["arrays"] = std::move(arrays);
    }
    j["antennas"] = std::move(ants);
    return j.dump(1) + "\n";
}

TileInputsRead ParseTileInputs(const std::string& text) {
    TileInputsRead r;
    r.hash = HashText(text);
    try {
        const json j = ParseJson(text);
        if (!j.is_object() || !j.contains("format") || j["format"] != kInputsFormat)
            Refuse("not a tile's inputs");
        if (!j.contains("version") ||
            (j["version"] != kInputsVersion && j["version"] != kArraysInputsVersion))
            Refuse("an unknown version of tile inputs");
        Manifest m;
        GetSettings(j, m);
        TileEntry t = TilePlace(Field(j, "tile", "the inputs"), m.grid, -1, "the tile");
        t.terrainHash = Text(j, "terrain_window", "the inputs");
        if (m.terrain.empty() ? !t.terrainHash.empty() : !IsHash(t.terrainHash))
            Refuse("terrain_window " + Shown(j["terrain_window"]) +
                   " is not the hash of a terrain");
        for (const json& p : ArrayField(j, "patterns", "the inputs"))
            m.patterns.push_back(PatternFrom(p, "pattern " + std::to_string(m.patterns.size())));
        if (j["version"] == kArraysInputsVersion)
            for (const json& a : ArrayField(j, "arrays", "the inputs"))
                m.arrays.push_back(ArrayFrom(a, "array " + std::to_string(m.arrays.size())));
        for (const json& a : ArrayField(j, "antennas", "the inputs")) {
            const int k = static_cast<int>(m.antennas.size());
            m.antennas.push_back(
                AntennaFrom(a, m.patterns.size(), m.arrays.size(), "antenna " + std::to_string(k)));
            t.antennas.push_back(k);
        }
        t.antennaCount = static_cast<int>(t.antennas.size());
        t.inputsHash = r.hash;
        m.antennasInReach = t.antennaCount;
        r.inputs = std::move(m);
        r.tile = std::move(t);
    } catch (const std::exception& e) {
        r.error = std::string("the tile's inputs do not read: ") + e.what();
    }
    return r;
}

std::string ManifestPath(const std::string& dir) {
    return dir + "/manifest.json";
}

std::string TilePath(const std::string& dir, int index) {
    return dir + "/tiles/" + std::to_string(index) + ".tif";
}

std::string TileInputsPath(const std::string& dir, int index) {
    return dir + "/inputs/" + std::to_string(index) + ".json";
}

TileInputsRead ReadTileInputs(const std::string& dir, int index) {
    TileInputsRead r;
    std::string text;
    const std::string path = TileInputsPath(dir, index);
    if (auto refused = ReadInputFile(path, MaxTileInputsBytes, text)) {
        r.error = "tile " + std::to_string(index) + ": its inputs cannot be read: " + *refused;
        return r;
    }
    r = ParseTileInputs(text);
    if (r.inputs && r.tile.index != index) {
        r.inputs.reset();
        r.error = "the inputs are those of tile " + std::to_string(r.tile.index);
    }
    if (!r.error.empty()) r.error = path + ": " + r.error;
    return r;
}

ManifestRead ReadManifest(const std::string& dir) {
    std::string text;
    if (auto refused = ReadInputFile(ManifestPath(dir), MaxManifestBytes, text))
        return {std::nullopt, "", "the manifest cannot be read: " + *refused};
    ManifestRead r = ParseManifest(text);
    if (!r.error.empty()) r.error = ManifestPath(dir) + ": " + r.error;
    return r;
}

std::string HashText(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

} // namespace brenvik::tiles
