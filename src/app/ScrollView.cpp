#include "app/ScrollView.h"

#include <algorithm>

namespace brenvik::app {

ScrollRange scrollRange(double zoom) {
    const int max = zoom == 1.0 ? 0 : int(zoom * 10) - 1;
    return {max, std::max(1, max / 5)};
}

double scrollOffset(int value, int maximum, double zoom, double extent) {
    return maximum == 0 ? 0.0 : -value * (zoom - 1) * extent / maximum;
}

} // namespace brenvik::app
