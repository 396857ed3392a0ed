// Where an antenna really stands, and its inventory names, in the project
// file: kept in the extension block, only when there is something to keep.
#include "model/ExtensionBlock.h"
#include "model/ProjectFile.h"
#include "model/TestProjects.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

Project TwoTowers() {
    Project p;
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 800, 6, 90, 10, 20);
    brenvik::testing::AddAntenna(p, AntennaKind::Stick, 300, 9, 0, 40, 30);
    return p;
}

std::string Write(const Project& p) {
    return brenvik::testing::ProjectText(p);
}

} // namespace

TEST(ExactPositionFile, KeptOnlyOffTheNodeAndReadBackWhole) {
    Project p = TwoTowers();
    const std::string plain = Write(p);
    // The node's own position is no exact position: the file stays as it was.
    SetExactPosition(p, p.Antennas[1], AntennaPosition(p, p.Antennas[1]));
    EXPECT_FALSE(p.Antennas[1].AntExact);
    EXPECT_EQ(Write(p), plain);

    // 10 columns of 153 units at 150/15360 m a unit: the node is 14.94140625 m
    // east; the antenna stands 1.3 m east of it and 0.25 m south.
    SetExactPosition(p, p.Antennas[1],
                     {14.94140625 + 1.3, (9600 - 20 * 153) * 150.0 / 15360 - 0.25});
    p.Antennas[2].AntSite = "Cerro, alto";
    p.Antennas[2].AntLabel = "omni 1800";
    const std::string saved = Write(p);
    EXPECT_EQ(saved.substr(0, plain.size()), plain); // the layout's records unchanged
    EXPECT_NE(saved.find("position.1=16.24140625,63.6171875\r\n"), std::string::npos) << saved;
    Project back;
    ASSERT_TRUE(ReadProjectText(back, saved));
    EXPECT_NEAR(NodeOffsetM(back, back.Antennas[1]), std::hypot(1.3, 0.25), 1e-12);
    for (int k : {1, 2}) {
        const Antenna &a = back.Antennas[k], &b = p.Antennas[k];
        EXPECT_EQ(std::tuple(a.AntExact, a.AntSite, a.AntLabel, a.AntX, a.AntY),
                  std::tuple(b.AntExact, b.AntSite, b.AntLabel, b.AntX, b.AntY));
    }

    // Each item read alone: a sound one, then damaged ones that refuse the block.
    const std::string head = plain + "\"brenvik-extension\"\r\n1\r\n";
    Project q;
    ASSERT_TRUE(ReadProjectText(q, head + "position.2=1.5,-2\r\nlabel.1=a=b\r\n"));
    EXPECT_EQ(std::tuple(q.Antennas[2].AntExact, q.Antennas[1].AntLabel),
              std::tuple(PlanPosition{1.5, -2}, "a=b"));
    for (const std::string bad :
         {"position.3=1,2", "position.1=1", "position.1=abc,2", "position.1=inf,2",
          "position.0=1,2", "site-name.2=", "label.01=x"})
        EXPECT_FALSE(ReadProjectText(q, head + bad + "\r\n")) << bad;
    p.Antennas[2].AntLabel = "two\rlines";
    std::string out;
    EXPECT_FALSE(WriteProjectText(p, out));
}
