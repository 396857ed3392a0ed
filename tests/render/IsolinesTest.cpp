#include "RenderTestUtil.h"
#include "render/Scene.h"

#include <gtest/gtest.h>
#include <tuple>

namespace brenvik::render {
namespace {

using namespace test;

// Five levels of a maximum of 100 (levels 20, 40, ..., 100) on CellSize 300.
Project IsolineProject() {
    Project p = CalculatedProject();
    p.CellSize = 300;
    p.XY.MaxDensity = 100.0;
    p.IsolineCount = 5;
    p.XY.IsolineLevel = {0, 20, 40, 60, 80, 100};
    p.XY.Isolines.reset(5);
    p.XY.IsolinesAux.reset(5);
    p.XY.MaxPosX = Variant::real(3000);
    p.XY.MaxPosY = Variant::integer(3000);
    return p;
}

using Box = std::tuple<double, double, double, double>;

std::vector<Primitive> dashes(const RecordingSurface& s, const Project& p) {
    return where(s, [&](const Primitive& b) {
        return b.kind == Kind::Box && b.colour == isolineColour(p.Display);
    });
}

TEST(Isolines, DashesAreTheMiddleThirdOfTheCellEdges) {
    Project p = IsolineProject();
    p.XY.Isolines.append(2, 3, 4);
    p.XY.IsolinesAux.append(2, 3, 4);
    p.XY.Isolines.setSlotMax(10); // slots 2..10 empty: nothing drawn for them
    RecordingSurface s;
    DrawIsolines(p, s, Plane::XY);
    const auto d = dashes(s, p);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(Box(d[0].x1, d[0].y1, d[0].x2, d[0].y2), Box(1000, 1500, 1100, 1500));
    EXPECT_EQ(Box(d[1].x1, d[1].y1, d[1].x2, d[1].y2), Box(1200, 1300, 1200, 1400));
    EXPECT_FALSE(d[0].fill.has_value());
    // Each level draws its own slots only.
    p.XY.Isolines.append(1, 5, 6);
    RecordingSurface more;
    DrawIsolines(p, more, Plane::XY);
    EXPECT_EQ(dashes(more, p).size(), 3u);
}

TEST(Isolines, EachLevelLabelledAtItsTopmostAndBottommostCrossing) {
    Project p = IsolineProject();
    p.XY.Isolines.append(1, 4, 9);
    p.XY.Isolines.append(1, 6, 2);  // topmost
    p.XY.Isolines.append(1, 8, 9);  // same row as the first: the first is kept
    p.XY.Isolines.append(1, 2, 12); // bottommost
    p.XY.Isolines.append(5, 7, 7);  // the maximum's level: never labelled
    RecordingSurface s;
    DrawIsolines(p, s, Plane::XY);
    std::vector<Primitive> labels;
    for (const auto& t : s.ofKind(Kind::Text))
        if (t.text.find("uW/cm^2") != std::string::npos && t.colour == isolineColour(p.Display))
            labels.push_back(t);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].text, "20.000 uW/cm^2");
    EXPECT_EQ(Box(labels[0].x1, labels[0].y1, labels[1].x1, labels[1].y1),
              Box(2 * 300, 12 * 300, 6 * 300, 2 * 300));
    EXPECT_EQ(s.findText("100.000 uW/cm^2"), nullptr);

    // A bottommost crossing in the bottom strip (32 × 300 = 9600) has no label.
    p.XY.Isolines.append(3, 4, 2);
    p.XY.Isolines.append(3, 4, 32);
    RecordingSurface b;
    DrawIsolines(p, b, Plane::XY);
    std::vector<double> at;
    for (const auto& t : b.ofKind(Kind::Text))
        if (t.text == "60.000 uW/cm^2") at.push_back(t.y1);
    EXPECT_EQ(at, std::vector<double>{2 * 300});
}

TEST(Isolines, MaximumMarkAndItsValue) {
    Project p = IsolineProject();
    p.Zoom = 2.0;
    RecordingSurface s;
    DrawIsolines(p, s, Plane::XY);
    const auto circles = s.ofKind(Kind::Circle);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(std::tuple(circles[0].x1, circles[0].radius, circles[0].colour),
              std::tuple(3000.0 * 2 + 150, 20.0, markColour(p.Display)));
    const Primitive* value = s.findText("100.000000 uW/cm^2");
    ASSERT_NE(value, nullptr);
    // Font size 10 × Zoom / XYCalcZoom.
    EXPECT_EQ(std::tuple(value->x1, value->fontSize), std::tuple(circles[0].x1, 20.0));

    p.XY.MaxPosY = Variant::integer(9600); // in the bottom strip: no mark, but the isolines stay
    p.XY.Isolines.append(2, 3, 4);
    RecordingSurface s2;
    DrawIsolines(p, s2, Plane::XY);
    EXPECT_TRUE(s2.ofKind(Kind::Circle).empty());
    EXPECT_EQ(s2.findText("100.000000 uW/cm^2"), nullptr);
    EXPECT_EQ(dashes(s2, p).size(), 1u);
}

TEST(Isolines, SectionUsesItsOwnTablesAndFourDecimals) {
    Project p = IsolineProject();
    p.XZ.MaxDensity = 50.0;
    p.XZ.MaxPosX = Variant::real(600);
    p.XZ.MaxPosY = Variant::real(900);
    p.XZ.IsolineLevel = {0, 25, 50};
    p.XZ.Isolines.reset(2);
    p.XZ.IsolinesAux.reset(2);
    p.XZ.Isolines.append(1, 5, 5);
    p.XZ.Isolines.append(2, 6, 6);
    RecordingSurface s;
    s.setFontSize(8);
    DrawIsolines(p, s, Plane::XZ);
    EXPECT_NE(s.findText("50.0000 uW/cm^2"), nullptr); // the maximum mark only
    const Primitive* label = s.findText("25.0000 uW/cm^2");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->fontSize, 8);
    EXPECT_EQ(dashes(s, p).size(), 2u);
}

} // namespace
} // namespace brenvik::render
