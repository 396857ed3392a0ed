#pragma once

#include "model/Project.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// The project file's extension block: what the program keeps beyond the
// records of its layouts, written after the last record so that a reader
// that stops there never sees it:
//
//   "brenvik-extension"      marker, a string line like the file's others
//   1                        block version
//   frequency.1=900          carrier of antenna 1 in MHz, one line per antenna
//   standard=icnirp-2020     compliance standard (an id of the limits library)
//   population=public        public | occupational
//   site=Torre Norte         site name, the rest of the line as it stands
//   result=out-of-date       only when the plan's result was saved out of date
//   terrain-datum=412.75     elevation of the ground grid's zero (elevation model)
//   dem.size=W H             the elevation model's pixels over the plan, then
//   dem.transform=..., dem.crs=WKT and dem.row.1=h h ... one line per row
//   place.1=x,y,h,kind,name  a place of sensitive use, one line per place
//   building.1=h,base,x y ..,id,name  a building's footprint, one line per building
//   position.1=east,north    where antenna 1 really stands, plan metres, when not on its node
//   site-name.1=Torre Norte  the inventory's site of antenna 1
//   label.1=sector A         the inventory's label of antenna 1
//   measurement.1=x,y,h,uw,factor,db,band,time,instrument,name  a field measurement
//   rule.1=ch-installation   a rule the site is judged by: its name or a rules file
//
// Lines end in CR LF like the rest of the file. The block is written only
// when one of its items differs from its default (900 MHz, "icnirp-2020",
// public, no site name, a current result, no antenna off its node nor named
// by an inventory) or it holds items of a later program (written after the
// known ones, as they were read), and then with every item, so that a project
// without these data is written exactly as before the block existed.
inline constexpr std::string_view ExtensionMarker = "brenvik-extension";
inline constexpr int ExtensionVersion = 1;

// True when an item of the block differs from its default.
bool NeedsExtensionBlock(const Project& p);

// Appends the block. False when an item has no file form: a frequency that is
// not a positive finite number, or a text with a line break.
bool AppendExtensionBlock(const Project& p, std::string& out);

// The block's items back to their defaults: every antenna at 900 MHz and the
// default compliance choices (what a file without the block means).
void ResetExtensionItems(Project& p);

// Reads the lines after the block's marker (version first) into `p`, whose
// antennas have been read already. False when the block is damaged: a version
// that is not a positive number, a line without "=", a repeated key, an
// antenna slot outside 1..AntennaCount, a frequency that is not a positive
// number, an unknown population, or a carriage return inside a line. Keys
// this version does not know are kept in p.ExtensionExtra; a block of a
// newer version is not read at all and only noted in p.ExtensionNewerVersion.
// Blank lines are skipped.
// `why`, when given, names the damaged line.
bool ReadExtensionBlock(Project& p, const std::vector<std::string_view>& lines,
                        std::string* why = nullptr);

// Why the project may not be saved, or no value: a project read from a file
// with a newer extension block would lose that block's data.
std::optional<std::string> ExtensionSaveRefusal(const Project& p);

} // namespace brenvik
