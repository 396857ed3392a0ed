#pragma once

#include "model/Numbers.h"
#include "model/Project.h"

#include <optional>
#include <string>

namespace brenvik {

// Every node between the two grid corners (column, row), both inclusive and in
// any order, takes ContourHeight. The part of the rectangle outside the grid
// is ignored. A rectangle on the grid drops the elevation model window
// (the ground is now the user's). Returns the number of nodes written.
long long FillGroundRect(Project& p, long long col0, long long row0, long long col1,
                         long long row1);

// The ground cell of a point: column = Int(x / CellSize) for drawing units,
// Int(x / (CellSize * MetersPerUnit)) for metres; rows likewise. In metres a
// quotient a hair below a whole number (the rounding of the conversion, for a
// point on a grid line) counts as that number, so a node reads its own cell.
// No value when the cell lies outside GroundGrid.
struct GroundCell {
    int col = 0;
    int row = 0;
};
std::optional<GroundCell> GroundCellAtUnits(const Project& p, double x, double y);
std::optional<GroundCell> GroundCellAtMetres(const Project& p, double xm, double ym);

// The ground height there (no interpolation); no value outside the grid.
std::optional<double> GroundAtUnits(const Project& p, double x, double y);
std::optional<double> GroundAtMetres(const Project& p, double xm, double ym);

} // namespace brenvik
