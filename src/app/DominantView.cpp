#include "app/DominantView.h"

#include "app/OperationRunner.h"
#include "app/PlanView.h"
#include "app/ResultState.h"
#include "app/ToolBench.h"
#include "app/WindowDialogs.h"
#include "app/WindowParts.h"
#include "compliance/Contributions.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "render/Dominant.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace brenvik::app {

namespace {

// Who contributes what, as the plan's result keeps it: the antennas named
// as the legend names them.
ContributionGrids Kept(const Project& p, compliance::Contributions&& c) {
    ContributionGrids g;
    g.Dominant = std::move(c.dominant);
    g.Operators = std::move(c.operators);
    g.OperatorDensity = std::move(c.density);
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    g.AntennaNames.assign(1, std::string());
    for (int s = 1; s <= count; ++s)
        g.AntennaNames.push_back(compliance::DominantName(p, s));
    return g;
}

// The plan's contributions, worked out when the result does not hold them
// yet; null when the work failed (said) or was cancelled (silently).
std::shared_ptr<const ContributionGrids> Contributions(WindowParts& w, const QString& title) {
    if (HeldContributions(w.project)) return w.project.XY.Contributions;
    auto out = std::make_shared<ContributionGrids>();
    const Project& p = w.project;
    const auto failed =
        RunOperation(&w.window, title, [&p, out](Feedback& fb) -> std::optional<std::string> {
            std::string why;
            std::optional<compliance::Contributions> c =
                compliance::ComputeContributions(p, &fb, why);
            if (fb.isCanceled()) return std::string(msg::Interrupted);
            if (!c) return why.empty() ? std::string(msg::InputDataError) : why;
            *out = Kept(p, std::move(*c));
            return std::nullopt;
        });
    if (!failed) return out;
    if (*failed != msg::Interrupted) w.prompts.message(*failed);
    return nullptr;
}

// Shows the plan in `style` (for an operator's share, operator `op`), with
// the contributions worked out first when needed.
void ShowContributions(WindowParts& w, ResultStyle style, int op) {
    w.tools.reset();
    const QString title =
        style == ResultStyle::DominantAntenna ? "Dominant antenna" : "Operator share";
    w.results.whenCurrent([&w, style, op, title] {
        if (!w.project.XY.Calculated) {
            w.prompts.message(msg::NoResult);
            return;
        }
        std::shared_ptr<const ContributionGrids> c = Contributions(w, title);
        if (!c) return;
        // Nothing of the display changes before the work is done.
        w.project.XY.Contributions = std::move(c);
        w.project.DisplayMode = style;
        if (style == ResultStyle::OperatorShare) w.project.ShareOperator = op;
        w.view.ensurePlan();
        w.view.redraw();
    });
}

} // namespace

std::vector<std::string> PlanOperators(const Project& p) {
    if (const ContributionGrids* c = HeldContributions(p)) return c->Operators;
    std::vector<std::string> out;
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    for (int s = 1; s <= count; ++s) {
        const std::string& op = p.Antennas[static_cast<std::size_t>(s)].AntOperator;
        if (std::find(out.begin(), out.end(), op) == out.end()) out.push_back(op);
    }
    return out;
}

void ShowDominantAntenna(WindowParts& w) {
    ShowContributions(w, ResultStyle::DominantAntenna, 0);
}

void ShowOperatorShare(WindowParts& w) {
    const std::vector<std::string> operators = PlanOperators(w.project);
    if (operators.size() <= 1 || !w.project.XY.Calculated) {
        ShowContributions(w, ResultStyle::OperatorShare, 0);
        return;
    }
    const int current = std::clamp(w.project.ShareOperator, 0, int(operators.size()) - 1);
    auto* d = new OperatorShareDialog(operators, current, &w.window);
    d->setAcceptHandler([&w, d] {
        ShowContributions(w, ResultStyle::OperatorShare, d->chosen());
        return true;
    });
    ShowDialog(d, true);
}

OperatorShareDialog::OperatorShareDialog(const std::vector<std::string>& operators, int current,
                                         QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName("shareOperator");
    setWindowTitle("Operator share");
    auto* label = new QLabel("Operator:", this);
    list_ = new QComboBox(this);
    list_->setObjectName("operatorList");
    for (const std::string& op : operators)
        list_->addItem(QString::fromStdString(op.empty() ? "(none)" : op));
    list_->setCurrentIndex(current);
    auto* accept = dialogui::button("Command1", "Accept", this);
    auto* cancel = dialogui::button("Command2", "Cancel", this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addLayout(dialogui::ButtonRow(accept, cancel));
}

int OperatorShareDialog::chosen() const {
    return std::max(list_->currentIndex(), 0);
}

} // namespace brenvik::app
