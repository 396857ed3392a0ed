#include "batch/GisOutput.h"

#include "batch/BatchRun.h"
#include "gis/GisExport.h"
#include "gis/BuildingImport.h"
#include "gis/Terrain.h"

#include <optional>

namespace brenvik::batch {

namespace {

std::optional<gis::GisFormat> gisFormat(ExportKind kind) {
    switch (kind) {
    case ExportKind::GeoTiff:
        return gis::GisFormat::GeoTiff;
    case ExportKind::IsolinesGeoJson:
        return gis::GisFormat::IsolinesGeoJson;
    case ExportKind::ZonesGeoJson:
        return gis::GisFormat::ZonesGeoJson;
    case ExportKind::GeoPackage:
        return gis::GisFormat::GeoPackage;
    case ExportKind::Kmz:
        return gis::GisFormat::Kmz;
    default:
        return std::nullopt;
    }
}

} // namespace

bool isGisExport(ExportKind kind) {
    return gisFormat(kind).has_value();
}

void writeGisExport(const Project& p, ExportKind kind, const std::string& path,
                    const std::atomic<bool>* cancel) {
    const auto format = gisFormat(kind);
    if (!format) throw std::logic_error("not a map layer");
    if (auto refused = gis::gisExportRefusal(p)) throw BatchFailure(*refused);
    // The caller's flag, as the feedback the map writer asks.
    class Watch : public Feedback {
      public:
        explicit Watch(const std::atomic<bool>* flag) : flag_(flag) {}
        bool isCanceled() const override { return flag_ && flag_->load(); }

      private:
        const std::atomic<bool>* flag_;
    } feedback(cancel);
    if (auto failed = gis::writeGisFile(p, *format, path, &feedback))
        throw BatchFailure(*failed);
}

void terrainStep(Project& p, const std::string& path, const RunEnvironment& env) {
    const gis::TerrainSample t = gis::SampleTerrain(p, path, env.cancel);
    if (t.refusal) {
        if (env.cancel && env.cancel->isCanceled()) throw BatchFailure(kMsgInterrupted);
        throw BatchFailure(*t.refusal);
    }
    if (!t.note.empty() && env.warn) env.warn(t.note);
    gis::ApplyTerrain(p, t);
}

void buildingsStep(Project& p, const std::string& path, double defaultHeightM,
                   const RunEnvironment& env) {
    gis::BuildingsImport r = gis::ReadBuildings(p, path, defaultHeightM, env.cancel);
    if (r.refusal) {
        if (env.cancel && env.cancel->isCanceled()) throw BatchFailure(kMsgInterrupted);
        throw BatchFailure(*r.refusal);
    }
    if (!r.note.empty() && env.warn) env.warn(r.note);
    p.Buildings = std::move(r.buildings);
}

} // namespace brenvik::batch
