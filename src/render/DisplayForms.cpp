#include "render/DisplayForms.h"

#include "model/Invalidation.h"
#include "model/Memory.h"
#include "model/MemoryBudget.h"
#include "model/Messages.h"
#include "model/Project.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

namespace brenvik::render {

namespace {

// The box's number as a 16-bit integer, halves to the even neighbour;
// nothing when it is not a number or does not fit.
std::optional<int> ParseInt16(const std::string& text, const NumberParser& parse) {
    const auto v = parse(text);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    const double r = std::nearbyint(*v);
    if (r < std::numeric_limits<std::int16_t>::min() ||
        r > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<int>(r);
}

constexpr std::array<CalcColourOption, 8> kCalcColours = {{
    {"aguamarinalinea", "aguamarina", "Light blue", {0, 255, 255}},
    {"blancolinea", "blanco", "White", {255, 255, 255}},
    {"Amarillolinea", "Amarillo", "Yellow", {255, 255, 0}},
    {"Grislinea", "gris", "Black", {0, 0, 0}},
    {"Rojolinea", "Rojo", "Red", {255, 0, 0}},
    {"Fucsialinea", "Fucsia", "Fucsia", {255, 0, 255}},
    {"Verdelinea", "Verde", "Green", {0, 128, 0}},
    {"azulinea", "Azul", "Blue", {0, 0, 255}},
}};

} // namespace

DisplayCommandOutcome showResults(Project& p, ResultStyle style) {
    if (!PlaneCalculated(p, currentPlane(p)))
        return {false, style == ResultStyle::Dots ? msg::NoLevels : msg::NoResult};
    p.DisplayMode = style;
    return {true, {}};
}

std::span<const CalcColourOption> CalcColourOptions() {
    return kCalcColours;
}

std::optional<int> CalcColourOptionFor(Rgb c) {
    for (std::size_t i = 0; i < kCalcColours.size(); ++i)
        if (kCalcColours[i].colour == c) return static_cast<int>(i);
    return std::nullopt;
}

void ChooseIsolineColour(DisplaySettings& d, int option) {
    if (option >= 0 && option < int(kCalcColours.size()))
        d.IsolineColour = kCalcColours[static_cast<std::size_t>(option)].colour;
}

void ChooseMarkColour(DisplaySettings& d, int option) {
    if (option >= 0 && option < int(kCalcColours.size()))
        d.MarkColour = kCalcColours[static_cast<std::size_t>(option)].colour;
}

double JitterValue(JitterOption o) {
    switch (o) {
    case JitterOption::No:
        return 0.0;
    case JitterOption::Yes:
        return 1.0;
    case JitterOption::Few:
        break;
    }
    return 0.5;
}

JitterOption JitterOptionFor(double jitter) {
    if (jitter == 0.0) return JitterOption::No;
    if (jitter == 1.0) return JitterOption::Yes;
    return JitterOption::Few;
}

void ChooseDotScheme(DisplaySettings& d, int scheme) {
    if (scheme >= 1 && scheme <= kDotSchemeCount) d.DotScheme = static_cast<std::int16_t>(scheme);
}

void ChooseJitter(DisplaySettings& d, JitterOption o) {
    d.DotJitter = JitterValue(o);
}

void ChooseDotCount(DisplaySettings& d, int count) {
    if (count == 1 || count == 2) d.DotCount = static_cast<std::int16_t>(count);
}

std::string DotRadiusText(const DisplaySettings& d) {
    return FormatShortest(d.DotRadius);
}
std::string DotFromPercentText(const DisplaySettings& d) {
    return FormatShortest(d.DotFromPercent);
}

std::optional<std::string> AcceptDotColours(DisplaySettings& d, const std::string& radiusText,
                                            const std::string& fromPercentText,
                                            const NumberParser& parse) {
    const auto radius = parse(radiusText);
    const auto from = parse(fromPercentText);
    if (!radius || !from || !std::isfinite(*radius) || !std::isfinite(*from))
        return std::string(msg::InputDataError);
    d.DotRadius = std::max(std::fabs(*radius), 1.0);
    d.DotFromPercent = std::min(std::fabs(*from), 100.0);
    return std::nullopt;
}

const std::vector<FieldRule>& DotColourRules() {
    static const std::vector<FieldRule> rules = {
        {.box = "rradio",
         .label = "Point radius",
         .min = 1.0,
         .max = 1000.0,
         .magnitude = true,
         .raisedToMin = true},
        {.box = "cutcol",
         .label = "Colour from (% of the maximum value)",
         .min = 0.0,
         .max = 100.0,
         .magnitude = true,
         .loweredToMax = true},
    };
    return rules;
}

SizeFormTexts sizeFormTexts(const Project& p) {
    if (p.Display.MallaMode == SizeFormValue::IsolineCount)
        return {"Number of isolines", "Introduce the number of isolines",
                std::to_string(p.IsolineCount)};
    return {"Grid size", "Introduce the number of calculation points in the X-Axis",
            std::to_string(p.GridNX)};
}

std::optional<GridCoverage> gridCoverage(const std::string& text, const NumberParser& parse) {
    auto n = ParseInt16(text, parse);
    if (!n || *n > area::ScaleWidth) return std::nullopt;
    GridCoverage c;
    c.count = std::max(*n, 3);
    c.fraction = double(c.count) * Project::CellSizeFor(c.count) / area::ScaleWidth;
    // The counts that cover the width exactly are its divisors; the nearer of
    // the two around the typed count, the coarser one on a tie.
    int below = c.count, above = c.count;
    while (below > 3 && area::ScaleWidth % below != 0)
        --below;
    while (above < area::ScaleWidth && area::ScaleWidth % above != 0)
        ++above;
    if (area::ScaleWidth % below != 0) below = above;
    c.fullCount = c.count - below <= above - c.count ? below : above;
    return c;
}

std::string GridCoverageNote(const GridCoverage& c) {
    if (c.fraction >= 1.0) return {};
    const int percent = static_cast<int>(std::floor(c.fraction * 100.0));
    return "A grid of " + std::to_string(c.count) + " points covers " + std::to_string(percent) +
           " % of the plan's width; " + std::to_string(c.fullCount) + " points cover all of it";
}

std::optional<std::string> AcceptGridSize(Project& p, const std::string& text,
                                          const NumberParser& parse) {
    auto n = ParseInt16(text, parse);
    // A grid finer than one drawing unit would have a cell size of 0.
    if (!n || *n > area::ScaleWidth) return std::string(msg::InputDataError);
    if (*n <= 2) n = 3;
    const std::int16_t oldNX = p.GridNX;
    p.GridNX = static_cast<std::int16_t>(*n);
    p.RecomputeDerived();
    // Every grid follows the new size; what it held belonged to the old one.
    // The new grids are made before the old ones go: a fine grid may not fit
    // in the memory left, and the project then keeps its grid and its results
    // instead of being left with a size its grids do not have.
    try {
        Grid2D<double> ground(p.GridNX, p.GridNY), density(p.GridNX, p.GridNY),
            section(p.GridNX, p.GridNY);
        // The window works on copies of the project: the picture it draws
        // keeps one, and a calculation runs on another while the next picture
        // is taken. A grid with no room for those would fail at the first
        // redraw instead of here.
        const std::size_t bytes =
            (ground.size() + density.size() + section.size()) * sizeof(double);
        if (!RoomFor(2 * bytes)) throw std::bad_alloc();
        p.GroundGrid = std::move(ground);
        p.XY.Density = std::move(density);
        p.XZ.Density = std::move(section);
    } catch (const std::bad_alloc&) {
        p.GridNX = oldNX;
        p.RecomputeDerived();
        return msg::WithCause(msg::InputDataError, msg::OutOfMemory);
    }
    DropInvalidatedResults(p, ModelChange::GridResized);
    return std::nullopt;
}

std::optional<std::string> AcceptIsolineCount(Project& p, const std::string& text,
                                              const NumberParser& parse) {
    const auto n = ParseInt16(text, parse);
    if (!n) return std::string(msg::InputDataError);
    return SetIsolineCount(p, *n);
}

std::optional<std::string> SetIsolineCount(Project& p, long long count) {
    if (count < 1 || count > std::numeric_limits<std::int16_t>::max())
        return std::string(msg::InputDataError);
    const auto n = std::optional<int>(static_cast<int>(count));
    // The tables keep their slot counts for every level: a count whose tables
    // the machine could not hold is refused like a grid too fine for it.
    if (!RoomFor(IsolineTableBytes(*n, p.XY.Isolines.slotMax(), p.XY.IsolinesAux.slotMax())))
        return std::string(msg::InputDataError);
    p.IsolineCount = static_cast<std::int16_t>(*n);
    p.XY.IsolineLevel.assign(static_cast<std::size_t>(*n) + 1, 0.0);
    // The tables keep their slot counts, every slot empty.
    const auto pointMax = p.XY.Isolines.slotMax();
    const auto auxMax = p.XY.IsolinesAux.slotMax();
    p.XY.Isolines.reset(*n);
    p.XY.IsolinesAux.reset(*n);
    p.XY.Isolines.setSlotMax(pointMax);
    p.XY.IsolinesAux.setSlotMax(auxMax);
    return std::nullopt;
}

const std::vector<FieldRule>& GridSizeRules() {
    static const std::vector<FieldRule> rules = {
        {.box = "Text1",
         .label = "Calculation points along the X axis",
         .min = 3.0,
         .max = double(area::ScaleWidth),
         .raisedToMin = true},
    };
    return rules;
}

const std::vector<FieldRule>& IsolineCountRules() {
    static const std::vector<FieldRule> rules = {
        {"Text1", "Number of isolines", 1.0, 1000.0},
    };
    return rules;
}

std::optional<std::string> AcceptSizeForm(Project& p, const std::string& text,
                                          const NumberParser& parse) {
    return p.Display.MallaMode == SizeFormValue::IsolineCount ? AcceptIsolineCount(p, text, parse)
                                                              : AcceptGridSize(p, text, parse);
}

} // namespace brenvik::render
