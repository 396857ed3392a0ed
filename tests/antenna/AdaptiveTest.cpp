#include "antenna/Adaptive.h"

#include "antenna/ArrayHand.h"
#include "antenna/BeamCuts.h"
#include "antenna/BeamForm.h"
#include "antenna/Pattern.h"
#include "model/Project.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <tuple>
#include <vector>

namespace brenvik::antenna {
namespace {

using arrayhand::Hand;

TEST(Adaptive, TheEnvelopeOfAnEightByEightArrayIsTheHandFormulasMaximum) {
    // Directions (phi, theta below the horizon): inside the steering, beside
    // it, above and below it, behind, and far off.
    const std::pair<double, double> dirs[] = {
        {0, 0},     {30, 5},  {-45, 8},  {60, 10},   {70, 0}, {-75, 3},   {85, -5},
        {100, 0},   {150, 5}, {180, 0},  {-120, 20}, {0, 30}, {10, -20},  {45, 45},
        {-30, -60}, {90, 0},  {-65, 12}, {20, 15},   {5, -3}, {-170, -40}};
    const Hand hand;
    std::vector<std::vector<std::complex<double>>> vs;
    for (auto [phi, theta] : dirs)
        vs.push_back(hand.v(phi, 90.0 + theta));
    // The hand maximum over steering every 0.25 degrees, both ranges' ends included.
    std::vector<double> most(std::size(dirs), 0.0);
    for (double es = -60.0; es <= 60.0; es += 0.25)
        for (double et = 0.0; et <= 10.0; et += 0.25) {
            const auto w = hand.w(es, et);
            for (std::size_t d = 0; d < vs.size(); ++d) {
                std::complex<double> sum = 0.0;
                for (std::size_t k = 0; k < w.size(); ++k)
                    sum += w[k] * vs[d][k];
                most[d] = std::max(most[d], std::norm(sum));
            }
        }
    const ArrayParams a; // 8 x 8, 0.5 wavelengths, +-60 and 0-10 degrees
    const auto table = MakeEnvelope(a);
    for (std::size_t d = 0; d < vs.size(); ++d) {
        const auto [phi, theta] = dirs[d];
        const double expected = hand.element(phi, 90.0 + theta) + 10.0 * std::log10(most[d]);
        EXPECT_NEAR(EnvelopeGainDbi(a, phi, theta), expected, 0.01) << phi << ", " << theta;
        // The table the calculations read, relative to its peak.
        EXPECT_NEAR(table->GainDb(phi, theta) + table->peakDbi, expected, EnvelopeToleranceDb)
            << phi << ", " << theta;
    }
    // The peak: every element in phase at boresight, 5 dBi + 10 log10(64).
    EXPECT_NEAR(table->peakDbi, 5.0 + 10.0 * std::log10(64.0), 1e-9);
}

TEST(Adaptive, AnAdaptivePanelsBeamAndPolarCutAreItsEnvelope) {
    Project p;
    p.EnsureAntennaSlots(1);
    p.AntennaCount = 1;
    Antenna& a = p.Antennas[1];
    a.AntArrayRows = 4, a.AntArrayColumns = 8, a.AntSteerAzMinDeg = -30;
    const Beam b = BeamOf(p, a);
    ASSERT_TRUE(b.envelope);
    const ArrayParams array = ArrayOf(a);
    const PlotCut h = HorizontalCut(b, 1.0);
    for (int deg : {0, 20, 45, 80, 135, 200, 300}) {
        const double want =
            EnvelopeGainDbi(array, deg > 180 ? deg - 360 : deg, 0.0) - b.envelope->peakDbi;
        EXPECT_NEAR(h.gainDb[static_cast<std::size_t>(deg)], want, EnvelopeToleranceDb) << deg;
    }
    // Not adaptive without a row, or as a stick.
    for (auto change : {+[](Antenna& x) { x.AntArrayRows = 0; },
                        +[](Antenna& x) { x.AntType = AntennaKind::Stick; }}) {
        Antenna other = a;
        change(other);
        EXPECT_FALSE(BeamOf(p, other).envelope);
    }
}

TEST(Adaptive, TheBeamFormLoadsChecksAndStoresTheArray) {
    Project p;
    p.EnsureAntennaSlots(1);
    p.AntennaCount = 1;
    BeamForm f = BeamFormLoad(p, 1);
    ASSERT_EQ(f.arrayTexts.size(), ArrayFieldCount);
    EXPECT_EQ(f.arrayTexts[0], "0");  // not adaptive
    EXPECT_EQ(f.arrayTexts[13], "1"); // the whole maximum ERP
    EXPECT_FALSE(BeamFormBeam(f, false, 7.2).envelope);
    f.arrayTexts[0] = "4", f.arrayTexts[1] = "8", f.arrayTexts[13] = "0.3";
    f.factorSource = "K_AA, ordinance annex 1";
    const struct {
        std::size_t box;
        const char* text;
        const char* refusal; // a word of it, or null
    } cases[] = {
        {13, "1.5", "Power factor"},      {13, "0", "Power factor"}, {0, "65", "Array rows"},
        {10, "x", "Steering azimuth to"}, {5, "", nullptr},          {13, "0.3", nullptr}};
    for (const auto& c : cases) {
        BeamForm g = f;
        g.arrayTexts[c.box] = c.text;
        const auto refused = BeamFormAccept(p, g, 1);
        EXPECT_EQ(refused.has_value(), c.refusal != nullptr) << c.text;
        if (refused && c.refusal) {
            EXPECT_NE(refused->find(c.refusal), std::string::npos) << *refused;
        }
    }
    const Antenna& a = p.Antennas[1];
    EXPECT_EQ(
        std::tuple(a.AntArrayRows, a.AntArrayColumns, a.AntPowerFactor, a.AntElementFrontBackDb),
        std::tuple(4.0, 8.0, 0.3, 30.0));
    EXPECT_EQ(a.AntPowerFactorSource, "K_AA, ordinance annex 1");
    EXPECT_EQ(BeamFormLoad(p, 1).arrayTexts, f.arrayTexts);
    // The plots show the envelope the boxes describe.
    const Beam b = BeamFormBeam(f, false, 7.2);
    ASSERT_TRUE(b.envelope);
    EXPECT_NEAR(b.GainDb(0, 0), 0.0, 1e-9);
}

// A cache makes one table per array, shares it, and keeps only the latest
// few arrays: the first of nine is made again once eight others followed it.
TEST(Adaptive, TheCacheKeepsOneTablePerArrayAndOnlyTheLatestFew) {
    EnvelopeCache cache;
    ArrayParams a;
    a.rows = a.columns = 2;
    const auto first = cache.Get(a);
    EXPECT_EQ(cache.Get(a), first);
    for (int k = 1; k < static_cast<int>(EnvelopeCache::Kept); ++k) {
        ArrayParams b = a;
        b.azMaxDeg = 10.0 + k;
        cache.Get(b);
    }
    EXPECT_EQ(cache.made(), static_cast<int>(EnvelopeCache::Kept));
    EXPECT_EQ(cache.Get(a), first); // still kept
    ArrayParams c = a;
    c.tiltMaxDeg = 4.0;
    cache.Get(c); // the oldest, `a`, goes
    EXPECT_NE(cache.Get(a), first);
    EXPECT_EQ(cache.made(), static_cast<int>(EnvelopeCache::Kept) + 2);
}

// A lone element is smooth enough at half a degree, 721 x 361 doubles;
// eight rows' lobes need a quarter, 1441 x 721.
TEST(EnvelopeBytes, AreThoseOfTheTableMade) {
    struct Case {
        int rows, columns;
        double azMax, tiltMax;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {1, 1, 0, 0, 2'082'248}, {1, 4, 30, 0, 2'082'248}, {8, 8, 60, 10, 8'311'688}};
    for (const Case& c : cases) {
        ArrayParams a;
        std::tie(a.rows, a.columns, a.azMaxDeg, a.tiltMaxDeg) =
            std::tie(c.rows, c.columns, c.azMax, c.tiltMax);
        a.azMinDeg = -c.azMax;
        EXPECT_EQ(MakeEnvelope(a)->gainDb.size() * sizeof(double), c.bytes) << c.rows << c.columns;
        EXPECT_EQ(EnvelopeBytes(a), c.bytes) << c.rows << " x " << c.columns;
    }
}

} // namespace
} // namespace brenvik::antenna
