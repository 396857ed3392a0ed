#include "app/ComplianceFlows.h"

#include "antenna/Pattern.h"
#include "app/ResultState.h"
#include "app/dialogs/ComplianceDialogs.h"
#include "compliance/Boundaries.h"
#include "compliance/ComplianceView.h"
#include "compliance/SiteInventory.h"
#include "compliance/Summary.h"
#include "model/AtomicFile.h"
#include "model/Messages.h"
#include "model/ResultStamp.h"
#include "pipeline/Outputs.h"
#include "qtsurface/PdfReport.h"
#include "render/Scene.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

namespace brenvik::app {

namespace {

constexpr const char* kCsvFilter = "csv Files (*.csv)| *.csv";
constexpr const char* kRulesFilter = "Rules Files (*.json)| *.json";

// The summary's lines with the rules' verdicts in place of the flat
// national values, which are precautionary notes, not limits.
std::vector<std::string> SummaryWithRules(const Project& p, compliance::Summary s,
                                          const std::vector<std::string>& ruleLines,
                                          compliance::Unit unit) {
    if (ruleLines.empty()) return compliance::SummaryLines(p, s, unit);
    if (!s.verdicts.empty()) s.verdicts.resize(1);
    std::vector<std::string> lines = compliance::SummaryLines(p, s, unit);
    // Right after the standard's own verdict, else after the heading.
    auto at = lines.begin() + std::min<std::ptrdiff_t>(1, std::ssize(lines));
    if (!s.verdicts.empty()) {
        const std::string head = s.verdicts.front().title + ": ";
        const auto own = std::find_if(lines.begin(), lines.end(), [&head](const std::string& l) {
            return l.compare(0, head.size(), head) == 0;
        });
        if (own != lines.end()) at = own + 1;
    }
    lines.insert(at, ruleLines.begin(), ruleLines.end());
    return lines;
}

bool ShowsRatio(const Project& p) {
    const bool section = p.CurrentPlane == Plane::XZ;
    return compliance::HasRatio(p, section);
}

} // namespace

ComplianceFlows::ComplianceFlows(Project& p, Prompts& prompts, QWidget& window, QStatusBar* bar,
                                 std::function<void()> redraw)
    : project_(p), prompts_(prompts), window_(window), redraw_(std::move(redraw)) {
    compliance::LoadedLibrary loaded = compliance::LoadLibrary();
    lib_ = std::make_shared<const compliance::Library>(std::move(loaded.library));
    libraryWarning_ = std::move(loaded.warning);
    auto make = [bar](const char* name, int width) {
        auto* l = new QLabel(bar);
        l->setObjectName(name);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setMinimumWidth(width);
        l->hide();
        bar->addWidget(l);
        return l;
    };
    percentLabel_ = make(label::Percent, 110);
    fieldLabel_ = make(label::Field, 150);
}

ComplianceFlows::~ComplianceFlows() = default;

CalcRunner::Job ComplianceFlows::withRatio(CalcRunner::Job job) const {
    return [lib = lib_, job = std::move(job)](Project& work, const CalcControl& c) {
        // Without antennas the calculation gives its own message.
        if (work.AntennaCount < 1) return job(work, c);
        auto limits =
            compliance::InverseLimits(work, *lib, work.Compliance.Standard, work.Compliance.Group);
        if (limits.refusal) return CalcOutcome{CalcStatus::Failed, *limits.refusal};
        CalcControl ratio = c;
        ratio.inverseLimit = std::move(limits.inverse);
        return job(work, ratio);
    };
}

Project ComplianceFlows::shown(const Project& p) const {
    return percent_ ? compliance::PercentView(p) : p;
}

ComplianceFlows::Painter ComplianceFlows::decorate(Painter paint) const {
    return [paint = std::move(paint), lib = lib_, percent = percent_, asked = boundaries_,
            outlines = outlines_](const Project& p, render::Surface& s, render::DotRandom& dots) {
        auto controls = paint(p, s, dots);
        // The far-field model's boundaries and 100 % line over the result.
        if (asked || compliance::TracesShown(p)) {
            const compliance::LimitsResult limits = compliance::AntennaLimits(p, *lib);
            if (!limits.refusal)
                compliance::DrawTraces(p, s, limits.limitWm2, asked, outlines.get());
        }
        // The colour scale's values are percentages: a heading says so, above
        // the scale's top box.
        if (percent && p.DisplayMode == ResultStyle::Gradient && ShowsRatio(p)) {
            const bool xy = p.CurrentPlane == Plane::XY;
            const double y = xy ? render::kShape2Top - 1000.0 - render::kHScrollHeight
                                : render::kIconShapeHeight;
            s.setTextPosition(0, y);
            s.setTextColour(p.WhiteBackground ? render::QbColor(0) : render::QbColor(15));
            s.print("% of limit");
        }
        // Isolines at levels chosen from the result's range: the note gives
        // the range and the levels, next to a sample of the lines.
        const std::string note = percent ? compliance::PercentNote(p) : std::string();
        if (!note.empty() && p.DisplayMode == ResultStyle::Isolines) {
            const bool xy = p.CurrentPlane == Plane::XY;
            const double y = xy ? render::kShape2Top - 1000.0 - render::kHScrollHeight
                                : render::kIconShapeHeight;
            s.box(0, y + 120, 300, y + 120, render::isolineColour(p.Display));
            s.setTextPosition(360, y);
            s.setTextColour(render::isolineColour(p.Display));
            s.print(note);
        }
        return controls;
    };
}

void ComplianceFlows::pointerAt(QPointF u) {
    const auto r = compliance::RatioReadoutAt(project_, u.x(), u.y(), unit_);
    percentLabel_->setVisible(r.has_value());
    fieldLabel_->setVisible(r.has_value());
    if (!r) return;
    percentLabel_->setText(QString::fromStdString(r->percent));
    fieldLabel_->setText(QString::fromStdString(r->value));
}

void ComplianceFlows::clearReadout() {
    percentLabel_->setVisible(false);
    fieldLabel_->setVisible(false);
}

void ComplianceFlows::followResult() {
    if (!project_.XY.Calculated) clearReadout();
}

void ComplianceFlows::importSites() {
    auto* d = new ImportModeDialog(&window_);
    d->setAcceptHandler([this, d] {
        const auto path = prompts_.openPath(kCsvFilter);
        if (!path) return true;
        Edit edit = Edit::antennas(project_);
        const auto refused = compliance::ImportSitesFile(project_, *path, d->mode());
        if (record_) record_("Import sites", std::move(edit), !refused);
        if (refused) {
            prompts_.message(*refused);
            return true;
        }
        redraw_();
        // What the imported patterns' files would have said in the beam dialog.
        std::string notes;
        for (const std::string& w : antenna::ProjectPatternWarnings(project_))
            notes += (notes.empty() ? "" : "\n") + w;
        if (!notes.empty()) prompts_.message(notes);
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

void ComplianceFlows::exportSites() {
    if (project_.AntennaCount < 1) {
        prompts_.message(msg::NoResult);
        return;
    }
    const auto path = prompts_.savePath(pipeline::outputFormat(pipeline::OutputKind::Sites).filter);
    if (!path) return;
    Feedback feedback;
    if (auto failed = pipeline::WriteOutput(project_, pipeline::OutputKind::Sites, *path, feedback))
        prompts_.message(*failed);
}

void ComplianceFlows::settings() {
    if (!libraryWarning_.empty()) {
        prompts_.message(libraryWarning_);
        libraryWarning_.clear();
    }
    std::vector<ComplianceDialog::Choice> standards;
    for (const compliance::Standard& s : lib_->standards())
        standards.emplace_back(s.id, s.title);
    auto* d =
        new ComplianceDialog(compliance::ComplianceFormLoad(project_, unit_), standards, &window_);
    d->setAcceptHandler([this, d] {
        const compliance::ComplianceForm f = d->form();
        Edit edit = Edit::settings(project_);
        const auto refused = compliance::ComplianceFormAccept(project_, f, *lib_);
        if (record_) record_("Compliance", std::move(edit), !refused);
        if (refused) {
            prompts_.message(*refused);
            return false;
        }
        unit_ = f.unit;
        // A new standard or population: the ratio of a current result is
        // computed again once the dialog has gone.
        QMetaObject::invokeMethod(
            &window_, [this] { ensureRatio([] {}); }, Qt::QueuedConnection);
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

void ComplianceFlows::withCurrentRatio(std::function<void()> next) {
    auto ratio = [this, next = std::move(next)]() mutable { ensureRatio(std::move(next)); };
    if (results_)
        results_->whenCurrent(std::move(ratio));
    else
        ratio();
}

void ComplianceFlows::ensureRatio(std::function<void()> next) {
    const bool xy = ResultCurrent(project_, Plane::XY) && !compliance::HasRatio(project_, false);
    const bool xz = ResultCurrent(project_, Plane::XZ) && !compliance::HasRatio(project_, true);
    if (!xy && !xz) {
        next();
        return;
    }
    auto limits = compliance::InverseLimits(project_, *lib_, project_.Compliance.Standard,
                                            project_.Compliance.Group);
    if (limits.refusal) {
        prompts_.message(*limits.refusal);
        return;
    }
    CalcRunner::Job job = [inverse = std::move(limits.inverse)](Project& work,
                                                                const CalcControl& c) {
        return compliance::ComputeRatios(work, inverse, c);
    };
    // Only the ratio and its stamp come back: the density stays the one shown.
    auto done = [this, next = std::move(next)](const CalcOutcome& out, Project& work) {
        if (out.status == CalcStatus::Failed)
            prompts_.message(out.message.empty() ? msg::InputDataError : out.message);
        if (!out.ok()) return;
        project_.XY.Ratio = std::move(work.XY.Ratio);
        project_.XZ.Ratio = std::move(work.XZ.Ratio);
        project_.XY.Stamp.ratio = work.XY.Stamp.ratio;
        project_.XZ.Stamp.ratio = work.XZ.Stamp.ratio;
        redraw_();
        next();
    };
    if (runner_) {
        runner_->start(project_, std::move(job), std::move(done));
        return;
    }
    Project work = project_;
    done(job(work, CalcControl{}), work);
}

void ComplianceFlows::summary() {
    withCurrentRatio([this] {
        const compliance::SummaryResult s = compliance::Summarise(
            project_, *lib_, project_.Compliance.Standard, project_.Compliance.Group);
        if (s.refusal) {
            prompts_.message(*s.refusal);
            return;
        }
        const ChosenRules chosen = chosenRules();
        if (chosen.refusal) {
            prompts_.message(*chosen.refusal);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const std::vector<std::string> ruleLines =
            pipeline::RuleVerdictLines(project_, chosen.rules, *lib_);
        QApplication::restoreOverrideCursor();
        auto* d =
            new SummaryDialog(SummaryWithRules(project_, s.summary, ruleLines, unit_), &window_);
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->open();
    });
}

void ComplianceFlows::report() {
    if (!project_.XY.Calculated) {
        prompts_.message(msg::NoResult);
        return;
    }
    withCurrentRatio([this] {
        const auto path =
            prompts_.savePath(pipeline::outputFormat(pipeline::OutputKind::Report).filter);
        if (!path) return;
        // The buildings and places are evaluated floor by floor first.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto failed = writeReport(*path);
        QApplication::restoreOverrideCursor();
        if (failed) prompts_.message(*failed);
    });
}

pipeline::OutputContext ComplianceFlows::outputContext() const {
    pipeline::OutputContext ctx;
    ctx.library = lib_.get();
    ctx.unit = unit_;
    ctx.date = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm").toStdString();
    ctx.writePdf = qtsurface::WritePdf;
    return ctx;
}

std::optional<std::string> ComplianceFlows::writeReport(const std::string& path) const {
    // A chosen rule that no longer reads stops the report before any file
    // is touched, rather than judging the site by fewer rules.
    ChosenRules chosen = chosenRules();
    if (chosen.refusal) return chosen.refusal;
    // Written beside the target and put in place whole, so a failed report
    // never leaves half a file or destroys the previous one.
    StagedFile staged;
    if (!staged.open(path)) return staged.reason();
    staged.release();
    pipeline::OutputContext ctx = outputContext();
    ctx.rules = std::move(chosen.rules);
    Feedback feedback;
    if (auto failed = pipeline::WriteOutput(project_, pipeline::OutputKind::Report,
                                            staged.temporary(), feedback, ctx))
        return failed;
    if (!staged.finish() || !staged.commit()) return staged.reason();
    return std::nullopt;
}

ComplianceFlows::ChosenRules ComplianceFlows::chosenRules() const {
    if (project_.Compliance.Rules.empty()) return {};
    const compliance::LoadedRules loaded = compliance::LoadRules();
    compliance::ChosenRules chosen =
        pipeline::ResolveRules(loaded.book, project_.Compliance.Rules, *lib_);
    return {std::move(chosen.rules), std::move(chosen.refusal)};
}

void ComplianceFlows::rules() {
    compliance::LoadedRules loaded = compliance::LoadRules();
    if (!loaded.warning.empty()) prompts_.message(loaded.warning);
    // The project's rules first, in their order, then the others the
    // program knows.
    std::vector<RulesDialog::Choice> choices;
    for (const std::string& name : project_.Compliance.Rules) {
        const compliance::Rule* r = loaded.book.find(name);
        choices.push_back({name, r ? r->title + " (" + r->id + ")" : "File " + name, true});
    }
    for (const compliance::Rule& r : loaded.book.rules())
        if (std::find(project_.Compliance.Rules.begin(), project_.Compliance.Rules.end(), r.id) ==
            project_.Compliance.Rules.end())
            choices.push_back({r.id, r.title + " (" + r.id + ")", false});
    auto* d = new RulesDialog(choices, &window_);
    auto book = std::make_shared<const compliance::RuleBook>(std::move(loaded.book));
    QObject::connect(d, &RulesDialog::fileRequested, d, [this, d] {
        const auto path = prompts_.openPath(kRulesFilter);
        if (!path) return;
        // A file that does not read is refused now, naming the rule and field.
        compliance::RuleBook scratch;
        if (auto refused = scratch.addFromFile(*path)) {
            prompts_.message(*refused);
            return;
        }
        d->addFile(*path);
    });
    d->setAcceptHandler([this, d, book] {
        const std::vector<std::string> names = d->chosen();
        if (auto refused = pipeline::ResolveRules(*book, names, *lib_).refusal) {
            prompts_.message(*refused);
            return false;
        }
        Edit edit = Edit::settings(project_);
        project_.Compliance.Rules = names;
        if (record_) record_("Rules", std::move(edit), true);
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

} // namespace brenvik::app
