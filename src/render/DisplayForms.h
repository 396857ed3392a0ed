#pragma once

#include "model/FieldRule.h"
#include "model/Numbers.h"
#include "model/ViewState.h"
#include "render/Colour.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brenvik {
class Project;
struct DisplaySettings;
} // namespace brenvik

namespace brenvik::render {

// ---- The four display commands ------------------------------------------------------

// The style of each command: "Isolines", "Colour gradient", "Numerical grid",
// "Dots of colours".
struct DisplayCommandOutcome {
    bool accepted = false;
    std::string message; // shown (exclamation icon) when refused
};
// When the current plane has a result, sets DisplayMode = style and accepts:
// the caller then redraws the current plane (redrawView). Otherwise refuses
// with "No calculated levels" for the dots and "There is not a calculated
// electromagnetic pollution" for the others; the caller then runs its tool
// reset. The caller runs its tool reset first for the isolines and the
// numerical grid either way.
DisplayCommandOutcome showResults(Project& p, ResultStyle style);

// ---- "Calculation colours" --------------------------------------------------------------

struct CalcColourOption {
    const char* isolineOption; // option of the "Isoline colour" group
    const char* markOption;    // option of "Source colour and maximum point colour"
    const char* caption;
    Rgb colour;
};
std::span<const CalcColourOption> CalcColourOptions();
// The option (index into CalcColourOptions) whose colour equals the stored
// colour; nothing when no option matches.
std::optional<int> CalcColourOptionFor(Rgb colour);
// Choosing an option stores its colour at once.
void ChooseIsolineColour(DisplaySettings& d, int option);
void ChooseMarkColour(DisplaySettings& d, int option);
// Swatches, in the dialog's own drawing units.
struct SwatchBox {
    double x1, y1, x2, y2;
};
inline constexpr SwatchBox kIsolineSwatch{700, 2400, 1500, 3200};
inline constexpr SwatchBox kMarkSwatch{700, 700, 1500, 1500};
// The dialog has no Cancel: Accept closes it and the window redraws.

// ---- "Colours of the dots" --------------------------------------------------------------

// The swatch of the current scheme (colour: dotScheme(DotScheme).swatch).
inline constexpr SwatchBox kDotSwatch{700, 700, 1500, 1500};

// Option buttons of the frames "RANDOM" and "Number of points".
enum class JitterOption { No, Yes, Few }; // 0, 1.0, 0.5 cells
double JitterValue(JitterOption o);
JitterOption JitterOptionFor(double jitter);          // the option to select on activation
void ChooseDotScheme(DisplaySettings& d, int scheme); // 1..17, ignored otherwise
void ChooseJitter(DisplaySettings& d, JitterOption o);
void ChooseDotCount(DisplaySettings& d, int count); // 1 or 2
// Texts shown on activation in `rradio` and `cutcol`.
std::string DotRadiusText(const DisplaySettings& d);
std::string DotFromPercentText(const DisplaySettings& d);
// Accept: DotRadius = |radius|, at least 1; DotFromPercent = |percent|, at
// most 100. A box that is not a number refuses with "Input data error" and
// changes nothing (the dialog stays open). On success the caller redraws and
// closes the dialog.
std::optional<std::string> AcceptDotColours(DisplaySettings& d, const std::string& radiusText,
                                            const std::string& fromPercentText,
                                            const NumberParser& parse = ParseNumberC);

// ---- The shared dialog `malla` ------------------------------------------------------------

// MallaMode GridSize: "Grid size"; IsolineCount: "Number of isolines".
struct SizeFormTexts {
    std::string caption, label, value;
};
SizeFormTexts sizeFormTexts(const Project& p);
// Accept of "Grid size": GridNX = the text as an integer (raised to 3 when 2
// or less); the derived items follow and the grids are re-dimensioned, empty,
// since a new grid discards the results. A text that is not a number, a grid
// finer than one drawing unit or one too large for the memory left refuses
// with "Input data error" and the project keeps its grid.
// How much of the plan's width a grid of the typed column count covers: its
// cells are a whole number of drawing units wide, so a count that does not
// divide the width leaves a strip on the right without calculation points.
// `fullCount` is the nearest count whose cells cover the whole width.
struct GridCoverage {
    int count = 0;       // the count as the grid would take it
    double fraction = 1; // of the plan's width, 0 to 1
    int fullCount = 0;   // nearest count covering all of it
};
// Nothing when the text is not a count the grid would take.
std::optional<GridCoverage> gridCoverage(const std::string& text,
                                         const NumberParser& parse = ParseNumberC);
// The dialog's note: empty when the grid covers the whole plan.
std::string GridCoverageNote(const GridCoverage& c);

std::optional<std::string> AcceptGridSize(Project& p, const std::string& text,
                                          const NumberParser& parse = ParseNumberC);
// Accept of "Number of isolines": IsolineCount = the text as an integer; the
// levels and both crossing tables of the plan are re-created empty. A count
// below 1 (which leaves no level and makes the level step a division by zero)
// or a text that is not a number refuses with "Input data error".
std::optional<std::string> AcceptIsolineCount(Project& p, const std::string& text,
                                              const NumberParser& parse = ParseNumberC);
// What Accept does with a count already read (1..32767).
std::optional<std::string> SetIsolineCount(Project& p, long long count);
// The boxes of "Grid size" and "Number of isolines", and of the dots' dialog.
const std::vector<FieldRule>& GridSizeRules();
const std::vector<FieldRule>& IsolineCountRules();
const std::vector<FieldRule>& DotColourRules();
// Accept of whichever MallaMode is set.
std::optional<std::string> AcceptSizeForm(Project& p, const std::string& text,
                                          const NumberParser& parse = ParseNumberC);

} // namespace brenvik::render
