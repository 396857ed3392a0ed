#pragma once

#include "model/Numbers.h"
#include "model/ViewState.h"
#include "render/Colour.h"
#include "render/Surface.h"
#include "render/View.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace brenvik {
class Project;
struct DisplaySettings;
} // namespace brenvik

namespace brenvik::render {

class DotRandom;

using brenvik::Plane;
Plane currentPlane(const Project& p);
bool PlaneCalculated(const Project& p, Plane plane);

// Layout constants of the window that the renderers read, in drawing units.
inline constexpr double kShape2Top = 9600;      // bottom line of the map area
inline constexpr double kShape2Height = 15;     // the bottom line is one pixel high
inline constexpr double kHScrollHeight = 255;   // horizontal scroll bar
inline constexpr double kIconShapeHeight = 705; // the XZ colour scale hangs below it

// What a scene does to the window's own controls besides drawing: which
// marker lines and scroll bars are shown, and where the section lines stand.
struct Segment {
    double x1, y1, x2, y2;
    friend bool operator==(const Segment&, const Segment&) = default;
};
struct SceneControls {
    bool geoLinesVisible = true; // geolinex / geoliney
    bool scrollBarsVisible = true;
    std::optional<Segment> cortez;  // the XZ section line on the plan, when shown
    std::optional<Segment> cortexy; // the XY plane line on the section, when shown
};

// The marking colours of the calculation-colours dialog.
Rgb isolineColour(const DisplaySettings& d);
Rgb markColour(const DisplaySettings& d);

// ---- Scenes -------------------------------------------------------------------

// The plan scene (XY): section line and label, grid lines, legal-limit
// notes, topographic dashes and height labels, antenna symbols. Clears the
// surface itself only when DisplayMode = 0.
SceneControls DrawPlanScene(const Project& p, Surface& s);
// The section scene (XZ): plane line and label, ground cells and labels,
// antennas.
SceneControls DrawSectionScene(const Project& p, Surface& s);
SceneControls DrawScene(const Project& p, Surface& s, Plane plane);

void drawGridLines(const Project& p, Surface& s);
void DrawLegalNotes(Surface& s, bool whiteBackground = false);

// The legal-limit notes of the plan, top to bottom, each with the density
// limit it states in uW/cm^2.
struct LegalNote {
    double limit;
    const char* text;
};
std::span<const LegalNote> LegalNotes();
void DrawTopography(const Project& p, Surface& s);
void DrawAntennas(const Project& p, Surface& s);

// ---- Result layers -------------------------------------------------------------

// Level 0..10 of a node value against the plane's maximum; nothing when the
// maximum is not positive (an all-zero result has no levels) or the value is
// not a number.
std::optional<int> LevelOf(double value, double maximum);
// Colour of a gradient cell at a level, white or black background.
Rgb GradientColour(int level, bool whiteBackground);
// The colour of a level in the display's colour scheme: the classic one
// above, or the colour-blind-safe density ramp (level 0 stays the back
// colour in both, so nothing shows where nothing radiates).
Rgb LevelColour(const DisplaySettings& d, int level, bool whiteBackground);
// Drawing threshold: a loaded background picture stays visible under the
// weak levels.
int GradientThreshold(const Project& p);

// Colour gradient: clear, cells, colour scale, then the scene again on top.
void DrawGradient(const Project& p, Surface& s, Plane plane);
void DrawColourScale(const Project& p, Surface& s, Plane plane);

// Isolines and the maximum mark, over the scene.
void DrawIsolines(const Project& p, Surface& s, Plane plane);

// Numerical grid and the maximum mark, over the scene.
void DrawNumericalGrid(const Project& p, Surface& s, Plane plane);
// The maximum mark: a circle in MarkColour and the maximum's value with the
// given decimals, at the given font size (0 keeps the current size).
void drawMaximumMark(const Project& p, Surface& s, Plane plane, int decimals, double fontSize = 0);

// Dots of colours: clear (DisplayMode = 3), dots, the one-box scale, then the
// scene again on top.
void DrawDots(const Project& p, Surface& s, Plane plane, DotRandom& rnd);

// The result layer chosen by DisplayMode.
void DrawResults(const Project& p, Surface& s, Plane plane, DotRandom& rnd);

// The full redraw of the current plane, as every command that redraws does:
// clear, the scene of the plane, then its result in the current DisplayMode
// when the plane has one.
SceneControls redrawView(const Project& p, Surface& s, DotRandom& rnd);

// The texts drawn on the plan are formatted by model/Numbers.h.
using brenvik::FormatDensity;
using brenvik::formatFixed;
using brenvik::FormatShortest;

} // namespace brenvik::render
