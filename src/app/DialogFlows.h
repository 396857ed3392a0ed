#pragma once

#include "calc/CalcForms.h"
#include "model/Document.h"

#include <functional>
#include <optional>

namespace brenvik {
class AntennaDialog;
class BrenvikDialog;
class BeamBox;
} // namespace brenvik

namespace brenvik::app {

class MainWindow;

// The objectNames of the dialogs the window looks for.
namespace dlg {
inline constexpr char Tower[] = "torre";
inline constexpr char Antenna[] = "fuent";
} // namespace dlg

// The dialogs of the window's commands: each flow checks its refusals, opens
// its dialog with the values of a core form and hands the form back to the
// core rule on Accept, then redraws or arms the tool as the rule asks.
class DialogFlows {
  public:
    explicit DialogFlows(MainWindow& w);

    void zoom();
    // The tower tool: presses its picture and opens the tower dialog.
    void tower();
    void openTowerDialog(bool editing);
    // `slot` of the antenna arrays; `editedIndex` > 0 when a placed antenna
    // is edited.
    void openAntennaDialog(int slot, bool newSlot, int editedIndex);
    // A placed antenna, or the tower of one, picked on the plan.
    void editAntenna(int index);
    void editTowerAntenna(int index);
    void topographic();
    // The dialog a "No" to the save-changes question opens.
    void pending(PendingDialog dialog);
    void scale();
    void scaleCalculation();
    void malla(MallaValue mode);
    void xyCalculation();
    // The XY calculation; `then` runs after it completes. With `accepted` the
    // calculation runs with the settings the dialog's Accept read, which reach
    // the project only with its result; without, with the project's own.
    void runXYCalculation(std::function<void()> then = {},
                          std::optional<CalcSettings> accepted = std::nullopt);
    void xzCalculation();
    // The section through the selected tower's antenna along its azimuth,
    // calculated at once.
    void sectionThroughAntenna();
    void calcColours();
    void dotColours();
    void antennaParameters();
    // The GIS dialogs work on the plan at 100 %; refuses with a message otherwise.
    bool geoPrecondition();
    void origin();
    void reference();
    void curvature();
    void about();
    // Options "Exposure model...": the model and the reflection factor.
    void exposureModel();

  private:
    // The beam part of "Antenna options" for `slot`, kept in step with the
    // dialog's type and angle of fall.
    BeamBox* attachBeamBox(AntennaDialog* d, int slot);
    void dropOpenDefinition();
    // A box of `d` out of its range: the dialog's own message (`notNumber`
    // for a word, `outOfRange` for a number, the same one when null), the
    // field and its range on the second line; the dialog is to stay open.
    bool refused(BrenvikDialog* d, const char* notNumber, const char* outOfRange = nullptr);

    MainWindow& w_;
};

} // namespace brenvik::app
