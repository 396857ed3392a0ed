#pragma once

#include "model/ViewState.h"
#include "pipeline/Outputs.h"

namespace brenvik::app {

struct WindowParts;

// The commands that more than one row runs (a menu item and its toolbar
// picture), each on the services it needs.

// Draws the results of the plane on view in `style`; a named toolbar picture
// shows pressed while it draws.
void ShowResults(WindowParts& w, ResultStyle style, bool resetFirst, const char* toolbarName);
// Open, after the save-changes question when there is unsaved work.
void OpenAsked(WindowParts& w);
// Saves onto the project's own file, or asks for one.
void SaveProject(WindowParts& w);
// Arms the eraser with its picture pressed.
void ArmEraser(WindowParts& w);
// "Scale": the save-changes question, then the scale dialog.
void AskScale(WindowParts& w);
// File "Save image": the area's picture as a bitmap.
void SaveImage(WindowParts& w);
// File "Export picture...": the whole plan as PNG, SVG or PDF for a report.
void ExportPicture(WindowParts& w);
// File "Print": the plane on view on white paper with its legend.
void PrintPlan(WindowParts& w);
// File "Prnt image": the area's picture as it is on screen.
void PrintImage(WindowParts& w);
// Writes one output of the pipeline's table to a file the user names.
void ExportOutput(WindowParts& w, pipeline::OutputKind kind);

} // namespace brenvik::app
