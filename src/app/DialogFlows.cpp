#include "app/DialogFlows.h"

#include "antenna/BeamForm.h"
#include "app/CalcRunner.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/UndoHistory.h"
#include "app/dialogs/BeamBox.h"
#include "app/dialogs/CalcDialogs.h"
#include "app/dialogs/DisplayDialogs.h"
#include "app/dialogs/GeoDialogs.h"
#include "app/dialogs/MiscDialogs.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/FieldRules.h"
#include "calc/GridCalc.h"
#include "calc/Ground.h"
#include "calc/Towers.h"
#include "geo/Geo.h"
#include "geo/GeoForms.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "render/DisplayForms.h"

#include <QApplication>
#include <QLocale>
#include <memory>

namespace brenvik::app {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The busy pointer for as long as a long step runs, however it ends.
struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

// The decimal point of the user's locale, for the boxes of the dialogs.
char decimalPoint() {
    return QLocale().decimalPoint().at(0).toLatin1();
}

// The antennas, the towers and the tower being defined, as a dialog found
// them, to be put back when it is closed without Accept.
struct AntennaState {
    std::vector<Antenna> antennas;
    std::int16_t antennaCount, towerCount, towerAntCount, towerAntSel;
    std::vector<AntennaPattern> patterns;

    static AntennaState of(const Project& p) {
        return {p.Antennas,      p.AntennaCount, p.TowerCount,
                p.TowerAntCount, p.TowerAntSel,  p.Patterns};
    }
    // The placed antennas and towers are as they were; the slots beyond
    // them are only a definition's scratch.
    bool samePlaced(const Project& p) const {
        if (p.AntennaCount != antennaCount || p.TowerCount != towerCount ||
            !(p.Patterns == patterns) || p.AntennaSlotBound() < antennaCount)
            return false;
        for (std::size_t k = 1; k <= static_cast<std::size_t>(antennaCount); ++k)
            if (!(p.Antennas[k] == antennas[k])) return false;
        return true;
    }
    void restore(Project& p) const {
        p.Antennas = antennas;
        p.AntennaCount = antennaCount;
        p.TowerCount = towerCount;
        p.TowerAntCount = towerAntCount;
        p.TowerAntSel = towerAntSel;
        p.Patterns = patterns;
    }
};

} // namespace

DialogFlows::DialogFlows(MainWindow& w) : w_(w) {}

bool DialogFlows::refused(BrenvikDialog* d, const char* notNumber, const char* outOfRange) {
    const std::optional<BrenvikDialog::BadField> bad = d->checkFields();
    if (!bad) return false;
    const char* text = bad->notANumber || !outOfRange ? notNumber : outOfRange;
    w_.warn(std::string(text) + "\n" + bad->refusal);
    return true;
}

void DialogFlows::about() {
    w_.showDialog(new AboutDialog(&w_), true);
}

void DialogFlows::zoom() {
    if (w_.project_.BackgroundLoaded) {
        w_.warn("It is needed not background image to activate the Zoom");
        return;
    }
    w_.ensurePlanView();
    auto* d = new ZoomDialog(w_.project_.Zoom, &w_);
    d->setAcceptHandler([this, d] {
        w_.applyZoom(d->zoom());
        return true;
    });
    w_.showDialog(d, true);
}

void DialogFlows::tower() {
    w_.resetTools();
    w_.toolFlags_.TowerToolOn = true;
    w_.setPressed(cmd::TowerButton, true);
    openTowerDialog(false);
    w_.toolFlags_.endPlacement();
}

void DialogFlows::openTowerDialog(bool editing) {
    // The antennas as they were before the dialog and the antenna dialogs it
    // opens change them: Accept keeps the changes (an edited tower as one
    // undo step from the opening of the dialog to its closing); Cancel,
    // Escape or closing it puts them back and leaves no step.
    auto before = std::make_shared<Edit>(Edit::antennas(w_.project_));
    auto kept = std::make_shared<const AntennaState>(AntennaState::of(w_.project_));
    if (editing)
        TowerBeginEdit(w_.project_, w_.editTowerAntenna_);
    else
        TowerBeginNew(w_.project_);
    w_.toolFlags_.TowerDialogOpen = true;
    auto* d = new TowerDialog(w_.project_.TowerAntCount, editing, &w_);
    // An undo, a redo or another edit while the dialog is open makes the
    // record no longer the other side of the dialog's own changes.
    auto overtaken = std::make_shared<bool>(false);
    QObject::connect(w_.history_, &UndoHistory::changed, d, [overtaken] { *overtaken = true; });
    const int edited = editing ? w_.editTowerAntenna_ : 0;
    QObject::connect(d, &TowerDialog::antennaAdded, &w_, [this] { TowerAddAntenna(w_.project_); });
    QObject::connect(d, &TowerDialog::antennaRemoved, &w_,
                     [this] { TowerRemoveAntenna(w_.project_); });
    QObject::connect(d, &TowerDialog::optionsRequested, &w_, [this, edited](int sel) {
        w_.project_.TowerAntSel = static_cast<std::int16_t>(sel);
        const int slot = TowerOptionsSlot(w_.project_, sel, edited);
        if (slot > 0) openAntennaDialog(slot, false, 0);
    });
    d->setAcceptHandler([this, editing] {
        if (!editing) w_.toolFlags_.togglePlacement();
        return true;
    });
    auto closed = [this, before, kept, overtaken, editing](int result) {
        if (result == QDialog::Accepted) {
            if (!editing) return; // the definition waits for its placement
            // Accepted as it was: no step and no unsaved work.
            if (kept->samePlaced(w_.project_)) {
                kept->restore(w_.project_);
                return;
            }
            w_.recordEdit("Tower", std::move(*before), true);
            w_.redrawView();
            return;
        }
        if (!*overtaken) {
            kept->restore(w_.project_);
            if (editing) w_.redrawView();
        } else if (editing) {
            // What the dialog changed cannot be told apart from the rest any
            // more: it stays, as one step that can be undone.
            w_.recordEdit("Tower", std::move(*before), true);
            w_.redrawView();
        }
        // The pending tower goes and the tool is released.
        if (!w_.resetting_) w_.releaseTowerTool();
    };
    QObject::connect(d, &QDialog::finished, &w_, closed);
    w_.showDialog(d, false);
}

void DialogFlows::openAntennaDialog(int slot, bool newSlot, int editedIndex) {
    QWidget* parent = w_.openDialogNamed(dlg::Tower);
    auto* d = new AntennaDialog(AntennaFormLoad(w_.project_, slot, dialognum::formatter()),
                                parent ? parent : &w_);
    if (editedIndex > 0) d->setEditedIndex(editedIndex);
    BeamBox* beam = attachBeamBox(d, slot);
    std::vector<FieldRule> rules = AntennaFormRules();
    const std::vector<FieldRule>& beamRules = antenna::BeamRules();
    rules.insert(rules.end(), beamRules.begin(), beamRules.end());
    d->setFieldRules(rules);
    d->setAcceptHandler([this, d, beam, slot, newSlot] {
        // A typo keeps this dialog, and the tower dialog behind it, open with
        // what was typed; the message names the field and its range.
        if (refused(d, msg::InputDataError)) return false;
        AntennaForm f = d->form();
        // A refused beam keeps the dialog open with what was typed.
        const antenna::BeamForm bf = beam->form();
        if (const auto bad = antenna::BeamFormCheck(bf, dialognum::parser())) {
            w_.warn(*bad);
            return false;
        }
        // A placed antenna edited on its own is one undo step; the antennas of
        // a tower being defined or edited go with the tower's step.
        const bool placed = w_.editAntenna_ > 0;
        Edit e = Edit::antennas(w_.project_);
        const auto err = AntennaFormAccept(w_.project_, f, slot, newSlot, dialognum::parser(),
                                           dialognum::formatter());
        // The dialog stays open on a refusal: only an accepted definition
        // arms (or disarms) its placement.
        if (newSlot && !err) w_.toolFlags_.togglePlacement();
        if (!err) antenna::BeamFormAccept(w_.project_, bf, slot, dialognum::parser());
        if (placed) w_.recordEdit("Antenna", std::move(e), !err);
        if (err) {
            // Both dialogs stay open with the values typed.
            w_.warn(*err);
            return false;
        }
        if (w_.editAntenna_ > 0 || w_.editTowerAntenna_ > 0) w_.redrawView();
        return true;
    });
    // Opened from the tower dialog the antenna dialog is modal to it.
    if (parent) {
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setWindowModality(Qt::WindowModal);
        d->show();
    } else {
        // A placed antenna's edit ends with its dialog, however it closes.
        if (editedIndex > 0)
            QObject::connect(d, &QDialog::finished, &w_, [this] {
                w_.editAntenna_ = 0;
                w_.toolFlags_.EditMode = false;
            });
        w_.showDialog(d, true);
    }
}

void DialogFlows::editAntenna(int index) {
    dropOpenDefinition();
    w_.editAntenna_ = index;
    w_.toolFlags_.EditMode = true;
    openAntennaDialog(index, false, index);
}

void DialogFlows::editTowerAntenna(int index) {
    dropOpenDefinition();
    w_.project_.TowerAntSel = w_.project_.Antennas[std::size_t(index)].AntNumber;
    w_.editTowerAntenna_ = index;
    w_.toolFlags_.EditMode = true;
    w_.toolFlags_.TowerDialogOpen = true;
    openTowerDialog(true);
}

void DialogFlows::dropOpenDefinition() {
    // One tower or antenna is edited at a time: picking a placed one while
    // another is being defined drops the pending definition first.
    if (w_.openDialogNamed(dlg::Tower) || w_.openDialogNamed(dlg::Antenna)) w_.resetTools();
}

void DialogFlows::topographic() {
    w_.ensurePlanView();
    w_.resetTools();
    w_.setPressed(cmd::TopographicButton, true);
    auto* d = new ReliefDialog(w_.project_.ContourHeight, &w_);
    d->setFieldRules(ReliefRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataError)) return false;
        std::string text = d->heightText();
        const auto err = TopoLineAccept(w_.project_, text, dialognum::parser());
        d->setHeightText(text);
        if (err) {
            w_.warn(*err);
            return false;
        }
        w_.toolFlags_.arm(PointerToolKind::Topographic);
        return true;
    });
    QObject::connect(d, &QDialog::rejected, &w_,
                     [this] { w_.setPressed(cmd::TopographicButton, false); });
    w_.showDialog(d, true);
}

void DialogFlows::pending(PendingDialog dialog) {
    switch (dialog) {
    case PendingDialog::None:
        break;
    case PendingDialog::ScaleCalculation:
        scaleCalculation();
        break;
    case PendingDialog::GridSize:
        malla(MallaValue::GridSize);
        break;
    case PendingDialog::IsolineCount:
        malla(MallaValue::IsolineCount);
        break;
    case PendingDialog::Scale:
        scale();
        break;
    }
}

void DialogFlows::scale() {
    auto* d = new ScaleDialog(geo::OpenScaleForm(w_.project_, decimalPoint()), &w_);
    d->setFieldRules(geo::ScaleRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataError)) return false;
        Edit e = Edit::scaleReset(w_.project_);
        const geo::ScaleOutcome out =
            geo::AcceptScale(w_.project_, d->form(), w_.prompts_, dialognum::parser());
        // A kept scale changes nothing worth a step.
        w_.recordEdit("Scale", std::move(e), out == geo::ScaleOutcome::Reset);
        if (out == geo::ScaleOutcome::InputError) return false;
        w_.setPressed(cmd::ScaleButton, false);
        if (out == geo::ScaleOutcome::Reset) {
            w_.canvas_->clear();
            w_.updateTitle();
            w_.redrawView();
        }
        return true;
    });
    QObject::connect(d, &QDialog::rejected, &w_,
                     [this] { w_.setPressed(cmd::ScaleButton, false); });
    w_.showDialog(d, true);
}

void DialogFlows::scaleCalculation() {
    auto* d =
        new ScaleDistanceDialog(geo::OpenScaleCalculationForm(w_.project_, decimalPoint()), &w_);
    d->setFieldRules(geo::ScaleCalculationRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataError)) return false;
        Edit e = Edit::settings(w_.project_);
        const bool ok =
            geo::AcceptScaleCalculation(w_.project_, d->form(), w_.prompts_, dialognum::parser());
        if (ok) w_.toolFlags_.arm(PointerToolKind::ScaleMeasure);
        w_.recordEdit("Scale calculation", std::move(e), ok);
        return ok;
    });
    w_.showDialog(d, true);
}

void DialogFlows::malla(MallaValue mode) {
    w_.project_.Display.MallaMode = mode;
    auto* d = new MallaDialog(render::mallaTexts(w_.project_), &w_);
    d->setFieldRules(mode == MallaValue::GridSize ? render::gridSizeRules()
                                                  : render::isolineCountRules());
    if (mode == MallaValue::GridSize) {
        auto coverage = [d](const std::string& text) {
            const auto c = render::gridCoverage(text, dialognum::parser());
            d->showCoverage(c ? q(render::gridCoverageNote(*c)) : QString(), c ? c->fullCount : 0);
        };
        QObject::connect(d, &MallaDialog::valueEdited, d, coverage);
        coverage(d->valueText());
    }
    d->setAcceptHandler([this, d, mode] {
        if (refused(d, msg::InputDataError)) return false;
        // A fine grid takes a while to make and to draw.
        Hourglass busy;
        std::optional<std::string> err;
        if (mode == MallaValue::GridSize) {
            Edit e = Edit::gridSize(w_.project_);
            err = render::acceptGridSize(w_.project_, d->valueText(), dialognum::parser());
            w_.recordEdit("Grid size", std::move(e), !err);
        } else {
            Edit e = Edit::isolineCount(w_.project_);
            err = render::acceptIsolineCount(w_.project_, d->valueText(), dialognum::parser());
            w_.recordEdit("Number of isolines", std::move(e), !err);
        }
        if (err) {
            w_.warn(*err);
            return false;
        }
        w_.updateTitle();
        w_.redrawView();
        return true;
    });
    w_.showDialog(d, true);
}

void DialogFlows::xyCalculation() {
    w_.resetTools();
    w_.setPressed(cmd::CalculationButton, true);
    if (auto refusal = XYCalcRefusal(w_.project_)) {
        w_.warn(*refusal);
        w_.setPressed(cmd::CalculationButton, false);
        return;
    }
    // The option clicks change the dialog alone; the settings are read on
    // Accept and reach the project with the result, so Cancel, Escape, a
    // cancelled or a failed calculation leave them as they were.
    auto* d = new CalcDialog(CalFormLoad(w_.project_, dialognum::formatter()), &w_);
    d->setFieldRules(CalcFormRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataError)) return false;
        CalcSettings accepted;
        if (auto err = CalFormRead(d->form(), accepted, dialognum::parser())) {
            w_.warn(*err);
            w_.resetTools();
            return true;
        }
        runXYCalculation({}, accepted);
        return true;
    });
    QObject::connect(d, &QDialog::rejected, &w_,
                     [this] { w_.setPressed(cmd::CalculationButton, false); });
    w_.showDialog(d, false);
}

void DialogFlows::runXYCalculation(std::function<void()> then,
                                   std::optional<CalcSettings> accepted) {
    w_.runner_->start(
        w_.project_, w_.compliance_->withRatio([accepted](Project& work, const CalcControl& c) {
            if (accepted) ApplyCalcSettings(work, *accepted);
            return RunXYCalculation(work, c);
        }),
        [this, then = std::move(then)](const CalcOutcome& out, Project& work) {
            w_.setPressed(cmd::CalculationButton, false);
            if (out.status == CalcStatus::Done) {
                w_.project_ = std::move(work);
                if (w_.project_.CalcOption == CalcLevel::AtHeight)
                    w_.setLabel(label::Height, q(HeightLabelText(w_.project_)));
                w_.calculated();
                w_.redrawView();
                if (then) then();
            } else if (out.status == CalcStatus::Failed) {
                w_.warn(out.message.empty() ? std::string(msg::InputDataError) : out.message);
                w_.resetTools();
            }
        });
}

void DialogFlows::sectionThroughAntenna() {
    if (auto refusal = XZViewRefusal(w_.project_)) {
        w_.warn(*refusal);
        return;
    }
    const int slot = w_.selection();
    w_.resetTools();
    // Tried on a copy: the section reaches the project with its result.
    Project trial = w_.project_;
    if (slot <= 0 || SetSectionThrough(trial, slot)) {
        w_.warn(msg::SectionNeedsAntenna);
        return;
    }
    w_.runner_->start(
        w_.project_, w_.compliance_->withRatio([slot](Project& work, const CalcControl& c) {
            SetSectionThrough(work, slot);
            return RunXZCalculation(work, c);
        }),
        [this](const CalcOutcome& out, Project& work) {
            if (out.status == CalcStatus::Done) {
                w_.project_ = std::move(work);
                w_.calculated();
                w_.redrawView();
            } else if (out.status == CalcStatus::Failed) {
                w_.warn(out.message.empty() ? std::string(msg::InputDataError) : out.message);
                w_.resetTools();
            }
        });
}

void DialogFlows::xzCalculation() {
    if (auto refusal = XZViewRefusal(w_.project_)) {
        w_.warn(*refusal);
        return;
    }
    w_.resetTools();
    if (auto refusal = XZSourceRefusal(w_.project_)) {
        w_.warn(*refusal);
        return;
    }
    // The distance reaches the project with the section's result: Cancel, a
    // cancelled or a failed calculation leave the section where it was.
    auto* d = new SectionDialog(XZDialogProposal(w_.project_), &w_);
    d->setFieldRules(SectionRules(w_.project_));
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataError, msg::DistanceNotAllowed)) return false;
        const std::optional<double> distance = dialognum::parseStd(d->distanceText());
        const std::optional<std::string> err =
            distance ? SectionDistanceRefusal(w_.project_, *distance)
                     : std::optional<std::string>(msg::InputDataError);
        if (err) {
            // A typo or a distance off the plan: the dialog stays for another try.
            w_.warn(*err);
            return false;
        }
        w_.runner_->start(
            w_.project_,
            w_.compliance_->withRatio([v = *distance](Project& work, const CalcControl& c) {
                SetSectionDistance(work, v); // the section is shown once it is calculated
                return RunXZCalculation(work, c);
            }),
            [this](const CalcOutcome& out, Project& work) {
                if (out.status == CalcStatus::Done) {
                    w_.project_ = std::move(work);
                    w_.setLabel(label::Height, q(HeightLabelText(w_.project_)));
                    w_.calculated();
                    w_.redrawView();
                } else if (out.status == CalcStatus::Failed) {
                    w_.warn(out.message.empty() ? std::string(msg::InputDataError) : out.message);
                    w_.resetTools();
                }
            });
        return true;
    });
    w_.showDialog(d, false);
}

void DialogFlows::calcColours() {
    w_.ensurePlanView();
    w_.resetTools();
    auto* d =
        new ColoursDialog(w_.project_.Display.IsolineColour, w_.project_.Display.MarkColour, &w_);
    // A click changes the dialog's swatch; Accept stores the options the user
    // changed, and closing the dialog any other way stores nothing.
    d->setAcceptHandler([this, d, isoline = d->isolineOption(), mark = d->markOption()] {
        if (const auto o = d->isolineOption(); o && o != isoline)
            render::chooseIsolineColour(w_.project_.Display, *o);
        if (const auto o = d->markOption(); o && o != mark)
            render::chooseMarkColour(w_.project_.Display, *o);
        w_.redrawView();
        return true;
    });
    w_.showDialog(d, true);
}

void DialogFlows::dotColours() {
    w_.resetTools();
    auto* d = new DotColoursDialog(w_.project_.Display, &w_);
    // Option clicks change the dialog alone. Accept stores the options the
    // user changed and the two boxes together, or nothing when a box is
    // refused; closing the dialog any other way stores nothing.
    d->setFieldRules(render::dotColourRules());
    d->setAcceptHandler([this, d, scheme = d->scheme(), jitter = d->jitter(), count = d->count()] {
        if (refused(d, msg::InputDataError)) return false;
        DisplaySettings s = w_.project_.Display;
        if (d->scheme() != scheme) render::chooseDotScheme(s, d->scheme());
        if (d->jitter() != jitter) render::chooseJitter(s, d->jitter());
        if (d->count() != count) render::chooseDotCount(s, d->count());
        if (auto err = render::acceptDotColours(s, d->radiusText(), d->fromPercentText(),
                                                dialognum::parser())) {
            w_.warn(*err);
            return false;
        }
        w_.project_.Display = s;
        w_.redrawView();
        return true;
    });
    w_.showDialog(d, true);
}

void DialogFlows::antennaParameters() {
    auto* d = new AntennaParamsDialog(OpenAnglesFormLoad(w_.project_, dialognum::formatter()), &w_);
    d->setFieldRules(OpenAnglesRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataError)) return false;
        OpenAnglesForm f = d->form();
        Edit e = Edit::settings(w_.project_);
        const auto err =
            OpenAnglesFormAccept(w_.project_, f, dialognum::parser(), dialognum::formatter());
        w_.recordEdit("Antenna parameters", std::move(e), !err);
        if (err) {
            w_.warn(*err);
            return false;
        }
        return true;
    });
    w_.showDialog(d, true);
}

bool DialogFlows::geoPrecondition() {
    if (w_.project_.CurrentPlane == Plane::XZ) {
        w_.warn("Pase primero al plano XY");
        return false;
    }
    if (w_.project_.Zoom != 1.0) {
        w_.warn("Primero debe establecer un valor del Zoom del 100%");
        return false;
    }
    return true;
}

namespace {

// A geographic dialog's accept: the settings it may change are one undo step,
// whatever its boxes' fate; returns how many boxes were refused.
template <class Accept>
int GeoSettingsEdit(ToolHost& w, Project& p, const char* text, Accept accept) {
    Edit e = Edit::settings(p);
    const int failed = accept();
    w.recordEdit(text, std::move(e), true);
    return failed;
}

} // namespace

void DialogFlows::origin() {
    if (!geoPrecondition()) return;
    w_.resetTools();
    auto* d = new OriginDialog(geo::OpenOriginForm(w_.project_, decimalPoint()), &w_);
    d->setFieldRules(geo::PositionRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataErrorEs)) return false;
        GeoSettingsEdit(w_, w_.project_, "Origin of coordinates", [&] {
            return geo::AcceptOrigin(w_.project_, d->form(), w_.prompts_, dialognum::parser());
        });
        w_.redrawView();
        return true;
    });
    w_.showDialog(d, true);
}

void DialogFlows::reference() {
    if (!geoPrecondition()) return;
    w_.resetTools();
    auto* d = new ReferenceDialog(geo::OpenReferenceForm(w_.project_, decimalPoint()), &w_);
    d->setFieldRules(geo::PositionRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataErrorEs)) return false;
        w_.toolFlags_.arm(PointerToolKind::ReferencePoint);
        GeoSettingsEdit(w_, w_.project_, "Reference point", [&] {
            return geo::AcceptReference(w_.project_, d->form(), w_.prompts_, dialognum::parser());
        });
        return true;
    });
    w_.showDialog(d, true);
}

void DialogFlows::curvature() {
    if (!geoPrecondition()) return;
    w_.resetTools();
    auto* d = new CurvatureDialog(geo::OpenCurvatureForm(w_.project_, decimalPoint()), &w_);
    d->setFieldRules(geo::CurvatureRules());
    d->setAcceptHandler([this, d] {
        if (refused(d, msg::InputDataErrorEs, msg::InputDataError)) return false;
        // A refused box keeps the dialog open for another try.
        return GeoSettingsEdit(w_, w_.project_, "Curvature radius", [&] {
                   return geo::AcceptCurvature(w_.project_, d->form(), w_.prompts_,
                                               dialognum::parser());
               }) == 0;
    });
    w_.showDialog(d, true);
}

} // namespace brenvik::app
