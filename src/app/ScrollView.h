#pragma once

namespace brenvik::app {

// The scroll bars of the zoomed plan. At zoom z each bar has 10 z - 1 steps
// (none at 100 %); its last step shows the far edge of the plan, which has
// grown by (z - 1) times the area's extent.
struct ScrollRange {
    int maximum = 0;
    int pageStep = 1;
};
ScrollRange scrollRange(double zoom);

// The view offset, in drawing units, of bar position `value` of `maximum`
// along an area `extent` units long; 0 when the bar has no steps.
double scrollOffset(int value, int maximum, double zoom, double extent);

} // namespace brenvik::app
