#pragma once

#include "model/AtomicFile.h"
#include "model/Grid2D.h"

#include <ostream>
#include <string>

namespace brenvik::pipeline {

// A result grid exactly as stored, for scripts that post-process it: the header
// "i","j",`value` and one record i,j,v per node, i = 0..nx outer, j = 0..ny
// inner, lines ending in CR LF like every text file of the program. v has 17
// significant digits, so it reads back to the very same double.
// The writing stops between columns once the text's feedback is canceled, or
// its chunk fails: false then.
bool WriteGridDump(ChunkedText& out, const Grid2D<double>& grid, int nx, int ny,
                   const char* value = "c");

// The same into a stream; a canceled `feedback` stops it: false then.
bool writeGridDump(std::ostream& out, const Grid2D<double>& grid, int nx, int ny,
                   Feedback* feedback = nullptr);

// The value form of a dump record: what "%.17g" gives in the C locale.
std::string FormatGridValue(double v);

} // namespace brenvik::pipeline
