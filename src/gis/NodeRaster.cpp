#include "gis/NodeRaster.h"

#include "render/Scene.h"

#include <atomic>
#include <cmath>
#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <cstdio>
#include <mutex>

namespace brenvik::gis {

geo::Geographic drawingToLonLat(const Project& p, double x, double y) {
    // The point tables pass single-precision positions; so does this.
    return geo::ToGeographic(p, geo::PlanMeters(p, static_cast<float>(x), static_cast<float>(y)));
}

std::optional<NodeRaster> makeNodeRaster(const Project& p, const std::atomic<bool>* cancel) {
    NodeRaster r;
    r.cancel = cancel;
    r.cols = std::max<int>(p.GridNX, 0);
    r.rows = std::max<int>(p.GridNY, 0);
    if (r.cols < 1 || r.rows < 1) return std::nullopt;
    const double cell = p.CellSize;
    // The conversion is affine in the drawing position, so two nodes give
    // the pixel size and the first node the grid's corner.
    const geo::Geographic first = drawingToLonLat(p, cell, cell);
    const geo::Geographic next = drawingToLonLat(p, 2 * cell, 2 * cell);
    const double dlon = next.lon - first.lon, dlat = next.lat - first.lat;
    const double west = first.lon - dlon / 2, north = first.lat - dlat / 2;
    const double east = west + dlon * r.cols, south = north + dlat * r.rows;
    for (double v : {dlon, dlat, west, north, east, south})
        if (!std::isfinite(v)) return std::nullopt;
    if (std::min(west, east) < -180.0 || std::max(west, east) > 180.0) return std::nullopt;
    if (std::min(north, south) < -90.0 || std::max(north, south) > 90.0) return std::nullopt;
    r.affine = {west, dlon, 0.0, north, 0.0, dlat};
    r.metres = geo::MetresPerDegree(p, p.OriginLat);

    r.values.resize(static_cast<std::size_t>(r.cols) * static_cast<std::size_t>(r.rows));
    const Grid2D<double>& g = p.XY.Density;
    // The grid is stored column by column and the raster row by row: a band
    // of columns at a time keeps both sides in the cache, and lets a cancel
    // be seen between bands.
    constexpr int band = 64;
    r.maximum = 0.0;
    for (int i0 = 1; i0 <= r.cols; i0 += band) {
        stopIfCancelled(r);
        const int i1 = std::min(r.cols, i0 + band - 1);
        for (int j = 1; j <= r.rows; ++j) {
            double* out = r.values.data() +
                          static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(r.cols);
            for (int i = i0; i <= i1; ++i) {
                const double v = g.inBounds(i, j) ? g(i, j) : 0.0;
                const double kept = std::isfinite(v) ? v : 0.0;
                out[i - 1] = kept;
                r.maximum = std::max(r.maximum, kept);
            }
        }
    }
    markBelowGround(p, r);
    return r;
}

void markBelowGround(const Project& p, NodeRaster& r) {
    // Only a plane at a certain height leaves nodes under the ground; the
    // calculation read their ground at the node's own cell.
    if (p.CalcOption != 0) return;
    const double step = p.CellSize * p.MetersPerUnit;
    if (!(step > 0.0)) return;
    const auto cell = [step](double m) {
        return static_cast<long long>(std::floor(m / step + 1e-9));
    };
    for (int j = 1; j <= r.rows; ++j)
        for (int i = 1; i <= r.cols; ++i) {
            if (static_cast<std::size_t>(i) >= p.GridXm.size() ||
                static_cast<std::size_t>(j) >= p.GridYm.size())
                continue;
            const long long c = cell(p.GridXm[static_cast<std::size_t>(i)]);
            const long long w = cell(p.GridYm[static_cast<std::size_t>(j)]);
            if (!p.GroundGrid.inBounds(c, w)) continue;
            if (p.CalcHeight < p.GroundGrid(static_cast<int>(c), static_cast<int>(w))) {
                r.values[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(r.cols) +
                         static_cast<std::size_t>(i - 1)] = NodataValue;
                r.hasNodata = true;
            }
        }
}

Colour levelColour(const Project& p, double level, double maximum) {
    const int tenth = render::levelOf(level, maximum).value_or(0);
    const render::Rgb c = render::gradientColour(tenth, p.WhiteBackground);
    return {c.r, c.g, c.b};
}

std::string hexColour(Colour c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

void ensureGdal() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

GDALDriver& gdalDriver(const char* name) {
    ensureGdal();
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(name);
    if (!drv) throw GisFailure{std::string("GDAL has no ") + name + " driver"};
    return *drv;
}

void failWithGdalError(const std::string& what) {
    const std::string gdal = CPLGetLastErrorMsg();
    throw GisFailure{gdal.empty() ? what : what + ": " + gdal};
}

void stopIfCancelled(const NodeRaster& r) {
    if (r.cancel && r.cancel->load(std::memory_order_relaxed)) throw GisFailure{{}, true};
}

int CPL_STDCALL progressUnlessCancelled(double, const char*, void* raster) {
    const auto* r = static_cast<const NodeRaster*>(raster);
    return r && r->cancel && r->cancel->load(std::memory_order_relaxed) ? FALSE : TRUE;
}

MemFile::MemFile(const std::string& name) {
    static std::atomic<unsigned> counter{0};
    folder_ = "/vsimem/brenvik-" + std::to_string(counter.fetch_add(1)) + "-" +
              std::to_string(reinterpret_cast<std::uintptr_t>(this));
    path_ = folder_ + "/" + name;
}

MemFile::~MemFile() {
    // Drivers may leave companions beside the file (journals, scratch files).
    VSIRmdirRecursive(folder_.c_str());
}

std::optional<std::string> MemFile::bytes() const {
    vsi_l_offset size = 0;
    GByte* data = VSIGetMemFileBuffer(path_.c_str(), &size, FALSE);
    if (!data) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
}

OGRSpatialReference lonLatCrs() {
    OGRSpatialReference srs;
    srs.importFromEPSG(4326);
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

GDALDatasetUniquePtr memoryDataset(const NodeRaster& r, GDALDataType type) {
    stopIfCancelled(r);
    const bool shared = type == GDT_Float64;
    GDALDatasetUniquePtr ds(
        gdalDriver("MEM").Create("", r.cols, r.rows, shared ? 0 : 1, type, nullptr));
    if (!ds) return ds;
    if (shared) {
        // The band reads the raster's own values: no copy of a large grid.
        char pointer[64];
        std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%p",
                      static_cast<const void*>(r.values.data()));
        const char* const options[] = {pointer, nullptr};
        if (ds->AddBand(GDT_Float64, const_cast<char**>(options)) != CE_None) return nullptr;
    }
    std::array<double, 6> gt = r.affine;
    ds->SetGeoTransform(gt.data());
    OGRSpatialReference srs = lonLatCrs();
    ds->SetSpatialRef(&srs);
    GDALRasterBand* band = ds->GetRasterBand(1);
    if (!shared &&
        band->RasterIO(GF_Write, 0, 0, r.cols, r.rows, const_cast<double*>(r.values.data()), r.cols,
                       r.rows, GDT_Float64, 0, 0, nullptr) != CE_None)
        return nullptr;
    band->SetUnitType(DensityUnit);
    if (r.hasNodata) band->SetNoDataValue(NodataValue);
    return ds;
}

} // namespace brenvik::gis
