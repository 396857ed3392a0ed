// The far-field vector loops against the plain one where their own angle and
// power functions fold the plane: along the diagonals, straight ahead and
// behind, straight above and below the antenna, across cut edges of 40 dB
// within a degree (where an error in angle shows most) and in nulls hundreds
// of dB deep (where an error in the power shows most); the parametric beams
// alike.
#include "antenna/Adaptive.h"
#include "calc/FarField.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace brenvik;

namespace {

// Losses of 0.1 dB a degree up to the edge, then 40 dB within one degree,
// a slow rise beyond and a null 360 dB deep, 36 dB a degree on either side,
// 70 degrees off the axis.
double EdgeLoss(double off, double edge) {
    if (off <= edge) return 0.1 * off;
    if (off <= edge + 1) return 0.1 * edge + 40 * (off - edge);
    return 0.1 * edge + 40 + 0.3 * (off - edge - 1) + 36 * std::max(0.0, 10 - std::fabs(off - 70));
}

AntennaPattern EdgedPattern() {
    AntennaPattern q;
    q.Name = "edged";
    for (int a = 0; a < 360; ++a) {
        q.Horizontal.Angle.push_back(a);
        q.Horizontal.Loss.push_back(EdgeLoss(a <= 180 ? a : 360 - a, 30));
        q.Vertical.Angle.push_back(a);
        q.Vertical.Loss.push_back(EdgeLoss(a <= 180 ? a : 360 - a, 5));
    }
    return q;
}

struct Aim {
    double azimuthDeg, tiltDeg;
};
constexpr Aim Aims[] = {{0, 0}, {22.5, 0}, {45, 0}, {180, 0}, {270, 10}, {0, 90}, {135, -45}};

} // namespace

TEST(FarAngles, FoldsEdgesAndNullsMatchThePlainLoop) {
    ASSERT_NE(kernel::BestIsa(), kernel::Isa::Scalar)
        << "the vector loops need a processor with AVX2 and FMA";
    std::vector<std::pair<const char*, decltype(&kernel::AddFarColumnAvx2)>> loops = {
        {"avx2", kernel::AddFarColumnAvx2}};
    if (kernel::BestIsa() == kernel::Isa::Avx512)
        loops.emplace_back("avx512", kernel::AddFarColumnAvx512);
    const AntennaPattern pattern = EdgedPattern();
    Antenna adaptive;
    adaptive.AntType = AntennaKind::Panel;
    adaptive.AntArrayRows = adaptive.AntArrayColumns = 4;
    const auto envelope = antenna::MakeEnvelope(antenna::ArrayOf(adaptive));
    // Nodes every 5 cm across 60 m, the ground stepping so that the offset
    // up is 0, +-dx or +-5 m: directions at 45 degrees both ways.
    const int n = 1201;
    for (const double dx : {0.0, 10.0, -10.0}) {
        std::vector<double> y(n), g(n);
        for (int k = 0; k < n; ++k) {
            y[k] = -30 + 0.05 * k;
            const double ups[] = {0.0, dx, -dx, 5.0, -5.0};
            g[k] = 30 - 1.5 - ups[k % 5]; // (h - g) - z = the offset
        }
        const kernel::Column col{dx, y.data(), 0.0, 30.0, g.data(), 1.5};
        for (const Aim& aim : Aims)
            for (const char* kind : {"pattern", "envelope", "panel", "stick"}) {
                farfield::BeamParts parts;
                parts.azimuthDeg = aim.azimuthDeg;
                parts.tiltDeg = aim.tiltDeg;
                parts.erpW = 500;
                parts.pattern = kind == std::string("pattern") ? &pattern : nullptr;
                if (kind == std::string("envelope")) parts.envelope = envelope;
                parts.stick = kind == std::string("stick");
                parts.hBeamwidthDeg = 65;
                parts.electricalTiltDeg = 6;
                const auto beam = farfield::Prepare(parts);
                const std::string what = std::string(kind) + " az " +
                                         std::to_string(aim.azimuthDeg) + " tilt " +
                                         std::to_string(aim.tiltDeg) + " dx " + std::to_string(dx);
                std::vector<double> ref(n, 0.0);
                kernel::AddFarColumnScalar(beam->beam, col, {ref.data(), nullptr, 0.0}, n);
                for (const auto& [name, fn] : loops) {
                    std::vector<double> v(n, 0.0);
                    fn(beam->beam, col, {v.data(), nullptr, 0.0}, n);
                    for (int k = 0; k < n; ++k)
                        ASSERT_NEAR(v[k], ref[k], 1e-12 * ref[k])
                            << name << " " << what << " node " << k;
                }
            }
    }
}

// Nodes the plain loop sees at mirror angles or at the same distance, with
// the same density to the bit, get the same density from the vector loops
// too, for the parametric beams (whose gain is even in phi): the largest
// value and its place, and the contours, come out as the plain loop's.
TEST(FarAngles, NodesTiedInThePlainLoopStayTied) {
    ASSERT_NE(kernel::BestIsa(), kernel::Isa::Scalar)
        << "the vector loops need a processor with AVX2 and FMA";
    std::vector<std::pair<const char*, decltype(&kernel::AddFarColumnAvx2)>> loops = {
        {"plain", kernel::AddFarColumnScalar}, {"avx2", kernel::AddFarColumnAvx2}};
    if (kernel::BestIsa() == kernel::Isa::Avx512)
        loops.emplace_back("avx512", kernel::AddFarColumnAvx512);
    int ties = 0;
    for (const bool stick : {true, false}) {
        farfield::BeamParts parts;
        parts.stick = stick;
        parts.erpW = 500;
        parts.hBeamwidthDeg = 65;
        const auto beam = farfield::Prepare(parts);
        for (int k = 0; k < 200; ++k) {
            // Offsets from decimetres to a few hundred metres.
            const double e = 0.37 + 1.713 * k, d = 0.1 + std::fmod(2.377 * k * k, 300.0);
            const double places[][2] = {{e, d}, {d, e}, {-e, d}, {e, -d}, {-d, -e}};
            double got[3][5];
            for (int m = 0; m < 5; ++m)
                for (std::size_t l = 0; l < loops.size(); ++l) {
                    const double y = places[m][1], g = 0.0;
                    double density = 0.0;
                    loops[l].second(beam->beam, {places[m][0], &y, 0.0, 10.0, &g, 1.5},
                                    {&density, nullptr, 0.0}, 1);
                    got[l][m] = density;
                }
            for (int m = 1; m < 5; ++m)
                for (std::size_t l = 1; l < loops.size(); ++l)
                    if (got[0][m] == got[0][0]) {
                        ties += l == 1;
                        EXPECT_EQ(got[l][m], got[l][0])
                            << loops[l].first << " stick " << stick << " at " << e << "," << d
                            << " place " << m;
                    }
        }
    }
    // Most of the 800 pairs of places tie in the plain loop: otherwise this
    // proves little.
    EXPECT_GT(ties, 500);
}
