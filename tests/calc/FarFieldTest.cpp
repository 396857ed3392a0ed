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
#include <stdexcept>

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
        if (!r.pattern) throw std::runtime_error(std::string(file) + ": " + r.error);
        p.Patterns.push_back(*r.pattern);
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
        const double want =
            Hand(p, a, x - a.AntX * p.MetersPerUnit, -(y - a.AntY * p.MetersPerUnit), 1.5 - 7, 1.0);
        EXPECT_NEAR(AntennaDensityAt(p, s, x, y, 7, 1.5), want, 1e-9 * want) << s;
    }

    ASSERT_FALSE(XZDialogAccept(p, "40"));
    ASSERT_TRUE(RunXZCalculation(p, Control(3)).ok());
    const int ny = p.GridNY, off = p.XZRowOffset;
    // Exactly on the line asked for, 40 m up from the exports' zero line
    // (drawing y 9600), whatever the grid's rows.
    const double cell = p.CellSize * p.MetersPerUnit, yPlane = 9600 * p.MetersPerUnit - 40;
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

using FarLoop = void (*)(const kernel::FarBeam&, const kernel::Column&, const kernel::Sums&, int);

// The vector loops of a processor with `isa`, AVX2 or better.
vectorcolumns::Loops<FarLoop> FarLoops(kernel::Isa isa) {
    vectorcolumns::Loops<FarLoop> fns = {{"avx2", kernel::AddFarColumnAvx2}};
    if (isa == kernel::Isa::Avx512) fns.emplace_back("avx512", kernel::AddFarColumnAvx512);
    return fns;
}

// Each vector loop against the plain one on columns whose end is not a whole
// vector, the node at the antenna itself included, for every kind of beam.
TEST(FarField, VectorColumnsMatchThePlainLoop) {
    const kernel::Isa isa = kernel::BestIsa();
    ASSERT_NE(isa, kernel::Isa::Scalar) << "the vector loops need a processor with AVX2 and FMA";
    const auto fns = FarLoops(isa);
    const Project p = FarFieldSite();
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const auto beam = farfield::Prepare(p, p.Antennas[s]);
        ASSERT_TRUE(beam->beam.type != kernel::FarBeam::Measured || beam->beam.tablesExact);
        // The node at the antenna itself included: node 128 at its height.
        vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 35.0, -25.6,
                                         35.0, std::to_string(s));
    }
}

// Columns of every length up to a few steps of blocks, for a measured and a
// parametric beam: the steps and the blocks left at the end cover every node
// once.
TEST(FarField, VectorColumnsOfEveryLength) {
    const kernel::Isa isa = kernel::BestIsa();
    ASSERT_NE(isa, kernel::Isa::Scalar) << "the vector loops need a processor with AVX2 and FMA";
    const auto fns = FarLoops(isa);
    const Project p = FarFieldSite();
    for (int s : {1, 3}) {
        const auto beam = farfield::Prepare(p, p.Antennas[s]);
        for (int n = 1; n <= 140; ++n)
            vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 35.0,
                                             -25.6, 35.0, "length " + std::to_string(n), n, n / 2);
    }
}

TEST(FarField, TableStepDividesEveryListedAngle) {
    const std::pair<std::vector<double>, double> cases[] = {
        {{0, 90, 180, 359}, 1.0}, {{0, 0.5, 359.5}, 0.5},  {{0, 0.25, 1}, 0.25},
        {{0, 120.1}, 0.1},        {{0, 1.0 / 3}, 1.0 / 3}, {{0, 0.005}, 0.0}};
    for (const auto& [angles, step] : cases)
        EXPECT_DOUBLE_EQ(farfield::TableStep({angles, std::vector<double>(angles.size())}), step)
            << angles.back();
}

// A wide horizontal beam over a deep back null (H 10 dB at the sides, 42 dB
// behind; V 10 dB down, 20 dB behind and above): combined, the cuts would give
// more than the peak beside and behind the antenna. No node of the plain loop,
// the vector loops or the grids may get more than the peak's density,
// 100 RF 1.64 P / (4 pi r^2).
TEST(FarField, NoNodeGetsMoreThanThePeak) {
    Project p;
    AntennaPattern q;
    q.Name = "WIDE";
    q.Horizontal = {{0, 90, 180, 270}, {0, 10, 42, 10}};
    q.Vertical = {{0, 90, 180, 270}, {0, 10, 20, 20}};
    p.Patterns = {q};
    p.Exposure = {ExposureModel::FarField, 1.0};
    AddTower(p, 40, 30, AntennaKind::Panel, 20, 6, 30, 1000, "WIDE");
    const Antenna& a = p.Antennas[1];
    const double peak = 100 * 1.64 * 1000 / (4 * std::numbers::pi);
    // Directions all round at 7 m, through the per-point path; the raw sum
    // of the cuts must go above the peak somewhere, or this proves nothing.
    const auto beam = farfield::Prepare(p, a);
    ASSERT_TRUE(beam->beam.tablesExact);
    int aboveRaw = 0;
    for (int az = 0; az < 360; az += 5)
        for (int el = -85; el <= 85; el += 5) {
            const double d = std::numbers::pi / 180, r = 7;
            const double e = r * std::cos(el * d) * std::sin(az * d),
                         n = r * std::cos(el * d) * std::cos(az * d), u = r * std::sin(el * d);
            const double s = farfield::DensityAt(beam->beam, e, n, u);
            ASSERT_LE(s, peak / (r * r) * (1 + 1e-12)) << az << "," << el;
            ASSERT_NEAR(s, Hand(p, a, e, n, u, 1.0), 1e-9 * s) << az << "," << el;
            // The same direction without the bound, from the cuts alone.
            const antenna::Direction dir =
                antenna::DirectionInBeam(e, n, u, a.AntDirection, a.AntTilt);
            const double w = std::fabs(dir.phiDeg) / 180;
            const double raw = -farfieldhand::HandLoss(q.Horizontal, dir.phiDeg) -
                               ((1 - w) * farfieldhand::HandLoss(q.Vertical, dir.thetaDeg) +
                                w * (-42 + farfieldhand::HandLoss(q.Vertical, 180 - dir.thetaDeg)));
            aboveRaw += raw > 0.1;
        }
    EXPECT_GT(aboveRaw, 20);
    // The vector loops read the tables: the same as the plain loop.
    const kernel::Isa isa = kernel::BestIsa();
    vectorcolumns::Loops<void (*)(const kernel::FarBeam&, const kernel::Column&,
                                  const kernel::Sums&, int)>
        fns;
    if (isa != kernel::Isa::Scalar) fns.emplace_back("avx2", kernel::AddFarColumnAvx2);
    if (isa == kernel::Isa::Avx512) fns.emplace_back("avx512", kernel::AddFarColumnAvx512);
    vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 20.0, 14.0, 0.0,
                                     "wide");
    // Every grid node, vector and plain, under the peak's density.
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 12;
    for (const bool scalar : {false, true}) {
        ASSERT_TRUE(RunXYCalculation(p, Control(2, scalar)).ok());
        const double xs = a.AntX * p.MetersPerUnit, ys = a.AntY * p.MetersPerUnit;
        for (int i = 1; i <= p.GridNX; ++i)
            for (int j = 1; j <= p.GridNY; ++j) {
                const double dx = p.GridXm[i] - xs, dy = p.GridYm[j] - ys, dz = 12 - 20;
                const double r2 = std::max(dx * dx + dy * dy + dz * dz, 0.01);
                ASSERT_LE(p.XY.Density(i, j), peak / r2 * (1 + 1e-12)) << i << "," << j;
                ASSERT_NEAR(p.XY.Density(i, j), HandSum(p, p.GridXm[i], p.GridYm[j], 12, 1.0),
                            1e-9 * p.XY.Density(i, j));
            }
    }
}
