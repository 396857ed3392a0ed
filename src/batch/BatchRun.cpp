#include "batch/BatchRun.h"

#include "batch/BatchPrompts.h"
#include "batch/GisOutput.h"
#include "batch/ComplianceSteps.h"
#include "batch/GridDump.h"
#include "batch/StagedOutputs.h"
#include "calc/GridCalc.h"
#include "calc/Messages.h"
#include "calc/Towers.h"
#include "export/CsvExport.h"
#include "model/Document.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "render/Commands.h"
#include "render/Scene.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace brenvik::batch {

namespace {

inline constexpr const char* kMsgNoXZ =
    "Calcule first the electromagnetic pollution in the plane XZ";
inline constexpr const char* kMsgXZViewZoom =
    "To view the XZ-plane, it is needed a a zoom value of 100% to make a XY-Calculation";

CsvExport csvKind(ExportKind k) {
    switch (k) {
    case ExportKind::IsolinesCartesian:
        return CsvExport::IsolinesCartesian;
    case ExportKind::IsolinesGeographic:
        return CsvExport::IsolinesGeographic;
    case ExportKind::SourcesCartesian:
        return CsvExport::SourcesCartesian;
    case ExportKind::SourcesGeographic:
        return CsvExport::SourcesGeographic;
    case ExportKind::ConcentrationsCartesian:
        return CsvExport::ConcentrationsCartesian;
    case ExportKind::ConcentrationsGeographic:
        return CsvExport::ConcentrationsGeographic;
    case ExportKind::MaximumCartesian:
        return CsvExport::MaximumCartesian;
    case ExportKind::MaximumGeographic:
        return CsvExport::MaximumGeographic;
    default:
        break;
    }
    throw std::logic_error("not a CSV export");
}

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
    if (!out) throw BatchFailure(FileErrorMessage);
    if (!writeGridDump(out, g, nx, ny, cancel)) throw BatchFailure(kMsgInterrupted);
    out.flush();
    if (!out) throw BatchFailure(FileErrorMessage);
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

} // namespace

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

void readProject(Project& p, const std::string& path) {
    // The application's Open command, with the path from the command line for
    // its file dialog.
    BatchPrompts prompts;
    prompts.setNextPath(path);
    if (!OpenProject(p, prompts)) throw BatchFailure(prompts.lastMessage(FileErrorMessage));
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
}

void writeExport(Project& p, ExportKind kind, const std::string& path,
                 const std::atomic<bool>* cancel) {
    if (writeComplianceExport(p, kind, path)) return;
    if (kind == ExportKind::GridXY) {
        if (!p.XYCalculated) throw BatchFailure(render::kMsgNoResult);
        dumpGrid(p.DensityGrid, p.GridNX, p.GridNY, path, cancel);
        return;
    }
    if (kind == ExportKind::GridXZ) {
        if (!p.XZCalculated) throw BatchFailure(kMsgNoXZ);
        dumpGrid(p.XZDensityGrid, p.GridNX, p.GridNY, path, cancel);
        return;
    }
    if (isGisExport(kind)) {
        writeGisExport(p, kind, path);
        return;
    }
    // The export menu command itself, answering its file dialog with `path`,
    // so the file is the one the application writes, byte for byte.
    BatchPrompts prompts;
    prompts.setNextPath(path);
    std::string fileName = p.FileName;
    ExportResult r = RunCsvExport(p, prompts, csvKind(kind), cancel);
    p.FileName = fileName; // the dialog's path is the staging file, not the user's
    if (raised(cancel)) throw BatchFailure(kMsgInterrupted);
    if (r != ExportResult::Written) throw BatchFailure(prompts.lastMessage(FileErrorMessage));
}

void prepareImage(Project& p, const ImageRequest& image) {
    if (image.plane) {
        if (*image.plane == ImagePlane::XZ) {
            // The window's switch to the section refuses in this order.
            if (!p.XZCalculated) throw BatchFailure(kMsgNoXZ);
            if (p.XYCalcZoom != 1.0) throw BatchFailure(kMsgXZViewZoom);
            p.CurrentPlane = Plane::XZ;
        } else {
            p.CurrentPlane = Plane::XY;
        }
    }
    if (image.whiteBackground) p.WhiteBackground = *image.whiteBackground ? 1 : 0;
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
    if (!ok) throw BatchFailure(prompts.lastMessage(FileErrorMessage));
}

RunOutcome runBatch(const BatchOptions& o, const RunEnvironment& env) {
    using Clock = std::chrono::steady_clock;
    StagedOutputs staged;
    auto timed = [&env](const std::string& step, auto&& body) {
        auto t0 = Clock::now();
        std::clock_t c0 = std::clock();
        body();
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
        timed("read", [&] { readProject(p, o.projectPath); });
        applySettings(p, o);
        if (o.importSites) timed("import sites", [&] { importSitesStep(p, *o.importSites); });
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
                if (!env.drawImage) throw BatchFailure("Cannot draw images in this program");
                env.drawImage(p, *o.image, staged.temporaryFor(o.image->path));
            });
        }
        if (o.reportPath) {
            checkCancel(env);
            timed("report", [&] { writeReportStep(p, env, staged.temporaryFor(*o.reportPath)); });
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
