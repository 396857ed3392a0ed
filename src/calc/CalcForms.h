#pragma once

#include "calc/GridCalc.h"
#include "model/Numbers.h"
#include "model/Project.h"

#include <optional>
#include <string>
#include <utility>

namespace brenvik {

// ---- Preconditions (each returns the refusal message, or no value) -----------

// "XY-Calculation": at least one antenna.
std::optional<std::string> XYCalcRefusal(const Project& p);
// "XZ-Calculation", checked before the tool reset: Zoom, then XYCalcZoom.
std::optional<std::string> XZViewRefusal(const Project& p);
// "XZ-Calculation", checked after the tool reset: at least one antenna.
std::optional<std::string> XZSourceRefusal(const Project& p);

// ---- "Calculation" (cal) ------------------------------------------------------------

struct CalForm {
    bool option1 = true;       // "Calculation at surface height"
    bool text1Enabled = false; // "Height of the calculation plane (m):"
    std::string text1;
};
CalForm CalFormLoad(const Project& p, const NumberFormatter& fmt = FormatNumberC);
// The option clicks as they store at once, where nothing can be cancelled
// (the batch companion's settings).
// Option1: CalcOption = AtSurface, CalcHeight = 0, Text1 = "0", Text1 disabled.
void CalFormOption1(Project& p, CalForm& f);
// Option2: CalcOption = AtHeight, Text1 enabled.
void CalFormOption2(Project& p, CalForm& f);
// What an accepted "Calculation" hands to the calculation: the level of the
// plane and its height. The option clicks only change the form; nothing of
// the project changes until Accept, so Cancel leaves the settings as they were.
struct CalcSettings {
    CalcLevel level = CalcLevel::AtSurface;
    double height = 0.0; // Int(Text1)
};
// Reads the form without storing anything: the level from the selected option,
// the height Int(Text1); "Input data error" when Text1 is not a number.
std::optional<std::string> CalFormRead(const CalForm& f, CalcSettings& out,
                                       const NumberParser& parse = ParseNumberC);
// Stores read settings: CalcOption and CalcHeight.
void ApplyCalcSettings(Project& p, const CalcSettings& s);
// Accept, before the calculation runs: CalFormRead, then ApplyCalcSettings. A
// text that is not a number returns "Input data error" and changes nothing.
std::optional<std::string> CalFormAccept(Project& p, const CalForm& f,
                                         const NumberParser& parse = ParseNumberC);
// What Accept stores for a height already read: CalcHeight = Int(height).
void SetCalculationHeight(Project& p, double height);

// The settings a recalculation of the plan runs with, one line each, for the
// question asked before it: the plane and its height, and the grid. A section
// out of date is named too, since the recalculation leaves it as it is.
std::string RecalculationSettingsText(const Project& p, const NumberFormatter& fmt = FormatNumberC);

// The main window's height label h1: "h=" + CalcHeight + " m".
std::string HeightLabelText(const Project& p, const NumberFormatter& fmt = FormatNumberC);

// ---- "XZ-Calculation" (calperfil) -------------------------------------------------------

// On load: the first time (XZDistance = -1) proposes the middle of the map area
// and stores it in XZDistance. Returns XZDistance (show it with FormatFixed2C
// or the locale's "0.00").
double XZDialogDistance(Project& p);
// The same proposal without storing it, for a dialog that may be cancelled.
double XZDialogProposal(const Project& p);
// "Distance not allowed" for a distance <= 0 or above the plan's height in
// metres; no value for a distance the section may lie at.
std::optional<std::string> SectionDistanceRefusal(const Project& p, double distance);
// Accept: "Distance not allowed" when Text2 is <= 0 or above the plan's height
// in metres (the dialog stays open, the project unchanged); else XZDistance =
// Text2, XZPlaneRow is set from the distance and CurrentPlane = XZ. A text that is not a number
// returns "Input data error" and changes nothing.
std::optional<std::string> XZDialogAccept(Project& p, const std::string& text2,
                                          const NumberParser& parse = ParseNumberC);
// What Accept does with a distance already read. A refused distance changes
// nothing.
std::optional<std::string> SetSectionDistance(Project& p, double distance);

// ---- Where the section lies ---------------------------------------------------------------

// The vertical plane the XZ calculation computes. Plan metres are the
// calculation's (x to the right, y down the plan, as it places antennas and
// nodes); `y`, `requestedY` and the antenna's `atX`, `atY` are in the frame
// of the CSV exports (y up, from the origin of Coordinates).
struct SectionLine {
    bool through = false; // along antenna `antenna`'s azimuth, through it
    int antenna = 0;
    // Along X: computed exactly on the requested line (the far-field model
    // works at any point), else on grid row XZPlaneRow.
    bool exact = false;
    double planY = 0.0;      // along X: the computed line's plan y
    double y = 0.0;          // along X: the same line's y in the exports' frame
    double requestedY = 0.0; // along X: the line asked for, OriginY + XZDistance
    // Where a plan drawn at 100 % draws the computed line, in drawing units
    // (along X: the row's own line on the grid).
    double drawingY = 0.0;
    // Through an antenna: column i lies along(i) metres from the antenna,
    // in front of it along the azimuth, behind it when negative; its plan
    // point is (x0 + along * ex, y0 + along * ey).
    double x0 = 0.0, y0 = 0.0, ex = 1.0, ey = 0.0;
    double atX = 0.0, atY = 0.0; // the antenna in the exports' frame
    double azimuthDeg = 0.0;
    double step = 0.0; // metres between columns (the grid's step)
    int centre = 0;    // the antenna's column
    double along(double i) const { return (i - centre) * step; }
};
// The section the project's settings place (the last one asked for).
SectionLine SectionLineOf(const Project& p);
// The plan point (calculation metres) `along` metres along a section through
// an antenna.
std::pair<double, double> SectionPoint(const SectionLine& l, double along);
// What a label or a page says of the section, in the exports' frame:
// "section at y = 50.42 m (requested y = 48.50 m: grid row)",
// "section at y = 48.50 m",
// "section through antenna 3 at x = 10.00 m, y = 50.42 m, along azimuth 120 deg".
std::string SectionCaption(const Project& p);
// Node (i, stored row j) of a calculated section in the exports' frame: its
// distance d along the section (x from the origin along X; from the antenna
// through one, negative behind it), its x and y, and its height z, the
// stored rows 0..SectionTopRow holding heights; nothing for another node.
struct SectionNode {
    double d = 0.0, x = 0.0, y = 0.0, z = 0.0;
};
int SectionTopRow(const Project& p);
std::optional<SectionNode> SectionNodeAt(const Project& p, const SectionLine& l, int i, int j);
// The plan position (calculation metres) of antenna n as the project's model
// computes from it (the far-field model where it really stands, the beam
// model at its node): the one place a section through it takes it from.
std::pair<double, double> SectionAntennaPosition(const Project& p, int n);
// Through antenna n (1..AntennaCount, a panel or a stick) along its azimuth:
// "Distance not allowed" for another number (nothing changes); else
// XZThrough = n and CurrentPlane = XZ. A section along X (SetSectionDistance)
// ends it.
std::optional<std::string> SetSectionThrough(Project& p, int n);

// ---- Window "Running" (cal2) ----------------------------------------------------------

std::string
RunningLabel2(const Project& p); // "Without temporal average" / "There is a temporal average"
std::string RunningLabel3(const CalcProgress& c); // "Running p of L tempotal point(s)"
std::string RunningLabel4(const CalcProgress& c); // "Running s of N pollution sources"
std::string RunningLabel5(const CalcProgress& c); // "Running n of T calculation points"
std::string
RunningLabel6(const Project& p); // "Fuente activada" / "Línea activada" / "Área activada"

// ---- "Topographic line" (reliev) ------------------------------------------------------

// "Topographic line" (reliev) Accept: a negative number becomes "0" in the
// box, then ContourHeight = Int(number). A box that is not a number returns
// "Input data error" and leaves ContourHeight unchanged (the dialog stays
// open). Arming the tool is the window's part.
std::optional<std::string> TopoLineAccept(Project& p, std::string& text1,
                                          const NumberParser& parse = ParseNumberC);

} // namespace brenvik
