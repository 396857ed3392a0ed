#include "render/RecordingSurface.h"

namespace brenvik::render {

std::vector<Primitive> RecordingSurface::ofKind(Primitive::Kind k) const {
    std::vector<Primitive> out;
    for (const auto& p : primitives)
        if (p.kind == k) out.push_back(p);
    return out;
}

std::vector<std::string> RecordingSurface::texts() const {
    std::vector<std::string> out;
    for (const auto& p : primitives)
        if (p.kind == Primitive::Kind::Text) out.push_back(p.text);
    return out;
}

const Primitive* RecordingSurface::findText(const std::string& text) const {
    for (const auto& p : primitives)
        if (p.kind == Primitive::Kind::Text && p.text == text) return &p;
    return nullptr;
}

void RecordingSurface::doClear() {
    primitives.push_back(Primitive{});
}

void RecordingSurface::doLine(double x1, double y1, double x2, double y2, Rgb colour) {
    Primitive& p = primitives.emplace_back();
    p.kind = Primitive::Kind::Line;
    p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2;
    p.colour = colour;
}

void RecordingSurface::doBox(double x1, double y1, double x2, double y2, Rgb outline,
                             const Rgb* fill) {
    Primitive& p = primitives.emplace_back();
    p.kind = Primitive::Kind::Box;
    p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2;
    p.colour = outline;
    if (fill) p.fill = *fill;
}

void RecordingSurface::doCircle(double x, double y, double radius, Rgb outline, const Rgb* fill) {
    Primitive& p = primitives.emplace_back();
    p.kind = Primitive::Kind::Circle;
    p.x1 = x, p.y1 = y, p.radius = radius;
    p.colour = outline;
    if (fill) p.fill = *fill;
}

void RecordingSurface::doPoint(double x, double y, Rgb colour) {
    Primitive& p = primitives.emplace_back();
    p.kind = Primitive::Kind::Point;
    p.x1 = x, p.y1 = y;
    p.colour = colour;
}

void RecordingSurface::doText(double x, double y, const std::string& text, Rgb colour,
                              double points) {
    Primitive& p = primitives.emplace_back();
    p.kind = Primitive::Kind::Text;
    const Extent e = textExtent(text);
    p.x1 = x, p.y1 = y, p.x2 = x + e.width, p.y2 = y + e.height;
    p.colour = colour;
    p.text = text;
    p.fontSize = points;
}

} // namespace brenvik::render
