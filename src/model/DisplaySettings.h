#pragma once

#include "model/Rgb.h"

#include <cstdint>

namespace brenvik {

// Settings of the result renderers (calculation colours, dots of colours) that
// live for the whole run; they are not written to the project file.
// The two values the shared dialog `malla` edits.
enum class SizeFormValue { GridSize, IsolineCount };

// The colours of a result's levels (colour gradient, its colour scale and the
// legends): a ramp ordered in lightness, which reads the same to readers with
// a common colour-vision deficiency and in grey print, or the classic levels,
// pale yellow to red on a white background and dark to bright red on black.
enum class ColourScheme { Classic, ColourBlindSafe };

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

    // The classic levels unless the program chooses otherwise: the window and
    // the batch start with the colour-blind-safe ramp.
    ColourScheme Colours = ColourScheme::Classic;

    // Which value the shared dialog `malla` edits.
    SizeFormValue MallaMode = SizeFormValue::GridSize;

    friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

} // namespace brenvik
