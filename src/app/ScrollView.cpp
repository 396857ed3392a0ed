#include "app/ScrollView.h"

#include <algorithm>
#include <cmath>

namespace brenvik::app {

ScrollRange scrollRange(double zoom) {
    const int max = zoom == 1.0 ? 0 : int(zoom * 10) - 1;
    return {max, std::max(1, max / 5)};
}

double scrollOffset(int value, int maximum, double zoom, double extent) {
    return maximum == 0 ? 0.0 : -value * (zoom - 1) * extent / maximum;
}

} // namespace brenvik::app

namespace brenvik::app {

double ClampOffset(double offset, double zoom, double extent) {
    return std::clamp(offset, -(zoom - 1) * extent, 0.0);
}

int ScrollValue(double offset, int maximum, double zoom, double extent) {
    if (maximum == 0 || zoom <= 1.0) return 0;
    return std::clamp(int(std::lround(-offset * maximum / ((zoom - 1) * extent))), 0, maximum);
}

double OffsetKeeping(double at, double offset, double zoom, double newZoom, double extent) {
    const double plan = (at - offset) / zoom;
    return ClampOffset(at - plan * newZoom, newZoom, extent);
}

} // namespace brenvik::app
