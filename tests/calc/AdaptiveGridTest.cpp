#include "antenna/Adaptive.h"
#include "calc/CalcTestSupport.h"
#include "calc/GridCalc.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace brenvik;
using calctest::AddTower;
using calctest::Control;

namespace {

// An adaptive panel (8 x 8 elements, steered +-60 degrees and 0-10 degrees
// down), a parametric panel and a stick.
Project AdaptiveSite(ExposureModel model) {
    Project p;
    p.Exposure = {model, 1.0};
    AddTower(p, 40, 30, AntennaKind::Panel, 20, 2, 120, 1000);
    p.Antennas[1].AntArrayRows = 8;
    p.Antennas[1].AntArrayColumns = 8;
    AddTower(p, 60, 45, AntennaKind::Panel, 15, 5, 250, 600);
    AddTower(p, 75, 20, AntennaKind::Stick, 12, 0, 0, 200);
    p.CalcOption = CalcLevel::AtHeight;
    p.CalcHeight = 4;
    return p;
}

} // namespace

TEST(AdaptiveGrid, ThePowerFactorScalesEveryNodeOfBothModels) {
    for (ExposureModel model : {ExposureModel::Specified, ExposureModel::FarField}) {
        Project full = AdaptiveSite(model);
        ASSERT_TRUE(RunXYCalculation(full, Control(2)).ok());
        Project reduced = AdaptiveSite(model);
        for (int k = 1; k <= 3; ++k)
            reduced.Antennas[k].AntPowerFactor = 0.37;
        ASSERT_TRUE(RunXYCalculation(reduced, Control(2)).ok());
        int radiated = 0;
        for (int i = 1; i <= full.GridNX; ++i)
            for (int j = 1; j <= full.GridNY; ++j) {
                const double want = 0.37 * full.XY.Density(i, j);
                radiated += want > 0.0;
                ASSERT_NEAR(reduced.XY.Density(i, j), want, 1e-12 * want) << i << "," << j;
            }
        EXPECT_GT(radiated, full.GridNX * full.GridNY / 2);
    }
}

TEST(AdaptiveGrid, AnAdaptiveNodeIsTheFarFieldFormulaWithTheEnvelope) {
    Project p = AdaptiveSite(ExposureModel::FarField);
    p.Antennas[1].AntPowerFactor = 0.25;
    for (int k : {2, 3})
        p.Antennas[k].AntType = AntennaKind::None; // the adaptive panel alone
    ASSERT_TRUE(RunXYCalculation(p, Control(2)).ok());
    const Antenna& a = p.Antennas[1];
    const antenna::ArrayParams array; // what the fields above give
    const double pi = std::numbers::pi, deg = pi / 180, peakDbi = 5 + 10 * std::log10(64.0);
    for (int i = 5; i <= p.GridNX; i += 9)
        for (int j = 3; j <= p.GridNY; j += 7) {
            // East, north and up from the antenna; its azimuth and down-tilt.
            const double e = p.GridXm[i] - a.AntX * p.MetersPerUnit;
            const double n = -(p.GridYm[j] - a.AntY * p.MetersPerUnit), u = 4.0 - 20.0;
            const double az = 120 * deg, t = 2 * deg;
            const double f = e * std::sin(az) + n * std::cos(az);
            const double s = e * std::cos(az) - n * std::sin(az);
            const double f1 = f * std::cos(t) - u * std::sin(t),
                         u1 = f * std::sin(t) + u * std::cos(t);
            const double phi = std::atan2(s, f1) / deg;
            const double theta = std::atan2(-u1, std::hypot(f1, s)) / deg;
            const double g =
                std::pow(10.0, (antenna::EnvelopeGainDbi(array, phi, theta) - peakDbi) / 10);
            const double want = 100 * 1.64 * 1000 * 0.25 * g / (4 * pi * (e * e + n * n + u * u));
            // The table is read within 0.1 dB of the envelope.
            EXPECT_NEAR(10 * std::log10(p.XY.Density(i, j) / want), 0.0, 0.1)
                << phi << ", " << theta;
        }
}
