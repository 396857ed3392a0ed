#pragma once

#include "geo/Geo.h"
#include "model/FieldRule.h"
#include "model/Numbers.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <string>
#include <vector>

namespace brenvik::geo {

// ---- The dialogs' storing rules ------------------------------------------------
// Each form holds the texts of its boxes. Numbers typed there follow the user's
// locale: the window passes its own parser; the default reads the C form as
// the project file does. The boxes open with FormatFixedBox or FormatPlainBox.

// "Scale" (escal): the plan width in metres.
struct ScaleForm {
    std::string width;
};
ScaleForm OpenScaleForm(const Project& p, char decimalPoint = '.');
enum class ScaleOutcome {
    InputError, // "Input data error" shown, nothing changed
    Kept,       // same metres per unit: the project is kept
    Reset,      // new scale: FileName emptied and the project reset
};
ScaleOutcome AcceptScale(Project& p, const ScaleForm& form, Prompts& prompts,
                         const NumberParser& parse = ParseFileDouble);

// "Scale calculation" (posicion): the known distance between the two points.
// Accept stores it (the window then arms the two-point measure); false after "Input data
// error" (nothing stored).
struct ScaleCalculationForm {
    std::string distance;
};
ScaleCalculationForm OpenScaleCalculationForm(const Project& p, char decimalPoint = '.');
bool AcceptScaleCalculation(Project& p, const ScaleCalculationForm& form, Prompts& prompts,
                            const NumberParser& parse = ParseFileDouble);

// "Origin of coordinates" (cambiocoor). Accept stores each box that converts,
// shows "Error en la entrada de datos" for each one that does not (its item
// keeps its value), clamps the latitude, and returns the number of failing
// boxes; the dialog closes and the plan is redrawn either way.
struct OriginForm {
    std::string x, y, lon, lat;
};
OriginForm OpenOriginForm(const Project& p, char decimalPoint = '.');
int AcceptOrigin(Project& p, const OriginForm& form, Prompts& prompts,
                 const NumberParser& parse = ParseFileDouble);

// "Reference point" (referencia). The boxes open with RefX, RefY and the
// origin's longitude and latitude. Accept (after which the window arms the reference-point click)
// stores the boxes as the Origin dialog does.
struct ReferenceForm {
    std::string x, y, lon, lat;
};
ReferenceForm OpenReferenceForm(const Project& p, char decimalPoint = '.');
int AcceptReference(Project& p, const ReferenceForm& form, Prompts& prompts,
                    const NumberParser& parse = ParseFileDouble);

// "Curvature radius" (curvatura): EarthR and the ellipsoid's axes.
struct CurvatureForm {
    std::string earthR, a, b;
};
CurvatureForm OpenCurvatureForm(const Project& p, char decimalPoint = '.');
// A box that does not convert, or an axis of 0 or less ("Input data error"),
// leaves its item as it was; the count of such boxes is returned.
int AcceptCurvature(Project& p, const CurvatureForm& form, Prompts& prompts,
                    const NumberParser& parse = ParseFileDouble);

// The ranges of the boxes of these dialogs: the plan's width, the measured
// distance, a position (the origin's and the reference point's dialogs share
// their boxes) and the curvature radius with the ellipsoid's axes.
const std::vector<FieldRule>& ScaleRules();
const std::vector<FieldRule>& ScaleCalculationRules();
const std::vector<FieldRule>& PositionRules();
const std::vector<FieldRule>& CurvatureRules();

} // namespace brenvik::geo
