#include "compliance/ComplianceView.h"

#include "compliance/ComplianceTestSupport.h"
#include "model/ResultStamp.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

// A 4 x 2 plan whose ratio climbs from 0 to 1.2 along the columns.
Project Ramp() {
    Project p;
    p.GridNX = 4;
    p.GridNY = 2;
    brenvik::testing::BlankResult(p, Plane::XY);
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 2; ++j) {
            p.XY.Density(i, j) = 7.0 * i;
            p.XY.Ratio(i, j) = 0.3 * i;
        }
    p.XY.MaxDensity = 28.0;
    return p;
}

} // namespace

TEST(PercentView, ShowsTheRatioInPercentWithFixedIsolinesOrLeavesAPlaneWithoutIt) {
    const Project v = PercentView(Ramp());
    EXPECT_DOUBLE_EQ(v.XY.Density(3, 1), 90.0);
    EXPECT_DOUBLE_EQ(v.XY.MaxDensity, 120.0);
    EXPECT_EQ(std::tuple(v.XY.IsolineLevel, v.IsolineCount, v.ResultUnit),
              std::tuple(std::vector<double>{0, 1, 5, 10, 20, 50, 100}, 6, std::string(" %")));
    // Along the rows each level is crossed once per row (3 rows): 1, 5, 10
    // and 20 % between columns 0 and 1, 50 % between 1 and 2, 100 % between
    // 3 and 4; the values never change along a column.
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(v.XY.IsolinesAux.row(k).size(), 3u) << k;
        EXPECT_TRUE(v.XY.Isolines.row(k).empty()) << k;
    }
    EXPECT_EQ(v.XY.IsolinesAux.row(6).front().x, 3);

    // A plane without its ratio is left as it is.
    Project p = Ramp();
    p.XY.Ratio.resize(0, 0); // a result read from a file
    const Project w = PercentView(p);
    EXPECT_TRUE(w.XY.Density == p.XY.Density && w.XY.IsolineLevel == p.XY.IsolineLevel &&
                w.IsolineCount == p.IsolineCount && w.ResultUnit == p.ResultUnit);
}

// The report's bands, a decade lower while fewer than three lie under the
// maximum: 1.88 % has only the 1 % band under it, 3 % only 1 %; 0.733 % has
// the report's scaled bands 0.01 to 1 %, five of them under it.
TEST(PercentView, IsolineLevelsFollowTheResultsRangeWithAtLeastThreeUnderItsMaximum) {
    const std::vector<double> bands{1, 5, 10, 20, 50, 100};
    const std::vector<double> tenth{0.1, 0.5, 1, 2, 5, 10};
    const std::vector<double> hundredth{0.01, 0.05, 0.1, 0.2, 0.5, 1};
    for (const auto& [max, want] : {std::pair{120.0, bands},
                                    {20.0, bands},
                                    {3.0, tenth},
                                    {1.88, tenth},
                                    {0.733, hundredth},
                                    {0.0, bands}}) {
        const std::vector<double> got = PercentIsolineLevels(max);
        ASSERT_EQ(got.size(), want.size()) << max;
        for (std::size_t k = 0; k < want.size(); ++k)
            EXPECT_NEAR(got[k], want[k], want[k] * 1e-12) << max << " level " << k;
    }

    // A ramp to 1.2 %: lines at 0.1 % (columns 0-1), 0.5 % (1-2) and 1 % (3-4).
    Project weak = Ramp();
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 2; ++j)
            weak.XY.Ratio(i, j) = 0.003 * i;
    const Project v = PercentView(weak);
    for (auto [k, column] : {std::pair{1, 0}, {2, 1}, {3, 3}}) {
        ASSERT_EQ(v.XY.IsolinesAux.row(k).size(), 3u) << k;
        EXPECT_EQ(v.XY.IsolinesAux.row(k).front().x, column) << k;
    }
    EXPECT_EQ(PercentNote(v), "% of limit: 0 to 1.2 %; lines at 0.1, 0.5, 1 %");
    EXPECT_EQ(PercentNote(weak), "");
}

TEST(ComplianceForm, AcceptStoresOrRefusesWhole) {
    struct Case {
        std::string standard, site, assessor;
        bool accepted;
        std::string stored, storedAssessor;
    } cases[] = {
        {"fcc", "  Roof 3 ", " J. Doe", true, "Roof 3", "J. Doe"},
        {"no-such-standard", "x", "", false, "", ""},
        {"fcc", "two\nlines", "", false, "", ""},
        {"fcc", "a=b", "", false, "", ""},
        {"fcc", "Roof", "J.\nDoe", false, "", ""},
    };
    for (const Case& c : cases) {
        Project p;
        const auto refused = ComplianceFormAccept(
            p, {c.standard, Population::Occupational, c.site, c.assessor, Unit::VoltPerMetre},
            brenvik::testing::ShippedLimits());
        EXPECT_EQ(!refused, c.accepted) << c.site;
        EXPECT_EQ(std::tuple(p.Compliance.SiteName, p.Compliance.Assessor, p.Compliance.Standard,
                             p.Compliance.Group),
                  std::tuple(c.stored, c.storedAssessor, c.accepted ? c.standard : "icnirp-2020",
                             c.accepted ? Population::Occupational : Population::Public))
            << c.site;
    }
}
