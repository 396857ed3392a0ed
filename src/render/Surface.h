#pragma once

#include "model/Feedback.h"
#include "render/Colour.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {
class Project;
}

namespace brenvik::render {

enum class FillStyle { Solid, Transparent };

// What keeps a drawing readable on a small or a zoomed window. Every size is
// in pixels of the target; 0 leaves that rule out. All off (the default), a
// drawing keeps its sizes in drawing units whatever the target, as paper and
// saved images want.
struct Legibility {
    double minTextPixels = 0;       // no text smaller than this
    double maxTextPixels = 0;       // nor larger, however far the zoom has grown it
    double minSymbolPixels = 0;     // side of an antenna symbol at least
    bool skipCrowdedLabels = false; // a label over a text already drawn is left out
    bool textsInside = false;       // a text cut by an edge of the view moves inside
    bool towerNumbers = false;      // antenna symbols carry their tower's number
    bool halos = false;             // texts outlined in the back colour, above lines and cells
    bool readableNotes = false;     // the legal notes in a brighter colour and a larger size
    bool scaleWhereFree = false;    // the plan's colour scale in the corner it hides least in
    bool any() const {
        return minTextPixels > 0 || maxTextPixels > 0 || minSymbolPixels > 0 || skipCrowdedLabels ||
               textsInside || towerNumbers || halos || readableNotes || scaleWhereFree;
    }
};

// Thrown by a drawing primitive once the surface's cancel flag is raised: a
// long drawing (the dots of a large grid) ends at once, through the callers'
// normal unwinding, instead of running to its end.
struct DrawingCancelled {};

// The pixels of a surface that has them, for a drawing whose elements are
// smaller than a pixel: painting each element as a box would cost a painter
// call per element for a handful of pixels.
struct PixelTarget {
    std::uint32_t* bits = nullptr;       // rows of 0xffRRGGBB
    std::ptrdiff_t stride = 0;           // pixels from one row to the next
    double originX = 0.0, originY = 0.0; // the pixel of drawing unit (0, 0)
    double scale = 0.0;                  // pixels per drawing unit
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the pixels that may change: [x1, x2) × [y1, y2)
};

// The drawing surface every renderer paints on, measured in drawing units
// (x to the right, y downward, (0, 0) the top-left corner of the drawing
// area). It keeps the drawing state of the window it stands for: fill colour
// and style, text colour, font size and the text position, with the same
// rules for every backend; a backend only supplies the primitive operations.
class Surface {
  public:
    virtual ~Surface() = default;

    // Erase everything drawn; the surface shows its back colour (and the
    // background picture, which belongs to the surface). The text position
    // returns to (0, 0).
    void clear();
    // Straight line; the text position moves to (x2, y2).
    void line(double x1, double y1, double x2, double y2, Rgb colour);
    // Rectangle outlined in the colour, filled with the fill colour when the
    // fill style is solid; the text position moves to (x2, y2).
    void box(double x1, double y1, double x2, double y2, Rgb outline);
    // Rectangle filled and outlined in the colour whatever the fill style.
    void filledBox(double x1, double y1, double x2, double y2, Rgb colour);
    // Circle outline, filled with the fill colour when the fill style is
    // solid; the text position moves to the centre.
    void circle(double x, double y, double radius, Rgb colour);
    void point(double x, double y, Rgb colour);
    // Draws the text at the text position, then moves the position to the
    // start of the next text line at the left edge.
    void print(const std::string& text);
    // `text` at (x, y) in `size` points and `colour`, the way the report's
    // pages write their words: font size, colour and position set, then print.
    void printAt(double x, double y, const std::string& text, double size, Rgb colour = {});
    // A label that may give way: with crowded labels skipped, it is left out
    // when it would Overlap a text drawn since the last clear (the text
    // position moves on either way). Otherwise the same as print.
    void printLabel(const std::string& text);

    // The feedback whose cancel stops the drawing (see DrawingCancelled);
    // none by default.
    void setCancel(const Feedback* cancel) { cancel_ = cancel; }
    // Throws DrawingCancelled once the feedback is canceled; for long loops
    // that draw without the primitives.
    void checkCancel() const {
        if (cancel_ && cancel_->isCanceled()) throw DrawingCancelled{};
    }

    // The surface's pixels, with everything drawn so far already in them, or
    // nothing when it has none (a recording, a printer); the caller then uses
    // the primitives.
    std::optional<PixelTarget> pixels() { return doPixels(); }

    void setFillColour(Rgb c) { fillColour_ = c; }
    void setFillStyle(FillStyle s) { fillStyle_ = s; }
    void setTextColour(Rgb c) { textColour_ = c; }
    void setFontSize(double points) { fontSize_ = points; }
    void setTextPosition(double x, double y) {
        curX_ = x;
        curY_ = y;
    }

    Rgb fillColour() const { return fillColour_; }
    FillStyle fillStyle() const { return fillStyle_; }
    Rgb textColour() const { return textColour_; }
    double fontSize() const { return fontSize_; }
    double textX() const { return curX_; }
    double textY() const { return curY_; }

    void setLegibility(const Legibility& l) { legibility_ = l; }
    const Legibility& legibility() const { return legibility_; }
    // The font size texts are drawn at: the set size, kept within the
    // readable range on the target.
    double textPoints() const;
    // The side an antenna symbol takes at least, in drawing units.
    double minSymbolSide() const { return legibility_.minSymbolPixels * unitsPerPixel(); }
    // Drawing units per pixel of the target; a picture at its natural size
    // (1024 pixels across) unless the backend knows better.
    virtual double unitsPerPixel() const { return 15.0; }
    // Width and height of a text at the drawn font size, in drawing units.
    // An estimate from the size alone unless the backend measures it.
    struct Extent {
        double width, height;
    };
    virtual Extent textExtent(const std::string& text) const;

    // The drawable area in drawing units.
    double scaleWidth() const;

    // The part of the drawing area the target shows, in drawing units;
    // renderers skip whole primitives that lie outside it. Unbounded unless
    // the backend says otherwise (a recording keeps everything).
    struct Bounds {
        double x1, y1, x2, y2;
    };
    const Bounds& visibleBounds() const { return bounds_; }
    bool mayTouch(double x1, double y1, double x2, double y2) const;

    // Height of one text line at the current font size in drawing units. A
    // point is 20 drawing units; the line spacing is a little more than the
    // font size.
    virtual double lineHeight() const { return textPoints() * 20.0 * 1.2; }

  protected:
    Surface();
    void setVisibleBounds(const Bounds& b) { bounds_ = b; }

    virtual void doClear() = 0;
    virtual void doLine(double x1, double y1, double x2, double y2, Rgb colour) = 0;
    // A rectangle with its outline colour and, when set, its fill colour.
    virtual void doBox(double x1, double y1, double x2, double y2, Rgb outline,
                       const Rgb* fill) = 0;
    virtual void doCircle(double x, double y, double radius, Rgb outline, const Rgb* fill) = 0;
    virtual void doPoint(double x, double y, Rgb colour) = 0;
    virtual void doText(double x, double y, const std::string& text, Rgb colour, double points) = 0;

    virtual std::optional<PixelTarget> doPixels() { return std::nullopt; }

  private:
    // The box of a text at the text position, first moved inside the view
    // when it is cut by an edge and texts are kept inside.
    Bounds placeText(const std::string& text);

    const Feedback* cancel_ = nullptr;
    Rgb fillColour_ = kBlack;
    FillStyle fillStyle_ = FillStyle::Transparent;
    Rgb textColour_ = kBlack;
    double fontSize_ = 8.0;
    double curX_ = 0.0, curY_ = 0.0;
    Bounds bounds_;
    Legibility legibility_;
    std::vector<Bounds> drawnTexts_; // since the last clear, kept for crowded labels
};

// What a picture draws over the plan's result (the compliance traces, the
// buildings and places), given the project as that picture shows it: its
// zoom and scrolling, not the window's.
using Overlay = std::function<void(const Project& shown, Surface& s)>;

} // namespace brenvik::render
