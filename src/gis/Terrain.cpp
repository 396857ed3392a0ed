#include "gis/Terrain.h"

#include "geo/DemHeight.h"
#include "geo/Geo.h"
#include "gis/NodeRaster.h"
#include "model/InputFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <ogr_spatialref.h>
#include <sstream>
#include <vector>

namespace brenvik::gis {

namespace {

struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* t) const {
        OGRCoordinateTransformation::DestroyCT(t);
    }
};
using Transform = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

std::string Degrees(double v) {
    std::ostringstream s;
    s.precision(8);
    s << v;
    return s.str();
}

} // namespace

std::vector<std::string> InputDrivers(bool raster) {
    ensureGdal();
    std::vector<std::string> names;
    GDALDriverManager* m = GetGDALDriverManager();
    for (int k = 0; k < m->GetDriverCount(); ++k) {
        GDALDriver* d = m->GetDriver(k);
        const std::string name = d->GetDescription();
        if (name == "VRT" || name == "OGR_VRT" || name == "GTI" || name == "STACIT" ||
            name == "STACTA")
            continue;
        if (d->GetMetadataItem(raster ? GDAL_DCAP_RASTER : GDAL_DCAP_VECTOR)) names.push_back(name);
    }
    return names;
}

namespace {

using Refusal = std::optional<std::string>;

// An elevation model opened for sampling: its first band, geotransform,
// CRS as one line of WKT, and the way back to longitude/latitude.
struct OpenModel {
    GDALDatasetUniquePtr ds;
    std::array<double, 6> gt{};
    DemWindow whole; // the whole model as the places read it
    Transform toLonLat;
};

Refusal OpenModelFile(const std::string& path, OpenModel& m) {
    // GDAL would wait on a pipe, or read a device, without end.
    if (auto refused = InputFileRefusal(path)) return refused;
    ensureGdal();
    const std::vector<std::string> drivers = InputDrivers(true);
    std::vector<const char*> allowed;
    for (const std::string& d : drivers)
        allowed.push_back(d.c_str());
    allowed.push_back(nullptr);
    m.ds.reset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, allowed.data(),
                                 nullptr));
    if (!m.ds) return "GDAL cannot read it as a raster";
    if (m.ds->GetRasterCount() < 1) return "it has no band";
    const OGRSpatialReference* crs = m.ds->GetSpatialRef();
    if (!crs || crs->IsEmpty()) return "it has no coordinate reference system";
    if (m.ds->GetGeoTransform(m.gt.data()) != CE_None)
        return "it has no georeferencing (geotransform)";
    std::array<double, 6> inv{};
    if (!GDALInvGeoTransform(m.gt.data(), inv.data())) return "its geotransform is singular";
    m.whole.Transform = m.gt;
    {
        char* wkt = nullptr;
        const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
        if (crs->exportToWkt(&wkt, options) == OGRERR_NONE && wkt) m.whole.CrsWkt = wkt;
        CPLFree(wkt);
    }
    if (m.whole.CrsWkt.empty() || m.whole.CrsWkt.find_first_of("\r\n") != std::string::npos)
        return "its coordinate reference system cannot be written as WKT";
    OGRSpatialReference demCrs(*crs);
    demCrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRSpatialReference lonLat = LonLatCrs();
    m.toLonLat.reset(OGRCreateCoordinateTransformation(&demCrs, &lonLat));
    if (!m.toLonLat) return "its CRS cannot be reached from longitude/latitude";
    return std::nullopt;
}

// Every node of the plan: its longitude/latitude, its place in the model's
// pixel space (pixel centres at half steps), and the plan's bounds.
struct Nodes {
    int nx = 0, ny = 0;
    std::vector<double> px, py, lon, lat;
    double west = std::numeric_limits<double>::infinity(), east = -west, south = west,
           north = -west;

    std::size_t count() const { return px.size(); }
    int i(std::size_t k) const { return int(k / std::size_t(ny + 1)); }
    int j(std::size_t k) const { return int(k % std::size_t(ny + 1)); }
    std::string where(std::size_t k) const {
        return "node (" + std::to_string(i(k)) + ", " + std::to_string(j(k)) + ") at " +
               Degrees(lon[k]) + ", " + Degrees(lat[k]);
    }
};

Refusal PlaceNodes(const Project& p, const DemWindow& whole, Nodes& n) {
    n.nx = p.GroundGrid.nx();
    n.ny = p.GroundGrid.ny();
    const std::size_t count = std::size_t(n.nx + 1) * std::size_t(n.ny + 1);
    n.px.resize(count);
    n.py.resize(count);
    for (int i = 0; i <= n.nx; ++i)
        for (int j = 0; j <= n.ny; ++j) {
            const std::size_t k = std::size_t(i) * std::size_t(n.ny + 1) + std::size_t(j);
            const geo::Metres m{double(i) * p.CellSize * p.MetersPerUnit,
                                (geo::VisibleHeight - double(j) * p.CellSize) * p.MetersPerUnit};
            const geo::Geographic g = geo::ToGeographic(p, m);
            n.px[k] = g.lon;
            n.py[k] = g.lat;
            n.west = std::min(n.west, g.lon);
            n.east = std::max(n.east, g.lon);
            n.south = std::min(n.south, g.lat);
            n.north = std::max(n.north, g.lat);
        }
    if (!(n.west >= -180.0 && n.east <= 180.0 && n.south >= -90.0 && n.north <= 90.0))
        return "the plan leaves the map (move the origin of coordinates)";
    n.lon = n.px;
    n.lat = n.py;
    return geo::ToDemPixels(whole, n.px, n.py);
}

long long Lo(double v) {
    return static_cast<long long>(std::floor(v));
}

// The window of pixels the nodes need, read once, as the project keeps it
// (its own pixel (0, 0) first); c0 and r0 its first column and row.
Refusal ReadWindow(OpenModel& m, const Nodes& n, DemWindow& kept, long long& c0, long long& r0) {
    const int W = m.ds->GetRasterXSize(), H = m.ds->GetRasterYSize();
    for (std::size_t k = 0; k < n.count(); ++k) {
        // A node beyond the outer pixel centres (by more than a rounding)
        // lies outside the model.
        const bool inside = n.px[k] > -0.5 - 1e-9 && n.py[k] > -0.5 - 1e-9 &&
                            n.px[k] < W - 0.5 + 1e-9 && n.py[k] < H - 0.5 + 1e-9;
        if (!inside) return "it does not cover the plan: " + n.where(k) + " lies outside it";
    }
    // Every node lies within the model now, so its pixel is a small number.
    c0 = std::clamp<long long>(Lo(*std::min_element(n.px.begin(), n.px.end())), 0, W - 1);
    r0 = std::clamp<long long>(Lo(*std::min_element(n.py.begin(), n.py.end())), 0, H - 1);
    const long long c1 =
        std::clamp<long long>(Lo(*std::max_element(n.px.begin(), n.px.end())) + 1, 0, W - 1);
    const long long r1 =
        std::clamp<long long>(Lo(*std::max_element(n.py.begin(), n.py.end())) + 1, 0, H - 1);
    const int ww = int(c1 - c0 + 1), wh = int(r1 - r0 + 1);
    if (double(ww) * double(wh) > 4.0e8) return "the plan needs too many of its pixels";
    std::vector<double> win(std::size_t(ww) * std::size_t(wh));
    if (m.ds->GetRasterBand(1)->RasterIO(GF_Read, int(c0), int(r0), ww, wh, win.data(), ww, wh,
                                         GDT_Float64, 0, 0, nullptr) != CE_None)
        return "its pixels cannot be read";
    const std::array<double, 6>& gt = m.gt;
    kept.Width = ww;
    kept.Height = wh;
    kept.Transform = {gt[0] + double(c0) * gt[1] + double(r0) * gt[2], gt[1], gt[2],
                      gt[3] + double(c0) * gt[4] + double(r0) * gt[5], gt[4], gt[5]};
    kept.CrsWkt = m.whole.CrsWkt;
    kept.Heights = std::move(win);
    return std::nullopt;
}

// What a pixel's value says: no value (nodata, not finite), or a value
// below the deepest dry depression or above the highest summit, which is a
// fault of the file (an undeclared nodata, an overflow), not ground.
struct Values {
    int hasNodata = 0;
    double nodata = 0;
    bool bad(double v) const {
        return !std::isfinite(v) ||
               (hasNodata && (v == nodata || (std::isnan(nodata) && std::isnan(v))));
    }
    static bool absurd(double v) { return !(v >= MinElevationM && v <= MaxElevationM); }
    static std::string absurdText(double v) {
        std::ostringstream m;
        m.precision(6);
        m << "its value " << v << " m lies outside " << MinElevationM << " to " << MaxElevationM
          << " m";
        return m.str();
    }
};

// Bilinear at each node, by the rule every point of the plan reads the
// window with; at the outer half pixel the edge value holds.
Refusal SampleNodes(const Nodes& n, const DemWindow& kept, long long c0, long long r0,
                    const Values& values, const Feedback* feedback, Grid2D<double>& ground) {
    const long long c1 = c0 + kept.Width - 1, r1 = r0 + kept.Height - 1;
    const auto pixel = [&](long long c, long long r) {
        c = std::clamp<long long>(c, c0, c1);
        r = std::clamp<long long>(r, r0, r1);
        return kept.Heights[std::size_t(r - r0) * std::size_t(kept.Width) + std::size_t(c - c0)];
    };
    ground = Grid2D<double>(n.nx, n.ny);
    for (std::size_t k = 0; k < n.count(); ++k) {
        if (feedback && feedback->isCanceled()) return "cancelled";
        const double fx = n.px[k], fy = n.py[k];
        const long long c = Lo(fx), r = Lo(fy);
        const double a = pixel(c, r), b = pixel(c + 1, r), d = pixel(c, r + 1),
                     e = pixel(c + 1, r + 1);
        if (values.bad(a) || values.bad(b) || values.bad(d) || values.bad(e))
            return "it has no value at " + n.where(k);
        for (const double v : {a, b, d, e})
            if (Values::absurd(v)) return Values::absurdText(v) + " at " + n.where(k);
        const auto h = geo::DemBilinear(kept, fx - double(c0), fy - double(r0));
        if (!h) return "it does not cover the plan at " + n.where(k);
        ground(n.i(k), n.j(k)) = *h;
    }
    return std::nullopt;
}

// The datum: the lowest value among the window's pixels whose centres lie
// inside the plan; a model coarser than the plan may have none, and the
// lowest node then stands in.
Refusal Datum(const OpenModel& m, const Nodes& n, const DemWindow& kept, long long c0, long long r0,
              const Values& values, const Feedback* feedback, const Grid2D<double>& ground,
              double& datum) {
    const std::array<double, 6>& gt = m.gt;
    datum = std::numeric_limits<double>::infinity();
    for (int r = 0; r < kept.Height; ++r) {
        if (feedback && feedback->isCanceled()) return "cancelled";
        for (int c = 0; c < kept.Width; ++c) {
            const double v =
                kept.Heights[std::size_t(r) * std::size_t(kept.Width) + std::size_t(c)];
            if (values.bad(v) || !(v < datum || Values::absurd(v))) continue;
            double x = gt[0] + (c0 + c + 0.5) * gt[1] + (r0 + r + 0.5) * gt[2];
            double y = gt[3] + (c0 + c + 0.5) * gt[4] + (r0 + r + 0.5) * gt[5];
            if (!m.toLonLat->Transform(1, &x, &y)) continue;
            if (!(x >= n.west && x <= n.east && y >= n.south && y <= n.north)) continue;
            if (Values::absurd(v))
                return Values::absurdText(v) + " at " + Degrees(x) + ", " + Degrees(y);
            datum = v;
        }
    }
    for (int i = 0; i <= n.nx; ++i)
        for (int j = 0; j <= n.ny; ++j)
            datum = std::min(datum, ground(i, j));
    return std::nullopt;
}

} // namespace

TerrainSample SampleTerrain(const Project& p, const std::string& path, const Feedback* feedback) {
    TerrainSample out;
    const auto refuse = [&](const std::string& why) {
        out.refusal = "Terrain not imported from " + path + ": " + why;
        return out;
    };
    OpenModel m;
    if (auto why = OpenModelFile(path, m)) return refuse(*why);
    Nodes n;
    if (auto why = PlaceNodes(p, m.whole, n)) return refuse(*why);
    DemWindow kept;
    long long c0 = 0, r0 = 0;
    if (auto why = ReadWindow(m, n, kept, c0, r0)) return refuse(*why);
    Values values;
    values.nodata = m.ds->GetRasterBand(1)->GetNoDataValue(&values.hasNodata);
    Grid2D<double> ground;
    if (auto why = SampleNodes(n, kept, c0, r0, values, feedback, ground)) return refuse(*why);
    double datum = 0;
    if (auto why = Datum(m, n, kept, c0, r0, values, feedback, ground, datum)) return refuse(*why);
    double highest = 0.0;
    for (int i = 0; i <= n.nx; ++i)
        for (int j = 0; j <= n.ny; ++j) {
            ground(i, j) -= datum;
            highest = std::max(highest, ground(i, j));
        }
    out.ground = std::move(ground);
    out.datumM = datum;
    out.highestM = highest;

    // The window is kept above the datum like the grid, whole: a pixel
    // between the nodes without a sound value would leave a place standing
    // on nothing, so such a window, or one too large, is not kept and the
    // places take the ground of their cell.
    std::optional<std::string> unkept;
    for (double& v : kept.Heights) {
        if (values.bad(v) || Values::absurd(v)) {
            unkept = "it has no sound value at every pixel between the nodes";
            break;
        }
        v -= datum;
    }
    if (!unkept) unkept = DemWindowFault(kept);
    if (unkept)
        out.note = "The elevation model is kept at the grid's nodes only (" + *unkept +
                   "): places, floors and antenna feet take the ground of their grid cell.";
    else
        out.window = std::move(kept);
    return out;
}

void ApplyTerrain(Project& p, const TerrainSample& t) {
    p.GroundGrid = t.ground;
    p.TerrainDatumM = t.datumM;
    p.Dem = t.window;
}

} // namespace brenvik::gis
