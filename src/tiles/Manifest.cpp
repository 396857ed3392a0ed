#include "tiles/Manifest.h"

#include "model/AtomicFile.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

namespace brenvik::tiles {

using nlohmann::json;

namespace {

constexpr const char* kFormat = "brenvik-tiles manifest";
constexpr int kVersion = 1;

json CutJson(const PatternCut& c) {
    return {{"angle", c.Angle}, {"loss", c.Loss}};
}
PatternCut CutFrom(const json& j) {
    PatternCut c;
    j.at("angle").get_to(c.Angle);
    j.at("loss").get_to(c.Loss);
    if (c.Angle.size() != c.Loss.size()) throw std::runtime_error("a pattern cut's angles and losses differ in count");
    return c;
}

} // namespace

std::string ManifestText(const Manifest& m) {
    json j;
    j["format"] = kFormat;
    j["version"] = kVersion;
    j["crs"] = m.crs;
    j["crs_wkt"] = m.crsWkt;
    j["area"] = m.area;
    j["grid"] = {{"x0", m.grid.x0},        {"y1", m.grid.y1},         {"resolution", m.grid.resolution},
                 {"width", m.grid.width},  {"height", m.grid.height}, {"tile_size", m.grid.tileSize}};
    j["receptor_height_m"] = m.heightM;
    j["reflection"] = m.reflection;
    j["standard"] = m.standard;
    j["population"] = m.population == Population::Occupational ? "occupational" : "public";
    j["cutoff"] = m.cutoff;
    j["terrain"] = m.terrain;
    json pats = json::array();
    for (const AntennaPattern& p : m.patterns)
        pats.push_back({{"name", p.Name}, {"source", p.Source}, {"gain_dbi", p.GainDbi},
                        {"frequency_mhz", p.FrequencyMHz}, {"tilt_deg", p.TiltDeg},
                        {"horizontal", CutJson(p.Horizontal)}, {"vertical", CutJson(p.Vertical)}});
    j["patterns"] = pats;
    json ants = json::array();
    for (const TileAntenna& a : m.antennas)
        ants.push_back({{"site", a.site}, {"line", a.line}, {"x", a.x}, {"y", a.y}, {"ground", a.ground},
                        {"z", a.z}, {"erp_w", a.erpW}, {"azimuth_deg", a.azimuthDeg},
                        {"tilt_deg", a.tiltDeg}, {"type", a.stick ? "stick" : "panel"},
                        {"frequency_mhz", a.frequencyMHz}, {"pattern", a.pattern},
                        {"h_beamwidth_deg", a.hBeamwidthDeg}, {"v_beamwidth_deg", a.vBeamwidthDeg},
                        {"electrical_tilt_deg", a.electricalTiltDeg},
                        {"inverse_limit", a.inverseLimit},
                        {"reach_m", std::isinf(a.reachM) ? json(nullptr) : json(a.reachM)}});
    j["antennas"] = ants;
    j["antennas_out_of_reach"] = m.antennasOutOfReach;
    j["neglected_ratio_max"] = m.neglectedRatioMax;
    json tiles = json::array();
    for (const TileEntry& t : m.tiles)
        tiles.push_back({{"index", t.index},
                         {"window", {t.window.col, t.window.row, t.window.width, t.window.height}},
                         {"bounds", {t.bounds.xmin, t.bounds.ymin, t.bounds.xmax, t.bounds.ymax}},
                         {"antennas", t.antennas},
                         {"neglected_ratio", t.neglectedRatio}});
    j["tiles"] = tiles;
    return j.dump(1) + "\n";
}

ManifestRead ParseManifest(const std::string& text) {
    ManifestRead r;
    r.hash = HashText(text);
    try {
        const json j = json::parse(text);
        if (j.at("format") != kFormat) throw std::runtime_error("not a tile manifest");
        if (j.at("version") != kVersion) throw std::runtime_error("an unknown manifest version");
        Manifest m;
        j.at("crs").get_to(m.crs);
        j.at("crs_wkt").get_to(m.crsWkt);
        j.at("area").get_to(m.area);
        const json& g = j.at("grid");
        g.at("x0").get_to(m.grid.x0);
        g.at("y1").get_to(m.grid.y1);
        g.at("resolution").get_to(m.grid.resolution);
        g.at("width").get_to(m.grid.width);
        g.at("height").get_to(m.grid.height);
        g.at("tile_size").get_to(m.grid.tileSize);
        if (!(m.grid.resolution > 0) || m.grid.width <= 0 || m.grid.height <= 0 || m.grid.tileSize <= 0)
            throw std::runtime_error("the grid is empty");
        j.at("receptor_height_m").get_to(m.heightM);
        j.at("reflection").get_to(m.reflection);
        j.at("standard").get_to(m.standard);
        m.population = j.at("population") == "occupational" ? Population::Occupational : Population::Public;
        j.at("cutoff").get_to(m.cutoff);
        j.at("terrain").get_to(m.terrain);
        for (const json& p : j.at("patterns")) {
            AntennaPattern a;
            p.at("name").get_to(a.Name);
            p.at("source").get_to(a.Source);
            p.at("gain_dbi").get_to(a.GainDbi);
            p.at("frequency_mhz").get_to(a.FrequencyMHz);
            p.at("tilt_deg").get_to(a.TiltDeg);
            a.Horizontal = CutFrom(p.at("horizontal"));
            a.Vertical = CutFrom(p.at("vertical"));
            m.patterns.push_back(std::move(a));
        }
        for (const json& a : j.at("antennas")) {
            TileAntenna t;
            a.at("site").get_to(t.site);
            a.at("line").get_to(t.line);
            a.at("x").get_to(t.x);
            a.at("y").get_to(t.y);
            a.at("ground").get_to(t.ground);
            a.at("z").get_to(t.z);
            a.at("erp_w").get_to(t.erpW);
            a.at("azimuth_deg").get_to(t.azimuthDeg);
            a.at("tilt_deg").get_to(t.tiltDeg);
            t.stick = a.at("type") == "stick";
            a.at("frequency_mhz").get_to(t.frequencyMHz);
            a.at("pattern").get_to(t.pattern);
            a.at("h_beamwidth_deg").get_to(t.hBeamwidthDeg);
            a.at("v_beamwidth_deg").get_to(t.vBeamwidthDeg);
            a.at("electrical_tilt_deg").get_to(t.electricalTiltDeg);
            a.at("inverse_limit").get_to(t.inverseLimit);
            t.reachM = a.at("reach_m").is_null() ? std::numeric_limits<double>::infinity()
                                                 : a.at("reach_m").get<double>();
            if (t.pattern < -1 || t.pattern >= static_cast<int>(m.patterns.size()))
                throw std::runtime_error("an antenna names a pattern that is not there");
            m.antennas.push_back(std::move(t));
        }
        j.at("antennas_out_of_reach").get_to(m.antennasOutOfReach);
        j.at("neglected_ratio_max").get_to(m.neglectedRatioMax);
        for (const json& t : j.at("tiles")) {
            TileEntry e;
            t.at("index").get_to(e.index);
            const auto w = t.at("window").get<std::array<int, 4>>();
            e.window = {w[0], w[1], w[2], w[3]};
            const auto b = t.at("bounds").get<std::array<double, 4>>();
            e.bounds = {b[0], b[1], b[2], b[3]};
            t.at("antennas").get_to(e.antennas);
            t.at("neglected_ratio").get_to(e.neglectedRatio);
            if (e.index != static_cast<int>(m.tiles.size()) || !(e.window == m.grid.window(e.index)))
                throw std::runtime_error("tile " + std::to_string(e.index) + " does not match the grid");
            for (int k : e.antennas)
                if (k < 0 || k >= static_cast<int>(m.antennas.size()))
                    throw std::runtime_error("tile " + std::to_string(e.index) + " names an antenna that is not there");
            m.tiles.push_back(std::move(e));
        }
        if (static_cast<int>(m.tiles.size()) != m.grid.tileCount())
            throw std::runtime_error("the tile list does not cover the grid");
        r.manifest = std::move(m);
    } catch (const std::exception& e) {
        r.error = std::string("the manifest does not read: ") + e.what();
    }
    return r;
}

std::string ManifestPath(const std::string& dir) {
    return dir + "/manifest.json";
}

std::string TilePath(const std::string& dir, int index) {
    return dir + "/tiles/" + std::to_string(index) + ".tif";
}

ManifestRead ReadManifest(const std::string& dir) {
    const auto text = ReadWholeFile(ManifestPath(dir));
    if (!text) return {std::nullopt, "", "cannot read " + ManifestPath(dir)};
    ManifestRead r = ParseManifest(*text);
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
