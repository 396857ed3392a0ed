#include "calc/FarField.h"

#include "antenna/Pattern.h"
#include "calc/CalcForms.h"
#include "calc/CalcTestSupport.h"
#include "calc/Exposure.h"
#include "calc/FarFieldHand.h"
#include "calc/GridCalc.h"
#include "calc/VectorColumns.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace brenvik;
using calctest::AddTower;
using calctest::Control;
using farfieldhand::Hand;
using farfieldhand::HandSum;

namespace {

// Imported patterns (a panel and a stick), parametric panels and a stick.
Project FarFieldSite(double reflection = 1.0) {
    Project p;
    for (const char* file : {"panel-65deg-0t.msi", "omni-10deg-halfstep.msi"}) {
        const auto r = antenna::ReadPatternFile(std::string(BRENVIK_PATTERNS_DIR) + "/" + file);
        EXPECT_TRUE(r.pattern) << file << ": " << r.error;
        if (r.pattern) p.Patterns.push_back(*r.pattern);
    }
    p.Exposure = {ExposureModel::FarField, reflection};
    AddTower(p, 30, 30, AntennaKind::Panel, 12, 4, 30, 1500, p.Patterns[0].Name);
    AddTower(p, 62, 21, AntennaKind::Stick, 20, 7, 99, 300, p.Patterns[1].Name);
    AddTower(p, 45, 50, AntennaKind::Panel, 10, -2, 200, 800);
    p.Antennas[3].AntHBeamwidthDeg = 65;
    p.Antennas[3].AntElectricalTiltDeg = 3;
    AddTower(p, 75, 40, AntennaKind::Stick, 10, 15, 60, 200); // on the plane's height
    AddTower(p, 80, 10, AntennaKind::Panel, 25, 0, 333, 900);
    p.Antennas[5].AntVBeamwidthDeg = 10;
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 10;
    return p;
}

} // namespace

TEST(FarField, XYAndXZNodesMatchTheFormulas) {
    Project p = FarFieldSite();
    ASSERT_TRUE(RunXYCalculation(p, Control(2)).ok());
    const double z = p.CalcHeight;
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j) {
            const double want = HandSum(p, p.GridXm[i], p.GridYm[j], z, 1.0);
            ASSERT_NEAR(p.XY.Density(i, j), want, 1e-9 * want) << i << "," << j;
        }
    // The stick's node on its vertical at its own height: r taken as 0.1 m.
    EXPECT_GT(p.XY.Density(75, 40), 1000.0);
    // One antenna alone, as the other parts ask for it.
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const Antenna& a = p.Antennas[s];
        const double x = 47 * p.CellSize * p.MetersPerUnit, y = 33 * p.CellSize * p.MetersPerUnit;
        const double want = Hand(p, a, x - a.AntX * p.MetersPerUnit,
                                 -(y - a.AntY * p.MetersPerUnit), 1.5 - 7, 1.0);
        EXPECT_NEAR(AntennaDensityAt(p, s, x, y, 7, 1.5), want, 1e-9 * want) << s;
    }

    ASSERT_FALSE(XZDialogAccept(p, "40"));
    ASSERT_TRUE(RunXZCalculation(p, Control(3)).ok());
    const int ny = p.GridNY, off = p.XZRowOffset;
    const double cell = p.CellSize * p.MetersPerUnit, yPlane = p.XZPlaneRow * cell;
    // Stored row ny - j - offset, then moved two rows towards row 0.
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= ny - off - 2; ++j) {
            const double want = HandSum(p, i * cell, yPlane, j * cell, 1.0);
            ASSERT_NEAR(p.XZ.Density(i, ny - j - off - 2), want, 1e-9 * want) << i << "," << j;
        }
}

TEST(FarField, ReflectionScalesExactlyAndEveryPathAgrees) {
    Project one = FarFieldSite(), reflected = FarFieldSite(2.56), plain = FarFieldSite();
    const std::vector<double> inverse = {0, 1 / 450.0, 1 / 900.0, 1 / 450.0, 1 / 600.0, 1 / 450.0};
    const CalcControl vector = Control(1, false, inverse), threads = Control(3, false, inverse),
                      scalar = Control(2, true, inverse);
    for (auto [run, plane] :
         {std::pair{&RunXYCalculation, Plane::XY}, {&RunXZCalculation, Plane::XZ}}) {
        for (Project* p : {&one, &reflected, &plain})
            ASSERT_FALSE(XZDialogAccept(*p, "35"));
        ASSERT_TRUE(run(one, vector).ok());
        ASSERT_TRUE(run(reflected, threads).ok());
        ASSERT_TRUE(run(plain, scalar).ok());
        const auto &r1 = one.Result(plane), &r2 = reflected.Result(plane),
                   &r3 = plain.Result(plane);
        ASSERT_EQ(r1.Density.size(), r3.Density.size());
        for (std::size_t k = 0; k < r1.Density.size(); ++k) {
            ASSERT_EQ(r2.Density.data()[k], r1.Density.data()[k] * 2.56) << k;
            ASSERT_EQ(r2.Ratio.data()[k], r1.Ratio.data()[k] * 2.56) << k;
            ASSERT_NEAR(r3.Density.data()[k], r1.Density.data()[k], 1e-12 * r1.Density.data()[k])
                << k;
        }
    }
    // A pattern the project does not hold fails the calculation cleanly.
    one.Antennas[1].AntPattern = "missing";
    EXPECT_EQ(RunXYCalculation(one).status, CalcStatus::Failed);
}

// Each vector loop against the plain one on columns whose end is not a whole
// vector, the node at the antenna itself included, for every kind of beam.
TEST(FarField, VectorColumnsMatchThePlainLoop) {
    const kernel::Isa isa = kernel::BestIsa();
    if (isa == kernel::Isa::Scalar) GTEST_SKIP() << "no vector unit";
    using Fn = void (*)(const kernel::FarBeam&, const kernel::Column&, const kernel::Sums&, int);
    vectorcolumns::Loops<Fn> fns = {{"avx2", kernel::AddFarColumnAvx2}};
    if (isa == kernel::Isa::Avx512) fns.emplace_back("avx512", kernel::AddFarColumnAvx512);
    const Project p = FarFieldSite();
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const auto beam = farfield::Prepare(p, p.Antennas[s]);
        ASSERT_TRUE(beam->beam.type != kernel::FarBeam::Measured || beam->beam.tablesExact);
        // The node at the antenna itself included: node 128 at its height.
        vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 35.0, -25.6,
                                         35.0, std::to_string(s));
    }
}

TEST(FarField, TableStepDividesEveryListedAngle) {
    const std::pair<std::vector<double>, double> cases[] = {
        {{0, 90, 180, 359}, 1.0}, {{0, 0.5, 359.5}, 0.5}, {{0, 0.25, 1}, 0.25},
        {{0, 120.1}, 0.1},        {{0, 1.0 / 3}, 1.0 / 3}, {{0, 0.005}, 0.0}};
    for (const auto& [angles, step] : cases)
        EXPECT_DOUBLE_EQ(farfield::TableStep({angles, std::vector<double>(angles.size())}), step)
            << angles.back();
}
