#include "batch/ComplianceSteps.h"

#include "batch/Progress.h"
#include "calc/GridCalc.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/RuleVerdicts.h"
#include "compliance/SiteInventory.h"
#include "compliance/Summary.h"
#include "gis/BuildingLayer.h"
#include "measure/Import.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "model/ResultStamp.h"
#include "render/DisplayForms.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace brenvik::batch {

namespace {

compliance::Library LibraryFor(const RunEnvironment& env) {
    compliance::LoadedLibrary lib = compliance::LoadLibrary();
    if (!lib.warning.empty() && env.warn) env.warn(lib.warning);
    return std::move(lib.library);
}

std::string today() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

} // namespace

bool WantsCompliance(const BatchOptions& o, std::span<const pipeline::OutputFormat> outputs) {
    if (o.standard || o.population) return true;
    if (o.reportPath && pipeline::outputFormat(pipeline::OutputKind::Report).needs.ratio)
        return true;
    for (const auto& e : o.exports)
        if (pipeline::outputFormat(e.kind, outputs).needs.ratio) return true;
    return false;
}

void ApplyComplianceSettings(Project& p, const BatchOptions& o) {
    if (o.standard) p.Compliance.Standard = *o.standard;
    if (o.population)
        p.Compliance.Group =
            compliance::PopulationFromName(*o.population).value_or(Population::Public);
    if (o.siteName) p.Compliance.SiteName = *o.siteName;
    if (o.assessor) p.Compliance.Assessor = *o.assessor;
}

void ImportSitesStep(Project& p, const std::string& path) {
    if (auto refused = compliance::ImportSitesFile(p, path, compliance::ImportMode::Replace))
        throw BatchFailure(*refused);
}

void ImportPlacesStep(Project& p, const std::string& path, const RunEnvironment& env) {
    const compliance::PlacesImport r = compliance::ImportPlacesFile(p, path);
    if (r.refusal) throw BatchFailure(*r.refusal);
    if (!r.note.empty() && env.warn) env.warn(r.note);
}

void ImportMeasurementsStep(Project& p, const BatchOptions& o, const RunEnvironment& env) {
    const measure::MeasurementImport r =
        measure::ImportMeasurementsFile(p, *o.measurements, o.measurementOptions);
    if (r.refusal) throw BatchFailure(*r.refusal);
    if (!r.note.empty() && env.warn) env.warn(r.note);
}

std::vector<double> InverseLimitsFor(const Project& p, const BatchOptions& o,
                                     const RunEnvironment& env) {
    if (!WantsCompliance(o, env.outputs)) return {};
    auto r =
        compliance::InverseLimits(p, LibraryFor(env), p.Compliance.Standard, p.Compliance.Group);
    if (r.refusal) throw BatchFailure(*r.refusal);
    return r.inverse;
}

void CompleteRatio(Project& p, const BatchOptions& o, const RunEnvironment& env) {
    if (!WantsCompliance(o, env.outputs)) return;
    const bool xy = ResultCurrent(p, Plane::XY) && !compliance::HasRatio(p, false);
    const bool xz = ResultCurrent(p, Plane::XZ) && !compliance::HasRatio(p, true);
    if (!xy && !xz) return;
    BatchFeedback feedback(env.cancel, env.progress, "ratio", env.warn);
    CalcControl ctl;
    ctl.feedback = &feedback;
    const CalcOutcome r = compliance::ComputeRatios(p, InverseLimitsFor(p, o, env), ctl);
    if (r.status == CalcStatus::Cancelled) throw BatchFailure(kMsgInterrupted);
    if (!r.ok()) throw BatchFailure(r.message);
}

void WriteDrawnStep(const Project& p, pipeline::OutputKind kind, const std::string& path,
                    const RunEnvironment& env, const ImageRequest* image,
                    const std::vector<compliance::Rule>& rules) {
    // The report names a limits file that does not read; the image judges
    // its places quietly, as the window draws them.
    const compliance::Library lib =
        kind == pipeline::OutputKind::Report ? LibraryFor(env) : compliance::LoadLibrary().library;
    pipeline::OutputContext ctx;
    ctx.library = &lib;
    ctx.date = today();
    ctx.writePdf = env.writePdf;
    ctx.rules = rules;
    if (image && env.drawImage)
        ctx.drawPicture = [&env, image](const Project& q, const std::string& to,
                                        const render::Overlay& overlay,
                                        Feedback& fb) -> std::optional<std::string> {
            env.drawImage(q, *image, to, overlay, &fb);
            return std::nullopt;
        };
    BatchFeedback feedback(env.cancel);
    if (auto failed = pipeline::WriteOutput(p, kind, path, feedback, ctx))
        throw BatchFailure(*failed);
}

std::vector<compliance::Rule> RulesFor(const BatchOptions& o, const RunEnvironment& env) {
    if (o.rules.empty()) return {};
    const compliance::LoadedRules loaded = compliance::LoadRules();
    if (!loaded.warning.empty() && env.warn) env.warn(loaded.warning);
    compliance::ChosenRules chosen = compliance::ChooseRules(loaded.book, o.rules);
    if (chosen.refusal) throw BatchFailure(*chosen.refusal);
    const compliance::Library lib = compliance::LoadLibrary().library;
    for (const compliance::Rule& r : chosen.rules)
        if (auto refused = compliance::StandardRefusal(r, lib)) throw BatchFailure(*refused);
    return std::move(chosen.rules);
}

} // namespace brenvik::batch
