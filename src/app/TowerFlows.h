#pragma once

#include "app/FlowKit.h"

namespace brenvik {
class AntennaDialog;
class BeamBox;
} // namespace brenvik

namespace brenvik::app {

// The dialogs that define, place and edit towers and antennas, and the
// topographic lines: each opens on the values of a core form, hands the form
// back to the core rule on Accept, and arms the placing tool the rule asks for.
class TowerFlows {
  public:
    explicit TowerFlows(const FlowKit& kit) : k_(kit) {}

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
    // The tools were reset: nothing placed is being edited any more.
    void forget() { editAntenna_ = editTowerAntenna_ = 0; }

  private:
    // The beam part of "Antenna options" for `slot`, kept in step with the
    // dialog's type and angle of fall.
    BeamBox* attachBeamBox(AntennaDialog* d, int slot);
    void dropOpenDefinition();

    FlowKit k_;
    int editAntenna_ = 0;      // the placed antenna being edited
    int editTowerAntenna_ = 0; // an antenna of the placed tower being edited
};

} // namespace brenvik::app
