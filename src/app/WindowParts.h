#pragma once

#include "app/CommandNames.h"

class QMainWindow;

namespace brenvik {
class Prompts;
class Project;
} // namespace brenvik

namespace brenvik::app {

class CalcFlows;
class CalcRunner;
class CommandBar;
class ComplianceFlows;
class Desktop;
class DocumentHolder;
class GeoFlows;
class PlanView;
class PrintService;
class RealPlacesFlows;
class ResultState;
class SettingsFlows;
class StatusReadouts;
class ToolBench;
class TowerFlows;

// The services the main window builds and wires together, as the commands
// see them: a command's handler reaches the document and the one service that
// does its work, never the window itself. The window owns every service; this
// is only the switchboard the command table is run on.
struct WindowParts {
    Project& project;
    Prompts& prompts;
    PrintService& printer;
    QMainWindow& window;
    StatusReadouts& status;
    PlanView& view;
    CommandBar& bar;
    ToolBench& tools;
    DocumentHolder& document;
    Desktop& desktop;
    TowerFlows& towers;
    CalcFlows& calc;
    SettingsFlows& settings;
    GeoFlows& geo;
    ComplianceFlows& compliance;
    RealPlacesFlows& realPlaces;
    ResultState& results;
    CalcRunner& runner;
};

// Runs `command` inside the window's error trap: a failure is shown and the
// tools reset; the out-of-date notice and the tool hint follow either way.
void RunGuarded(WindowParts& parts, const Handler& command);

} // namespace brenvik::app
