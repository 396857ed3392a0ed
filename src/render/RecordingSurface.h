#pragma once

#include "render/Surface.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::render {

// One drawn primitive, as the renderers emitted it.
struct Primitive {
    enum class Kind { Clear, Line, Box, Circle, Point, Text };
    Kind kind = Kind::Clear;
    // Line and box corners; circle and point centre in x1, y1; a text's
    // position in x1, y1 and the far corner of its extent in x2, y2.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double radius = 0;
    Rgb colour;              // outline, line, point or text colour
    std::optional<Rgb> fill; // boxes and circles filled solid
    std::string text;
    double fontSize = 0;
    friend bool operator==(const Primitive&, const Primitive&) = default;
};

// Keeps the list of primitives, for tests and for anyone who wants to
// inspect a redraw.
class RecordingSurface : public Surface {
  public:
    std::vector<Primitive> primitives;

    // Primitives of one kind, in drawing order.
    std::vector<Primitive> ofKind(Primitive::Kind k) const;
    // Texts printed, in order.
    std::vector<std::string> texts() const;
    // The first text primitive whose text equals `text`, if any.
    const Primitive* findText(const std::string& text) const;

  protected:
    void doClear() override;
    void doLine(double x1, double y1, double x2, double y2, Rgb colour) override;
    void doBox(double x1, double y1, double x2, double y2, Rgb outline, const Rgb* fill) override;
    void doCircle(double x, double y, double radius, Rgb outline, const Rgb* fill) override;
    void doPoint(double x, double y, Rgb colour) override;
    void doText(double x, double y, const std::string& text, Rgb colour, double points) override;
};

} // namespace brenvik::render
