// The calculation dialogs and the runs they start.

#include "app/CalcFlows.h"

#include "app/CalcRunner.h"
#include "app/CommandBar.h"
#include "app/CommandNames.h"
#include "app/ComplianceFlows.h"
#include "app/Desktop.h"
#include "app/DocumentHolder.h"
#include "app/PlanView.h"
#include "app/StatusReadouts.h"
#include "app/ToolBench.h"
#include "app/WindowDialogs.h"
#include "app/dialogs/CalcDialogs.h"
#include "calc/GridCalc.h"
#include "model/Messages.h"
#include "model/Prompts.h"

#include <QDialog>
#include <QWidget>

namespace brenvik::app {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void CalcFlows::xyCalculation() {
    k_.tools.reset();
    k_.bar.setPressed(cmd::CalculationButton, true);
    if (auto refusal = XYCalcRefusal(k_.project)) {
        Warn(k_, *refusal);
        k_.bar.setPressed(cmd::CalculationButton, false);
        return;
    }
    // The option clicks change the dialog alone; the settings are read on
    // Accept and reach the project with the result, so Cancel, Escape, a
    // cancelled or a failed calculation leave them as they were.
    auto* d = new CalcDialog(CalFormLoad(k_.project, dialognum::Formatter()), &k_.window);
    d->setFieldRules(CalcFormRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        CalcSettings accepted;
        if (auto err = CalFormRead(d->form(), accepted, dialognum::parser())) {
            Warn(k_, *err);
            k_.tools.reset();
            return true;
        }
        runXYCalculation({}, accepted);
        return true;
    });
    QObject::connect(d, &QDialog::rejected, &k_.window,
                     [this] { k_.bar.setPressed(cmd::CalculationButton, false); });
    ShowDialog(d, false);
}

void CalcFlows::runXYCalculation(std::function<void()> then, std::optional<CalcSettings> accepted) {
    runner_.start(
        k_.project, compliance_.withRatio([accepted](Project& work, const CalcControl& c) {
            if (accepted) ApplyCalcSettings(work, *accepted);
            return RunXYCalculation(work, c);
        }),
        [this, then = std::move(then)](const CalcOutcome& out, Project& work) {
            k_.bar.setPressed(cmd::CalculationButton, false);
            if (out.status == CalcStatus::Done) {
                k_.project = std::move(work);
                if (k_.project.CalcOption == CalcLevel::AtHeight)
                    k_.status.set(label::Height, q(HeightLabelText(k_.project)));
                k_.document.calculated();
                k_.view.redraw();
                if (then) then();
            } else if (out.status == CalcStatus::Failed) {
                Warn(k_, out.message.empty() ? std::string(msg::InputDataError) : out.message);
                k_.tools.reset();
            }
        });
}

void CalcFlows::sectionThroughAntenna() {
    if (auto refusal = XZViewRefusal(k_.project)) {
        Warn(k_, *refusal);
        return;
    }
    const int slot = desktop_.selection();
    k_.tools.reset();
    // Tried on a copy: the section reaches the project with its result.
    Project trial = k_.project;
    if (slot <= 0 || SetSectionThrough(trial, slot)) {
        Warn(k_, msg::SectionNeedsAntenna);
        return;
    }
    runner_.start(k_.project, compliance_.withRatio([slot](Project& work, const CalcControl& c) {
        SetSectionThrough(work, slot);
        return RunXZCalculation(work, c);
    }),
                  [this](const CalcOutcome& out, Project& work) {
                      if (out.status == CalcStatus::Done) {
                          k_.project = std::move(work);
                          k_.document.calculated();
                          k_.view.redraw();
                      } else if (out.status == CalcStatus::Failed) {
                          Warn(k_, out.message.empty() ? std::string(msg::InputDataError)
                                                       : out.message);
                          k_.tools.reset();
                      }
                  });
}

void CalcFlows::xzCalculation() {
    if (auto refusal = XZViewRefusal(k_.project)) {
        Warn(k_, *refusal);
        return;
    }
    k_.tools.reset();
    if (auto refusal = XZSourceRefusal(k_.project)) {
        Warn(k_, *refusal);
        return;
    }
    // The distance reaches the project with the section's result: Cancel, a
    // cancelled or a failed calculation leave the section where it was.
    auto* d = new SectionDialog(XZDialogProposal(k_.project), &k_.window);
    d->setFieldRules(SectionRules(k_.project));
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError, msg::DistanceNotAllowed))
            return false;
        const std::optional<double> distance = dialognum::ParseStd(d->distanceText());
        const std::optional<std::string> err =
            distance ? SectionDistanceRefusal(k_.project, *distance)
                     : std::optional<std::string>(msg::InputDataError);
        if (err) {
            // A typo or a distance off the plan: the dialog stays for another try.
            Warn(k_, *err);
            return false;
        }
        runner_.start(
            k_.project, compliance_.withRatio([v = *distance](Project& work, const CalcControl& c) {
                SetSectionDistance(work, v); // the section is shown once it is calculated
                return RunXZCalculation(work, c);
            }),
            [this](const CalcOutcome& out, Project& work) {
                if (out.status == CalcStatus::Done) {
                    k_.project = std::move(work);
                    k_.status.set(label::Height, q(HeightLabelText(k_.project)));
                    k_.document.calculated();
                    k_.view.redraw();
                } else if (out.status == CalcStatus::Failed) {
                    Warn(k_, out.message.empty() ? std::string(msg::InputDataError) : out.message);
                    k_.tools.reset();
                }
            });
        return true;
    });
    ShowDialog(d, false);
}

} // namespace brenvik::app
