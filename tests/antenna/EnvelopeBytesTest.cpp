#include "antenna/Adaptive.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace brenvik::antenna {
namespace {

// What a task counts for an array's envelope is what the table it makes
// holds: (360 perDeg + 1) (180 perDeg + 1) doubles.
TEST(EnvelopeBytes, AreThoseOfTheTableMade) {
    struct Case {
        const char* what;
        int rows, columns;
        double azMin, azMax, tiltMax;
        double perDeg;
        std::uint64_t bytes; // by hand
    };
    const Case cases[] = {
        // A lone element is smooth enough at half a degree: 721 x 361 x 8.
        {"1 x 1", 1, 1, 0.0, 0.0, 0.0, 2.0, 2'082'248},
        {"1 x 4 steered +-30", 1, 4, -30.0, 30.0, 0.0, 2.0, 2'082'248},
        // Eight rows' lobes need a quarter degree: 1441 x 721 x 8.
        {"8 x 8", 8, 8, -60.0, 60.0, 10.0, 4.0, 8'311'688},
        {"4 x 1 tilted", 4, 1, 0.0, 0.0, 10.0, 4.0, 8'311'688},
    };
    for (const Case& c : cases) {
        ArrayParams a;
        a.rows = c.rows;
        a.columns = c.columns;
        a.azMinDeg = c.azMin;
        a.azMaxDeg = c.azMax;
        a.tiltMaxDeg = c.tiltMax;
        const auto table = MakeEnvelope(a);
        ASSERT_TRUE(table) << c.what;
        EXPECT_EQ(table->perDeg, c.perDeg) << c.what;
        EXPECT_EQ(table->gainDb.size() * sizeof(double), c.bytes) << c.what;
        EXPECT_EQ(EnvelopeBytes(a), c.bytes) << c.what;
        EXPECT_EQ(EnvelopeBytesAt(c.perDeg), c.bytes) << c.what;
    }
}

} // namespace
} // namespace brenvik::antenna
