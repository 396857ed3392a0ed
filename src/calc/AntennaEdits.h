#pragma once

#include "model/AntennaFields.h"
#include "model/Project.h"

namespace brenvik {

// Edits of the antenna records made with the pointer on the plan. Removing a
// record moves the later ones down one place; the arrays keep their bound.

// Removes every antenna record equal in all its items to an earlier one.
void RemoveDuplicateAntennas(Project& p);

// Removes every antenna standing on the snapped plan position (xs, ys) that
// was placed at the current zoom; returns how many were removed.
int EraseAntennasAt(Project& p, double xs, double ys);

} // namespace brenvik

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// ---- Selecting, moving and editing placed towers -------------------------------------
//
// A tower is the set of antenna records that share its AntTower and stand on
// the same point; a standalone antenna is a tower of one. A selection is kept
// as the slot of one of its antennas.

// The slots of the tower that the antenna in `slot` belongs to, in index
// order; empty when `slot` holds no placed antenna.
std::vector<int> TowerSlots(const Project& p, int slot);

// The first placed antenna whose symbol cell (from where it is drawn, its
// exact position when it has one) holds the plan position (xp, yp) (drawing
// units at 100 %), whatever the zoom it was placed at; 0 when none.
int AntennaAtPlan(const Project& p, double xp, double yp);

// Moves the tower of `slot` to the snapped plan position (xs, ys), as placed
// at `zoom`; when `at` is given (plan metres) the antenna of `slot` stands
// exactly there and the others of its tower keep their distances to it,
// else they all stand on the node. Refused (false, nothing changes) when another antenna
// stands there. A move makes the results out of date: they are discarded.
bool MoveTower(Project& p, int slot, double xs, double ys, double zoom,
               std::optional<PlanPosition> at = std::nullopt);

// Removes every antenna of the tower of `slot`; returns how many. The
// results are discarded as the eraser discards them.
int EraseTower(Project& p, int slot);

// The fields of an antenna that the attribute table and the properties panel
// edit in place are the editable rows of the antenna field table.
struct FieldRange {
    const char* label; // the field's name as the user reads it
    double min, max;
};
// The accepted range of a field, as the field table gives it (Type has none:
// min > max).
FieldRange AntennaFieldRange(AntennaField f);

// The value of a numeric field of the antenna in `slot`: positions in plan
// metres (origin included, Y upwards) where the antenna really stands, height
// in metres; 0 for a field that holds no number.
double AntennaFieldValue(const Project& p, int slot, AntennaField f);

// Sets one field of the antenna in `slot`. A position moves the whole tower
// to the typed point, its node being the one a click there at 100 % would
// choose; every other field reaches that antenna alone. Refused with a message naming the field and
// its range when the value is out of range, or when the new position is taken; nothing changes
// then. Type takes 0 for a panel, 1 for a stick. A change discards the results, which no longer
// match the antennas.
std::optional<std::string> SetAntennaField(Project& p, int slot, AntennaField f, double value);

// The kind a user names by typing "BTS", "panel", "DTS" or "stick" (any case,
// abbreviated after those letters); none for anything else.
std::optional<AntennaKind> AntennaKindFromText(std::string_view text);
// "BTS (panel)", "DTS (stick)", or what a kind the program does not know is called.
const char* AntennaKindName(AntennaKind k);

// "Frequency (MHz): between 0.1 and 300000".
std::string RangeMessage(const FieldRange& r);

} // namespace brenvik
