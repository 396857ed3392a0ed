#include "antenna/Adaptive.h"
#include "calc/CalcTestSupport.h"
#include "calc/FarField.h"
#include "calc/VectorColumns.h"

#include <gtest/gtest.h>
#include <string>

using namespace brenvik;

namespace {

using Fn = void (*)(const kernel::FarBeam&, const kernel::Column&, const kernel::Sums&, int);

vectorcolumns::Loops<Fn> VectorLoops() {
    vectorcolumns::Loops<Fn> fns = {{"avx2", kernel::AddFarColumnAvx2}};
    if (kernel::BestIsa() == kernel::Isa::Avx512)
        fns.emplace_back("avx512", kernel::AddFarColumnAvx512);
    return fns;
}

// Arrays of several shapes and steering ranges (an uneven range in azimuth
// fills the whole table rather than mirroring half of it), each aimed and
// tilted differently, one looking straight back along -180 degrees.
struct Case {
    int rows, columns;
    double azMin, azMax, tiltMin, tiltMax;
    double azimuth, tilt;
};
constexpr Case Cases[] = {
    {8, 8, -60, 60, 0, 10, 120, 2},
    {4, 16, -30, 45, -5, 15, 0, -4},
    {16, 2, -10, 10, 3, 3, 270, 9},
};

std::shared_ptr<const farfield::PreparedBeam> EnvelopeBeam(const Case& c) {
    antenna::ArrayParams a;
    a.rows = c.rows;
    a.columns = c.columns;
    a.azMinDeg = c.azMin, a.azMaxDeg = c.azMax;
    a.tiltMinDeg = c.tiltMin, a.tiltMaxDeg = c.tiltMax;
    farfield::BeamParts parts;
    parts.azimuthDeg = c.azimuth;
    parts.tiltDeg = c.tilt;
    parts.erpW = 800.0;
    parts.envelope = antenna::MakeEnvelope(a);
    return farfield::Prepare(parts);
}

} // namespace

// Each vector loop against the plain one for envelope beams, on the columns
// of the harness (the node at the antenna included) and on columns of every
// length up to a few steps of blocks.
TEST(AdaptiveVector, EnvelopeColumnsMatchThePlainLoop) {
    ASSERT_NE(kernel::BestIsa(), kernel::Isa::Scalar)
        << "the vector loops need a processor with AVX2 and FMA";
    const auto fns = VectorLoops();
    for (const Case& c : Cases) {
        const auto beam = EnvelopeBeam(c);
        ASSERT_EQ(beam->beam.type, kernel::FarBeam::Envelope);
        const std::string what = std::to_string(c.rows) + "x" + std::to_string(c.columns);
        vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 35.0, -25.6,
                                         35.0, what);
        vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 20.0, 14.0,
                                         0.0, what + " below");
        for (int n = 1; n <= 140; ++n)
            vectorcolumns::ExpectSameAsPlain(beam->beam, kernel::AddFarColumnScalar, fns, 35.0,
                                             -25.6, 35.0, what + " length " + std::to_string(n), n,
                                             n / 2);
    }
}

// The grid's calculation hands envelopes to the vector loop of the processor.
TEST(AdaptiveVector, AddColumnSendsEnvelopesToTheVectorLoop) {
    const auto beam = EnvelopeBeam(Cases[0]);
    std::vector<double> y(64), g(64, 0.0), plain(64, 0.0), best(64, 0.0);
    for (int k = 0; k < 64; ++k)
        y[k] = 3.0 + 1.7 * k;
    const kernel::Column col{12.5, y.data(), 40.0, 25.0, g.data(), 1.5};
    kernel::AddFarColumnScalar(beam->beam, col, {plain.data(), nullptr, 0.0}, 64);
    farfield::AddColumn(kernel::BestIsa(), beam->beam, col, {best.data(), nullptr, 0.0}, 64);
    const auto fns = VectorLoops();
    std::vector<double> want(64, 0.0);
    fns.back().second(beam->beam, col, {want.data(), nullptr, 0.0}, 64);
    EXPECT_EQ(best, want);
    // Not the plain loop's bits in every node: otherwise this proves nothing.
    EXPECT_NE(best, plain);
}

// Two antennas of one array and one of another: the calculation makes one
// envelope per array, a cache held across calculations makes none the second
// time, and every node is the same whoever made the tables.
TEST(AdaptiveVector, CalculationsShareOneEnvelopePerArray) {
    Project p;
    p.Exposure = {ExposureModel::FarField, 1.0};
    calctest::AddTower(p, 40, 30, AntennaKind::Panel, 20, 2, 120, 1000);
    calctest::AddTower(p, 60, 45, AntennaKind::Panel, 15, 5, 250, 600);
    calctest::AddTower(p, 75, 20, AntennaKind::Panel, 12, 0, 0, 200);
    for (int k = 1; k <= 3; ++k)
        p.Antennas[k].AntArrayRows = p.Antennas[k].AntArrayColumns = 8;
    p.Antennas[3].AntArrayRows = 4;
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 4;
    ASSERT_TRUE(RunXYCalculation(p, calctest::Control(2)).ok());
    const auto own = p.XY.Density;
    antenna::EnvelopeCache envelopes;
    CalcControl held = calctest::Control(2);
    held.envelopes = &envelopes;
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(RunXYCalculation(p, held).ok());
        EXPECT_EQ(envelopes.made(), 2) << run;
        EXPECT_TRUE(p.XY.Density == own) << run;
    }
}
