#include "calc/PowerDensity.h"

#include "calc/Kernel.h"
#include "calc/VectorColumns.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace brenvik;

namespace {

Antenna Panel(double direction, double tilt, double power = 1600.0) {
    Antenna a;
    a.AntType = AntennaKind::Panel;
    a.AntDirection = direction;
    a.AntTilt = tilt;
    a.AntPower = power;
    return a;
}

Antenna Stick(double direction = 0.0, double tilt = 0.0) {
    Antenna a = Panel(direction, tilt);
    a.AntType = AntennaKind::Stick;
    return a;
}

// Plan metres equal drawing units here; the default open angles.
AntennaModel Model(const Antenna& a) {
    return AntennaModel::From(a, 1.0, 3.6, 12.0);
}

kernel::Antenna KernelOf(const AntennaModel& m) {
    return {static_cast<int>(m.kind),
            m.sinTheta,
            m.cosTheta,
            m.tilt,
            m.cosTilt,
            m.absSinTilt,
            m.openAngle,
            m.scale};
}

} // namespace

TEST(PowerDensity, PanelOnAxisGivesTheWorkedValue) {
    const AntennaModel m = Model(Panel(90, 0));
    EXPECT_NEAR(m.openAngle, 0.062832, 1e-6);
    EXPECT_NEAR(Contribution(m, 10, 0, 5, 5), 122.16, 0.01);
    // Behind the panel, and level with it across the axis, nothing.
    EXPECT_EQ(Contribution(m, -10, 0, 5, 5), 0.0);
    EXPECT_EQ(Contribution(m, 0, 0, 9, 5), 0.0); // on the antenna's vertical
    // The plan's Y grows downwards: 0 faces the top, 180 the bottom, 270 the left.
    EXPECT_GT(Contribution(Model(Panel(0, 0)), 0, -10, 5, 5), 100.0);
    EXPECT_EQ(Contribution(Model(Panel(0, 0)), 0, 10, 5, 5), 0.0);
    EXPECT_GT(Contribution(Model(Panel(180, 0)), 0, 10, 5, 5), 100.0);
    EXPECT_GT(Contribution(Model(Panel(270, 0)), -10, 0, 5, 5), 100.0);
    Antenna other = Panel(90, 0);
    other.AntType = AntennaKind::None;
    EXPECT_EQ(Contribution(Model(other), 10, 0, 5, 5), 0.0);
}

TEST(PowerDensity, TiltSideRules) {
    const double t = 15 * 3.1416 / 180;
    const AntennaModel down = Model(Panel(90, 15));
    EXPECT_EQ(Contribution(down, 10, 0, 20, 20), 0.0); // level with a down-tilted beam
    EXPECT_EQ(Contribution(down, 10, 0, 20, 25), 0.0); // above it
    // On the tilted axis the vertical offset vanishes: full vertical factor.
    const double dz = 10 * std::tan(t);
    EXPECT_NEAR(Contribution(down, 10, 0, 20, 20 - dz), 8.64 * 1600 / (100 + dz * dz) * 0.88370,
                0.01);

    const AntennaModel up = Model(Panel(90, -10));
    EXPECT_EQ(Contribution(up, 10, 0, 20, 15), 0.0);
    EXPECT_EQ(Contribution(up, 10, 0, 20, 20), 0.0);
    EXPECT_GT(Contribution(up, 10, 0, 20, 21), 0.0);

    const AntennaModel flat = Model(Panel(90, 0)); // no side rule at all
    EXPECT_GT(Contribution(flat, 10, 0, 20, 21), 0.0);
    EXPECT_GT(Contribution(flat, 10, 0, 20, 19), 0.0);
}

TEST(PowerDensity, StickIsSymmetricAndIgnoresTiltAndDirection) {
    const AntennaModel m = Model(Stick());
    EXPECT_NEAR(m.openAngle, 0.0667, 1e-4); // 12 / 180 taken as radians
    const double ref = Contribution(m, 6, 8, 12, 1.5);
    for (auto [x, y] : {std::pair{8.0, 6.0}, {-6.0, 8.0}, {0.0, -10.0}, {-10.0, 0.0}, {6.0, -8.0}})
        EXPECT_NEAR(Contribution(m, x, y, 12, 1.5), ref, 1e-12 * ref);
    EXPECT_EQ(Contribution(Model(Stick(123, -40)), 6, 8, 12, 1.5), ref);
    // At the open angle the cut-off is at its half point: f = 0.5, and the
    // vertical factor cos^2(1.5708 * 0.5) is 0.5 to within the short pi.
    const double dz = 10 * std::tan(12.0 / 180);
    const double half = std::pow(std::cos(0.7854), 2);
    EXPECT_NEAR(Contribution(m, 10, 0, dz, 0), 8.64 * 1600 / (100 + dz * dz) * half, 1e-9);
}

// The vectorised column loops stay within 1e-12 of the plain loop on every node,
// across panels and sticks, tilts of both signs and nodes in every direction,
// for the density and for the ratio beside it; a stick gives mirror-image
// nodes the same bits.
TEST(PowerDensity, VectorColumnsMatchThePlainLoop) {
    const kernel::Isa isa = kernel::BestIsa();
    ASSERT_NE(isa, kernel::Isa::Scalar) << "the vector loops need a processor with AVX2 and FMA";
    using Fn = void (*)(const kernel::Antenna&, const kernel::Column&, const kernel::Sums&, int);
    vectorcolumns::Loops<Fn> fns = {{"avx2", kernel::AddColumnAvx2}};
    if (isa == kernel::Isa::Avx512) fns.emplace_back("avx512", kernel::AddColumnAvx512);
    // Node k at dz = (35 - g[k]) - 1.5 from the antenna.
    for (const Antenna& a :
         {Panel(90, 15), Panel(200, -7, 40), Panel(0, 0), Stick(), Panel(333.3, 84.9)})
        vectorcolumns::ExpectSameAsPlain(KernelOf(Model(a)), kernel::AddColumnScalar, fns, 35.0,
                                         -26.5, 1.5, std::to_string(a.AntDirection));
    const int n = 253;
    // A stick seen from (dx, dy) and from (-dx, -dy): mirror nodes, same bits.
    const AntennaModel m = Model(Stick());
    const kernel::Antenna k = KernelOf(m);
    std::vector<double> up(n), down(n), flat(n, 0.0);
    for (int j = 0; j < n; ++j)
        up[j] = -(down[n - 1 - j] = (j - n / 2) * 0.61);
    for (auto [name, fn] : fns) {
        std::vector<double> a(n, 0.0), b(n, 0.0), ra(n, 0.0), rb(n, 0.0);
        fn(k, {7.3, up.data(), 0.0, 20.0, flat.data(), 1.5}, {a.data(), ra.data(), 0.25}, n);
        fn(k, {-7.3, down.data(), 0.0, 20.0, flat.data(), 1.5}, {b.data(), rb.data(), 0.25}, n);
        for (int j = 0; j < n; ++j) {
            ASSERT_EQ(a[j], b[n - 1 - j]) << name << " node " << j;
            ASSERT_EQ(ra[j], rb[n - 1 - j]) << name << " node " << j;
        }
    }
}

// Columns of every length up to a few batches of blocks: whatever number of
// receiving blocks is left at the end of a column is finished, and once.
TEST(PowerDensity, VectorColumnsOfEveryLength) {
    const kernel::Isa isa = kernel::BestIsa();
    ASSERT_NE(isa, kernel::Isa::Scalar) << "the vector loops need a processor with AVX2 and FMA";
    using Fn = void (*)(const kernel::Antenna&, const kernel::Column&, const kernel::Sums&, int);
    vectorcolumns::Loops<Fn> fns = {{"avx2", kernel::AddColumnAvx2}};
    if (isa == kernel::Isa::Avx512) fns.emplace_back("avx512", kernel::AddColumnAvx512);
    for (const Antenna& a : {Panel(200, -7, 40), Panel(90, 15), Stick()})
        for (int n = 1; n <= 140; ++n)
            vectorcolumns::ExpectSameAsPlain(KernelOf(Model(a)), kernel::AddColumnScalar, fns, 35.0,
                                             -26.5, 1.5, "length " + std::to_string(n), n, n / 2);
}
