#include "gis/GisLayers.h"
#include "gis/Writers.h"
#include "render/Scene.h"

#include <cmath>
#include <cpl_conv.h>
#include <cstdio>
#include <filesystem>
#include <map>

namespace brenvik::gis {

namespace {

inline constexpr const char* kImageName = "files/gradient.png";

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// KML colours run alpha, blue, green, red.
std::string kmlColour(Colour c, unsigned alpha) {
    char buf[10];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x%02x", alpha, c.b, c.g, c.r);
    return buf;
}

std::string coordinates(geo::Geographic g) {
    return numberText(g.lon) + "," + numberText(g.lat);
}

void placemark(std::string& kml, const std::string& name, const std::string& description,
               const std::string& style, const std::string& geometry) {
    kml += "<Placemark><name>" + escaped(name) + "</name>";
    if (!description.empty()) kml += "<description>" + escaped(description) + "</description>";
    if (!style.empty()) kml += "<styleUrl>#" + style + "</styleUrl>";
    kml += geometry + "</Placemark>\n";
}

std::string point(geo::Geographic g) {
    return "<Point><coordinates>" + coordinates(g) + "</coordinates></Point>";
}

std::string towerDescription(const Project& p, int tower) {
    std::string html = "<table><tr><th>Antenna</th><th>Type</th><th>ERP (W)</th>"
                       "<th>Direction</th><th>Tilt</th><th>Height (m)</th></tr>";
    const int count = std::min<int>(p.AntennaCount, static_cast<int>(p.Antennas.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        if (a.AntTower != tower) continue;
        html += "<tr><td>" + std::to_string(k) + "</td><td>" + antennaTypeName(a) + "</td><td>" +
                numberText(a.AntPower) + "</td><td>" + numberText(a.AntDirection) + "</td><td>" +
                numberText(a.AntTilt) + "</td><td>" + numberText(a.AntHeight) + "</td></tr>";
    }
    return html + "</table>";
}

std::string docKml(const Project& p, const NodeRaster& r, const std::vector<ZoneFeature>& zones) {
    std::string name = std::filesystem::path(p.FileName).stem().string();
    if (name.empty()) name = "Power density";
    std::string kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document><name>" +
                      escaped(name) + "</name>\n";
    for (std::size_t k = 0; k < zones.size(); ++k)
        kml += "<Style id=\"zone" + std::to_string(k) + "\"><LineStyle><color>" +
               kmlColour(zones[k].colour, 255) +
               "</color><width>2</width></LineStyle><PolyStyle><color>" +
               kmlColour(zones[k].colour, 90) + "</color></PolyStyle></Style>\n";

    // The image's edges are the outer edges of the node pixels.
    const double west = r.affine[0], north = r.affine[3];
    const double east = west + r.affine[1] * r.cols, south = north + r.affine[5] * r.rows;
    kml += "<GroundOverlay><name>Colour gradient</name><color>b4ffffff</color><Icon><href>";
    kml += kImageName;
    kml += "</href></Icon><LatLonBox><north>" + numberText(north) + "</north><south>" +
           numberText(south) + "</south><east>" + numberText(east) + "</east><west>" +
           numberText(west) + "</west></LatLonBox></GroundOverlay>\n";

    kml += "<Folder><name>Zones</name>\n";
    for (std::size_t k = 0; k < zones.size(); ++k) {
        const ZoneFeature& z = zones[k];
        char* geometry = z.shape->exportToKML();
        const std::string description = "At or above " + render::formatDensity(z.min, 3) +
                                        ", up to " + render::formatDensity(z.max, 6) + "; " +
                                        numberText(std::round(z.areaM2)) + " m2";
        placemark(kml, z.label, description, "zone" + std::to_string(k), geometry ? geometry : "");
        CPLFree(geometry);
    }
    kml += "</Folder>\n<Folder><name>Towers</name>\n";
    std::map<int, geo::Geographic> towers; // the first antenna of each tower places it
    const int count = std::min<int>(p.AntennaCount, static_cast<int>(p.Antennas.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        towers.emplace(a.AntTower, antennaLonLat(p, a));
    }
    for (const auto& [tower, at] : towers)
        placemark(kml, "Tower " + std::to_string(tower), towerDescription(p, tower), "", point(at));
    kml += "</Folder>\n";
    placemark(kml, "Maximum " + render::formatDensity(p.MaxDensity, 6), "", "",
              point(maximumLonLat(p)));
    kml += "</Document>\n</kml>\n";
    return kml;
}

bool addToZip(void* zip, const char* name, const std::string& bytes) {
    if (CPLCreateFileInZip(zip, name, nullptr) != CE_None) return false;
    const bool ok = CPLWriteFileInZip(zip, bytes.data(), static_cast<int>(bytes.size())) == CE_None;
    return CPLCloseFileInZip(zip) == CE_None && ok;
}

} // namespace

std::optional<std::string> kmzBytes(const Project& p, const NodeRaster& r) {
    GDALDatasetUniquePtr grid = memoryDataset(r, GDT_Float64);
    if (!grid) return std::nullopt;
    const auto zones = makeZones(p, r, *grid);
    const auto image = gradientPngBytes(p, r);
    if (!image) return std::nullopt;
    const std::string kml = docKml(p, r, zones);

    MemFile file("result.kmz");
    void* zip = CPLCreateZip(file.path().c_str(), nullptr);
    if (!zip) return std::nullopt;
    // Google Earth reads the first .kml entry of the archive.
    const bool ok = addToZip(zip, "doc.kml", kml) && addToZip(zip, kImageName, *image);
    if (CPLCloseZip(zip) != CE_None || !ok) return std::nullopt;
    return file.bytes();
}

} // namespace brenvik::gis
