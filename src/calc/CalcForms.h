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
// Option1: CalcOption = AtSurface, CalcHeight = 0, Text1 = "0", Text1 disabled.
void CalFormOption1(Project& p, CalForm& f);
// Option2: CalcOption = AtHeight, Text1 enabled.
void CalFormOption2(Project& p, CalForm& f);
// Accept, before the calculation runs: CalcHeight = Int(Text1). A text that is
// not a number returns "Input data error" and changes nothing.
std::optional<std::string> CalFormAccept(Project& p, const CalForm& f,
                                         const NumberParser& parse = ParseNumberC);
// What Accept stores for a height already read: CalcHeight = Int(height).
void SetCalculationHeight(Project& p, double height);

// The main window's height label h1: "h=" + CalcHeight + " m".
std::string HeightLabelText(const Project& p, const NumberFormatter& fmt = FormatNumberC);

// ---- "XZ-Calculation" (calperfil) -------------------------------------------------------

// On load: the first time (XZDistance = -1) proposes the middle of the map area
// and stores it in XZDistance. Returns XZDistance (show it with FormatFixed2C
// or the locale's "0.00").
double XZDialogDistance(Project& p);
// Accept: XZDistance = Text2; "Distance not allowed" when it is <= 0 or above
// the plan's height in metres (the dialog stays open); else XZPlaneRow is set
// from the distance and CurrentPlane = XZ. A text that is not a number
// returns "Input data error" and changes nothing.
std::optional<std::string> XZDialogAccept(Project& p, const std::string& text2,
                                          const NumberParser& parse = ParseNumberC);
// What Accept does with a distance already read.
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
