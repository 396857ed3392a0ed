#include "batch/BatchRun.h"

#include "batch/BatchPrompts.h"
#include "batch/ComplianceSteps.h"
#include "batch/GisOutput.h"
#include "batch/GridDump.h"
#include "batch/StagedOutputs.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"
#include "export/CsvExport.h"
#include "model/Document.h"
#include "model/Messages.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"
#include "render/DisplayForms.h"
#include "render/Scene.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace brenvik::batch {

namespace {

void checkCancel(const RunEnvironment& env) {
    if (env.cancel && env.cancel->load(std::memory_order_relaxed))
        throw BatchFailure(kMsgInterrupted);
}

bool raised(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

void dumpGrid(const Grid2D<double>& g, int nx, int ny, const std::string& path,
              const std::atomic<bool>* cancel) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw BatchFailure(msg::FileError);
    if (!writeGridDump(out, g, nx, ny, cancel)) throw BatchFailure(kMsgInterrupted);
    out.flush();
    if (!out) throw BatchFailure(msg::FileError);
}

// The "Antenna parameters" dialog: only the angles given change; the other box
// keeps the value the dialog shows on opening.
void applyAntennaParameters(Project& p, const BatchOptions& o) {
    if (!o.openAngleBTS && !o.openAngleDTS) return;
    OpenAnglesForm f = OpenAnglesFormLoad(p);
    if (o.openAngleBTS) f.text1 = FormatNumberC(*o.openAngleBTS);
    if (o.openAngleDTS) f.text2 = FormatNumberC(*o.openAngleDTS);
    if (auto refused = OpenAnglesFormAccept(p, f)) throw BatchFailure(*refused);
}

CalcControl calcControl(const char* plane, const RunEnvironment& env) {
    CalcControl ctl;
    ctl.cancel = env.cancel;
    ProgressBar* bar = env.progress;
    const std::atomic<bool>* cancel = env.cancel;
    ctl.progress = [bar, cancel, plane](const CalcProgress& c) {
        if (bar)
            bar->update(plane, ProgressCounts{c.pass, c.passCount, c.antenna, c.antennaCount,
                                              c.node, c.nodeTotal});
        return !(cancel && cancel->load(std::memory_order_relaxed));
    };
    return ctl;
}

void finishCalculation(const CalcOutcome& r, const RunEnvironment& env) {
    if (env.progress) env.progress->finish();
    if (r.status == CalcStatus::Cancelled) throw BatchFailure(kMsgInterrupted);
    if (r.status == CalcStatus::Failed)
        throw BatchFailure(r.message.empty() ? msg::InputDataError : r.message);
}

void writeGridXY(Project& p, const std::string& path, const std::atomic<bool>* cancel) {
    if (!p.XY.Calculated) throw BatchFailure(msg::NoResult);
    dumpGrid(p.XY.Density, p.GridNX, p.GridNY, path, cancel);
}

void writeGridXZ(Project& p, const std::string& path, const std::atomic<bool>* cancel) {
    if (!p.XZ.Calculated) throw BatchFailure(msg::NoXZResult);
    dumpGrid(p.XZ.Density, p.GridNX, p.GridNY, path, cancel);
}

template <ExportKind Kind>
void writeMapLayer(Project& p, const std::string& path, const std::atomic<bool>* cancel) {
    writeGisExport(p, Kind, path, cancel);
}

template <ExportKind Kind>
void writeCompliance(Project& p, const std::string& path, const std::atomic<bool>*) {
    writeComplianceExport(p, Kind, path);
}

// The export menu command itself, answering its file dialog with `path`, so
// the file is the one the application writes, byte for byte.
template <CsvExport Kind>
void writeCsv(Project& p, const std::string& path, const std::atomic<bool>* cancel) {
    BatchPrompts prompts;
    prompts.setNextPath(path);
    ExportResult r = RunCsvExport(p, prompts, Kind, cancel);
    if (raised(cancel)) throw BatchFailure(kMsgInterrupted);
    if (r != ExportResult::Written) throw BatchFailure(prompts.lastMessage(msg::FileError));
}

constexpr ExportKindRow kExportKinds[] = {
    {ExportKind::IsolinesCartesian, "isolines-cartesian", writeCsv<CsvExport::IsolinesCartesian>},
    {ExportKind::IsolinesGeographic, "isolines-geographic",
     writeCsv<CsvExport::IsolinesGeographic>},
    {ExportKind::SourcesCartesian, "sources-cartesian", writeCsv<CsvExport::SourcesCartesian>},
    {ExportKind::SourcesGeographic, "sources-geographic", writeCsv<CsvExport::SourcesGeographic>},
    {ExportKind::ConcentrationsCartesian, "concentrations-cartesian",
     writeCsv<CsvExport::ConcentrationsCartesian>},
    {ExportKind::ConcentrationsGeographic, "concentrations-geographic",
     writeCsv<CsvExport::ConcentrationsGeographic>},
    {ExportKind::MaximumCartesian, "maximum-cartesian", writeCsv<CsvExport::MaximumCartesian>},
    {ExportKind::MaximumGeographic, "maximum-geographic", writeCsv<CsvExport::MaximumGeographic>},
    {ExportKind::GridXY, "grid-xy", writeGridXY},
    {ExportKind::GridXZ, "grid-xz", writeGridXZ},
    {ExportKind::Sites, "sites", writeCompliance<ExportKind::Sites>},
    {ExportKind::ExposureRatioGrid, "exposure-ratio-grid",
     writeCompliance<ExportKind::ExposureRatioGrid>},
    {ExportKind::GeoTiff, "geotiff", writeMapLayer<ExportKind::GeoTiff>},
    {ExportKind::IsolinesGeoJson, "isolines-geojson", writeMapLayer<ExportKind::IsolinesGeoJson>},
    {ExportKind::ZonesGeoJson, "zones-geojson", writeMapLayer<ExportKind::ZonesGeoJson>},
    {ExportKind::GeoPackage, "gpkg", writeMapLayer<ExportKind::GeoPackage>},
    {ExportKind::Kmz, "kmz", writeMapLayer<ExportKind::Kmz>},
    {ExportKind::Places, "places", writeCompliance<ExportKind::Places>},
    {ExportKind::PlacesGeoJson, "places-geojson", writeCompliance<ExportKind::PlacesGeoJson>},
    {ExportKind::Buildings, "buildings", writeCompliance<ExportKind::Buildings>},
    {ExportKind::BuildingsGeoJson, "buildings-geojson",
     writeCompliance<ExportKind::BuildingsGeoJson>},
    {ExportKind::BuildingsGpkg, "buildings-gpkg", writeCompliance<ExportKind::BuildingsGpkg>},
};

} // namespace

std::span<const ExportKindRow> exportKinds() {
    return kExportKinds;
}

const char* exportKindName(ExportKind kind) {
    for (const ExportKindRow& row : kExportKinds)
        if (row.kind == kind) return row.name;
    return "";
}

std::optional<ExportKind> exportKindFromName(const std::string& name) {
    for (const ExportKindRow& row : kExportKinds)
        if (name == row.name) return row.kind;
    return std::nullopt;
}

void runXYStep(Project& p, const BatchOptions& o, const RunEnvironment& env) {
    // The "XY-Calculation" command and its dialog "Calculation".
    if (auto refused = XYCalcRefusal(p)) throw BatchFailure(*refused);
    CalForm f = CalFormLoad(p);
    if (o.xySurface) {
        CalFormOption1(p, f);
    } else {
        CalFormOption2(p, f);
        f.text1 = FormatNumberC(o.xyHeight);
    }
    if (auto refused = CalFormAccept(p, f)) throw BatchFailure(*refused);
    CalcControl ctl = calcControl("XY", env);
    ctl.inverseLimit = inverseLimitsFor(p, o, env);
    finishCalculation(RunXYCalculation(p, ctl), env);
}

void runXZStep(Project& p, const BatchOptions& o, const RunEnvironment& env) {
    // The "XZ-Calculation" command and its dialog, in the order of their checks.
    if (auto refused = XZViewRefusal(p)) throw BatchFailure(*refused);
    if (auto refused = XZSourceRefusal(p)) throw BatchFailure(*refused);
    XZDialogDistance(p);
    if (auto refused = XZDialogAccept(p, FormatNumberC(*o.xzDistance)))
        throw BatchFailure(*refused);
    CalcControl ctl = calcControl("XZ", env);
    ctl.inverseLimit = inverseLimitsFor(p, o, env);
    finishCalculation(RunXZCalculation(p, ctl), env);
}

void readProject(Project& p, const std::string& path, const RunEnvironment& env) {
    // The application's Open command, with the path from the command line for
    // its file dialog.
    BatchPrompts prompts;
    prompts.setNextPath(path);
    if (!OpenProject(p, prompts)) throw BatchFailure(prompts.lastMessage(msg::FileError));
    // What the window would show on opening (a newer program's file) is a note.
    if (env.warn)
        for (const std::string& m : prompts.messages())
            env.warn(m);
}

// The exposure model and reflection factor given: a result of the file made
// with other ones no longer stands, so it is dropped and needs --xy / --xz.
void applyExposureModel(Project& p, const BatchOptions& o) {
    ExposureSettings e = p.Exposure;
    if (o.model) e.Model = *o.model;
    if (o.reflection) e.ReflectionFactor = *o.reflection;
    if (e == p.Exposure) return;
    p.Exposure = e;
    p.XY.Calculated = false;
    p.XZ.Calculated = false;
}

void applySettings(Project& p, const BatchOptions& o) {
    applyAntennaParameters(p, o);
    if (o.isolines) {
        // The "Number of isolines" dialog: it discards the isolines of a result
        // read from the file; the next calculation fills them for the new count.
        auto refused = render::acceptIsolineCount(p, std::to_string(*o.isolines));
        if (refused) throw BatchFailure(*refused);
    }
    applyComplianceSettings(p, o);
    applyExposureModel(p, o);
}

// Every output of a result is of a current one: a result the run's settings
// or imported sites put out of date is refused, never written as if it held.
void requireCurrent(const Project& p, Plane plane) {
    if (ResultStale(p, plane)) throw BatchFailure(msg::BatchResultOutOfDate);
}

void writeExport(Project& p, ExportKind kind, const std::string& path,
                 const std::atomic<bool>* cancel) {
    if (kind == ExportKind::GridXZ)
        requireCurrent(p, Plane::XZ);
    else if (kind != ExportKind::Sites && kind != ExportKind::SourcesCartesian &&
             kind != ExportKind::SourcesGeographic)
        requireCurrent(p, Plane::XY);
    for (const ExportKindRow& row : exportKinds())
        if (row.kind == kind) return row.write(p, path, cancel);
    throw std::logic_error("an export kind without a row");
}

void prepareImage(Project& p, const ImageRequest& image) {
    if (image.plane) {
        if (*image.plane == ImagePlane::XZ) {
            // The window's switch to the section refuses in this order.
            if (!p.XZ.Calculated) throw BatchFailure(msg::NoXZResult);
            if (p.XYCalcZoom != 1.0) throw BatchFailure(msg::XZViewNeedsXYZoom);
            p.CurrentPlane = Plane::XZ;
        } else {
            p.CurrentPlane = Plane::XY;
        }
    }
    if (image.whiteBackground) p.WhiteBackground = *image.whiteBackground;
    if (image.style) {
        render::DisplayCommandOutcome r = render::showResults(p, ResultStyle(*image.style));
        if (!r.accepted) throw BatchFailure(r.message);
    }
}

void saveProject(Project& p, const std::string& path, const std::atomic<bool>* cancel) {
    BatchPrompts prompts;
    prompts.setNextPath(path);
    std::string fileName = p.FileName;
    bool ok = SaveProject(p, prompts, cancel);
    p.FileName = fileName;
    if (raised(cancel)) throw BatchFailure(kMsgInterrupted);
    if (!ok) throw BatchFailure(prompts.lastMessage(msg::FileError));
}

RunOutcome runBatch(const BatchOptions& o, const RunEnvironment& env) {
    using Clock = std::chrono::steady_clock;
    StagedOutputs staged;
    auto timed = [&env, &staged](const std::string& step, auto&& body) {
        auto t0 = Clock::now();
        std::clock_t c0 = std::clock();
        body();
        staged.relockAll();
        if (env.stepTimed)
            env.stepTimed(step, std::chrono::duration<double>(Clock::now() - t0).count(),
                          static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
    };
    try {
        // Claim every output first: a folder that cannot be written fails the
        // run before the long calculation, not after it.
        for (const auto& e : o.exports)
            staged.stage(e.path);
        if (o.image) staged.stage(o.image->path);
        if (o.savePath) staged.stage(*o.savePath);
        if (o.reportPath) staged.stage(*o.reportPath);

        Project p;
        timed("read", [&] { readProject(p, o.projectPath, env); });
        applySettings(p, o);
        if (o.importSites) timed("import sites", [&] { importSitesStep(p, *o.importSites); });
        if (o.terrain) timed("terrain", [&] { terrainStep(p, *o.terrain, env); });
        if (o.buildings)
            timed("buildings", [&] { buildingsStep(p, *o.buildings, o.buildingHeightM, env); });
        if (o.places) timed("import places", [&] { importPlacesStep(p, *o.places, env); });
        checkCancel(env);
        if (o.xy) timed("xy", [&] { runXYStep(p, o, env); });
        checkCancel(env);
        if (o.xzDistance) timed("xz", [&] { runXZStep(p, o, env); });
        if (wantsCompliance(o)) timed("ratio", [&] { completeRatio(p, o, env); });
        for (const auto& e : o.exports) {
            checkCancel(env);
            timed(std::string("export ") + exportKindName(e.kind),
                  [&] { writeExport(p, e.kind, staged.temporaryFor(e.path), env.cancel); });
        }
        if (o.image) {
            checkCancel(env);
            timed("image", [&] {
                prepareImage(p, *o.image);
                requireCurrent(p, p.CurrentPlane);
                if (!env.drawImage) throw BatchFailure("Cannot draw images in this program");
                env.drawImage(p, *o.image, staged.temporaryFor(o.image->path));
            });
        }
        if (o.reportPath) {
            checkCancel(env);
            timed("report", [&] {
                requireCurrent(p, Plane::XY);
                requireCurrent(p, Plane::XZ);
                writeReportStep(p, env, staged.temporaryFor(*o.reportPath));
            });
        }
        if (o.savePath) {
            checkCancel(env);
            timed("save", [&] { saveProject(p, staged.temporaryFor(*o.savePath), env.cancel); });
        }
        checkCancel(env);
        timed("commit", [&] { staged.commitAll(); });
        return {0, {}};
    } catch (const BatchFailure& f) {
        staged.discardAll();
        return {1, f.what()};
    } catch (const OutputError& f) {
        staged.discardAll();
        return {1, f.what()};
    } catch (const std::bad_alloc&) {
        staged.discardAll();
        return {1, "Out of memory"};
    } catch (const std::exception& f) {
        staged.discardAll();
        return {1, f.what()};
    }
}

} // namespace brenvik::batch
