#include "render/Surface.h"

#include "model/DrawingArea.h"

#include <algorithm>
#include <limits>

namespace brenvik::render {

void Surface::clear() {
    checkCancel();
    doClear();
    curX_ = curY_ = 0.0;
}

void Surface::line(double x1, double y1, double x2, double y2, Rgb colour) {
    checkCancel();
    if (mayTouch(x1, y1, x2, y2)) doLine(x1, y1, x2, y2, colour);
    curX_ = x2;
    curY_ = y2;
}

void Surface::box(double x1, double y1, double x2, double y2, Rgb outline) {
    checkCancel();
    if (mayTouch(x1, y1, x2, y2))
        doBox(x1, y1, x2, y2, outline, fillStyle_ == FillStyle::Solid ? &fillColour_ : nullptr);
    curX_ = x2;
    curY_ = y2;
}

void Surface::filledBox(double x1, double y1, double x2, double y2, Rgb colour) {
    checkCancel();
    if (mayTouch(x1, y1, x2, y2)) doBox(x1, y1, x2, y2, colour, &colour);
    curX_ = x2;
    curY_ = y2;
}

void Surface::circle(double x, double y, double radius, Rgb colour) {
    checkCancel();
    if (mayTouch(x - radius, y - radius, x + radius, y + radius))
        doCircle(x, y, radius, colour, fillStyle_ == FillStyle::Solid ? &fillColour_ : nullptr);
    curX_ = x;
    curY_ = y;
}

void Surface::point(double x, double y, Rgb colour) {
    checkCancel();
    if (mayTouch(x, y, x, y)) doPoint(x, y, colour);
    curX_ = x;
    curY_ = y;
}

void Surface::print(const std::string& text) {
    checkCancel();
    // A text grows to the right of and below its position, so only a text
    // that starts past the right or the bottom edge is certainly unseen.
    const Bounds& b = bounds_;
    if (curX_ <= b.x2 && curY_ <= b.y2) doText(curX_, curY_, text, textColour_, fontSize_);
    curX_ = 0.0;
    curY_ += lineHeight();
}

double Surface::scaleWidth() const {
    return area::ScaleWidth;
}
double Surface::scaleHeight() const {
    return area::ScaleHeight;
}

Surface::Surface() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    bounds_ = Bounds{-inf, -inf, inf, inf};
}

bool Surface::mayTouch(double x1, double y1, double x2, double y2) const {
    const Bounds& b = bounds_;
    return std::max(x1, x2) >= b.x1 && std::min(x1, x2) <= b.x2 && std::max(y1, y2) >= b.y1 &&
           std::min(y1, y2) <= b.y2;
}

} // namespace brenvik::render
