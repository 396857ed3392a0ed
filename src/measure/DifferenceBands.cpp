#include "measure/DifferenceBands.h"

#include <cmath>
#include <limits>

namespace brenvik::measure {

const std::vector<DifferenceBand>& DifferenceBands() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    static const std::vector<DifferenceBand> bands{
        {-inf, -6.0, {0x21, 0x66, 0xac}, "below -6 dB"},
        {-6.0, -3.0, {0x92, 0xc5, 0xde}, "-6 to -3 dB"},
        {-3.0, 3.0, {0xbd, 0xbd, 0xbd}, "-3 to +3 dB"},
        {3.0, 6.0, {0xf4, 0xa5, 0x82}, "+3 to +6 dB"},
        {6.0, inf, {0xb2, 0x18, 0x2b}, "above +6 dB"},
    };
    return bands;
}

Rgb DifferenceColour(double db) {
    const auto& bands = DifferenceBands();
    if (std::isnan(db)) return bands[2].colour;
    for (const DifferenceBand& b : bands)
        if (db < b.hiDb) return b.colour;
    return bands.back().colour;
}

} // namespace brenvik::measure
