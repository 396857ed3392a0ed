// The KMZ's colour overlay of a large raster as a regionated pyramid: tiles
// of 512 pixels, each level half the resolution of the one below, every tile
// a KML file with its region, its picture and links to its four children, so
// that a viewer loads only the tiles in view at the detail it shows.
#include "gis/GisLayers.h"
#include "gis/Writers.h"

#include <algorithm>
#include <cpl_string.h>
#include <gdal_priv.h>

namespace brenvik::gis {

namespace {

constexpr int kTile = 512;

// The node values under one tile, each tile pixel the largest of the nodes
// it covers, so that no peak vanishes from a coarse level; NodataValue where
// it covers none with a value.
struct TileValues {
    int width = 0, height = 0;
    std::vector<double> v;
};

class Pyramid {
  public:
    Pyramid(const Project& p, const NodeRaster& r, ProgressSpan span)
        : r_(r), first_(OverlayFirstLevel(p)), span_(span) {
        while ((static_cast<long long>(kTile) << depth_) < std::max(r.cols, r.rows))
            ++depth_;
        leaves_ = static_cast<double>(LeafCount(r.cols)) * LeafCount(r.rows);
    }
    int depth() const { return depth_; }
    std::vector<ArchiveEntry>& entries() { return entries_; }

    // Tile (x, y) of level `level` (0: the one tile over everything): its
    // entries are added when some pixel of it shows; false when none does.
    bool Build(int level, int x, int y, TileValues& out) {
        StopIfCancelled(r_);
        const long long scale = 1LL << (depth_ - level); // nodes per tile pixel
        const long long x0 = x * kTile * scale, y0 = y * kTile * scale;
        if (x0 >= r_.cols || y0 >= r_.rows) return false;
        out.width = static_cast<int>(
            (std::min<long long>(r_.cols - x0, kTile * scale) + scale - 1) / scale);
        out.height = static_cast<int>(
            (std::min<long long>(r_.rows - y0, kTile * scale) + scale - 1) / scale);
        out.v.assign(static_cast<std::size_t>(out.width) * out.height, NodataValue);
        std::vector<std::string> children;
        if (level == depth_)
            ReadNodes(static_cast<int>(x0), static_cast<int>(y0), out);
        else
            for (int q = 0; q < 4; ++q) {
                TileValues child;
                const int cx = 2 * x + q % 2, cy = 2 * y + q / 2;
                if (!Build(level + 1, cx, cy, child)) continue;
                Fold(child, (q % 2) * kTile / 2, (q / 2) * kTile / 2, out);
                children.push_back(Link(level + 1, cx, cy, "../../"));
            }
        std::string png;
        if (!Picture(out, png)) return false;
        const std::string name = Name(level, x, y);
        entries_.push_back({name + ".png", std::move(png)});
        std::string kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document><name>" +
                          name + "</name>\n" + Region(level, x, y) + "<GroundOverlay><drawOrder>" +
                          std::to_string(level) +
                          "</drawOrder><color>b4ffffff</color><Icon><href>" + std::to_string(y) +
                          ".png</href></Icon>" + Box("LatLonBox", level, x, y) +
                          "</GroundOverlay>\n";
        for (const std::string& c : children)
            kml += c;
        entries_.push_back({name + ".kml", kml + "</Document>\n</kml>\n"});
        return true;
    }

    // The link to tile (level, x, y) from a file `up` below the overlay's folder.
    std::string Link(int level, int x, int y, const std::string& up) const {
        return "<NetworkLink><name>" + std::to_string(level) + "/" + std::to_string(x) + "/" +
               std::to_string(y) + "</name>" + Region(level, x, y) + "<Link><href>" + up +
               std::to_string(level) + "/" + std::to_string(x) + "/" + std::to_string(y) +
               ".kml</href><viewRefreshMode>onRegion</viewRefreshMode></Link></NetworkLink>\n";
    }

  private:
    static long long LeafCount(int nodes) { return (nodes + kTile - 1) / kTile; }
    static std::string Name(int level, int x, int y) {
        return "files/overlay/" + std::to_string(level) + "/" + std::to_string(x) + "/" +
               std::to_string(y);
    }

    void ReadNodes(int x0, int y0, TileValues& out) {
        for (int j = 0; j < out.height; ++j)
            r_.readRow(y0 + j, x0, out.width,
                       out.v.data() + static_cast<std::size_t>(j) * out.width);
        done_ += 1.0;
        if (r_.feedback)
            r_.feedback->setProgress(span_.from + (span_.to - span_.from) * done_ / leaves_,
                                     "overlay");
    }

    // A child's values into the quarter of its parent at (ox, oy), two by two.
    static void Fold(const TileValues& c, int ox, int oy, TileValues& out) {
        for (int j = 0; j < c.height; ++j)
            for (int i = 0; i < c.width; ++i) {
                const double v = c.v[static_cast<std::size_t>(j) * c.width + i];
                if (v == NodataValue) continue;
                double& to = out.v[static_cast<std::size_t>(oy + j / 2) * out.width + ox + i / 2];
                if (to == NodataValue || v > to) to = v;
            }
    }

    // The tile's picture as a PNG; false when no pixel of it shows.
    bool Picture(const TileValues& t, std::string& png) const {
        const std::size_t n = t.v.size();
        std::vector<GByte> rgba(4 * n);
        bool shows = false;
        for (std::size_t k = 0; k < n; ++k) {
            const auto c = OverlayRgba(t.v[k], r_.maximum, first_);
            for (std::size_t b = 0; b < 4; ++b)
                rgba[b * n + k] = c[b];
            shows = shows || c[3] != 0;
        }
        if (!shows) return false;
        GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
        GDALDatasetUniquePtr ds(mem ? mem->Create("", t.width, t.height, 4, GDT_Byte, nullptr)
                                    : nullptr);
        if (!ds || ds->RasterIO(GF_Write, 0, 0, t.width, t.height, rgba.data(), t.width, t.height,
                                GDT_Byte, 4, nullptr, 0, 0, 0, nullptr) != CE_None)
            FailWithGdalError("cannot hold the overlay's tile in memory");
        ds->GetRasterBand(4)->SetColorInterpretation(GCI_AlphaBand);
        MemFile file("tile.png");
        GDALDatasetUniquePtr out(GdalDriver("PNG").CreateCopy(file.path().c_str(), ds.get(), FALSE,
                                                              nullptr, nullptr, nullptr));
        if (!out) FailWithGdalError("cannot write the overlay's tile");
        out.reset();
        const auto bytes = file.bytes();
        if (!bytes) FailWithGdalError("cannot write the overlay's tile");
        png = *bytes;
        return true;
    }

    // The tile's edges in longitude and latitude: the outer edges of its nodes.
    std::string Box(const char* tag, int level, int x, int y) const {
        const long long scale = 1LL << (depth_ - level);
        const long long x0 = x * kTile * scale, y0 = y * kTile * scale;
        const long long x1 = std::min<long long>(r_.cols, x0 + kTile * scale),
                        y1 = std::min<long long>(r_.rows, y0 + kTile * scale);
        const auto& a = r_.affine;
        return std::string("<") + tag + "><north>" + NumberText(a[3] + y0 * a[5]) +
               "</north><south>" + NumberText(a[3] + y1 * a[5]) + "</south><east>" +
               NumberText(a[0] + x1 * a[1]) + "</east><west>" + NumberText(a[0] + x0 * a[1]) +
               "</west></" + tag + ">";
    }

    // Shown once the tile covers 128 pixels of the screen; every level stays
    // drawn under the finer ones above it.
    std::string Region(int level, int x, int y) const {
        return "<Region>" + Box("LatLonAltBox", level, x, y) + "<Lod><minLodPixels>" +
               std::string(level == 0 ? "0" : "128") +
               "</minLodPixels><maxLodPixels>-1</maxLodPixels></Lod></Region>";
    }

    const NodeRaster& r_;
    int first_;
    ProgressSpan span_;
    int depth_ = 0;
    double leaves_ = 1.0, done_ = 0.0;
    std::vector<ArchiveEntry> entries_;
};

} // namespace

bool NeedsOverlayPyramid(const NodeRaster& r) {
    return r.cols > MaxOverlaySide || r.rows > MaxOverlaySide;
}

std::optional<OverlayPyramid> OverlayTiles(const Project& p, const NodeRaster& r,
                                           ProgressSpan span) {
    Pyramid pyramid(p, r, span);
    TileValues root;
    OverlayPyramid out;
    if (pyramid.Build(0, 0, 0, root))
        out.link = "<Folder><name>Colour gradient</name>\n" +
                   pyramid.Link(0, 0, 0, "files/overlay/") + "</Folder>\n";
    out.entries = std::move(pyramid.entries());
    return out;
}

} // namespace brenvik::gis
