#pragma once

// The project file's keywords for an antenna's type, power option and height
// unit: the one place where they are told apart. Everything else works with
// the enums.

#include "model/Project.h"

#include <string>

namespace brenvik {

// Sets the typed fields of `a` from the file's three keywords; a keyword the
// program does not know is kept verbatim (the type then radiates nothing, the
// power option reads as "Maximum", the unit as metres).
void SetAntennaKeywords(Antenna& a, const std::string& powerMode, const std::string& heightUnit,
                        const std::string& type);

// The keywords the file stores for `a`: the verbatim text when one was kept.
std::string PowerModeKeyword(const Antenna& a);
std::string HeightUnitKeyword(const Antenna& a);
std::string AntennaTypeKeyword(const Antenna& a);

} // namespace brenvik
