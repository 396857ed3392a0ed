#pragma once

#include "model/Project.h"
#include "render/RecordingSurface.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace brenvik::render::test {

using Kind = Primitive::Kind;

// A project on the default grid (GridNX 100: CellSize 153, GridNY 68) with a
// calculated plan whose maximum is 10 at node (50, 30).
inline Project CalculatedProject() {
    Project p;
    p.GridLinesOn = false;
    p.XY.Calculated = true;
    p.XY.MaxDensity = 10.0;
    p.XY.Density(50, 30) = 10.0;
    p.XY.MaxPosX = Variant::real(50.0 * p.CellSize);
    p.XY.MaxPosY = Variant::integer(30 * p.CellSize);
    return p;
}

// The primitives of the surface the predicate accepts, in drawing order.
template <class Pred> std::vector<Primitive> where(const RecordingSurface& s, Pred pred) {
    std::vector<Primitive> out;
    std::copy_if(s.primitives.begin(), s.primitives.end(), std::back_inserter(out), pred);
    return out;
}

// Boxes of the surface whose top-left corner is (x, y).
inline std::vector<Primitive> BoxesAt(const RecordingSurface& s, double x, double y) {
    return where(s,
                 [&](const Primitive& p) { return p.kind == Kind::Box && p.x1 == x && p.y1 == y; });
}

inline bool HasLine(const RecordingSurface& s, double x1, double y1, double x2, double y2) {
    return std::any_of(s.primitives.begin(), s.primitives.end(), [&](const Primitive& p) {
        return p.kind == Kind::Line && p.x1 == x1 && p.y1 == y1 && p.x2 == x2 && p.y2 == y2;
    });
}

// Index of the first (or the last) primitive matching, or -1.
template <class Pred> long indexOf(const RecordingSurface& s, Pred pred, bool last = false) {
    long found = -1;
    for (std::size_t i = 0; i < s.primitives.size(); ++i)
        if (pred(s.primitives[i]) && (found < 0 || last)) found = static_cast<long>(i);
    return found;
}

} // namespace brenvik::render::test
