#pragma once

#include <cstdint>

namespace brenvik {

// The pointer tool that the clicks on the plan go to.
enum class PointerToolKind {
    Select,         // a click on an antenna opens its dialog
    PlaceAntenna,   // the next click places the antenna being defined
    ReferencePoint, // the next click sets the reference point
    PlaceTower,     // the next click places the tower being defined
    Topographic,    // drags rectangles of a ground height
    ScaleMeasure,   // two clicks measure the scale distance
    Erase,          // clicks and drags remove antennas
    Arrow,          // the Select tool: a click selects, a drag moves, a double-click opens
};

// Pointer-tool state of the main window; all off at start-up and after ResetTools.
struct ToolFlags {
    PointerToolKind Active = PointerToolKind::Select;
    bool TowerToolOn = false;     // the tower picture is pressed
    bool TowerDialogOpen = false; // a tower is being defined
    bool AverageToolOn = false;
    bool EditMode = false;        // a placed antenna or tower is being edited
    bool FirstPointTaken = false; // the scale measure has its first point

    void arm(PointerToolKind tool) { Active = tool; }
    // Ends `tool` when it is the active one.
    void end(PointerToolKind tool) {
        if (Active == tool) Active = PointerToolKind::Select;
    }
    bool placing() const {
        return Active == PointerToolKind::PlaceAntenna || Active == PointerToolKind::PlaceTower;
    }
    // An accepted definition arms its placement, a second accept disarms it:
    // a tower while a tower is being defined, otherwise a single antenna.
    void togglePlacement() {
        if (placing())
            Active = PointerToolKind::Select;
        else
            Active = TowerDialogOpen ? PointerToolKind::PlaceTower : PointerToolKind::PlaceAntenna;
    }
    void endPlacement() {
        if (placing()) Active = PointerToolKind::Select;
    }
};

} // namespace brenvik
