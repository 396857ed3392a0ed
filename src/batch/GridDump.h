#pragma once

#include "model/Grid2D.h"

#include <atomic>
#include <ostream>
#include <string>

namespace brenvik::batch {

// A result grid exactly as stored, for scripts that post-process it: the header
// "i","j","c" and one record i,j,c per node, i = 0..nx outer, j = 0..ny inner,
// lines ending in CR LF like every text file of the program. c has 17
// significant digits, so it reads back to the very same double.
// A raised `cancel` stops the dump between columns: false then.
bool writeGridDump(std::ostream& out, const Grid2D<double>& grid, int nx, int ny,
                   const std::atomic<bool>* cancel = nullptr);

// The value form of a dump record: what "%.17g" gives in the C locale.
std::string formatGridValue(double v);

} // namespace brenvik::batch
