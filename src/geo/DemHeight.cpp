#include "geo/DemHeight.h"

#include "geo/Geo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <proj.h>

namespace brenvik {

// Longitude/latitude (east, north) to the window's (x, y) as its
// geotransform reads them, with a context of its own.
struct DemConversion {
    PJ_CONTEXT* ctx = nullptr;
    PJ* toDem = nullptr;
    DemConversion() = default;
    DemConversion(const DemConversion&) = delete;
    DemConversion& operator=(const DemConversion&) = delete;
    ~DemConversion() {
        if (toDem) proj_destroy(toDem);
        if (ctx) proj_context_destroy(ctx);
    }
};

} // namespace brenvik

namespace brenvik::geo {

namespace {

struct PjFree {
    void operator()(PJ* pj) const { proj_destroy(pj); }
};
using PjHolder = std::unique_ptr<PJ, PjFree>;

std::shared_ptr<DemConversion> MakeConversion(const std::string& wkt, std::string& why) {
    auto c = std::make_shared<DemConversion>();
    c->ctx = proj_context_create();
    if (!c->ctx) {
        why = "no projection context can be made";
        return nullptr;
    }
    // Failures come back as the caller's message, never on the console.
    proj_log_level(c->ctx, PJ_LOG_NONE);
    PjHolder lonLat(proj_create(c->ctx, "EPSG:4326"));
    PjHolder dem(proj_create(c->ctx, wkt.c_str()));
    if (!lonLat || !dem) {
        why = "its CRS cannot be read";
        return nullptr;
    }
    PjHolder op(proj_create_crs_to_crs_from_pj(c->ctx, lonLat.get(), dem.get(), nullptr, nullptr));
    // East before north on both sides, as longitude/latitude and geotransforms
    // are written, whatever order the CRS's own axes have.
    if (op) c->toDem = proj_normalize_for_visualization(c->ctx, op.get());
    if (!c->toDem) {
        why = "its CRS cannot be reached from longitude/latitude";
        return nullptr;
    }
    return c;
}

} // namespace

std::optional<std::string> ToDemPixels(const DemWindow& w, std::vector<double>& x,
                                       std::vector<double>& y) {
    if (x.size() != y.size()) return "the points do not pair up";
    // One conversion per window and its copies, used under their lock.
    std::shared_ptr<DemWindow::Prepared> cache = w.Cache;
    if (!cache) cache = std::make_shared<DemWindow::Prepared>();
    std::lock_guard<std::mutex> hold(cache->Lock);
    if (cache->ForWkt != w.CrsWkt || (!cache->Conversion && cache->Refusal.empty())) {
        cache->ForWkt = w.CrsWkt;
        cache->Refusal.clear();
        cache->Conversion = MakeConversion(w.CrsWkt, cache->Refusal);
    }
    if (!cache->Conversion) return cache->Refusal;
    const std::size_t n = x.size();
    if (n == 0) return std::nullopt;
    proj_trans_generic(cache->Conversion->toDem, PJ_FWD, x.data(), sizeof(double), n, y.data(),
                       sizeof(double), n, nullptr, 0, 0, nullptr, 0, 0);
    const std::array<double, 6>& t = w.Transform;
    const double det = t[1] * t[5] - t[2] * t[4];
    if (!std::isnormal(det)) return "its geotransform is singular";
    const bool square = t[2] == 0.0 && t[4] == 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        if (!std::isfinite(x[k]) || !std::isfinite(y[k]))
            return "a point of the plan cannot be taken into its CRS";
        const double dx = x[k] - t[0], dy = y[k] - t[3];
        // A north-up model divides each axis alone, which is exact to the last
        // digit; a rotated one inverts the whole transform.
        x[k] = (square ? dx / t[1] : (t[5] * dx - t[2] * dy) / det) - 0.5;
        y[k] = (square ? dy / t[5] : (t[1] * dy - t[4] * dx) / det) - 0.5;
    }
    return std::nullopt;
}

std::optional<double> DemBilinear(const DemWindow& w, double col, double row) {
    const int W = w.Width, H = w.Height;
    if (W < 1 || H < 1 || w.Heights.size() != std::size_t(W) * std::size_t(H)) return std::nullopt;
    // A rounding beyond the outer half pixel still counts as inside.
    constexpr double slack = 1e-9;
    if (!(col >= -0.5 - slack && col <= W - 0.5 + slack && row >= -0.5 - slack &&
          row <= H - 0.5 + slack))
        return std::nullopt;
    const double c = std::floor(col), r = std::floor(row);
    const double tx = std::clamp(col - c, 0.0, 1.0), ty = std::clamp(row - r, 0.0, 1.0);
    const auto pixel = [&](double cc, double rr) {
        return w.at(static_cast<int>(std::clamp(cc, 0.0, double(W - 1))),
                    static_cast<int>(std::clamp(rr, 0.0, double(H - 1))));
    };
    const double a = pixel(c, r), b = pixel(c + 1, r), d = pixel(c, r + 1), e = pixel(c + 1, r + 1);
    return (a * (1 - tx) + b * tx) * (1 - ty) + (d * (1 - tx) + e * tx) * ty;
}

std::optional<double> DemHeightAt(const Project& p, double xm, double ym) {
    if (!p.Dem) return std::nullopt;
    const double step = p.CellSize * p.MetersPerUnit;
    if (!(step > 0.0)) return std::nullopt;
    // The window covers the ground grid's nodes, and so the plan between them.
    if (!(xm >= 0.0 && ym >= 0.0 && xm <= p.GroundGrid.nx() * step &&
          ym <= p.GroundGrid.ny() * step))
        return std::nullopt;
    const Geographic g = PlanToGeographic(p, xm, ym);
    std::vector<double> x{g.lon}, y{g.lat};
    if (ToDemPixels(*p.Dem, x, y)) return std::nullopt;
    return DemBilinear(*p.Dem, x[0], y[0]);
}

std::string ProjRuntimeVersion() {
    const PJ_INFO info = proj_info();
    return std::to_string(info.major) + "." + std::to_string(info.minor) + "." +
           std::to_string(info.patch);
}

} // namespace brenvik::geo
