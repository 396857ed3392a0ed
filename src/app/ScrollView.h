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

namespace brenvik::app {

// The zoom the view allows: the whole plan at least, six times at most.
inline constexpr double kMinZoom = 1.0;
inline constexpr double kMaxZoom = 6.0;

// An offset kept inside the zoomed plan: from 0 down to -(z - 1) × extent.
double ClampOffset(double offset, double zoom, double extent);
// The bar position nearest to an offset.
int ScrollValue(double offset, int maximum, double zoom, double extent);
// The offset that keeps the plan point under `at` (drawing units) in place
// when the zoom changes from `zoom` to `newZoom`, clamped to the plan.
double OffsetKeeping(double at, double offset, double zoom, double newZoom, double extent);

} // namespace brenvik::app
