#pragma once

#include "model/Numbers.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// ---- "Mobile phone tower" (torre) ---------------------------------------------
//
// The antennas of the tower being defined occupy the pending slots
// AntennaCount + 1 .. AntennaCount + TowerAntCount until the tower is placed.
// Counts are int16: an overflow throws Int16Overflow (model/Int16.h) and the
// caller reports it through its error path.

// A new tower: grows the arrays to AntennaCount + 1, fills that slot with the
// defaults and AntTower = TowerCount + 1, and sets TowerAntCount = 1.
void TowerBeginNew(Project& p);

// Editing the tower of the antenna in `pickedSlot` (picked on the map): the
// pending slot is prepared as for a new tower, then TowerAntCount = the picked
// antenna's AntNumber ("Add antenna" and "Remove antenna" are disabled).
void TowerBeginEdit(Project& p, int pickedSlot);

// "Add antenna": one more pending slot, a copy of the tower's last antenna.
void TowerAddAntenna(Project& p);

// "Remove antenna": drops the last antenna of the tower when it has more than
// one; returns false (and changes nothing) otherwise.
bool TowerRemoveAntenna(Project& p);

// The texts of the combo "Antenna number": "1" .. TowerAntCount.
std::vector<std::string> TowerComboItems(const Project& p);

// The slot that "Options" edits for the combo's antenna `sel` (1-based). For a
// new tower that is the pending slot AntennaCount + sel. For a tower picked on
// the map it is the sel-th antenna of that tower (the antennas sharing the
// picked antenna's AntTower, in index order), so the edit reaches the placed
// record; -1 when the tower has no such antenna.
int TowerOptionsSlot(const Project& p, int sel, int editTowerAntenna = 0);

// ---- "Antenna options" (fuent) -----------------------------------------------------

enum class FuentType { Alta, Baja };           // "BTS (panel)", "DTS (stick)"
enum class FuentDirection { N, E, S, W, Ang }; // n, e, S, w, ang "In grads"
enum class FuentPower { Max, Med, Otr };       // "Maximum", "Average", "Other value"
enum class FuentHeight { Altm, Pisos };        // "in meters", "in floors"

// The state of the form: the option chosen in each frame, the text of each
// box, and which controls are enabled.
struct AntennaForm {
    FuentType type = FuentType::Alta;
    FuentDirection direction = FuentDirection::E;
    FuentPower power = FuentPower::Max;
    FuentHeight height = FuentHeight::Pisos;
    std::string angText;              // angle of fall
    std::string antang;               // direction in degrees
    std::string potext;               // power, watts
    std::string mText;                // height in metres
    std::string pText;                // height in floors
    std::string freqText = "900";     // carrier frequency, MHz
    bool panelControlsEnabled = true; // the "Angle of fall" and "Antenna direction" frames
    bool antangEnabled = false;
    bool potextEnabled = false;
    bool mTextEnabled = false;
    bool pTextEnabled = true;
};

// The form showing slot `slot`; a slot beyond the arrays (a new single
// antenna) shows the defaults of a new tower's first antenna.
AntennaForm AntennaFormLoad(const Project& p, int slot, const NumberFormatter& fmt = FormatNumberC);

// Option clicks.
void AntennaFormClickType(AntennaForm& f, FuentType t);
void AntennaFormClickDirection(AntennaForm& f, FuentDirection d);
void AntennaFormClickPower(AntennaForm& f, FuentPower pw);
void AntennaFormClickHeight(AntennaForm& f, FuentHeight h);

// Accept: normalises the boxes (angle of fall clamped to +-85; heights, power
// and direction made positive), then stores into `slot` in this order: type,
// power option, height unit, height, angle of fall, power, direction, frequency
// (refused outside 100 kHz .. 300 GHz). With
// `newSlot` the arrays first grow to AntennaCount + 1 (slot must then be
// AntennaCount + 1); the window then arms or disarms the placement. A box that is not a
// number stops the storing there with "Input data error" (returned); what was stored before it
// stays. No value on success.
std::optional<std::string> AntennaFormAccept(Project& p, AntennaForm& f, int slot, bool newSlot,
                                             const NumberParser& parse = ParseNumberC,
                                             const NumberFormatter& fmt = FormatNumberC);

// ---- "Antenna parameters" (pantenas) ------------------------------------------------

struct OpenAnglesForm {
    std::string text1; // BTS (panel) open angle
    std::string text2; // DTS (stick) open angle
};

OpenAnglesForm OpenAnglesFormLoad(const Project& p, const NumberFormatter& fmt = FormatNumberC);

// Accept: each box becomes the absolute value of its number, capped at 85, and
// is stored into OpenAngleBTS / OpenAngleDTS. A box that is not a number stores
// nothing and returns "Input data error".
std::optional<std::string> OpenAnglesFormAccept(Project& p, OpenAnglesForm& f,
                                                const NumberParser& parse = ParseNumberC,
                                                const NumberFormatter& fmt = FormatNumberC);
// What Accept stores for angles already read (absolute values capped at 85);
// an angle not given keeps its value.
void SetOpenAngles(Project& p, std::optional<double> bts, std::optional<double> dts);

} // namespace brenvik
