#include "compliance/Buildings.h"
#include "compliance/Units.h"
#include "gis/BuildingLayer.h"
#include "gis/GisLayers.h"
#include "gis/Writers.h"
#include "model/AntennaFields.h"
#include "model/Messages.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <array>
#include <cmath>
#include <cpl_conv.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <zip.h>

namespace brenvik::gis {

namespace {

inline constexpr const char* kImageName = "files/gradient.png";
std::string LegendKml(const Project& p);
std::string SiteKml(const Project& p, const SiteValues& v);
std::string SiteStyles(const SiteValues& v);
std::string BoundariesKml(const Project& p,
                          const std::vector<compliance::BoundaryOutline>& outlines);

// KML colours run alpha, blue, green, red.
std::string KmlColour(Colour c, unsigned alpha) {
    char buf[10];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x%02x", alpha, c.b, c.g, c.r);
    return buf;
}

std::string Coordinates(geo::Geographic g) {
    return NumberText(g.lon) + "," + NumberText(g.lat);
}

void placemark(std::string& kml, const std::string& name, const std::string& description,
               const std::string& style, const std::string& geometry) {
    kml += "<Placemark><name>" + XmlEscaped(name) + "</name>";
    if (!description.empty()) kml += "<description>" + XmlEscaped(description) + "</description>";
    if (!style.empty()) kml += "<styleUrl>#" + style + "</styleUrl>";
    kml += geometry + "</Placemark>\n";
}

std::string point(geo::Geographic g) {
    return "<Point><coordinates>" + Coordinates(g) + "</coordinates></Point>";
}

std::string TowerDescription(const Project& p, int tower) {
    // The antennas' names of their own (operator and the like), each only
    // when some antenna has one.
    std::vector<const AntennaFieldRow*> names;
    for (const AntennaFieldRow& r : AntennaFieldTable())
        if (r.inventory == InventoryPart::Own && r.text && AnyAntennaHas(p, r.id))
            names.push_back(&r);
    std::string html = "<table><tr><th>Antenna</th><th>Type</th><th>ERP (W)</th>"
                       "<th>Direction</th><th>Tilt</th><th>Height (m)</th>";
    for (const AntennaFieldRow* r : names)
        html += "<th>" + std::string(r->header) + "</th>";
    html += "</tr>";
    const int count = std::min<int>(p.AntennaCount, static_cast<int>(p.Antennas.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        if (a.AntTower != tower) continue;
        // Named as the report and the antennas layer name it ("T2 A1").
        // With the label the site inventory gave it, when it came from one.
        const std::string name =
            compliance::ShortName(p, k) + (a.AntLabel.empty() ? "" : " " + a.AntLabel);
        html += "<tr><td>" + XmlEscaped(name) + "</td><td>" + AntennaTypeName(a) + "</td><td>" +
                NumberText(a.AntPower) + "</td><td>" + NumberText(a.AntDirection) + "</td><td>" +
                NumberText(a.AntTilt) + "</td><td>" + NumberText(a.AntHeight) + "</td>";
        for (const AntennaFieldRow* r : names)
            html += "<td>" + XmlEscaped(FieldText(a, *r)) + "</td>";
        html += "</tr>";
    }
    return html + "</table>";
}

// The document; `overlay` is the pyramid's link for a large raster, empty
// for the one picture.
std::string DocKml(const Project& p, const NodeRaster& r, const std::vector<ZoneFeature>& zones,
                   const std::string& overlay) {
    std::string name = std::filesystem::path(p.FileName).stem().string();
    if (name.empty()) name = "Power density";
    std::string kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document><name>" +
                      XmlEscaped(name) +
                      "</name>\n<description>Exposure model: " + msg::ModelName(p.Exposure.Model) +
                      "</description>\n";
    for (std::size_t k = 0; k < zones.size(); ++k)
        kml += "<Style id=\"zone" + std::to_string(k) + "\"><LineStyle><color>" +
               KmlColour(zones[k].colour, 255) +
               "</color><width>2</width></LineStyle><PolyStyle><color>" +
               KmlColour(zones[k].colour, 90) + "</color></PolyStyle></Style>\n";

    // The image's edges are the outer edges of the node pixels.
    const double west = r.affine[0], north = r.affine[3];
    const double east = west + r.affine[1] * r.cols, south = north + r.affine[5] * r.rows;
    const SiteValues site = EvaluateSite(p, r.feedback);
    kml += SiteStyles(site);
    if (overlay.empty()) {
        kml += "<GroundOverlay><name>Colour gradient</name><color>b4ffffff</color><Icon><href>";
        kml += kImageName;
        kml += "</href></Icon><LatLonBox><north>" + NumberText(north) + "</north><south>" +
               NumberText(south) + "</south><east>" + NumberText(east) + "</east><west>" +
               NumberText(west) + "</west></LatLonBox></GroundOverlay>\n";
    } else {
        kml += overlay;
    }
    kml += LegendKml(p);

    kml += "<Folder><name>Zones</name>\n";
    for (std::size_t k = 0; k < zones.size(); ++k) {
        const ZoneFeature& z = zones[k];
        char* geometry = z.shape->exportToKML();
        const std::string description = "At or above " + render::FormatDensity(z.min, 3) +
                                        ", up to " + render::FormatDensity(z.max, 6) + "; " +
                                        NumberText(std::round(z.areaM2)) + " m2";
        placemark(kml, z.label, description, "zone" + std::to_string(k), geometry ? geometry : "");
        CPLFree(geometry);
    }
    kml += "</Folder>\n<Folder><name>Towers</name>\n";
    // The first antenna of each tower places and names it: the inventory's
    // site follows the tower's number.
    std::map<int, std::pair<geo::Geographic, std::string>> towers;
    const int count = std::min<int>(p.AntennaCount, static_cast<int>(p.Antennas.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        towers.emplace(a.AntTower, std::pair(AntennaLonLat(p, a), a.AntSite));
    }
    for (const auto& [tower, at] : towers)
        placemark(kml,
                  "Tower " + std::to_string(tower) + (at.second.empty() ? "" : " " + at.second),
                  TowerDescription(p, tower), "", point(at.first));
    kml += "</Folder>\n";
    placemark(kml, "Maximum " + render::FormatDensity(p.XY.MaxDensity, 6), "", "",
              point(MaximumLonLat(p)));
    kml += SiteKml(p, site);
    kml += BoundariesKml(p, LayerOutlines(p));
    kml += "</Document>\n</kml>\n";
    return kml;
}

std::string PercentText(const SiteValues& v, double percent) {
    return v.limited ? compliance::FormatPercent(percent) + " % of the limit" : "no limit";
}

// Each building's style: filled in the level colour of its worst floor's %
// of the limit, as the window fills it. With the document's other styles,
// where every reader looks for them.
std::string SiteStyles(const SiteValues& v) {
    std::string kml;
    for (std::size_t k = 0; k < v.buildings.size(); ++k) {
        const std::string style = "building" + std::to_string(k);
        const render::Rgb rgb = k < v.fill.size() ? v.fill[k] : render::Rgb{128, 128, 128};
        const Colour c{rgb.r, rgb.g, rgb.b};
        kml += "<Style id=\"" + style +
               "\"><LineStyle><color>ff000000</color><width>1</width>"
               "</LineStyle><PolyStyle><color>" +
               KmlColour(c, 200) + "</color></PolyStyle></Style>\n";
    }
    return kml;
}

// The buildings and the places with their values.
std::string SiteKml(const Project& p, const SiteValues& v) {
    std::string kml;
    if (!v.buildings.empty()) {
        kml += "<Folder><name>Buildings</name>\n";
        for (std::size_t k = 0; k < v.buildings.size() && k < p.Buildings.size(); ++k) {
            const std::string style = "building" + std::to_string(k);

            const BuildingValue& bv = v.buildings[k];
            const FloorValue& w = bv.worstFloor();
            std::string rings;
            for (const compliance::LonLatRing& r : compliance::FootprintLonLat(p, p.Buildings[k])) {
                const std::string side = rings.empty() ? "outerBoundaryIs" : "innerBoundaryIs";
                std::string ring;
                for (const auto& [lon, lat] : r)
                    ring += (ring.empty() ? "" : " ") + NumberText(lon) + "," + NumberText(lat);
                rings += "<" + side + "><LinearRing><coordinates>" + ring +
                         "</coordinates></LinearRing></" + side + ">";
            }
            const std::string name = bv.name.empty() ? bv.id : bv.name + " (" + bv.id + ")";
            placemark(kml, name,
                      "Worst floor " + std::to_string(w.floor) + ": " + PercentText(v, w.percent) +
                          ", S " + render::FormatDensity(w.sUw, 6) + ", E " +
                          compliance::FormatFixed(w.eVm, 3) + " V/m",
                      style, "<Polygon>" + rings + "</Polygon>");
        }
        kml += "</Folder>\n";
    }
    if (!v.places.empty()) {
        kml += "<Folder><name>Places</name>\n";
        for (const compliance::PlaceValue& pv : v.places)
            placemark(kml, pv.name + ": " + PercentText(v, pv.percent),
                      (pv.kind.empty() ? "" : pv.kind + "; ") + "S " +
                          render::FormatDensity(pv.sUw, 6) + ", E " +
                          compliance::FormatFixed(pv.eVm, 3) + " V/m",
                      "", point({pv.lon, pv.lat}));
        kml += "</Folder>\n";
    }
    return kml;
}

// The colour scale of the overlay: one box per band in its colour, from the
// weakest band painted up to the maximum, each labelled with the tenth of the
// maximum it starts at ("50 %"), drawn with a small built-in 5 x 7 font so
// that the legend needs no font on the machine.
inline constexpr const char* kLegendName = "files/legend.png";

const std::array<std::uint8_t, 7>& Glyph(char c) {
    static const std::array<std::uint8_t, 7> digits[10] = {
        {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},  {14, 17, 1, 2, 4, 8, 31},
        {31, 2, 4, 2, 1, 17, 14},     {2, 6, 10, 18, 31, 2, 2}, {31, 16, 30, 1, 1, 17, 14},
        {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},   {14, 17, 17, 14, 17, 17, 14},
        {14, 17, 17, 15, 1, 2, 12}};
    static const std::array<std::uint8_t, 7> percent{24, 25, 2, 4, 8, 19, 3}, blank{};
    if (c >= '0' && c <= '9') return digits[c - '0'];
    return c == '%' ? percent : blank;
}

std::optional<std::string> LegendPngBytes(const Project& p, int firstLevel) {
    constexpr int rowH = 18, boxW = 28, width = 96;
    const int rows = 10 - firstLevel + 1;
    const int height = rows * rowH + 4;
    std::vector<GByte> rgba(std::size_t(4) * width * height, 0);
    const std::size_t n = std::size_t(width) * height;
    const auto put = [&](int x, int y, render::Rgb c) {
        const std::size_t k = std::size_t(y) * width + std::size_t(x);
        rgba[k] = c.r;
        rgba[n + k] = c.g;
        rgba[2 * n + k] = c.b;
        rgba[3 * n + k] = 255;
    };
    const bool white = p.WhiteBackground;
    const render::Rgb paper = white ? render::Rgb{255, 255, 255} : render::Rgb{0, 0, 0};
    const render::Rgb ink = white ? render::Rgb{0, 0, 0} : render::Rgb{255, 255, 255};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(x, y, paper);
    // The strongest band on top, as on the display's scale.
    for (int r = 0; r < rows; ++r) {
        const int level = 10 - r, top = 2 + r * rowH;
        const render::Rgb c = render::DensityStep(level);
        for (int y = top + 2; y < top + rowH - 2; ++y)
            for (int x = 4; x < 4 + boxW; ++x)
                put(x, y, c);
        const std::string text = std::to_string(level * 10) + " %";
        int x0 = 4 + boxW + 6;
        for (char ch : text) {
            const auto& g = Glyph(ch);
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx)
                    if (g[std::size_t(gy)] & (16 >> gx)) put(x0 + gx, top + 5 + gy, ink);
            x0 += 7;
        }
    }
    ensureGdal();
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDatasetUniquePtr img(mem->Create("", width, height, 4, GDT_Byte, nullptr));
    if (!img || img->RasterIO(GF_Write, 0, 0, width, height, rgba.data(), width, height, GDT_Byte,
                              4, nullptr, 0, 0, 0, nullptr) != CE_None)
        return std::nullopt;
    MemFile file("legend.png");
    GDALDriver* png = GetGDALDriverManager()->GetDriverByName("PNG");
    if (!png) return std::nullopt;
    GDALDatasetUniquePtr out(
        png->CreateCopy(file.path().c_str(), img.get(), FALSE, nullptr, nullptr, nullptr));
    if (!out) return std::nullopt;
    out.reset();
    return file.bytes();
}

std::string LegendKml(const Project& p) {
    return "<ScreenOverlay><name>Colour scale: % of the maximum, " +
           XmlEscaped(render::FormatDensity(p.XY.MaxDensity, 6)) + "</name><Icon><href>" +
           std::string(kLegendName) +
           "</href></Icon><overlayXY x=\"0\" y=\"1\" xunits=\"fraction\" yunits=\"fraction\"/>"
           "<screenXY x=\"0.01\" y=\"0.97\" xunits=\"fraction\" yunits=\"fraction\"/>"
           "<size x=\"0\" y=\"0\" xunits=\"pixels\" yunits=\"pixels\"/></ScreenOverlay>\n";
}

// The entries' date: SOURCE_DATE_EPOCH when set (reproducible builds and
// archives), otherwise now, in UTC.
tm_zip EntryDate() {
    std::time_t t = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long v = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && v >= 315532800LL) t = static_cast<std::time_t>(v);
    }
    std::tm utc{};
    gmtime_r(&t, &utc);
    tm_zip z{};
    z.tm_sec = static_cast<uInt>(utc.tm_sec);
    z.tm_min = static_cast<uInt>(utc.tm_min);
    z.tm_hour = static_cast<uInt>(utc.tm_hour);
    z.tm_mday = static_cast<uInt>(utc.tm_mday);
    z.tm_mon = static_cast<uInt>(utc.tm_mon);
    z.tm_year = static_cast<uInt>(utc.tm_year + 1900);
    return z;
}

bool WriteZip(const std::string& path, const std::vector<ArchiveEntry>& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    zip_fileinfo info{};
    info.tmz_date = EntryDate();
    bool ok = true;
    for (const ArchiveEntry& e : entries) {
        ok = ok && zipOpenNewFileInZip64(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0,
                                         nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zip, e.bytes.data(),
                                       static_cast<unsigned>(e.bytes.size())) == ZIP_OK;
        ok = zipCloseFileInZip(zip) == ZIP_OK && ok;
        if (!ok) break;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

} // namespace

bool KmzFile(const Project& p, const NodeRaster& r, const std::string& path) {
    std::vector<ZoneFeature> zones;
    {
        GDALDatasetUniquePtr grid = GridDataset(r, GDT_Float64);
        if (!grid) return false;
        zones = MakeZones(p, r, *grid, {0.0, 0.5});
    }
    const auto legend = LegendPngBytes(p, OverlayFirstLevel(p));
    if (!legend) return false;
    if (NeedsOverlayPyramid(r)) {
        auto pyramid = OverlayTiles(p, r, {0.5, 1.0});
        if (!pyramid) return false;
        // Viewers read the first .kml entry of the archive.
        std::vector<ArchiveEntry> entries{{"doc.kml", DocKml(p, r, zones, pyramid->link)},
                                          {kLegendName, *legend}};
        for (ArchiveEntry& e : pyramid->entries)
            entries.push_back(std::move(e));
        return WriteZip(path, entries);
    }
    const auto image = GradientPngBytes(p, r, {0.5, 1.0});
    if (!image) return false;
    return WriteZip(
        path, {{"doc.kml", DocKml(p, r, zones, "")}, {kImageName, *image}, {kLegendName, *legend}});
}

namespace {

// Each far-field boundary seen from above, named by its antenna and the
// heights it spans.
std::string BoundariesKml(const Project& p,
                          const std::vector<compliance::BoundaryOutline>& outlines) {
    if (outlines.empty()) return {};
    std::string kml = "<Folder><name>Boundaries</name>\n";
    for (const compliance::BoundaryOutline& o : outlines) {
        std::string ring;
        for (const auto& [x, y] : o.ring) {
            const geo::Geographic g = geo::PlanToGeographic(p, x, y);
            ring += Coordinates(g) + " ";
        }
        if (!o.ring.empty()) {
            const auto& [x, y] = o.ring.front();
            ring += Coordinates(geo::PlanToGeographic(p, x, y));
        }
        placemark(kml, compliance::OutlineLabel(p, o),
                  "Limit " + compliance::FormatFixed(o.limitWm2, 3) + " W/m2", "",
                  "<Polygon><outerBoundaryIs><LinearRing><coordinates>" + ring +
                      "</coordinates></LinearRing></outerBoundaryIs></Polygon>");
    }
    return kml + "</Folder>\n";
}

} // namespace

} // namespace brenvik::gis
