#pragma once

#include "calc/GridCalc.h"
#include "model/Numbers.h"
#include "model/Project.h"

#include <optional>
#include <string>

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
