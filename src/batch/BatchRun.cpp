#include "batch/BatchRun.h"

#include "antenna/Pattern.h"
#include "batch/BatchPrompts.h"
#include "batch/ComplianceSteps.h"
#include "batch/InputSteps.h"
#include "batch/Progress.h"
#include "batch/StagedOutputs.h"
#include "calc/CalcForms.h"
#include "calc/GridCalc.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"
#include "model/Document.h"
#include "model/Invalidation.h"
#include "model/Messages.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"
#include "pipeline/Calculations.h"
#include "pipeline/Outputs.h"
#include "render/DisplayForms.h"
#include "render/Scene.h"

#include <chrono>
#include <ctime>

namespace brenvik::batch {

namespace {

void checkCancel(const RunEnvironment& env) {
    if (env.cancel && env.cancel->isCanceled()) throw BatchFailure(kMsgInterrupted);
}

// The "Antenna parameters" dialog: only the angles given change; the other box
// keeps the value the dialog shows on opening.
void ApplyAntennaParameters(Project& p, const BatchOptions& o) {
    SetOpenAngles(p, o.openAngleBTS, o.openAngleDTS);
}

void FinishCalculation(const CalcOutcome& r, const RunEnvironment& env) {
    if (env.progress) env.progress->finish();
    if (r.status == CalcStatus::Cancelled) throw BatchFailure(kMsgInterrupted);
    if (r.status == CalcStatus::Failed)
        throw BatchFailure(r.message.empty() ? msg::InputDataError : r.message);
}

} // namespace

void RunXYStep(Project& p, const BatchOptions& o, const RunEnvironment& env) {
    // The "XY-Calculation" command and its dialog "Calculation".
    if (auto refused = XYCalcRefusal(p)) throw BatchFailure(*refused);
    CalForm f = CalFormLoad(p);
    if (o.xySurface) {
        CalFormOption1(p, f);
    } else {
        CalFormOption2(p, f);
        SetCalculationHeight(p, o.xyHeight);
    }
    BatchFeedback feedback(env.cancel, env.progress, "XY", env.warn);
    FinishCalculation(pipeline::RunCalculation(p, Plane::XY, feedback, InverseLimitsFor(p, o, env)),
                      env);
}

void RunXZStep(Project& p, const BatchOptions& o, const RunEnvironment& env) {
    // The "XZ-Calculation" command and its dialog, in the order of their checks.
    if (auto refused = XZViewRefusal(p)) throw BatchFailure(*refused);
    if (auto refused = XZSourceRefusal(p)) throw BatchFailure(*refused);
    if (o.xzThrough) {
        if (SetSectionThrough(p, *o.xzThrough))
            throw BatchFailure("option --xz-through: antenna " + std::to_string(*o.xzThrough) +
                               " is not a panel or a stick of the project");
    } else {
        XZDialogDistance(p);
        if (auto refused = SetSectionDistance(p, *o.xzDistance)) throw BatchFailure(*refused);
    }
    BatchFeedback feedback(env.cancel, env.progress, "XZ", env.warn);
    FinishCalculation(pipeline::RunCalculation(p, Plane::XZ, feedback, InverseLimitsFor(p, o, env)),
                      env);
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
void ApplyExposureModel(Project& p, const BatchOptions& o) {
    ExposureSettings e = p.Exposure;
    if (o.model) e.Model = *o.model;
    if (o.reflection) e.ReflectionFactor = *o.reflection;
    if (e == p.Exposure) return;
    p.Exposure = e;
    DropInvalidatedResults(p, ModelChange::ExposureModel);
}

void ApplySettings(Project& p, const BatchOptions& o) {
    ApplyAntennaParameters(p, o);
    if (o.isolines) {
        // The "Number of isolines" dialog: it discards the isolines of a result
        // read from the file; the next calculation fills them for the new count.
        auto refused = render::SetIsolineCount(p, *o.isolines);
        if (refused) throw BatchFailure(*refused);
    }
    ApplyComplianceSettings(p, o);
    ApplyExposureModel(p, o);
    p.Display.Colours = o.colours;
}

namespace {

// Every output of a result is of a current one: a result the run's settings
// or imported sites put out of date is refused, never written as if it held.
void RequireCurrent(const Project& p, const pipeline::OutputNeeds& needs) {
    for (Plane plane : pipeline::PlanesRead(p, needs))
        if (ResultStale(p, plane)) throw BatchFailure(msg::BatchResultOutOfDate);
}

} // namespace

void WriteExport(const Project& p, const pipeline::OutputFormat& format, const std::string& path,
                 Feedback& feedback) {
    RequireCurrent(p, format.needs);
    if (auto failed = pipeline::WriteOutput(p, format, path, feedback)) throw BatchFailure(*failed);
    if (feedback.isCanceled()) throw BatchFailure(kMsgInterrupted);
}

void WriteExport(Project& p, ExportKind kind, const std::string& path, Feedback& feedback) {
    WriteExport(p, pipeline::outputFormat(kind), path, feedback);
}

void WriteExport(Project& p, ExportKind kind, const std::string& path, const Feedback* cancel) {
    BatchFeedback feedback(cancel);
    WriteExport(p, kind, path, feedback);
}

void PrepareImage(Project& p, const ImageRequest& image) {
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

void saveProject(Project& p, const std::string& path, const Feedback* cancel) {
    BatchFeedback feedback(cancel);
    const auto failed = pipeline::WriteOutput(p, pipeline::OutputKind::ProjectFile, path, feedback);
    if (feedback.isCanceled()) throw BatchFailure(kMsgInterrupted);
    if (failed) throw BatchFailure(*failed);
}

namespace {

// Claims every output first: a folder that cannot be written fails the run
// before the long calculation, not after it.
void StageOutputs(StagedOutputs& staged, const BatchOptions& o) {
    for (const auto& e : o.exports)
        staged.stage(e.path);
    if (o.image) staged.stage(o.image->path);
    if (o.savePath) staged.stage(*o.savePath);
    if (o.reportPath) staged.stage(*o.reportPath);
}

} // namespace

RunOutcome RunBatch(const BatchOptions& o, const RunEnvironment& env) {
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
        StageOutputs(staged, o);
        // A rule that does not read fails the run before the long calculation.
        const std::vector<compliance::Rule> rules = RulesFor(o, env);
        Project p;
        timed("read", [&] { readProject(p, o.projectPath, env); });
        ApplySettings(p, o);
        if (o.importSites) timed("import sites", [&] { ImportSitesStep(p, *o.importSites); });
        // The patterns' warnings, once, before anything is worked out with them.
        if (env.warn && p.Exposure.Model == ExposureModel::FarField)
            for (const std::string& w : antenna::ProjectPatternWarnings(p))
                env.warn("Warning: " + w);
        if (o.terrain) timed("terrain", [&] { TerrainStep(p, *o.terrain, env); });
        if (o.buildings)
            timed("buildings", [&] { BuildingsStep(p, *o.buildings, o.buildingHeightM, env); });
        if (o.places) timed("import places", [&] { ImportPlacesStep(p, *o.places, env); });
        if (o.measurements)
            timed("import measurements", [&] { ImportMeasurementsStep(p, o, env); });
        checkCancel(env);
        if (o.xy) timed("xy", [&] { RunXYStep(p, o, env); });
        checkCancel(env);
        if (o.xzDistance || o.xzThrough) timed("xz", [&] { RunXZStep(p, o, env); });
        if (WantsCompliance(o, env.outputs)) timed("ratio", [&] { CompleteRatio(p, o, env); });
        for (const auto& e : o.exports) {
            checkCancel(env);
            const pipeline::OutputFormat& format = pipeline::outputFormat(e.kind, env.outputs);
            const std::string step = std::string("export ") + format.keyword;
            timed(step, [&] {
                BatchFeedback feedback(env.cancel, env.progress, step, env.warn);
                WriteExport(p, format, staged.temporaryFor(e.path), feedback);
                if (env.progress) env.progress->finish();
            });
        }
        if (o.image) {
            checkCancel(env);
            timed("image", [&] {
                PrepareImage(p, *o.image);
                RequireCurrent(p, pipeline::outputFormat(pipeline::OutputKind::Image).needs);
                WriteDrawnStep(p, pipeline::OutputKind::Image, staged.temporaryFor(o.image->path),
                               env, &*o.image);
            });
        }
        if (o.reportPath) {
            checkCancel(env);
            timed("report", [&] {
                RequireCurrent(p, pipeline::outputFormat(pipeline::OutputKind::Report).needs);
                WriteDrawnStep(p, pipeline::OutputKind::Report, staged.temporaryFor(*o.reportPath),
                               env, nullptr, rules);
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
