#include "tiles/Projection.h"

#include "gis/GdalErrors.h"
#include "model/InputFile.h"

#include <algorithm>
#include <cmath>
#include <cpl_conv.h>
#include <filesystem>
#include <gdal_priv.h>
#include <mutex>
#include <ogr_spatialref.h>

namespace brenvik::tiles {

namespace {

OGRSpatialReference Wgs84() {
    OGRSpatialReference s;
    s.SetWellKnownGeogCS("WGS84");
    s.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return s;
}

OGRSpatialReference FromWkt(const std::string& wkt) {
    OGRSpatialReference s;
    s.importFromWkt(wkt.c_str());
    s.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return s;
}

} // namespace

void EnsureGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        gis::SilenceUntrappedGdal();
    });
}

std::string UtmCrsOf(double lon, double lat) {
    const int zone = std::clamp(static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1, 1, 60);
    return "EPSG:" + std::to_string((lat >= 0.0 ? 32600 : 32700) + zone);
}

std::optional<std::string> AreaRefusal(const std::array<double, 4>& a) {
    const auto [w, s, e, n] = a;
    for (double v : a)
        if (!std::isfinite(v)) return "the area is not four numbers W,S,E,N";
    if (w < -180.0 || e > 180.0 || w > e)
        return "the area crosses the antimeridian (W must be less than E, both within -180 to 180)";
    if (s <= -90.0 || n >= 90.0) return "the area reaches a pole";
    if (w == e || s >= n) return "the area is empty (W,S,E,N with W < E and S < N)";
    return std::nullopt;
}

Crs ProjectedCrs(const std::string& text) {
    EnsureGdal();
    // GDAL takes a file name for a CRS as well; only a plain file is read,
    // so that a pipe or a device cannot hold the plan.
    std::error_code ec;
    if (std::filesystem::exists(text, ec))
        if (auto refused = InputFileRefusal(text)) return {"", "--crs: " + *refused};
    OGRSpatialReference s;
    const gis::GdalErrorTrap trap;
    if (s.SetFromUserInput(text.c_str()) != OGRERR_NONE)
        return {"", trap.because("the CRS '" + QuoteCut(text, 200) + "' is unknown")};
    if (!s.IsProjected())
        return {"", "the CRS '" + text + "' is not projected (a geographic CRS has no metres)"};
    char* wkt = nullptr;
    const char* const opts[] = {"FORMAT=WKT2_2019", nullptr};
    s.exportToWkt(&wkt, opts);
    Crs c{wkt ? wkt : "", ""};
    CPLFree(wkt);
    return c;
}

std::optional<Bounds> AreaInCrs(const std::array<double, 4>& area, const std::string& wkt) {
    const OGRSpatialReference from = Wgs84(), to = FromWkt(wkt);
    TransformPtr t(OGRCreateCoordinateTransformation(&from, &to));
    if (!t) return std::nullopt;
    Bounds b;
    if (!t->TransformBounds(area[0], area[1], area[2], area[3], &b.xmin, &b.ymin, &b.xmax, &b.ymax,
                            21))
        return std::nullopt;
    return b;
}

bool LonLatToCrs(const std::string& wkt, std::vector<double>& x, std::vector<double>& y) {
    const OGRSpatialReference from = Wgs84(), to = FromWkt(wkt);
    TransformPtr t(OGRCreateCoordinateTransformation(&from, &to));
    if (!t) return false;
    std::vector<int> ok(x.size(), 1);
    if (!t->Transform(x.size(), x.data(), y.data(), nullptr, ok.data())) return false;
    for (int k : ok)
        if (!k) return false;
    return true;
}

} // namespace brenvik::tiles
