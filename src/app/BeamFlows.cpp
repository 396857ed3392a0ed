// The far-field model's side of the dialog flows: the beam of an antenna in
// "Antenna options" and the "Exposure model..." dialog.
#include "app/DialogFlows.h"
#include "app/MainWindow.h"
#include "app/dialogs/BeamBox.h"
#include "app/dialogs/ExposureDialog.h"
#include "app/dialogs/TowerDialogs.h"

#include <algorithm>

namespace brenvik::app {

BeamBox* DialogFlows::attachBeamBox(AntennaDialog* d, int slot) {
    auto* box = new BeamBox(antenna::BeamFormLoad(w_.project_, slot, dialognum::formatter()), d);
    box->setPrompts(&w_.prompts_);
    d->addBeamBox(box);
    const auto mount = [this, d, box] {
        const AntennaForm f = d->form();
        const bool stick = f.type == FuentType::Baja;
        const double tilt = std::clamp(dialognum::parseStd(f.angText).value_or(0.0), -85.0, 85.0);
        const double open = stick ? w_.project_.OpenAngleDTS : w_.project_.OpenAngleBTS;
        box->setMounting(stick, tilt, 2.0 * open);
    };
    QObject::connect(d, &AntennaDialog::mountingChanged, box, mount);
    mount();
    // A pattern of another band than the carrier just accepted describes
    // another beam: say so once the antenna holds both.
    QObject::connect(d, &QDialog::accepted, &w_, [this, slot] {
        const Project& p = w_.project_;
        if (slot < 1 || slot > p.AntennaSlotBound()) return;
        const Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
        if (const AntennaPattern* q = antenna::FindPattern(p.Patterns, a.AntPattern))
            if (auto note = antenna::FrequencyWarning(*q, a.AntFrequencyMHz))
                w_.warn("Pattern " + q->Name + ": " + *note);
    });
    return box;
}

void DialogFlows::exposureModel() {
    auto* d = new ExposureDialog(antenna::ExposureFormLoad(w_.project_), &w_);
    d->setAcceptHandler([this, d] {
        const ExposureSettings before = w_.project_.Exposure;
        Edit e = Edit::settings(w_.project_);
        antenna::ExposureFormAccept(w_.project_, d->form());
        w_.recordEdit("Exposure model", std::move(e), true);
        // A result on view stays what it was until the next calculation.
        const Project& p = w_.project_;
        if (!(p.Exposure == before) && (p.XY.Calculated || p.XZ.Calculated))
            w_.warn("The results on view were worked out with the previous exposure model; "
                    "calculate again to see the new one.");
        return true;
    });
    w_.showDialog(d, true);
}

} // namespace brenvik::app
