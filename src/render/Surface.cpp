#include "render/Surface.h"

#include "model/DrawingArea.h"

#include <algorithm>
#include <limits>

namespace brenvik::render {

void Surface::clear() {
    checkCancel();
    doClear();
    curX_ = curY_ = 0.0;
    drawnTexts_.clear();
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

void Surface::printAt(double x, double y, const std::string& text, double size, Rgb colour) {
    setFontSize(size);
    setTextColour(colour);
    setTextPosition(x, y);
    print(text);
}

void Surface::print(const std::string& text) {
    checkCancel();
    // A text grows to the right of and below its position, so only a text
    // that starts past the right or the bottom edge is certainly unseen.
    const Bounds& b = bounds_;
    if (curX_ <= b.x2 && curY_ <= b.y2) {
        if (legibility_.skipCrowdedLabels || legibility_.textsInside) {
            const Bounds box = placeText(text);
            if (mayTouch(box.x1, box.y1, box.x2, box.y2)) drawnTexts_.push_back(box);
        }
        doText(curX_, curY_, text, textColour_, textPoints());
    }
    curX_ = 0.0;
    curY_ += lineHeight();
}

Surface::Bounds Surface::placeText(const std::string& text) {
    const Extent e = textExtent(text);
    const Bounds& v = bounds_;
    if (legibility_.textsInside && curX_ < v.x2 && curX_ + e.width > v.x1 && curY_ < v.y2 &&
        curY_ + e.height > v.y1) {
        // Right and bottom first, so a text wider than the view keeps its
        // start; a few pixels in from the edges, past which the bounds reach
        // for the outlines and a text's halo would be cut.
        const double in = 4.0 * unitsPerPixel();
        curX_ = std::max(std::min(curX_, v.x2 - in - e.width), v.x1 + in);
        curY_ = std::max(std::min(curY_, v.y2 - in - e.height), v.y1 + in);
    }
    return Bounds{curX_, curY_, curX_ + e.width, curY_ + e.height};
}

void Surface::printLabel(const std::string& text) {
    if (legibility_.skipCrowdedLabels) {
        // Only what shows can crowd: the labels of a zoomed plan that lie off
        // the view are not weighed against the others.
        const Bounds box = placeText(text);
        const auto overlaps = [&](const Bounds& o) {
            return box.x1 < o.x2 && o.x1 < box.x2 && box.y1 < o.y2 && o.y1 < box.y2;
        };
        if (mayTouch(box.x1, box.y1, box.x2, box.y2) &&
            std::any_of(drawnTexts_.begin(), drawnTexts_.end(), overlaps)) {
            curX_ = 0.0;
            curY_ += lineHeight();
            return;
        }
    }
    print(text);
}

double Surface::textPoints() const {
    // A point is 20 drawing units.
    const double perPixel = unitsPerPixel() / 20.0;
    double pts = fontSize_;
    if (legibility_.maxTextPixels > 0) pts = std::min(pts, legibility_.maxTextPixels * perPixel);
    if (legibility_.minTextPixels > 0) pts = std::max(pts, legibility_.minTextPixels * perPixel);
    return pts;
}

Surface::Extent Surface::textExtent(const std::string& text) const {
    // Characters (not the bytes of their UTF-8 form) a little over half the
    // size wide.
    const auto chars = std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    const double size = textPoints() * 20.0;
    return Extent{0.6 * size * static_cast<double>(chars), lineHeight()};
}

double Surface::scaleWidth() const {
    return area::ScaleWidth;
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
