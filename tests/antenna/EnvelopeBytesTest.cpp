#include "antenna/Adaptive.h"

#include <gtest/gtest.h>
#include <tuple>

namespace brenvik::antenna {
namespace {

// A lone element is smooth enough at half a degree, 721 x 361 doubles;
// eight rows' lobes need a quarter, 1441 x 721.
TEST(EnvelopeBytes, AreThoseOfTheTableMade) {
    struct Case {
        int rows, columns;
        double azMax, tiltMax;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {1, 1, 0, 0, 2'082'248}, {1, 4, 30, 0, 2'082'248}, {8, 8, 60, 10, 8'311'688}};
    for (const Case& c : cases) {
        ArrayParams a;
        std::tie(a.rows, a.columns, a.azMaxDeg, a.tiltMaxDeg) =
            std::tie(c.rows, c.columns, c.azMax, c.tiltMax);
        a.azMinDeg = -c.azMax;
        EXPECT_EQ(MakeEnvelope(a)->gainDb.size() * sizeof(double), c.bytes) << c.rows << c.columns;
        EXPECT_EQ(EnvelopeBytes(a), c.bytes) << c.rows << " x " << c.columns;
    }
}

} // namespace
} // namespace brenvik::antenna
