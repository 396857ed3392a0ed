// The exports of a large grid: the bytes every earlier version wrote, the
// number forms at their edges, and a write that stops when asked.

#include "export/CsvExport.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brenvik;
using brenvik::testing::Slurp;
using brenvik::testing::TempDir;

namespace {

// A 2000-column result whose values span every number form: tiny ones written
// with an exponent, exact halves at the ninth decimal, large ones.
Project LargeResult() {
    Project p;
    p.GridNX = 2000;
    p.ResetProject();
    for (int i = 0; i <= p.GridNX; ++i)
        for (int j = 0; j <= p.GridNY; ++j) {
            double v = std::exp(12.0 * std::sin(i * 0.37 + j * 0.011)) * 1e-3;
            if ((i + j) % 7 == 0) v = (2.0 * ((i * j) % 1000) + 1.0) / 512.0;
            if ((i * 3 + j) % 11 == 0) v = -v * 1e-5;
            p.XY.Density(i, j) = v;
        }
    p.OriginX = 4500000.25;  // seven whole digits: the widest of the plain form
    p.OriginY = -12345678.9; // eight: re-rounded to 15 digits
    p.OriginLon = -3.7;
    p.OriginLat = 40.4;
    return p;
}

std::uint64_t Fnv1a(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

} // namespace

TEST(CsvStream, LargeGridBytesAreUnchanged) {
    // Size and FNV-1a hash of what the exports wrote before they were
    // streamed and formatted in one pass.
    const struct {
        CsvExport kind;
        std::size_t size;
        std::uint64_t hash;
    } expected[] = {{CsvExport::ConcentrationsCartesian, 144881586, 0xe4d28dbdf9210593},
                    {CsvExport::ConcentrationsGeographic, 114687711, 0xb69e32a5c857c4e1}};
    const Project p = LargeResult();
    TempDir dir;
    for (const auto& e : expected) {
        Feedback quiet;
        ASSERT_TRUE(SaveCsvFile(p, e.kind, dir.file("c.csv"), quiet));
        const std::string text = Slurp(dir.file("c.csv"));
        EXPECT_EQ(text.size(), e.size);
        EXPECT_EQ(Fnv1a(text), e.hash);
    }
}

TEST(CsvStream, NumberFormsAtTheirEdges) {
    // Each value as coordinate and as value, against the two-step rounding.
    // clang-format off
    for (double v : {0.0, 5e-9, 1.5e-8, -4e-9, -1e-8, -2e-8, 9.999999e-5, 1e-4, -1e-4, 0.001953125,
                     1.5 / 512, 123456.123456785, 9999999.999999996, 1e7, 5e15, -1e300, 1e-300,
                     0.1, 2.675, 42.0}) {
        // clang-format on
        Project p;
        p.OriginX = v;
        p.OriginY = -v;
        p.XY.MaxDensity = v;
        p.XY.MaxPosX = Variant::real(0);
        p.XY.MaxPosY = Variant::integer(9600); // the plan's zero point
        std::string text;
        ASSERT_TRUE(WriteCsv(p, CsvExport::MaximumCartesian, text));
        EXPECT_EQ(text.substr(text.find("\r\n") + 2), "1," + FormatDouble(CsvCoordinate(v)) + "," +
                                                          FormatDouble(CsvCoordinate(-v)) + "," +
                                                          FormatDouble(CsvValue(v)) + "\r\n")
            << v;
    }
}

TEST(CsvStream, ACancelledExportKeepsTheOldFile) {
    const Project p = LargeResult();
    TempDir dir;
    brenvik::testing::Spit(dir.file("c.csv"), "previous");
    Feedback cancel;
    cancel.cancel();
    EXPECT_FALSE(SaveCsvFile(p, CsvExport::ConcentrationsCartesian, dir.file("c.csv"), cancel));
    EXPECT_EQ(Slurp(dir.file("c.csv")), "previous");
    EXPECT_EQ(dir.entries(), 1);
}
