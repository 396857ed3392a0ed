#include "gis/Terrain.h"

#include "geo/DemHeight.h"
#include "geo/Geo.h"
#include "gis/NodeRaster.h"
#include "model/InputFile.h"

#include <algorithm>
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

TerrainSample SampleTerrain(const Project& p, const std::string& path, const Feedback* feedback) {
    TerrainSample out;
    const auto refuse = [&](const std::string& why) {
        out.refusal = "Terrain not imported from " + path + ": " + why;
        return out;
    };
    // GDAL would wait on a pipe, or read a device, without end.
    if (auto refused = InputFileRefusal(path)) return refuse(*refused);
    ensureGdal();
    const std::vector<std::string> drivers = InputDrivers(true);
    std::vector<const char*> allowed;
    for (const std::string& d : drivers)
        allowed.push_back(d.c_str());
    allowed.push_back(nullptr);
    GDALDatasetUniquePtr ds(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                              allowed.data(), nullptr));
    if (!ds) return refuse("GDAL cannot read it as a raster");
    if (ds->GetRasterCount() < 1) return refuse("it has no band");
    const OGRSpatialReference* crs = ds->GetSpatialRef();
    if (!crs || crs->IsEmpty()) return refuse("it has no coordinate reference system");
    std::array<double, 6> gt{};
    if (ds->GetGeoTransform(gt.data()) != CE_None)
        return refuse("it has no georeferencing (geotransform)");
    std::array<double, 6> inv{};
    if (!GDALInvGeoTransform(gt.data(), inv.data())) return refuse("its geotransform is singular");

    // The whole model as the places will read it: its geotransform and its
    // CRS as one line of WKT, taken from longitude/latitude by geo.
    DemWindow whole;
    whole.Transform = gt;
    {
        char* wkt = nullptr;
        const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
        if (crs->exportToWkt(&wkt, options) == OGRERR_NONE && wkt) whole.CrsWkt = wkt;
        CPLFree(wkt);
    }
    if (whole.CrsWkt.empty() || whole.CrsWkt.find_first_of("\r\n") != std::string::npos)
        return refuse("its coordinate reference system cannot be written as WKT");
    OGRSpatialReference demCrs(*crs);
    demCrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRSpatialReference lonLat = LonLatCrs();
    Transform toLonLat(OGRCreateCoordinateTransformation(&demCrs, &lonLat));
    if (!toLonLat) return refuse("its CRS cannot be reached from longitude/latitude");

    // Every node in the model's pixel space (pixel centres at half steps).
    const int nx = p.GroundGrid.nx(), ny = p.GroundGrid.ny();
    const std::size_t count = std::size_t(nx + 1) * std::size_t(ny + 1);
    std::vector<double> px(count), py(count);
    double west = std::numeric_limits<double>::infinity(), east = -west, south = west,
           north = -west;
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) {
            const std::size_t k = std::size_t(i) * std::size_t(ny + 1) + std::size_t(j);
            const geo::Metres m{double(i) * p.CellSize * p.MetersPerUnit,
                                (geo::VisibleHeight - double(j) * p.CellSize) * p.MetersPerUnit};
            const geo::Geographic g = geo::ToGeographic(p, m);
            px[k] = g.lon;
            py[k] = g.lat;
            west = std::min(west, g.lon);
            east = std::max(east, g.lon);
            south = std::min(south, g.lat);
            north = std::max(north, g.lat);
        }
    if (!(west >= -180.0 && east <= 180.0 && south >= -90.0 && north <= 90.0))
        return refuse("the plan leaves the map (move the origin of coordinates)");
    std::vector<double> lonOf = px, latOf = py;
    if (auto why = geo::ToDemPixels(whole, px, py)) return refuse(*why);

    // The window of pixels the nodes need, read once.
    GDALRasterBand* band = ds->GetRasterBand(1);
    const int W = ds->GetRasterXSize(), H = ds->GetRasterYSize();
    const auto lo = [](double v) { return static_cast<long long>(std::floor(v)); };
    for (std::size_t k = 0; k < count; ++k) {
        // A node beyond the outer pixel centres (by more than a rounding) lies
        // outside the model.
        const bool inside = px[k] > -0.5 - 1e-9 && py[k] > -0.5 - 1e-9 && px[k] < W - 0.5 + 1e-9 &&
                            py[k] < H - 0.5 + 1e-9;
        if (!inside) {
            const int i = int(k / std::size_t(ny + 1)), j = int(k % std::size_t(ny + 1));
            return refuse("it does not cover the plan: node (" + std::to_string(i) + ", " +
                          std::to_string(j) + ") at " + Degrees(lonOf[k]) + ", " +
                          Degrees(latOf[k]) + " lies outside it");
        }
    }
    // Every node lies within the model now, so its pixel is a small number.
    long long c0 = lo(*std::min_element(px.begin(), px.end()));
    long long c1 = lo(*std::max_element(px.begin(), px.end())) + 1;
    long long r0 = lo(*std::min_element(py.begin(), py.end()));
    long long r1 = lo(*std::max_element(py.begin(), py.end())) + 1;
    c0 = std::clamp<long long>(c0, 0, W - 1);
    r0 = std::clamp<long long>(r0, 0, H - 1);
    c1 = std::clamp<long long>(c1, 0, W - 1);
    r1 = std::clamp<long long>(r1, 0, H - 1);
    const int ww = int(c1 - c0 + 1), wh = int(r1 - r0 + 1);
    if (double(ww) * double(wh) > 4.0e8) return refuse("the plan needs too many of its pixels");
    std::vector<double> win(std::size_t(ww) * std::size_t(wh));
    if (band->RasterIO(GF_Read, int(c0), int(r0), ww, wh, win.data(), ww, wh, GDT_Float64, 0, 0,
                       nullptr) != CE_None)
        return refuse("its pixels cannot be read");

    // The window as the project keeps it, its own pixel (0, 0) first.
    DemWindow kept;
    kept.Width = ww;
    kept.Height = wh;
    kept.Transform = {gt[0] + double(c0) * gt[1] + double(r0) * gt[2], gt[1], gt[2],
                      gt[3] + double(c0) * gt[4] + double(r0) * gt[5], gt[4], gt[5]};
    kept.CrsWkt = whole.CrsWkt;
    kept.Heights = std::move(win);
    const std::vector<double>& values = kept.Heights;
    int hasNodata = 0;
    const double nodata = band->GetNoDataValue(&hasNodata);
    const auto bad = [&](double v) {
        return !std::isfinite(v) ||
               (hasNodata && (v == nodata || (std::isnan(nodata) && std::isnan(v))));
    };
    // A value below the deepest dry depression or above the highest summit
    // is a fault of the file (a nodata value the file does not declare, an
    // overflow), not ground.
    const auto absurd = [](double v) { return !(v >= MinElevationM && v <= MaxElevationM); };
    const auto absurdText = [&](double v) {
        std::ostringstream m;
        m.precision(6);
        m << "its value " << v << " m lies outside " << MinElevationM << " to " << MaxElevationM
          << " m";
        return m.str();
    };
    const auto pixel = [&](long long c, long long r) {
        c = std::clamp<long long>(c, c0, c1);
        r = std::clamp<long long>(r, r0, r1);
        return values[std::size_t(r - r0) * std::size_t(ww) + std::size_t(c - c0)];
    };

    // Bilinear at each node, by the rule every point of the plan reads the
    // window with; at the outer half pixel the edge value holds.
    Grid2D<double> ground(nx, ny);
    for (std::size_t k = 0; k < count; ++k) {
        if (feedback && feedback->isCanceled()) return refuse("cancelled");
        const double fx = px[k], fy = py[k];
        const long long c = lo(fx), r = lo(fy);
        const double a = pixel(c, r), b = pixel(c + 1, r), d = pixel(c, r + 1),
                     e = pixel(c + 1, r + 1);
        const int i = int(k / std::size_t(ny + 1)), j = int(k % std::size_t(ny + 1));
        const std::string at = "node (" + std::to_string(i) + ", " + std::to_string(j) + ") at " +
                               Degrees(lonOf[k]) + ", " + Degrees(latOf[k]);
        if (bad(a) || bad(b) || bad(d) || bad(e)) return refuse("it has no value at " + at);
        for (const double v : {a, b, d, e})
            if (absurd(v)) return refuse(absurdText(v) + " at " + at);
        const auto h = geo::DemBilinear(kept, fx - double(c0), fy - double(r0));
        if (!h) return refuse("it does not cover the plan at " + at);
        ground(i, j) = *h;
    }

    // The datum: the lowest value among the window's pixels whose centres lie
    // inside the plan.
    double datum = std::numeric_limits<double>::infinity();
    for (int r = 0; r < wh; ++r) {
        if (feedback && feedback->isCanceled()) return refuse("cancelled");
        for (int c = 0; c < ww; ++c) {
            const double v = values[std::size_t(r) * std::size_t(ww) + std::size_t(c)];
            if (bad(v) || !(v < datum || absurd(v))) continue;
            double x = gt[0] + (c0 + c + 0.5) * gt[1] + (r0 + r + 0.5) * gt[2];
            double y = gt[3] + (c0 + c + 0.5) * gt[4] + (r0 + r + 0.5) * gt[5];
            if (!toLonLat->Transform(1, &x, &y)) continue;
            if (!(x >= west && x <= east && y >= south && y <= north)) continue;
            if (absurd(v)) return refuse(absurdText(v) + " at " + Degrees(x) + ", " + Degrees(y));
            datum = v;
        }
    }
    // A model coarser than the plan may have no pixel centre inside it: the
    // lowest node stands in.
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j)
            datum = std::min(datum, ground(i, j));
    double highest = 0.0;
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) {
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
        if (bad(v) || absurd(v)) {
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
