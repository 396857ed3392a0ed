#include "model/ProjectFile.h"

#include <gtest/gtest.h>

using namespace brenvik;

// A window goes to the file only when there is one, reads back to the very
// same heights, and a damaged or absurd one refuses the file naming the block.
TEST(DemWindowFile, ReadBackExactlyAndDamageRefused) {
    Project p;
    std::string plain, text, why;
    ASSERT_TRUE(WriteProjectText(p, plain));
    EXPECT_EQ(plain.find("brenvik-extension"), std::string::npos);
    p.TerrainDatumM = 412.5;
    p.Dem = DemWindow{2,
                      3,
                      {512345.125, 5, 0, 4987654.375, 0, -5},
                      {0.1, 1.0 / 3.0, -9500, 1e-7, 7.25, 9499.999999999998},
                      "PROJCRS[\"x\"]"};
    ASSERT_TRUE(WriteProjectText(p, text));
    EXPECT_NE(text.find("\r\ndem.size=2 3\r\ndem.transform=512345.125 5 0 4987654.375 0 -5\r\n"
                        "dem.crs=PROJCRS[\"x\"]\r\ndem.row.1=0.1 0.3333333333333333\r\n"),
              std::string::npos);
    Project q;
    ASSERT_TRUE(ReadProjectText(q, text, &why)) << why;
    EXPECT_TRUE(q.Dem && *q.Dem == *p.Dem);
    ASSERT_TRUE(ReadProjectText(q, plain));
    EXPECT_FALSE(q.Dem);

    const std::pair<const char*, const char*> damage[] = {
        {"size=2 3", "size=0 3"},       {"size=2 3", "size=2048 1024"},
        {"size=2 3", "size=1048576 1"}, {"row.1=0.1", "row.1=nan"},
        {"row.1=0.1", "row.1=1e6"},     {"row.1=0.1 ", "row.1="},
        {"row.2=", "row.4="},           {"transform=512345.125 5", "transform=512345.125 0"},
        {"crs=PROJCRS[\"x\"]", "crs="}};
    for (const auto& [from, to] : damage) {
        std::string bad = text;
        ASSERT_NE(bad.find(from), std::string::npos) << from;
        bad.replace(bad.find(from), std::string(from).size(), to);
        EXPECT_FALSE(ReadProjectText(q, bad, &why)) << to;
        EXPECT_EQ(why.rfind("extension block", 0), 0u) << to << ": " << why;
    }
}
