#pragma once

#include <string>

namespace brenvik {

// A field measurement taken on the site: the power density a meter read at a
// receptor `HeightM` metres above the local ground, kept to be set against
// the prediction at the very same point. Kept in the project file's
// extension block.
struct Measurement {
    std::string Name;
    double X = 0.0; // plan position, drawing units at 100 % without scrolling
    double Y = 0.0;
    double HeightM = 1.5;
    double MeasuredUw = 0.0;    // as read, converted to uW/cm^2
    double Factor = 1.0;        // extrapolation of the reading to full load
    double UncertaintyDb = 0.0; // of the measurement, dB
    // Free texts without commas or line breaks.
    std::string Band, Timestamp, Instrument;
    friend bool operator==(const Measurement&, const Measurement&) = default;
};

} // namespace brenvik
