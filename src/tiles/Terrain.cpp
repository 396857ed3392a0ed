#include "tiles/Terrain.h"

#include "gis/GdalErrors.h"
#include "model/InputFile.h"
#include "tiles/Manifest.h"
#include "tiles/Projection.h"

#include <algorithm>
#include <cmath>
#include <gdal_priv.h>
#include <limits>
#include <ogr_spatialref.h>

namespace brenvik::tiles {

struct Terrain::Impl {
    GDALDatasetUniquePtr ds;
    std::string demWkt;
    TransformPtr toDem; // null: same CRS
    double gt[6]{};
    int width = 0, height = 0;
    bool hasNoData = false;
    double noData = 0.0;
};

Terrain::Terrain() : d_(std::make_unique<Impl>()) {}
Terrain::~Terrain() = default;
Terrain::Terrain(Terrain&&) noexcept = default;
Terrain& Terrain::operator=(Terrain&&) noexcept = default;

std::optional<Terrain> Terrain::Open(const std::string& path, const std::string& crsWkt,
                                     const Bounds& mustCover, std::string& error) {
    EnsureGdal();
    // A pipe would hold GDAL's open until someone writes to it, and a device
    // would feed it forever: only a plain file is opened.
    if (auto refused = InputFileRefusal(path)) {
        error = "the terrain cannot be read: " + *refused;
        return std::nullopt;
    }
    Terrain t;
    const gis::GdalErrorTrap trap;
    t.d_->ds.reset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!t.d_->ds) {
        error = trap.because("the terrain " + path + " is not a raster GDAL reads");
        return std::nullopt;
    }
    Impl& d = *t.d_;
    d.width = d.ds->GetRasterXSize();
    d.height = d.ds->GetRasterYSize();
    if (d.ds->GetGeoTransform(d.gt) != CE_None || d.gt[2] != 0.0 || d.gt[4] != 0.0 ||
        !(std::isfinite(d.gt[0]) && std::isfinite(d.gt[3]) && std::isfinite(d.gt[1]) &&
          std::isfinite(d.gt[5])) ||
        d.gt[1] == 0.0 || d.gt[5] == 0.0 || d.width < 2 || d.height < 2) {
        error = "the terrain " + path + " has no north-up georeferencing";
        return std::nullopt;
    }
    const OGRSpatialReference* demSrs = d.ds->GetSpatialRef();
    if (!demSrs) {
        error = "the terrain " + path + " has no CRS";
        return std::nullopt;
    }
    OGRSpatialReference mapSrs;
    mapSrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    mapSrs.importFromWkt(crsWkt.c_str());
    OGRSpatialReference dem(*demSrs);
    if (char* wkt = nullptr; dem.exportToWkt(&wkt) == OGRERR_NONE) {
        d.demWkt = wkt;
        CPLFree(wkt);
    } else {
        CPLFree(wkt);
    }
    dem.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (!dem.IsSame(&mapSrs)) {
        d.toDem.reset(OGRCreateCoordinateTransformation(&mapSrs, &dem));
        if (!d.toDem) {
            error = "the terrain's CRS cannot be reached from the map's";
            return std::nullopt;
        }
    }
    if (d.ds->GetRasterCount() < 1) {
        error = "the terrain " + path + " has no band";
        return std::nullopt;
    }
    int has = 0;
    d.noData = d.ds->GetRasterBand(1)->GetNoDataValue(&has);
    d.hasNoData = has != 0;

    // The area in the DEM's CRS must lie within the DEM's pixel centres.
    double x0 = mustCover.xmin, y0 = mustCover.ymin, x1 = mustCover.xmax, y1 = mustCover.ymax;
    if (d.toDem && !d.toDem->TransformBounds(mustCover.xmin, mustCover.ymin, mustCover.xmax,
                                             mustCover.ymax, &x0, &y0, &x1, &y1, 21)) {
        error = "the area cannot be carried into the terrain's CRS";
        return std::nullopt;
    }
    const double dx0 = d.gt[0] + 0.5 * d.gt[1], dx1 = d.gt[0] + (d.width - 0.5) * d.gt[1];
    const double dy0 = d.gt[3] + 0.5 * d.gt[5], dy1 = d.gt[3] + (d.height - 0.5) * d.gt[5];
    if (x0 < std::min(dx0, dx1) || x1 > std::max(dx0, dx1) || y0 < std::min(dy0, dy1) ||
        y1 > std::max(dy0, dy1)) {
        error = "the terrain " + path + " does not cover the area";
        return std::nullopt;
    }
    return t;
}

bool Terrain::sample(const std::vector<double>& xs, const std::vector<double>& ys,
                     std::vector<double>& out, std::string& error) const {
    const Impl& d = *d_;
    const std::size_t n = xs.size();
    std::vector<double> u(xs), v(ys);
    out.assign(n, std::numeric_limits<double>::quiet_NaN());
    if (n == 0) return true;
    std::vector<int> ok(n, 1);
    if (d.toDem && !d.toDem->Transform(n, u.data(), v.data(), nullptr, ok.data())) {
        // Points that fail stay without a height; the others go on.
    }
    // Fractional pixel positions, measured from the first pixel's centre.
    int c0 = d.width, c1 = -1, r0 = d.height, r1 = -1;
    for (std::size_t k = 0; k < n; ++k) {
        if (!ok[k]) continue;
        u[k] = (u[k] - d.gt[0]) / d.gt[1] - 0.5;
        v[k] = (v[k] - d.gt[3]) / d.gt[5] - 0.5;
        if (!(u[k] >= -0.5 && u[k] <= d.width - 0.5 && v[k] >= -0.5 && v[k] <= d.height - 0.5)) {
            ok[k] = 0;
            continue;
        }
        const int cu = std::clamp(static_cast<int>(std::floor(u[k])), 0, d.width - 2);
        const int cv = std::clamp(static_cast<int>(std::floor(v[k])), 0, d.height - 2);
        c0 = std::min(c0, cu);
        c1 = std::max(c1, cu + 1);
        r0 = std::min(r0, cv);
        r1 = std::max(r1, cv + 1);
    }
    if (c1 < 0) return true;
    const int w = c1 - c0 + 1, h = r1 - r0 + 1;
    std::vector<double> buf(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    const gis::GdalErrorTrap trap;
    if (d.ds->GetRasterBand(1)->RasterIO(GF_Read, c0, r0, w, h, buf.data(), w, h, GDT_Float64, 0, 0,
                                         nullptr) != CE_None) {
        error = trap.because("the terrain cannot be read");
        return false;
    }
    const auto at = [&](int c, int r) {
        return buf[static_cast<std::size_t>(r - r0) * static_cast<std::size_t>(w) +
                   static_cast<std::size_t>(c - c0)];
    };
    for (std::size_t k = 0; k < n; ++k) {
        if (!ok[k]) continue;
        const int cu = std::clamp(static_cast<int>(std::floor(u[k])), 0, d.width - 2);
        const int cv = std::clamp(static_cast<int>(std::floor(v[k])), 0, d.height - 2);
        const double fu = std::clamp(u[k] - cu, 0.0, 1.0), fv = std::clamp(v[k] - cv, 0.0, 1.0);
        const double a = at(cu, cv), b = at(cu + 1, cv), c = at(cu, cv + 1), e = at(cu + 1, cv + 1);
        if (d.hasNoData && (a == d.noData || b == d.noData || c == d.noData || e == d.noData))
            continue;
        out[k] = (a * (1 - fu) + b * fu) * (1 - fv) + (c * (1 - fu) + e * fu) * fv;
    }
    return true;
}

std::optional<std::string> Terrain::windowHash(const Bounds& b, std::string& error) const {
    const Impl& d = *d_;
    double x0 = b.xmin, y0 = b.ymin, x1 = b.xmax, y1 = b.ymax;
    if (d.toDem &&
        !d.toDem->TransformBounds(b.xmin, b.ymin, b.xmax, b.ymax, &x0, &y0, &x1, &y1, 21)) {
        error = "the area cannot be carried into the terrain's CRS";
        return std::nullopt;
    }
    // Pixel columns and rows around the box, two more on each side than
    // bilinear interpolation of its points reaches.
    const double u0 = (x0 - d.gt[0]) / d.gt[1], u1 = (x1 - d.gt[0]) / d.gt[1];
    const double v0 = (y0 - d.gt[3]) / d.gt[5], v1 = (y1 - d.gt[3]) / d.gt[5];
    const auto clampTo = [](double v, int n) {
        return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(n)));
    };
    const int c0 = clampTo(std::floor(std::min(u0, u1)) - 2, d.width);
    const int c1 = clampTo(std::ceil(std::max(u0, u1)) + 2, d.width);
    const int r0 = clampTo(std::floor(std::min(v0, v1)) - 2, d.height);
    const int r1 = clampTo(std::ceil(std::max(v0, v1)) + 2, d.height);
    std::string bytes = d.demWkt;
    const auto add = [&](const void* p, std::size_t n) {
        bytes.append(static_cast<const char*>(p), n);
    };
    add(d.gt, sizeof d.gt);
    const double noData = d.hasNoData ? d.noData : std::numeric_limits<double>::quiet_NaN();
    add(&noData, sizeof noData);
    const int window[4] = {c0, r0, c1 - c0, r1 - r0};
    add(window, sizeof window);
    if (c1 > c0 && r1 > r0) {
        std::vector<double> buf(static_cast<std::size_t>(c1 - c0) *
                                static_cast<std::size_t>(r1 - r0));
        const gis::GdalErrorTrap trap;
        if (d.ds->GetRasterBand(1)->RasterIO(GF_Read, c0, r0, c1 - c0, r1 - r0, buf.data(), c1 - c0,
                                             r1 - r0, GDT_Float64, 0, 0, nullptr) != CE_None) {
            error = trap.because("the terrain cannot be read");
            return std::nullopt;
        }
        add(buf.data(), buf.size() * sizeof(double));
    }
    return HashText(bytes);
}

} // namespace brenvik::tiles
