// The dialogs that define, place and edit towers and antennas, with the
// beam part of "Antenna options", and the topographic lines.

#include "app/TowerFlows.h"

#include "antenna/BeamForm.h"
#include "app/CommandBar.h"
#include "app/CommandNames.h"
#include "app/DocumentHolder.h"
#include "app/PlanView.h"
#include "app/ToolBench.h"
#include "app/UndoHistory.h"
#include "app/WindowDialogs.h"
#include "app/dialogs/BeamBox.h"
#include "app/dialogs/CalcDialogs.h"
#include "app/dialogs/MiscDialogs.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/CalcForms.h"
#include "calc/FieldRules.h"
#include "calc/Ground.h"
#include "calc/Towers.h"
#include "model/AntennaFields.h"
#include "model/Messages.h"
#include "model/Prompts.h"

#include <QDialog>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <memory>

namespace brenvik::app {

namespace {

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

void TowerFlows::tower() {
    k_.tools.reset();
    k_.tools.flags().TowerToolOn = true;
    k_.bar.setPressed(cmd::TowerButton, true);
    openTowerDialog(false);
    k_.tools.flags().endPlacement();
}

void TowerFlows::openTowerDialog(bool editing) {
    // The antennas as they were before the dialog and the antenna dialogs it
    // opens change them: Accept keeps the changes (an edited tower as one
    // undo step from the opening of the dialog to its closing); Cancel,
    // Escape or closing it puts them back and leaves no step.
    auto before = std::make_shared<Edit>(Edit::antennas(k_.project));
    auto kept = std::make_shared<const AntennaState>(AntennaState::of(k_.project));
    if (editing)
        TowerBeginEdit(k_.project, editTowerAntenna_);
    else
        TowerBeginNew(k_.project);
    k_.tools.flags().TowerDialogOpen = true;
    auto* d = new TowerDialog(k_.project.TowerAntCount, editing, &k_.window);
    // An undo, a redo or another edit while the dialog is open makes the
    // record no longer the other side of the dialog's own changes.
    auto overtaken = std::make_shared<bool>(false);
    QObject::connect(&k_.document.history(), &UndoHistory::changed, d,
                     [overtaken] { *overtaken = true; });
    const int edited = editing ? editTowerAntenna_ : 0;
    QObject::connect(d, &TowerDialog::antennaAdded, &k_.window,
                     [this] { TowerAddAntenna(k_.project); });
    QObject::connect(d, &TowerDialog::antennaRemoved, &k_.window,
                     [this] { TowerRemoveAntenna(k_.project); });
    QObject::connect(d, &TowerDialog::optionsRequested, &k_.window, [this, edited](int sel) {
        k_.project.TowerAntSel = static_cast<std::int16_t>(sel);
        const int slot = TowerOptionsSlot(k_.project, sel, edited);
        if (slot > 0) openAntennaDialog(slot, false, 0);
    });
    d->setAcceptHandler([this, editing] {
        if (!editing) k_.tools.flags().togglePlacement();
        return true;
    });
    auto closed = [this, before, kept, overtaken, editing](int result) {
        if (result == QDialog::Accepted) {
            if (!editing) return; // the definition waits for its placement
            // Accepted as it was: no step and no unsaved work.
            if (kept->samePlaced(k_.project)) {
                kept->restore(k_.project);
                return;
            }
            k_.document.record("Tower", std::move(*before), true);
            k_.view.redraw();
            return;
        }
        if (!*overtaken) {
            kept->restore(k_.project);
            if (editing) k_.view.redraw();
        } else if (editing) {
            // What the dialog changed cannot be told apart from the rest any
            // more: it stays, as one step that can be undone.
            k_.document.record("Tower", std::move(*before), true);
            k_.view.redraw();
        }
        // The pending tower goes and the tool is released.
        if (!k_.tools.resetting()) k_.tools.releaseTowerTool();
    };
    QObject::connect(d, &QDialog::finished, &k_.window, closed);
    ShowDialog(d, false);
}

void TowerFlows::openAntennaDialog(int slot, bool newSlot, int editedIndex) {
    QWidget* parent = OpenDialogNamed(k_.window, dlg::Tower);
    auto* d = new AntennaDialog(AntennaFormLoad(k_.project, slot, dialognum::Formatter()),
                                parent ? parent : &k_.window);
    if (editedIndex > 0) d->setEditedIndex(editedIndex);
    BeamBox* beam = attachBeamBox(d, slot);
    std::vector<FieldRule> rules = AntennaFormRules();
    const std::vector<FieldRule>& beamRules = antenna::BeamRules();
    rules.insert(rules.end(), beamRules.begin(), beamRules.end());
    const std::vector<FieldRule>& arrayRules = antenna::ArrayRules();
    rules.insert(rules.end(), arrayRules.begin(), arrayRules.end());
    d->setFieldRules(rules);
    d->setAcceptHandler([this, d, beam, slot, newSlot] {
        // A typo keeps this dialog, and the tower dialog behind it, open with
        // what was typed; the message names the field and its range.
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        AntennaForm f = d->form();
        // A refused beam keeps the dialog open with what was typed.
        const antenna::BeamForm bf = beam->form();
        if (const auto bad = antenna::BeamFormCheck(bf, dialognum::parser())) {
            Warn(k_, *bad);
            return false;
        }
        // A placed antenna edited on its own is one undo step; the antennas of
        // a tower being defined or edited go with the tower's step.
        const bool placed = editAntenna_ > 0;
        Edit e = Edit::antennas(k_.project);
        const auto err = AntennaFormAccept(k_.project, f, slot, newSlot, dialognum::parser(),
                                           dialognum::Formatter());
        // The dialog stays open on a refusal: only an accepted definition
        // arms (or disarms) its placement.
        if (newSlot && !err) k_.tools.flags().togglePlacement();
        if (!err) antenna::BeamFormAccept(k_.project, bf, slot, dialognum::parser());
        if (placed) k_.document.record("Antenna", std::move(e), !err);
        if (err) {
            // Both dialogs stay open with the values typed.
            Warn(k_, *err);
            return false;
        }
        if (editAntenna_ > 0 || editTowerAntenna_ > 0) k_.view.redraw();
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
            QObject::connect(d, &QDialog::finished, &k_.window, [this] {
                editAntenna_ = 0;
                k_.tools.flags().EditMode = false;
            });
        ShowDialog(d, true);
    }
}

void TowerFlows::editAntenna(int index) {
    dropOpenDefinition();
    editAntenna_ = index;
    k_.tools.flags().EditMode = true;
    openAntennaDialog(index, false, index);
}

void TowerFlows::editTowerAntenna(int index) {
    dropOpenDefinition();
    k_.project.TowerAntSel = k_.project.Antennas[std::size_t(index)].AntNumber;
    editTowerAntenna_ = index;
    k_.tools.flags().EditMode = true;
    k_.tools.flags().TowerDialogOpen = true;
    openTowerDialog(true);
}

void TowerFlows::dropOpenDefinition() {
    // One tower or antenna is edited at a time: picking a placed one while
    // another is being defined drops the pending definition first.
    if (OpenDialogNamed(k_.window, dlg::Tower) || OpenDialogNamed(k_.window, dlg::Antenna))
        k_.tools.reset();
}

void TowerFlows::topographic() {
    k_.view.ensurePlan();
    k_.tools.reset();
    k_.bar.setPressed(cmd::TopographicButton, true);
    auto* d = new ReliefDialog(k_.project.ContourHeight, &k_.window);
    d->setFieldRules(ReliefRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        std::string text = d->heightText();
        const auto err = TopoLineAccept(k_.project, text, dialognum::parser());
        d->setHeightText(text);
        if (err) {
            Warn(k_, *err);
            return false;
        }
        k_.tools.flags().arm(PointerToolKind::Topographic);
        return true;
    });
    QObject::connect(d, &QDialog::rejected, &k_.window,
                     [this] { k_.bar.setPressed(cmd::TopographicButton, false); });
    ShowDialog(d, true);
}

BeamBox* TowerFlows::attachBeamBox(AntennaDialog* d, int slot) {
    auto* box = new BeamBox(antenna::BeamFormLoad(k_.project, slot, dialognum::Formatter()), d);
    box->setPrompts(&k_.prompts);
    d->addBeamBox(box);
    const auto mount = [this, d, box] {
        const AntennaForm f = d->form();
        const bool stick = f.type == FuentType::Baja;
        const AntennaFieldRow& range = FieldRow(AntennaField::Tilt);
        const double tilt =
            std::clamp(dialognum::ParseStd(f.angText).value_or(0.0), range.min, range.max);
        const double open = stick ? k_.project.OpenAngleDTS : k_.project.OpenAngleBTS;
        box->setMounting(stick, tilt, 2.0 * open);
        box->setCarrier(dialognum::ParseStd(f.freqText).value_or(0.0));
    };
    QObject::connect(d, &AntennaDialog::mountingChanged, box, mount);
    if (auto* freq = d->findChild<QLineEdit*>(QStringLiteral("freqtext")))
        QObject::connect(freq, &QLineEdit::textChanged, box, mount);
    mount();
    // A pattern of another band than the carrier just accepted describes
    // another beam: say so once the antenna holds both.
    QObject::connect(d, &QDialog::accepted, &k_.window, [this, slot] {
        const Project& p = k_.project;
        if (slot < 1 || slot > p.AntennaSlotBound()) return;
        const Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
        if (const AntennaPattern* q = antenna::FindPattern(p.Patterns, a.AntPattern))
            if (auto note = antenna::FrequencyWarning(*q, a.AntFrequencyMHz))
                Warn(k_, "Pattern " + q->Name + ": " + *note);
    });
    return box;
}

} // namespace brenvik::app
