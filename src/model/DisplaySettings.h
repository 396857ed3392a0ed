#pragma once

#include "model/Rgb.h"

#include <cstdint>

namespace brenvik {

// Settings of the result renderers (calculation colours, dots of colours) that
// live for the whole run; they are not written to the project file.
// The two values the shared dialog `malla` edits.
enum class SizeFormValue { GridSize, IsolineCount };

struct DisplaySettings {
    // Marking colours. The isolines and their labels start light blue and the
    // antenna symbols and the maximum mark red, both visible on either
    // background.
    Rgb IsolineColour{0, 255, 255};
    Rgb MarkColour{255, 0, 0};

    // Dots of colours.
    std::int16_t DotScheme = 15;  // colour scheme 1..17
    std::int16_t DotCount = 1;    // dots per node: 1 or 2
    double DotFromPercent = 15.0; // a node gets dots from level DotFromPercent / 10
    double DotRadius = 30.0;      // drawing units, not scaled by the zoom
    double DotJitter = 0.5;       // spread around the node in cells: 0, 0.5 or 1.0

    // Which value the shared dialog `malla` edits.
    SizeFormValue MallaMode = SizeFormValue::GridSize;

    friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

} // namespace brenvik
