#include "model/ExtensionBlock.h"
#include "model/ProjectFile.h"

#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// Two pixels across, three down, heights that only the shortest exact text
// gives back, the lowest allowed and a tiny one.
Project WithWindow() {
    Project p;
    p.TerrainDatumM = 412.5;
    DemWindow w;
    w.Width = 2;
    w.Height = 3;
    w.Transform = {512345.125, 5.0, 0.0, 4987654.375, 0.0, -5.0};
    w.Heights = {0.1, 1.0 / 3.0, -9500.0, 1e-7, 7.25, 9499.999999999998};
    w.CrsWkt = "PROJCRS[\"WGS 84 / UTM zone 32N\",ID[\"EPSG\",32632]]";
    p.Dem = w;
    return p;
}

std::string Text(const Project& p) {
    std::string t;
    EXPECT_TRUE(WriteProjectText(p, t));
    return t;
}

} // namespace

TEST(DemWindowFile, WrittenOnlyWithAWindowAndReadBackExactly) {
    Project plain;
    EXPECT_EQ(Text(plain).find("brenvik-extension"), std::string::npos);

    const Project p = WithWindow();
    const std::string text = Text(p);
    EXPECT_NE(text.find("\r\ndem.size=2 3\r\ndem.transform=512345.125 5 0 4987654.375 0 -5\r\n"
                        "dem.crs=PROJCRS[\"WGS 84 / UTM zone 32N\",ID[\"EPSG\",32632]]\r\n"
                        "dem.row.1=0.1 0.3333333333333333\r\n"),
              std::string::npos)
        << text.substr(text.find("dem."));
    Project q;
    std::string why;
    ASSERT_TRUE(ReadProjectText(q, text, &why)) << why;
    ASSERT_TRUE(q.Dem);
    EXPECT_TRUE(*q.Dem == *p.Dem);
    EXPECT_EQ(q.TerrainDatumM, 412.5);
    EXPECT_EQ(Text(q), text);
    // Read into a project that had one, a file without a window leaves none.
    ASSERT_TRUE(ReadProjectText(q, Text(plain)));
    EXPECT_FALSE(q.Dem);
}

// A damaged or absurd window refuses the file, naming the block, and never
// reads past what its size allows.
TEST(DemWindowFile, DamagedWindowsRefused) {
    const std::string good = Text(WithWindow());
    const struct {
        const char* from;
        const char* to;
    } damage[] = {
        {"dem.size=2 3\r\n", "dem.size=0 3\r\n"},
        {"dem.size=2 3\r\n", "dem.size=2048 1024\r\n"},  // beyond the pixels kept
        {"dem.size=2 3\r\n", "dem.size=2 3x\r\n"},
        {"dem.size=2 3\r\n", ""},                        // rows without a size
        {"dem.size=2 3\r\n", "dem.size=1048576 1\r\n"},  // more pixels than rows give
        {"dem.row.1=0.1 ", "dem.row.1=nan "},
        {"dem.row.1=0.1 ", "dem.row.1=inf "},
        {"dem.row.1=0.1 ", "dem.row.1=1e6 "},           // no ground is that high
        {"dem.row.1=0.1 ", "dem.row.1=0.1  "},          // an empty value
        {"dem.row.1=0.1 ", "dem.row.1=0.1 2 "},         // three across
        {"dem.row.1=0.1 ", "dem.row.1="},               // one across
        {"dem.row.2=", "dem.row.4="},                   // out of order
        {"dem.row.1=", "dem.row.01="},
        {"dem.transform=512345.125 5 0", "dem.transform=512345.125 0 0"}, // singular
        {"dem.transform=512345.125 5 0 4987654.375 0 -5", "dem.transform=1 2 3"},
        {"dem.crs=PROJCRS", "dem.crs=\r\nx=PROJCRS"},   // no CRS
    };
    for (const auto& d : damage) {
        std::string text = good;
        const std::size_t at = text.find(d.from);
        ASSERT_NE(at, std::string::npos) << d.from;
        text.replace(at, std::string(d.from).size(), d.to);
        Project p;
        std::string why;
        EXPECT_FALSE(ReadProjectText(p, text, &why)) << d.to;
        EXPECT_EQ(why.rfind("extension block", 0), 0u) << d.to << ": " << why;
    }
}
