#pragma once

#include "app/CommandNames.h"

#include <vector>

namespace brenvik::app {

// Every command in the order of its menu or of the toolbar.
std::vector<Command> CommandTable();

// The rows of each family, in menu order; CommandTable() puts them together.
std::vector<Command> FileCommands();
std::vector<Command> EditCommands();
std::vector<Command> ViewCommands();
std::vector<Command> AntennaCommands();
std::vector<Command> CalculationCommands();
std::vector<Command> ToolsCommands();
std::vector<Command> GeoCommands();
std::vector<Command> OptionsCommands();
std::vector<Command> ToolbarCommands();
// Appends a command for every output of the pipeline's table that no
// command of `t` offers yet (the point tables, the grid dumps, the places and
// buildings), each written through ExportOutput().
void AddOutputCommands(std::vector<Command>& t);
// The compliance commands, each put in its menu after the command it follows:
// File "Report...", View "Show % of limit", Antenna "Import sites..." and
// "Export sites...", Options "Compliance..." and "Compliance summary...".
void AddComplianceCommands(std::vector<Command>& t);
// Tools "Import terrain...", "Import buildings..." and "Places...", at the
// end of the Tools menu.
void AddRealPlacesCommands(std::vector<Command>& t);

} // namespace brenvik::app
