#include "gis/NodeRaster.h"

#include "gis/GdalErrors.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <atomic>
#include <cmath>
#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <cstdio>
#include <gdal_pam.h>
#include <mutex>

namespace brenvik::gis {

geo::Geographic DrawingToLonLat(const Project& p, double x, double y) {
    // The point tables pass single-precision positions; so does this.
    return geo::ToGeographic(p, geo::PlanMeters(p, static_cast<float>(x), static_cast<float>(y)));
}

void NodeRaster::readRow(int row, int col0, int n, double* out) const {
    const Project& p = *project;
    const Grid2D<double>& g = p.XY.Density;
    const int j = row + 1;
    const bool below = !groundRow.empty() && groundRow[static_cast<std::size_t>(row)] >= 0;
    for (int k = 0; k < n; ++k) {
        const int i = col0 + k + 1;
        const double v = g.inBounds(i, j) ? g(i, j) : 0.0;
        out[k] = std::isfinite(v) ? v : 0.0;
        if (below) {
            const long long c = groundCol[static_cast<std::size_t>(i - 1)];
            const long long w = groundRow[static_cast<std::size_t>(row)];
            if (c >= 0 && p.CalcHeight < p.GroundGrid(static_cast<int>(c), static_cast<int>(w)))
                out[k] = NodataValue;
        }
    }
}

namespace {

// Only a plane at a certain height leaves nodes under the ground; the
// calculation read their ground at the node's own cell.
void FindGroundCells(const Project& p, NodeRaster& r) {
    if (p.CalcOption != CalcLevel::AtHeight) return;
    const double step = p.CellSize * p.MetersPerUnit;
    if (!(step > 0.0)) return;
    const auto cell = [step](const std::vector<double>& m, int k, int bound) -> long long {
        if (static_cast<std::size_t>(k) >= m.size()) return -1;
        const long long c =
            static_cast<long long>(std::floor(m[static_cast<std::size_t>(k)] / step + 1e-9));
        return c >= 0 && c <= bound ? c : -1;
    };
    r.groundCol.resize(static_cast<std::size_t>(r.cols));
    r.groundRow.resize(static_cast<std::size_t>(r.rows));
    for (int i = 1; i <= r.cols; ++i)
        r.groundCol[static_cast<std::size_t>(i - 1)] = cell(p.GridXm, i, p.GroundGrid.nx());
    for (int j = 1; j <= r.rows; ++j)
        r.groundRow[static_cast<std::size_t>(j - 1)] = cell(p.GridYm, j, p.GroundGrid.ny());
}

} // namespace

std::optional<NodeRaster> MakeNodeRaster(const Project& p, Feedback* feedback) {
    NodeRaster r;
    r.project = &p;
    r.feedback = feedback;
    r.cols = std::max<int>(p.GridNX, 0);
    r.rows = std::max<int>(p.GridNY, 0);
    if (r.cols < 1 || r.rows < 1) return std::nullopt;
    const double cell = p.CellSize;
    // The conversion is affine in the drawing position, so two nodes give
    // the pixel size and the first node the grid's corner.
    const geo::Geographic first = DrawingToLonLat(p, cell, cell);
    const geo::Geographic next = DrawingToLonLat(p, 2 * cell, 2 * cell);
    const double dlon = next.lon - first.lon, dlat = next.lat - first.lat;
    const double west = first.lon - dlon / 2, north = first.lat - dlat / 2;
    const double east = west + dlon * r.cols, south = north + dlat * r.rows;
    for (double v : {dlon, dlat, west, north, east, south})
        if (!std::isfinite(v)) return std::nullopt;
    if (std::min(west, east) < -180.0 || std::max(west, east) > 180.0) return std::nullopt;
    if (std::min(north, south) < -90.0 || std::max(north, south) > 90.0) return std::nullopt;
    r.affine = {west, dlon, 0.0, north, 0.0, dlat};
    FindGroundCells(p, r);

    // The maximum and the nodata, column by column as the grid is stored; a
    // cancel is seen between bands of columns.
    const Grid2D<double>& g = p.XY.Density;
    constexpr int band = 64;
    std::vector<double> row(static_cast<std::size_t>(r.cols));
    for (int i0 = 1; i0 <= r.cols; i0 += band) {
        StopIfCancelled(r);
        const int i1 = std::min(r.cols, i0 + band - 1);
        for (int i = i0; i <= i1; ++i)
            for (int j = 1; j <= r.rows; ++j) {
                const double v = g.inBounds(i, j) ? g(i, j) : 0.0;
                if (std::isfinite(v)) r.maximum = std::max(r.maximum, v);
            }
    }
    if (!r.groundRow.empty())
        for (int j = 0; j < r.rows && !r.hasNodata; ++j) {
            r.readRow(j, 0, r.cols, row.data());
            for (double v : row)
                if (v == NodataValue) r.hasNodata = true;
        }
    return r;
}

std::string hexColour(Colour c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

void ensureGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        SilenceUntrappedGdal();
        // The map files are written block by block from the result's grid.
        // GDAL's block cache would otherwise take up to a twentieth of the
        // machine's memory with the blocks of the file being written, and a
        // cancel would wait for them all to be compressed and written out.
        // A cache size the user chose stays.
        if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(32LL << 20);
    });
}

GDALDriver& GdalDriver(const char* name) {
    ensureGdal();
    GDALDriver* drv = GetGDALDriverManager()->GetDriverByName(name);
    if (!drv) throw GisFailure{std::string("GDAL has no ") + name + " driver"};
    return *drv;
}

void FailWithGdalError(const std::string& what) {
    const std::string gdal = CPLGetLastErrorMsg();
    throw GisFailure{gdal.empty() ? what : what + ": " + gdal};
}

void StopIfCancelled(const NodeRaster& r) {
    if (r.cancelled()) throw GisFailure{{}, true};
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

OGRSpatialReference LonLatCrs() {
    OGRSpatialReference srs;
    srs.importFromEPSG(4326);
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

namespace {

// The raster's values, or one colour channel of its gradient image, read a
// row at a time straight into the caller's buffer.
class GridBand : public GDALPamRasterBand {
  public:
    // `channel` -1: the density; 0..3: red, green, blue, alpha.
    GridBand(GDALDataset* ds, const NodeRaster& r, GDALDataType type, int channel, int firstLevel)
        : r_(r), channel_(channel), firstLevel_(firstLevel) {
        poDS = ds;
        nBand = channel < 0 ? 1 : channel + 1;
        eDataType = type;
        nRasterXSize = r.cols;
        nRasterYSize = r.rows;
        nBlockXSize = r.cols;
        nBlockYSize = 1;
    }

  protected:
    CPLErr IReadBlock(int, int y, void* out) override {
        const int size = GDALGetDataTypeSizeBytes(eDataType);
        return read(0, y, nRasterXSize, 1, out, eDataType, size, GSpacing(size) * nRasterXSize);
    }
    CPLErr IRasterIO(GDALRWFlag rw, int x, int y, int w, int h, void* buf, int bw, int bh,
                     GDALDataType bt, GSpacing ps, GSpacing ls,
                     GDALRasterIOExtraArg* extra) override {
        if (rw != GF_Read) return CE_Failure;
        // A resampled read (an overview) goes through the blocks.
        if (bw != w || bh != h)
            return GDALPamRasterBand::IRasterIO(rw, x, y, w, h, buf, bw, bh, bt, ps, ls, extra);
        return read(x, y, w, h, buf, bt, ps, ls);
    }

  private:
    CPLErr read(int x, int y, int w, int h, void* buf, GDALDataType bt, GSpacing ps, GSpacing ls) {
        std::vector<double> row(static_cast<std::size_t>(w));
        for (int k = 0; k < h; ++k) {
            if (r_.cancelled()) {
                CPLError(CE_Failure, CPLE_UserInterrupt, "Interrupted");
                return CE_Failure;
            }
            r_.readRow(y + k, x, w, row.data());
            if (channel_ >= 0)
                for (double& v : row)
                    v = colour(v);
            GDALCopyWords64(row.data(), GDT_Float64, sizeof(double),
                            static_cast<GByte*>(buf) + k * ls, bt, static_cast<int>(ps), w);
        }
        return CE_None;
    }
    double colour(double v) const {
        return OverlayRgba(v, r_.maximum, firstLevel_)[static_cast<std::size_t>(channel_)];
    }
    const NodeRaster& r_;
    int channel_, firstLevel_;
};

class GridSource : public GDALPamDataset {
  public:
    explicit GridSource(const NodeRaster& r) : affine_(r.affine), srs_(LonLatCrs()) {
        nRasterXSize = r.cols;
        nRasterYSize = r.rows;
    }
    CPLErr GetGeoTransform(double* gt) override {
        std::copy(affine_.begin(), affine_.end(), gt);
        return CE_None;
    }
    const OGRSpatialReference* GetSpatialRef() const override { return &srs_; }
    void addBand(GDALRasterBand* b) { SetBand(b->GetBand(), b); }

  private:
    std::array<double, 6> affine_;
    OGRSpatialReference srs_;
};

} // namespace

GDALDatasetUniquePtr GridDataset(const NodeRaster& r, GDALDataType type) {
    StopIfCancelled(r);
    ensureGdal();
    auto ds = std::make_unique<GridSource>(r);
    auto* band = new GridBand(ds.get(), r, type, -1, 0);
    ds->addBand(band);
    band->SetUnitType(DensityUnit);
    if (r.hasNodata) band->SetNoDataValue(NodataValue);
    return GDALDatasetUniquePtr(ds.release());
}

std::array<std::uint8_t, 4> OverlayRgba(double v, double maximum, int firstLevel) {
    const auto level = v == NodataValue ? std::nullopt : render::LevelOf(v, maximum);
    if (!level || *level < firstLevel) return {0, 0, 0, 0};
    const render::Rgb c = render::DensityStep(*level);
    return {c.r, c.g, c.b, 255};
}

GDALDatasetUniquePtr ColourDataset(const NodeRaster& r, int firstLevel) {
    StopIfCancelled(r);
    ensureGdal();
    auto ds = std::make_unique<GridSource>(r);
    for (int c = 0; c < 4; ++c)
        ds->addBand(new GridBand(ds.get(), r, GDT_Byte, c, firstLevel));
    ds->GetRasterBand(4)->SetColorInterpretation(GCI_AlphaBand);
    return GDALDatasetUniquePtr(ds.release());
}

} // namespace brenvik::gis
