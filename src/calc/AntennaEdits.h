#pragma once

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
